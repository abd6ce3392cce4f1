// The Equalizer's standard test run of a design and the nine performance
// criteria measured on it (EqualizerEngine.h).
#include "search/EqualizerEngine.h"

#include "GlobalResources.h"
#include "MC/McFunctions.h"
#include "QorexDoc.h"
#include "platform/core/Clock.h"
#include "simulation/SIMroots.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kBlock = 100;   // samples of one output's step block
constexpr int kWindow = 30;   // samples of each disturbance window
constexpr int kPulse = 15;    // samples of the v and d pulses
constexpr int kSettled = 20;  // final samples of a block the final value reads
constexpr double kPulseHeight = 0.5;
constexpr double kNoDominant = 1e50;

// The largest of the values folded in; one that is not a number makes it
// infinite, so a failed run is never the best on a maximum.
void FoldMax(double& m, double v) {
  if (std::isnan(v))
    m = kInf;
  else if (v > m)
    m = v;
}

// s^(1/4) in 0 .. 1, or 1.0 for a mean that is not finite or above the cap.
double Fourth(double s, double cap = 1.0) {
  if (!std::isfinite(s) || s > cap) return 1.0;
  return std::sqrt(std::sqrt(s / cap));
}

// The run-time library's generator, private to the test noise so that the
// noise is the same in every run and draws elsewhere are left alone.
struct NoiseGenerator {
  DWORD state = 1;
  int Draw() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

thread_local bool t_generatorSeeded = false;

}  // namespace

void EqualizerSeedThreadGenerator() {
  if (t_generatorSeeded) return;
  McRandSeed(GetTickCount() % 100000);
  t_generatorSeeded = true;
}

// ---- preparation -------------------------------------------------------------------

void CEqualizerEngine::PrepareTestRun(BOOL build) {
  if (m_pDoc == nullptr) return;
  CQorexDoc& doc = *m_pDoc;
  CSIMsystem& sys = doc.m_system;
  if (build) {
    const int m = std::min(sys.m_c.m_nRows, sys.m_z.m_nRows);
    const int L = kBlock * m + 90;
    m_nOutputs = m;
    m_nRunLength = L;
    const int steps = sys.m_nSteps;
    sys.m_nSteps = L;
    CSIMsignal* inputs[] = {&sys.m_c, &sys.m_v, &sys.m_d, &sys.m_n};
    for (int s = kSigC; s <= kSigN; ++s)
      inputs[s]->Build(&doc, doc.m_signals.RightSideAt(s), L, false);
    sys.m_nSteps = steps;

    const int tail = kBlock * m;  // first sample of the disturbance part
    for (int i = 0; i < sys.m_c.m_nRows; ++i)
      for (int k = 0; k < L; ++k) sys.m_c.At(i, k) = k >= kBlock * i ? 1.0 : 0.0;
    for (int i = 0; i < sys.m_v.m_nRows; ++i)
      for (int k = 0; k < L; ++k)
        sys.m_v.At(i, k) = k >= tail && k < tail + kPulse ? kPulseHeight : 0.0;
    const int dStart = tail + kWindow;
    for (int i = 0; i < sys.m_d.m_nRows; ++i)
      for (int k = 0; k < L; ++k)
        sys.m_d.At(i, k) = k >= dStart && k < dStart + kPulse ? kPulseHeight : 0.0;
    NoiseGenerator noise;
    const int nStart = tail + 2 * kWindow;
    for (int i = 0; i < sys.m_n.m_nRows; ++i)
      for (int k = 0; k < L; ++k)
        sys.m_n.At(i, k) = k < nStart ? 0.0 : 2.0 * noise.Draw() / McRandMax - 1.0;
    EqualizerSeedThreadGenerator();

    // The computed signals take the rows of the definition that sizes them.
    for (const SIMloopSignal& s : kLoopSignals) {
      if (s.definition >= 0) continue;
      const SIMdimSource& source = kDimSources[s.rows];
      const CMcBasic* side = (source.model ? doc.m_models : doc.m_signals).RightSideAt(source.slot);
      (sys.*s.signal).Build(&doc, side, L, false);
    }
  }
  for (int slot = 0; slot < kModelCount; ++slot) {
    CSIMtrnmx& block = sys.*kModelWiring[slot].block;
    if (!(block.m_wFlags & kBlockTunable)) continue;
    block.FromExprCoefs(&doc, doc.m_models.RightSideAt(slot));
    block.PrepareSimulation();
  }
  sys.ResetStates();
}

