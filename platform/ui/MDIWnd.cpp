// The multiple-document frame and its document windows: a QMdiArea as the
// frame's client, a QMdiSubWindow around each child frame, the Window menu
// with its list of windows, and the arrangement commands.
#include "platform/ui/FrameWnd.h"

#include "platform/gdi/Screen.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/ModalEntry.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>
#include <vector>

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_WM_INITMENUPOPUP()
ON_COMMAND_EX(ID_WINDOW_CASCADE, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_ARRANGE, OnMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
ON_COMMAND_RANGE(AFX_IDM_FIRST_MDICHILD, AFX_IDM_FIRST_MDICHILD + 8, OnActivateListedWindow)
ON_COMMAND(QX_IDM_MORE_WINDOWS, OnMoreWindows)
END_MESSAGE_MAP()

namespace {

// Asks the sub-window's frame instead of closing the sub-window.
class SubWindowCloseFilter : public QObject {
 public:
  SubWindowCloseFilter(HWND hChild, QObject* parent) : QObject(parent), m_hChild(hChild) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Close) return false;
    event->ignore();
    if (IsWindow(m_hChild)) ::PostMessage(m_hChild, WM_CLOSE, 0, 0);
    return true;
  }

 private:
  HWND m_hChild;
};

// The toolkit's document area watches every key of the application for its
// own Ctrl+Tab (a highlight that activates a window only as Ctrl is let go),
// and only inside itself. Ctrl+Tab is the frame's (TranslateAreaKey): the key
// goes straight to the window it was typed into, before the area can see it.
// Installed after the area, so it runs first.
class AreaCtrlTabFilter : public QObject {
 public:
  explicit AreaCtrlTabFilter(QMdiArea* area) : QObject(area), m_area(area) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & Qt::ControlModifier) ||
        (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) || !watched->isWidgetType() ||
        !m_area->isAncestorOf(static_cast<QWidget*>(watched))) {
      return false;
    }
    watched->event(event);
    return true;
  }

 private:
  QMdiArea* m_area;
};

}  // namespace

// ---- CMDIFrameWnd ------------------------------------------------------------------------

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext*) {
  QMainWindow* window = QxMainWindow();
  if (!window) return FALSE;
  auto* area = new QMdiArea(window);
  new AreaCtrlTabFilter(area);
  area->setViewMode(QMdiArea::SubWindowView);
  window->setCentralWidget(area);  // replaces (and deletes) the plain client area
  m_pClient = nullptr;
  HWND hSelf = m_hWnd;
  QObject::connect(area, &QMdiArea::subWindowActivated, area, [hSelf](QMdiSubWindow* sub) {
    auto* frame = static_cast<CMDIFrameWnd*>(CWnd::FromHandle(hSelf));
    if (!frame || !sub || frame->m_bQxChildLeaving) return;
    for (CMDIChildWnd* child : frame->m_children) {
      if (child->m_pSubWindow == sub) frame->QxChildActivated(child);
    }
  });
  return TRUE;
}

QMdiArea* CMDIFrameWnd::QxMdiArea() const {
  QMainWindow* window = QxMainWindow();
  return window ? qobject_cast<QMdiArea*>(window->centralWidget()) : nullptr;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const {
  if (pbMaximized) {
    *pbMaximized = m_pActiveChild && m_pActiveChild->m_pSubWindow &&
                   m_pActiveChild->m_pSubWindow->isMaximized();
  }
  return m_pActiveChild;
}

void CMDIFrameWnd::MDIActivate(CWnd* pWndActivate) {
  auto* child = dynamic_cast<CMDIChildWnd*>(pWndActivate);
  if (!child) return;
  if (QMdiArea* area = QxMdiArea()) {
    if (child->m_pSubWindow) area->setActiveSubWindow(child->m_pSubWindow);
  }
  QxChildActivated(child);
}

void CMDIFrameWnd::MDINext() {
  if (m_children.size() < 2 || !m_pActiveChild) return;
  auto it = std::find(m_children.begin(), m_children.end(), m_pActiveChild);
  ++it;
  MDIActivate(it == m_children.end() ? m_children.front() : *it);
}

void CMDIFrameWnd::MDIPrev() {
  if (m_children.size() < 2 || !m_pActiveChild) return;
  auto it = std::find(m_children.begin(), m_children.end(), m_pActiveChild);
  MDIActivate(it == m_children.begin() ? m_children.back() : *std::prev(it));
}

void CMDIFrameWnd::OnWindowNext() {
  MDINext();
}

namespace qxui {

// A document window shows more than its caption: its caption, a menu line's
// height and its frame at least.
int MinimumRestoredHeight() {
  return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) +
         2 * GetSystemMetrics(SM_CYFRAME);
}

// Where the framework puts a document window that has no place of its own, the
// k-th of the area's windows: staggered by a caption and a frame, and as large
// as the area less the room the staggering takes (the cascade size).
QRect DefaultChildRect(QMdiArea* area, int k) {
  const QRect client = area->viewport()->rect();
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  const int stagger = std::max(1, client.height() / (3 * step));
  const int offset = (std::max(0, k) % (stagger + 1)) * step;
  const int width = std::max(client.width() - stagger * step, GetSystemMetrics(SM_CXMINTRACK));
  const int height = std::max(client.height() - stagger * step, MinimumRestoredHeight());
  return QRect(offset, offset, width, height);
}

}  // namespace qxui

