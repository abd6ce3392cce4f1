#include "platform/ui/FrameWnd.h"

#include "platform/core/Debug.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_INITMENUPOPUP()
ON_WM_MENUSELECT()
ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_COMMAND_EX(ID_VIEW_STATUS_BAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
ON_COMMAND_EX(ID_VIEW_TOOLBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateControlBarMenu)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_CAPS, OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_NUM, OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_SCRL, OnUpdateKeyIndicator)
END_MESSAGE_MAP()

namespace {

// The main window of a frame: Qt events go to the frame.
class FrameWidget : public QMainWindow, public qxui::WndLink {
 public:
  explicit FrameWidget(CWnd* wnd, QWidget* parent) : QMainWindow(parent) {
    m_pWnd = wnd;
    qxui::RegisterWidget(this, wnd);
    setDockNestingEnabled(true);
  }
  ~FrameWidget() override {
    qxui::UnregisterWidget(this);
    if (m_pWnd) qxui::WidgetAccess::WidgetGone(m_pWnd);
  }

 protected:
  bool event(QEvent* event) override {
    // Keys reach the frame when nothing of ours has Qt's focus (the menu bar
    // kept it after a menu closed, or a click went to a window that takes no
    // focus): they still go through the accelerators, as every key does, and
    // not to the menu bar's own shortcuts.
    const QEvent::Type type = event->type();
    if (m_pWnd && (type == QEvent::Close || type == QEvent::Resize || type == QEvent::KeyPress ||
                   type == QEvent::KeyRelease || type == QEvent::ShortcutOverride)) {
      if (m_pWnd->QxEvent(event)) return true;
    }
    return QMainWindow::event(event);
  }
  // Local files dropped on a frame that accepts them (DragAcceptFiles) are
  // opened as documents; other drops are refused. Opening reads the file and
  // leaves it where it is, so the source is told a copy at every step,
  // whatever it proposed: a source told "move" may delete the user's file.
  // A source that offers no copy is refused.
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (!TakeAsCopy(event)) event->ignore();
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (!TakeAsCopy(event)) event->ignore();
  }
  void dropEvent(QDropEvent* event) override {
    std::vector<QByteArray> files = LocalFiles(event->mimeData());
    if (!TakeAsCopy(event)) {
      event->ignore();
      return;
    }
    // Opened once the drop is over, so the message of a file that cannot be
    // opened does not hold up the program the files came from.
    HWND hFrame = m_pWnd->GetSafeHwnd();
    QTimer::singleShot(0, this, [hFrame, files] {
      for (const QByteArray& file : files) {
        CWinApp* app = AfxGetApp();
        if (!app || !IsWindow(hFrame)) return;
        app->OpenDocumentFile(file.constData());
      }
    });
  }

 private:
  bool AcceptsFiles() const { return m_pWnd && qxui::WidgetAccess::State(m_pWnd).acceptFiles; }
  // Accepts the drag or drop as a copy when it brings local files this frame
  // takes; false (nothing accepted) otherwise.
  bool TakeAsCopy(QDropEvent* event) const {
    if (!AcceptsFiles() || !(event->possibleActions() & Qt::CopyAction)) return false;
    if (LocalFiles(event->mimeData()).empty()) return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
  }
  static std::vector<QByteArray> LocalFiles(const QMimeData* data) {
    std::vector<QByteArray> files;
    if (!data) return files;
    for (const QUrl& url : data->urls()) {
      if (url.isLocalFile()) files.push_back(QFile::encodeName(url.toLocalFile()));
    }
    return files;
  }
};

// The central area of a frame: when it changes size, the frame lays out.
class ClientArea : public QWidget {
 public:
  ClientArea(CFrameWnd* frame, QWidget* parent) : QWidget(parent), m_hFrame(frame->GetSafeHwnd()) {}
  void SetFrame(HWND hFrame) { m_hFrame = hFrame; }

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (auto* frame = static_cast<CFrameWnd*>(CWnd::FromHandle(m_hFrame))) frame->RecalcLayout();
  }

 private:
  HWND m_hFrame;
};

