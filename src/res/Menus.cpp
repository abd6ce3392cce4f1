// Menus 128 and 129 and accelerator table 128. Items whose handlers do not
// exist yet need no flags here: the frame greys every command nobody handles.
#include "res/Resources.h"

#include "platform/core/KeyState.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Menu.h"
#include "res/resource.h"

#include <vector>

namespace {

using Items = std::vector<QxMenuItemDef>;

QxMenuItemDef Separator() {
  return {nullptr, 0, MF_SEPARATOR};
}

QxMenuItemDef Popup(const char* text, Items items) {
  return {text, 0, MF_POPUP, std::move(items)};
}

// The bar toggles of both menus; the document menu spells two mnemonics apart.
Items BarToggles(bool documentMenu) {
  return {
      {"&Toolbar", ID_VIEW_TOOLBAR},
      {documentMenu ? "St&atus Bar" : "&Status Bar", ID_VIEW_STATUS_BAR},
      {"&ProcessView", ID_VIEW_PROCESSVIEW},
      {"S&imulationView", ID_VIEW_SIMULATIONVIEW},
      {documentMenu ? "Performance Eq&ualizer" : "Performance &Equalizer", ID_VIEW_EQUALIZER},
      {"&Variables", ID_VIEW_VARIABLES},
      {"&Comments", ID_VIEW_COMMENTS},
  };
}

Items HelpMenu() {
  return {{"&Help Topics", ID_HELP_TOPICS}, {"&About Quorvathine", ID_APP_ABOUT}};
}

Items MainMenu() {
  return {
      Popup("&File", {{"&New\tCtrl+N", ID_FILE_NEW},
                      {"&Open...\tCtrl+O", ID_FILE_OPEN},
                      Separator(),
                      {"Recent File", ID_FILE_MRU_FILE1},
                      Separator(),
                      {"E&xit", ID_APP_EXIT}}),
      Popup("&View", BarToggles(false)),
      Popup("&Help", HelpMenu()),
  };
}

Items DocumentFileMenu() {
  return {{"&New\tCtrl+N", ID_FILE_NEW},
          {"&Open...\tCtrl+O", ID_FILE_OPEN},
          {"&Close", ID_FILE_CLOSE},
          {"&Save\tCtrl+S", ID_FILE_SAVE},
          {"Save &As...", ID_FILE_SAVE_AS},
          Separator(),
          {"&Print...\tCtrl+P", ID_FILE_PRINT},
          {"Print Pre&view", ID_FILE_PRINT_PREVIEW},
          {"P&rint Setup...", ID_FILE_PRINT_SETUP},
          Separator(),
          {"Recent File", ID_FILE_MRU_FILE1},
          Separator(),
          {"E&xit", ID_APP_EXIT}};
}

Items DocumentViewMenu() {
  Items view = BarToggles(true);
  view.push_back(Separator());
  view.push_back({"&Effective Models", ID_EFFECTIVE_MODELS});
  view.push_back(Separator());
  view.push_back({"Genetic Root &Locus", ID_GENETIC_ROOT_LOCUS});
  return view;
}

Items ToolsMenu() {
  return {
      Popup("Create genetic models", {{"Offspring", ID_OFFSPRING},
                                      {"G robustness", ID_G_ROBUSTNESS},
                                      {"K robustness", ID_K_ROBUSTNESS},
                                      {"H robustness", ID_H_ROBUSTNESS}}),
      Popup("Sort", {{"Final value", ID_SORT_FINAL_VALUE},
                     {"Time constant", ID_SORT_TIME_CONSTANT},
                     {"Oscillations", ID_SORT_OSCILLATIONS},
                     {"Interaction", ID_SORT_INTERACTION},
                     {"v rejection", ID_SORT_V_REJECTION},
                     {"d rejection", ID_SORT_D_REJECTION},
                     {"n rejection", ID_SORT_N_REJECTION},
                     {"Control action amplitude", ID_SORT_CONTROL_ACTION},
                     {"Closed loop pole mobility", ID_SORT_POLE_MOBILITY},
                     {"According to slider settings", ID_SORT_BY_SLIDERS}}),
      Separator(),
      {"Kill all", ID_KILL_ALL},
      {"Kill worst", ID_KILL_WORST},
  };
}

// The frame appends the list of open design windows to this popup.
Items WindowMenu() {
  return {{"&Cascade", ID_WINDOW_CASCADE},
          {"&Tile", ID_WINDOW_TILE_HORZ},
          {"&Arrange Icons", ID_WINDOW_ARRANGE}};
}

Items DocumentMenu() {
  return {
      Popup("&File", DocumentFileMenu()),
      Popup("&Edit", {{"Edit &Models", ID_EDIT_MODELS}, {"Edit &Signals", ID_EDIT_SIGNALS}}),
      Popup("&View", DocumentViewMenu()),
      Popup("&Tools", ToolsMenu()),
      Popup("&Window", WindowMenu()),
      Popup("&Help", HelpMenu()),
  };
}

}  // namespace

namespace qxres {

void RegisterMenus() {
  QxRegisterMenu(IDR_MAINFRAME, MainMenu());
  QxRegisterMenu(IDR_QOREXTYPE, DocumentMenu());
}

void RegisterAccelerators() {
  constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
  constexpr BYTE kShift = FVIRTKEY | FSHIFT;
  QxRegisterAccelerators(IDR_MAINFRAME, {
                                            {kCtrl, 'N', ID_FILE_NEW},
                                            {kCtrl, 'O', ID_FILE_OPEN},
                                            {kCtrl, 'S', ID_FILE_SAVE},
                                            {kCtrl, 'P', ID_FILE_PRINT},
                                            {kCtrl, 'Z', ID_EDIT_UNDO},
                                            {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
                                            {kCtrl, 'X', ID_EDIT_CUT},
                                            {kShift, VK_DELETE, ID_EDIT_CUT},
                                            {kCtrl, 'C', ID_EDIT_COPY},
                                            {kCtrl, VK_INSERT, ID_EDIT_COPY},
                                            {kCtrl, 'V', ID_EDIT_PASTE},
                                            {kShift, VK_INSERT, ID_EDIT_PASTE},
                                            {FVIRTKEY, VK_F6, ID_NEXT_PANE},
                                            {kShift, VK_F6, ID_PREV_PANE},
                                        });
}

}  // namespace qxres