// Each window restored and given its cascade place and size, so no window is
// left smaller than a document window may be; the active one stays on top.
void CMDIFrameWnd::MDICascade() {
  QMdiArea* area = QxMdiArea();
  if (!area) return;
  QMdiSubWindow* active = area->activeSubWindow();
  int k = 0;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isVisible() || sub->isMinimized()) continue;
    if (sub->isMaximized()) sub->showNormal();
    sub->setGeometry(qxui::DefaultChildRect(area, k++));
    sub->raise();
  }
  if (active) active->raise();
}

void CMDIFrameWnd::MDITile() {
  if (QMdiArea* area = QxMdiArea()) area->tileSubWindows();
}

namespace {

// The document windows that take part in an arrangement: shown, not minimised.
std::vector<QMdiSubWindow*> ArrangeableWindows(QMdiArea* area) {
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    if (sub->isVisible() && !sub->isMinimized()) windows.push_back(sub);
  }
  return windows;
}

}  // namespace

void CMDIFrameWnd::MDITile(int nType) {
  QMdiArea* area = QxMdiArea();
  if (!area) return;
  std::vector<QMdiSubWindow*> windows = ArrangeableWindows(area);
  if (windows.empty()) return;
  QRect client = area->viewport()->rect();
  int count = static_cast<int>(windows.size());
  bool stacked = (nType & MDITILE_HORIZONTAL) != 0;
  int length = stacked ? client.height() : client.width();
  for (int i = 0; i < count; ++i) {
    // Whole pixels: the last window takes what the division leaves.
    int from = length * i / count;
    int to = length * (i + 1) / count;
    QMdiSubWindow* sub = windows[static_cast<size_t>(i)];
    if (sub->isMaximized()) sub->showNormal();
    if (stacked) {
      sub->setGeometry(0, from, client.width(), to - from);
    } else {
      sub->setGeometry(from, 0, to - from, client.height());
    }
  }
}

void CMDIFrameWnd::MDIIconArrange() {
  QMdiArea* area = QxMdiArea();
  if (!area) return;
  QRect client = area->viewport()->rect();
  int x = 0;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isVisible() || !sub->isMinimized()) continue;
    sub->move(x, client.height() - sub->height());
    x += sub->width();
  }
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID) {
  QMdiArea* area = QxMdiArea();
  if (!area) return FALSE;
  switch (nID) {
    case ID_WINDOW_CASCADE:
      for (QMdiSubWindow* sub : ArrangeableWindows(area)) {
        if (sub->isMaximized()) sub->showNormal();
      }
      MDICascade();
      return TRUE;
    case ID_WINDOW_TILE_HORZ:
      MDITile(MDITILE_HORIZONTAL);
      return TRUE;
    case ID_WINDOW_TILE_VERT:
      MDITile(MDITILE_VERTICAL);
      return TRUE;
    case ID_WINDOW_ARRANGE:
      MDIIconArrange();
      return TRUE;
    default:
      return FALSE;
  }
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) {
  pCmdUI->Enable(MDIGetActive() != nullptr);
}

// ---- the Window menu ----------------------------------------------------------------------

namespace {

// Only the first nine document windows are listed, as "&1" to "&9".
constexpr UINT kListedWindows = 9;

bool IsListedWindowId(UINT id) {
  return id >= AFX_IDM_FIRST_MDICHILD && id <= QX_IDM_MORE_WINDOWS;
}

CString WithoutMnemonics(const CString& text) {
  CString plain;
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] != '&') plain += text[i];
  }
  return plain;
}

