// The live share of the signal panes: a stand-in for the real-time worker
// writes samples into the application-wide simulator under the simulation
// lock and posts "InvalidateSlice"; the pane repaints only the strip around
// the sample, from the simulator's samples.
#include "Qorex.h"
#include "QorexDoc.h"
#include "platform/core/Debug.h"
#include "platform/ui/MessageQueue.h"
#include "simulation/SIMsystem.h"
#include "tests/diagrams/SignalPaneTestSupport.h"

#include <atomic>
#include <thread>

namespace {

using namespace qxsigtest;

class SignalPaneThreads : public SignalPanes {};

TEST_F(SignalPaneThreads, LiveSampleRepaintsItsStripFromTheSimulator) {
  CQorexDoc& doc = Doc();
  doc.m_dSigScaleY = 45;
  Change();
  CSIMsystem* sim = g_pSimulator.load();
  ASSERT_NE(sim, nullptr);
  sim->m_dTs = doc.m_dSamplingTime;
  sim->m_nSteps = doc.m_system.m_nSteps;
  sim->Setup(&doc);
  ASSERT_EQ(sim->m_c.m_nColumns, 600);
  const QImage before = Image();

  constexpr int kSample = 300;
  CWinThread identity;  // what g_pWorkerThread names while the stand-in runs
  std::atomic<bool> posted{false}, stop{false};
  const DWORD uiThread = m_app->m_nThreadID;
  std::thread worker([&] {
    g_pSimDoc = &doc;
    g_pWorkerThread = &identity;
    auto write = [&](int k, double value) {
      EnterCriticalSection(g_pcsSimulation);
      sim->m_c.At(0, k) = value;
      sim->m_nStep = k;
      LeaveCriticalSection(g_pcsSimulation);
    };
    for (int k = 0; k <= kSample; ++k) write(k, 2.0);
    PostThreadMessage(uiThread, WM_QX_INVALIDATESLICE, kSample, 0);
    posted = true;
    // Samples far from the strip go on changing while the pane paints.
    for (int k = 450; !stop; k = k < 599 ? k + 1 : 450) write(k, 3.0);
    g_pWorkerThread = nullptr;
    g_pSimDoc = nullptr;
  });
  while (!posted) std::this_thread::yield();
  QxTest::PumpEvents();
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
  EXPECT_EQ(At(after, 25 + kSample - 1, 105 - 45), kWhite) << "not the design's 1";
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

}  // namespace
