// The sweep of the frequency engine: sizing, the evaluation of the loop at
// jw, its inverse, the bands and the characteristic loci. Nodes, diagram
// coordinates and the costs are in SIMfreqNodes.cpp.
#include "simulation/SIMfreq.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/DiagramKinds.h"
#include "platform/core/VectorState.h"
#include "simulation/SIMeigen.h"
#include "simulation/SIMroots.h"
#include "simulation/SIMsystem.h"
#include "simulation/SIMtrnfn.h"
#include "simulation/SIMtrnmx.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr McComplex kNaNPair = {kNaN, kNaN};

// Releases and reallocates (value-initialised, contents not kept) when the
// capacity is below `need`.
template <class T>
void Grow(std::unique_ptr<T[]>& array, int& capacity, long long need) {
  if (need <= capacity) return;
  array.reset();
  array.reset(new T[static_cast<size_t>(need)]());
  capacity = static_cast<int>(need);
}

template <class T>
void Grow(std::unique_ptr<T[]>& a, std::unique_ptr<T[]>& b, int& capacity, long long need) {
  int other = capacity;
  Grow(a, capacity, need);
  Grow(b, other, need);
}

void FillNaN(McComplex* p, long long n) {
  std::fill(p, p + std::max(0LL, n), kNaNPair);
}

inline bool Finite(McComplex z) {
  return std::isfinite(z.re) && std::isfinite(z.im);
}
// a / b as a conj(b) / |b|^2, the engine's formula.
inline McComplex DivDirect(McComplex a, McComplex b, double b2) {
  return {(a.re * b.re + a.im * b.im) / b2, (a.im * b.re - a.re * b.im) / b2};
}
// |b|^2 is usable as a divisor: finite and not below the normal range.
inline bool UsableSquare(double b2) {
  return b2 >= DBL_MIN && b2 <= DBL_MAX;
}

// The response by Horner's rule in x = jw (w < 1) or x = 1/(jw) (w >= 1,
// numerator and denominator both divided by (jw)^m): every power of x is at
// most 1 in modulus, so nothing overflows that the response itself does not.
McComplex ResponseScaled(const CSIMtrnfn& t, double w) {
  const int m = t.m_nDen - 1;
  const int nNum = std::min(t.m_nNum, t.m_nDen);
  const bool reversed = std::fabs(w) >= 1.0;
  const McComplex x = reversed ? McComplex{0.0, -1.0 / w} : McComplex{0.0, w};
  McComplex n = {0.0, 0.0}, d = {0.0, 0.0};
  for (int i = 0; i <= m; ++i) {
    const int k = reversed ? i : m - i;  // coefficient of x^(m - i) or x^k
    n = McComplexAdd(McComplexMul(n, x), {k < nNum ? t.m_num[k] : 0.0, 0.0});
    d = McComplexAdd(McComplexMul(d, x), {t.m_den[k], 0.0});
  }
  return McComplexDivScaled(n, d);
}

