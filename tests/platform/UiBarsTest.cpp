// Control bars: the test application's toggles and their menu checks, floating
// and docking, dialog bars' controls and keys; and bars whose objects outlive
// their frame or go before it.
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QMainWindow>
#include <QTest>

#include <functional>
#include <string>
#include <utility>

namespace qxtest {
namespace {

using UiBars = UiApp;

TEST_F(UiBars, TogglesFollowVisibilityIncludingTheFloatingCloseBox) {
  CDialogBar& floating = Frame()->m_wndFloatBar;
  EXPECT_TRUE(floating.IsFloating());
  EXPECT_FALSE(Frame()->m_wndBottomBar.IsFloating());
  EXPECT_EQ(Update(IDW_FLOAT).m_nCheck, 1);
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_FALSE(floating.IsWindowVisible());
  EXPECT_EQ(Update(IDW_FLOAT).m_nCheck, 0);
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_TRUE(floating.IsWindowVisible());
  EXPECT_EQ(Update(IDW_FLOAT).m_nCheck, 1);
  auto* dock = qobject_cast<QDockWidget*>(floating.QxContainer());
  ASSERT_NE(dock, nullptr);
  dock->close();  // the floating window's own close box
  EXPECT_EQ(Update(IDW_FLOAT).m_nCheck, 0);
  EXPECT_EQ(Update(ID_VIEW_TOOLBAR).m_nCheck, 1);
  Frame()->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
  EXPECT_EQ(Update(ID_VIEW_TOOLBAR).m_nCheck, 0);
}

TEST_F(UiBars, AHiddenBarFloatedStaysHiddenUntilToggledAndADoubleClickFloatsItAgain) {
  CDialogBar& bar = Frame()->m_wndFloatBar;
  Frame()->ShowControlBar(&bar, FALSE, FALSE);
  CPoint point(10, 130);
  Frame()->ClientToScreen(&point);
  Frame()->FloatControlBar(&bar, point, CBRS_ALIGN_TOP);
  EXPECT_FALSE(bar.IsWindowVisible());
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  EXPECT_TRUE(bar.IsWindowVisible());
  EXPECT_TRUE(bar.IsFloating());
  QPoint shown = bar.QxContainer()->pos();
  EXPECT_EQ(CPoint(shown.x(), shown.y()), point);
  Frame()->DockControlBar(&bar);
  EXPECT_FALSE(bar.IsFloating());
  QxTest::DoubleClick(&bar, CPoint(5, 5));
  EXPECT_TRUE(bar.IsFloating());
}

TEST_F(UiBars, DialogBarNotifiesTheFrameExchangesDataAndTakesItsHeight) {
  CTallBar& bar = Frame()->m_wndBottomBar;
  CWnd* button = bar.GetDlgItem(IDC_BAR_BUTTON);
  ASSERT_NE(button, nullptr);
  bar.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BAR_BUTTON, BN_CLICKED),
                  reinterpret_cast<LPARAM>(button->GetSafeHwnd()));
  EXPECT_EQ(g_log, std::vector<std::string>{"bar button"});
  EXPECT_EQ(bar.m_nExchanges, 1);  // the fields went into the controls at creation
  EXPECT_TRUE(bar.UpdateData(FALSE));
  bar.m_bRefuse = true;
  EXPECT_FALSE(bar.UpdateData(TRUE));
  EXPECT_EQ(bar.m_nExchanges, 3);
  bar.m_nHeight = 90;  // the layout asks docked bars for their size
  Frame()->RecalcLayout();
  QxTest::PumpEvents();
  CRect client;
  bar.GetClientRect(&client);
  EXPECT_EQ(client.Height(), 90);
}

TEST_F(UiBars, DialogBarKeysMoveTheFocusAndReachTheOwner) {
  Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_EDIT1)->SetFocus();
  QxTest::PressKey(VK_TAB);  // past the static
  EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), static_cast<int>(IDC_BAR_EDIT2));
  QxTest::PressKey(VK_TAB, MK_SHIFT);
  EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), static_cast<int>(IDC_BAR_EDIT1));
  QxTest::PressKey(VK_RETURN);
  QxTest::PressKey(VK_ESCAPE);
  EXPECT_EQ(g_log, (std::vector<std::string>{"ok", "cancel"}));
}

