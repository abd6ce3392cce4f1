// The live share of the signal panes: a stand-in for the real-time worker
// writes samples into the application-wide simulator under the simulation
// lock and posts "InvalidateSlice"; the pane repaints only the strip around
// the sample, from the simulator's samples.
#include "ChildFrm.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "platform/core/Debug.h"
#include "platform/ui/DocTemplate.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "platform/ui/MessageQueue.h"
#include "search/SearchGlobals.h"
#include "simulation/SIMsystem.h"
#include "tests/diagrams/SignalPaneTestSupport.h"
#include "tests/support/DockedBar.h"
#include "tests/support/InstantCompanion.h"
#include "tests/support/PacedRuns.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TreeBuilders.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace qxsigtest;

// The application object with its document template, the main frame's bars
// as objects, and only the "SimulationView" bar made, docked in a frame that
// is never shown: Qt paints no window, so no thread of Qt's own (which the
// thread sanitizer cannot see into) touches a window's image, and the panes
// paint through their messages. The worker's messages reach the bar as in
// the program: the application, the design, the frame's list of bars.
class SignalPaneThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    m_template = StartWindowlessApp(m_app);
    ASSERT_FALSE(HasFailure());
    InitGlobalResources();
    m_doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
    ASSERT_TRUE(m_doc && m_doc->OnNewDocument());
    m_docked.MakeBars();
    ASSERT_NO_FATAL_FAILURE(m_docked.Dock(Bar(), IDD_OUTPUTBAR, CBRS_ALIGN_BOTTOM, IDW_OUTPUTBAR,
                                          CRect(0, 0, 700, 300)));
    QxTest::PumpEvents();
    Bar().ShowDesign(m_doc, DesignPart::kWhole, 0);
    CRect client;
    Pane().GetClientRect(&client);
    ASSERT_GT(client.Width(), 400);
    ASSERT_GT(client.Height(), 110);
  }
  void TearDown() override {
    g_pSimDoc = nullptr;
    g_pWorkerThread = nullptr;
    m_docked.Destroy();
    m_template->CloseAllDocuments(FALSE);
    QxTest::PumpEvents();
    m_app.reset();
  }

  COutputBar& Bar() const { return m_docked.Bars().m_wndOutputBar; }
  CZevSIGWnd& Pane() const { return *Bar().GetPane(0); }
  CQorexDoc& Doc() const { return *m_doc; }
  // A full repaint, then the pane's image.
  QImage Image() {
    Bar().UpdatePanes();
    return QxTest::ClientImage(&Pane());
  }

  std::unique_ptr<CQorexApp> m_app;
  CMultiDocTemplate* m_template = nullptr;
  CQorexDoc* m_doc = nullptr;
  qxtest::DockedBar m_docked;
};

TEST_F(SignalPaneThreads, LiveSampleRepaintsItsStripFromTheSimulator) {
  CQorexDoc& doc = Doc();
  doc.m_dSigScaleY = 45;
  CSIMsystem* sim = g_pSimulator.load();
  ASSERT_NE(sim, nullptr);
  sim->m_dTs = doc.m_dSamplingTime;
  sim->m_nSteps = doc.m_system.m_nSteps;
  sim->Setup(&doc);
  ASSERT_EQ(sim->m_c.m_nColumns, 600);
  // As a real run starts: every signal holds the simulated run first.
  for (int t = 0; t < sim->m_nSteps; ++t) sim->SimulateStep(t);
  sim->ResetStates();
  const QImage before = Image();

  constexpr int kSample = 300;
  CWinThread identity;  // what g_pWorkerThread names while the stand-in runs
  std::atomic<bool> posted{false}, stop{false};
  const DWORD uiThread = m_app->m_nThreadID;
  std::thread worker([&] {
    g_pSimDoc = &doc;
    g_pWorkerThread = &identity;
    // The step only grows, as a real worker's does: a hand-over meanwhile
    // replaces the samples after it with the design's.
    auto write = [&](int k, double value) {
      EnterCriticalSection(g_pcsSimulation);
      sim->m_c.At(0, k) = value;
      sim->m_nStep = std::max(sim->m_nStep.load(), k);
      LeaveCriticalSection(g_pcsSimulation);
    };
    for (int k = 0; k <= kSample; ++k) write(k, 2.0);
    PostThreadMessage(uiThread, WM_QX_INVALIDATESLICE, kSample, 0);
    posted = true;
    // The worker goes on writing while the pane paints: the strip's samples
    // (the same values again, so the picture stays the same) and far ones.
    for (int k = 0; !stop; k = (k + 1) % 10) {
      write(kSample - 4 + k % 5, 2.0);
      write(450 + k, 3.0);
    }
    g_pWorkerThread = nullptr;
    g_pSimDoc = nullptr;
  });
  while (!posted) std::this_thread::yield();
  QxTest::PumpEvents();
  Pane().UpdateWindow();  // a hidden window paints when asked
  const QImage after = QxTest::ClientImage(&Pane());
  stop = true;
  worker.join();

  // The strip of samples 297 .. 301, a pixel wider on each side.
  const int left = 25 + kSample - 3 - 1, right = 25 + kSample + 1 + 1;
  ASSERT_EQ(after.size(), before.size());
  int changed = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) {
      if ((At(after, x, y) != At(before, x, y)) && (x < left || x >= right))
        FAIL() << x << "," << y;
      changed += (At(after, x, y) != At(before, x, y));
    }
  EXPECT_GT(changed, 0);
  EXPECT_EQ(At(after, 25 + kSample - 1, 105 - 90), kCommandBlue) << "the simulator's 2";
  // Other signals of the loop may stand at 1 there; the command does not.
  EXPECT_NE(At(after, 25 + kSample - 1, 105 - 45), kCommandBlue) << "not the design's 1";
  EXPECT_EQ(At(after, 25 + kSample + 20, 105 - 45), kCommandBlue) << "outside: as before";
}