// The inverse of the n x n matrix q (n = 1 .. 3) into out, by the adjugate
// over the determinant (the rule of Sarrus for 3 x 3). scaled: divide by
// Smith's rule instead of conj(det) / |det|^2.
bool InvertAdjugate(const McComplex* q, McComplex* out, int n, bool scaled) {
  McComplex det;
  if (n == 1) {
    det = q[0];
    out[0] = {1.0, 0.0};
  } else if (n == 2) {
    det = McComplexSub(McComplexMul(q[0], q[3]), McComplexMul(q[1], q[2]));
    out[0] = q[3];
    out[1] = {-q[1].re, -q[1].im};
    out[2] = {-q[2].re, -q[2].im};
    out[3] = q[0];
  } else {
    const McComplex a = q[0], b = q[1], c = q[2], d = q[3], e = q[4], f = q[5], g = q[6], h = q[7],
                    i = q[8];
    det = McComplexSub(
        McComplexSub(McComplexSub(McComplexAdd(McComplexAdd(McComplexMul(McComplexMul(a, e), i),
                                                            McComplexMul(McComplexMul(b, f), g)),
                                               McComplexMul(McComplexMul(c, d), h)),
                                  McComplexMul(McComplexMul(c, e), g)),
                     McComplexMul(McComplexMul(a, f), h)),
        McComplexMul(McComplexMul(b, d), i));
    // out(r, c) = cofactor (c, r).
    out[0] = McComplexSub(McComplexMul(e, i), McComplexMul(f, h));
    out[1] = McComplexSub(McComplexMul(c, h), McComplexMul(b, i));
    out[2] = McComplexSub(McComplexMul(b, f), McComplexMul(c, e));
    out[3] = McComplexSub(McComplexMul(f, g), McComplexMul(d, i));
    out[4] = McComplexSub(McComplexMul(a, i), McComplexMul(c, g));
    out[5] = McComplexSub(McComplexMul(c, d), McComplexMul(a, f));
    out[6] = McComplexSub(McComplexMul(d, h), McComplexMul(e, g));
    out[7] = McComplexSub(McComplexMul(b, g), McComplexMul(a, h));
    out[8] = McComplexSub(McComplexMul(a, e), McComplexMul(b, d));
  }
  const double det2 = det.re * det.re + det.im * det.im;
  bool finite = UsableSquare(det2);
  for (int k = 0; k < n * n; ++k) {
    out[k] = scaled ? McComplexDivScaled(out[k], det) : DivDirect(out[k], det, det2);
    finite = finite && Finite(out[k]);
  }
  return finite;
}

// Q^-1 for n = 1 .. 3. Where the direct formula over- or underflows for a
// finite Q, the matrix is scaled by a power of two (exactly) so that its
// largest part is near 1, inverted with the scaled division, and scaled back.
void Invert(const McComplex* q, McComplex* out, int n) {
  if (InvertAdjugate(q, out, n, false)) return;
  double largest = 0.0;
  for (int k = 0; k < n * n; ++k) {
    if (!Finite(q[k])) return;  // non-finite in, non-finite out
    largest = std::max({largest, std::fabs(q[k].re), std::fabs(q[k].im)});
  }
  if (largest == 0.0) return;  // the zero matrix has no inverse
  int e = 0;
  std::frexp(largest, &e);
  McComplex s[9];
  for (int k = 0; k < n * n; ++k) s[k] = {std::ldexp(q[k].re, -e), std::ldexp(q[k].im, -e)};
  InvertAdjugate(s, out, n, true);
  for (int k = 0; k < n * n; ++k) out[k] = {std::ldexp(out[k].re, -e), std::ldexp(out[k].im, -e)};
}

// Sums this close, relative to the larger, are equal for the band choice.
constexpr double kTieTolerance = 1e-12;

// a exceeds b by more than rounding: for a square loop the column and row
// sums add the same moduli in another order, so a difference of a few units
// in the last place is no difference.
inline bool Exceeds(double a, double b) {
  return a - b > kTieTolerance * std::max(std::fabs(a), std::fabs(b));
}

// The Gershgorin and Ostrowski choice: the rows are taken when the columns
// violate diagonal dominance more, or as much with a larger total radius;
// sums equal within rounding keep the columns. diag(i) is the modulus of
// diagonal element i.
template <class Diagonal>
bool ChooseRows(const double* col, const double* row, Diagonal diag, int b) {
  double vc = 0.0, vr = 0.0, sc = 0.0, sr = 0.0;
  for (int i = 0; i < b; ++i) {
    const double d = diag(i);
    if (d < col[i]) vc += col[i] - d;
    if (d < row[i]) vr += row[i] - d;
    sc += col[i];
    sr += row[i];
  }
  return Exceeds(vc, vr) || (!Exceeds(vr, vc) && Exceeds(sc, sr));
}

// The entries a failed ComplexEigen did not compute become NaN (SIMeigen.h):
// on code j in 1 .. n the positions before j, which the unfinished sweep left
// as partial values or zeros; code n + 1 has made them all NaN already.
void MarkUncomputed(int code, McComplex* w, int n) {
  if (code > 0) FillNaN(w, std::min(code, n));
}

}  // namespace