// The bars of a window kept by another object, as a document may keep them.
struct BarHolder {
  CToolBar toolBar;
  CStatusBar statusBar;
  CDialogBar dialogBar;
};

constexpr UINT IDW_HELD_BAR = 2202;

CFrameWnd* MakeFrameWithBars(BarHolder& bars, bool floatDialogBar) {
  QxDialogTemplate bar;
  bar.rect = CRect(0, 0, 60, 30);
  QxRegisterDialogTemplate(2201, bar);
  auto* frame = new CFrameWnd;
  EXPECT_TRUE(frame->Create(nullptr, "Holder"));
  static const UINT indicators[] = {ID_SEPARATOR};
  EXPECT_TRUE(bars.toolBar.Create(frame) && bars.statusBar.Create(frame) &&
              bars.statusBar.SetIndicators(indicators, 1) &&
              bars.dialogBar.Create(frame, 2201, CBRS_ALIGN_LEFT, IDW_HELD_BAR));
  frame->EnableDocking(CBRS_ALIGN_ANY);
  bars.dialogBar.EnableDocking(CBRS_ALIGN_ANY);
  if (floatDialogBar) frame->FloatControlBar(&bars.dialogBar, CPoint(40, 40));
  frame->ShowWindow(SW_SHOW);
  QxTest::PumpEvents();
  return frame;
}

// The bars' windows go with the frame's; the objects stay usable and no
// longer reach the deleted frame (the sanitizer build checks this). A bar
// object deleted first leaves its frame.
TEST(UiBarHolder, BarsAndFrameEachOutliveTheOther) {
  for (int way : {0, 1, 2}) {  // frame first with the bar docked, floating; bars first
    SCOPED_TRACE(way);
    auto bars = std::make_unique<BarHolder>();
    CFrameWnd* frame = MakeFrameWithBars(*bars, way == 1);
    EXPECT_EQ(bars->dialogBar.IsFloating(), way == 1 ? TRUE : FALSE);
    EXPECT_EQ(frame->GetControlBar(IDW_HELD_BAR), &bars->dialogBar);
    if (way == 2) {
      bars.reset();
      QxTest::PumpEvents();
      EXPECT_TRUE(frame->m_listControlBars.empty());
      EXPECT_EQ(frame->GetControlBar(IDW_HELD_BAR), nullptr);
      frame->RecalcLayout();
    }
    frame->DestroyWindow();  // deletes the frame
    QxTest::PumpEvents();
    if (way == 2) continue;
    EXPECT_EQ(bars->dialogBar.GetSafeHwnd(), nullptr);
    EXPECT_EQ(bars->dialogBar.GetDockingFrame(), nullptr);
    EXPECT_EQ(bars->toolBar.GetDockingFrame(), nullptr);
    EXPECT_FALSE(bars->dialogBar.IsFloating());
    EXPECT_EQ(bars->statusBar.QxContainer(), nullptr);
  }
}