// An update request for one menu item: the handler's state goes into the menu.
class CMenuCmdUI : public CCmdUI {
 public:
  void Enable(BOOL bOn) override {
    CCmdUI::Enable(bOn);
    m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
  }
  void SetCheck(int nCheck) override {
    CCmdUI::SetCheck(nCheck);
    m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
  }
  void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
  void SetText(LPCTSTR lpszText) override {
    CCmdUI::SetText(lpszText);
    UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
    m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_CHECKED)),
                        m_nID, lpszText);
  }
};

}  // namespace

CString qxui::FirstField(const char* text) {
  CString all = text ? text : "";
  int newline = all.Find('\n');
  return newline < 0 ? all : all.Left(newline);
}

// ---- CWnd's frame queries ----------------------------------------------------------

CFrameWnd* CWnd::GetParentFrame() const {
  for (CWnd* wnd = GetParent(); wnd; wnd = wnd->GetParent()) {
    if (wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(wnd);
  }
  return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
  CFrameWnd* frame = IsKindOf(RUNTIME_CLASS(CFrameWnd))
                         ? static_cast<CFrameWnd*>(const_cast<CWnd*>(this))
                         : GetParentFrame();
  while (frame && frame->GetParentFrame()) frame = frame->GetParentFrame();
  return frame;
}

// ---- CFrameWnd: creation -------------------------------------------------------------

CFrameWnd::~CFrameWnd() {
  // Bars that outlive their frame (members of another object) must not reach back.
  for (CControlBar* bar : m_listControlBars) bar->QxFrameGone();
  m_listControlBars.clear();
  if (m_hMenuDefault) {
    CMenu menu;
    menu.Attach(m_hMenuDefault);
    menu.DestroyMenu();
    m_hMenuDefault = nullptr;
  }
}

QWidget* CFrameWnd::QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  if (cs.style & WS_CHILD) return CWnd::QxCreateWidget(cs, parentWidget);
  auto* window = new FrameWidget(this, parentWidget);
  qxui::WndState& state = qxui::WidgetAccess::State(this);
  state.qtFrame = true;
  if (cs.dwExStyle & WS_EX_ACCEPTFILES) state.acceptFiles = true;
  window->setAcceptDrops(state.acceptFiles);
  auto* client = new ClientArea(this, window);
  window->setCentralWidget(client);
  m_pClient = client;
  return window;
}

bool CFrameWnd::QxShowsImage() const {
  return false;
}

QWidget* CFrameWnd::QxChildContainer() const {
  return m_pClient ? m_pClient : m_pWidget;
}

QMainWindow* CFrameWnd::QxMainWindow() const {
  return dynamic_cast<QMainWindow*>(m_pWidget);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) {
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  }
  return TRUE;
}

void CFrameWnd::PostNcDestroy() {
  delete this;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                       const RECT& rect, CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD dwExStyle,
                       CCreateContext* pContext) {
  if (lpszMenuName && IS_INTRESOURCE(lpszMenuName) && !m_hMenuDefault) {
    CMenu menu;
    if (menu.LoadMenu(static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszMenuName)))) {
      m_hMenuDefault = menu.Detach();
    }
  }
  m_strTitle = lpszWindowName;
  m_pCreateContext = pContext;
  HWND hParent = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
  // rectDefault leaves place and size to the layer.
  bool byDefault = rect.left == CW_USEDEFAULT;
  int width = byDefault ? CW_USEDEFAULT : static_cast<int>(rect.right - rect.left);
  int height = byDefault ? CW_USEDEFAULT : static_cast<int>(rect.bottom - rect.top);
  BOOL created = CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                          width, height, hParent, nullptr, pContext);
  return created;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                          CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString title = qxui::FirstField(AfxLoadString(nIDResource));
  if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd, MAKEINTRESOURCE(nIDResource),
              0, pContext)) {
    return FALSE;
  }
  LoadAccelTable(MAKEINTRESOURCE(nIDResource));
  return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(LPCTSTR lpszResourceName) {
  m_hAccelTable = LoadAccelerators(AfxGetResourceHandle(), lpszResourceName);
  return m_hAccelTable != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (m_pClient) static_cast<ClientArea*>(m_pClient)->SetFrame(m_hWnd);
  auto* context = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (!OnCreateClient(lpcs, context)) return -1;
  if (m_hMenuDefault && !(GetStyle() & WS_CHILD)) SetFrameMenu(m_hMenuDefault);
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext && pContext->m_pNewViewClass) return CreateView(pContext) != nullptr;
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
  CObject* object = pContext->m_pNewViewClass->CreateObject();
  CWnd* view =
      object && object->IsKindOf(RUNTIME_CLASS(CWnd)) ? static_cast<CWnd*>(object) : nullptr;
  if (!view) {
    delete object;
    TRACE0("Failed to create the view object\n");
    return nullptr;
  }
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 0, 0), this,
                    nID, pContext)) {
    TRACE0("Failed to create the view window\n");
    return nullptr;  // the view deleted itself with its window
  }
  return view;
}

