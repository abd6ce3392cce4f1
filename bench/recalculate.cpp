// Recalculation of a design, the road of every change: CQorexDoc::Recalculate
// rebuilds the five blocks with their poles and zeros, forms the loop products
// and determinants, sweeps the parameter loci and the frequency response
// (200 points by default), runs the accuracy watchdog, fills the input
// signals and simulates every sample.
//
// Workloads:
//   NewDocument      the default design (SISO, 600 samples, one 30-step locus)
//   ThreeByThree/30  G = [1/(s+1), 0.5/(2s+1), 0.2/(s+3); 0.3/(s+2),
//                    2/((s+1)(0.5s+1)), 0.4/(s+1); 0.1/(s+4), 0.2/(s+2),
//                    1.5/(s+1)^2], K = diag(k_i (1 + 1/(T_i s))), k = (2, 1.5, 1),
//                    T = (1, 2, 1), P = L = F = I, command (1, 1, 1), Tf = 30 s,
//                    Ts = 0.003 s (10,000 samples), a 30-step logarithmic locus on k1
//   ThreeByThree/200 the same with a 200-step locus
//   ThreeByThreeSweep1000  ThreeByThree/30 with a 1,000-point frequency sweep
// the stages of the 3 x 3 recalculation one by one (Stage_*), and the
// frequency sweep of the 3 x 3 design alone (tick step 5, bands on):
//   Sweep/N          CSIMfreq::ComputeResponses at N = 200, 1,000, 10,000 points
//   SweepSplit_*     its parts at 1,000 points: the evaluation of L G K and
//                    F L G K at every point, the inverses, the bands, and the
//                    characteristic loci (two eigenvalue calls per point, one
//                    with eigenvectors; EigenOnly_* times those calls alone).
// Per-point times are reported as "per_point". The 3 x 3 runs report the
// closed-loop poles (zeros of |I + FLGK|) and transmission zeros (zeros of
// |FLGK|) found, as counters; the sweeps print a checksum (the sum of the
// moduli of the loci and of the inverse). bench/reference/recalculate.m does
// the recalculation with GNU Octave's control package, bench/reference/
// sweep.py and sweep.m the sweep with NumPy and Octave.
//
// The recalculation and sweep rows run a second time, as app/..., inside a
// process that has made its QGuiApplication and drawn one diagram (the Bode
// diagram of the 3 x 3 design through the drawing layer), with the upper
// halves of the vector registers put in use before every iteration, as Qt's
// event dispatch and painting leave them before every handler of the
// program. On processors that pay for mixing that state with SSE code the
// two sets differ unless the kernels clean it. Counters: qt_left_dirty,
// whether making the application left the state in use here (1), did not (0)
// or cannot be read (-1); spoiled, 1 where the processor has AVX and the state
// was put in use (0 elsewhere: both sets then run alike). A row whose diagram
// drew nothing ends with an error. --benchmark_filter=app/ runs that set alone.
//
// Every row checks its result afterwards (a run simulated, poles and loci
// found, the swept arrays written again after being cleared); a row whose
// work did not happen ends with an error, and the program exits non-zero.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "simulation/SIMeigen.h"
#include "simulation/SIMfreq.h"
#include "bench/BenchCheck.h"
#include "bench/ThreeByThreeDesign.h"
#include "diagrams/FreqDiagrams.h"
#include "platform/gdi/Gdi.h"
#include "tests/support/VectorProbe.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Set while the rows run inside the window system: every iteration starts
// with the vector state in use.
bool g_spoilEachIteration = false;

inline void AsAfterQt() {
  if (g_spoilEachIteration) qxtest::QxSpoilUpperVectorState();
}

std::unique_ptr<CQorexDoc> ThreeByThree(int locusSteps) {
  g_nRlLogSteps = locusSteps;
  auto doc = std::make_unique<CQorexDoc>();
  qxbench::MakeThreeByThree(*doc);
  return doc;
}

