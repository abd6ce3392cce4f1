// The menus, accelerators, toolbar and string table, loaded by id through the
// platform layer. Expected ids and texts are written out as numbers and
// literals, so a wrong value in the tables or in resource.h shows here.
#include "platform/core/KeyState.h"
#include "platform/core/String.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Menu.h"
#include "res/Resources.h"

#include <gtest/gtest.h>

#include <QImage>

#include <set>
#include <string>
#include <vector>

namespace {

class ResTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { QxRegisterResources(); }
};

std::vector<QxPopupItem> LoadedItems(UINT id) {
  CMenu menu;
  if (!menu.LoadMenu(id)) return {};
  std::vector<QxPopupItem> items = qxui::MenuItems(menu.GetSafeHmenu());
  menu.DestroyMenu();
  return items;
}

bool IsCommand(const QxPopupItem& item) {
  return !(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id != 0;
}

// The commands of a loaded menu, in order.
std::vector<UINT> Commands(UINT menuId) {
  std::vector<UINT> ids;
  for (const QxPopupItem& item : LoadedItems(menuId)) {
    if (IsCommand(item)) ids.push_back(item.id);
  }
  return ids;
}

// Field 0 (the status prompt) or 1 (the tooltip) of a string.
std::string Field(UINT id, int field) {
  std::string all = AfxLoadString(id) ? AfxLoadString(id) : "";
  if (field == 1)
    all.erase(0, all.find('\n') == std::string::npos ? all.size() : all.find('\n') + 1);
  return all.substr(0, all.find('\n'));
}

// The texts and ids of a popup's own items (commands and popups, no separators).
std::vector<std::pair<std::string, UINT>> PopupItems(UINT menuId, const char* popupText) {
  std::vector<std::pair<std::string, UINT>> result;
  const std::vector<QxPopupItem> items = LoadedItems(menuId);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].text != popupText || !(items[i].flags & MF_POPUP)) continue;
    for (size_t j = i + 1; j < items.size() && items[j].depth > items[i].depth; ++j) {
      if (items[j].depth != items[i].depth + 1 || (items[j].flags & MF_SEPARATOR)) continue;
      result.emplace_back(items[j].text.GetString(), IsCommand(items[j]) ? items[j].id : 0);
    }
    break;
  }
  return result;
}

// Every popup, its items' texts verbatim and their commands, in order (0: a popup).
TEST_F(ResTables, PopupsHoldTheirItemsVerbatimAndInOrder) {
  struct Row {
    UINT menu;
    const char* popup;
    std::vector<std::pair<std::string, UINT>> items;
  };
  // clang-format off
  const Row rows[] = {
      {128, "&File", {{"&New\tCtrl+N", 57600}, {"&Open...\tCtrl+O", 57601},
                      {"Recent File", 57616}, {"E&xit", 57665}}},
      {128, "&View", {{"&Toolbar", 59392}, {"&Status Bar", 59393}, {"&ProcessView", 32783},
                      {"S&imulationView", 32784}, {"Performance &Equalizer", 32785},
                      {"&Variables", 32786}, {"&Comments", 32838}}},
      {128, "&Help", {{"&Help Topics", 32827}, {"&About Quorvathine", 57664}}},
      {129, "&File", {{"&New\tCtrl+N", 57600}, {"&Open...\tCtrl+O", 57601}, {"&Close", 57602},
                      {"&Save\tCtrl+S", 57603}, {"Save &As...", 57604},
                      {"&Print...\tCtrl+P", 57607}, {"Print Pre&view", 57609},
                      {"P&rint Setup...", 57606}, {"Recent File", 57616}, {"E&xit", 57665}}},
      {129, "&Edit", {{"Edit &Models", 32771}, {"Edit &Signals", 32772}}},
      {129, "&View", {{"&Toolbar", 59392}, {"St&atus Bar", 59393}, {"&ProcessView", 32783},
                      {"S&imulationView", 32784}, {"Performance Eq&ualizer", 32785},
                      {"&Variables", 32786}, {"&Comments", 32838}, {"&Effective Models", 32804},
                      {"Genetic Root &Locus", 32841}}},
      {129, "&Tools", {{"Create genetic models", 0}, {"Sort", 0}, {"Kill all", 32852},
                       {"Kill worst", 32853}}},
      {129, "Create genetic models", {{"Offspring", 32833}, {"G robustness", 32834},
                                      {"K robustness", 32835}, {"H robustness", 32836}}},
      {129, "Sort", {{"Final value", 32842}, {"Time constant", 32843}, {"Oscillations", 32844},
                     {"Interaction", 32845}, {"v rejection", 32846}, {"d rejection", 32847},
                     {"n rejection", 32848}, {"Control action amplitude", 32849},
                     {"Closed loop pole mobility", 32850},
                     {"According to slider settings", 32851}}},
      {129, "&Window", {{"&Cascade", 57650}, {"&Tile", 57651}, {"&Arrange Icons", 57649}}},
      {129, "&Help", {{"&Help Topics", 32827}, {"&About Quorvathine", 57664}}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.menu) + " " + row.popup);
    EXPECT_EQ(PopupItems(row.menu, row.popup), row.items);
  }
}

