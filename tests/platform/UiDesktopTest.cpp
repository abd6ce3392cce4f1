// The desktop as a user meets it, with input through the window system's
// queue: floating bars owned by the main window and placed in its client
// area, the menus from the keyboard and keys after a menu, the status prompt
// of a toolbar button, typing into a modal dialog, the states of the document
// windows. The stacking test needs a real window system with a window manager;
// the others run anywhere, and the placement of a bar shows its fault only
// where a window manager places the frame.
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Dialog.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

#include <QDockWidget>
#include <QEvent>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>
#include <functional>
#include <vector>

namespace qxtest {
namespace {

using UiDesktop = UiApp;

QAction* ActionNamed(QWidget* holder, const char* text) {
  for (QAction* action : holder->actions())
    if (action->text() == QLatin1String(text)) return action;
  return nullptr;
}

TEST_F(UiDesktop, AFloatingBarShownAtStartStaysAboveTheMainWindow) {
  if (!OnRealWindowSystem()) GTEST_SKIP() << "needs a window manager";
  QWidget* dock = Frame()->m_wndFloatBar.QxContainer();
  QWidget* main = Frame()->QxMainWindow();
  ASSERT_TRUE(dock && main && dock->isWindow());
  // Owned: kept above its owner and out of the task list by the window manager.
  EXPECT_TRUE(dock->windowFlags() & Qt::Tool);
  const auto frameId = static_cast<unsigned long>(main->winId());
  const auto dockId = static_cast<unsigned long>(dock->winId());
  std::vector<unsigned long> order;
  QElapsedTimer clock;
  clock.start();
  auto place = [&](unsigned long id) {
    return std::find(order.begin(), order.end(), id) - order.begin();
  };
  do {  // the window manager stacks them in its own time
    QxTest::PumpEvents();
    order = StackingOrder();
  } while (clock.elapsed() < kXEventBoundMs &&
           (place(frameId) == std::ssize(order) || place(dockId) == std::ssize(order) ||
            place(dockId) < place(frameId)));
  if (order.empty()) GTEST_SKIP() << "no window manager";
  EXPECT_GT(place(dockId), place(frameId))
      << "the window manager never stacked the bar above the main window";
}

// Every show and hide of a top-level dock window (a floating bar's), from
// before the frame is made.
class BarWindowShows : public QObject {
 public:
  struct Shown {
    QObject* window;
    bool shown;
    bool ownerVisible;
  };
  std::vector<Shown> seen;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dock = qobject_cast<QDockWidget*>(watched);
    if (dock && dock->isWindow() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
      QWidget* owner = dock->parentWidget();
      seen.push_back({dock, event->type() == QEvent::Show, owner && owner->isVisible()});
    }
    return false;
  }
};

class UiDesktopStart : public UiApp {
 protected:
  void SetUp() override {
    qApp->installEventFilter(&m_shows);
    UiApp::SetUp();
  }
  void TearDown() override {
    qApp->removeEventFilter(&m_shows);
    UiApp::TearDown();
  }
  BarWindowShows m_shows;
};

// A window mapped, unmapped and mapped again within a moment can be lost by a
// window manager still busy with the first map: the bar would never appear
// though the program takes it for shown. The bar floated as the frame is made
// is shown once, after the frame.
TEST_F(UiDesktopStart, ABarFloatedAsTheFrameIsMadeIsShownOnceAfterIt) {
  QWidget* dock = Frame()->m_wndFloatBar.QxContainer();
  ASSERT_TRUE(dock && dock->isWindow() && dock->isVisible());
  std::vector<BarWindowShows::Shown> ofBar;
  for (const auto& shown : m_shows.seen)
    if (shown.window == dock) ofBar.push_back(shown);
  ASSERT_EQ(ofBar.size(), 1u) << "the bar's window was shown or hidden " << ofBar.size()
                              << " times as the program started";
  EXPECT_TRUE(ofBar[0].shown);
  EXPECT_TRUE(ofBar[0].ownerVisible) << "the bar's window was shown before the frame";
}

// Escape closes the menu but leaves Qt's focus on the menu bar; a click on a
// bar takes no focus. Ctrl+N must still open a document.
TEST_F(UiDesktop, ShortcutsWorkAfterAMenuClosedWithEscapeAndAClickOnABar) {
  QMainWindow* main = Frame()->QxMainWindow();
  QMenuBar* menuBar = main->menuBar();
  QAction* file = ActionNamed(menuBar, "&File");
  ASSERT_NE(file, nullptr);
  SystemClick(menuBar, menuBar->actionGeometry(file).center());
  QMenu* popup = file->menu();
  ASSERT_TRUE(popup && popup->isVisible());
  SystemKey(popup, Qt::Key_Escape);
  EXPECT_FALSE(popup->isVisible());
  SystemClick(Frame()->m_wndBottomBar.GetWidget(), QPoint(2, 2));
  const qsizetype before = Frame()->QxMdiArea()->subWindowList().size();
  SystemKey(main, Qt::Key_N, Qt::ControlModifier);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Frame()->QxMdiArea()->subWindowList().size(), before + 1);
}

