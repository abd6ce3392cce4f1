// The about box and the templates of the five dialog bars, in dialog units.
// Bars that paint everything themselves ("SimulationView", "ProcessView")
// have empty templates that only give their size.
#include "res/Resources.h"

#include "platform/core/MessageBox.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "res/DialogItems.h"
#include "res/resource.h"

namespace {

using qxres::DialogItem;
using qxres::DialogRect;

// Static and dialog styles that the controls layer does not name yet.
constexpr DWORD kBarStyle = WS_CHILD;  // dialog bars are children of their dock
constexpr DWORD kTab = WS_TABSTOP;

QxDialogTemplate Bar(const char* title, int width, int height) {
  QxDialogTemplate bar;
  bar.caption = title;
  bar.style = kBarStyle;
  bar.rect = CRect(0, 0, width, height);
  return bar;
}

QxDialogTemplate AboutBox() {
  QxDialogTemplate about;
  about.caption = "About Quorvathine";
  about.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  about.rect = CRect(0, 0, 217, 55);
  about.items = {
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "#128", SS_ICON, DialogRect(11, 17, 20, 20)),
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "Quorvathine Version 1.0", SS_LEFT | SS_NOPREFIX,
                 DialogRect(40, 10, 119, 8)),
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "Copyright (C) 2026 Plenthoria", SS_LEFT,
                 DialogRect(40, 25, 119, 8)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_GROUP | kTab,
                 DialogRect(178, 7, 32, 14)),
  };
  return about;
}

// "Variables": the variable list, the value's slider and edits, and the
// locus mode and colour lists, whose order is the order of the locus codes.
QxDialogTemplate VariablesBar() {
  QxDialogTemplate bar = Bar("Variables", 150, 90);
  constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | kTab;
  constexpr DWORD kNumber = ES_AUTOHSCROLL | WS_BORDER | kTab;
  bar.items = {
      DialogItem(WC_LISTBOX, IDC_VARLIST, "",
                 LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | kTab,
                 DialogRect(7, 7, 69, 60)),
      DialogItem(WC_COMBOBOX, IDC_LOCUS, "", kDropList, DialogRect(7, 70, 70, 74),
                 {"No Locus", "Logarithmic", "10% deviation", "25% deviation", "50% deviation",
                  "100% deviation"}),
      DialogItem(TRACKBAR_CLASS, IDC_VALUE_SLIDER, "Slider1", TBS_BOTH | TBS_NOTICKS | kTab,
                 DialogRect(84, 12, 59, 19)),
      DialogItem(WC_EDIT, IDC_VALUE, "", kNumber, DialogRect(81, 38, 62, 12)),
      DialogItem(WC_EDIT, IDC_MINIMUM, "", kNumber, DialogRect(81, 54, 28, 12)),
      DialogItem(WC_EDIT, IDC_MAXIMUM, "", kNumber, DialogRect(114, 54, 29, 12)),
      DialogItem(WC_COMBOBOX, IDC_COLOUR, "", kDropList, DialogRect(81, 70, 62, 74),
                 {"(none)", "Red", "Green", "Blue", "Gray", "Purple"}),
  };
  return bar;
}

// "Performance Equalizer": eight vertical weight sliders, criterion i on
// control IDC_WEIGHT_FINAL_VALUE + i; the history strip and the buttons are painted
// by the bar in the space left above and beside them.
QxDialogTemplate EqualizerBar() {
  static const char* const kCriteria[] = {
      "Final value", "Time constant", "Oscillations", "Interaction",
      "v rejection", "d rejection",   "n rejection",  "Control action amplitude",
  };
  QxDialogTemplate bar = Bar("Performance Equalizer", 150, 127);
  for (int i = 0; i < 8; ++i) {
    bar.items.push_back(DialogItem(TRACKBAR_CLASS, IDC_WEIGHT_FINAL_VALUE + i, kCriteria[i],
                                   TBS_VERT | TBS_BOTH | TBS_NOTICKS | kTab,
                                   DialogRect(10 + 12 * i, 59, 10, 50)));
  }
  return bar;
}

// "Comments": the design's free text.
QxDialogTemplate CommentsBar() {
  QxDialogTemplate bar = Bar("Comments", 150, 90);
  bar.items = {
      DialogItem(WC_EDIT, IDC_COMMENT, "",
                 ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | kTab,
                 DialogRect(7, 7, 136, 76))};
  return bar;
}

}  // namespace

namespace qxres {

void RegisterDialogTemplates() {
  QxRegisterDialogTemplate(IDD_ABOUTBOX, AboutBox());
  QxRegisterDialogTemplate(IDD_OUTPUTBAR, Bar("SimulationView", 350, 90));
  QxRegisterDialogTemplate(IDD_LEFTBAR, Bar("ProcessView", 150, 65));
  QxRegisterDialogTemplate(IDD_VARBAR, VariablesBar());
  QxRegisterDialogTemplate(IDD_EQUALIZERBAR, EqualizerBar());
  QxRegisterDialogTemplate(IDD_COMMENTBAR, CommentsBar());
}

}  // namespace qxres