TEST_F(ResTables, MenuCommandsAreUniqueAndEachHasAStatusPrompt) {
  for (UINT menu : {128u, 129u}) {
    SCOPED_TRACE(menu);
    const std::vector<UINT> ids = Commands(menu);
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(std::set<UINT>(ids.begin(), ids.end()).size(), ids.size());
    for (UINT id : ids) {
      EXPECT_FALSE(id >= 0x8008 && id <= 0x800D) << id;  // the worker messages WM_APP + 8 ... 13
      EXPECT_FALSE(Field(id, 0).empty()) << id;
    }
  }
}

// ---- accelerators ---------------------------------------------------------------

class CCommandLog : public CWnd {
 public:
  std::vector<UINT> m_commands;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    m_commands.push_back(LOWORD(wParam));
    return CWnd::OnCommand(wParam, lParam);
  }
};

// The command a key press sends through the table; 0 when it sends none.
UINT Translated(CCommandLog& target, HACCEL table, int key, bool shift, bool ctrl, bool alt) {
  target.m_commands.clear();
  QxResetKeyStates();
  QxSetKeyDown(VK_SHIFT, shift);
  QxSetKeyDown(VK_CONTROL, ctrl);
  QxSetKeyDown(VK_MENU, alt);
  MSG msg{};
  msg.hwnd = target.GetSafeHwnd();
  msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  msg.wParam = static_cast<WPARAM>(key);
  const int translated = TranslateAccelerator(target.GetSafeHwnd(), table, &msg);
  QxResetKeyStates();
  if (!translated) return 0;
  return target.m_commands.size() == 1 ? target.m_commands[0] : 0xFFFFFFFFu;
}

TEST_F(ResTables, AcceleratorsSendTheirCommands) {
  HACCEL table = LoadAccelerators(nullptr, MAKEINTRESOURCE(128));
  ASSERT_NE(table, nullptr);
  CCommandLog target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "keys", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  struct Row {
    const char* name;
    int key;
    bool shift, ctrl, alt;
    UINT command;  // 0: not a shortcut
  };
  const Row rows[] = {
      {"Ctrl+N", 'N', false, true, false, 57600},
      {"Ctrl+O", 'O', false, true, false, 57601},
      {"Ctrl+S", 'S', false, true, false, 57603},
      {"Ctrl+P", 'P', false, true, false, 57607},
      {"Ctrl+Z", 'Z', false, true, false, 57643},
      {"Alt+Backspace", VK_BACK, false, false, true, 57643},
      {"Ctrl+X", 'X', false, true, false, 57635},
      {"Shift+Delete", VK_DELETE, true, false, false, 57635},
      {"Ctrl+C", 'C', false, true, false, 57634},
      {"Ctrl+Insert", VK_INSERT, false, true, false, 57634},
      {"Ctrl+V", 'V', false, true, false, 57637},
      {"Shift+Insert", VK_INSERT, true, false, false, 57637},
      {"F6", VK_F6, false, false, false, 57680},
      {"Shift+F6", VK_F6, true, false, false, 57681},
      {"plain S types a letter", 'S', false, false, false, 0},
      {"plain Delete stays with the control", VK_DELETE, false, false, false, 0},
      {"Ctrl+Shift+S is no shortcut", 'S', true, true, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Translated(target, table, row.key, row.shift, row.ctrl, row.alt), row.command);
  }
  target.DestroyWindow();
}