// The menu bar from the keyboard: Alt with a title's mnemonic opens its menu
// with the first item selected; a lone Alt or F10 puts the bar in its keyboard
// mode, where letters, arrows and Return open menus. Escape goes back to the
// titles and then gives the keys back to the window: Ctrl+N works again.
TEST_F(UiDesktop, MenusOpenFromTheKeyboardAndEscapeGivesTheKeysBack) {
  QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
  QWidget* view = ActiveView()->GetWidget();
  SystemClick(view, QPoint(10, 10));
  QMenu* file = ActionNamed(bar, "&File")->menu();
  QMenu* window = ActionNamed(bar, "&Window")->menu();
  const struct {
    const char* keys;
    std::function<void()> press;
    QMenu* opens;
  } rows[] = {
      {"Alt+F", [&] { SystemKey(view, Qt::Key_F, Qt::AltModifier); }, file},
      {"Alt+W", [&] { SystemKey(view, Qt::Key_W, Qt::AltModifier); }, window},
      {"Alt, then F",
       [&] {
         SystemKey(view, Qt::Key_Alt);
         SystemKey(view, Qt::Key_F);
       },
       file},
      {"F10, then Return",
       [&] {
         SystemKey(view, Qt::Key_F10);
         EXPECT_EQ(bar->activeAction(), file->menuAction());  // a title, no menu yet
         EXPECT_FALSE(file->isVisible());
         SystemKey(view, Qt::Key_Return);
       },
       file},
      {"F10, Left, Down",
       [&] {
         SystemKey(view, Qt::Key_F10);
         SystemKey(view, Qt::Key_Left);
         SystemKey(view, Qt::Key_Down);
       },
       window},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    row.press();
    ASSERT_TRUE(row.opens->isVisible());
    EXPECT_NE(row.opens->activeAction(), nullptr);
    SystemKey(row.opens, Qt::Key_Escape);
    EXPECT_FALSE(row.opens->isVisible());
    EXPECT_EQ(bar->activeAction(), row.opens->menuAction());
    SystemKey(view, Qt::Key_Escape);
    EXPECT_EQ(bar->activeAction(), nullptr);
    const qsizetype before = Frame()->QxMdiArea()->subWindowList().size();
    SystemKey(view, Qt::Key_N, Qt::ControlModifier);
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Frame()->QxMdiArea()->subWindowList().size(), before + 1);
    view = ActiveView()->GetWidget();
  }
  // An item chosen by its mnemonic runs its command and gives the keys back.
  const qsizetype before = Frame()->QxMdiArea()->subWindowList().size();
  SystemKey(view, Qt::Key_F, Qt::AltModifier);
  SystemKey(file, Qt::Key_N);
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(file->isVisible());
  EXPECT_EQ(bar->activeAction(), nullptr);
  SystemKey(ActiveView()->GetWidget(), Qt::Key_N, Qt::ControlModifier);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Frame()->QxMdiArea()->subWindowList().size(), before + 2);
}

