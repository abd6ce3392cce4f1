// Every control of every bar can be reached at the window's default size on
// a real window system: docked as the bars dock when the user docks them, one
// under another on the left, and floating, each control lies whole within its
// bar, within the main window (a docked bar) and on the screen. Needs a real
// window system; skipped elsewhere.
#include "tests/support/DesktopInput.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

std::string Text(const CRect& r) {
  char text[96];
  std::snprintf(text, sizeof text, "(%d,%d)-(%d,%d)", static_cast<int>(r.left),
                static_cast<int>(r.top), static_cast<int>(r.right), static_cast<int>(r.bottom));
  return text;
}

bool Inside(const CRect& inner, const CRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

class DesktopBarLayout : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    if (!qxtest::OnRealWindowSystem()) GTEST_SKIP() << "the window's layout needs a real window";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                             qxtest::kXEventBoundMs))
        << "the main window was never shown";
    CRect window;
    Frame()->GetWindowRect(&window);
    m_defaultSize = window.Size();
  }
  struct Bar {
    CControlBar* bar;
    const char* title;
  };
  void Show(CControlBar& bar) {
    Frame()->ShowControlBar(&bar, TRUE, FALSE);
    Settle();
  }
  void Dock(CControlBar& bar) {
    Frame()->DockControlBar(&bar);
    Settle();
  }
  // A double click on the title of the floating bar's window, through the X
  // server as the user makes it; whether the bar docked.
  bool DoubleClickTitle(CControlBar& bar) {
    auto* dock = qobject_cast<QDockWidget*>(bar.QxContainer());
    if (!dock || !dock->widget() || !qxtest::Exposed(dock)) return false;
    const int titleMiddle = dock->widget()->geometry().top() / 2;
    qxtest::ResizeCount resizes(Frame()->QxMainWindow());
    qxtest::XClick(dock, QPoint(dock->width() / 3, titleMiddle), 2);
    Settle();
    // Not even for a moment: on a small screen the window would leave it.
    EXPECT_EQ(resizes.count, 0) << "the main window resized as the bar docked";
    return !bar.IsFloating();
  }
  // The bars shown and docked by double clicks on their titles in the order
  // given, as the user docks them after the program starts on a 1600 x 1000
  // screen (a window of 1200 x 750; that of the test's screen is taller).
  void DockByDoubleClicks(std::initializer_list<CControlBar*> order) {
    if (!qxtest::XInputAvailable()) GTEST_SKIP() << "needs xdotool";
    QMainWindow* window = Frame()->QxMainWindow();
    window->resize(1200, 750);
    ASSERT_TRUE(QTest::qWaitFor([window] { return window->size() == QSize(1200, 750); },
                                qxtest::kXEventBoundMs));
    Settle();
    CRect rect;
    Frame()->GetWindowRect(&rect);
    m_defaultSize = rect.Size();
    for (CControlBar* bar : order) {
      CString title;
      bar->GetWindowText(title);
      if (!bar->IsWindowVisible()) Show(*bar);
      EXPECT_TRUE(DoubleClickTitle(*bar)) << title.GetString() << " still floating";
      ExpectEveryControlReachable(title.GetString());
    }
  }
  CSize m_defaultSize;
  // Once the window manager has placed and framed what the program showed or
  // hid, and the program has taken in what it said of that.
  static void Settle() {
    QxTest::PumpUntilIdle();
    EXPECT_TRUE(qxtest::WindowManagerCaughtUp());
    QxTest::PumpUntilIdle();
  }
  // Every shown bar's controls whole within the bar, a docked bar's within
  // the main window's client area, and all of them on the screen.
  void ExpectEveryControlReachable(const char* arrangement) {
    SCOPED_TRACE(arrangement);
    CRect client;
    Frame()->GetClientRect(&client);
    Frame()->ClientToScreen(&client);
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    const CRect screen(s.left(), s.top(), s.right() + 1, s.bottom() + 1);
    CRect window;
    Frame()->GetWindowRect(&window);
    EXPECT_EQ(window.Size(), m_defaultSize)
        << "the window at " << window.Width() << " x " << window.Height() << ", not "
        << m_defaultSize.cx << " x " << m_defaultSize.cy;
    CMainFrame* f = Frame();
    const Bar all[] = {{&f->m_wndLeftBar, "ProcessView"},
                       {&f->m_wndVarbar, "Variables"},
                       {&f->m_wndCommentBar, "Comments"},
                       {&f->m_wndEqualizerBar, "Performance Equalizer"},
                       {&f->m_wndOutputBar, "SimulationView"}};
    for (const Bar& b : all) {
      if (!b.bar->IsWindowVisible()) continue;
      SCOPED_TRACE(b.title);
      CRect bar;
      b.bar->GetWindowRect(&bar);
      EXPECT_FALSE(bar.IsRectEmpty());
      for (CWnd* control : b.bar->GetChildren()) {
        if (!control->IsWindowVisible()) continue;
        CRect rect;
        control->GetWindowRect(&rect);
        const std::string what = "control " + std::to_string(control->GetDlgCtrlID()) + " at " +
                                 Text(rect) + ", bar " + Text(bar);
        EXPECT_TRUE(Inside(rect, bar)) << what;
        if (!b.bar->IsFloating()) {
          EXPECT_TRUE(Inside(rect, client)) << what << ", client area " << Text(client);
        }
        EXPECT_TRUE(Inside(rect, screen)) << what << ", screen " << Text(screen);
      }
    }
  }
};

}  // namespace

