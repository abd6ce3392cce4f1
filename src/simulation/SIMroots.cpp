#include "simulation/SIMroots.h"

#include "platform/core/VectorState.h"

#include <cmath>

namespace {

constexpr int kMaxIterations = 80;
constexpr int kFractionPeriod = 10;
// Fractions of the Laguerre step taken at iterations 10, 20, ... 80 to break
// limit cycles; entry 0 is never used.
constexpr double kFraction[9] = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
constexpr double kConvergence = 1e-14;
constexpr double kRealRootTol = 4e-12;

// The engine's division formula; where |b|^2 or the products over- or
// underflow (p(x) beyond 1e150 far from the roots of a high-degree
// polynomial), Smith's scaled form gives the same quotient without inf/inf.
inline McComplex Div(McComplex a, McComplex b) {
  const double d = b.re * b.re + b.im * b.im;
  if (d >= 1e-290 && d <= 1e290 && std::fabs(a.re) <= 1e140 && std::fabs(a.im) <= 1e140) {
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
  }
  return McComplexDivScaled(a, b);
}
// The direct modulus, except where squaring over- or underflows: then |p(x)|
// of a high-degree polynomial would read as inf (or 0) and pass the
// convergence test far from a root. Inside the safe range the result is the
// direct formula's, bit for bit.
inline double Abs(McComplex z) {
  const double r = std::sqrt(z.re * z.re + z.im * z.im);
  if (r >= 1e-150 && r <= 1e150) return r;
  return std::hypot(z.re, z.im);
}
inline McComplex Scale(double r, McComplex z) {
  return {r * z.re, r * z.im};
}

}  // namespace

double Cabs(const McComplex* z) {
  return Abs(*z);
}

McComplex RCmul(double r, const McComplex* z) {
  return Scale(r, *z);
}

McComplex Laguerre(int m, const McComplex a[], McComplex* x, int* its) {
  const McComplex cm = {static_cast<double>(m), 0.0};
  const McComplex cm1 = {static_cast<double>(m - 1), 0.0};
  for (int k = 1; k <= kMaxIterations; ++k) {
    *its = k;
    // p(x) in b, p'(x) in d, p''(x)/2 in f, with the rounding-error bound.
    McComplex b = a[m];
    double err = Abs(b);
    McComplex d = {0.0, 0.0};
    McComplex f = {0.0, 0.0};
    const McComplex xk = *x;
    const double abx = Abs(xk);
    for (int j = m - 1; j >= 0; --j) {
      f = McComplexAdd(McComplexMul(xk, f), d);
      d = McComplexAdd(McComplexMul(xk, d), b);
      b = McComplexAdd(McComplexMul(xk, b), a[j]);
      err = Abs(b) + abx * err;
    }
    err *= kConvergence;
    if (Abs(b) <= err) return *x;

    const McComplex g = Div(d, b);
    const McComplex g2 = McComplexMul(g, g);
    const McComplex h = McComplexSub(g2, Scale(2.0, Div(f, b)));
    const McComplex sq = McComplexSqrt(McComplexMul(cm1, McComplexSub(McComplexMul(cm, h), g2)));
    McComplex gp = McComplexAdd(g, sq);
    const McComplex gm = McComplexSub(g, sq);
    const double abp = Abs(gp);
    const double abm = Abs(gm);
    if (abp < abm) gp = gm;
    McComplex dx;
    if ((abp > abm ? abp : abm) > 0.0) {
      dx = Div(cm, gp);
    } else {
      // Both Laguerre denominators vanish: jump by 1 + |x| in a direction that
      // turns with every iteration instead of dividing by zero.
      const McComplex dir = {std::cos(static_cast<double>(k)), std::sin(static_cast<double>(k))};
      dx = Scale(std::exp(std::log(1.0 + abx)), dir);
    }
    const McComplex x1 = McComplexSub(xk, dx);
    if (x1.re == xk.re && x1.im == xk.im) return *x;
    if (k % kFractionPeriod != 0) {
      *x = x1;
    } else {
      *x = McComplexSub(xk, McComplexMul({kFraction[k / kFractionPeriod], 0.0}, dx));
    }
  }
  return *x;
}

McComplex* PolyRoots(int m, const double a[], McComplex roots[], bool polish) {
  if (m < 1 || m > kMaxPolyDegree || a == nullptr || roots == nullptr) return nullptr;
  QxCleanVectorState();  // see VectorState.h: the numerics run clean
  // A vanishing leading coefficient would make Laguerre search with the wrong
  // degree; a non-finite one poisons every root. Neither is a polynomial of degree m.
  if (a[m] == 0.0) return nullptr;
  for (int i = 0; i <= m; ++i) {
    if (!std::isfinite(a[i])) return nullptr;
  }

  McComplex whole[kMaxPolyDegree + 1];  // undeflated, for polishing
  McComplex work[kMaxPolyDegree + 1];   // deflated after every root
  for (int j = m; j >= 0; --j) {
    whole[j] = {a[j], 0.0};
    work[j] = whole[j];
  }

  int its = 0;
  for (int j = m; j >= 1; --j) {
    McComplex x = {0.0, 0.0};
    Laguerre(j, work, &x, &its);
    if (std::fabs(x.im) <= kRealRootTol * std::fabs(x.re)) x.im = 0.0;
    roots[j] = x;
    // Synthetic division by (s - x); the remainder is dropped.
    McComplex b = work[j];
    for (int jj = j - 1; jj >= 0; --jj) {
      const McComplex c = work[jj];
      work[jj] = b;
      b = McComplexAdd(McComplexMul(x, b), c);
    }
  }
  if (polish) {
    for (int j = 1; j <= m; ++j) Laguerre(m, whole, &roots[j], &its);
  }
  return roots;
}