void Report(benchmark::State& state, const CQorexDoc& doc) {
  const CSIMsystem& s = doc.m_system;
  state.counters["samples"] = s.m_nSteps;
  state.counters["cl_poles"] = s.m_detIFLGK.m_nNum - 1;
  state.counters["tz"] = s.m_detFLGK.m_nNum - 1;
  state.counters["locus_pts"] = doc.m_pVarPoints[0].m_nCount;
  state.counters["error"] = s.m_nError.load();
  qxbench::Check(state,
                 s.m_nSteps > 0 && s.m_detIFLGK.m_nNum > 1 && doc.m_pVarPoints[0].m_nCount > 0 &&
                     s.m_nError.load() == 0,
                 "the recalculation simulated no sample, found no pole or swept no locus");
}

// Whether any of the n entries is not zero: the work wrote its output.
bool Written(const McComplex* p, size_t n) {
  return std::any_of(p, p + n, [](const McComplex& z) { return z.re != 0.0 || z.im != 0.0; });
}

void BM_Recalculate_NewDocument(benchmark::State& state) {
  g_nRlLogSteps = 30;
  CQorexDoc doc;
  for (auto _ : state) {
    AsAfterQt();
    doc.Recalculate();
  }
  Report(state, doc);
}
BENCHMARK(BM_Recalculate_NewDocument)->Unit(benchmark::kMillisecond);

void BM_Recalculate_ThreeByThree(benchmark::State& state) {
  auto doc = ThreeByThree(int(state.range(0)));
  for (auto _ : state) {
    AsAfterQt();
    doc->Recalculate();
  }
  Report(state, *doc);
  static bool printed = false;
  if (state.range(0) == 30 && !printed) {
    printed = true;
    const CSIMtrnfn& p = doc->m_system.m_detIFLGK;
    const CSIMtrnfn& z = doc->m_system.m_detFLGK;
    std::fprintf(stderr, "3x3 closed-loop poles (%d):", p.m_nNum - 1);
    for (int i = 1; i < p.m_nNum; ++i)
      std::fprintf(stderr, " %.6g%+.6gj", p.m_zeros[i].re, p.m_zeros[i].im);
    std::fprintf(stderr, "\n3x3 transmission zeros (%d):", z.m_nNum - 1);
    for (int i = 1; i < z.m_nNum; ++i)
      std::fprintf(stderr, " %.6g%+.6gj", z.m_zeros[i].re, z.m_zeros[i].im);
    std::fprintf(stderr, "\n");
  }
  g_nRlLogSteps = 30;
}
BENCHMARK(BM_Recalculate_ThreeByThree)->Arg(30)->Arg(200)->Unit(benchmark::kMillisecond);

// The sweep settings of these workloads; the defaults are put back afterwards.
struct SweepSettings {
  explicit SweepSettings(int steps) {
    g_nFreqSteps = steps;
    g_nFreqTickStep = 5;
    g_bFreqFlags = 5;
  }
  ~SweepSettings() { g_nFreqSteps = 200; }
};

void BM_Recalculate_ThreeByThreeSweep1000(benchmark::State& state) {
  SweepSettings settings(1000);
  auto doc = ThreeByThree(30);
  for (auto _ : state) {
    AsAfterQt();
    doc->Recalculate();
  }
  Report(state, *doc);
}
BENCHMARK(BM_Recalculate_ThreeByThreeSweep1000)->Unit(benchmark::kMillisecond);

// ---- the stages of the 3 x 3 recalculation ---------------------------------------

// A loop system of its own, with the document's blocks in their normal form.
struct Stages {
  std::unique_ptr<CQorexDoc> doc = ThreeByThree(30);
  CSIMsystem sys;
  Stages() {
    for (int i = 0; i < kModelCount; ++i)
      (sys.*kModelWiring[i].block).FromExpr(doc.get(), doc->m_models.GetAt(i)->m_children[1]);
    sys.LoopProducts();
    g_nRlLogSteps = 30;
  }
};

