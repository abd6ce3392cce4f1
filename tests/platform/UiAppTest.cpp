// A small application made only from the windows layer: a main frame with a
// toolbar, a status bar, a docked and a floating dialog bar, a document
// template with an MDI child frame and a view. Driven headless through the
// test hooks: command routing, update handlers in the idle pass, bar toggles,
// accelerators, menus, document new/save/open/close, thread messages.
#include "platform/core/Clock.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/WinApp.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDockWidget>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_MAIN = 128;
constexpr UINT IDR_DOC = 129;
constexpr UINT IDD_BOTTOM = 102;
constexpr UINT IDD_FLOAT = 104;
constexpr UINT IDW_BOTTOM = 103;
constexpr UINT IDW_FLOAT = 105;
constexpr UINT IDC_BAR_BUTTON = 1001;
constexpr UINT IDC_BAR_ORPHAN = 1002;
constexpr UINT ID_ROUTE_VIEW = 33001;   // handled by all five targets
constexpr UINT ID_ROUTE_DOC = 33002;    // by all but the view
constexpr UINT ID_ROUTE_CHILD = 33003;  // by the child frame, main frame and application
constexpr UINT ID_ROUTE_MAIN = 33004;   // by the main frame and application
constexpr UINT ID_ROUTE_APP = 33005;    // by the application only
constexpr UINT ID_TB_CHECKED = 33010;
constexpr UINT ID_TB_ORPHAN = 33011;
constexpr UINT ID_INDICATOR_X = 59142;
constexpr UINT WM_FINDG = WM_APP + 8;

std::vector<std::string> g_log;

void RegisterResources() {
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

  QxDialogTemplate bottom;
  bottom.caption = "Bottom";
  bottom.rect = CRect(0, 0, 200, 40);
  QxDialogItem button;
  button.className = "Unknown";  // no control factory: a plain child window
  button.text = "Go";
  button.id = IDC_BAR_BUTTON;
  button.rect = CRect(4, 4, 44, 18);
  bottom.items.push_back(button);
  button.id = IDC_BAR_ORPHAN;
  button.rect = CRect(50, 4, 90, 18);
  bottom.items.push_back(button);
  QxRegisterDialogTemplate(IDD_BOTTOM, bottom);
  QxDialogTemplate floating;
  floating.caption = "Floating";
  floating.rect = CRect(0, 0, 80, 120);
  QxRegisterDialogTemplate(IDD_FLOAT, floating);
}

// ---- the document and the view -----------------------------------------------------

class CPlanDoc : public CDocument {
  DECLARE_DYNCREATE(CPlanDoc)

 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_nValue;
    } else {
      ar >> m_nValue;
      WORD magic = 0;
      ar >> magic;  // files of this kind end with 0xBEEF
      if (magic != 0xBEEF) ar.SetFailed();
    }
    if (ar.IsStoring()) ar << static_cast<WORD>(0xBEEF);
  }
  void DeleteContents() override { m_nValue = 0; }
  int m_nValue = 0;

 protected:
  void OnRoute() { g_log.push_back("doc"); }
  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CPlanDoc, CDocument)
BEGIN_MESSAGE_MAP(CPlanDoc, CDocument)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
END_MESSAGE_MAP()

class CPlanView : public CView {
  DECLARE_DYNCREATE(CPlanView)

 public:
  void OnDraw(CDC* pDC) override {
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, RGB(0, 128, 0));
    ++m_nDraws;
  }
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override {
    ++m_nUpdates;
    CView::OnUpdate(pSender, lHint, pHint);
  }
  int m_nDraws = 0;
  int m_nUpdates = 0;

 protected:
  void OnRoute() { g_log.push_back("view"); }
  void OnUpdateIndicator(CCmdUI* pCmdUI) { pCmdUI->SetText("x=5"); }
  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CPlanView, CView)
BEGIN_MESSAGE_MAP(CPlanView, CView)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_X, OnUpdateIndicator)
END_MESSAGE_MAP()

class CPlanChild : public CMDIChildWnd {
  DECLARE_DYNCREATE(CPlanChild)

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    cs.style = WS_CHILD | WS_VISIBLE | WS_MAXIMIZE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
    return CMDIChildWnd::PreCreateWindow(cs);
  }
  void OnRoute() { g_log.push_back("child"); }
  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CPlanChild, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CPlanChild, CMDIChildWnd)
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
ON_COMMAND(ID_ROUTE_CHILD, OnRoute)
END_MESSAGE_MAP()

