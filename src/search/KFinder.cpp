#include "search/KFinder.h"

#include "QorexDoc.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kNonFiniteCost = 1e200;

}  // namespace

CKFinder::CKFinder()
    : m_pVarIndex(new int[kInitialCapacity]),
      m_pUpStep(new double[kInitialCapacity]),
      m_pDownStep(new double[kInitialCapacity]),
      m_dFullCost(0.0),
      m_dQuickCost(0.0),
      m_dCutoff(1e300),
      m_pDirection(new BYTE[kInitialCapacity]),
      m_nCount(0),
      m_nCapacity(kInitialCapacity) {}

CKFinder::~CKFinder() = default;

void CKFinder::Start(CQorexDoc* /*doc*/) {}

void CKFinder::ComputeCost(CSIMsystem* system, bool quick) {
  const CQorexDoc* doc = g_pSimDoc.load();
  if (doc == nullptr || system == nullptr) return;
  double cost = WeightedError(*system, &doc->m_errorWeight);
  if (!std::isfinite(cost)) cost = kNonFiniteCost;
  (quick ? m_dQuickCost : m_dFullCost) = cost;
}

double CKFinder::WeightedError(const CSIMsystem& system, const CSIMsignal* weight) {
  const CSIMsignal& z = system.m_z;
  const CSIMsignal& c = system.m_c;
  const int rows = std::min(z.m_nRows, c.m_nRows);
  int samples = std::min(z.m_nColumns, c.m_nColumns);
  // Row length of the weight: its own when it has a row per output, else 0,
  // so that its first row serves every output.
  int weightRow = 0;
  if (weight != nullptr) {
    samples = std::min(samples, weight->m_nColumns);
    if (weight->m_nRows == rows) weightRow = weight->m_nColumns;
  }
  double sum = 0.0;
  for (int i = 0; i < rows; ++i) {
    for (int k = 0; k < samples; ++k) {
      const double w = weight != nullptr ? weight->m_pSamples[weightRow * i + k] : 1.0;
      const double diff = z.At(i, k) - c.At(i, k);
      sum += w * diff * diff;
    }
  }
  return sum;
}
