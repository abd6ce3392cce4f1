#include "platform/ui/Menu.h"

#include "platform/core/Debug.h"
#include "platform/ui/WndInternal.h"

#include <QAction>
#include <QMenu>

#include <map>
#include <memory>
#include <mutex>

IMPLEMENT_DYNCREATE(CMenu, CObject)

namespace {

struct MenuData;

struct MenuItem {
  UINT flags = 0;
  UINT id = 0;
  CString text;
  MenuData* popup = nullptr;  // owned by the menu
};

struct MenuData {
  std::vector<MenuItem> items;
  bool isPopup = false;
};

// Live menus; a handle is the address of its data.
std::map<MenuData*, std::unique_ptr<MenuData>>& Menus() {
  static auto* menus = new std::map<MenuData*, std::unique_ptr<MenuData>>;
  return *menus;
}
// Wrappers made by FromHandle for menus without an attached object.
std::map<MenuData*, std::unique_ptr<CMenu>>& Wrappers() {
  static auto* wrappers = new std::map<MenuData*, std::unique_ptr<CMenu>>;
  return *wrappers;
}
std::map<MenuData*, CMenu*>& Attached() {
  static auto* attached = new std::map<MenuData*, CMenu*>;
  return *attached;
}
std::map<UINT, std::vector<QxMenuItemDef>>& MenuResources() {
  static auto* resources = new std::map<UINT, std::vector<QxMenuItemDef>>;
  return *resources;
}

MenuData* DataOf(HMENU hMenu) {
  MenuData* data = reinterpret_cast<MenuData*>(hMenu);
  return Menus().count(data) ? data : nullptr;
}

HMENU HandleOf(MenuData* data) {
  return reinterpret_cast<HMENU>(data);
}

MenuData* NewMenu(bool popup) {
  auto data = std::make_unique<MenuData>();
  data->isPopup = popup;
  MenuData* raw = data.get();
  Menus()[raw] = std::move(data);
  return raw;
}

void FreeMenu(MenuData* data) {
  if (!data) return;
  for (MenuItem& item : data->items) FreeMenu(item.popup);
  auto wrapper = Wrappers().find(data);
  if (wrapper != Wrappers().end()) {
    std::unique_ptr<CMenu> object = std::move(wrapper->second);
    Wrappers().erase(wrapper);
    object->m_hMenu = nullptr;
  }
  Attached().erase(data);
  Menus().erase(data);
}

MenuData* Build(const std::vector<QxMenuItemDef>& defs, bool popup) {
  MenuData* data = NewMenu(popup);
  for (const QxMenuItemDef& def : defs) {
    MenuItem item;
    item.flags = def.flags;
    item.id = def.id;
    item.text = def.text;
    if (def.flags & MF_POPUP) item.popup = Build(def.items, true);
    data->items.push_back(std::move(item));
  }
  return data;
}

// The item by command (searching popups) or by position.
MenuItem* FindItem(MenuData* data, UINT nID, UINT nFlags, MenuData** owner = nullptr) {
  if (!data) return nullptr;
  if (nFlags & MF_BYPOSITION) {
    if (nID >= data->items.size()) return nullptr;
    if (owner) *owner = data;
    return &data->items[nID];
  }
  for (MenuItem& item : data->items) {
    if (!(item.flags & MF_POPUP) && !(item.flags & MF_SEPARATOR) && item.id == nID) {
      if (owner) *owner = data;
      return &item;
    }
    if (item.popup) {
      if (MenuItem* found = FindItem(item.popup, nID, nFlags, owner)) return found;
    }
  }
  return nullptr;
}

MenuItem MakeItem(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  MenuItem item;
  item.flags = nFlags & ~MF_BYPOSITION;
  if (nFlags & MF_POPUP) {
    item.popup = DataOf(reinterpret_cast<HMENU>(nIDNewItem));
  } else {
    item.id = static_cast<UINT>(nIDNewItem);
  }
  item.text = lpszNewItem;
  return item;
}

void Flatten(const MenuData* data, int depth, std::vector<QxPopupItem>& out) {
  for (const MenuItem& item : data->items) {
    out.push_back({item.text, item.id, item.flags, depth});
    if (item.popup) Flatten(item.popup, depth + 1, out);
  }
}

}  // namespace

void QxRegisterMenu(UINT id, std::vector<QxMenuItemDef> items) {
  MenuResources()[id] = std::move(items);
}

CMenu::~CMenu() {
  // A menu attached to a window outlives its wrapper only when detached first;
  // otherwise the object owns the menu, as in the framework.
  if (m_hMenu) DestroyMenu();
}

