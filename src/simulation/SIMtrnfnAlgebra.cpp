// Transfer-function algebra: R := a b, a + b, 1 + a and det M.
//
// Every result keeps its coefficients, poles and zeros consistent. Poles and
// zeros closer than g_dPzCancelTol cancel, so the loop products show no
// spurious pole-zero pairs; when something cancelled, the coefficients are
// rebuilt from the remaining roots (complex roots as real quadratics with their
// conjugate partner) times the gain, otherwise they are the exact products and
// sums of the operands' coefficients. Roots are found (with polishing) only
// where a sum forms a new numerator: Parallel, MergeParallel and OnePlus.
//
// A complex root whose conjugate partner is missing (only one member of a pair
// cancelled) is made real before a rebuild, so the coefficients stay real and
// of the right degree and no neighbouring root loses its factor.
//
// A result of degree above kMaxPolyDegree is refused: R becomes the zero
// function, g_bEvalError is set and the operation returns false. Operands
// whose roots are not available (m_bRootsValid false) take part by their
// coefficients only: nothing cancels and the result's roots are unavailable.
#include "simulation/SIMtrnfn.h"

#include "GlobalResources.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

namespace {

constexpr int kMaxCoefs = kMaxPolyDegree + 1;
// Members of a conjugate pair that differ by more than g_dPzCancelTol only
// through rounding (large roots, multiple roots) still pair within this
// fraction of their modulus.
constexpr double kLoosePairRel = 1e-6;

double Distance(McComplex a, McComplex b) {
  const double dr = a.re - b.re;
  const double di = a.im - b.im;
  return std::sqrt(dr * dr + di * di);
}

// Removes pole-zero pairs closer than g_dPzCancelTol from z[1 .. nZ - 1] and
// p[1 .. nP - 1]; both counts drop by one per pair. After a removal the entry
// now at position i is compared again with all poles. shift keeps the order of
// the remaining entries; otherwise the last entries move into the gaps.
int CancelScan(McComplex* z, int& nZ, McComplex* p, int& nP, bool shift) {
  int matches = 0;
  int i = 1;
  while (i < nZ) {
    bool matched = false;
    for (int j = 1; j < nP; ++j) {
      if (Distance(z[i], p[j]) < g_dPzCancelTol) {
        --nZ;
        --nP;
        if (shift) {
          std::copy(z + i + 1, z + nZ + 1, z + i);
          std::copy(p + j + 1, p + nP + 1, p + j);
        } else {
          z[i] = z[nZ];
          p[j] = p[nP];
        }
        ++matches;
        matched = true;
        break;
      }
    }
    if (!matched) ++i;
  }
  return matches;
}

// Index of the conjugate partner of roots[k] among roots[k + 1 .. n - 1], or -1.
int FindPartner(const McComplex* roots, int k, int n) {
  const McComplex r = roots[k];
  for (int q = k + 1; q < n; ++q) {
    if (Distance(r, {roots[q].re, -roots[q].im}) < g_dPzCancelTol) return q;
  }
  int best = -1;
  double bestDist = kLoosePairRel * McComplexAbs(r);
  for (int q = k + 1; q < n; ++q) {
    const double dist = Distance(r, {roots[q].re, -roots[q].im});
    if (dist < bestDist) {
      best = q;
      bestDist = dist;
    }
  }
  return best;
}

// c[0 .. deg] := c times the factor of every root in roots[0 .. n - 1]; returns
// the new degree (deg + n). c has room for it. A complex root is multiplied in
// as s^2 - 2x s + x^2 + y^2 together with its conjugate partner, which is moved
// next to it and set to the exact conjugate. A complex root without partner
// (left over from a partial cancellation) cannot be a factor of a real
// polynomial on its own: it is made real and contributes s - x, so the degree
// stays that of the root count and no neighbour's factor is lost.
int MultiplyRootFactors(double* c, int deg, McComplex* roots, int n) {
  int k = 0;
  while (k < n) {
    McComplex& r = roots[k];
    const int partner = r.im == 0.0 ? -1 : FindPartner(roots, k, n);
    if (r.im != 0.0 && partner < 0) r.im = 0.0;
    if (r.im == 0.0) {  // c := c (s - r)
      c[deg + 1] = 0.0;
      for (int j = deg + 1; j >= 1; --j) c[j] = -c[j] * r.re + c[j - 1];
      c[0] = -c[0] * r.re;
      deg += 1;
      k += 1;
      continue;
    }
    roots[partner] = roots[k + 1];
    roots[k + 1] = {r.re, -r.im};
    const double x = r.re;
    const double y = r.im;
    const double q0 = y * y + x * x;
    c[deg + 1] = 0.0;
    c[deg + 2] = 0.0;
    for (int j = deg + 2; j >= 2; --j) c[j] = c[j - 1] * (-x) * 2.0 + c[j] * q0 + c[j - 2];
    c[1] = c[0] * (-x) * 2.0 + c[1] * q0;
    c[0] = c[0] * q0;
    deg += 2;
    k += 2;
  }
  return deg;
}

// c[0 .. n - 1] := start times the factors of roots[1 .. n - 1].
void Rebuild(double* c, int n, McComplex* roots, double start) {
  c[0] = start;
  MultiplyRootFactors(c, 0, roots + 1, n - 1);
}

// out[0 .. na + nb - 2] += a * b.
void AddProduct(double* out, const double* a, int na, const double* b, int nb) {
  for (int i = 0; i < na; ++i) {
    for (int j = 0; j < nb; ++j) out[i + j] += a[i] * b[j];
  }
}

// Count of p[0 .. n - 1] after dropping vanishing leading coefficients.
int Trimmed(const double* p, int n) {
  while (n > 1 && std::fabs(p[n - 1]) <= g_dZeroTol) --n;
  return n;
}

}  // namespace

