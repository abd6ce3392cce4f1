#include "VARpoints.h"

#include "platform/core/Archive.h"
#include "simulation/SIMroots.h"

#include <algorithm>

namespace {
constexpr int kInitialPoints = 128;
}

CVARpoints::CVARpoints()
    : m_pPoints(new McComplex[kInitialPoints]()),
      m_nCapacity(kInitialPoints),
      m_nCount(0),
      m_nVariable(5),
      m_nSteps(30),
      m_dMinGain(0.01),
      m_dMaxGain(100.0),
      m_wCode(0) {}

CVARpoints::~CVARpoints() = default;

void CVARpoints::Grow(int n) {
  if (m_nCount + n < m_nCapacity) return;
  const int capacity = m_nCapacity + m_nCount + n;
  std::unique_ptr<McComplex[]> points(new McComplex[capacity]());
  std::copy(m_pPoints.get(), m_pPoints.get() + m_nCount, points.get());
  m_pPoints = std::move(points);
  m_nCapacity = capacity;
}

bool CVARpoints::AddRoots(const double* coefs, int n) {
  if (n < 2) return true;
  if (n - 1 > kMaxPolyDegree) return false;
  Grow(n);
  McComplex* window = m_pPoints.get() + m_nCount;
  if (PolyRoots(n - 1, coefs, window, false) == nullptr) return false;
  window[0] = window[n - 1];
  m_nCount += n - 1;
  return true;
}

void CVARpoints::Append(const McComplex* points, int n) {
  if (n < 2) return;
  Grow(n);
  std::copy(points + 1, points + n, m_pPoints.get() + m_nCount);
  m_nCount += n - 1;
}

BOOL CVARpoints::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_nVariable << m_nSteps << m_dMinGain << m_dMaxGain << m_wCode;
    return TRUE;
  }
  int variable = 0, steps = 0;
  double minGain = 0.0, maxGain = 0.0;
  WORD code = 0;
  ar >> variable >> steps >> minGain >> maxGain >> code;
  if (ar.HasFailed()) return FALSE;
  m_nVariable = variable;
  m_nSteps = steps;
  m_dMinGain = minGain;
  m_dMaxGain = maxGain;
  m_wCode = code;
  return TRUE;
}