// ---- the main frame ------------------------------------------------------------------

// A bar whose docked height is a setting, as a bar with a size grip keeps it.
class CTallBar : public CDialogBar {
 public:
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override {
    CSize size = CDialogBar::CalcFixedLayout(bStretch, bHorz);
    if (bHorz && m_nHeight > 0) size.cy = m_nHeight;
    return size;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    ++m_nExchanges;
    if (pDX->m_bSaveAndValidate && m_bRefuse) pDX->Fail();
  }
  int m_nHeight = 0;
  int m_nExchanges = 0;
  bool m_bRefuse = false;
};

class CTestMainFrame : public CMDIFrameWnd {
 public:
  CToolBar m_wndToolBar;
  CStatusBar m_wndStatusBar;
  CTallBar m_wndBottomBar;
  CDialogBar m_wndFloatBar;
  bool m_bFailCreate = false;

 protected:
  int OnCreate(LPCREATESTRUCT lpcs) {
    if (CMDIFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (m_bFailCreate) return -1;
    static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_X};
    if (!m_wndToolBar.Create(this) || !m_wndToolBar.LoadToolBar(IDR_MAIN)) return -1;
    m_wndToolBar.SetWindowText("Standard");
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 2)) return -1;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    EnableDocking(CBRS_ALIGN_ANY);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    if (!m_wndBottomBar.Create(this, IDD_BOTTOM, CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP, IDW_BOTTOM)) {
      return -1;
    }
    m_wndBottomBar.EnableDocking(CBRS_ALIGN_BOTTOM);
    DockControlBar(&m_wndBottomBar);
    if (!m_wndFloatBar.Create(this, IDD_FLOAT, CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT, IDW_FLOAT)) {
      return -1;
    }
    m_wndFloatBar.SetWindowText("Floating");
    m_wndFloatBar.EnableDocking(CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT);
    CPoint point(300, 130);
    ClientToScreen(&point);
    FloatControlBar(&m_wndFloatBar, point);
    return 0;
  }
  void OnRoute() { g_log.push_back("main"); }
  void OnBarButton() { g_log.push_back("bar button"); }
  void OnInitMenu(CMenu* pMenu) {
    g_log.push_back(pMenu && pMenu->GetSafeHmenu() == GetFrameMenu() ? "init menu" : "other menu");
    CMDIFrameWnd::OnInitMenu(pMenu);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_WM_INITMENU()
ON_COMMAND(ID_ROUTE_VIEW, OnRoute)
ON_COMMAND(ID_ROUTE_DOC, OnRoute)
ON_COMMAND(ID_ROUTE_CHILD, OnRoute)
ON_COMMAND(ID_ROUTE_MAIN, OnRoute)
ON_COMMAND(IDC_BAR_BUTTON, OnBarButton)
ON_COMMAND_EX(IDW_BOTTOM, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_BOTTOM, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_FLOAT, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_FLOAT, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

// ---- the application -------------------------------------------------------------------

class CTestApp : public CWinApp {
 public:
  CTestApp() : CWinApp("Testapp") {}
  bool m_bFailMainFrame = false;
  std::atomic<int> m_nThreadMessages{0};
  WPARAM m_lastThreadParam = 0;

  BOOL InitInstance() override {
    SetRegistryKey("Plenthoria-test");
    LoadStdProfileSettings(4);
    AddDocTemplate(new CMultiDocTemplate(IDR_DOC, RUNTIME_CLASS(CPlanDoc),
                                         RUNTIME_CLASS(CPlanChild), RUNTIME_CLASS(CPlanView)));
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

  CTestMainFrame* Frame() const { return static_cast<CTestMainFrame*>(m_pMainWnd); }
  BOOL OnIdle(LONG lCount) override {
    ++m_nIdlePasses;
    return CWinApp::OnIdle(lCount);
  }
  int m_nIdlePasses = 0;

 protected:
  void OnRoute() { g_log.push_back("app"); }
  void OnUpdateChecked(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
  void OnFindG(WPARAM wParam, LPARAM) {
    m_lastThreadParam = wParam;
    ++m_nThreadMessages;
  }
  DECLARE_MESSAGE_MAP()
};

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

class UiApp : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterResources();
    g_log.clear();
    m_app = std::make_unique<CTestApp>();
    ASSERT_TRUE(m_app->InitApplication());
    ASSERT_TRUE(m_app->InitInstance());
    QxTest::PumpUntilIdle();
  }
  void TearDown() override {
    if (m_app->m_pMainWnd) {
      QxTest::MessageBoxScript discard({IDNO, IDNO, IDNO});
      m_app->m_pMainWnd->SendMessage(WM_CLOSE);
    }
    QxTest::PumpEvents();
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
    m_app->ExitInstance();
    m_app.reset();
  }
  CTestMainFrame* Frame() { return m_app->Frame(); }
  CMDIChildWnd* ActiveChild() { return Frame()->MDIGetActive(); }
  CPlanView* ActiveView() { return static_cast<CPlanView*>(ActiveChild()->GetActiveView()); }
  CPlanDoc* ActiveDoc() { return static_cast<CPlanDoc*>(ActiveChild()->GetActiveDocument()); }

  std::unique_ptr<CTestApp> m_app;
};

}  // namespace

TEST_F(UiApp, StartsWithOneMaximisedUntitledDocument) {
  ASSERT_NE(ActiveChild(), nullptr);
  BOOL maximized = FALSE;
  Frame()->MDIGetActive(&maximized);
  EXPECT_TRUE(maximized);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan1");
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, "Testapp - Plan1");
  EXPECT_GT(ActiveView()->m_nDraws, 0);
  // The view fills the child frame, inside its client edge.
  CRect frameClient, viewClient;
  ActiveChild()->GetClientRect(&frameClient);
  ActiveView()->GetClientRect(&viewClient);
  EXPECT_EQ(viewClient.Width(), frameClient.Width() - 4);
  EXPECT_EQ(QxTest::ClientImage(ActiveView()).pixel(3, 3) & 0xFFFFFF, 0x008000u);
}