// An accelerator comes before the menu of the same mnemonic.
TEST_F(UiDesktop, AnAcceleratorWithAltComesBeforeTheMenu) {
  constexpr UINT kTable = 0x7E01;
  QxRegisterAccelerators(kTable, {{FVIRTKEY | FALT, 'W', ID_ROUTE_MAIN}});
  const HACCEL saved = Frame()->m_hAccelTable;
  Frame()->m_hAccelTable = LoadAccelerators(nullptr, MAKEINTRESOURCE(kTable));
  QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
  SystemKey(ActiveView()->GetWidget(), Qt::Key_W, Qt::AltModifier);
  Frame()->m_hAccelTable = saved;
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(ActionNamed(bar, "&Window")->menu()->isVisible());
  EXPECT_EQ(bar->activeAction(), nullptr);
  EXPECT_EQ(g_log, std::vector<std::string>{"main"});
}

// A bar floated as its frame is made, at the frame's client point (100, 10),
// is there when the frame shows, wherever the window manager put the frame:
// under the menu bar, not over its titles.
TEST_F(UiDesktop, ABarFloatedAtAClientPointLiesBelowTheMenuBar) {
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAIN));
  CDialogBar bar;
  ASSERT_TRUE(bar.Create(frame, IDD_FLOAT, CBRS_ALIGN_LEFT, IDW_FLOAT));
  bar.EnableDocking(CBRS_ALIGN_LEFT);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  const CPoint client(100, 10);
  CPoint screen = client;
  frame->ClientToScreen(&screen);
  frame->FloatControlBar(&bar, screen);
  frame->ShowWindow(SW_SHOW);
  QMainWindow* window = frame->QxMainWindow();
  if (OnRealWindowSystem()) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window->windowHandle(), kXEventBoundMs))
        << "the frame was never shown";
  }
  QxTest::PumpUntilIdle();
  QMenuBar* menu = window->menuBar();
  QWidget* dock = bar.QxContainer();
  EXPECT_GE(dock->frameGeometry().top(), menu->mapToGlobal(QPoint(0, menu->height())).y());
  screen = client;
  frame->ClientToScreen(&screen);
  constexpr int kFrameEdge = 4;  // offscreen, a window's edge is not known before it shows
  EXPECT_LE((dock->pos() - QPoint(screen.x, screen.y)).manhattanLength(), kFrameEdge);
  frame->DestroyWindow();
}

QMdiSubWindow* SubWindowOf(CMDIChildWnd* child) {
  return qobject_cast<QMdiSubWindow*>(child->GetWidget()->parentWidget());
}

// The area stays maximised when its maximised document closes: the next
// active document shows maximised, its title in the main window's caption.
TEST_F(UiDesktop, ClosingTheMaximisedDocumentShowsTheNextOneMaximised) {
  CMDIChildWnd* first = ActiveChild();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  BOOL maximized = FALSE;
  ASSERT_NE(Frame()->MDIGetActive(&maximized), first);
  ASSERT_TRUE(maximized);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Frame()->MDIGetActive(&maximized), first);
  EXPECT_TRUE(maximized);
  EXPECT_TRUE(SubWindowOf(first)->isMaximized());
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, "Testapp - [Plan1]");
}

// A minimised document is active until another document is clicked.
TEST_F(UiDesktop, AMinimisedDocumentLosesActivationToAClickedOne) {
  CMDIChildWnd* first = ActiveChild();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CMDIChildWnd* second = ActiveChild();
  Frame()->MDITile(MDITILE_VERTICAL);
  SystemClick(first->GetActiveView()->GetWidget(), QPoint(10, 10));
  ASSERT_EQ(ActiveChild(), first);
  SystemClick(second->GetActiveView()->GetWidget(), QPoint(10, 10));
  SubWindowOf(second)->showMinimized();  // as its minimise button does
  QxTest::PumpUntilIdle();
  ASSERT_EQ(ActiveChild(), second);
  SystemClick(first->GetActiveView()->GetWidget(), QPoint(10, 10));
  EXPECT_EQ(ActiveChild(), first);
  EXPECT_EQ(Frame()->QxMdiArea()->activeSubWindow(), SubWindowOf(first));
}

