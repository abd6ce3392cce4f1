#pragma once
// Menus and accelerator tables.
//
// A menu is a tree of items (text, command id, MF_* state, an optional popup)
// behind an HMENU. Menu resources are registered by id (src/res) and loaded
// with LoadMenu; the frame shows its menu in a Qt menu bar and runs the update
// handlers of a popup (WM_INITMENUPOPUP) each time it opens. A popup menu
// (TrackPopupMenu) runs as a Qt menu, or through the test hook when one is set.
#include "platform/core/String.h"
#include "platform/ui/Wnd.h"

#include <functional>
#include <vector>

// One item of a menu resource; a popup carries its items.
struct QxMenuItemDef {
  QxMenuItemDef(const char* itemText, UINT itemId, UINT itemFlags = MF_STRING,
                std::vector<QxMenuItemDef> popupItems = {})
      : text(itemText), id(itemId), flags(itemFlags), items(std::move(popupItems)) {}

  const char* text = nullptr;  // null or "" with MF_SEPARATOR: a separator
  UINT id = 0;
  UINT flags = MF_STRING;
  std::vector<QxMenuItemDef> items;  // the popup's items (flags has MF_POPUP)
};
void QxRegisterMenu(UINT id, std::vector<QxMenuItemDef> items);

class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)

 public:
  CMenu() = default;
  ~CMenu() override;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const { return m_hMenu; }
  // The object of a handle: the one attached to it, or a wrapper that lives
  // as long as the menu. Null for a null or destroyed handle.
  static CMenu* FromHandle(HMENU hMenu);

  BOOL LoadMenu(UINT nIDResource);
  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // Destroys the menu and its popups.
  BOOL DestroyMenu();
  BOOL Attach(HMENU hMenu);
  HMENU Detach();

  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0,
                  LPCTSTR lpszNewItem = nullptr);
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0,
                  LPCTSTR lpszNewItem = nullptr);
  BOOL RemoveMenu(UINT nPosition, UINT nFlags);
  BOOL DeleteMenu(UINT nPosition, UINT nFlags);
  UINT GetMenuItemCount() const;
  // The command id at a position: 0 for a separator, -1 for a popup.
  UINT GetMenuItemID(int nPos) const;
  CMenu* GetSubMenu(int nPos) const;
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  // Returns the previous state (MF_CHECKED or MF_UNCHECKED), -1 when no such item.
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
  // Returns the previous state (MF_ENABLED, MF_GRAYED...), -1 when no such item.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
  UINT GetMenuState(UINT nID, UINT nFlags) const;

  // Shows the popup at the screen point. The chosen command is sent to pWnd
  // as WM_COMMAND and TRUE returned; with TPM_RETURNCMD it is returned instead
  // (0 when nothing was chosen) and nothing is sent.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
};

// The test hook for popup menus: receives the items as built (text, id,
// flags; popups flattened with their items after them) and returns the
// chosen command id, or 0 for none. An empty hook restores the Qt menu.
struct QxPopupItem {
  CString text;
  UINT id = 0;
  UINT flags = 0;
  int depth = 0;
};
using QxPopupMenuHook = std::function<UINT(const std::vector<QxPopupItem>& items)>;
QxPopupMenuHook QxSetPopupMenuHook(QxPopupMenuHook hook);

// ---- accelerators ----------------------------------------------------------
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;
struct ACCEL {
  BYTE fVirt = FVIRTKEY;
  WORD key = 0;
  WORD cmd = 0;
};
void QxRegisterAccelerators(UINT id, std::vector<ACCEL> table);
HACCEL LoadAccelerators(HINSTANCE hInstance, LPCSTR lpTableName);
// For WM_KEYDOWN and WM_SYSKEYDOWN with a key of the table (modifiers as
// GetKeyState reports them): sends WM_COMMAND (high word 1) to hWnd and
// returns TRUE.
int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg);
// The command the table binds to the key of such a message; 0 for none.
UINT QxAcceleratorCommand(HACCEL hAccTable, const MSG* lpMsg);

namespace qxui {
// The items of a menu as the hook sees them (for tests and the frame's menu bar).
std::vector<QxPopupItem> MenuItems(HMENU hMenu);
// The menu (or popup) that holds the command, and the item's position; null when none.
HMENU FindMenuItem(HMENU hMenu, UINT nID, int* position);
}  // namespace qxui
