// Menus and accelerator tables: the item operations callers combine with
// MF_* flags, loading from the resource tables, and key matching.
#include "platform/testing/TestHooks.h"
#include "platform/ui/Menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT IDR_TEST_MENU = 3001;
constexpr UINT IDR_TEST_KEYS = 3002;

// File: New, separator, Exit; Edit: Undo, popup "More" with Copy.
void RegisterTestMenu() {
  std::vector<QxMenuItemDef> file = {
      {"&New", ID_FILE_NEW}, {nullptr, 0, MF_SEPARATOR}, {"E&xit", ID_APP_EXIT}};
  std::vector<QxMenuItemDef> edit = {{"&Undo", ID_EDIT_UNDO, MF_GRAYED},
                                     {"More", 0, MF_POPUP, {{"&Copy", ID_EDIT_COPY, MF_CHECKED}}}};
  QxRegisterMenu(IDR_TEST_MENU, {{"&File", 0, MF_POPUP, file}, {"&Edit", 0, MF_POPUP, edit}});
}

}  // namespace

TEST(UiMenu, LoadsTheResourceTreeAndStateChangesReturnThePreviousState) {
  RegisterTestMenu();
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
  EXPECT_FALSE(CMenu().LoadMenu(IDR_TEST_MENU + 100));
  CMenu* file = menu.GetSubMenu(0);
  ASSERT_NE(file, nullptr);
  std::vector<UINT> ids;
  for (UINT i = 0; i < file->GetMenuItemCount(); ++i) ids.push_back(file->GetMenuItemID(i));
  EXPECT_EQ(ids, (std::vector<UINT>{ID_FILE_NEW, 0, ID_APP_EXIT}));  // 0: the separator
  EXPECT_EQ(menu.GetMenuItemID(1), static_cast<UINT>(-1));           // a popup
  // Commands are found through the popups, two levels deep.
  CString text;
  menu.GetMenuString(ID_APP_EXIT, text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "E&xit");
  EXPECT_EQ(menu.GetMenuState(ID_FILE_SAVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(menu.EnableMenuItem(ID_EDIT_UNDO, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(menu.GetMenuState(ID_EDIT_UNDO, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(menu.CheckMenuItem(ID_EDIT_COPY, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(menu.CheckMenuItem(ID_EDIT_COPY, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(menu.EnableMenuItem(ID_FILE_SAVE, MF_GRAYED), static_cast<UINT>(-1));
  EXPECT_EQ(file->EnableMenuItem(2, MF_BYPOSITION | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(menu.GetMenuState(ID_APP_EXIT, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
}

TEST(UiMenu, HandlesStayValidUntilTheMenuIsDestroyed) {
  CMenu popup;
  ASSERT_TRUE(popup.CreatePopupMenu());
  popup.AppendMenu(MF_STRING, 7, "Seven");
  CMenu bar;
  ASSERT_TRUE(bar.CreateMenu());
  HMENU hPopup = popup.Detach();
  bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(hPopup), "Popup");
  CMenu* wrapper = CMenu::FromHandle(hPopup);
  ASSERT_NE(wrapper, nullptr);
  EXPECT_EQ(bar.GetSubMenu(0), wrapper);
  EXPECT_TRUE(bar.DestroyMenu());  // frees the popup with it
  EXPECT_EQ(CMenu::FromHandle(hPopup), nullptr);
  EXPECT_FALSE(bar.DestroyMenu());
}

namespace {

struct Key {
  int vk;
  bool shift, ctrl, alt;
  UINT message;
};

int Translate(HWND target, HACCEL table, const Key& key) {
  QxResetKeyStates();
  QxSetKeyDown(VK_SHIFT, key.shift);
  QxSetKeyDown(VK_CONTROL, key.ctrl);
  QxSetKeyDown(VK_MENU, key.alt);
  MSG msg;
  msg.hwnd = target;
  msg.message = key.message;
  msg.wParam = static_cast<WPARAM>(key.vk);
  int result = TranslateAccelerator(target, table, &msg);
  QxResetKeyStates();
  return result;
}

class CCommandLog : public CWnd {
 public:
  std::vector<std::string> m_log;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    m_log.push_back(std::to_string(LOWORD(wParam)) + "/" + std::to_string(HIWORD(wParam)));
    return CWnd::OnCommand(wParam, lParam);
  }
};

}  // namespace

TEST(UiAccelerators, ModifiersMustMatchExactly) {
  QxRegisterAccelerators(IDR_TEST_KEYS, {{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
                                         {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
                                         {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
                                         {FVIRTKEY, VK_F6, ID_NEXT_PANE},
                                         {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE}});
  HACCEL table = LoadAccelerators(nullptr, MAKEINTRESOURCE(IDR_TEST_KEYS));
  ASSERT_NE(table, nullptr);
  CCommandLog target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "keys", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  const struct {
    Key key;
    const char* sent;  // null: not translated
  } rows[] = {
      {{'N', false, true, false, WM_KEYDOWN}, "57600/1"},
      {{'N', true, true, false, WM_KEYDOWN}, nullptr},    // Ctrl+Shift+N is another key
      {{'N', false, false, false, WM_KEYDOWN}, nullptr},  // plain N types a letter
      {{'N', false, true, false, WM_KEYUP}, nullptr},     // only key presses
      {{VK_BACK, false, false, true, WM_SYSKEYDOWN}, "57643/1"},
      {{VK_DELETE, true, false, false, WM_KEYDOWN}, "57635/1"},
      {{VK_F6, false, false, false, WM_KEYDOWN}, "57680/1"},
      {{VK_F6, true, false, false, WM_KEYDOWN}, "57681/1"},
  };
  for (const auto& row : rows) {
    target.m_log.clear();
    EXPECT_EQ(Translate(target.GetSafeHwnd(), table, row.key), row.sent ? 1 : 0) << row.key.vk;
    EXPECT_EQ(target.m_log,
              row.sent ? std::vector<std::string>{row.sent} : std::vector<std::string>{});
  }
  target.DestroyWindow();
}
