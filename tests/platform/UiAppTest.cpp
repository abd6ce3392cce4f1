// The shared test application (UiTestApp.h) and what its frame does: command
// routing, update handlers in the idle pass, menus, accelerators, thread
// messages, and the start and end of the application.
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"
#include "platform/ui/MessageBoxUi.h"

#include <QEventLoop>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

namespace qxtest {

std::vector<std::string> g_log;

void RegisterTestAppResources() {
  AfxRegisterString(AFX_IDS_APP_TITLE, "Testapp");
  AfxRegisterString(IDR_MAIN, "Testapp");
  AfxRegisterString(IDR_DOC,
                    "\nPlan\nPlan\nPlan Files (*.pln)\n.pln\nPlan.Document\nPlan Document");
  AfxRegisterString(ID_TB_CHECKED, "Checks things\nChecked");
  AfxRegisterString(ID_TB_ORPHAN, "Nobody handles this\nOrphan");
  AfxRegisterString(ID_INDICATOR_X, "                 .");
  AfxRegisterString(ID_ROUTE_VIEW, "Routed to the view\nView");
  AfxRegisterString(IDW_BOTTOM, "Shows or hides the bottom bar\nBottom bar");

  std::vector<QxMenuItemDef> file = {{"&New\tCtrl+N", ID_FILE_NEW},
                                     {"&Open...\tCtrl+O", ID_FILE_OPEN},
                                     {nullptr, 0, MF_SEPARATOR},
                                     {"Recent File", ID_FILE_MRU_FILE1},
                                     {"E&xit", ID_APP_EXIT}};
  std::vector<QxMenuItemDef> view = {{"&Toolbar", ID_VIEW_TOOLBAR},
                                     {"&Status Bar", ID_VIEW_STATUS_BAR},
                                     {"&Bottom", IDW_BOTTOM},
                                     {"&Floating", IDW_FLOAT},
                                     {"&Orphan", ID_TB_ORPHAN}};
  QxRegisterMenu(IDR_MAIN, {{"&File", 0, MF_POPUP, file}, {"&View", 0, MF_POPUP, view}});
  std::vector<QxMenuItemDef> docFile = file;
  docFile.insert(docFile.begin() + 2, {"&Save", ID_FILE_SAVE});
  docFile.insert(docFile.begin() + 3, {"&Close", ID_FILE_CLOSE});
  std::vector<QxMenuItemDef> window = {{"&Cascade", ID_WINDOW_CASCADE},
                                       {"Tile &Horizontally", ID_WINDOW_TILE_HORZ},
                                       {"Tile &Vertically", ID_WINDOW_TILE_VERT},
                                       {"&Arrange Icons", ID_WINDOW_ARRANGE}};
  QxRegisterMenu(IDR_DOC, {{"&File", 0, MF_POPUP, docFile},
                           {"&View", 0, MF_POPUP, view},
                           {"&Window", 0, MF_POPUP, window}});
  QxRegisterAccelerators(
      IDR_MAIN, {{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW}, {FVIRTKEY, VK_F6, ID_NEXT_PANE}});
  QImage strip(48, 15, QImage::Format_RGB32);
  strip.fill(QColor(192, 192, 192));
  QxRegisterBitmap(IDR_MAIN, strip);
  QxRegisterToolBar(IDR_MAIN, 16, 15, {ID_FILE_NEW, ID_SEPARATOR, ID_TB_CHECKED, ID_TB_ORPHAN});

  auto item = [](const char* cls, UINT id, DWORD style, int x) {
    QxDialogItem i;
    i.className = cls;
    i.id = id;
    i.style = WS_CHILD | WS_VISIBLE | style;
    i.rect = CRect(x, 4, x + 30, 16);
    return i;
  };
  QxDialogTemplate bottom;
  bottom.caption = "Bottom";
  bottom.rect = CRect(0, 0, 200, 40);
  bottom.items = {item("Unknown", IDC_BAR_BUTTON, 0, 4),  // no control factory: a plain window
                  item(WC_EDIT, IDC_BAR_EDIT1, WS_TABSTOP, 40), item(WC_STATIC, 1011, 0, 74),
                  item(WC_EDIT, IDC_BAR_EDIT2, WS_TABSTOP, 108)};
  QxRegisterDialogTemplate(IDD_BOTTOM, bottom);
  QxDialogTemplate floating;
  floating.caption = "Floating";
  floating.rect = CRect(0, 0, 80, 120);
  QxRegisterDialogTemplate(IDD_FLOAT, floating);
}

void CPlanDoc::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_nValue << static_cast<WORD>(0xBEEF);
    if (m_onStored) m_onStored();
    return;
  }
  WORD magic = 0;
  ar >> m_nValue >> magic;
  if (magic != 0xBEEF) ar.SetFailed();
}