void BM_Stage_BuildBlocks(benchmark::State& state) {
  Stages st;
  for (auto _ : state)
    for (int i = 0; i < kModelCount; ++i)
      (st.sys.*kModelWiring[i].block)
          .FromExpr(st.doc.get(), st.doc->m_models.GetAt(i)->m_children[1]);
  qxbench::Check(state, st.sys.m_G.m_nRows == 3 && st.sys.m_G.m_nCols == 3,
                 "no 3 x 3 process was built");
}
BENCHMARK(BM_Stage_BuildBlocks)->Unit(benchmark::kMicrosecond);

void BM_Stage_LoopProducts(benchmark::State& state) {
  Stages st;
  for (auto _ : state) st.sys.LoopProducts();
  qxbench::Check(state, st.sys.m_detIFLGK.m_nNum > 1, "the loop determinant has no root");
}
BENCHMARK(BM_Stage_LoopProducts)->Unit(benchmark::kMicrosecond);

void BM_Stage_Locus30(benchmark::State& state) {
  Stages st;
  st.doc->m_pVarPoints[0].m_nCount = 0;
  for (auto _ : state) st.sys.ParameterLoci(st.doc.get());
  qxbench::Check(state, st.doc->m_pVarPoints[0].m_nCount > 0, "no locus point was swept");
}
BENCHMARK(BM_Stage_Locus30)->Unit(benchmark::kMicrosecond);

// Sizes the signals, runs the watchdog (60 samples of the loop, no question),
// fills the inputs and resets the states.
void BM_Stage_PrepareWithoutRebuild(benchmark::State& state) {
  Stages st;
  for (auto _ : state) st.doc->m_system.Prepare(st.doc.get(), false);
  qxbench::Check(state, st.doc->m_system.m_nSteps == 10000,
                 "no run of 10,000 samples was prepared");
}
BENCHMARK(BM_Stage_PrepareWithoutRebuild)->Unit(benchmark::kMicrosecond);

