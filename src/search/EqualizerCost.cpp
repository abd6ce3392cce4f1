// The Equalizer's weighted cost of a design: the eight cost terms over the
// standard test run, the integration error estimate, the frequency engine's
// cost, and the magnitude knee over all of them (EqualizerEngine.h).
#include "search/EqualizerEngine.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "search/MagnitudeKnee.h"
#include "simulation/SIMfreq.h"
#include "simulation/SIMsystem.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kBlock = 100;
constexpr int kWindow = 30;
constexpr double kSampleWeightGrowth = 1.05;
// The criterion of each weight slot: the weights are stored, and the
// weighted sum is added, in this order (ties between designs depend on it).
constexpr int kCriterionOfSlot[CEqualizerEngine::kCriteria] = {0, 7, 1, 2, 3, 5, 4, 6, 8};

void FoldMax(double& m, double v) {
  if (std::isnan(v))
    m = kInf;
  else if (v > m)
    m = v;
}

double Term(double sum) {
  return std::isfinite(sum) ? sum : CEqualizerEngine::kFailedTerm;
}

double Square(double x) {
  return x * x;
}

}  // namespace

double CEqualizerEngine::ComputeCost(BOOL build) {
  ++m_nCostCalls;
  if (m_pDoc == nullptr) return kFailedCost;
  // A model that does not convert: nothing of the loop may be searched on.
  if (m_pDoc->m_system.m_nError == kSimModelInvalid) return kFailedCost;
  double largest = 0.0;
  for (int i = 0; i < m_freeVars.m_nCount; ++i)
    if (std::fabs(Value(i)) > largest) largest = std::fabs(Value(i));
  const double knee = MagnitudeKneeFactor(largest, g_dMagSupKnee);

  double cost;
  if (m_wMode & kEqualizerIdentify) {
    PrepareIdentification(build);
    cost = ApplyMagnitudeKnee(IdentificationCost(), knee);
  } else if (m_wMode & kSearchFrequencyCost) {
    CSIMfreq* engine = m_pDoc->m_pFreqModel;
    cost = engine ? ApplyMagnitudeKnee(engine->FrequencyCost(m_pDoc), knee) : kFailedCost;
  } else {
    if (m_pDoc->m_system.m_nError != kSimOk) return kFailedCost;  // the loop is not stepped
    PrepareTestRun(build);
    RunTestRun();
    if (m_wMode & kEqualizerShowRun) RepaintTestRun();
    if (m_wMode & kEqualizerMeasureOnly) return 0.0;
    // By criterion; pure functions of the run, so only the sum's order matters.
    const double terms[] = {CostFinalValue(),  CostTimeConstant(),    CostOscillations(),
                            CostInteraction(), CostVRejection(),      CostDRejection(),
                            CostNRejection(),  CostControlAmplitude()};
    double S = 0.0;
    for (int slot = 0; slot < 8; ++slot) S += terms[kCriterionOfSlot[slot]] * m_weights[slot];
    const double E = EstimateIntegrationError();
    cost = ApplyMagnitudeKnee(std::pow(10.0, E * g_dErrorSuppression) * S, knee);
  }
  // exp beyond the knee and 10^E overflow, and infinity times a zero sum is
  // not a number, which no probe would ever beat: such a design is the worst.
  return std::isfinite(cost) ? cost : kFailedCost;
}

void CEqualizerEngine::RepaintTestRun() {
  CSIMsystem& sys = m_pDoc->m_system;
  const int steps = sys.m_nSteps;
  sys.m_nSteps = m_nRunLength;
  ShowTestRun();
  sys.m_nSteps = steps;
}

double CEqualizerEngine::EstimateIntegrationError() {
  if (!TestRunReadable()) return kFailedTerm;
  CSIMsystem& sys = m_pDoc->m_system;
  CSIMsignal& z = sys.m_z;
  sys.ResetStates();
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = 0; k < 20; ++k) z.At(i, 60 + k) = z.At(i, k);
  // Forty half steps cover the time of the first twenty full ones.
  const double ts = sys.m_dTs;
  sys.m_dTs = ts / 2;
  for (int k = 0; k < 40; ++k) sys.SimulateStep(k);
  sys.m_dTs = ts;
  double E = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = 0; k < 20; ++k) FoldMax(E, std::fabs(z.At(i, 60 + k) - z.At(i, 2 * k)));
  return Term(E);
}

