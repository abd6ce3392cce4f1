// The run spot and the tuner's spot of the "ProcessView" bar against real
// workers: quick clicks and double clicks, as the window system reports them.
// The second press of a double click belongs to the first: a double click
// is one click, whatever runs. The bar is docked in a small frame of its own, shown only where the
// window system must time the clicks (see SignalPaneThreadsTest.cpp for why
// the threaded suites keep their windows unshown). The runs a click leaves
// going are judged at their period, as every paced run is.
#include "GlobalResources.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "editing/LeftBar.h"
#include "platform/ui/DocTemplate.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"
#include "simulation/SIMsystem.h"
#include "tests/support/DockedBar.h"
#include "tests/support/InstantCompanion.h"
#include "tests/support/PacedRuns.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TunableK.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <string>
#include <thread>

namespace {

const CPoint kRunSpot(18, 73);
const CPoint kTunerSpot(19, 92);  // button 0: 18 x 18 from (10, 83)
// The design's period, and the samples of a run judged at it.
constexpr long long kPeriodMs = 50;
constexpr std::size_t kJudgedSamples = 8;

class LeftBarSpotThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    m_template = StartWindowlessApp(m_app);
    ASSERT_FALSE(HasFailure());
    InitGlobalResources();
    m_doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
    ASSERT_TRUE(m_doc && m_doc->OnNewDocument());
    m_docked.MakeBars();
    ASSERT_NO_FATAL_FAILURE(
        m_docked.Dock(Bar(), IDD_LEFTBAR, CBRS_ALIGN_LEFT, IDW_LEFTBAR, CRect(0, 0, 300, 200)));
    // The bar takes presses only with a main window.
    m_app->m_pMainWnd = m_docked.Host();
    QxTest::PumpEvents();
    m_doc->m_dSamplingTime = kPeriodMs / 1000.0;
    m_doc->m_dFinalTime = 30.0;
    m_doc->Recalculate();
    Bar().ShowDesign(m_doc, DesignPart::kWhole, 0);
    ASSERT_FALSE(Bar().IsFloating());
  }
  void TearDown() override {
    if (m_doc) StopWhatRuns();
    QxTest::PumpEvents();
    while (g_pKFinder && g_pKFinder->TakeResult()) {
    }
    g_wStatus.store(0);
    m_app->m_pMainWnd = nullptr;
    m_docked.Destroy();
    m_template->CloseAllDocuments(FALSE);
    QxTest::PumpEvents();
    m_app.reset();
    if (!HasFatalFailure()) {
      EXPECT_EQ(m_watch.LateOverTheTest(kPeriodMs), "") << "the test's runs as a whole";
    }
    if (!m_heldUp.empty() && !HasFailure()) GTEST_SKIP() << m_heldUp;
  }

  CLeftBar& Bar() const { return m_docked.Bars().m_wndLeftBar; }
  // Whether a run or a tuning goes on. A stop click only asks the worker to
  // end (it clears g_pSimDoc); the worker is given the sample it may be in.
  static bool Runs() {
    (void)QTest::qWaitFor([] { return !g_pWorkerThread.load() || g_pSimDoc.load(); }, 10000);
    return g_pWorkerThread.load() != nullptr;
  }
  // Stops the running worker, whichever it is, and waits for its end.
  static void StopWhatRuns() { g_pSimulator.load()->StopRealtime(); }
  // Runs are numbered as they start, process-wide.
  static unsigned RunsStarted() { return g_pSimulator.load()->m_nRealtimeRun; }
  // The number of a run started and stopped at once, to count from.
  unsigned LastRunStarted() {
    m_doc->StartStopSimulation();
    StopWhatRuns();
    QxTest::PumpEvents();
    return RunsStarted();
  }
  void Click(CPoint p) { m_docked.Click(p); }
  void DoubleClick(CPoint p) { m_docked.DoubleClick(p); }

  // Clicks on a bar point, one every gapMs milliseconds of the window system's
  // clock, as it reports them: it decides which press is the second of a
  // double click. Each press is released 10 ms later.
  void ClickTrain(CPoint p, int clicks, int gapMs) {
    QWindow* window = Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    CPoint screen = p;
    Bar().ClientToScreen(&screen);
    const QPointF global(screen.x, screen.y);
    const QPointF local = window->mapFromGlobal(QPoint(screen.x, screen.y));
    // Well after any earlier click, so the first press is no double click.
    int& clock = QTest::lastMouseTimestamp;
    clock += 10000;
    for (int i = 0; i < clicks; ++i, clock += gapMs) {
      qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                          QEvent::MouseButtonPress, {}, clock);
      QxTest::PumpEvents();
      qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                          QEvent::MouseButtonRelease, {}, clock + 10);
      QxTest::PumpEvents();
      // A stop click only asks: the run it stopped ends before the next
      // click, as it would in the time between the user's clicks.
      (void)Runs();
    }
    clock += 10000;
  }
  // The host's window as the window system knows it. The window system
  // hands input only to a shown window: the host is shown, small, for this.
  QWindow* Window() const {
    CFrameWnd* host = m_docked.Host();
    if (!host->IsWindowVisible()) {
      host->ShowWindow(SW_SHOWNA);
      QxTest::PumpEvents();
    }
    return host->GetWidget()->window()->windowHandle();
  }

  // K = kp: something for the tuner to tune, pass after pass.
  void GiveTheTunerAVariable() { qxtest::TunableK(*m_doc); }

  // The run or the tuner's pass going on keeps its period over its next
  // samples; a stretch held up from outside and on time net of it is judged
  // again on the run's next samples. A test with a stretch held up every
  // time is skipped once it has ended, saying why, unless it failed.
  void ExpectTheRunKeepsItsPeriod() {
    const auto verdict = m_watch.JudgeTheRunGoingOn(kPeriodMs, kJudgedSamples);
    EXPECT_EQ(verdict.late, "");
    if (!verdict.heldUp.empty()) m_heldUp = verdict.heldUp;
  }

  qxtest::PacedRunWatch m_watch;  // first: the runs' clock and meter from the test's start
  std::unique_ptr<CQorexApp> m_app;
  CMultiDocTemplate* m_template = nullptr;
  CQorexDoc* m_doc = nullptr;
  qxtest::DockedBar m_docked;
  qxtest::InstantCompanion m_companion{m_watch.Heard()};
  std::string m_heldUp;  // why a stretch could not be judged
};