void CFrameWnd::OnDestroy() {
  CWnd::OnDestroy();
  if (AfxGetApp() && AfxGetApp()->m_pMainWnd == this) {
    AfxGetApp()->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
}

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    if (!app->SaveAllModified()) return;
    app->CloseAllDocuments(FALSE);
    if (!IsWindow(m_hWnd)) return;
    DestroyWindow();
    return;
  }
  CDocument* doc = GetActiveDocument();
  if (doc) {
    // The last frame of a document closes the document, after asking.
    int frames = 0;
    POSITION pos = doc->GetFirstViewPosition();
    while (pos) {
      CView* view = doc->GetNextView(pos);
      if (view->GetParentFrame() != this) ++frames;
    }
    if (frames == 0) {
      if (!doc->SaveModified()) return;
      doc->OnCloseDocument();
      return;
    }
  }
  DestroyWindow();
}

// ---- layout, views, titles -----------------------------------------------------------

void CFrameWnd::RecalcLayout(BOOL) {
  if (m_bInRecalcLayout || !m_hWnd) return;
  m_bInRecalcLayout = TRUE;
  // Docked bars take the size they ask for now.
  for (CControlBar* bar : m_listControlBars) {
    if (bar->GetSafeHwnd()) bar->QxApplyFixedLayout();
  }
  if (CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST)) {
    CRect area;
    if (m_pClient) {
      area.SetRect(0, 0, m_pClient->width(), m_pClient->height());
    } else {
      GetClientRect(&area);
    }
    pane->MoveWindow(&area, TRUE);
  }
  m_bInRecalcLayout = FALSE;
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  RecalcLayout();
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
  CView* old = m_pViewActive;
  if (old == pViewNew) return;
  m_pViewActive = pViewNew;
  if (!bNotify) return;
  HWND hNew = pViewNew ? pViewNew->GetSafeHwnd() : nullptr;
  if (old && IsWindow(old->GetSafeHwnd())) old->OnActivateView(FALSE, pViewNew, old);
  if (pViewNew && IsWindow(hNew)) pViewNew->OnActivateView(TRUE, pViewNew, old);
}

CDocument* CFrameWnd::GetActiveDocument() {
  CFrameWnd* frame = GetActiveFrame();
  CView* view = frame ? frame->GetActiveView() : nullptr;
  return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  if (nCmdShow == -1) nCmdShow = (GetStyle() & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW;
  ShowWindow(nCmdShow);
  BringWindowToTop();
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
  if (!GetActiveView()) {
    CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST);
    if (pane && pane->IsKindOf(RUNTIME_CLASS(CView)))
      SetActiveView(static_cast<CView*>(pane), FALSE);
  }
  if (bMakeVisible) {
    HWND hSelf = m_hWnd;
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    if (!IsWindow(hSelf)) return;
    ActivateFrame();
    if (CView* view = GetActiveView()) view->OnActivateView(TRUE, view, view);
  }
  if (pDoc) OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCTSTR lpszDocName) {
  CString title = m_strTitle;
  if (lpszDocName && *lpszDocName) {
    if (GetStyle() & FWS_PREFIXTITLE) {
      title = CString(lpszDocName) + (m_strTitle.IsEmpty() ? "" : " - ") + m_strTitle;
    } else {
      title = m_strTitle + (m_strTitle.IsEmpty() ? "" : " - ") + lpszDocName;
    }
  }
  CString current;
  GetWindowText(current);
  // Qt's MDI area may have changed the shown caption behind the layer's copy.
  const bool shown = !m_pWidget || m_pWidget->windowTitle() == qxui::ToQt(title.GetString());
  if (current != title || !shown) SetWindowText(title);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* doc = GetActiveDocument();
  if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) && doc) {
    UpdateFrameTitleForDocument(doc->GetTitle());
  } else {
    UpdateFrameTitleForDocument(nullptr);
  }
}