TEST_F(DesktopBarLayout, EveryControlOfEveryBarCanBeReachedDockedAndFloating) {
  CMainFrame* f = Frame();
  ExpectEveryControlReachable("as the program starts");
  Show(f->m_wndCommentBar);
  Show(f->m_wndEqualizerBar);
  ExpectEveryControlReachable("every bar shown, floating as it starts");
  Dock(f->m_wndVarbar);
  ExpectEveryControlReachable("the Variables bar docked");
  Dock(f->m_wndCommentBar);
  ExpectEveryControlReachable("the Comments bar docked below it");
  Dock(f->m_wndEqualizerBar);
  ExpectEveryControlReachable("every bar docked, the last where there is room");
}

// Docked by the float button of its own title bar, a bar goes back to the
// side it was made on; where that side cannot hold it whole, to another.
TEST_F(DesktopBarLayout, ABarDockedByItsTitleBarGoesWhereTheWindowHoldsIt) {
  CMainFrame* f = Frame();
  Show(f->m_wndCommentBar);
  Dock(f->m_wndVarbar);
  Dock(f->m_wndCommentBar);
  Show(f->m_wndEqualizerBar);
  auto* dock = qobject_cast<QDockWidget*>(f->m_wndEqualizerBar.QxContainer());
  ASSERT_NE(dock, nullptr);
  auto* button = dock->findChild<QAbstractButton*>("qt_dockwidget_floatbutton");
  ASSERT_NE(button, nullptr);
  qxtest::ResizeCount resizes(f->QxMainWindow());
  button->click();
  Settle();
  EXPECT_EQ(resizes.count, 0) << "the main window resized as the bar docked";
  ASSERT_FALSE(f->m_wndEqualizerBar.IsFloating());
  ExpectEveryControlReachable("the Equalizer docked by its float button");
}

// Docked by double clicks on their titles, in either order, each bar goes to
// a side that holds it whole and the window keeps its size; once grown, the
// window could leave a smaller screen.
TEST_F(DesktopBarLayout, DockingByDoubleClicksKeepsTheWindowsSize) {
  CMainFrame* f = Frame();
  DockByDoubleClicks({&f->m_wndEqualizerBar, &f->m_wndCommentBar, &f->m_wndVarbar});
}

TEST_F(DesktopBarLayout, DockingByDoubleClicksInTheOtherOrderKeepsTheWindowsSize) {
  CMainFrame* f = Frame();
  DockByDoubleClicks({&f->m_wndVarbar, &f->m_wndCommentBar, &f->m_wndEqualizerBar});
}