TEST_F(UiApp, CommandsRouteViewDocumentChildMainApplication) {
  struct Row {
    UINT id;
    const char* first;
  };
  const Row rows[] = {{ID_ROUTE_VIEW, "view"},
                      {ID_ROUTE_DOC, "doc"},
                      {ID_ROUTE_CHILD, "child"},
                      {ID_ROUTE_MAIN, "main"},
                      {ID_ROUTE_APP, "app"}};
  for (const Row& row : rows) {
    g_log.clear();
    Frame()->SendMessage(WM_COMMAND, row.id);
    EXPECT_EQ(g_log, std::vector<std::string>{row.first}) << row.id;
  }
}

TEST_F(UiApp, IdlePassUpdatesToolbarAndStatusBar) {
  QxTest::PumpUntilIdle();
  CToolBar& toolBar = Frame()->m_wndToolBar;
  EXPECT_FALSE(toolBar.GetButtonStyle(toolBar.CommandToIndex(ID_FILE_NEW)) & TBBS_DISABLED);
  EXPECT_TRUE(toolBar.GetButtonStyle(toolBar.CommandToIndex(ID_TB_ORPHAN)) & TBBS_DISABLED);
  EXPECT_TRUE(toolBar.GetButtonStyle(toolBar.CommandToIndex(ID_TB_CHECKED)) & TBBS_CHECKED);
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(1), "x=5");
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Ready");
  Frame()->SetMessageText(ID_ROUTE_VIEW);
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Routed to the view");
}

TEST_F(UiApp, StatusBarPanes) {
  CStatusBar& status = Frame()->m_wndStatusBar;
  EXPECT_EQ(status.GetCount(), 2);
  EXPECT_EQ(status.CommandToIndex(ID_INDICATOR_X), 1);
  EXPECT_EQ(status.GetItemID(0), ID_SEPARATOR);
  // The window text is the message pane.
  status.SetWindowText("Working");
  EXPECT_STREQ(status.GetPaneText(0), "Working");
  CString text;
  status.GetWindowText(text);
  EXPECT_STREQ(text, "Working");
  // An indicator as wide as its string, and one without a string refused.
  UINT id = 0, style = 0;
  int width = 0;
  status.GetPaneInfo(1, id, style, width);
  EXPECT_GT(width, 0);
  static const UINT missing[] = {ID_SEPARATOR, 40999};
  EXPECT_FALSE(status.SetIndicators(missing, 2));
}