IMPLEMENT_DYNCREATE(CPlanDoc, CDocument)
BEGIN_MESSAGE_MAP(CPlanDoc, CDocument)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
END_MESSAGE_MAP()

void CPlanView::OnDraw(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, RGB(0, 128, 0));
  ++m_nDraws;
}

BOOL CPlanView::OnPreparePrinting(CPrintInfo* pInfo) {
  g_log.push_back("prepare");
  pInfo->SetMaxPage(m_nPages);
  return DoPreparePrinting(pInfo);
}

void CPlanView::OnPrint(CDC* pDC, CPrintInfo* pInfo) {
  m_page = pInfo->m_rectDraw.Size();
  pDC->FillSolidRect(&kPageMarks[pInfo->m_nCurPage - 1], RGB(0, 0, 0));
}

IMPLEMENT_DYNCREATE(CPlanView, CView)
BEGIN_MESSAGE_MAP(CPlanView, CView)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_FILE_PRINT, CView::OnFilePrint)
ON_COMMAND(ID_FILE_PRINT_PREVIEW, CView::OnFilePrintPreview)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_X, OnUpdateIndicator)
END_MESSAGE_MAP()

BOOL CPlanChild::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style = WS_CHILD | WS_VISIBLE | WS_MAXIMIZE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
  return CMDIChildWnd::PreCreateWindow(cs);
}

IMPLEMENT_DYNCREATE(CPlanChild, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CPlanChild, CMDIChildWnd)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
ON_COMMAND(ID_ROUTE_CHILD, OnRoute)
END_MESSAGE_MAP()

CSize CTallBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  CSize size = CDialogBar::CalcFixedLayout(bStretch, bHorz);
  if (bHorz && m_nHeight > 0) size.cy = m_nHeight;
  return size;
}

int CTestMainFrame::OnCreate(LPCREATESTRUCT lpcs) {
  if (CMDIFrameWnd::OnCreate(lpcs) == -1 || m_bFailCreate) return -1;
  static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_X};
  if (!m_wndToolBar.Create(this) || !m_wndToolBar.LoadToolBar(IDR_MAIN) ||
      !m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 2)) {
    return -1;
  }
  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
  EnableDocking(CBRS_ALIGN_ANY);
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  if (!m_wndBottomBar.Create(this, IDD_BOTTOM, CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP, IDW_BOTTOM) ||
      !m_wndFloatBar.Create(this, IDD_FLOAT, CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT, IDW_FLOAT)) {
    return -1;
  }
  m_wndBottomBar.EnableDocking(CBRS_ALIGN_BOTTOM);
  DockControlBar(&m_wndBottomBar);
  m_wndFloatBar.SetWindowText("Floating");
  m_wndFloatBar.EnableDocking(CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT);
  CPoint point(300, 130);
  ClientToScreen(&point);
  FloatControlBar(&m_wndFloatBar, point);
  return 0;
}

void CTestMainFrame::OnInitMenu(CMenu* pMenu) {
  g_log.push_back(pMenu && pMenu->GetSafeHmenu() == GetFrameMenu() ? "init menu" : "other menu");
  CMDIFrameWnd::OnInitMenu(pMenu);
}