namespace {
bool Refuse(CSIMtrnfn& r) {
  r.SetZero();
  g_bEvalError = 1;
  return false;
}

// Zeros of R's numerator (counts already set), with polishing.
bool FindZeros(CSIMtrnfn& r) {
  if (r.m_nNum > 1 && !PolyRoots(r.m_nNum - 1, r.m_num.data(), r.m_zeros.data(), true)) {
    std::fill_n(r.m_zeros.begin(), r.m_nNum, McComplex{0.0, 0.0});
    g_bEvalError = 1;
    return false;
  }
  return true;
}

void ClearAboveNumerator(CSIMtrnfn& r) {
  std::fill(r.m_num.begin() + r.m_nNum, r.m_num.begin() + r.m_nDen, 0.0);
}
}  // namespace

bool CSIMtrnfn::Series(const CSIMtrnfn& a, const CSIMtrnfn& b) {
  assert(this != &a && this != &b);
  if (b.IsZero() || a.IsZero()) {
    SetZero();
    return true;
  }
  if (b.m_nDen == 1 || a.m_nDen == 1) {
    const CSIMtrnfn& other = b.m_nDen == 1 ? a : b;
    const CSIMtrnfn& constant = b.m_nDen == 1 ? b : a;
    CopyModel(other);
    const double k = constant.m_num[0] / constant.m_den[0];
    for (int i = 0; i < m_nNum; ++i) m_num[i] *= k;
    return true;
  }
  const int nDen = a.m_nDen + b.m_nDen - 1;
  if (nDen > kMaxCoefs) return Refuse(*this);
  const int nNum = a.m_nNum + b.m_nNum - 1;
  Reserve(nDen);
  std::copy_n(a.m_poles.begin() + 1, a.m_nDen - 1, m_poles.begin() + 1);
  std::copy_n(b.m_poles.begin() + 1, b.m_nDen - 1, m_poles.begin() + a.m_nDen);
  std::copy_n(a.m_zeros.begin() + 1, a.m_nNum - 1, m_zeros.begin() + 1);
  std::copy_n(b.m_zeros.begin() + 1, b.m_nNum - 1, m_zeros.begin() + a.m_nNum);
  m_nDen = nDen;
  m_nNum = nNum;
  m_bRootsValid = a.m_bRootsValid && b.m_bRootsValid;
  const int matches =
      m_bRootsValid ? CancelScan(m_zeros.data(), m_nNum, m_poles.data(), m_nDen, false) : 0;
  if (matches == 0) {
    std::fill_n(m_den.begin(), nDen, 0.0);
    AddProduct(m_den.data(), a.m_den.data(), a.m_nDen, b.m_den.data(), b.m_nDen);
    std::fill_n(m_num.begin(), nDen, 0.0);
    AddProduct(m_num.data(), a.m_num.data(), a.m_nNum, b.m_num.data(), b.m_nNum);
    return true;
  }
  const double gain = (b.m_num[b.m_nNum - 1] * a.m_num[a.m_nNum - 1]) /
                      (b.m_den[b.m_nDen - 1] * a.m_den[a.m_nDen - 1]);
  Rebuild(m_den.data(), m_nDen, m_poles.data(), 1.0);
  Rebuild(m_num.data(), m_nNum, m_zeros.data(), gain);
  ClearAboveNumerator(*this);
  return true;
}

