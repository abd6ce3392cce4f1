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

std::vector<UINT> CommandsOf(UINT menuId) {
  std::vector<UINT> ids;
  for (const QxPopupItem& item : LoadedItems(menuId)) {
    if (IsCommand(item)) ids.push_back(item.id);
  }
  return ids;
}

// The commands of one popup of a loaded menu, in order.
std::vector<UINT> PopupCommands(UINT menuId, const char* popupText) {
  std::vector<UINT> ids;
  const std::vector<QxPopupItem> items = LoadedItems(menuId);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].text != popupText || !(items[i].flags & MF_POPUP)) continue;
    for (size_t j = i + 1; j < items.size() && items[j].depth > items[i].depth; ++j) {
      if (items[j].depth == items[i].depth + 1 && IsCommand(items[j])) ids.push_back(items[j].id);
    }
    break;
  }
  return ids;
}

std::string Field(UINT id, int field) {
  const char* text = AfxLoadString(id);
  if (!text) return "<none>";
  std::string all = text;
  for (int i = 0; i < field; ++i) {
    size_t lineBreak = all.find('\n');
    if (lineBreak == std::string::npos) return "";
    all.erase(0, lineBreak + 1);
  }
  return all.substr(0, all.find('\n'));
}

TEST_F(ResTables, MenusLoadWithTheirTopLevelPopups) {
  struct Row {
    UINT menu;
    std::vector<std::string> popups;
  };
  const Row rows[] = {
      {128, {"&File", "&View", "&Help"}},
      {129, {"&File", "&Edit", "&View", "&Tools", "&Window", "&Help"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.menu);
    std::vector<std::string> popups;
    for (const QxPopupItem& item : LoadedItems(row.menu)) {
      if (item.depth == 0) popups.push_back(item.text.GetString());
    }
    EXPECT_EQ(popups, row.popups);
  }
}

TEST_F(ResTables, QuotedMenuTextsAppearVerbatimWithTheirCommands) {
  struct Row {
    UINT menu;
    const char* text;
    UINT id;
  };
  const Row rows[] = {
      {128, "&New\tCtrl+N", 57600},
      {128, "&Open...\tCtrl+O", 57601},
      {128, "Recent File", 57616},
      {128, "E&xit", 57665},
      {128, "&Toolbar", 59392},
      {128, "&Status Bar", 59393},
      {128, "&ProcessView", 32783},
      {128, "S&imulationView", 32784},
      {128, "Performance &Equalizer", 32785},
      {128, "&Variables", 32786},
      {128, "&Comments", 32838},
      {128, "&Help Topics", 32827},
      {128, "&About Quorvathine", 57664},
      {129, "&Toolbar", 59392},
      {129, "St&atus Bar", 59393},
      {129, "&ProcessView", 32783},
      {129, "S&imulationView", 32784},
      {129, "Performance Eq&ualizer", 32785},
      {129, "&Variables", 32786},
      {129, "&Comments", 32838},
      {129, "&Effective Models", 32804},
      {129, "Genetic Root &Locus", 32841},
      {129, "Edit &Models", 32771},
      {129, "Edit &Signals", 32772},
      {129, "Kill all", 32852},
      {129, "Kill worst", 32853},
      {129, "&Help Topics", 32827},
      {129, "&About Quorvathine", 57664},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.menu) + " " + row.text);
    int found = 0;
    for (const QxPopupItem& item : LoadedItems(row.menu)) {
      if (item.text == row.text) {
        ++found;
        EXPECT_EQ(item.id, row.id);
      }
    }
    EXPECT_EQ(found, 1);
  }
}

TEST_F(ResTables, ToolsPopupsHoldTheGeneticOperatorsAndSortsInOrder) {
  EXPECT_EQ(PopupCommands(129, "Create genetic models"),
            (std::vector<UINT>{32833, 32834, 32835, 32836}));
  EXPECT_EQ(PopupCommands(129, "Sort"), (std::vector<UINT>{32842, 32843, 32844, 32845, 32846, 32847,
                                                           32848, 32849, 32850, 32851}));
  struct Row {
    const char* text;
    UINT id;
  };
  const Row sorts[] = {{"Final value", 32842},
                       {"Time constant", 32843},
                       {"Oscillations", 32844},
                       {"Interaction", 32845},
                       {"v rejection", 32846},
                       {"d rejection", 32847},
                       {"n rejection", 32848},
                       {"Control action amplitude", 32849},
                       {"Closed loop pole mobility", 32850},
                       {"According to slider settings", 32851},
                       {"Offspring", 32833},
                       {"G robustness", 32834},
                       {"K robustness", 32835},
                       {"H robustness", 32836}};
  const std::vector<QxPopupItem> items = LoadedItems(129);
  for (const Row& row : sorts) {
    SCOPED_TRACE(row.text);
    bool found = false;
    for (const QxPopupItem& item : items)
      found = found || (item.text == row.text && item.id == row.id);
    EXPECT_TRUE(found);
  }
}

