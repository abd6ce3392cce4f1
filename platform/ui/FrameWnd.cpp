#include "platform/ui/FrameWnd.h"

#include "platform/core/Debug.h"
#include "platform/gdi/Screen.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
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
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

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

CString FirstField(const char* text) {
  CString all = text ? text : "";
  int newline = all.Find('\n');
  return newline < 0 ? all : all.Left(newline);
}

}  // namespace

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
  CString title = FirstField(AfxLoadString(nIDResource));
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
      AFX_CMDHANDLERINFO handler;
      if (!focus->OnCmdMsg(cmd, CN_COMMAND, nullptr, &handler)) return FALSE;
      CCmdUI state;
      state.m_nID = cmd;
      state.DoUpdate(focus, FALSE);
      if (state.m_bEnabled) focus->SendMessage(WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
      return TRUE;
    }
  }
  // The frame is disabled behind a modal dialog; keys typed there must not
  // open, save or close designs under it.
  if (qxui::ModalDepth() > 0 || !IsWindowEnabled()) return FALSE;
  ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
  return TRUE;
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
  rMessage = FirstField(AfxLoadString(nID));
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

// ---- CMDIFrameWnd ------------------------------------------------------------------------

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext*) {
  QMainWindow* window = QxMainWindow();
  if (!window) return FALSE;
  auto* area = new QMdiArea(window);
  area->setViewMode(QMdiArea::SubWindowView);
  window->setCentralWidget(area);  // replaces (and deletes) the plain client area
  m_pClient = nullptr;
  HWND hSelf = m_hWnd;
  QObject::connect(area, &QMdiArea::subWindowActivated, area, [hSelf](QMdiSubWindow* sub) {
    auto* frame = static_cast<CMDIFrameWnd*>(CWnd::FromHandle(hSelf));
    if (!frame || !sub) return;
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
  return CFrameWnd::PreTranslateMessage(pMsg);
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
  m_children.erase(std::remove(m_children.begin(), m_children.end(), pChild), m_children.end());
  if (m_pActiveChild != pChild) return;
  m_pActiveChild = nullptr;
  if (!m_children.empty()) {
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
  CString title = FirstField(AfxLoadString(nIDResource));
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
    auto& list = frame->m_children;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    // The area stays maximised when its maximised window goes.
    const bool maximized = frame->m_pActiveChild == this && sub && sub->isMaximized();
    // Out of the area now: Qt takes the window it was given last for the
    // latest active one, and would activate another in its place when it is
    // deleted, even when it never was active (a document that failed to open).
    QMdiArea* area = frame->QxMdiArea();
    if (sub && area && area->subWindowList().contains(sub)) area->removeSubWindow(sub);
    if (frame->m_pActiveChild == this) frame->QxChildGone(this);
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