// While a modal dialog disables the frame, a click behind it reaches no window:
// it neither activates another document nor acts in its view.
TEST_F(UiDesktop, AClickOnADisabledFrameReachesNoWindow) {
  CMDIChildWnd* first = ActiveChild();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CMDIChildWnd* second = ActiveChild();
  Frame()->MDITile(MDITILE_VERTICAL);
  QxTest::PumpUntilIdle();
  Frame()->EnableWindow(FALSE);
  SystemClick(first->GetActiveView()->GetWidget(), QPoint(10, 10));
  EXPECT_EQ(ActiveChild(), second);
  Frame()->EnableWindow(TRUE);
  SystemClick(first->GetActiveView()->GetWidget(), QPoint(10, 10));
  EXPECT_EQ(ActiveChild(), first);
}

TEST_F(UiDesktop, AButtonsPromptLeavesWithThePointer) {
  auto* tools = qobject_cast<QToolBar*>(Frame()->m_wndToolBar.GetWidget());
  ASSERT_NE(tools, nullptr);
  QWidget* button = nullptr;
  for (QAction* action : tools->actions())
    if (action->data().toUInt() == ID_TB_CHECKED) button = tools->widgetForAction(action);
  ASSERT_NE(button, nullptr);
  const CString idle = Frame()->m_wndStatusBar.GetPaneText(0);
  SystemMove(button, button->rect().center());
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), "Checks things");
  SystemMove(Frame()->QxMdiArea(), QPoint(40, 40));
  EXPECT_STREQ(Frame()->m_wndStatusBar.GetPaneText(0), idle);
}

constexpr UINT IDD_STEP = 9201;
constexpr int IDC_STEP = 1201;
constexpr int IDC_FINAL = 1202;

void RegisterStepTemplate(DWORD exStyle) {
  QxDialogTemplate t;
  t.caption = "Step";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.exStyle = exStyle;
  t.rect = CRect(0, 0, 120, 50);
  t.items = {
      QxMakeDialogItem(WC_STATIC, 0xFFFF, "Step:", SS_LEFT, CRect(7, 7, 40, 15)),
      QxMakeDialogItem(WC_EDIT, IDC_STEP, "", WS_TABSTOP | WS_BORDER, CRect(7, 17, 50, 30)),
      QxMakeDialogItem(WC_EDIT, IDC_FINAL, "", WS_TABSTOP | WS_BORDER, CRect(60, 17, 105, 30)),
      QxMakeDialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                       CRect(70, 33, 105, 47)),
  };
  QxRegisterDialogTemplate(IDD_STEP, t);
}

// Two number fields; OnInitDialog may hand the keyboard to the second itself.
class CStepDlg : public CDialog {
 public:
  CStepDlg(CWnd* parent, bool chooseFinal)
      : CDialog(IDD_STEP, parent), m_bChooseFinal(chooseFinal) {}
  double m_dStep = 0.05;
  double m_dFinal = 30;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (!m_bChooseFinal) return TRUE;
    GotoDlgCtrl(GetDlgItem(IDC_FINAL));
    return FALSE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_STEP, m_dStep);
    DDX_Text(pDX, IDC_FINAL, m_dFinal);
  }
  bool m_bChooseFinal;
};

// Whatever its styles (a tool window's small caption included), a modal
// dialog is activated and its chosen control has the keyboard: what the user
// types is the value Return takes.
TEST_F(UiDesktop, AModalDialogTakesWhatIsTypedAndReturnAcceptsIt) {
  const struct {
    DWORD exStyle;
    bool chooseFinal;
  } rows[] = {{0, false}, {WS_EX_TOOLWINDOW, false}, {WS_EX_TOOLWINDOW, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "tool window " << (row.exStyle != 0) << ", second field " << row.chooseFinal);
    RegisterStepTemplate(row.exStyle);
    CStepDlg dlg(Frame(), row.chooseFinal);
    bool focused = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      focused = WaitForFocusWindow(d.GetWidget());
      TypedText("0.02");
      TypedKey(Qt::Key_Return);
    }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(focused) << "the dialog never got the focus";
    EXPECT_DOUBLE_EQ(row.chooseFinal ? dlg.m_dFinal : dlg.m_dStep, 0.02);
    EXPECT_DOUBLE_EQ(row.chooseFinal ? dlg.m_dStep : dlg.m_dFinal, row.chooseFinal ? 0.05 : 30);
  }
}

}  // namespace
}  // namespace qxtest