// Docked without a side, a bar goes to the first side it may dock on that
// holds it whole at the window's present size, and stays floating where it
// was when no side does: the window keeps its size throughout. The bars are
// made on the left, as the program's are, so Qt alone would put each back
// there.
TEST(UiBarSides, ABarDockedWithoutASideGoesWhereTheWindowHoldsItOrStaysFloating) {
  // What the window manager makes of the program's requests, taken in.
  auto Settle = [] {
    QxTest::PumpEvents();
    EXPECT_TRUE(WindowManagerCaughtUp());
    QxTest::PumpEvents();
  };
  QxDialogTemplate tall;
  tall.rect = CRect(0, 0, 60, 200);  // dialog units: about 105 x 350 pixels
  QxRegisterDialogTemplate(2211, tall);
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, "Sides"));
  frame->EnableDocking(CBRS_ALIGN_ANY);
  auto bars = std::make_unique<CDialogBar[]>(3);
  for (UINT i = 0; i < 3; ++i) {
    ASSERT_TRUE(bars[i].Create(frame, 2211, CBRS_ALIGN_LEFT, 2212 + i));
    bars[i].EnableDocking(CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT);
    frame->FloatControlBar(&bars[i], CPoint(700 + 120 * i, 40));
  }
  frame->ShowWindow(SW_SHOW);
  // One bar fits in a side column of the window, two do not.
  QMainWindow* window = frame->QxMainWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window->windowHandle(), kXEventBoundMs));
  Settle();
  window->resize(640, 600);
  Settle();
  ASSERT_EQ(window->size(), QSize(640, 600));
  // The third was docked once: floating, it keeps the size it takes docked.
  frame->DockControlBar(&bars[2]);
  frame->FloatControlBar(&bars[2], CPoint(940, 40));
  Settle();
  auto dock = [&bars](int i) { return qobject_cast<QDockWidget*>(bars[i].QxContainer()); };
  auto side = [window, &dock](int i) { return window->dockWidgetArea(dock(i)); };
  frame->DockControlBar(&bars[0]);
  Settle();
  EXPECT_EQ(side(0), Qt::LeftDockWidgetArea);
  // Docked by Qt's own road (a drop on the window): back on the left, where
  // it was made, at once; then where the window holds it.
  dock(1)->setFloating(false);
  Settle();
  EXPECT_FALSE(bars[1].IsFloating());
  EXPECT_EQ(side(1), Qt::RightDockWidgetArea) << "the left side cannot hold it";
  EXPECT_EQ(window->size(), QSize(640, 600));
  // No side holds a third, docked by the program, by its float button or by a
  // drop: it floats where it was; only the drop (Qt's own road) shows it in
  // a side for a moment.
  const QPoint floating = dock(2)->pos();
  auto* floatButton = dock(2)->findChild<QAbstractButton*>("qt_dockwidget_floatbutton");
  ASSERT_NE(floatButton, nullptr);
  const std::pair<const char*, std::function<void()>> roads[] = {
      {"docked by the program", [&] { frame->DockControlBar(&bars[2]); }},
      {"its float button", [&] { floatButton->click(); }},
      {"dropped on the window", [&] { dock(2)->setFloating(false); }}};
  for (const auto& [road, dockIt] : roads) {
    SCOPED_TRACE(road);
    ResizeCount resizes(window);
    dockIt();
    Settle();
    EXPECT_TRUE(bars[2].IsFloating());
    // Floated again after a drop, its new window is placed by a window
    // manager's own rules for now (see the report); elsewhere at its point.
    const bool dropped = std::string(road) == "dropped on the window";
    if (!dropped || !OnRealWindowSystem()) {
      EXPECT_EQ(dock(2)->pos(), floating);
    }
    EXPECT_TRUE(bars[2].IsWindowVisible());
    EXPECT_EQ(window->size(), QSize(640, 600));
    if (!dropped) {
      EXPECT_EQ(resizes.count, 0);
    }
  }
  frame->DestroyWindow();
  QxTest::PumpEvents();
}

}  // namespace
}  // namespace qxtest

namespace qxtest {
namespace {

// A bar floated while hidden and shown later opens at its own size, with room
// for its whole caption, not as a stub.
TEST_F(UiBars, AFloatingDialogBarShownLaterTakesItsTemplateSize) {
  CDialogBar& bar = Frame()->m_wndFloatBar;
  Frame()->ShowControlBar(&bar, FALSE, FALSE);
  Frame()->FloatControlBar(&bar, CPoint(40, 60), CBRS_ALIGN_TOP);
  Frame()->SendMessage(WM_COMMAND, IDW_FLOAT);
  QxTest::PumpEvents();
  ASSERT_TRUE(bar.IsWindowVisible());
  const CSize want = bar.CalcFixedLayout(FALSE, TRUE);
  CRect client;
  // A window manager applies the size in its own time.
  (void)QTest::qWaitFor(
      [&] {
        bar.GetClientRect(&client);
        return client.Width() >= want.cx && client.Height() >= want.cy;
      },
      kXEventBoundMs);
  bar.GetClientRect(&client);
  EXPECT_GE(client.Width(), want.cx);
  EXPECT_GE(client.Height(), want.cy);
}

}  // namespace
}  // namespace qxtest