CMenu* QxMenuOfHandle(HMENU hMenu) {
  return CMenu::FromHandle(hMenu);
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
  MenuData* data = DataOf(hMenu);
  if (!data) return nullptr;
  auto attached = Attached().find(data);
  if (attached != Attached().end()) return attached->second;
  auto& wrapper = Wrappers()[data];
  if (!wrapper) {
    wrapper = std::make_unique<CMenu>();
    wrapper->m_hMenu = hMenu;
  }
  return wrapper.get();
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
  auto found = MenuResources().find(nIDResource);
  if (found == MenuResources().end() || m_hMenu) return FALSE;
  return Attach(HandleOf(Build(found->second, false)));
}

BOOL CMenu::CreateMenu() {
  return !m_hMenu && Attach(HandleOf(NewMenu(false)));
}

BOOL CMenu::CreatePopupMenu() {
  return !m_hMenu && Attach(HandleOf(NewMenu(true)));
}

BOOL CMenu::DestroyMenu() {
  MenuData* data = DataOf(m_hMenu);
  m_hMenu = nullptr;
  if (!data) return FALSE;
  Attached().erase(data);
  FreeMenu(data);
  return TRUE;
}

BOOL CMenu::Attach(HMENU hMenu) {
  MenuData* data = DataOf(hMenu);
  if (!data || m_hMenu) return FALSE;
  m_hMenu = hMenu;
  // A wrapper made earlier by FromHandle stays valid but stops being the answer.
  Attached()[data] = this;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU hMenu = m_hMenu;
  if (MenuData* data = DataOf(hMenu)) {
    auto found = Attached().find(data);
    if (found != Attached().end() && found->second == this) Attached().erase(found);
  }
  m_hMenu = nullptr;
  return hMenu;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  MenuData* data = DataOf(m_hMenu);
  if (!data) return FALSE;
  data->items.push_back(MakeItem(nFlags, nIDNewItem, lpszNewItem));
  return TRUE;
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  MenuData* data = DataOf(m_hMenu);
  if (!data) return FALSE;
  MenuData* owner = data;
  size_t index = data->items.size();
  if (nFlags & MF_BYPOSITION) {
    index = std::min<size_t>(nPosition, data->items.size());
  } else if (MenuItem* item = FindItem(data, nPosition, 0, &owner)) {
    index = static_cast<size_t>(item - owner->items.data());
  }
  owner->items.insert(owner->items.begin() + static_cast<std::ptrdiff_t>(index),
                      MakeItem(nFlags, nIDNewItem, lpszNewItem));
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  MenuItem* item = FindItem(DataOf(m_hMenu), nPosition, nFlags);
  if (!item) return FALSE;
  MenuData* keepPopup = item->popup;
  *item = MakeItem(nFlags, nIDNewItem, lpszNewItem);
  if (!(nFlags & MF_POPUP) && keepPopup) FreeMenu(keepPopup);
  return TRUE;
}

namespace {

// Takes the item out of its menu; Delete frees its popup too, Remove leaves it to the caller.
BOOL EraseItem(HMENU hMenu, UINT nPosition, UINT nFlags, bool freePopup) {
  MenuData* owner = nullptr;
  MenuItem* item = FindItem(DataOf(hMenu), nPosition, nFlags, &owner);
  if (!item) return FALSE;
  if (freePopup) FreeMenu(item->popup);
  owner->items.erase(owner->items.begin() + (item - owner->items.data()));
  return TRUE;
}

}  // namespace

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
  return EraseItem(m_hMenu, nPosition, nFlags, false);
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) {
  return EraseItem(m_hMenu, nPosition, nFlags, true);
}