// ---- toolbar and its images ---------------------------------------------------------

// The toolbar is a member of its frame, as in the program, so it goes with it.
class CToolBarFrame : public CFrameWnd {
 public:
  CToolBar m_wndToolBar;
};

TEST_F(ResTables, ToolBarLoadsItsButtonsAndEveryButtonHasPromptAndTip) {
  auto* frame = new CToolBarFrame;
  ASSERT_TRUE(frame->Create(nullptr, "toolbar"));
  CToolBar& bar = frame->m_wndToolBar;
  ASSERT_TRUE(bar.Create(frame));
  ASSERT_TRUE(bar.LoadToolBar(128));
  const std::vector<UINT> expected = {57600, 57601, 57603, 0, 32820, 32824, 32837};
  ASSERT_EQ(bar.GetCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < bar.GetCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(bar.GetItemID(i), expected[i]);
    if (expected[i] == 0) continue;
    EXPECT_FALSE(Field(expected[i], 0).empty());
    EXPECT_FALSE(Field(expected[i], 1).empty());
  }
  frame->DestroyWindow();
}

TEST_F(ResTables, ToolBarBitmapHoldsSixDistinctPictures) {
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadBitmap(128));
  const QImage image = bitmap.ToImage();
  ASSERT_EQ(image.size(), QSize(96, 15));
  std::vector<QImage> cells;
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    QImage cell = image.copy(16 * i, 0, 16, 15);
    int drawn = 0;
    for (int y = 0; y < 15; ++y) {
      for (int x = 0; x < 16; ++x) drawn += (cell.pixel(x, y) & 0xFFFFFF) != 0xC0C0C0;
    }
    EXPECT_GE(drawn, 20);            // a picture, not a blank button
    EXPECT_LE(drawn, 16 * 15 - 20);  // with the (transparent) face around it
    for (const QImage& other : cells) EXPECT_NE(cell, other);
    cells.push_back(cell);
  }
}

// ---- the string table ------------------------------------------------------------------

TEST_F(ResTables, StringTableHoldsTheDesignsTexts) {
  struct Row {
    UINT id;
    const char* text;
  };
  const Row rows[] = {
      {57344, "Quorvathine"},
      {129, "\nQorex\nQorex\nQorex Files (*.qox)\n.qox\nQorex.Document\nQorex Document"},
      {59142, "                 ."},
      {103, "Show or hide OutputBar\nToggle OutputBar"},
      {111, "Show or hide CommentBar\nToggle CommentBar"},
      {32783, "Show or hide the Process Viewer.\nToggle ProcessView"},
      {32838, "Show or hide the Comments."},
      {32820, "Move closed loop poles left in s-plane (Press shift for global)\nClosed loop poles"},
      {32824, "Minimize interaction in frequency domain  (Press shift for global)\nInteraction"},
      {32837, "Improves bandwidth  (Press shift for global)\nBandwidth"},
      {32835,
       "Creates uniformly distributed models from the uncertainties in Variables Diaglog Bar"},
      {32841, "Plot closed loop poles of recorded population on s-plane "},
      {32849, "Sort recorded population according to maximum u amplude"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    ASSERT_NE(AfxLoadString(row.id), nullptr);
    EXPECT_STREQ(AfxLoadString(row.id), row.text);
  }
}

}  // namespace
