#include "simulation/SIMtrnfn.h"

#include "GlobalResources.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// Grows every array of t that is shorter than n to n entries; t then has room
// for exactly n.
void GrowArrays(CSIMtrnfn& t, int n) {
  for (auto* a : {&t.m_k1, &t.m_k2, &t.m_k3, &t.m_k4, &t.m_x, &t.m_num, &t.m_den}) {
    if (static_cast<int>(a->size()) < n) a->resize(n, 0.0);
  }
  if (static_cast<int>(t.m_poles.size()) < n) t.m_poles.resize(n, McComplex{0.0, 0.0});
  if (static_cast<int>(t.m_zeros.size()) < n) t.m_zeros.resize(n, McComplex{0.0, 0.0});
  t.m_nCapacity = n;
}
}  // namespace

CSIMtrnfn::CSIMtrnfn()
    : m_k1(1, 0.0),
      m_k2(1, 0.0),
      m_k3(1, 0.0),
      m_k4(1, 0.0),
      m_x(1, 0.0),
      m_num(1, 0.0),
      m_den(1, 1.0),
      m_poles(1, McComplex{0.0, 0.0}),
      m_zeros(1, McComplex{0.0, 0.0}),
      m_nCapacity(1),
      m_nDen(1),
      m_nNum(1),
      m_bRootsValid(true) {}

CSIMtrnfn::CSIMtrnfn(const CSIMtrnfn& src) = default;

CSIMtrnfn::~CSIMtrnfn() = default;

CSIMtrnfn& CSIMtrnfn::operator=(const CSIMtrnfn& src) {
  if (this == &src) return *this;
  const bool grown = m_nCapacity < src.m_nDen;
  const bool orderChanged = m_nDen != src.m_nDen;
  if (grown) {
    // New arrays: the old poles and zeros no longer describe anything.
    Reserve(src.m_nDen);
    m_bRootsValid = false;
  }
  m_nDen = src.m_nDen;
  m_nNum = src.m_nNum;
  std::copy_n(src.m_num.begin(), m_nDen, m_num.begin());
  std::copy_n(src.m_den.begin(), m_nDen, m_den.begin());
  if (grown || orderChanged) ResetState();
  return *this;
}

bool CSIMtrnfn::Adopt(std::vector<double> num, std::vector<double> den, bool flagImproper) {
  const auto finite = [](const std::vector<double>& p) {
    return std::all_of(p.begin(), p.end(), [](double c) { return std::isfinite(c); });
  };
  // Trims vanishing leading coefficients; true when one of them was not 0.0.
  const auto trim = [](std::vector<double>& p) {
    bool dropped = false;
    while (p.size() > 1 && std::fabs(p.back()) <= g_dZeroTol) {
      dropped = dropped || p.back() != 0.0;
      p.pop_back();
    }
    return dropped;
  };
  if (num.empty() || den.empty() || !finite(num) || !finite(den)) {
    SetZero();
    g_bEvalError = 1;
    return false;
  }
  // A vanishing leading coefficient would be divided by in PrepareSimulation.
  // An exact 0.0 is no part of the model (s - s + 2, a variable set to 0);
  // a small one that is not moves the poles, often into the right
  // half-plane, once it is gone: the model lost degree and is refused.
  const bool lostDegree = trim(den);
  trim(num);
  const int nDen = static_cast<int>(den.size());
  if ((nDen == 1 && std::fabs(den[0]) <= g_dZeroTol) || nDen > kMaxPolyDegree + 1) {
    SetZero();  // every coefficient vanished, or beyond the root finder's degree
    g_bEvalError = 1;
    return false;
  }
  bool ok = true;
  if (lostDegree) {
    g_bEvalError = 1;
    ok = false;
  }
  if (static_cast<int>(num.size()) > nDen) {  // improper: keep the first nDen terms
    num.resize(nDen);
    trim(num);
    if (flagImproper) g_bEvalError = 1;
    ok = false;
  }
  const int nNum = static_cast<int>(num.size());
  num.resize(nDen, 0.0);

  const bool orderChanged = nDen != m_nDen;
  m_num = std::move(num);
  m_den = std::move(den);
  GrowArrays(*this, nDen);  // the coefficients now hold exactly nDen
  m_nDen = nDen;
  m_nNum = nNum;
  m_bRootsValid = false;  // until FindRoots
  if (orderChanged) ResetState();
  return ok;
}

void CSIMtrnfn::ResetState() {
  std::fill_n(m_x.begin(), m_nDen, 0.0);
}

bool CSIMtrnfn::PrepareSimulation() {
  const int n = m_nDen;
  const double lead = m_den[n - 1];
  if (lead == 0.0 || !std::isfinite(lead)) return false;
  for (int i = n - 2; i >= 0; --i) m_den[i] = m_den[i] / (-m_den[n - 1]);
  m_den[n - 1] = 1.0 / m_den[n - 1];
  return true;
}