// Takes away the list (and the separator before it) of the previous opening.
void RemoveWindowList(CMenu* menu) {
  bool removed = false;
  for (int index = static_cast<int>(menu->GetMenuItemCount()) - 1; index >= 0; --index) {
    if (IsListedWindowId(menu->GetMenuItemID(index))) {
      menu->RemoveMenu(static_cast<UINT>(index), MF_BYPOSITION);
      removed = true;
    }
  }
  UINT count = menu->GetMenuItemCount();
  if (removed && count > 0 && (menu->GetMenuState(count - 1, MF_BYPOSITION) & MF_SEPARATOR)) {
    menu->RemoveMenu(count - 1, MF_BYPOSITION);
  }
}

}  // namespace

bool CMDIFrameWnd::IsWindowPopup(HMENU hPopup) const {
  CMenu* bar = CMenu::FromHandle(m_hMenuShown);
  if (!bar || !hPopup) return false;
  for (UINT index = 0; index < bar->GetMenuItemCount(); ++index) {
    CMenu* sub = bar->GetSubMenu(static_cast<int>(index));
    if (!sub || sub->GetSafeHmenu() != hPopup) continue;
    CString title;
    bar->GetMenuString(index, title, MF_BYPOSITION);
    return WithoutMnemonics(title) == "Window";
  }
  return false;
}

void CMDIFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu) {
  CMenu* menu = pPopupMenu;
  bool windowPopup = !bSysMenu && menu && IsWindowPopup(menu->GetSafeHmenu());
  if (windowPopup) RemoveWindowList(menu);
  CFrameWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
  if (!windowPopup || !IsWindow(m_hWnd)) return;
  std::vector<CMDIChildWnd*> children = LiveChildren();
  if (!children.empty() && menu->GetMenuItemCount() > 0) menu->AppendMenu(MF_SEPARATOR);
  for (UINT number = 0; number < children.size() && number < kListedWindows; ++number) {
    CString title;
    children[number]->GetWindowText(title);
    CString text;
    text.Format("&%u %s", number + 1, title.GetString());
    UINT flags = MF_STRING | (children[number] == m_pActiveChild ? MF_CHECKED : MF_UNCHECKED);
    menu->AppendMenu(flags, AFX_IDM_FIRST_MDICHILD + number, text);
  }
  if (children.size() > kListedWindows)
    menu->AppendMenu(MF_STRING, QX_IDM_MORE_WINDOWS, "&More Windows...");
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::LiveChildren() const {
  std::vector<CMDIChildWnd*> live;
  for (CMDIChildWnd* child : m_children) {
    if (IsWindow(child->GetSafeHwnd())) live.push_back(child);
  }
  return live;
}

void CMDIFrameWnd::ActivateListed(CMDIChildWnd* pChild) {
  if (pChild->m_pSubWindow && pChild->m_pSubWindow->isMinimized())
    pChild->m_pSubWindow->showNormal();
  MDIActivate(pChild);
}

void CMDIFrameWnd::OnActivateListedWindow(UINT nID) {
  size_t index = nID - AFX_IDM_FIRST_MDICHILD;
  std::vector<CMDIChildWnd*> listed = LiveChildren();
  if (index < listed.size()) ActivateListed(listed[index]);
}

namespace {

void RegisterSelectWindowTemplate() {
  QxDialogTemplate dialog;
  dialog.caption = "Select Window";
  dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  dialog.rect = CRect(0, 0, 186, 95);
  dialog.items = {
      QxMakeDialogItem(WC_LISTBOX, QX_IDC_WINDOW_LIST, "",
                       WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER,
                       CRect(7, 7, 125, 88)),
      QxMakeDialogItem(WC_BUTTON, IDOK, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON | WS_GROUP,
                       CRect(132, 7, 179, 21)),
      QxMakeDialogItem(WC_BUTTON, IDCANCEL, "Cancel", WS_TABSTOP | BS_PUSHBUTTON,
                       CRect(132, 25, 179, 39)),
  };
  QxRegisterDialogTemplate(QX_IDD_SELECT_WINDOW, std::move(dialog));
}

// The "Select Window" dialog: every document window's title, the active one
// selected; OK or a double click chooses.
class CSelectWindowDialog : public CDialog {
 public:
  CSelectWindowDialog(std::vector<CString> titles, int selected, CWnd* pParent)
      : CDialog(QX_IDD_SELECT_WINDOW, pParent), m_titles(std::move(titles)), m_nChosen(selected) {}
  int Chosen() const { return m_nChosen; }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (CListBox* list = List()) {
      for (const CString& title : m_titles) list->AddString(title);
      list->SetCurSel(m_nChosen);
    }
    return TRUE;
  }
  void OnOK() override {
    CListBox* list = List();
    m_nChosen = list ? list->GetCurSel() : -1;
    EndDialog(IDOK);
  }
  void OnChoose() { OnOK(); }
  CListBox* List() { return dynamic_cast<CListBox*>(GetDlgItem(QX_IDC_WINDOW_LIST)); }

  std::vector<CString> m_titles;
  int m_nChosen;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelectWindowDialog, CDialog)
ON_LBN_DBLCLK(QX_IDC_WINDOW_LIST, OnChoose)
END_MESSAGE_MAP()

}  // namespace