TEST_F(UiApp, ToolbarButtonsSendTheirCommandToTheFrame) {
  CToolBar& toolBar = Frame()->m_wndToolBar;
  EXPECT_EQ(toolBar.GetCount(), 4);
  EXPECT_EQ(toolBar.GetItemID(1), ID_SEPARATOR);
  EXPECT_EQ(toolBar.CommandToIndex(ID_TB_CHECKED), 2);
  EXPECT_EQ(toolBar.CommandToIndex(ID_SEPARATOR), -1);
  EXPECT_FALSE(toolBar.LoadToolBar(9999));
  auto* qtBar = qobject_cast<QToolBar*>(toolBar.GetWidget());
  ASSERT_NE(qtBar, nullptr);
  QAction* first = qtBar->actions().value(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->toolTip(), QString());  // ID_FILE_NEW has no string here
  EXPECT_EQ(qtBar->actions().value(2)->toolTip(), QString("Checked"));
  first->trigger();
  QxTest::PumpEvents();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
}

TEST_F(UiApp, DialogBarControlsNotifyTheBarThenTheFrame) {
  CWnd* button = Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_BUTTON);
  ASSERT_NE(button, nullptr);
  Frame()->m_wndBottomBar.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BAR_BUTTON, BN_CLICKED),
                                      reinterpret_cast<LPARAM>(button->GetSafeHwnd()));
  EXPECT_EQ(g_log, std::vector<std::string>{"bar button"});
  CRect client;
  Frame()->m_wndBottomBar.GetClientRect(&client);
  EXPECT_GT(client.Height(), 0);
}

TEST_F(UiApp, BarTogglesFollowVisibilityIncludingTheFloatingCloseBox) {
  CDialogBar& floating = Frame()->m_wndFloatBar;
  EXPECT_TRUE(floating.IsFloating());
  EXPECT_FALSE(Frame()->m_wndBottomBar.IsFloating());
  auto checked = [&](UINT id) {
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(Frame(), TRUE);
    return ui.m_nCheck;
  };
  EXPECT_EQ(checked(IDW_FLOAT), 1);
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_FALSE(floating.IsWindowVisible());
  EXPECT_EQ(checked(IDW_FLOAT), 0);
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_TRUE(floating.IsWindowVisible());
  EXPECT_EQ(checked(IDW_FLOAT), 1);
  // The floating window's own close box.
  auto* dock = qobject_cast<QDockWidget*>(floating.QxContainer());
  ASSERT_NE(dock, nullptr);
  dock->close();
  EXPECT_EQ(checked(IDW_FLOAT), 0);
  EXPECT_EQ(checked(ID_VIEW_TOOLBAR), 1);
  Frame()->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
  EXPECT_EQ(checked(ID_VIEW_TOOLBAR), 0);
}

TEST_F(UiApp, AHiddenBarFloatedStaysHiddenUntilToggled) {
  CDialogBar& bar = Frame()->m_wndFloatBar;
  Frame()->ShowControlBar(&bar, FALSE, FALSE);
  CPoint point(10, 130);
  Frame()->ClientToScreen(&point);
  Frame()->FloatControlBar(&bar, point, CBRS_ALIGN_TOP);
  EXPECT_FALSE(bar.IsWindowVisible());
  EXPECT_TRUE(bar.IsFloating());
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_TRUE(bar.IsWindowVisible());
  EXPECT_TRUE(bar.IsFloating());
  QPoint shown = bar.QxContainer()->pos();
  EXPECT_EQ(CPoint(shown.x(), shown.y()), point);
  // Docked again, it leaves the floating state; a double click floats it again.
  Frame()->DockControlBar(&bar);
  EXPECT_FALSE(bar.IsFloating());
  QxTest::DoubleClick(&bar, CPoint(5, 5));
  EXPECT_TRUE(bar.IsFloating());
}

TEST_F(UiApp, DialogBarExchangesDataLikeADialog) {
  CTallBar& bar = Frame()->m_wndBottomBar;
  EXPECT_EQ(bar.m_nExchanges, 1);  // the fields went into the controls at creation
  EXPECT_TRUE(bar.UpdateData(FALSE));
  bar.m_bRefuse = true;
  EXPECT_FALSE(bar.UpdateData(TRUE));
  EXPECT_EQ(bar.m_nExchanges, 3);
}

TEST_F(UiApp, LayoutAsksDockedBarsForTheirSize) {
  CTallBar& bar = Frame()->m_wndBottomBar;
  bar.m_nHeight = 90;
  Frame()->RecalcLayout();
  QxTest::PumpEvents();
  CRect client;
  bar.GetClientRect(&client);
  EXPECT_EQ(client.Height(), 90);
}

