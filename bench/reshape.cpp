// A reshape during a run: the design a worker runs is recalculated into
// another shape, so CQorexDoc::Recalculate sets the simulator up afresh
// (CSIMsystem::SetUpDuringRun) while the worker samples. The worker takes
// g_pcsSimulation every sample; how long the reshape keeps it from the lock
// is how long the process keeps its held outputs.
//
// Workload:
//   ThreeByThree  the 3 x 3 design of bench/recalculate.cpp (10,000 samples
//                 of 3 ms, the control limited in each of its three rows)
//                 reshapes a run of the single loop of a new design of the
//                 same times.
// A thread standing in for the worker takes the lock every 0.1 ms and times
// each wait for it. Counters: hold_us, the longest wait over all iterations
// in microseconds (what a sample of the worker may have waited); reshapes, iterations whose
// run took the new shape. The row ends with an error when a reshape did not
// happen, or when the lock was held a millisecond or more.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "bench/BenchCheck.h"
#include "bench/ThreeByThreeDesign.h"
#include "platform/core/Sync.h"
#include "simulation/SIMsystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

// Takes g_pcsSimulation every 0.1 ms while it lives, as a worker takes it
// every sample, and keeps the longest wait for it.
class StandInWorker {
 public:
  StandInWorker() : m_thread([this] { Run(); }) {}
  ~StandInWorker() {
    m_stop = true;
    m_thread.join();
  }
  StandInWorker(const StandInWorker&) = delete;
  StandInWorker& operator=(const StandInWorker&) = delete;
  double LongestWaitMs() const { return m_longestUs.load() / 1000.0; }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    while (!m_stop) {
      const Clock::time_point asked = Clock::now();
      { QxCriticalSectionLock lock(g_pcsSimulation); }
      const long long us =
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - asked).count();
      if (us > m_longestUs.load()) m_longestUs = us;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }

  std::atomic<bool> m_stop{false};
  std::atomic<long long> m_longestUs{0};
  std::thread m_thread;  // last: it starts once the rest is there
};

void BM_ReshapeDuringRun_ThreeByThree(benchmark::State& state) {
  CQorexDoc doc;
  qxbench::MakeLimitedThreeByThree(doc);
  CQorexDoc single;
  CSIMsystem sim;
  sim.SetRunTimes(doc.m_dSamplingTime, doc.m_dFinalTime);
  CSIMsystem* const previous = g_pSimulator.exchange(&sim);
  g_pSimDoc = &doc;
  int reshapes = 0;
  double longest = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      QxCriticalSectionLock lock(g_pcsSimulation);
      sim.Setup(&single);  // the run of the single loop
      sim.m_nStep = 100;
    }
    StandInWorker worker;
    state.ResumeTiming();
    doc.Recalculate();
    state.PauseTiming();
    longest = std::max(longest, worker.LongestWaitMs());
    reshapes += sim.m_c.m_nRows == 3 && sim.m_nError.load() == kSimOk;
    state.ResumeTiming();
  }
  g_pSimDoc = nullptr;
  g_pSimulator = previous;
  state.counters["hold_us"] = longest * 1000.0;
  state.counters["reshapes"] = reshapes;
  state.counters["samples"] = sim.m_nSteps;
  if (qxbench::Check(state,
                     reshapes == static_cast<int>(state.iterations()) && sim.m_nSteps == 10000,
                     "the run did not take the new shape of 10,000 samples"))
    qxbench::Check(
        state, longest < 1.0,
        "the reshape held the simulation lock " + std::to_string(longest) + " ms, 1 ms or more");
}
BENCHMARK(BM_ReshapeDuringRun_ThreeByThree)->Unit(benchmark::kMillisecond);

}  // namespace

QX_BENCHMARK_MAIN()
