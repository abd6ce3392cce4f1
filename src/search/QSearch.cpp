#include "search/QSearch.h"

#include "search/PatternStep.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kInitialCapacity = 2;
}  // namespace

CQSearch::CQSearch()
    : m_pUp(new double[kInitialCapacity]),
      m_pDown(new double[kInitialCapacity]),
      m_pDir(new BYTE[kInitialCapacity]),
      m_nCapacity(kInitialCapacity) {}

CQSearch::~CQSearch() {
  delete[] m_pUp;
  delete[] m_pDown;
  delete[] m_pDir;
}

double CQSearch::Minimise(double* x, int n, const Cost& f) {
  if (n > m_nCapacity) {
    delete[] m_pUp;
    delete[] m_pDown;
    delete[] m_pDir;
    m_pUp = new double[n];
    m_pDown = new double[n];
    m_pDir = new BYTE[n];
    m_nCapacity = n;
  }
  for (int i = 0; i < n; ++i) {
    m_pUp[i] = m_pDown[i] = std::max(std::fabs(0.1 * x[i]), 1.0);
    m_pDir[i] = QOX_PatternAxis::kNone;
  }
  double f0 = f(x, n);
  for (int sweep = 0; sweep < kSweeps; ++sweep)
    for (int i = 0; i < n; ++i) {
      QOX_PatternAxis axis{m_pUp[i], m_pDown[i], m_pDir[i]};
      double xi = x[i];
      f0 = PatternStep(xi, f0, axis, [&](double v) {
        x[i] = v;
        return f(x, n);
      });
      x[i] = xi;
      m_pUp[i] = axis.up;
      m_pDown[i] = axis.down;
      m_pDir[i] = axis.direction;
    }
  return f0;
}