// The panes share g_pMemDC with every window of the user-interface thread:
// a worker's repaint request is refused (and reported), nothing is drawn.
TEST_F(SignalPaneThreads, UpdatePanesOffTheUserInterfaceThreadDrawsNothing) {
  const QImage before = Image();
  Doc().m_dSigScaleY = 20;  // a repaint would move the curves
  const int failures = QxAssertFailureCount();
  std::thread worker([this] { Bar().UpdatePanes(); });
  worker.join();
  EXPECT_EQ(QxAssertFailureCount(), failures + 1);
  EXPECT_EQ(QxTest::ClientImage(&Pane()), before);
}

// The real worker on the emulated unit (a companion that answers 0 V): the
// panes grow with its slices while it writes, and the end of the run
// repaints them whole on this thread, showing the run handed over. The run
// keeps its period.
TEST_F(SignalPaneThreads, ARealRunGrowsThePanesAndItsEndRepaintsThem) {
  qxtest::PacedRunWatch watch;
  qxtest::InstantCompanion companion(watch.Heard());
  CQorexDoc& doc = Doc();
  doc.m_dSamplingTime = 0.02;
  doc.m_dFinalTime = 0.4;  // 20 samples
  doc.Recalculate();
  const QImage before = Image();
  doc.StartStopSimulation();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) {
    QxTest::PumpEvents();
    Pane().UpdateWindow();
  }
  QxTest::PumpEvents();
  Pane().UpdateWindow();
  ASSERT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(doc.m_nRuns, 1);
  const QImage shown = QxTest::ClientImage(&Pane());
  EXPECT_NE(shown, before);
  EXPECT_EQ(shown, Image());  // nothing stale left by the run
  EXPECT_EQ(watch.LateOverTheTest(20), "");
}

// A tuner's pass simulates nothing before it runs: while it drives the pane,
// the pane draws the samples the pass has given, and nothing of the run of a
// longer design left in the simulator.
TEST_F(SignalPaneThreads, ATunersPassDrawsOnlyItsOwnSamples) {
  using qxtest::trees::Real;
  CQorexDoc& doc = Doc();
  CSIMsystem* sim = g_pSimulator.load();
  ASSERT_NE(sim, nullptr);
  // The earlier run: 30 s (600 samples) of a setpoint of 2.
  delete doc.m_signals.GetAt(kSigC)->SetChildAt(Real(2.0), 1);
  doc.Recalculate();
  sim->m_dTs = 0.05;
  sim->m_nSteps = 600;
  sim->Setup(&doc);
  for (int t = 0; t < sim->m_nSteps; ++t) sim->SimulateStep(t);
  // The tuned design: 10 s (200 samples) of a setpoint of 1.
  delete doc.m_signals.GetAt(kSigC)->SetChildAt(Real(1.0), 1);
  doc.m_dFinalTime = 10.0;
  doc.Recalculate();

  CWinThread identity;  // what g_pWorkerThread names while the tuner runs
  g_pWorkerThread = &identity;
  g_pSimDoc = &doc;
  RequestAnswer(kStatusTunerWaitsForDoc);
  doc.PrepareSimulation();  // the candidate as the tuner's request sets it up
  QxTest::PumpEvents();
  Pane().UpdateWindow();
  // Curve pixels of samples from .. to, above the end marker's rows.
  const auto curves = [](const QImage& image, int from, int to) {
    int n = 0;
    for (int x = 25 + from; x < std::min(25 + to, image.width()); ++x)
      for (int y = 0; y < 90; ++y)
        n += At(image, x, y) == kCommandBlue || At(image, x, y) == kOutputGreen;
    return n;
  };
  EXPECT_EQ(curves(QxTest::ClientImage(&Pane()), 0, 600), 0) << "as the candidate was set up";
  EXPECT_EQ(curves(Image(), 0, 600), 0);
  // The pass's first 50 samples (the emulated unit reads 0 V).
  for (int k = 0; k < 50; ++k) sim->RealtimeStep(k);
  const QImage passing = Image();
  EXPECT_GT(curves(passing, 0, 49), 0);
  EXPECT_EQ(curves(passing, 51, 600), 0);
  g_wStatus = 0;
}

}  // namespace