void CMDIFrameWnd::OnMoreWindows() {
  static const bool registered = (RegisterSelectWindowTemplate(), true);
  (void)registered;
  std::vector<HWND> windows;
  std::vector<CString> titles;
  int active = -1;
  for (CMDIChildWnd* child : LiveChildren()) {
    if (child == m_pActiveChild) active = static_cast<int>(titles.size());
    windows.push_back(child->GetSafeHwnd());
    titles.emplace_back();
    child->GetWindowText(titles.back());
  }
  HWND hSelf = m_hWnd;
  CSelectWindowDialog dialog(std::move(titles), active, this);
  if (dialog.DoModal() != IDOK || !IsWindow(hSelf)) return;
  // The chosen window may have closed while the dialog was open.
  int chosen = dialog.Chosen();
  if (chosen < 0 || static_cast<size_t>(chosen) >= windows.size()) return;
  HWND hChosen = windows[static_cast<size_t>(chosen)];
  for (CMDIChildWnd* child : LiveChildren()) {
    if (child->GetSafeHwnd() != hChosen) continue;
    ActivateListed(child);
    return;
  }
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  return m_pActiveChild ? static_cast<CFrameWnd*>(m_pActiveChild) : this;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (m_pActiveChild && IsWindow(m_pActiveChild->GetSafeHwnd()) &&
      m_pActiveChild->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) {
    return TRUE;
  }
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) {
    if (m_pActiveChild && m_pActiveChild->m_hAccelShared &&
        m_pActiveChild->m_hAccelShared != m_hAccelTable) {
      if (QxTranslateAccelerator(m_pActiveChild->m_hAccelShared, pMsg)) return TRUE;
    }
  }
  if (CFrameWnd::PreTranslateMessage(pMsg)) return TRUE;
  return TranslateAreaKey(pMsg);
}

bool CMDIFrameWnd::TranslateAreaKey(const MSG* pMsg) {
  if (pMsg->message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
    return false;
  const WPARAM key = pMsg->wParam;
  if (key != VK_F4 && key != VK_F6 && key != VK_TAB) return false;
  // A floating bar keeps its own keys, and so does a window that takes every
  // key (the formula editor).
  CWnd* target = CWnd::FromHandle(pMsg->hwnd);
  QWidget* widget = target ? target->GetWidget() : nullptr;
  if (!widget || !GetWidget() || widget->window() != GetWidget()->window()) return false;
  if (target->SendMessage(WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(pMsg)) & DLGC_WANTALLKEYS)
    return false;
  // Behind a modal dialog the keys do nothing to the designs.
  if (qxui::ModalDepth() > 0 || !IsWindowEnabled() || !m_pActiveChild) return true;
  if (key == VK_F4) {
    ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 1), 0);
  } else if (GetKeyState(VK_SHIFT) < 0) {
    MDIPrev();
  } else {
    MDINext();
  }
  return true;
}

void CMDIFrameWnd::OnUpdateFrameMenu(HMENU hMenuAlt) {
  HMENU menu = hMenuAlt;
  if (!menu)
    menu = m_pActiveChild && m_pActiveChild->m_hMenuShared ? m_pActiveChild->m_hMenuShared
                                                           : m_hMenuDefault;
  if (menu != m_hMenuShown) SetFrameMenu(menu);
}

// The caption is the application's title and the active document's: plain,
// or, while its window is maximised and so has no caption of its own, that
// window's title in brackets. Qt's MDI area writes the same "%1 - [%2]" into
// a maximised window's main window unless it finds it there already, so the
// caption composed here is the only one and the area adds nothing.
void CMDIFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  BOOL maximized = FALSE;
  CMDIChildWnd* active = MDIGetActive(&maximized);
  CDocument* doc = active ? active->GetActiveDocument() : nullptr;
  if (!bAddToTitle || !(GetStyle() & FWS_ADDTOTITLE) || !doc) {
    UpdateFrameTitleForDocument(nullptr);
  } else if (maximized) {
    const QString shown = "[" + active->m_pSubWindow->windowTitle() + "]";
    UpdateFrameTitleForDocument(qxui::FromQt(shown));
  } else {
    UpdateFrameTitleForDocument(doc->GetTitle());
  }
}

