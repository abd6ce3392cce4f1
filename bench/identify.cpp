// Process identification on one stored run: the identification cost of one
// evaluation, and FindG end to end.
//
// Design: G = b (1 - tau s/2) / ((a s + 1)(1 + tau s/2)) (the dead-time
// builder's first-order factor), K = (1 + s) / (2 s), P = L = F = 1, true
// values b = 2, a = 3, tau = 0.5. One run of 10,000 samples at Ts = 0.05 s
// from a square setpoint of period 100 s (1, then 0), made by the loop's own
// simulation at the true values, noise-free; the search starts from
// (1, 1, 1) with the default settings.
//
// Workloads:
//   IdentificationCost   one evaluation of the cost (G rebuilt, the run
//                        re-simulated and weighed): "samples_per_s"
//   FindG                FindG end to end: "evals" cost evaluations, the
//                        relative errors of b, a and tau
// bench/reference/identify.py bench fits the same data with
// scipy.optimize.least_squares from the same start.
//
// A row that evaluated no cost, or whose search moved no variable from the
// start, ends with an error, and the program exits non-zero.
#include "bench/BenchCheck.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "editing/ModelBuilders.h"
#include "search/EqualizerEngine.h"
#include "tests/support/TreeBuilders.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace qxtest::trees;

constexpr int kSamples = 10000;
constexpr double kTs = 0.05;
constexpr double kPeriod = 100.0;
constexpr double kTrue[3] = {2.0, 3.0, 0.5};

void Set(CMXC_BIN& list, int slot, CMcBasic* rhs) {
  delete list.GetAt(slot)->SetChildAt(rhs, 1);
}

struct Bench {
  std::unique_ptr<CQorexDoc> doc = std::make_unique<CQorexDoc>();
  CEqualizerEngine engine;
  int entry[3] = {};

  Bench() {
    CQorexDoc& d = *doc;
    Set(d.m_models, kModelP, Real(1));
    Set(d.m_models, kModelK, Tf({0.5, 0.5}, {0, 1}));
    Set(d.m_models, kModelG, Div(Variable("b"), Sum({Prod({Variable("a"), S()}), Real(1)})));
    Set(d.m_models, kModelL, Real(1));
    Set(d.m_models, kModelF, Real(1));
    d.UpdateUsedVariables();
    DeadTimeSpec spec;
    spec.amount = 0.5;
    AddDeadTime(d.m_models.GetAt(kModelG), kModelG, spec, &d.m_vars);
    d.UpdateUsedVariables();
    entry[0] = d.m_vars.Find("b", "", 0);
    entry[1] = d.m_vars.Find("a", "", 0);
    entry[2] = d.m_vars.Find("t", "11G", 0x0010);
    SetValues(kTrue);
    d.m_dSamplingTime = kTs;
    d.m_dFinalTime = (kSamples + 0.5) * kTs;
    d.Recalculate();
    CSIMsystem& sys = d.m_system;
    for (int k = 0; k < kSamples; ++k)
      sys.m_c.At(0, k) = std::fmod(k * kTs, kPeriod) < kPeriod / 2 ? 1.0 : 0.0;
    sys.ResetStates();
    for (int k = 0; k < kSamples; ++k) sys.SimulateStep(k);
    d.m_runs[0].setpoint.Assign(sys.m_c);
    d.m_runs[0].control.Assign(sys.m_u);
    d.m_runs[0].output.Assign(sys.m_yd);
    d.m_runs[0].dTs = kTs;
    d.m_nRuns = 1;
    engine.m_pDoc = doc.get();
    const double start[3] = {1, 1, 1};
    SetValues(start);
    d.Recalculate();
  }
  void SetValues(const double* v) {
    for (int i = 0; i < 3; ++i) doc->m_vars.m_pValue[entry[i]] = v[i];
  }
  double Value(int i) const { return doc->m_vars.m_pValue[entry[i]]; }
};

void BM_Identify_IdentificationCost(benchmark::State& state) {
  Bench b;
  b.engine.m_wMode = kEqualizerIdentify;
  // The error weight as FindG builds it.
  CSIMsignal& w = b.doc->m_errorWeight;
  w.Resize(1, kSamples);
  for (int k = 0; k < kSamples; ++k) w.At(0, k) = 1.0;
  const double cost = b.engine.ComputeCost(TRUE);
  const long long before = b.engine.m_nCostCalls;
  for (auto _ : state) benchmark::DoNotOptimize(b.engine.ComputeCost(FALSE));
  qxbench::Check(state, std::isfinite(cost) && b.engine.m_nCostCalls - before >= state.iterations(),
                 "no cost was evaluated");
  state.counters["samples_per_s"] =
      benchmark::Counter(double(state.iterations()) * kSamples, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Identify_IdentificationCost)->Unit(benchmark::kMicrosecond);

void BM_Identify_FindG(benchmark::State& state) {
  Bench b;
  long long evals = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const double start[3] = {1, 1, 1};
    b.SetValues(start);
    b.doc->Recalculate();
    const long long before = b.engine.m_nCostCalls;
    state.ResumeTiming();
    b.engine.FindG();
    evals = b.engine.m_nCostCalls - before;
  }
  qxbench::Check(state, evals > 0, "the search evaluated nothing");
  qxbench::Check(state, b.Value(0) != 1 || b.Value(1) != 1 || b.Value(2) != 1,
                 "the search moved no variable");
  state.counters["evals"] = double(evals);
  const char* names[3] = {"err_b", "err_a", "err_tau"};
  for (int i = 0; i < 3; ++i)
    state.counters[names[i]] = std::fabs(b.Value(i) - kTrue[i]) / kTrue[i];
}
BENCHMARK(BM_Identify_FindG)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

QX_BENCHMARK_MAIN()
