// The Performance Equalizer on the 3 x 3 reference design: the weighted cost
// of one test run, the local and global searches end to end, and recording a
// design.
//
// Design: G = [1/(s+1), 0.5/(2s+1), 0.2/(s+3); 0.3/(s+2), 2/((s+1)(0.5s+1)),
// 0.4/(s+1); 0.1/(s+4), 0.2/(s+2), 1.5/(s+1)^2], K = diag(k_i (1 + 1/(T_i s)))
// with T = (1, 2, 1) as numbers and k = (2, 1.5, 1) free (K is tunable, as in
// a new document), P = L = F = I, command (1, 1, 1), Ts = 0.003 s, Tf = 30 s.
// The test run has m = 3 outputs and L = 390 samples. Weights: "Final
// value" 50, "Time constant" 50, "Oscillations" 20, "Interaction" 20,
// "Control action amplitude" 10, the rest 0. Recording off unless stated; no
// window (the pane repaints of mode 0x0002 draw nothing).
//
// Workloads:
//   ComputeCost/1, /0       one evaluation with the test signals rebuilt or
//                           reused (the searches' case): "eval_per_s"
//   OptimizeLocal           Optimize(0) from the start values, end to end
//                           (search, recalculation of the 10,000-sample run)
//   OptimizeGlobal          Optimize(0x8002) the same; "evals" counts the cost
//                           evaluations of one search
//   RecordDesign            RecordDesign(0) with recording on: what a root drag
//                           with recording on adds to every drag step
// The start cost is printed with 17 digits; bench/reference/equalizer.py
// computes the same cost with NumPy and runs Nelder-Mead from the same start
// with as many evaluations as OptimizeGlobal counts.
//
// A row that evaluated no cost, whose search moved no variable or whose
// recording recorded nothing ends with an error, and the program exits
// non-zero.
#include "bench/BenchCheck.h"
#include "bench/ThreeByThreeDesign.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "search/EqualizerEngine.h"
#include "search/QOX_HistVar.h"
#include "tests/support/TreeBuilders.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace qxtest::trees;

const double kStart[] = {2, 1.5, 1};
const char* const kSubs[] = {"1", "2", "3"};

std::unique_ptr<CQorexDoc> ReferenceDesign() {
  auto doc = std::make_unique<CQorexDoc>();
  qxbench::SetThreeByThreeLoop(*doc);
  doc->m_dSamplingTime = 0.003;
  doc->m_dFinalTime = 30;
  doc->UpdateUsedVariables();
  doc->UpdateHistory();
  doc->Recalculate();
  return doc;
}

void Restart(CQorexDoc& doc) {
  for (int i = 0; i < 3; ++i) doc.m_vars.m_pValue[doc.m_vars.Find("k", kSubs[i], 0)] = kStart[i];
}

// The engine on the reference design, weighted, free variables collected.
struct Bench {
  std::unique_ptr<CQorexDoc> doc = ReferenceDesign();
  CEqualizerEngine engine;
  Bench() {
    Restart(*doc);
    doc->Recalculate();
    engine.m_pDoc = doc.get();
    engine.SetWeight(0, 50);
    engine.SetWeight(1, 50);
    engine.SetWeight(2, 20);
    engine.SetWeight(3, 20);
    engine.SetWeight(7, 10);
    engine.CollectFreeVariables();
  }
  double Cost() {
    engine.m_wMode = 0;
    return engine.ComputeCost(TRUE);
  }
  void Values(benchmark::State& state) {
    for (int i = 0; i < 3; ++i)
      state.counters[std::string("k") + kSubs[i]] =
          doc->m_vars.m_pValue[doc->m_vars.Find("k", kSubs[i], 0)];
  }
};

void BM_Equalizer_ComputeCost(benchmark::State& state) {
  Bench b;
  const double start = b.Cost();
  static bool printed = false;
  if (!printed) {
    printed = true;
    std::fprintf(stderr, "start cost %.17g (m = %d, L = %d, free %d)\n", start, b.engine.m_nOutputs,
                 b.engine.m_nRunLength, b.engine.m_freeVars.m_nCount);
  }
  const BOOL build = state.range(0) != 0;
  const long long before = b.engine.m_nCostCalls;
  for (auto _ : state) benchmark::DoNotOptimize(b.engine.ComputeCost(build));
  qxbench::Check(state,
                 std::isfinite(start) && b.engine.m_nOutputs > 0 &&
                     b.engine.m_nCostCalls - before >= state.iterations(),
                 "no cost was evaluated");
  state.counters["eval_per_s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["cost"] = start;
}
BENCHMARK(BM_Equalizer_ComputeCost)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void OptimizeFromStart(benchmark::State& state, WORD mode) {
  Bench b;
  long long evals = 0;
  double searchSeconds = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    Restart(*b.doc);
    b.doc->Recalculate();
    const long long before = b.engine.m_nCostCalls;
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    b.engine.Optimize(mode);
    searchSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    evals = b.engine.m_nCostCalls - before;
  }
  qxbench::Check(state, evals > 0, "the search evaluated nothing");
  bool moved = false;
  for (int i = 0; i < 3; ++i)
    moved |= b.doc->m_vars.m_pValue[b.doc->m_vars.Find("k", kSubs[i], 0)] != kStart[i];
  qxbench::Check(state, moved, "the search moved no variable");
  state.counters["evals"] = double(evals);
  state.counters["eval_per_s"] = double(evals) * double(state.iterations()) / searchSeconds;
  state.counters["final_cost"] = b.Cost();
  b.Values(state);
}

void BM_Equalizer_OptimizeLocal(benchmark::State& state) {
  OptimizeFromStart(state, 0);
}
BENCHMARK(BM_Equalizer_OptimizeLocal)->Unit(benchmark::kMillisecond);

void BM_Equalizer_OptimizeGlobal(benchmark::State& state) {
  OptimizeFromStart(state, kEqualizerGlobalButton);
}
BENCHMARK(BM_Equalizer_OptimizeGlobal)->Unit(benchmark::kMillisecond);

void BM_Equalizer_RecordDesign(benchmark::State& state) {
  Bench b;
  b.engine.m_wRecord = 1;
  const long long before = b.engine.m_nCostCalls;
  int most = 0;
  for (auto _ : state) {
    b.engine.RecordDesign(kRecordAppend);
    const int recorded = b.doc->m_pHistory->m_nCount;
    most = std::max(most, recorded);
    if (recorded >= 1000) {
      state.PauseTiming();
      b.doc->m_pHistory->KillAll();
      state.ResumeTiming();
    }
  }
  // Every record runs the test run once.
  qxbench::Check(state, most > 0 && b.engine.m_nCostCalls - before >= state.iterations(),
                 "the recording recorded no design");
}
BENCHMARK(BM_Equalizer_RecordDesign)->Unit(benchmark::kMicrosecond);

}  // namespace

QX_BENCHMARK_MAIN()