void CMDIFrameWnd::QxChildActivated(CMDIChildWnd* pChild) {
  if (pChild == m_pActiveChild) return;
  CMDIChildWnd* old = m_pActiveChild;
  m_pActiveChild = pChild;
  if (pChild) {
    std::erase(m_activationOrder, pChild);
    m_activationOrder.insert(m_activationOrder.begin(), pChild);
  }
  if (old && IsWindow(old->GetSafeHwnd())) {
    if (CView* view = old->GetActiveView()) view->OnActivateView(FALSE, nullptr, view);
  }
  if (pChild) {
    if (CView* view = pChild->GetActiveView()) view->OnActivateView(TRUE, view, view);
  }
  OnUpdateFrameMenu(nullptr);
  OnUpdateFrameTitle(TRUE);
}

void CMDIFrameWnd::QxChildGone(CMDIChildWnd* pChild) {
  std::erase(m_children, pChild);
  std::erase(m_activationOrder, pChild);
  if (m_pActiveChild != pChild) return;
  m_pActiveChild = nullptr;
  if (!m_activationOrder.empty()) {
    MDIActivate(m_activationOrder.front());
  } else if (!m_children.empty()) {
    MDIActivate(m_children.back());
  } else {
    OnUpdateFrameMenu(nullptr);
    OnUpdateFrameTitle(TRUE);
  }
}

// ---- CMDIChildWnd -------------------------------------------------------------------------

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs) {
  // Hidden, whatever a derived frame asks for, until ActivateFrame shows it
  // with its document loaded: a document that fails to load never shows its
  // window or takes the activation from the window that had it.
  cs.style = (cs.style | WS_CHILD) & ~WS_VISIBLE;
  return CFrameWnd::PreCreateWindow(cs);
}