CSIMfreq::CSIMfreq()
    : m_nodeDirect(new McComplex[10]()),
      m_nodeInverse(new McComplex[10]()),
      m_nodeInertia(new double[10]()),
      m_nodeFlags(new BYTE[10]()),
      m_nodeCell(new BYTE[10]()),
      m_nodeFreq(new double[10]()),
      m_pDirect(new McComplex[40]()),
      m_pInverse(new McComplex[40]()),
      m_ostCol(new double[16]()),
      m_ostRow(new double[16]()),
      m_ostRatioCol(new double[16]()),
      m_ostRatioRow(new double[16]()),
      m_bandDirect(new double[20]()),
      m_bandDirectRow(new double[20]()),
      m_bandInverse(new double[20]()),
      m_bandOstrowski(new double[20]()),
      m_pLoci(new McComplex[40]()),
      m_pLociGain(new McComplex[40]()),
      m_nodeLoci(new McComplex[40]()),
      m_nodeLociGain(new McComplex[40]()),
      m_pEigenMatrix(new McComplex[16]()),
      m_pEigenWork(new double[EigenWorkSize(4)]()) {}

CSIMfreq::~CSIMfreq() = default;

// ---- sizing ------------------------------------------------------------------------

void CSIMfreq::AllocateArrays(const CSIMtrnmx& lgk, const CSIMtrnmx& flgk) {
  const long long steps = std::max(0, g_nFreqSteps);
  const int tick = g_nFreqTickStep;
  int b = 0;
  if ((g_bFreqFlags & kFreqBands) != 0 && !(lgk.m_nRows == 1 && lgk.m_nCols == 1))
    b = std::min(lgk.m_nRows, lgk.m_nCols);
  const long long m = std::max(static_cast<long long>(lgk.m_nRows) * lgk.m_nCols,
                               static_cast<long long>(flgk.m_nRows) * flgk.m_nCols);
  // The eigenvalue calls take the square one of LGK and FLGK.
  const int order = std::max({lgk.m_nRows, lgk.m_nCols, flgk.m_nRows, flgk.m_nCols});
  Grow(m_pEigenWork, m_nWorkCapacity, EigenWorkSize(order));
  Grow(m_pEigenMatrix, m_nEigenCapacity, m);
  if (b > m_nOstCapacity) {
    int c = m_nOstCapacity;
    Grow(m_ostCol, m_ostRow, c, b);
    Grow(m_ostRatioCol, m_ostRatioRow, m_nOstCapacity, b);
  }
  m_nRows = lgk.m_nRows;
  m_nCols = lgk.m_nCols;
  Grow(m_pDirect, m_pInverse, m_nResponseCapacity, steps * m_nRows * m_nCols);
  m_nDim = std::max({lgk.m_nRows, lgk.m_nCols, flgk.m_nRows, flgk.m_nCols});
  Grow(m_pLoci, m_pLociGain, m_nLociCapacity, m_nDim * steps);
  m_nFreqs = static_cast<int>(steps);
  // A tick step below 1 has no band frequencies (nothing divides by it).
  const long long bandEntries = tick >= 1 ? b * steps / tick : 0;
  if (bandEntries > m_nBandCapacity) {
    int c = m_nBandCapacity;
    Grow(m_bandDirect, m_bandDirectRow, c, bandEntries);
    Grow(m_bandInverse, m_bandOstrowski, m_nBandCapacity, bandEntries);
  }
  m_nBandDim = b;
  m_nTickStep = tick;
  m_dFreqMin = g_dFreqMin;
  m_dFreqMax = g_dFreqMax;
  // The node values of a loop that grew since the nodes were added.
  Grow(m_nodeLoci, m_nodeLociGain, m_nNodeLociCapacity, static_cast<long long>(m_nNodes) * m_nDim);
}

// ---- the sweep -----------------------------------------------------------------------

void CSIMfreq::ComputeResponses(CQorexDoc* doc) {
  if (doc == nullptr) return;
  QxCleanVectorState();  // see VectorState.h: the numerics run clean
  const CSIMsystem& sys = doc->m_system;
  AllocateArrays(sys.m_LGK, sys.m_FLGK);
  SweepDirect(sys);
  SweepInverse();
  if (m_nBandDim > 0) SweepBands(sys);
  SweepNodes(sys);
}