bool CSIMtrnfn::Parallel(const CSIMtrnfn& a0, const CSIMtrnfn& b0) {
  assert(this != &a0 && this != &b0);
  if (b0.IsZero()) {
    CopyModel(a0);
    return true;
  }
  if (a0.IsZero()) {
    CopyModel(b0);
    return true;
  }
  const bool swap = a0.m_nDen < b0.m_nDen;
  const CSIMtrnfn& a = swap ? b0 : a0;  // a is of the higher order
  const CSIMtrnfn& b = swap ? a0 : b0;
  if (!a.m_bRootsValid || !b.m_bRootsValid) return MergeParallel(a, b);

  // Common poles: a's poles in R's pole list, b's in R's zero list (as work).
  // A match removes the b pole and moves the a pole behind a's own poles.
  Reserve(a.m_nDen);
  McComplex* p = m_poles.data();
  McComplex* z = m_zeros.data();
  std::copy_n(a.m_poles.begin() + 1, a.m_nDen - 1, p + 1);
  std::copy_n(b.m_poles.begin() + 1, b.m_nDen - 1, z + 1);
  int endOwn = a.m_nDen;  // a's own poles are p[1 .. endOwn - 1]
  int nB = b.m_nDen;
  int common = 0;
  for (int i = 1; i < nB;) {
    bool matched = false;
    for (int j = 1; j < endOwn; ++j) {
      if (Distance(z[i], p[j]) < g_dPzCancelTol) {
        z[i] = z[--nB];
        std::swap(p[j], p[--endOwn]);
        ++common;
        matched = true;
        break;
      }
    }
    if (!matched) ++i;
  }
  if (common == 0) return MergeParallel(a, b);

  const int nPa = endOwn - 1;
  const int nPb = nB - 1;
  const int nDen = a.m_nDen + nPb;  // Pa, Pc, Pb and one
  if (nDen > kMaxCoefs) return Refuse(*this);
  Reserve(nDen);
  p = m_poles.data();
  z = m_zeros.data();
  std::copy_n(z + 1, nPb, p + a.m_nDen);

  // a + b = (b.num / lead(b.den) Pa(s) + a.num / lead(a.den) Pb(s)) / (Pa Pc Pb)(s)
  double partB[kMaxCoefs + 2] = {};
  double partA[kMaxCoefs + 2] = {};
  const double leadB = b.m_den[b.m_nDen - 1];
  const double leadA = a.m_den[a.m_nDen - 1];
  for (int i = 0; i < b.m_nNum; ++i) partB[i] = leadB == 1.0 ? b.m_num[i] : b.m_num[i] / leadB;
  for (int i = 0; i < a.m_nNum; ++i) partA[i] = leadA == 1.0 ? a.m_num[i] : a.m_num[i] / leadA;
  MultiplyRootFactors(partB, b.m_nNum - 1, p + 1, nPa);
  MultiplyRootFactors(partA, a.m_nNum - 1, p + a.m_nDen, nPb);
  const int nNum = std::max(a.m_nNum + nPb, b.m_nNum + nPa);
  for (int i = 0; i < nDen; ++i) m_num[i] = partB[i] + partA[i];
  m_nDen = nDen;
  m_nNum = Trimmed(m_num.data(), nNum);
  const double leadNum = m_num[m_nNum - 1];
  m_bRootsValid = FindZeros(*this);

  const int matches = m_bRootsValid ? CancelScan(z, m_nNum, m_poles.data(), m_nDen, true) : 0;
  Rebuild(m_den.data(), m_nDen, m_poles.data(), 1.0);
  if (matches > 0) Rebuild(m_num.data(), m_nNum, z, leadNum);
  ClearAboveNumerator(*this);
  return true;
}