void CEqualizerEngine::RunTestRun() {
  if (m_pDoc == nullptr) return;
  CSIMsystem& sys = m_pDoc->m_system;
  if (sys.m_nError != kSimOk) return;
  for (int k = 0; k < m_nRunLength; ++k) sys.SimulateStep(k);
}

bool CEqualizerEngine::TestRunReadable() const {
  if (m_pDoc == nullptr) return false;
  const CSIMsystem& sys = m_pDoc->m_system;
  const int m = m_nOutputs, L = m_nRunLength;
  return sys.m_nError == kSimOk && m >= 1 && L == kBlock * m + 90 && sys.m_z.m_nRows >= m &&
         sys.m_c.m_nRows >= m && sys.m_z.m_nColumns >= L && sys.m_c.m_nColumns >= L &&
         sys.m_u.m_nColumns >= L - 90;
}

// ---- criteria 0 .. 7 ----------------------------------------------------------------

double CEqualizerEngine::MeasureFinalValue() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double s = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * (i + 1) - kSettled; k < kBlock * (i + 1); ++k)
      s += std::fabs(1.0 - y.At(i, k));
  return Fourth(s / (kSettled * m_nOutputs));
}

double CEqualizerEngine::MeasureTimeConstant() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double M = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * i + 1; k < kBlock * (i + 1); ++k)
      FoldMax(M, std::fabs(y.At(i, k) - y.At(i, k - 1)));
  if (!std::isfinite(M)) return 1.0;
  return 1.0 - std::min(M, 1.0);
}

double CEqualizerEngine::MeasureOscillations() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double A = 0.0;
  for (int i = 0; i < m_nOutputs; ++i) {
    const int base = kBlock * i;
    // The last comparison of a block reads the next block's first sample.
    for (int k = base; k <= base + kBlock; ++k)
      if (!std::isfinite(y.At(i, k))) A = kInf;
    auto rising = [&](int k) { return y.At(i, k) <= y.At(i, k + 1); };
    bool f = rising(base);
    double peak = y.At(i, base), valley = peak;
    int turns = 0;
    for (int k = base + 1; k < base + kBlock; ++k) {
      const bool now = rising(k);
      if (now == f) continue;
      // The sample before the turning one is the extreme that is kept.
      (now ? valley : peak) = y.At(i, k - 1);
      if (turns != 0) FoldMax(A, std::fabs(peak - valley));
      ++turns;
      f = now;
    }
  }
  return Fourth(A, 2.0);
}

double CEqualizerEngine::MeasureInteraction() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& r = m_pDoc->m_system.m_c;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double M = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * i; k < kBlock * (i + 1); ++k)
      for (int j = 0; j < m_nOutputs; ++j)
        if (j != i) FoldMax(M, std::fabs(r.At(j, k) - y.At(j, k)));
  return !std::isfinite(M) || M > 1.0 ? 1.0 : M;
}

namespace {
// Sum over the tested rows of (1 - y)^2 over the window from `first`, per sample.
double WindowRejection(const CSIMsignal& y, int m, int first) {
  double s = 0.0;
  for (int i = 0; i < m; ++i)
    for (int k = first; k < first + kWindow; ++k) s += (1.0 - y.At(i, k)) * (1.0 - y.At(i, k));
  return Fourth(s / (kWindow * m));
}
}  // namespace

double CEqualizerEngine::MeasureVRejection() const {
  if (!TestRunReadable()) return 1.0;
  return WindowRejection(m_pDoc->m_system.m_z, m_nOutputs, m_nRunLength - 3 * kWindow);
}

double CEqualizerEngine::MeasureDRejection() const {
  if (!TestRunReadable()) return 1.0;
  return WindowRejection(m_pDoc->m_system.m_z, m_nOutputs, m_nRunLength - 2 * kWindow);
}

double CEqualizerEngine::MeasureNRejection() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double s = 0.0;
  for (int i = 0; i < m_nOutputs; ++i) {
    double row = 0.0;
    for (int k = m_nRunLength - kWindow; k < m_nRunLength; ++k) row += std::fabs(1.0 - y.At(i, k));
    s += row / kWindow;
  }
  return Fourth(s / m_nOutputs);
}