BEGIN_MESSAGE_MAP(CTestMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_WM_INITMENU()
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
ON_COMMAND(ID_ROUTE_CHILD, OnRoute)
ON_COMMAND(ID_ROUTE_MAIN, OnRoute)
ON_COMMAND(IDC_BAR_BUTTON, OnBarButton)
ON_COMMAND(IDOK, OnOk)
ON_COMMAND(IDCANCEL, OnCancelCommand)
ON_COMMAND_EX(IDW_BOTTOM, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_BOTTOM, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_FLOAT, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_FLOAT, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

BOOL CTestApp::InitInstance() {
  SetRegistryKey("Plenthoria-test");
  LoadStdProfileSettings(4);
  AddDocTemplate(new CMultiDocTemplate(IDR_DOC, RUNTIME_CLASS(CPlanDoc), RUNTIME_CLASS(CPlanChild),
                                       RUNTIME_CLASS(CPlanView)));
  auto* frame = new CTestMainFrame;
  frame->m_bFailCreate = m_bFailMainFrame;
  if (!frame->LoadFrame(IDR_MAIN)) return FALSE;
  m_pMainWnd = frame;
  CCommandLineInfo info;
  ParseCommandLine(info);
  if (!ProcessShellCommand(info)) return FALSE;
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  return TRUE;
}

void CTestApp::OnFindG(WPARAM wParam, LPARAM) {
  m_threadParams.push_back(wParam);
  if (m_threadParams.size() == 3 && m_pEndModalOnThird) m_pEndModalOnThird->EndModalLoop(IDOK);
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
ON_COMMAND(ID_ROUTE_CHILD, OnRoute)
ON_COMMAND(ID_ROUTE_MAIN, OnRoute)
ON_COMMAND(ID_ROUTE_APP, OnRoute)
ON_UPDATE_COMMAND_UI(ID_TB_CHECKED, OnUpdateChecked)
ON_THREAD_MESSAGE(WM_FINDG, OnFindG)
END_MESSAGE_MAP()

void UiApp::SetUp() {
  RegisterTestAppResources();
  g_log.clear();
  m_app = std::make_unique<CTestApp>();
  ASSERT_TRUE(StartApplication(*m_app));
  // With a window manager the frame is mapped, and so painted, in its own time.
  if (OnRealWindowSystem()) {
    ASSERT_TRUE(
        QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(), kXEventBoundMs))
        << "the main window was never shown";
    // The window manager gives a window it has just mapped the keyboard in
    // its own time, also after a test has activated another one: a test
    // begins once it has handled the mapping.
    ASSERT_TRUE(WindowManagerCaughtUp());
    QxTest::PumpUntilIdle();
  }
}

void UiApp::TearDown() {
  StopApplication(*m_app);
  EXPECT_EQ(m_app->m_pMainWnd, nullptr);
  m_app.reset();
}

namespace {

TEST_F(UiApp, StartsWithOneMaximisedUntitledDocumentInAGreenView) {
  ASSERT_NE(ActiveChild(), nullptr);
  BOOL maximized = FALSE;
  Frame()->MDIGetActive(&maximized);
  EXPECT_TRUE(maximized);
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, "Testapp - [Plan1]");  // maximised: the window's title in brackets
  // The view fills the child frame, inside its client edge, and follows its document.
  CRect frameClient, viewClient;
  ActiveChild()->GetClientRect(&frameClient);
  ActiveView()->GetClientRect(&viewClient);
  EXPECT_EQ(viewClient.Width(), frameClient.Width() - 4);
  EXPECT_GT(ActiveView()->m_nDraws, 0);
  EXPECT_EQ(QxTest::ClientImage(ActiveView()).pixel(3, 3) & 0xFFFFFF, 0x008000u);
  int updates = ActiveView()->m_nUpdates;
  ActiveDoc()->UpdateAllViews(nullptr);
  EXPECT_EQ(ActiveView()->m_nUpdates, updates + 1);
}

TEST_F(UiApp, CommandsRouteViewDocumentChildMainApplication) {
  const std::pair<UINT, const char*> rows[] = {{ID_ROUTE_VIEW, "view"},
                                               {ID_ROUTE_DOC, "doc"},
                                               {ID_ROUTE_CHILD, "child"},
                                               {ID_ROUTE_MAIN, "main"},
                                               {ID_ROUTE_APP, "app"}};
  for (auto [id, first] : rows) {
    g_log.clear();
    Frame()->SendMessage(WM_COMMAND, id);
    EXPECT_EQ(g_log, std::vector<std::string>{first}) << id;
  }
}

TEST_F(UiApp, IdlePassUpdatesTheToolbarAndStatusBar) {
  CToolBar& toolBar = Frame()->m_wndToolBar;
  auto style = [&](UINT id) { return toolBar.GetButtonStyle(toolBar.CommandToIndex(id)); };
  EXPECT_FALSE(style(ID_FILE_NEW) & TBBS_DISABLED);
  EXPECT_TRUE(style(ID_TB_ORPHAN) & TBBS_DISABLED);
  EXPECT_TRUE(style(ID_TB_CHECKED) & TBBS_CHECKED);
  CStatusBar& status = Frame()->m_wndStatusBar;
  EXPECT_STREQ(status.GetPaneText(1), "x=5");  // the view's update handler
  EXPECT_STREQ(status.GetPaneText(0), "Ready");
  Frame()->SetMessageText(ID_ROUTE_VIEW);
  EXPECT_STREQ(status.GetPaneText(0), "Routed to the view");
  status.SetWindowText("Working");  // the window text is the message pane
  EXPECT_STREQ(status.GetPaneText(0), "Working");
  static const UINT missing[] = {ID_SEPARATOR, 40999};  // an indicator needs its string
  EXPECT_FALSE(status.SetIndicators(missing, 2));
  EXPECT_FALSE(toolBar.LoadToolBar(9999));

  // A button's tip is the second part of its string; pressing it sends its command.
  auto* qtBar = qobject_cast<QToolBar*>(toolBar.GetWidget());
  ASSERT_NE(qtBar, nullptr);
  EXPECT_EQ(qtBar->actions().value(2)->toolTip(), QString("Checked"));
  qtBar->actions().value(0)->trigger();
  QxTest::PumpEvents();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
}

TEST_F(UiApp, MenuPopupsAreUpdatedBeforeTheyShowAndPromptInTheStatusBar) {
  QMenu* view = Frame()->QxMainWindow()->menuBar()->actions().value(1)->menu();
  ASSERT_NE(view, nullptr);
  auto actionOf = [&](UINT id) -> QAction* {
    for (QAction* action : view->actions())
      if (action->data().toUInt() == id) return action;
    return nullptr;
  };
  // The items' states before the first showing say nothing: force them the other way.
  CMenu::FromHandle(Frame()->GetFrameMenu())
      ->GetSubMenu(1)
      ->EnableMenuItem(ID_TB_ORPHAN, MF_BYCOMMAND | MF_ENABLED);
  g_log.clear();
  view->popup(QPoint(10, 10));
  EXPECT_EQ(g_log, std::vector<std::string>{"init menu"});
  ASSERT_TRUE(actionOf(ID_TB_ORPHAN) && actionOf(IDW_BOTTOM));
  EXPECT_FALSE(actionOf(ID_TB_ORPHAN)->isEnabled());
  EXPECT_TRUE(actionOf(IDW_BOTTOM)->isChecked());
  view->setActiveAction(actionOf(IDW_BOTTOM));
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Shows or hides the bottom bar");
  view->hide();
  QxTest::PumpEvents();
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Ready");
}

// An edit has no use for the frame's New: the key goes on to the frame.
TEST_F(UiApp, AcceleratorOpensANewDocumentFromAViewAndFromAnEditControl) {
  Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_EDIT1)->SetFocus();
  QxTest::PressKey('N', MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
  ActiveView()->SetFocus();
  QxTest::PressKey('N', MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 3);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan3");
  BOOL maximized = FALSE;
  Frame()->MDIGetActive(&maximized);
  EXPECT_TRUE(maximized);
}

TEST_F(UiApp, WindowContextDrawsOverTheChildrenAndXorTwiceLeavesNothing) {
  CRect client;
  Frame()->GetClientRect(&client);
  CPoint middle = client.CenterPoint();
  CRect drag(middle.x - 20, middle.y - 2, middle.x + 20, middle.y + 2);
  QImage before = QxTest::ScreenImage(Frame());
  auto dragRect = [&] {
    CWindowDC dc(Frame());
    dc.DrawDragRect(&drag, CSize(1, 2), nullptr, CSize(0, 0));
  };
  dragRect();
  QImage shown = QxTest::ScreenImage(Frame());
  int top = drag.top + Frame()->GetNonClientInsets().top;  // below the menu bar
  bool changed = false;
  for (int x = drag.left; x < drag.right; ++x)
    changed |= shown.pixel(x, top) != before.pixel(x, top);
  EXPECT_TRUE(changed);
  dragRect();
  EXPECT_TRUE(QxTest::ScreenImage(Frame()) == before);
}

UINT PostFindG(LPVOID param) {
  auto* app = static_cast<CTestApp*>(param);
  for (int i = 0; i < 3; ++i) PostThreadMessage(app->m_nThreadID, WM_FINDG, 7 + i, 0);
  return 0;
}

// Thread messages need no window: the application's queue takes them, in a modal loop too.
TEST(UiAppThreads, ThreadMessagesReachTheApplicationInOrderInsideAModalLoop) {
  CTestApp app;
  ASSERT_TRUE(app.InitApplication());
  CWnd modal;
  ASSERT_TRUE(modal.CreateEx(0, nullptr, "modal", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  app.m_pEndModalOnThird = &modal;
  QObject bound;  // ends the loop of a broken queue, and goes with the test
  QTimer::singleShot(5000, &bound, [&] { modal.EndModalLoop(-1); });
  ASSERT_NE(AfxBeginThread(PostFindG, &app), nullptr);
  EXPECT_EQ(modal.RunModalLoop(), IDOK);
  EXPECT_EQ(app.m_threadParams, (std::vector<WPARAM>{7, 8, 9}));
  modal.DestroyWindow();
}

TEST(UiAppStart, MainFrameFailureEndsTheStart) {
  RegisterTestAppResources();
  CTestApp app;
  app.m_bFailMainFrame = true;
  ASSERT_TRUE(app.InitApplication());
  EXPECT_FALSE(app.InitInstance());
  QxTest::PumpEvents();
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST(UiAppStart, RunLoopsWithIdlePassesUntilTheMainWindowCloses) {
  RegisterTestAppResources();
  CTestApp app;
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  HWND hMain = app.m_pMainWnd->GetSafeHwnd();
  QTimer::singleShot(20, [hMain] { PostMessage(hMain, WM_CLOSE, 0, 0); });
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_FALSE(IsWindow(hMain));
  EXPECT_GT(app.m_nIdlePasses, 0);
  EXPECT_EQ(app.GetOpenDocumentCount(), 0);
  QxTest::PumpEvents();
}

// A message box is a modal loop like a dialog's: while it waits for the user,
// messages that arrive make no idle pass run under it.
TEST(UiAppStart, NoIdlePassRunsWhileAMessageBoxWaits) {
  RegisterTestAppResources();
  CTestApp app;
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  HWND hMain = app.m_pMainWnd->GetSafeHwnd();
  int passesBefore = -1, passesAfter = -1;
  const QxMessageBoxPresenter previousPresenter =
      QxSetMessageBoxPresenter([&](HWND, const CString&, const CString&, UINT) {
        passesBefore = app.m_nIdlePasses;
        // The box's own loop: messages arrive and the loop waits between them.
        QEventLoop loop;
        for (int ms : {5, 10, 15})
          QTimer::singleShot(ms, [hMain] { PostMessage(hMain, WM_NULL, 0, 0); });
        QTimer::singleShot(40, &loop, &QEventLoop::quit);
        loop.exec();
        passesAfter = app.m_nIdlePasses;
        return IDOK;
      });
  const QxMessageBoxHandler previousHandler = QxSetMessageBoxHandler(&QxShowMessageBox);
  QTimer::singleShot(20, [hMain] {
    ::MessageBox(hMain, "Inside", "Box", MB_OK);
    QTimer::singleShot(20, [hMain] { PostMessage(hMain, WM_CLOSE, 0, 0); });
  });
  EXPECT_EQ(app.Run(), 0);
  QxSetMessageBoxHandler(previousHandler);
  QxSetMessageBoxPresenter(previousPresenter);
  ASSERT_GE(passesBefore, 0);
  EXPECT_EQ(passesAfter, passesBefore);
  EXPECT_GT(app.m_nIdlePasses, passesAfter);  // the pass held back runs once the box is gone
  QxTest::PumpEvents();
}

TEST(UiAppStart, CommandLineSelectsTheShellCommand) {
  const struct {
    std::vector<CString> args;
    int command;
    BOOL splash;
    const char* file;
  } rows[] = {
      {{}, CCommandLineInfo::FileNew, TRUE, ""},
      {{"design.qox"}, CCommandLineInfo::FileOpen, TRUE, "design.qox"},
      {{"/p", "design.qox"}, CCommandLineInfo::FilePrint, TRUE, "design.qox"},
      {{"-Embedding"}, CCommandLineInfo::FileNew, FALSE, ""},
      {{"/Automation"}, CCommandLineInfo::FileNew, FALSE, ""},
  };
  CWinApp app("Parse");
  for (const auto& row : rows) {
    app.SetCommandLine(row.args);
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    EXPECT_EQ(info.m_nShellCommand, row.command);
    EXPECT_EQ(info.m_bShowSplash, row.splash);
    EXPECT_STREQ(info.m_strFileName, row.file);
  }
}

}  // namespace
}  // namespace qxtest