bool CSIMtrnfn::MergeParallel(const CSIMtrnfn& a, const CSIMtrnfn& b) {
  assert(this != &a && this != &b);
  const int nDen = a.m_nDen + b.m_nDen - 1;
  if (nDen > kMaxCoefs) return Refuse(*this);
  const int nNum = std::max(a.m_nNum - 1 + b.m_nDen, b.m_nNum - 1 + a.m_nDen);
  Reserve(nDen);
  std::copy_n(a.m_poles.begin() + 1, a.m_nDen - 1, m_poles.begin() + 1);
  std::copy_n(b.m_poles.begin() + 1, b.m_nDen - 1, m_poles.begin() + a.m_nDen);
  std::fill_n(m_num.begin(), nDen, 0.0);
  AddProduct(m_num.data(), a.m_num.data(), a.m_nNum, b.m_den.data(), b.m_nDen);
  AddProduct(m_num.data(), a.m_den.data(), a.m_nDen, b.m_num.data(), b.m_nNum);
  m_nDen = nDen;
  m_nNum = Trimmed(m_num.data(), nNum);
  const double leadNum = m_num[m_nNum - 1];
  const bool zerosFound = FindZeros(*this);
  m_bRootsValid = a.m_bRootsValid && b.m_bRootsValid && zerosFound;

  const int matches =
      m_bRootsValid ? CancelScan(m_zeros.data(), m_nNum, m_poles.data(), m_nDen, false) : 0;
  if (matches == 0) {
    std::fill_n(m_den.begin(), nDen, 0.0);
    AddProduct(m_den.data(), a.m_den.data(), a.m_nDen, b.m_den.data(), b.m_nDen);
  } else {
    const double gain = b.m_den[b.m_nDen - 1] * a.m_den[a.m_nDen - 1];
    Rebuild(m_den.data(), m_nDen, m_poles.data(), gain);
    Rebuild(m_num.data(), m_nNum, m_zeros.data(), leadNum);
  }
  ClearAboveNumerator(*this);
  return true;
}

bool CSIMtrnfn::OnePlus(const CSIMtrnfn& a) {
  assert(this != &a);
  if (a.m_nDen == 1) {
    CopyModel(a);
    m_num[0] = m_num[0] / m_den[0] + 1.0;
    m_den[0] = 1.0;
    return true;
  }
  const int n = a.m_nDen;
  Reserve(n);
  std::copy_n(a.m_poles.begin() + 1, n - 1, m_poles.begin() + 1);
  for (int i = 0; i < n; ++i) m_num[i] = i < a.m_nNum ? a.m_den[i] + a.m_num[i] : a.m_den[i];
  m_nDen = n;
  m_nNum = Trimmed(m_num.data(), n);
  const double leadNum = m_num[m_nNum - 1];
  const bool zerosFound = FindZeros(*this);
  m_bRootsValid = a.m_bRootsValid && zerosFound;

  const int matches =
      m_bRootsValid ? CancelScan(m_zeros.data(), m_nNum, m_poles.data(), m_nDen, true) : 0;
  if (matches == 0) {
    std::copy_n(a.m_den.begin(), n, m_den.begin());
  } else {
    Rebuild(m_den.data(), m_nDen, m_poles.data(), a.m_den[n - 1]);
    Rebuild(m_num.data(), m_nNum, m_zeros.data(), leadNum);
  }
  ClearAboveNumerator(*this);
  return true;
}