namespace {
// One RK4 step of a state of m entries (see Step). M > 0 fixes m at compile
// time, so the short loops of first- and second-order elements, which make up
// most blocks, unroll; the arithmetic and its order are the same for every M.
template <int M>
double RungeKuttaStep(int mRun, const double* d, const double* b, double* x, double* k1, double* k2,
                      double* k3, double* k4, double u1, double u2, double u3, double h) {
  const int m = M > 0 ? M : mRun;
  // Output from the state at the start of the step; w b_m is the feed-through.
  double w = d[m] * u3;
  double y = 0.0;
  for (int i = m - 1; i >= 0; --i) {
    y = y + b[i] * x[i];
    w = w + d[i] * x[i];
  }
  y = y + w * b[m];

  const double h2 = h / 2;
  // k1 = f(x, u1)
  if (m >= 2) std::copy_n(x + 1, m - 1, k1);
  double acc = d[m] * u1;
  for (int i = m - 1; i >= 0; --i) acc = acc + d[i] * x[i];
  k1[m - 1] = acc;
  // k2 = f(x + h/2 k1, u2)
  for (int j = 0; j < m - 1; ++j) k2[j] = h2 * k1[j + 1] + x[j + 1];
  acc = d[m] * u2;
  for (int i = m - 1; i >= 0; --i) acc = acc + d[i] * (h2 * k1[i] + x[i]);
  k2[m - 1] = acc;
  // k3 = f(x + h/2 k2, u2)
  for (int j = 0; j < m - 1; ++j) k3[j] = h2 * k2[j + 1] + x[j + 1];
  acc = d[m] * u2;
  for (int i = m - 1; i >= 0; --i) acc = acc + d[i] * (h2 * k2[i] + x[i]);
  k3[m - 1] = acc;
  // k4 = f(x + h k3, u3)
  for (int j = 0; j < m - 1; ++j) k4[j] = h * k3[j + 1] + x[j + 1];
  acc = d[m] * u3;
  for (int i = m - 1; i >= 0; --i) acc = acc + d[i] * (h * k3[i] + x[i]);
  k4[m - 1] = acc;

  const double c = (h * 0.5) / 3.0;
  for (int i = m - 1; i >= 0; --i) x[i] = ((k2[i] + k3[i]) * 2 + k1[i] + k4[i]) * c + x[i];
  return y;
}
}  // namespace

double CSIMtrnfn::Step(double u1, double u2, double u3, double h) {
  const int m = m_nDen - 1;
  const double* d = m_den.data();
  const double* b = m_num.data();
  if (m < 1) return d[0] * b[0] * u3;
  double* x = m_x.data();
  double* k1 = m_k1.data();
  double* k2 = m_k2.data();
  double* k3 = m_k3.data();
  double* k4 = m_k4.data();
  switch (m) {
    case 1:
      return RungeKuttaStep<1>(m, d, b, x, k1, k2, k3, k4, u1, u2, u3, h);
    case 2:
      return RungeKuttaStep<2>(m, d, b, x, k1, k2, k3, k4, u1, u2, u3, h);
    default:
      return RungeKuttaStep<0>(m, d, b, x, k1, k2, k3, k4, u1, u2, u3, h);
  }
}

void CSIMtrnfn::CopyModel(const CSIMtrnfn& src) {
  if (this == &src) return;
  Reserve(src.m_nDen);
  m_nDen = src.m_nDen;
  m_nNum = src.m_nNum;
  std::copy_n(src.m_poles.begin(), m_nDen, m_poles.begin());
  std::copy_n(src.m_zeros.begin(), m_nNum, m_zeros.begin());
  std::copy_n(src.m_den.begin(), m_nDen, m_den.begin());
  std::copy_n(src.m_num.begin(), m_nNum, m_num.begin());
  // Entries above the numerator are read by the simulation: keep them zero.
  std::fill(m_num.begin() + m_nNum, m_num.begin() + m_nDen, 0.0);
  m_bRootsValid = src.m_bRootsValid;
}

bool CSIMtrnfn::FindRoots() {
  bool ok = true;
  if (m_nDen > 1 && !PolyRoots(m_nDen - 1, m_den.data(), m_poles.data(), true)) {
    std::fill_n(m_poles.begin(), m_nDen, McComplex{0.0, 0.0});
    ok = false;
  }
  if (m_nNum > 1 && !PolyRoots(m_nNum - 1, m_num.data(), m_zeros.data(), true)) {
    std::fill_n(m_zeros.begin(), m_nNum, McComplex{0.0, 0.0});
    ok = false;
  }
  m_bRootsValid = ok;
  if (!ok) g_bEvalError = 1;
  return ok;
}

bool CSIMtrnfn::IsZero() const {
  return m_nNum == 1 && std::fabs(m_num[0]) <= g_dZeroTol;
}

void CSIMtrnfn::SetZero() {
  m_nDen = 1;
  m_nNum = 1;
  m_num[0] = 0.0;
  m_den[0] = 1.0;
  m_bRootsValid = true;  // no roots to know
}

void CSIMtrnfn::Reserve(int n) {
  if (m_nCapacity < n) GrowArrays(*this, n);
}