// ---- commands and messages -----------------------------------------------------------

BOOL CFrameWnd::RouteThroughViewAndFrame(UINT nID, int nCode, void* pExtra,
                                         AFX_CMDHANDLERINFO* pHandlerInfo) {
  CView* view = GetActiveView();
  if (view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (RouteThroughViewAndFrame(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  // A frame inside another frame leaves the application to the outer one, so
  // the main frame comes before the application.
  if (GetStyle() & WS_CHILD) return FALSE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
  return QxTranslateAccelerator(m_hAccelTable, pMsg);
}

BOOL CFrameWnd::QxTranslateAccelerator(HACCEL hAccel, MSG* pMsg) {
  const UINT cmd = QxAcceleratorCommand(hAccel, pMsg);
  if (cmd == 0) return FALSE;
  if (CWnd* focus = CWnd::GetFocus()) {
    bool functionKey = pMsg->wParam >= VK_F1 && pMsg->wParam <= VK_F1 + 23;
    if (!functionKey && (focus->SendMessage(WM_GETDLGCODE) & DLGC_HASSETSEL)) {
      // The edit's own commands (Cut, Copy, Paste, Undo) are the edit's;
      // any other shortcut goes on to the frame.
      AFX_CMDHANDLERINFO handler;
      if (focus->OnCmdMsg(cmd, CN_COMMAND, nullptr, &handler)) {
        CCmdUI state;
        state.m_nID = cmd;
        state.DoUpdate(focus, FALSE);
        if (state.m_bEnabled) focus->SendMessage(WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
        return TRUE;
      }
    }
  }
  // The frame is disabled behind a modal dialog; keys typed there must not
  // open, save or close designs under it.
  if (qxui::ModalDepth() > 0 || !IsWindowEnabled()) return FALSE;
  ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
  return TRUE;
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
  rMessage = qxui::FirstField(AfxLoadString(nID));
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText) {
  if (CWnd* bar = GetDlgItem(AFX_IDW_STATUS_BAR)) bar->SetWindowText(lpszText);
}

void CFrameWnd::SetMessageText(UINT nID) {
  SendMessage(WM_SETMESSAGESTRING, nID);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
  CString text;
  if (lParam) {
    text = reinterpret_cast<LPCSTR>(lParam);
  } else if (wParam == AFX_IDS_IDLEMESSAGE) {
    const char* idle = AfxLoadString(AFX_IDS_IDLEMESSAGE);
    text = idle ? idle : "Ready";
  } else if (wParam) {
    GetMessageString(static_cast<UINT>(wParam), text);
  }
  SetMessageText(text);
  return 0;
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
  if (!(GetStyle() & WS_CHILD)) OnUpdateFrameTitle(TRUE);
  return 0;
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* pCmdUI) {
  int key = pCmdUI->m_nID == ID_INDICATOR_CAPS  ? VK_CAPITAL
            : pCmdUI->m_nID == ID_INDICATOR_NUM ? 0x90 /* VK_NUMLOCK */
                                                : 0x91 /* VK_SCROLL */;
  pCmdUI->Enable((GetKeyState(key) & 1) != 0);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu) {
  if (bSysMenu || !pPopupMenu) return;
  CMenu* menu = pPopupMenu;
  CMenuCmdUI state;
  state.m_pMenu = menu;
  for (UINT index = 0; index < menu->GetMenuItemCount(); ++index) {
    UINT id = menu->GetMenuItemID(static_cast<int>(index));
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    state.m_nIndex = index;
    state.m_nIndexMax = menu->GetMenuItemCount();
    state.m_nID = id;
    // Commands the system sends (0xF000 and up) are left alone.
    state.DoUpdate(this, m_bAutoMenuEnable && id < 0xF000);
    index = std::min(index, menu->GetMenuItemCount());  // a handler may rebuild the menu
  }
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu) {
  // Closed: the idle prompt again. A command: its prompt. A popup or a
  // separator has none.
  if (nFlags == 0xFFFF && !hSysMenu) {
    SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
  } else if (!(nFlags & (MF_POPUP | MF_SEPARATOR)) && nItemID) {
    SendMessage(WM_SETMESSAGESTRING, nItemID);
  } else {
    SetMessageText("");
  }
}

// ---- the menu bar ----------------------------------------------------------------------

namespace {

void FillMenuActions(CFrameWnd* frame, QMenu* qmenu, HMENU hMenu);

// The menu loop of a menu bar runs from its first popup opening to the last
// closing; switching between popups stays inside it.
constexpr const char* kInMenuLoop = "qxInMenuLoop";

// Empties a Qt menu or menu bar before it is filled again. Its clear() keeps
// the popups it made (each owns its own action), so they would pile up with
// every filling: they are released here.
template <class QtMenu>
void ClearQtMenu(QtMenu* qmenu) {
  std::vector<QMenu*> popups;
  for (QAction* action : qmenu->actions()) {
    if (QMenu* popup = action->menu(); popup && popup->parent() == qmenu) popups.push_back(popup);
  }
  qmenu->clear();
  // Later: one of them may be in the middle of its own signal.
  for (QMenu* popup : popups) {
    popup->hide();
    popup->deleteLater();
  }
}

bool AnyPopupOpen(QMenuBar* bar) {
  for (QAction* action : bar->actions()) {
    if (action->menu() && action->menu()->isVisible()) return true;
  }
  return false;
}

// A popup of the menu (or of another popup); index is its place there.
// Opening it sends WM_INITMENU first when the menu loop starts, then
// WM_INITMENUPOPUP so the update handlers set its items, and the items are
// made again from the menu; moving over items sends WM_MENUSELECT.
void AddPopup(CFrameWnd* frame, QMenuBar* bar, QMenu* qmenu, HMENU hPopup, UINT index) {
  HWND hFrame = frame->GetSafeHwnd();
  QObject::connect(qmenu, &QMenu::aboutToShow, qmenu, [hFrame, bar, qmenu, hPopup, index] {
    auto* owner = static_cast<CFrameWnd*>(CWnd::FromHandle(hFrame));
    if (!owner || !CMenu::FromHandle(hPopup)) return;
    if (!bar->property(kInMenuLoop).toBool()) {
      bar->setProperty(kInMenuLoop, true);
      owner->SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(owner->GetFrameMenu()));
      if (!IsWindow(hFrame) || !CMenu::FromHandle(hPopup)) return;
    }
    owner->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), MAKELPARAM(index, 0));
    if (IsWindow(hFrame) && CMenu::FromHandle(hPopup)) FillMenuActions(owner, qmenu, hPopup);
  });
  QObject::connect(qmenu, &QMenu::hovered, qmenu, [hFrame, hPopup](QAction* action) {
    CWnd* owner = CWnd::FromHandle(hFrame);
    if (!owner || !action) return;
    UINT item = action->data().toUInt();
    UINT flags = action->isSeparator() ? MF_SEPARATOR : action->menu() ? MF_POPUP : 0;
    if (!action->isEnabled()) flags |= MF_GRAYED;
    if (action->isChecked()) flags |= MF_CHECKED;
    owner->SendMessage(WM_MENUSELECT, MAKEWPARAM(item, flags), reinterpret_cast<LPARAM>(hPopup));
  });
  QObject::connect(qmenu, &QMenu::aboutToHide, bar, [hFrame, bar] {
    // Later: when another popup of the bar opens meanwhile, the loop goes on.
    QTimer::singleShot(0, bar, [hFrame, bar] {
      if (!bar->property(kInMenuLoop).toBool() || AnyPopupOpen(bar)) return;
      bar->setProperty(kInMenuLoop, false);
      if (CWnd* owner = CWnd::FromHandle(hFrame)) {
        owner->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
      }
    });
  });
  FillMenuActions(frame, qmenu, hPopup);
}

void FillMenuActions(CFrameWnd* frame, QMenu* qmenu, HMENU hMenu) {
  ClearQtMenu(qmenu);
  CMenu* menu = CMenu::FromHandle(hMenu);
  if (!menu) return;
  HWND hFrame = frame->GetSafeHwnd();
  for (UINT index = 0; index < menu->GetMenuItemCount(); ++index) {
    CString text;
    menu->GetMenuString(index, text, MF_BYPOSITION);
    UINT state = menu->GetMenuState(index, MF_BYPOSITION);
    QString label = qxui::ToQt(text.GetString());
    if (state & MF_SEPARATOR) {
      qmenu->addSeparator();
      continue;
    }
    if (CMenu* sub = menu->GetSubMenu(static_cast<int>(index))) {
      QMenu* popup = qmenu->addMenu(label);
      popup->menuAction()->setData(index);
      auto* window = static_cast<QMainWindow*>(frame->QxMainWindow());
      if (window) AddPopup(frame, window->menuBar(), popup, sub->GetSafeHmenu(), index);
      continue;
    }
    UINT id = menu->GetMenuItemID(static_cast<int>(index));
    QAction* action = qmenu->addAction(label);
    action->setData(id);
    action->setEnabled(!(state & (MF_GRAYED | MF_DISABLED)));
    action->setCheckable((state & MF_CHECKED) != 0);
    action->setChecked((state & MF_CHECKED) != 0);
    QObject::connect(action, &QAction::triggered, action,
                     [hFrame, id] { ::PostMessage(hFrame, WM_COMMAND, id, 0); });
  }
}

// The title of the menu bar whose mnemonic is the character; null when none.
QAction* MnemonicTitle(QMenuBar* bar, UINT nChar) {
  const QChar wanted = QChar(static_cast<char16_t>(nChar & 0xFF)).toUpper();
  for (QAction* action : bar->actions()) {
    const QString text = action->text();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != u'&') continue;
      if (text[i + 1] == u'&') {
        ++i;
        continue;
      }
      if (text[i + 1].toUpper() == wanted && action->isVisible() && action->isEnabled())
        return action;
      break;
    }
  }
  return nullptr;
}