void CSIMfreq::ComputeNothing(CQorexDoc* doc) {
  if (doc == nullptr) return;
  const CSIMsystem& sys = doc->m_system;
  AllocateArrays(sys.m_LGK, sys.m_FLGK);
  const long long cells = static_cast<long long>(m_nFreqs) * m_nRows * m_nCols;
  FillNaN(m_pDirect.get(), cells);
  FillNaN(m_pInverse.get(), cells);
  FillNaN(m_pLoci.get(), static_cast<long long>(m_nDim) * m_nFreqs);
  FillNaN(m_pLociGain.get(), static_cast<long long>(m_nDim) * m_nFreqs);
  const long long bands =
      m_nTickStep >= 1 ? static_cast<long long>(m_nBandDim) * m_nFreqs / m_nTickStep : 0;
  for (double* radii :
       {m_bandDirect.get(), m_bandDirectRow.get(), m_bandInverse.get(), m_bandOstrowski.get()})
    std::fill(radii, radii + std::max(0LL, bands), kNaN);
  FillNaN(m_nodeDirect.get(), m_nNodes);
  FillNaN(m_nodeInverse.get(), m_nNodes);
  FillNaN(m_nodeLoci.get(), static_cast<long long>(m_nNodes) * m_nDim);
  FillNaN(m_nodeLociGain.get(), static_cast<long long>(m_nNodes) * m_nDim);
}

double CSIMfreq::GridRatio(double min, double max, int n) {
  if (n < 1) return std::numeric_limits<double>::infinity();
  const double q = max / min;
  if (std::isfinite(q)) return std::pow(q, 1.0 / n);
  // Start and stop so far apart that their quotient overflows.
  return std::exp((std::log(max) - std::log(min)) / n);
}

void CSIMfreq::SweepDirect(const CSIMsystem& sys) {
  const double r = GridRatio(m_dFreqMin, m_dFreqMax, m_nFreqs);
  const int cells = m_nRows * m_nCols;
  const CSIMtrnfn* lgk = sys.m_LGK.m_pElements.get();
  FillNaN(m_pLoci.get(), static_cast<long long>(m_nDim) * m_nFreqs);
  FillNaN(m_pLociGain.get(), static_cast<long long>(m_nDim) * m_nFreqs);
  double w = m_dFreqMin;
  for (int k = 0; k < m_nFreqs; ++k) {
    McComplex* q = &m_pDirect[static_cast<size_t>(k) * cells];
    for (int i = 0; i < cells; ++i) q[i] = Response(lgk[i], w);
    if (m_nDim > 1)
      CharacteristicLoci(sys, w, &m_pLoci[static_cast<size_t>(k) * m_nDim],
                         &m_pLociGain[static_cast<size_t>(k) * m_nDim], q);
    w *= r;
  }
}

void CSIMfreq::SweepInverse() {
  const int n = m_nRows, cells = m_nRows * m_nCols;
  const size_t total = static_cast<size_t>(m_nFreqs) * cells;
  if (m_nRows != m_nCols || n >= 4) {
    std::fill(m_pInverse.get(), m_pInverse.get() + total, McComplex{0.0, 0.0});
    return;
  }
  for (size_t at = 0; at < total; at += cells) Invert(&m_pDirect[at], &m_pInverse[at], n);
}

