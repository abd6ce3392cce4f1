// A reshape during a run sets the new loop up and simulates it while the
// worker goes on sampling: g_pcsSimulation, which the worker takes every
// sample, is held only to hand the result over. Judged by processor time,
// which a loaded machine does not stretch: another thread holds the lock
// until the reshaping thread waits for it, and what that thread computes
// once it gets the lock is what it computes under the lock.
#include "QorexDoc.h"
#include "bench/ThreeByThreeDesign.h"
#include "platform/core/Sync.h"
#include "simulation/SIMsystem.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

double CpuMs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The scheduler's state letter of thread tid of this process ('R' running
// or runnable, 'S' waiting), or '?'.
char ThreadState(pid_t tid) {
  std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '?';
}

// Whether thread tid waits and its processor time stands still over 20 ms:
// it is blocked, not merely kept from a processor.
bool Blocked(pid_t tid, clockid_t clock) {
  if (ThreadState(tid) != 'S') return false;
  const double before = CpuMs(clock);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return ThreadState(tid) == 'S' && CpuMs(clock) == before;
}

// The 3 x 3 design at 10,000 samples of 3 ms reshapes a run of the single
// loop: the run takes the new shape, and under a millisecond of the
// reshape's processor time is spent holding the lock.
TEST(ReshapeLockHoldThreads, AReshapeHoldsTheLockOnlyToHandItsLoopOver) {
  CQorexDoc doc;
  qxbench::MakeLimitedThreeByThree(doc);  // a loop real time runs
  ASSERT_EQ(doc.m_system.m_nSteps, 10000);
  // The run: the single loop of a new design, of the same times.
  CQorexDoc single;
  CSIMsystem sim;
  sim.SetRunTimes(0.003, 30.0);
  sim.Setup(&single);
  ASSERT_EQ(sim.m_c.m_nRows, 1);
  sim.m_nStep = 41;
  sim.m_nLiveSamples = 42;
  CSIMsystem* const previousSimulator = g_pSimulator.exchange(&sim);
  g_pSimDoc = &doc;

  const pid_t reshaper = gettid();
  clockid_t reshaperClock{};
  ASSERT_EQ(pthread_getcpuclockid(pthread_self(), &reshaperClock), 0);
  std::atomic<bool> held{false};
  bool sawBlocked = false;
  double cpuAtRelease = 0.0;
  std::thread holder([&] {
    QxCriticalSectionLock lock(g_pcsSimulation);
    held = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(sawBlocked = Blocked(reshaper, reshaperClock)) &&
           std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cpuAtRelease = CpuMs(reshaperClock);
  });
  while (!held) std::this_thread::yield();
  const double cpuAtStart = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  doc.Recalculate();
  const double cpuAtEnd = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  holder.join();
  g_pSimDoc = nullptr;
  g_pSimulator = previousSimulator;

  std::printf(
      "reshape of the 3 x 3 at 10,000 samples: %.3f ms of processor time under the lock, "
      "%.3f ms for the whole recalculation\n",
      cpuAtEnd - cpuAtRelease, cpuAtEnd - cpuAtStart);
  ASSERT_TRUE(sawBlocked) << "the reshape never waited for the lock";
  EXPECT_EQ(sim.m_c.m_nRows, 3);
  EXPECT_EQ(sim.m_nSteps, 10000);
  EXPECT_EQ(sim.m_nError.load(), kSimOk);
  EXPECT_EQ(sim.m_nShapeFrom.load(), 42) << "the pass under way is of two shapes";
  EXPECT_EQ(sim.m_nLiveSamples.load(), 42);
  // The new loop's run fills the signals: its step response has risen.
  EXPECT_NEAR(sim.m_yd.At(0, 9999), doc.m_system.m_yd.At(0, 9999), 1e-9);
  EXPECT_GT(sim.m_yd.At(0, 9999), 0.5);
  EXPECT_LT(cpuAtEnd - cpuAtRelease, 1.0)
      << "ms of processor time under the lock, of " << cpuAtEnd - cpuAtStart
      << " ms for the whole recalculation";
}

}  // namespace
