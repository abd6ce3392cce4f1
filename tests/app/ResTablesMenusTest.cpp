// The menus, accelerators, toolbar and string table, loaded by id through the
// platform layer and checked against each other: every command a user can
// pick has a prompt, reaches no worker message, and every toolbar button has
// its picture and tip. (The View items are followed to their bars in
// MainFrameTest.)
#include "platform/core/KeyState.h"
#include "platform/core/String.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Menu.h"
#include "res/Resources.h"
#include "res/resource.h"

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

// The commands of a loaded menu, in order.
std::vector<UINT> Commands(UINT menuId) {
  CMenu menu;
  std::vector<UINT> ids;
  if (!menu.LoadMenu(menuId)) return ids;
  for (const QxPopupItem& item : qxui::MenuItems(menu.GetSafeHmenu()))
    if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id != 0) ids.push_back(item.id);
  menu.DestroyMenu();
  return ids;
}

// Field 0 (the status prompt) or 1 (the tooltip) of a string.
std::string Field(UINT id, int field) {
  std::string all = AfxLoadString(id) ? AfxLoadString(id) : "";
  const size_t newline = all.find('\n');
  if (field == 1) all.erase(0, newline == std::string::npos ? all.size() : newline + 1);
  return all.substr(0, all.find('\n'));
}

// A menu command on a worker thread's message would run its handler instead.
bool IsWorkerMessage(UINT id) {
  return id >= WM_APP + 8 && id <= WM_APP + 13;
}

TEST_F(ResTables, MenuCommandsAreUniqueAndEachHasAStatusPrompt) {
  for (UINT menu : {IDR_MAINFRAME, IDR_QOREXTYPE}) {
    SCOPED_TRACE(menu);
    const std::vector<UINT> ids = Commands(menu);
    ASSERT_GE(ids.size(), 10u);
    EXPECT_EQ(std::set<UINT>(ids.begin(), ids.end()).size(), ids.size());
    for (UINT id : ids) {
      EXPECT_FALSE(IsWorkerMessage(id)) << id;
      EXPECT_FALSE(Field(id, 0).empty()) << id;
    }
  }
  // The document's file type, from which the open and save prompts take their filter.
  EXPECT_STREQ(AfxLoadString(IDR_QOREXTYPE),
               "\nQorex\nQorex\nQorex Files (*.qox)\n.qox\nQorex.Document\nQorex Document");
}

class CCommandLog : public CWnd {
 public:
  std::vector<UINT> m_commands;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    m_commands.push_back(LOWORD(wParam));
    return CWnd::OnCommand(wParam, lParam);
  }
};

enum : UINT { kShift = 1, kCtrl = 2, kAlt = 4 };

// The command a key press sends through the table; 0 when it sends none.
UINT Translated(CCommandLog& target, HACCEL table, int key, UINT modifiers) {
  target.m_commands.clear();
  QxResetKeyStates();
  QxSetKeyDown(VK_SHIFT, modifiers & kShift);
  QxSetKeyDown(VK_CONTROL, modifiers & kCtrl);
  QxSetKeyDown(VK_MENU, modifiers & kAlt);
  MSG msg{};
  msg.hwnd = target.GetSafeHwnd();
  msg.message = (modifiers & kAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
  msg.wParam = static_cast<WPARAM>(key);
  const int translated = TranslateAccelerator(target.GetSafeHwnd(), table, &msg);
  QxResetKeyStates();
  if (!translated) return 0;
  return target.m_commands.size() == 1 ? target.m_commands[0] : 0xFFFFFFFFu;
}

TEST_F(ResTables, AcceleratorsSendTheirCommandsOnlyWithTheirModifiers) {
  HACCEL table = LoadAccelerators(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
  ASSERT_NE(table, nullptr);
  CCommandLog target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "keys", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  const struct {
    const char* name;
    int key;
    UINT modifiers;
    UINT command;  // 0: not a shortcut
  } rows[] = {
      {"Ctrl+N", 'N', kCtrl, ID_FILE_NEW},
      {"Ctrl+S", 'S', kCtrl, ID_FILE_SAVE},
      {"Alt+Backspace", VK_BACK, kAlt, ID_EDIT_UNDO},
      {"Shift+Delete", VK_DELETE, kShift, ID_EDIT_CUT},
      {"Ctrl+Insert", VK_INSERT, kCtrl, ID_EDIT_COPY},
      {"Shift+Insert", VK_INSERT, kShift, ID_EDIT_PASTE},
      {"Shift+F6", VK_F6, kShift, ID_PREV_PANE},
      {"plain S types a letter", 'S', 0, 0},
      {"Ctrl+Shift+S is no shortcut", 'S', kShift | kCtrl, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Translated(target, table, row.key, row.modifiers), row.command) << row.name;
  target.DestroyWindow();
}

// The toolbar is a member of its frame, as in the program, so it goes with it.
class CToolBarFrame : public CFrameWnd {
 public:
  CToolBar m_wndToolBar;
};

// Button i shows picture i of the bitmap: as many distinct, drawn pictures
// as buttons, and each button has a prompt and a tip.
TEST_F(ResTables, ToolBarButtonsHaveTheirPicturesPromptsAndTips) {
  auto* frame = new CToolBarFrame;
  ASSERT_TRUE(frame->Create(nullptr, "toolbar"));
  CToolBar& bar = frame->m_wndToolBar;
  ASSERT_TRUE(bar.Create(frame));
  ASSERT_TRUE(bar.LoadToolBar(IDR_MAINFRAME));
  int buttons = 0;
  for (int i = 0; i < bar.GetCount(); ++i) {
    const UINT id = bar.GetItemID(i);
    if (id == ID_SEPARATOR) continue;
    ++buttons;
    EXPECT_FALSE(IsWorkerMessage(id)) << id;
    EXPECT_FALSE(Field(id, 0).empty()) << id;
    EXPECT_FALSE(Field(id, 1).empty()) << id;
  }
  frame->DestroyWindow();

  CBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadBitmap(IDR_MAINFRAME));
  const QImage image = bitmap.ToImage();
  ASSERT_EQ(image.size(), QSize(16 * buttons, 15));
  std::vector<QImage> cells;
  for (int i = 0; i < buttons; ++i) {
    const QImage cell = image.copy(16 * i, 0, 16, 15);
    int drawn = 0;
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 16; ++x) drawn += (cell.pixel(x, y) & 0xFFFFFF) != 0xC0C0C0;
    EXPECT_GE(drawn, 20) << "a picture, not a blank button: " << i;
    EXPECT_LE(drawn, 16 * 15 - 20) << "with the (transparent) face around it: " << i;
    for (const QImage& other : cells) EXPECT_NE(cell, other) << i;
    cells.push_back(cell);
  }
}

}  // namespace