// ---- the eight terms ------------------------------------------------------------------

double CEqualizerEngine::CostFinalValue() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& r = m_pDoc->m_system.m_c;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double sum = 0.0, g = 1.0;  // sample k weighs 1.05^k, over all blocks
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * i; k < kBlock * (i + 1); ++k) {
      for (int j = 0; j < m_nOutputs; ++j) sum += Square(r.At(j, k) - y.At(j, k));
      sum += g * Square(1.0 - y.At(i, k));
      g *= kSampleWeightGrowth;
    }
  return Term(sum / 100.0);
}

double CEqualizerEngine::CostTimeConstant() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double sum = 0.0, g = 1.0;  // backwards through each block, never reset
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * i + kBlock - 1; k >= kBlock * i; --k) {
      sum += g * Square(1.0 - y.At(i, k));
      g *= kSampleWeightGrowth;
    }
  return Term(sum / 100.0);
}

double CEqualizerEngine::CostOscillations() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double sum = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int k = kBlock * i; k <= kBlock * i + 97; ++k) {
      const double a = y.At(i, k), b = y.At(i, k + 1), c = y.At(i, k + 2);
      if (b < a) sum += a - b;
      if (std::fabs(b - c) > std::fabs(a - b)) sum += std::fabs(b - c) - std::fabs(a - b);
      if (std::isnan(a) || std::isnan(b) || std::isnan(c)) sum = kInf;
    }
  return Term(sum);
}

double CEqualizerEngine::CostInteraction() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& r = m_pDoc->m_system.m_c;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  double s = 0.0;
  for (int i = 0; i < m_nOutputs; ++i)
    for (int j = 0; j < m_nOutputs; ++j) {
      if (j == i) continue;
      double largest = 0.0;
      for (int k = kBlock * i; k < kBlock * (i + 1); ++k)
        FoldMax(largest, std::fabs(r.At(j, k) - y.At(j, k)));
      s += largest;
    }
  return Term((s + 1.0) * s * 100.0);
}

namespace {
// Sum over the tested rows of t (r - y)^2 over the window from `first`, t = 1,
// 2, ... in each row, r the row's setpoint just before the windows.
double WindowCost(const CSIMsignal& r, const CSIMsignal& y, int m, int L, int first) {
  double sum = 0.0;
  for (int i = 0; i < m; ++i) {
    const double ri = r.At(i, L - 91);
    for (int t = 1; t <= kWindow; ++t) sum += t * Square(ri - y.At(i, first + t - 1));
  }
  return Term(sum);
}
}  // namespace

double CEqualizerEngine::CostVRejection() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsystem& sys = m_pDoc->m_system;
  return WindowCost(sys.m_c, sys.m_z, m_nOutputs, m_nRunLength, m_nRunLength - 3 * kWindow);
}

double CEqualizerEngine::CostDRejection() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsystem& sys = m_pDoc->m_system;
  return WindowCost(sys.m_c, sys.m_z, m_nOutputs, m_nRunLength, m_nRunLength - 2 * kWindow);
}

double CEqualizerEngine::CostNRejection() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& r = m_pDoc->m_system.m_c;
  const CSIMsignal& y = m_pDoc->m_system.m_z;
  const int L = m_nRunLength;
  double sum = 0.0;
  for (int i = 0; i < m_nOutputs; ++i) {
    const double ri = r.At(i, L - 91);
    double largest = 0.0;
    for (int k = L - kWindow; k < L; ++k) {
      const double deviation = std::fabs(ri - y.At(i, k));
      sum += deviation;
      FoldMax(largest, deviation);
    }
    sum += kWindow * largest;
  }
  return Term(sum);
}

double CEqualizerEngine::CostControlAmplitude() const {
  if (!TestRunReadable()) return kFailedTerm;
  const CSIMsignal& u = m_pDoc->m_system.m_u;
  double sum = 0.0;
  for (int i = 0; i < u.m_nRows; ++i) {
    double largest = 0.0;
    for (int k = 0; k <= m_nRunLength - 91; ++k) FoldMax(largest, std::fabs(u.At(i, k)));
    sum += largest;
  }
  return Term(10.0 * sum);
}
