#pragma once
// Frames: CFrameWnd (a main window on a QMainWindow, with a menu bar, an
// accelerator table, control bars and an active view), CMDIFrameWnd (its
// client area a QMdiArea holding the document windows) and CMDIChildWnd (a
// document window in a QMdiSubWindow).
//
// Command routing follows the framework: a command reaches the active view,
// then its document (and template), then the child frame, then the main frame,
// then the application; the first handler takes it. Update handlers are found
// the same way; items with no handler anywhere are greyed.
#include "platform/ui/Menu.h"
#include "platform/ui/View.h"
#include "platform/ui/Wnd.h"

#include <vector>

class CControlBar;
class CDocTemplate;
class CMDIChildWnd;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QMenuBar;

// The Window menu lists the first nine document windows (AFX_IDM_FIRST_MDICHILD
// and on); with more, its last item opens the "Select Window" dialog, a list
// of all of them.
constexpr UINT QX_IDM_MORE_WINDOWS = AFX_IDM_FIRST_MDICHILD + 9;
constexpr UINT QX_IDD_SELECT_WINDOW = 0x7F20;
constexpr UINT QX_IDC_WINDOW_LIST = 100;

// What the framework passes while it makes a frame and its view.
struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)

 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;
  using CWnd::Create;

  static const CRect rectDefault;

  // Creates the frame with the menu, accelerators and title of the resource
  // id (its string's first field is the title). FALSE when creation fails,
  // including OnCreate returning -1.
  virtual BOOL LoadFrame(UINT nIDResource,
                         DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr,
              LPCTSTR lpszMenuName = nullptr, DWORD dwExStyle = 0,
              CCreateContext* pContext = nullptr);

  // Lays out the client area: the pane view fills what the bars leave.
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  virtual CView* GetActiveView() const { return m_pViewActive; }
  void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();
  // The frame whose view is active: the active MDI child for an MDI frame.
  virtual CFrameWnd* GetActiveFrame() { return this; }
  virtual void ActivateFrame(int nCmdShow = -1);
  virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  // The status prompt of a command: its string up to the first '\n'.
  virtual void GetMessageString(UINT nID, CString& rMessage) const;
  // Shows text (or the prompt of a string id) in the status bar's first pane.
  void SetMessageText(LPCTSTR lpszText);
  void SetMessageText(UINT nID);
  BOOL LoadAccelTable(LPCTSTR lpszResourceName);

  // Control bars.
  CControlBar* GetControlBar(UINT nID);
  void EnableDocking(DWORD dwDockStyle);
  // Without a dock bar id, the bar goes to the first side it may dock on that
  // holds it whole at the window's present size, or stays where it is when
  // none does: docking never changes the window's size.
  void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
  void FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle = CBRS_ALIGN_TOP);
  void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
  // Toggles the bar with the command's id; the update handler checks its item.
  BOOL OnBarCheck(UINT nID);
  void OnUpdateControlBarMenu(CCmdUI* pCmdUI);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void PostNcDestroy() override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Shows a menu in the frame's menu bar (null: none); the frame does not own it.
  virtual void SetFrameMenu(HMENU hMenu);
  HMENU GetFrameMenu() const { return m_hMenuShown; }
  // The menu from the keyboard (WM_SYSCOMMAND SC_KEYMENU): with 0, the menu
  // bar enters its keyboard mode, or leaves it, as a lone Alt does; with a
  // character, the menu whose title has it as mnemonic opens, its first item
  // selected. FALSE when the frame shows no menu bar or no title has it.
  BOOL QxKeyMenu(UINT nChar);

  // Layer-internal.
  QWidget* QxChildContainer() const override;
  QMainWindow* QxMainWindow() const;
  // Bars the frame knows (in creation order).
  std::vector<CControlBar*> m_listControlBars;
  void QxAddControlBar(CControlBar* pBar);
  void QxRemoveControlBar(CControlBar* pBar);

  BOOL m_bAutoMenuEnable = TRUE;
  CString m_strTitle;
  HACCEL m_hAccelTable = nullptr;
  UINT m_nIDHelp = 0;
  HMENU m_hMenuDefault = nullptr;  // the frame's own menu (owned)
  DWORD m_dwDockStyle = 0;

 protected:
  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
  // A key through one of the frame's accelerator tables. A focused window
  // that keeps what is typed (an edit, a formula editor) keeps the key,
  // except the function keys and the commands it handles itself, which it
  // gets as its update handler enables them; while a modal dialog is open the
  // frame's own commands do not run. TRUE when the key was taken.
  BOOL QxTranslateAccelerator(HACCEL hAccel, MSG* pMsg);
  CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  bool QxShowsImage() const override;
  // Routes to the view (and its document), then this frame; the application
  // comes last in the top-level frame.
  BOOL RouteThroughViewAndFrame(UINT nID, int nCode, void* pExtra,
                                AFX_CMDHANDLERINFO* pHandlerInfo);
  // Sets the window text from the document's title and the frame's title.
  void UpdateFrameTitleForDocument(LPCTSTR lpszDocName);

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnDestroy();
  void OnClose();
  void OnSize(UINT nType, int cx, int cy);
  void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
  // The status bar shows the prompt of the menu item under the mouse.
  void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
  LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
  LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
  void OnUpdateKeyIndicator(CCmdUI* pCmdUI);

  CView* m_pViewActive = nullptr;
  HMENU m_hMenuShown = nullptr;
  QWidget* m_pClient = nullptr;  // the central widget (the MDI area for MDI frames)
  QMenuBar* m_pMenuBar = nullptr;
  BOOL m_bInRecalcLayout = FALSE;
  CCreateContext* m_pCreateContext = nullptr;

  friend class CControlBar;
  DECLARE_MESSAGE_MAP()
};

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)

 public:
  CMDIFrameWnd() = default;

  CMDIChildWnd* MDIGetActive(BOOL* pbMaximized = nullptr) const;
  void MDIActivate(CWnd* pWndActivate);
  void MDINext();
  // The document window before the active one, in the order MDINext goes.
  void MDIPrev();
  void MDICascade();
  void MDITile();
  // MDITILE_HORIZONTAL: the windows one above the other, each as wide as the
  // client area; MDITILE_VERTICAL: side by side, each as tall as it.
  void MDITile(int nType);
  // Lines the minimised document windows up along the bottom.
  void MDIIconArrange();
  // The Window menu's commands (cascade, tile, arrange) and their update.
  BOOL OnMDIWindowCmd(UINT nID);
  void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);
  CFrameWnd* GetActiveFrame() override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // The menu follows the active document window: its template's menu, or the
  // frame's own when no document is open.
  void OnUpdateFrameMenu(HMENU hMenuAlt);
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;

  // Layer-internal.
  QMdiArea* QxMdiArea() const;
  void QxChildActivated(CMDIChildWnd* pChild);
  // The child's window is going: it leaves the lists, and when it was the
  // active one, the one active before it (or the last created) takes over.
  void QxChildGone(CMDIChildWnd* pChild);

 protected:
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
  void OnWindowNext();
  // The "&Window" popup of the menu bar lists the document windows, numbered,
  // the active one checked; choosing one activates it.
  void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
  void OnActivateListedWindow(UINT nID);
  // "More Windows...": the chosen window of the "Select Window" dialog is activated.
  void OnMoreWindows();
  // The document windows that still have their window, in the menu's order.
  std::vector<CMDIChildWnd*> LiveChildren() const;
  void ActivateListed(CMDIChildWnd* pChild);
  bool IsWindowPopup(HMENU hPopup) const;
  // The document area's own keys, after every accelerator table: Ctrl+F4
  // closes the active design as File > Close does, Ctrl+F6 and Ctrl+Tab show
  // the next one, with Shift the one before. Only for a key typed into a
  // window of this frame that does not take every key itself.
  bool TranslateAreaKey(const MSG* pMsg);

  CMDIChildWnd* m_pActiveChild = nullptr;
  std::vector<CMDIChildWnd*> m_children;  // in the order they were created
  // The children that were ever active, the most recently active first: the
  // window closed goes back to the one the user had before it.
  std::vector<CMDIChildWnd*> m_activationOrder;
  bool m_bQxChildLeaving = false;  // a child's sub-window is leaving the area

  friend class CMDIChildWnd;
  DECLARE_MESSAGE_MAP()
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)

 public:
  CMDIChildWnd() = default;

  BOOL LoadFrame(UINT nIDResource,
                 DWORD dwDefaultStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW |
                                        FWS_ADDTOTITLE,
                 CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const { return m_pMDIFrame; }
  void MDIActivate();
  void MDIMaximize();
  void MDIDestroy();
  void ActivateFrame(int nCmdShow = -1) override;
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;
  BOOL DestroyWindow() override;
  // A click anywhere in a document window that is not the active one makes it
  // the active one.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The menu and accelerators its template shares (null: the main frame's).
  HMENU m_hMenuShared = nullptr;
  HACCEL m_hAccelShared = nullptr;

 protected:
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  CMDIFrameWnd* m_pMDIFrame = nullptr;
  QMdiSubWindow* m_pSubWindow = nullptr;

  friend class CMDIFrameWnd;
};