TEST_F(UiApp, FrameContextDrawsOverItsChildrenAndXorTwiceLeavesNothing) {
  CRect client;
  Frame()->GetClientRect(&client);
  CPoint middle = client.CenterPoint();
  QImage before = QxTest::ScreenImage(Frame());
  CRect drag(middle.x - 20, middle.y - 2, middle.x + 20, middle.y + 2);
  {
    CWindowDC dc(Frame());
    dc.DrawDragRect(&drag, CSize(1, 2), nullptr, CSize(0, 0));
  }
  QImage shown = QxTest::ScreenImage(Frame());
  bool changed = false;
  int top = drag.top + Frame()->GetNonClientInsets().top;  // below the menu bar
  for (int x = drag.left; x < drag.right; ++x)
    changed |= shown.pixel(x, top) != before.pixel(x, top);
  EXPECT_TRUE(changed);
  {
    CWindowDC dc(Frame());
    dc.DrawDragRect(&drag, CSize(1, 2), nullptr, CSize(0, 0));
  }
  EXPECT_TRUE(QxTest::ScreenImage(Frame()) == before);
}

TEST_F(UiApp, MenuPopupGreysUnhandledItemsAndChecksBars) {
  CMenu* menu = CMenu::FromHandle(Frame()->GetFrameMenu());
  ASSERT_NE(menu, nullptr);
  CMenu* view = menu->GetSubMenu(1);
  ASSERT_NE(view, nullptr);
  Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view->GetSafeHmenu()), 1);
  EXPECT_TRUE(view->GetMenuState(ID_TB_ORPHAN, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(view->GetMenuState(IDW_BOTTOM, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(view->GetMenuState(IDW_BOTTOM, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(UiApp, MenuBarPopupsAreUpdatedBeforeTheyShowAndPromptInTheStatusBar) {
  QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
  ASSERT_GE(bar->actions().size(), 2);
  QMenu* view = bar->actions()[1]->menu();
  ASSERT_NE(view, nullptr);
  auto actionOf = [&](UINT id) -> QAction* {
    for (QAction* action : view->actions()) {
      if (action->data().toUInt() == id) return action;
    }
    return nullptr;
  };
  // The items' states before the first showing say nothing: force them the other way.
  CMenu::FromHandle(Frame()->GetFrameMenu())
      ->GetSubMenu(1)
      ->EnableMenuItem(ID_TB_ORPHAN, MF_BYCOMMAND | MF_ENABLED);
  g_log.clear();
  view->popup(QPoint(10, 10));
  EXPECT_EQ(g_log, std::vector<std::string>{"init menu"});
  ASSERT_NE(actionOf(ID_TB_ORPHAN), nullptr);
  EXPECT_FALSE(actionOf(ID_TB_ORPHAN)->isEnabled());
  ASSERT_NE(actionOf(IDW_BOTTOM), nullptr);
  EXPECT_TRUE(actionOf(IDW_BOTTOM)->isChecked());

  view->setActiveAction(actionOf(IDW_BOTTOM));
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Shows or hides the bottom bar");
  view->hide();
  QxTest::PumpEvents();
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Ready");
}

TEST_F(UiApp, AcceleratorOpensANewDocument) {
  ActiveView()->SetFocus();
  QxTest::PressKey('N', MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan2");
  BOOL maximized = FALSE;
  Frame()->MDIGetActive(&maximized);
  EXPECT_TRUE(maximized);
}

namespace {
// A window that takes typing as an edit control does.
class CEditLike : public CWnd {
 protected:
  UINT OnGetDlgCode() { return DLGC_HASSETSEL | DLGC_WANTCHARS; }
  void OnChar(UINT nChar, UINT, UINT) { m_typed += static_cast<char>(nChar); }
  DECLARE_MESSAGE_MAP()

 public:
  std::string m_typed;
};
BEGIN_MESSAGE_MAP(CEditLike, CWnd)
ON_WM_GETDLGCODE()
ON_WM_CHAR()
END_MESSAGE_MAP()
}  // namespace

TEST_F(UiApp, AcceleratorKeysStayInAnEditControl) {
  CEditLike edit;
  ASSERT_TRUE(edit.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(100, 4, 160, 20),
                          &Frame()->m_wndBottomBar, 1003));
  edit.SetFocus();
  QxTest::PressKey('N', MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_EQ(edit.m_typed, "\x0E");  // the control character of Ctrl+N
}

TEST_F(UiApp, SaveOpenAndCloseWithTheSavePrompt) {
  std::string path = qxtest::MakeTempDir("app") + "/first.pln";
  QxFileNamePrompt previous =
      QxSetFileNamePrompt([&](CString& name, BOOL, LPCTSTR, LPCTSTR filter, LPCTSTR ext) {
        EXPECT_STREQ(ext, ".pln");
        EXPECT_NE(CString(filter).Find("Plan Files (*.pln)|*.pln|"), -1);
        name = path.c_str();
        return TRUE;
      });
  ActiveDoc()->m_nValue = 42;
  ActiveDoc()->SetModifiedFlag();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
  QxSetFileNamePrompt(previous);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "first.pln");
  ASSERT_EQ(m_app->GetRecentFiles().size(), 1u);
  // The File menu lists it in place of its "Recent File" item.
  CMenu* fileMenu = CMenu::FromHandle(Frame()->GetFrameMenu())->GetSubMenu(0);
  Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(fileMenu->GetSafeHmenu()), 0);
  CString recent;
  fileMenu->GetMenuString(ID_FILE_MRU_FILE1, recent, MF_BYCOMMAND);
  EXPECT_EQ(recent, CString("&1 ") + path.c_str());
  EXPECT_FALSE(fileMenu->GetMenuState(ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED);

  // With a document open the frame shows the document's menu (it has Save).
  EXPECT_NE(qxui::FindMenuItem(Frame()->GetFrameMenu(), ID_FILE_SAVE, nullptr), nullptr);

  // Modified again, then closed: the prompt, answered "no", discards.
  ActiveDoc()->SetModifiedFlag();
  {
    QxTest::MessageBoxScript boxes({IDNO});
    Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Save changes to first.pln?");
  }
  QxTest::PumpEvents();
  EXPECT_EQ(ActiveChild(), nullptr);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, "Testapp");
  EXPECT_EQ(Frame()->GetFrameMenu(), Frame()->m_hMenuDefault);  // back to the frame's own menu

  CDocument* reopened = m_app->OpenDocumentFile(path.c_str());
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(static_cast<CPlanDoc*>(reopened)->m_nValue, 42);
  EXPECT_EQ(ActiveDoc(), reopened);
}

TEST_F(UiApp, FailedOpenLeavesNothingBehind) {
  std::string path = qxtest::MakeTempDir("app") + "/broken.pln";
  std::ofstream(path, std::ios::binary) << std::string("\x01\0\0\0\x12", 5);
  CMDIChildWnd* before = ActiveChild();
  QxTest::MessageBoxScript boxes;
  EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), nullptr);
  QxTest::PumpEvents();
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_EQ(ActiveChild(), before);
}

TEST_F(UiApp, ViewsFollowTheDocument) {
  int updates = ActiveView()->m_nUpdates;
  ActiveDoc()->UpdateAllViews(nullptr);
  EXPECT_EQ(ActiveView()->m_nUpdates, updates + 1);
}

TEST_F(UiApp, WindowMenuListsTheDocumentWindowsAndActivatesTheChosenOne) {
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CMenu* window = CMenu::FromHandle(Frame()->GetFrameMenu())->GetSubMenu(2);
  ASSERT_NE(window, nullptr);
  auto open = [&] {
    Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window->GetSafeHmenu()), 2);
  };
  auto checked = [&](UINT id) {
    return (window->GetMenuState(id, MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  open();
  open();  // opening again replaces the list
  ASSERT_EQ(window->GetMenuItemCount(), 4u + 1u + 3u);
  EXPECT_TRUE(window->GetMenuState(4, MF_BYPOSITION) & MF_SEPARATOR);
  const char* expected[] = {"&1 Plan1", "&2 Plan2", "&3 Plan3"};
  for (UINT i = 0; i < 3; ++i) {
    CString text;
    window->GetMenuString(5 + i, text, MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i]);
    EXPECT_EQ(window->GetMenuItemID(static_cast<int>(5 + i)), AFX_IDM_FIRST_MDICHILD + i);
  }
  EXPECT_TRUE(checked(AFX_IDM_FIRST_MDICHILD + 2));
  EXPECT_FALSE(checked(AFX_IDM_FIRST_MDICHILD));
  EXPECT_FALSE(window->GetMenuState(ID_WINDOW_CASCADE, MF_BYCOMMAND) & MF_GRAYED);

  Frame()->SendMessage(WM_COMMAND, AFX_IDM_FIRST_MDICHILD);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan1");
  open();
  EXPECT_TRUE(checked(AFX_IDM_FIRST_MDICHILD));
  EXPECT_FALSE(checked(AFX_IDM_FIRST_MDICHILD + 2));

  // A closed window leaves the list.
  Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
  QxTest::PumpUntilIdle();
  open();
  EXPECT_EQ(window->GetMenuItemCount(), 4u + 1u + 2u);
}

TEST_F(UiApp, TileAndCascadeShareTheClientAreaAmongTheDocumentWindows) {
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  QMdiArea* area = Frame()->QxMdiArea();
  ASSERT_NE(area, nullptr);
  const QRect client = area->viewport()->rect();
  struct Row {
    UINT command;
    bool stacked;
  };
  for (Row row : {Row{ID_WINDOW_TILE_HORZ, true}, Row{ID_WINDOW_TILE_VERT, false}}) {
    SCOPED_TRACE(row.stacked ? "horizontal" : "vertical");
    Frame()->SendMessage(WM_COMMAND, row.command);
    QxTest::PumpEvents();
    int next = 0;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
      QRect r = sub->geometry();
      EXPECT_FALSE(sub->isMaximized());
      EXPECT_EQ(row.stacked ? r.top() : r.left(), next);
      EXPECT_EQ(row.stacked ? r.width() : r.height(),
                row.stacked ? client.width() : client.height());
      next = row.stacked ? r.bottom() + 1 : r.right() + 1;
    }
    EXPECT_EQ(next, row.stacked ? client.height() : client.width());
  }
  Frame()->SendMessage(WM_COMMAND, ID_WINDOW_CASCADE);
  QxTest::PumpEvents();
  std::vector<QPoint> corners;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    corners.push_back(sub->pos());
  }
  ASSERT_EQ(corners.size(), 3u);
  EXPECT_NE(corners[0], corners[1]);
  EXPECT_NE(corners[1], corners[2]);
  EXPECT_NE(corners[0], corners[2]);
}

namespace {
UINT PostFindG(LPVOID param) {
  auto* app = static_cast<CTestApp*>(param);
  for (int i = 0; i < 3; ++i) PostThreadMessage(app->m_nThreadID, WM_FINDG, 7 + i, 0);
  return 0;
}
}  // namespace

// Thread messages need no window: the application's own queue takes them.
TEST(UiAppThreads, ThreadMessagesReachTheApplication) {
  CTestApp app;
  ASSERT_TRUE(app.InitApplication());
  CWinThread* worker = AfxBeginThread(PostFindG, &app);
  ASSERT_NE(worker, nullptr);
  for (int i = 0; i < 500 && app.m_nThreadMessages < 3; ++i) {
    QxTest::PumpEvents();
    Sleep(2);
  }
  EXPECT_EQ(app.m_nThreadMessages, 3);
  EXPECT_EQ(app.m_lastThreadParam, 9u);
}

TEST(UiAppStart, MainFrameFailureEndsTheStart) {
  RegisterResources();
  CTestApp app;
  app.m_bFailMainFrame = true;
  ASSERT_TRUE(app.InitApplication());
  EXPECT_FALSE(app.InitInstance());
  QxTest::PumpEvents();
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST(UiAppStart, RunLoopsWithIdlePassesUntilTheMainWindowCloses) {
  RegisterResources();
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

TEST(UiAppStart, CommandLineSelectsTheShellCommand) {
  struct Row {
    std::vector<CString> args;
    int command;
    BOOL splash;
    const char* file;
  };
  const Row rows[] = {
      {{}, CCommandLineInfo::FileNew, TRUE, ""},
      {{"design.qox"}, CCommandLineInfo::FileOpen, TRUE, "design.qox"},
      {{"/p", "design.qox"}, CCommandLineInfo::FilePrint, TRUE, "design.qox"},
      {{"-Embedding"}, CCommandLineInfo::FileNew, FALSE, ""},
      {{"/Automation"}, CCommandLineInfo::FileNew, FALSE, ""},
  };
  CWinApp app("Parse");
  for (const Row& row : rows) {
    app.SetCommandLine(row.args);
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    EXPECT_EQ(info.m_nShellCommand, row.command);
    EXPECT_EQ(info.m_bShowSplash, row.splash);
    EXPECT_STREQ(info.m_strFileName, row.file);
  }
}