double CEqualizerEngine::MeasureControlAmplitude() const {
  if (!TestRunReadable()) return 1.0;
  const CSIMsignal& u = m_pDoc->m_system.m_u;
  double M = 0.0;
  for (int i = 0; i < u.m_nRows; ++i)
    for (int k = 0; k <= m_nRunLength - 91; ++k) FoldMax(M, std::fabs(u.At(i, k)));
  return !std::isfinite(M) || M > 10.0 ? 1.0 : M / 10.0;
}

// ---- criterion 8 --------------------------------------------------------------------

McComplex CEqualizerEngine::DominantPole() {
  CQorexDoc& doc = *m_pDoc;
  CSIMsystem& sys = doc.m_system;
  CSIMtrnmx* W = sys.m_work;
  CSIMtrnfn* w = sys.m_tfWork;
  for (int i = 0; i < 4; ++i) W[i].FromExpr(&doc, doc.m_models.RightSideAt(kModelK + i));
  W[4].Multiply(W[1], W[0], w[0], w[1], w[2]);  // G K
  W[5].Multiply(W[2], W[4], w[0], w[1], w[2]);  // L G K
  W[6].Multiply(W[3], W[5], w[0], w[1], w[2]);  // F L G K
  W[7].OnePlus(W[6]);
  CSIMtrnfn& det = sys.m_tfSweep;
  if (W[7].IsSquare())
    det.Determinant(W[7].m_pElements.get(), W[7].m_nRows, w[0], w[1], w[2], w[3]);
  else
    det.SetZero();

  McComplex best{kNoDominant, kNoDominant};
  double bestModulus = std::hypot(best.re, best.im);
  int n = det.m_nNum;
  while (n > 1 && std::fabs(det.m_num[n - 1]) <= g_dZeroTol) --n;
  const int degree = n - 1;
  if (degree >= 1 && degree <= kMaxPolyDegree) {
    m_roots.assign(degree + 1, McComplex{0.0, 0.0});
    if (PolyRoots(degree, det.m_num.data(), m_roots.data(), true) != nullptr)
      for (int r = 1; r <= degree; ++r) {
        // Only a strictly smaller modulus replaces: the first of equals
        // stays, and a modulus that is not a number never wins.
        const double modulus = std::hypot(m_roots[r].re, m_roots[r].im);
        if (modulus < bestModulus) {
          best = m_roots[r];
          bestModulus = modulus;
        }
      }
  }
  best.im = std::fabs(best.im);
  return best;
}

double CEqualizerEngine::MeasurePoleMobility() {
  const int n = m_freeVars.m_nCount;
  if (m_pDoc == nullptr || n == 0) return 1.0;
  // The rebuilds must leave no trace in the document: the largest model
  // pole it keeps and the evaluation flag are put back.
  const double maxModulus = m_pDoc->m_dMaxPoleModulus;
  const int evalError = g_bEvalError;
  const McComplex p0 = DominantPole();
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const double x = Value(i);
    SetValue(i, std::fabs(x) < 0.01 ? x + 0.0001 : x * 1.01);
    const McComplex p1 = DominantPole();
    sum += std::sqrt((p0.re - p1.re) * (p0.re - p1.re) + (p0.im - p1.im) * (p0.im - p1.im));
    SetValue(i, x);
  }
  m_pDoc->m_dMaxPoleModulus = maxModulus;
  g_bEvalError = evalError;
  const double s = sum / (2.0 * n);
  if (std::isnan(s) || s > 1.0) return 1.0;
  return std::sqrt(std::sqrt(s));
}

void CEqualizerEngine::MeasureCriteria(double (&c)[kCriteria]) {
  if (m_pDoc == nullptr || m_pDoc->m_system.m_nError != kSimOk) {
    std::fill(c, c + kCriteria, 1.0);  // a loop in its error state is not stepped
    return;
  }
  // The order in which the values are taken is the recording's.
  c[8] = MeasurePoleMobility();
  c[7] = MeasureControlAmplitude();
  c[6] = MeasureNRejection();
  c[5] = MeasureDRejection();
  c[4] = MeasureVRejection();
  c[3] = MeasureInteraction();
  c[2] = MeasureOscillations();
  c[1] = MeasureTimeConstant();
  c[0] = MeasureFinalValue();
}