// The menu bar's keyboard mode is Qt's own: the bar watches its window for a
// lone Alt, pressed and let go with nothing between, and then enters the mode
// (or leaves it). The bar is shown that Alt here. A pressed Alt counts among
// the modifiers of its own event.
void ToggleKeyboardMode(QMenuBar* bar) {
  QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QObject* watcher = bar;
  watcher->eventFilter(bar->window(), &press);
  watcher->eventFilter(bar->window(), &release);
}

// The popup's first item that can be chosen.
void SelectFirstItem(QMenu* popup) {
  for (QAction* action : popup->actions()) {
    if (action->isSeparator() || !action->isVisible() || !action->isEnabled()) continue;
    popup->setActiveAction(action);
    return;
  }
}

}  // namespace

BOOL CFrameWnd::QxKeyMenu(UINT nChar) {
  QMainWindow* window = QxMainWindow();
  auto* bar = window ? qobject_cast<QMenuBar*>(window->menuWidget()) : nullptr;
  if (!bar || !bar->isVisible() || !m_hMenuShown) return FALSE;
  if (!nChar) {
    ToggleKeyboardMode(bar);
    return TRUE;
  }
  QAction* title = MnemonicTitle(bar, nChar);
  if (!title) return FALSE;
  // In keyboard mode, so that Escape goes back to the titles and then gives
  // the keyboard back to the window that had it.
  if (!bar->activeAction()) ToggleKeyboardMode(bar);
  bar->setActiveAction(title);  // fills the popup as the mouse would
  if (QMenu* popup = title->menu(); popup && popup->isVisible()) SelectFirstItem(popup);
  return TRUE;
}

LRESULT CFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
    QxKeyMenu(static_cast<UINT>(lParam));
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

void CFrameWnd::SetFrameMenu(HMENU hMenu) {
  m_hMenuShown = hMenu;
  QMainWindow* window = QxMainWindow();
  if (!window) return;
  QMenuBar* bar = window->menuBar();
  ClearQtMenu(bar);
  CMenu* menu = CMenu::FromHandle(hMenu);
  bar->setVisible(menu != nullptr);
  if (!menu) {
    QxSyncClientSize();
    return;
  }
  for (UINT index = 0; index < menu->GetMenuItemCount(); ++index) {
    CString text;
    menu->GetMenuString(index, text, MF_BYPOSITION);
    CMenu* sub = menu->GetSubMenu(static_cast<int>(index));
    if (!sub) continue;
    QMenu* qmenu = bar->addMenu(qxui::ToQt(text.GetString()));
    qmenu->menuAction()->setData(index);
    AddPopup(this, bar, qmenu, sub->GetSafeHmenu(), index);
  }
  QxSyncClientSize();  // the menu bar takes its part of the window
}