TEST_F(ResTables, DocumentMenuHasTheStandardFileAndWindowCommands) {
  EXPECT_EQ(PopupCommands(129, "&File"),
            (std::vector<UINT>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE,
                               ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW,
                               ID_FILE_PRINT_SETUP, ID_FILE_MRU_FILE1, ID_APP_EXIT}));
  EXPECT_EQ(PopupCommands(129, "&Window"),
            (std::vector<UINT>{ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE}));
  EXPECT_EQ(PopupCommands(129, "&Help"), PopupCommands(128, "&Help"));
}

TEST_F(ResTables, MenuCommandsAreUniqueAndClearOfTheWorkerMessages) {
  for (UINT menu : {128u, 129u}) {
    SCOPED_TRACE(menu);
    const std::vector<UINT> ids = CommandsOf(menu);
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(std::set<UINT>(ids.begin(), ids.end()).size(), ids.size());
    for (UINT id : ids) {
      EXPECT_FALSE(id >= 0x8008 && id <= 0x800D) << id;  // WM_APP + 8 ... 13
    }
  }
}

TEST_F(ResTables, EveryMenuCommandHasAStatusPrompt) {
  for (UINT menu : {128u, 129u}) {
    for (UINT id : CommandsOf(menu)) {
      SCOPED_TRACE(id);
      EXPECT_NE(AfxLoadString(id), nullptr);
      EXPECT_FALSE(Field(id, 0).empty());
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

UINT Translated(CWnd& target, HACCEL table, int key, bool shift, bool ctrl, bool alt) {
  auto* log = static_cast<CCommandLog*>(&target);
  log->m_commands.clear();
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
  return log->m_commands.size() == 1 ? log->m_commands[0] : 0xFFFFFFFFu;
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

TEST_F(ResTables, ToolBarLoadsItsButtonsAndEveryButtonHasPromptAndTip) {
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, "toolbar"));
  {
    CToolBar bar;
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
}

TEST_F(ResTables, ToolBarSearchPromptsAreTheDesignsTexts) {
  EXPECT_EQ(Field(32820, 0), "Move closed loop poles left in s-plane (Press shift for global)");
  EXPECT_EQ(Field(32820, 1), "Closed loop poles");
  EXPECT_EQ(Field(32824, 0), "Minimize interaction in frequency domain  (Press shift for global)");
  EXPECT_EQ(Field(32824, 1), "Interaction");
  EXPECT_EQ(Field(32837, 0), "Improves bandwidth  (Press shift for global)");
  EXPECT_EQ(Field(32837, 1), "Bandwidth");
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
    EXPECT_LE(drawn, 16 * 15 - 20);  // with the face showing around it
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
      {59143, "                 ."},
      {103, "Show or hide OutputBar\nToggle OutputBar"},
      {105, "Show or hide LeftBar\nToggle LeftBar"},
      {107, "Show or hide Varbar\nToggle Varbar"},
      {109, "Show or hide EqualizerBar\nToggle EqualizerBar"},
      {111, "Show or hide CommentBar\nToggle CommentBar"},
      {32783, "Show or hide the Process Viewer.\nToggle ProcessView"},
      {32784, "Show or hide the Simulation Viewer.\nToggle SimulationView"},
      {32785, "Show or hide the Performance Equalizer.\nToggle Performance Equalizer"},
      {32786, "Show or hide the Variables.\nToggle Variables"},
      {32838, "Show or hide the Comments."},
      {32771, "Edit mathematical models for control system\nEdit models"},
      {32772, "Edit input signals to the control system\nEdit signals"},
      {32804, "View the effective mathematical models based on current configuration\nView models"},
      {32833,
       "Creates offspring using extended volume recombination with Gaussian mutation from parent "
       "pairs"},
      {32834,
       "Creates uniformly distributed models from the uncertainties in Variables Diaglog Bar"},
      {32836,
       "Creates uniformly distributed models from the uncertainties in Variables Diaglog Bar"},
      {32841, "Plot closed loop poles of recorded population on s-plane "},
      {32843, "Sort recorded population according maximum time constant "},
      {32849, "Sort recorded population according to maximum u amplude"},
      {32853, "Delete worst elements from population (according to slider settings)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    const char* text = AfxLoadString(row.id);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, row.text);
  }
}

TEST_F(ResTables, RegisteringAgainChangesNothing) {
  const std::vector<QxPopupItem> before = LoadedItems(129);
  const std::string prompt = AfxLoadString(32820);
  QxRegisterResources();
  const std::vector<QxPopupItem> after = LoadedItems(129);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].text, before[i].text);
    EXPECT_EQ(after[i].id, before[i].id);
  }
  EXPECT_EQ(AfxLoadString(32820), prompt);
}

}  // namespace