QWidget* CMDIChildWnd::QxCreateWidget(const CREATESTRUCT& cs, QWidget*) {
  QMdiArea* area = m_pMDIFrame ? m_pMDIFrame->QxMdiArea() : nullptr;
  if (!area) return nullptr;
  auto* widget = new qxui::WndWidget(this, nullptr);
  m_pSubWindow = area->addSubWindow(widget);
  m_pSubWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  m_pSubWindow->setWindowTitle(qxui::ToQt(cs.lpszName));
  // Maximising or restoring the window changes the main window's caption.
  HWND hFrame = m_pMDIFrame->GetSafeHwnd();
  QMdiSubWindow* sub = m_pSubWindow;
  QObject::connect(
      m_pSubWindow, &QMdiSubWindow::windowStateChanged, m_pSubWindow,
      [hFrame, sub, area](Qt::WindowStates, Qt::WindowStates now) {
        // A window made maximised has no size of its own to go back to:
        // restored, it takes the default size instead of a title strip.
        if (!(now & (Qt::WindowMaximized | Qt::WindowMinimized)) &&
            (sub->width() < GetSystemMetrics(SM_CXMINTRACK) ||
             sub->height() < qxui::MinimumRestoredHeight())) {
          sub->setGeometry(qxui::DefaultChildRect(
              area, static_cast<int>(area->subWindowList(QMdiArea::CreationOrder).indexOf(sub))));
        }
        if (auto* frame = dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandle(hFrame)))
          frame->OnUpdateFrameTitle(TRUE);
      });
  qxui::WidgetAccess::State(this).outer = m_pSubWindow;
  qxui::WidgetAccess::State(this).qtFrame = true;
  return widget;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                             CCreateContext* pContext) {
  CWnd* parent = pParentWnd ? pParentWnd : AfxGetMainWnd();
  m_pMDIFrame = dynamic_cast<CMDIFrameWnd*>(parent);
  if (!m_pMDIFrame) return FALSE;
  if (pContext && pContext->m_pNewDocTemplate) {
    m_hMenuShared = pContext->m_pNewDocTemplate->m_hMenuShared;
    m_hAccelShared = pContext->m_pNewDocTemplate->m_hAccelTable;
  }
  m_nIDHelp = nIDResource;
  CString title = qxui::FirstField(AfxLoadString(nIDResource));
  // Shown by ActivateFrame once the view is ready.
  CREATESTRUCT cs;
  cs.style = static_cast<LONG>(dwDefaultStyle | WS_CHILD);
  if (!PreCreateWindow(cs)) return FALSE;
  m_dwDockStyle = 0;
  m_strTitle = title;
  HWND hFrame = m_pMDIFrame->GetSafeHwnd();
  m_pMDIFrame->m_children.push_back(this);
  // Remember the style PreCreateWindow asked for (WS_MAXIMIZE in particular).
  m_pCreateContext = pContext;
  BOOL created = CreateEx(cs.dwExStyle, cs.lpszClass, title,
                          (static_cast<DWORD>(cs.style) | WS_CHILD) & ~WS_VISIBLE, 0, 0, 0, 0,
                          hFrame, nullptr, pContext);
  if (!created) {
    if (IsWindow(hFrame)) {
      auto& list = m_pMDIFrame->m_children;
      list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    return FALSE;
  }
  if (m_pSubWindow)
    m_pSubWindow->installEventFilter(new SubWindowCloseFilter(m_hWnd, m_pSubWindow));
  if (static_cast<DWORD>(cs.style) & WS_MAXIMIZE) ModifyStyle(0, WS_MAXIMIZE);
  return TRUE;
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
  if (!m_pSubWindow) return;
  bool maximize = nCmdShow == SW_SHOWMAXIMIZED ||
                  (nCmdShow == -1 && ((GetStyle() & WS_MAXIMIZE) ||
                                      (m_pMDIFrame && m_pMDIFrame->MDIGetActive() &&
                                       m_pMDIFrame->MDIGetActive()->m_pSubWindow->isMaximized())));
  if (m_pWidget) m_pWidget->show();
  if (maximize) {
    m_pSubWindow->showMaximized();
  } else {
    m_pSubWindow->show();
  }
  QxSyncClientSize();
  RecalcLayout();
  if (m_pMDIFrame) m_pMDIFrame->MDIActivate(this);
}

void CMDIChildWnd::MDIActivate() {
  if (m_pMDIFrame) m_pMDIFrame->MDIActivate(this);
}

void CMDIChildWnd::MDIMaximize() {
  if (m_pSubWindow) m_pSubWindow->showMaximized();
}

void CMDIChildWnd::MDIDestroy() {
  DestroyWindow();
}

// A document window's title is its document's, set once on the window and on
// its sub-window alike, before the main window's caption follows it.
void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* doc = GetActiveDocument();
  CString title;
  GetWindowText(title);
  if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) && doc) title = doc->GetTitle();
  CString current;
  GetWindowText(current);
  if (current != title) SetWindowText(title);
  if (m_pSubWindow) m_pSubWindow->setWindowTitle(qxui::ToQt(title.GetString()));
  if (m_pMDIFrame && m_pMDIFrame->MDIGetActive() == this) m_pMDIFrame->OnUpdateFrameTitle(TRUE);
}

BOOL CMDIChildWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  CMDIFrameWnd* frame = m_pMDIFrame;
  QMdiSubWindow* sub = m_pSubWindow;
  m_pSubWindow = nullptr;
  if (frame && IsWindow(frame->GetSafeHwnd())) {
    // The area stays maximised when its maximised window goes.
    const bool maximized = frame->m_pActiveChild == this && sub && sub->isMaximized();
    // Out of the area now: Qt takes the window it was given last for the
    // latest active one, and would activate another in its place when it is
    // deleted, even when it never was active (a document that failed to open).
    // Which window follows is the frame's choice, not Qt's: whatever Qt
    // activates while the window leaves is ignored.
    QMdiArea* area = frame->QxMdiArea();
    if (sub && area && area->subWindowList().contains(sub)) {
      frame->m_bQxChildLeaving = true;
      area->removeSubWindow(sub);
      frame->m_bQxChildLeaving = false;
    }
    frame->QxChildGone(this);
    CMDIChildWnd* next = frame->MDIGetActive();
    if (maximized && next && next != this && next->m_pSubWindow)
      next->m_pSubWindow->showMaximized();
  }
  return CFrameWnd::DestroyWindow();
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CFrameWnd::DefWindowProc(message, wParam, lParam);
  if (message == WM_MOUSEACTIVATE && (result == MA_ACTIVATE || result == MA_ACTIVATEANDEAT) &&
      m_pMDIFrame && m_pMDIFrame->MDIGetActive() != this) {
    MDIActivate();
  }
  return result;
}