// For band frequency j (grid point T j) and band index i:
//   column radii c_i = sum over r != i of |Q(r, i)|, row radii r_i over c != i,
//   the same of Q^-1; Ostrowski: g_i = |f_i + Q^-1(i, i)|, the ratios of the
//   inverse radii to g_i, and radius_i = (largest other ratio) x radius_i.
void CSIMfreq::SweepBands(const CSIMsystem& sys) {
  const int b = m_nBandDim, rows = m_nRows, cols = m_nCols;
  const int bands = m_nTickStep >= 1 ? m_nFreqs / m_nTickStep : 0;
  const CSIMtrnmx& F = sys.m_F;
  for (int j = 0; j < bands; ++j) {
    const size_t at = static_cast<size_t>(m_nTickStep) * j * rows * cols;
    const McComplex* Q = &m_pDirect[at];
    const McComplex* Qi = &m_pInverse[at];
    double* col = &m_bandDirect[static_cast<size_t>(j) * b];
    double* row = &m_bandDirectRow[static_cast<size_t>(j) * b];
    double* colInv = &m_bandInverse[static_cast<size_t>(j) * b];
    double* rowInv = &m_bandOstrowski[static_cast<size_t>(j) * b];
    for (int i = 0; i < b; ++i) {
      col[i] = colInv[i] = row[i] = rowInv[i] = 0.0;
      for (int r = 0; r < rows; ++r)
        if (r != i) {
          col[i] += Cabs(&Q[r * cols + i]);
          colInv[i] += Cabs(&Qi[r * cols + i]);
        }
      for (int c = 0; c < cols; ++c)
        if (c != i) {
          row[i] += Cabs(&Q[i * cols + c]);
          rowInv[i] += Cabs(&Qi[i * cols + c]);
        }
      // f_i: the zero-frequency gain of F(i, i), F indexed by its own
      // columns; 0 where F has no such element.
      double f = 0.0;
      if (i < F.m_nRows && i < F.m_nCols) f = F.At(i, i).m_num[0] / F.At(i, i).m_den[0];
      const McComplex g = {f + Qi[i * cols + i].re, Qi[i * cols + i].im};
      const double gi = Cabs(&g);
      m_ostRatioCol[i] = colInv[i] / gi;
      m_ostRatioRow[i] = rowInv[i] / gi;
    }
    for (int i = 0; i < b; ++i) {
      double phi = 0.0, psi = 0.0;  // a larger ratio replaces; NaN never does
      for (int k = 0; k < b; ++k) {
        if (k == i) continue;
        if (m_ostRatioCol[k] > phi) phi = m_ostRatioCol[k];
        if (m_ostRatioRow[k] > psi) psi = m_ostRatioRow[k];
      }
      m_ostCol[i] = phi * colInv[i];
      m_ostRow[i] = psi * rowInv[i];
    }
    auto direct = [&](int i) { return Cabs(&Q[i * cols + i]); };
    auto inverse = [&](int i) { return Cabs(&Qi[i * cols + i]); };
    const bool ostrowskiRows = ChooseRows(m_ostCol.get(), m_ostRow.get(), inverse, b);
    if (ChooseRows(col, row, direct, b)) std::copy(row, row + b, col);
    if (ChooseRows(colInv, rowInv, inverse, b)) std::copy(rowInv, rowInv + b, colInv);
    const double* ost = ostrowskiRows ? m_ostRow.get() : m_ostCol.get();
    std::copy(ost, ost + b, rowInv);
  }
}

void CSIMfreq::SweepNodes(const CSIMsystem& sys) {
  for (int n = 0; n < m_nNodes; ++n) {
    const int row = CellRow(m_nodeCell[n]), col = CellCol(m_nodeCell[n]);
    if (row < m_nRows && col < m_nCols) {
      LoopAtFrequency(sys, row, col, m_nodeFreq[n], &m_nodeDirect[n], &m_nodeInverse[n]);
    } else {
      m_nodeDirect[n] = m_nodeInverse[n] = kNaNPair;
    }
  }
  FillNaN(m_nodeLoci.get(), static_cast<long long>(m_nNodes) * m_nDim);
  FillNaN(m_nodeLociGain.get(), static_cast<long long>(m_nNodes) * m_nDim);
  if (m_nDim <= 1) return;
  for (int n = 0; n < m_nNodes; ++n)
    if (NodeInside(n))
      CharacteristicLoci(sys, m_nodeFreq[n], &m_nodeLoci[static_cast<size_t>(n) * m_nDim],
                         &m_nodeLociGain[static_cast<size_t>(n) * m_nDim], nullptr);
}

// ---- one frequency -----------------------------------------------------------------