void BM_Stage_Simulate10000(benchmark::State& state) {
  Stages st;
  CSIMsystem& s = st.doc->m_system;
  for (auto _ : state) {
    s.ResetStates();
    for (int t = 0; t < s.m_nSteps; ++t) s.SimulateStep(t);
  }
  qxbench::Check(state, s.m_nSteps == 10000 && s.m_yd.At(0, s.m_nSteps - 1) != 0.0,
                 "the run simulated no sample");
  state.counters["s_per_sample"] =
      benchmark::Counter(double(s.m_nSteps) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Stage_Simulate10000)->Unit(benchmark::kMicrosecond);

// ---- the frequency sweep of the 3 x 3 design -----------------------------------------

void PerPoint(benchmark::State& state, int points) {
  state.counters["per_point"] =
      benchmark::Counter(double(points) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The sum of the moduli of the loci and of the inverse responses: the same
// number as the reference scripts print.
double Checksum(const CSIMfreq& f) {
  double sum = 0.0;
  for (int i = 0; i < f.m_nFreqs * f.m_nDim; ++i)
    sum += std::hypot(f.m_pLoci[i].re, f.m_pLoci[i].im);
  for (int i = 0; i < f.m_nFreqs * f.m_nRows * f.m_nCols; ++i)
    sum += std::hypot(f.m_pInverse[i].re, f.m_pInverse[i].im);
  return sum;
}

void BM_Sweep(benchmark::State& state) {
  const int points = int(state.range(0));
  SweepSettings settings(points);
  auto doc = ThreeByThree(30);
  CSIMfreq& f = *doc->m_pFreqModel;
  std::fill_n(f.m_pLoci.get(), f.m_nFreqs * f.m_nDim, McComplex{0.0, 0.0});
  for (auto _ : state) {
    AsAfterQt();
    f.ComputeResponses(doc.get());
  }
  PerPoint(state, points);
  qxbench::Check(state, f.m_nFreqs == points && Written(f.m_pLoci.get(), f.m_nFreqs * f.m_nDim),
                 "the sweep wrote no locus");
  std::fprintf(stderr, "sweep %d points: checksum %.12g\n", points, Checksum(f));
}
BENCHMARK(BM_Sweep)->Arg(200)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The parts of a 1,000-point sweep, each over every point it concerns.
struct SweepParts {
  SweepSettings settings{1000};
  std::unique_ptr<CQorexDoc> doc = ThreeByThree(30);
  CSIMfreq& f = *doc->m_pFreqModel;
  const CSIMsystem& sys = doc->m_system;
  std::vector<double> w;
  SweepParts() {
    f.ComputeResponses(doc.get());
    const double r = CSIMfreq::GridRatio(g_dFreqMin, g_dFreqMax, g_nFreqSteps);
    for (double x = g_dFreqMin; int(w.size()) < g_nFreqSteps; x *= r) w.push_back(x);
  }
};

void BM_SweepSplit_Evaluation(benchmark::State& state) {
  SweepParts p;
  McComplex q[18] = {};
  for (auto _ : state)
    for (double x : p.w) {
      for (int i = 0; i < 9; ++i) q[i] = CSIMfreq::Response(p.sys.m_LGK.m_pElements[i], x);
      for (int i = 0; i < 9; ++i) q[9 + i] = CSIMfreq::Response(p.sys.m_FLGK.m_pElements[i], x);
      benchmark::DoNotOptimize(q);
    }
  PerPoint(state, int(p.w.size()));
  qxbench::Check(state, Written(q, 18), "no response was evaluated");
}
BENCHMARK(BM_SweepSplit_Evaluation)->Unit(benchmark::kMicrosecond);

void BM_SweepSplit_Inverse(benchmark::State& state) {
  SweepParts p;
  const size_t entries = size_t(p.f.m_nFreqs) * p.f.m_nRows * p.f.m_nCols;
  std::fill_n(p.f.m_pInverse.get(), entries, McComplex{0.0, 0.0});
  for (auto _ : state) p.f.SweepInverse();
  PerPoint(state, int(p.w.size()));
  qxbench::Check(state, Written(p.f.m_pInverse.get(), entries), "no inverse was computed");
}
BENCHMARK(BM_SweepSplit_Inverse)->Unit(benchmark::kMicrosecond);

void BM_SweepSplit_Bands(benchmark::State& state) {
  SweepParts p;
  std::fill_n(p.f.m_bandDirect.get(), p.f.m_nBandDim, 0.0);
  for (auto _ : state) p.f.SweepBands(p.sys);
  PerPoint(state, int(p.w.size()));
  qxbench::Check(state,
                 p.f.m_nBandDim > 0 &&
                     std::any_of(p.f.m_bandDirect.get(), p.f.m_bandDirect.get() + p.f.m_nBandDim,
                                 [](double r) { return r != 0.0; }),
                 "no band was computed");
}
BENCHMARK(BM_SweepSplit_Bands)->Unit(benchmark::kMicrosecond);

void BM_SweepSplit_Loci(benchmark::State& state) {
  SweepParts p;
  std::fill_n(p.f.m_pLoci.get(), p.f.m_nFreqs * p.f.m_nDim, McComplex{0.0, 0.0});
  for (auto _ : state)
    for (size_t k = 0; k < p.w.size(); ++k)
      p.f.CharacteristicLoci(p.sys, p.w[k], &p.f.m_pLoci[3 * k], &p.f.m_pLociGain[3 * k],
                             &p.f.m_pDirect[9 * k]);
  PerPoint(state, int(p.w.size()));
  qxbench::Check(state, Written(p.f.m_pLoci.get(), p.f.m_nFreqs * p.f.m_nDim),
                 "no characteristic locus was computed");
}
BENCHMARK(BM_SweepSplit_Loci)->Unit(benchmark::kMicrosecond);

// The two eigenvalue calls of a point on the stored matrices, without the
// evaluation and the angles around them.
void BM_EigenOnly(benchmark::State& state, bool vectors) {
  SweepParts p;
  McComplex w[3] = {}, z[9];
  double work[EigenWorkSize(3)];
  for (auto _ : state)
    for (size_t k = 0; k < p.w.size(); ++k)
      benchmark::DoNotOptimize(ComplexEigen(reinterpret_cast<const double*>(&p.f.m_pDirect[9 * k]),
                                            w, vectors ? z : nullptr, 3, work));
  PerPoint(state, int(p.w.size()));
  qxbench::Check(state, Written(w, 3), "no eigenvalue was computed");
}
BENCHMARK_CAPTURE(BM_EigenOnly, values, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EigenOnly, vectors, true)->Unit(benchmark::kMicrosecond);

// ---- the same rows inside the window system -----------------------------------------

// What making the window system found, once per process.
struct WindowSystem {
  int leftDirty;  // making the application left the vector state in use: 1, 0, -1 unknown
  long inked;     // pixels the diagram drew on the white bitmap
};

// Makes the QGuiApplication and draws the Bode diagram of the 3 x 3 design
// into an off-screen bitmap, once.
const WindowSystem& StartWindowSystem() {
  static const WindowSystem made = [] {
    static int argc = 1;
    static char name[] = "bench_recalculate";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QGuiApplication(argc, argv);  // lives as long as the process
    const std::optional<bool> dirty = qxtest::QxUpperVectorStateDirty();
    InitGlobalResources();
    SweepSettings settings(200);
    auto doc = ThreeByThree(30);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, 1024, 768);
    CBitmap* old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 1024, 768, RGB(255, 255, 255));
    FreqPlot plot(&dc, POINT{40, 380}, 100.0, 4.0, 1024, 768, false);
    DrawBodeCellOf(plot, *doc->m_pFreqModel, 0, 0);
    const long inked = qxbench::PixelsOtherThan(*dc.GetImage(), qRgb(255, 255, 255));
    dc.SelectObject(old);
    return WindowSystem{dirty.has_value() ? int(*dirty) : -1, inked};
  }();
  return made;
}

template <void (*Row)(benchmark::State&)>
void InsideWindowSystem(benchmark::State& state) {
  const WindowSystem& made = StartWindowSystem();
  state.counters["qt_left_dirty"] = made.leftDirty;
  // 0 where the processor has no AVX: then both sets run alike.
  state.counters["spoiled"] = qxtest::QxSpoilUpperVectorState() ? 1 : 0;
  if (!qxbench::Check(state, made.inked > 0, "the diagram drew nothing")) return;
  g_spoilEachIteration = true;
  Row(state);
  g_spoilEachIteration = false;
}

void RegisterInsideWindowSystem() {
  using R = benchmark::internal::Benchmark;
  auto row = [](const char* name, void (*fn)(benchmark::State&)) -> R* {
    return benchmark::RegisterBenchmark((std::string("app/") + name).c_str(), fn);
  };
  row("BM_Recalculate_NewDocument", InsideWindowSystem<BM_Recalculate_NewDocument>)
      ->Unit(benchmark::kMillisecond);
  row("BM_Recalculate_ThreeByThree", InsideWindowSystem<BM_Recalculate_ThreeByThree>)
      ->Arg(30)
      ->Arg(200)
      ->Unit(benchmark::kMillisecond);
  row("BM_Recalculate_ThreeByThreeSweep1000",
      InsideWindowSystem<BM_Recalculate_ThreeByThreeSweep1000>)
      ->Unit(benchmark::kMillisecond);
  row("BM_Sweep", InsideWindowSystem<BM_Sweep>)
      ->Arg(200)
      ->Arg(1000)
      ->Arg(10000)
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterInsideWindowSystem();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return code;
}