TEST_F(LeftBarSpotThreads, ADoubleClickOnARunningRunSpotStopsItAndStartsNothing) {
  Click(kRunSpot);
  ASSERT_TRUE(Runs());
  ExpectTheRunKeepsItsPeriod();
  const unsigned started = RunsStarted();
  DoubleClick(kRunSpot);
  EXPECT_FALSE(Runs());
  EXPECT_EQ(RunsStarted(), started);
}

TEST_F(LeftBarSpotThreads, ADoubleClickOnAStoppedRunSpotStartsARunThatGoesOn) {
  const unsigned before = LastRunStarted();
  DoubleClick(kRunSpot);
  ASSERT_TRUE(Runs());
  EXPECT_EQ(RunsStarted(), before + 1);
  ExpectTheRunKeepsItsPeriod();
}

// Whatever the window system makes of them, each click and each double click
// starts or stops once.
TEST_F(LeftBarSpotThreads, ClicksInQuickSuccessionOnTheRunSpot) {
  struct Row {
    int clicks, gapMs;
    bool running;
    unsigned starts;
  };
  const Row rows[] = {
      {2, 300, true, 1},   // a slow double click: one start
      {2, 900, false, 1},  // two clicks apart: start and stop
      {10, 60, true, 3},   // five double clicks: start, stop, start, stop, start
      {3, 60, false, 1},   // the third press is a click of its own: the stop
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.clicks) + " clicks " + std::to_string(row.gapMs) + " ms apart");
    const unsigned before = LastRunStarted();
    ClickTrain(kRunSpot, row.clicks, row.gapMs);
    EXPECT_EQ(Runs(), row.running);
    EXPECT_EQ(RunsStarted(), before + row.starts);
    if (row.running && Runs()) ExpectTheRunKeepsItsPeriod();
    StopWhatRuns();
    QxTest::PumpEvents();
  }
}

// A click on the tuner's spot tunes afresh, stopping a tuning that runs; a
// double click does that once, and the tuning it started goes on.
TEST_F(LeftBarSpotThreads, TheTunersSpotAlike) {
  GiveTheTunerAVariable();
  Click(kTunerSpot);
  ASSERT_TRUE(Runs()) << "the tuner tunes";
  ExpectTheRunKeepsItsPeriod();
  DoubleClick(kTunerSpot);  // a restart
  EXPECT_TRUE(Runs());
  StopWhatRuns();
  DoubleClick(kTunerSpot);  // a start
  EXPECT_TRUE(Runs());
  ClickTrain(kTunerSpot, 10, 60);  // five restarts
  EXPECT_TRUE(Runs());
  ClickTrain(kTunerSpot, 3, 60);  // two restarts
  ASSERT_TRUE(Runs());
  ExpectTheRunKeepsItsPeriod();
}

}  // namespace