namespace {
void NegateNumerator(CSIMtrnfn& t) {
  for (int i = 0; i < t.m_nNum; ++i) t.m_num[i] = -t.m_num[i];
}

// det of the n x n matrix m (n >= 4) by cofactor expansion along the rows from
// the top, every minor of the lower rows computed once: the minor on the last
// k rows and the columns in mask is kept in minors[mask]. Terms are added as
// the matrix product adds them: the new term first, the running sum second.
bool CofactorDeterminant(const CSIMtrnfn* m, int n, CSIMtrnfn& result) {
  std::vector<CSIMtrnfn> minors(std::size_t{1} << n);
  for (int c = 0; c < n; ++c) minors[1u << c].CopyModel(m[(n - 1) * n + c]);
  CSIMtrnfn term, sum, next;
  bool ok = true;
  for (unsigned mask = 1; mask < (1u << n); ++mask) {
    const int k = __builtin_popcount(mask);
    if (k < 2) continue;
    const int row = n - k;
    int position = 0;
    for (int c = 0; c < n; ++c) {
      if (!(mask & (1u << c))) continue;
      ok = term.Series(m[row * n + c], minors[mask & ~(1u << c)]) && ok;
      if (position % 2 == 1) NegateNumerator(term);
      if (position == 0) {
        sum.CopyModel(term);
      } else {
        ok = next.Parallel(term, sum) && ok;
        sum.CopyModel(next);
      }
      ++position;
    }
    minors[mask].CopyModel(sum);
  }
  result.CopyModel(minors[(1u << n) - 1]);
  return ok;
}
}  // namespace

bool CSIMtrnfn::Determinant(const CSIMtrnfn* m, int n, CSIMtrnfn& w1, CSIMtrnfn& w2, CSIMtrnfn& w3,
                            CSIMtrnfn& w4) {
  if (m == nullptr || n < 1 || n > kMaxDeterminantSize) return Refuse(*this);
  bool ok = true;
  switch (n) {
    case 1:
      CopyModel(m[0]);
      break;
    case 2:
      ok = w1.Series(m[0], m[3]) && ok;
      ok = w3.Series(m[1], m[2]) && ok;
      NegateNumerator(w3);
      ok = Parallel(w1, w3) && ok;
      break;
    case 3: {
      // Rule of Sarrus: the three positive terms summed into w4, the three
      // negative ones into w2, then R := w4 - w2.
      const CSIMtrnfn &m11 = m[0], &m12 = m[1], &m13 = m[2];
      const CSIMtrnfn &m21 = m[3], &m22 = m[4], &m23 = m[5];
      const CSIMtrnfn &m31 = m[6], &m32 = m[7], &m33 = m[8];
      ok = w1.Series(m11, m22) && ok;
      ok = w2.Series(w1, m33) && ok;
      ok = w1.Series(m12, m23) && ok;
      ok = w3.Series(w1, m31) && ok;
      ok = Parallel(w3, w2) && ok;
      ok = w1.Series(m13, m21) && ok;
      ok = w3.Series(w1, m32) && ok;
      ok = w4.Parallel(*this, w3) && ok;
      ok = w1.Series(m13, m22) && ok;
      ok = w2.Series(w1, m31) && ok;
      ok = w1.Series(m12, m21) && ok;
      ok = w3.Series(w1, m33) && ok;
      ok = Parallel(w3, w2) && ok;
      ok = w1.Series(m11, m23) && ok;
      ok = w3.Series(w1, m32) && ok;
      ok = w2.Parallel(*this, w3) && ok;
      NegateNumerator(w2);
      ok = Parallel(w4, w2) && ok;
      break;
    }
    default:
      ok = CofactorDeterminant(m, n, *this);
      break;
  }
  if (!ok) return Refuse(*this);
  return true;
}