McComplex CSIMfreq::Response(const CSIMtrnfn& t, double w) {
  const double* b = t.m_num.data();
  const double* a = t.m_den.data();
  const int nNum = std::min(t.m_nNum, t.m_nDen);
  McComplex n = {b[0], 0.0}, d = {a[0], 0.0};
  double pr = 0.0, pi = w;  // p = (jw)^k
  int k = 1;
  for (; k < nNum; ++k) {
    n.re += b[k] * pr;
    n.im += b[k] * pi;
    d.re += a[k] * pr;
    d.im += a[k] * pi;
    const double next = pr * w;
    pr = -pi * w;
    pi = next;
  }
  for (; k < t.m_nDen; ++k) {
    d.re += a[k] * pr;
    d.im += a[k] * pi;
    const double next = pr * w;
    pr = -pi * w;
    pi = next;
  }
  const double d2 = d.re * d.re + d.im * d.im;
  const McComplex q = DivDirect(n, d, d2);
  if (UsableSquare(d2) && Finite(q)) return q;
  // A true zero of D (reached without overflow) keeps its non-finite value.
  const bool trueZero = d.re == 0.0 && d.im == 0.0 && std::isfinite(pr) && std::isfinite(pi);
  if (trueZero || !std::isfinite(w)) return q;
  return ResponseScaled(t, w);
}

void CSIMfreq::LoopAtFrequency(const CSIMsystem& sys, int row, int col, double w, McComplex* direct,
                               McComplex* inverse) {
  const CSIMtrnmx& lgk = sys.m_LGK;
  if (row < 0 || col < 0 || row >= lgk.m_nRows || col >= lgk.m_nCols) {
    *direct = *inverse = kNaNPair;
    return;
  }
  *direct = Response(lgk.At(row, col), w);
  const int n = lgk.m_nRows;
  if (!lgk.IsSquare() || n >= 4) {
    *inverse = {0.0, 0.0};
    return;
  }
  McComplex q[9] = {}, inv[9] = {};
  for (int i = 0; i < n * n; ++i) q[i] = Response(lgk.m_pElements[i], w);
  Invert(q, inv, n);
  *inverse = inv[row * n + col];
}

void CSIMfreq::CharacteristicLoci(const CSIMsystem& sys, double w, McComplex* loci,
                                  McComplex* gains, const McComplex* direct) {
  const double deg = 90.0 / std::asin(1.0);
  const double l10 = std::log(10.0);
  const CSIMtrnmx& flgk = sys.m_FLGK;
  if (!flgk.IsSquare()) return;
  int n = flgk.m_nCols;
  // A loop that grew since the last sizing (a cost between recalculations).
  Grow(m_pEigenMatrix, m_nEigenCapacity, static_cast<long long>(n) * n);
  Grow(m_pEigenWork, m_nWorkCapacity, EigenWorkSize(n));
  McComplex* m = m_pEigenMatrix.get();
  for (int i = 0; i < n * n; ++i) m[i] = Response(flgk.m_pElements[i], w);
  MarkUncomputed(
      ComplexEigen(reinterpret_cast<const double*>(m), loci, nullptr, n, m_pEigenWork.get()), loci,
      n);

  const CSIMtrnmx& lgk = sys.m_LGK;
  if (!lgk.IsSquare()) {
    FillNaN(gains, n);
    return;
  }
  n = lgk.m_nCols;
  Grow(m_pEigenMatrix, m_nEigenCapacity, static_cast<long long>(n) * n);
  Grow(m_pEigenWork, m_nWorkCapacity, EigenWorkSize(n));
  m = m_pEigenMatrix.get();
  int code = 0;
  if (direct != nullptr) {
    code = ComplexEigen(reinterpret_cast<const double*>(direct), gains, m, n, m_pEigenWork.get());
  } else {
    for (int i = 0; i < n * n; ++i) m[i] = Response(lgk.m_pElements[i], w);
    code = ComplexEigen(reinterpret_cast<const double*>(m), gains, m, n, m_pEigenWork.get());
  }
  if (code != 0) {
    // The vectors hold the unfinished transformation, not eigenvectors: no
    // gain or angle at this frequency is known.
    FillNaN(gains, n);
    return;
  }
  for (int j = 0; j < n; ++j) {
    double s = 0.0;
    for (int r = 0; r < n; ++r)
      s += m[r * n + j].re * m[r * n + j].re + m[r * n + j].im * m[r * n + j].im;
    double cosine = Cabs(&m[j * n + j]) / std::sqrt(s);
    if (cosine > 1.0) cosine = 1.0;  // the rescaled modulus may pass the sum's root by an ulp
    gains[j] = {20.0 * std::log(Cabs(&gains[j])) / l10, std::acos(cosine) * deg};
  }
}