UINT CMenu::GetMenuItemCount() const {
  MenuData* data = DataOf(m_hMenu);
  return data ? static_cast<UINT>(data->items.size()) : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuItemID(int nPos) const {
  MenuData* data = DataOf(m_hMenu);
  if (!data || nPos < 0 || static_cast<size_t>(nPos) >= data->items.size()) return 0;
  const MenuItem& item = data->items[nPos];
  if (item.popup) return static_cast<UINT>(-1);
  return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

CMenu* CMenu::GetSubMenu(int nPos) const {
  MenuData* data = DataOf(m_hMenu);
  if (!data || nPos < 0 || static_cast<size_t>(nPos) >= data->items.size()) return nullptr;
  return FromHandle(HandleOf(data->items[nPos].popup));
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  MenuItem* item = FindItem(DataOf(m_hMenu), nIDItem, nFlags);
  rString = item ? item->text : CString();
  return rString.GetLength();
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  MenuItem* item = FindItem(DataOf(m_hMenu), nIDCheckItem, nCheck);
  if (!item) return static_cast<UINT>(-1);
  UINT previous = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
  return previous;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
  MenuItem* item = FindItem(DataOf(m_hMenu), nIDEnableItem, nEnable);
  if (!item) return static_cast<UINT>(-1);
  UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
  item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
  return previous;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
  MenuItem* item = FindItem(DataOf(m_hMenu), nID, nFlags);
  if (!item) return static_cast<UINT>(-1);
  return item->flags & ~MF_POPUP;
}

// ---- popup menus --------------------------------------------------------------------

namespace {

std::mutex g_popupLock;
QxPopupMenuHook g_popupHook;

void FillQtMenu(QMenu& menu, const MenuData* data, UINT* chosen) {
  for (const MenuItem& item : data->items) {
    QString text = qxui::ToQt(item.text.GetString());
    if (item.flags & MF_SEPARATOR) {
      menu.addSeparator();
    } else if (item.popup) {
      FillQtMenu(*menu.addMenu(text), item.popup, chosen);
    } else {
      QAction* action = menu.addAction(text);
      action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
      action->setCheckable(item.flags & MF_CHECKED);
      action->setChecked(item.flags & MF_CHECKED);
      UINT id = item.id;
      QObject::connect(action, &QAction::triggered, [chosen, id] { *chosen = id; });
    }
  }
}

}  // namespace

QxPopupMenuHook QxSetPopupMenuHook(QxPopupMenuHook hook) {
  std::lock_guard<std::mutex> guard(g_popupLock);
  std::swap(g_popupHook, hook);
  return hook;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT) {
  MenuData* data = DataOf(m_hMenu);
  if (!data) return FALSE;
  HWND hOwner = pWnd ? pWnd->GetSafeHwnd() : nullptr;
  // The owner updates the items first, as the framework does when a popup opens.
  if (pWnd) pWnd->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_hMenu), 0);
  QxPopupMenuHook hook;
  {
    std::lock_guard<std::mutex> guard(g_popupLock);
    hook = g_popupHook;
  }
  UINT chosen = 0;
  if (hook) {
    chosen = hook(qxui::MenuItems(m_hMenu));
  } else {
    qxui::ModalEntry entry;
    QMenu menu;
    FillQtMenu(menu, data, &chosen);
    menu.exec(QPoint(x, y));
  }
  if (nFlags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && IsWindow(hOwner) && !(nFlags & TPM_NONOTIFY)) {
    ::PostMessage(hOwner, WM_COMMAND, chosen, 0);
  }
  return TRUE;
}

namespace qxui {

std::vector<QxPopupItem> MenuItems(HMENU hMenu) {
  std::vector<QxPopupItem> items;
  if (MenuData* data = DataOf(hMenu)) Flatten(data, 0, items);
  return items;
}

HMENU FindMenuItem(HMENU hMenu, UINT nID, int* position) {
  MenuData* owner = nullptr;
  MenuItem* item = FindItem(DataOf(hMenu), nID, 0, &owner);
  if (!item) return nullptr;
  if (position) *position = static_cast<int>(item - owner->items.data());
  return HandleOf(owner);
}

}  // namespace qxui

// ---- accelerators ----------------------------------------------------------------

namespace {

struct AccelTable {
  std::vector<ACCEL> entries;
};

std::map<UINT, std::unique_ptr<AccelTable>>& AccelTables() {
  static auto* tables = new std::map<UINT, std::unique_ptr<AccelTable>>;
  return *tables;
}

}  // namespace

void QxRegisterAccelerators(UINT id, std::vector<ACCEL> table) {
  auto& slot = AccelTables()[id];
  if (!slot) slot = std::make_unique<AccelTable>();
  slot->entries = std::move(table);
}

HACCEL LoadAccelerators(HINSTANCE, LPCSTR lpTableName) {
  if (!IS_INTRESOURCE(lpTableName)) return nullptr;
  UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpTableName));
  auto found = AccelTables().find(id);
  return found == AccelTables().end() ? nullptr : reinterpret_cast<HACCEL>(found->second.get());
}

UINT QxAcceleratorCommand(HACCEL hAccTable, const MSG* lpMsg) {
  if (!hAccTable || !lpMsg) return 0;
  if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN) return 0;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  bool alt = GetKeyState(VK_MENU) < 0;
  const auto* table = reinterpret_cast<const AccelTable*>(hAccTable);
  for (const ACCEL& accel : table->entries) {
    if (!(accel.fVirt & FVIRTKEY) || accel.key != lpMsg->wParam) continue;
    if (((accel.fVirt & FSHIFT) != 0) != shift || ((accel.fVirt & FCONTROL) != 0) != ctrl ||
        ((accel.fVirt & FALT) != 0) != alt) {
      continue;
    }
    return accel.cmd;
  }
  return 0;
}

int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
  const UINT cmd = QxAcceleratorCommand(hAccTable, lpMsg);
  if (cmd == 0) return 0;
  ::SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
  return 1;
}
