#include "simulation/SIMeigen.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

namespace {

constexpr double kRadix = 16.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A published column-major array with 1-based indices: a(i, j) is row i, column j.
class Fmat {
 public:
  Fmat(double* p, int nm) : m_p(p), m_nm(nm) {}
  double& operator()(int i, int j) const { return m_p[(i - 1) + (j - 1) * m_nm]; }

 private:
  double* m_p;
  int m_nm;
};

// A published vector with a 1-based index.
class Fvec {
 public:
  explicit Fvec(double* p) : m_p(p) {}
  double& operator()(int i) const { return m_p[i - 1]; }

 private:
  double* m_p;
};

// ---- shared by comqr and comqr2 ---------------------------------------------
// The two routines run the same iteration. comqr transforms only the active
// part of the matrix; comqr2 transforms the whole matrix (rows from 1, columns
// up to n) and applies every transformation to the accumulated one (zr, zi),
// rows low .. igh. The helpers take that difference as this argument.
struct Vectors {
  const Fmat* zr;  // null for comqr
  const Fmat* zi;
  int n;
};

// Makes h(i, i-1) real for i = low + 1 .. igh by a diagonal unitary similarity.
void MakeSubdiagonalReal(const Fmat& hr, const Fmat& hi, int low, int igh, const Vectors& v) {
  const int firstRow = v.zr ? 1 : low;
  const int lastCol = v.zr ? v.n : igh;
  for (int i = low + 1; i <= igh; ++i) {
    const int ll = std::min(i + 1, igh);
    if (hi(i, i - 1) == 0.0) continue;
    const double norm = pythag(hr(i, i - 1), hi(i, i - 1));
    const double yr = hr(i, i - 1) / norm;
    const double yi = hi(i, i - 1) / norm;
    hr(i, i - 1) = norm;
    hi(i, i - 1) = 0.0;
    for (int j = i; j <= lastCol; ++j) {
      const double si = yr * hi(i, j) - yi * hr(i, j);
      hr(i, j) = yr * hr(i, j) + yi * hi(i, j);
      hi(i, j) = si;
    }
    for (int j = firstRow; j <= ll; ++j) {
      const double si = yr * hi(j, i) + yi * hr(j, i);
      hr(j, i) = yr * hr(j, i) - yi * hi(j, i);
      hi(j, i) = si;
    }
    if (!v.zr) continue;
    const Fmat &zr = *v.zr, &zi = *v.zi;
    for (int j = low; j <= igh; ++j) {
      const double si = yr * zi(j, i) + yi * zr(j, i);
      zr(j, i) = yr * zr(j, i) - yi * zi(j, i);
      zi(j, i) = si;
    }
  }
}

// Where the unreduced block that ends at en begins: the largest l in
// low + 1 .. en whose subdiagonal h(l, l-1) is negligible, else low. The
// subdiagonal is real; it is negligible when adding it to |h(l-1, l-1)| +
// |h(l, l)| (moduli as |re| + |im|) changes nothing.
int SmallSubdiagonal(const Fmat& hr, const Fmat& hi, int low, int en) {
  for (int l = en; l > low; --l) {
    const double tst1 = std::fabs(hr(l - 1, l - 1)) + std::fabs(hi(l - 1, l - 1)) +
                        std::fabs(hr(l, l)) + std::fabs(hi(l, l));
    const double tst2 = tst1 + std::fabs(hr(l, l - 1));
    if (tst2 == tst1) return l;
  }
  return low;
}

// The shift (sr, si) for the its-th iteration on eigenvalue en: the eigenvalue
// of the trailing 2 x 2 block nearer h(en, en), or the exceptional shift at
// the 11th and 21st. h(en-1, en-2) does not exist for en = 2 and counts as 0.
void FormShift(const Fmat& hr, const Fmat& hi, int en, int its, double& sr, double& si) {
  const int enm1 = en - 1;
  if (its == 10 || its == 20) {
    sr = std::fabs(hr(en, enm1)) + (en >= 3 ? std::fabs(hr(enm1, en - 2)) : 0.0);
    si = 0.0;
    return;
  }
  sr = hr(en, en);
  si = hi(en, en);
  double xr = hr(enm1, en) * hr(en, enm1);
  double xi = hi(enm1, en) * hr(en, enm1);
  if (xr == 0.0 && xi == 0.0) return;
  const double yr = (hr(enm1, enm1) - sr) / 2.0;
  const double yi = (hi(enm1, enm1) - si) / 2.0;
  double zzr = 0.0, zzi = 0.0;
  csroot(yr * yr - yi * yi + xr, 2.0 * yr * yi + xi, zzr, zzi);
  if (!(yr * zzr + yi * zzi >= 0.0)) {
    zzr = -zzr;
    zzi = -zzi;
  }
  cdiv(xr, xi, yr + zzr, yi + zzi, xr, xi);
  sr = sr - xr;
  si = si - xi;
}

// One QR step on the shifted rows and columns l .. en: rotations reduce them
// to triangular form (rows), the last diagonal element is made real, and the
// inverse rotations are applied (columns), to the transformation as well.
void QrStep(const Fmat& hr, const Fmat& hi, const Fvec& wr, const Fvec& wi, int low, int igh, int l,
            int en, const Vectors& v) {
  const int firstRow = v.zr ? 1 : l;
  const int lastCol = v.zr ? v.n : en;
  for (int i = l + 1; i <= en; ++i) {
    const double sr = hr(i, i - 1);
    hr(i, i - 1) = 0.0;
    const double norm = pythag(pythag(hr(i - 1, i - 1), hi(i - 1, i - 1)), sr);
    const double xr = hr(i - 1, i - 1) / norm;
    wr(i - 1) = xr;
    const double xi = hi(i - 1, i - 1) / norm;
    wi(i - 1) = xi;
    hr(i - 1, i - 1) = norm;
    hi(i - 1, i - 1) = 0.0;
    hi(i, i - 1) = sr / norm;
    for (int j = i; j <= lastCol; ++j) {
      const double yr = hr(i - 1, j), yi = hi(i - 1, j);
      const double zzr = hr(i, j), zzi = hi(i, j);
      hr(i - 1, j) = xr * yr + xi * yi + hi(i, i - 1) * zzr;
      hi(i - 1, j) = xr * yi - xi * yr + hi(i, i - 1) * zzi;
      hr(i, j) = xr * zzr - xi * zzi - hi(i, i - 1) * yr;
      hi(i, j) = xr * zzi + xi * zzr - hi(i, i - 1) * yi;
    }
  }
  double si = hi(en, en);
  double sr = 0.0;
  if (si != 0.0) {
    const double norm = pythag(hr(en, en), si);
    sr = hr(en, en) / norm;
    si = si / norm;
    hr(en, en) = norm;
    hi(en, en) = 0.0;
    for (int j = en + 1; j <= lastCol; ++j) {
      const double yr = hr(en, j), yi = hi(en, j);
      hr(en, j) = sr * yr + si * yi;
      hi(en, j) = sr * yi - si * yr;
    }
  }
  // Inverse operation (columns).
  for (int j = l + 1; j <= en; ++j) {
    const double xr = wr(j - 1), xi = wi(j - 1);
    for (int i = firstRow; i <= j; ++i) {
      const double yr = hr(i, j - 1);
      double yi = 0.0;
      const double zzr = hr(i, j), zzi = hi(i, j);
      if (i != j) {
        yi = hi(i, j - 1);
        hi(i, j - 1) = xr * yi + xi * yr + hi(j, j - 1) * zzi;
      }
      hr(i, j - 1) = xr * yr - xi * yi + hi(j, j - 1) * zzr;
      hr(i, j) = xr * zzr + xi * zzi - hi(j, j - 1) * yr;
      hi(i, j) = xr * zzi - xi * zzr - hi(j, j - 1) * yi;
    }
    if (v.zr) {
      const Fmat &zr = *v.zr, &zi = *v.zi;
      for (int i = low; i <= igh; ++i) {
        const double yr = zr(i, j - 1), yi = zi(i, j - 1);
        const double zzr = zr(i, j), zzi = zi(i, j);
        zr(i, j - 1) = xr * yr - xi * yi + hi(j, j - 1) * zzr;
        zi(i, j - 1) = xr * yi + xi * yr + hi(j, j - 1) * zzi;
        zr(i, j) = xr * zzr + xi * zzi - hi(j, j - 1) * yr;
        zi(i, j) = xr * zzi - xi * zzr - hi(j, j - 1) * yi;
      }
    }
  }
  if (si == 0.0) return;
  for (int i = firstRow; i <= en; ++i) {
    const double yr = hr(i, en), yi = hi(i, en);
    hr(i, en) = sr * yr - si * yi;
    hi(i, en) = sr * yi + si * yr;
  }
  if (v.zr) {
    const Fmat &zr = *v.zr, &zi = *v.zi;
    for (int i = low; i <= igh; ++i) {
      const double yr = zr(i, en), yi = zi(i, en);
      zr(i, en) = sr * yr - si * yi;
      zi(i, en) = sr * yi + si * yr;
    }
  }
}

// The QR iteration of both routines, from en = igh down to low. Returns 0, or
// the position whose eigenvalue had not converged when 30 n iterations were
// spent. comqr2 keeps each eigenvalue on the diagonal of its triangular form.
int QrIteration(const Fmat& hr, const Fmat& hi, const Fvec& wr, const Fvec& wi, int n, int low,
                int igh, const Vectors& v) {
  // Eigenvalues isolated by the balancing.
  for (int i = 1; i <= n; ++i) {
    if (i >= low && i <= igh) continue;
    wr(i) = hr(i, i);
    wi(i) = hi(i, i);
  }
  double tr = 0.0, ti = 0.0;
  int itn = 30 * n;
  for (int en = igh; en >= low; --en) {
    int its = 0;
    for (;;) {
      const int l = SmallSubdiagonal(hr, hi, low, en);
      if (l == en) break;
      if (itn == 0) return en;
      double sr = 0.0, si = 0.0;
      FormShift(hr, hi, en, its, sr, si);
      for (int i = low; i <= en; ++i) {
        hr(i, i) = hr(i, i) - sr;
        hi(i, i) = hi(i, i) - si;
      }
      tr = tr + sr;
      ti = ti + si;
      ++its;
      --itn;
      QrStep(hr, hi, wr, wi, low, igh, l, en, v);
    }
    // A root found.
    if (v.zr) {
      hr(en, en) = hr(en, en) + tr;
      wr(en) = hr(en, en);
      hi(en, en) = hi(en, en) + ti;
      wi(en) = hi(en, en);
    } else {
      wr(en) = hr(en, en) + tr;
      wi(en) = hi(en, en) + ti;
    }
  }
  return 0;
}

// ---- comqr2 only --------------------------------------------------------------

// (zr, zi) := the product of the Householder reflections corth left in
// (ortr, orti) and below the subdiagonal of (hr, hi), starting from the identity.
void AccumulateTransformations(const Fmat& hr, const Fmat& hi, const Fvec& ortr, const Fvec& orti,
                               const Fmat& zr, const Fmat& zi, int n, int low, int igh) {
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) {
      zr(i, j) = 0.0;
      zi(i, j) = 0.0;
    }
    zr(j, j) = 1.0;
  }
  for (int i = igh - 1; i >= low + 1; --i) {
    if (ortr(i) == 0.0 && orti(i) == 0.0) continue;
    if (hr(i, i - 1) == 0.0 && hi(i, i - 1) == 0.0) continue;
    // norm below is the negative of h formed in corth.
    const double norm = hr(i, i - 1) * ortr(i) + hi(i, i - 1) * orti(i);
    for (int k = i + 1; k <= igh; ++k) {
      ortr(k) = hr(k, i - 1);
      orti(k) = hi(k, i - 1);
    }
    for (int j = i; j <= igh; ++j) {
      double sr = 0.0, si = 0.0;
      for (int k = i; k <= igh; ++k) {
        sr = sr + ortr(k) * zr(k, j) + orti(k) * zi(k, j);
        si = si + ortr(k) * zi(k, j) - orti(k) * zr(k, j);
      }
      sr = sr / norm;
      si = si / norm;
      for (int k = i; k <= igh; ++k) {
        zr(k, j) = zr(k, j) + sr * ortr(k) - si * orti(k);
        zi(k, j) = zi(k, j) + sr * orti(k) + si * ortr(k);
      }
    }
  }
}

// Eigenvectors of the upper triangular (hr, hi), in place, unit diagonal.
// Returns false when there is nothing to do (n = 1 or a zero triangle), in
// which case the transformation already holds the eigenvectors.
bool BackSubstitute(const Fmat& hr, const Fmat& hi, const Fvec& wr, const Fvec& wi, int n) {
  double norm = 0.0;
  for (int i = 1; i <= n; ++i) {
    for (int j = i; j <= n; ++j) {
      const double tr = std::fabs(hr(i, j)) + std::fabs(hi(i, j));
      if (tr > norm) norm = tr;
    }
  }
  if (n == 1 || norm == 0.0) return false;
  for (int en = n; en >= 2; --en) {
    const double xr = wr(en), xi = wi(en);
    hr(en, en) = 1.0;
    hi(en, en) = 0.0;
    for (int i = en - 1; i >= 1; --i) {
      double zzr = 0.0, zzi = 0.0;
      for (int j = i + 1; j <= en; ++j) {
        zzr = zzr + hr(i, j) * hr(j, en) - hi(i, j) * hi(j, en);
        zzi = zzi + hr(i, j) * hi(j, en) + hi(i, j) * hr(j, en);
      }
      double yr = xr - wr(i);
      const double yi = xi - wi(i);
      if (yr == 0.0 && yi == 0.0) {
        // A zero pivot (equal eigenvalues) becomes the first norm * 0.01^k
        // that no longer changes the norm when added to it.
        const double tst1 = norm;
        yr = tst1;
        double tst2;
        do {
          yr = 0.01 * yr;
          tst2 = norm + yr;
        } while (tst2 > tst1);
      }
      cdiv(zzr, zzi, yr, yi, hr(i, en), hi(i, en));
      // Overflow control.
      const double tr = std::fabs(hr(i, en)) + std::fabs(hi(i, en));
      if (tr == 0.0) continue;
      const double tst1 = tr;
      const double tst2 = tst1 + 1.0 / tst1;
      if (tst2 > tst1) continue;
      for (int j = i; j <= en; ++j) {
        hr(j, en) = hr(j, en) / tr;
        hi(j, en) = hi(j, en) / tr;
      }
    }
  }
  // The published text stops at position 2, leaving the first vector
  // multiplied by its eigenvalue (and zero for the eigenvalue 0).
  hr(1, 1) = 1.0;
  hi(1, 1) = 0.0;
  return true;
}

// Rows of the isolated eigenvalues from the triangle, then the product with
// the transformation: the eigenvectors of the balanced matrix.
void TransformVectors(const Fmat& hr, const Fmat& hi, const Fmat& zr, const Fmat& zi, int n,
                      int low, int igh) {
  for (int i = 1; i <= n; ++i) {
    if (i >= low && i <= igh) continue;
    for (int j = i; j <= n; ++j) {
      zr(i, j) = hr(i, j);
      zi(i, j) = hi(i, j);
    }
  }
  for (int j = n; j >= low; --j) {
    const int m = std::min(j, igh);
    for (int i = low; i <= igh; ++i) {
      double zzr = 0.0, zzi = 0.0;
      for (int k = low; k <= m; ++k) {
        zzr = zzr + zr(i, k) * hr(k, j) - zi(i, k) * hi(k, j);
        zzi = zzi + zr(i, k) * hi(k, j) + zi(i, k) * hr(k, j);
      }
      zr(i, j) = zzr;
      zi(i, j) = zzi;
    }
  }
}

}  // namespace

int ComplexEigen(const double A[], McComplex w[], McComplex Z[], int n, double work[]) {
  if (n < 1) return 0;
  const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  for (std::size_t k = 0; k < 2 * nn; ++k) {
    if (std::isfinite(A[k])) continue;
    // No balancing or iteration can make sense of it, and the published
    // balancing would search forever for a scale that fits an infinite sum.
    std::fill(w, w + n, McComplex{kNaN, kNaN});
    if (Z) std::fill(Z, Z + nn, McComplex{kNaN, kNaN});
    return n + 1;
  }
  double* const ar = work;
  double* const ai = work + nn;
  double* const wr = work + 2 * nn;
  double* const wi = work + 3 * nn;
  double* const zr = work + 4 * nn;
  double* const zi = work + 5 * nn;
  double* const fv1 = work + 6 * nn;
  double* const fv2 = work + 7 * nn;
  double* const fv3 = work + 8 * nn;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      ar[r + c * n] = A[2 * (r * n + c)];
      ai[r + c * n] = A[2 * (r * n + c) + 1];
    }
  }
  // A sweep that runs out of iterations leaves some positions unwritten: they
  // read 0 rather than what the work area held before.
  std::fill(wr, wr + n, 0.0);
  std::fill(wi, wi + n, 0.0);
  int ierr = 0;
  cg(n, n, ar, ai, wr, wi, Z ? 1 : 0, zr, zi, fv1, fv2, fv3, ierr);
  for (int j = 0; j < n; ++j) w[j] = {wr[j], wi[j]};
  if (Z) {
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) Z[r * n + c] = {zr[r + c * n], zi[r + c * n]};
    }
  }
  return ierr;
}

void cg(int nm, int n, double ar[], double ai[], double wr[], double wi[], int matz, double zr[],
        double zi[], double fv1[], double fv2[], double fv3[], int& ierr) {
  if (n > nm) {
    ierr = 10 * n;
    return;
  }
  int is1 = 0, is2 = 0;
  cbal(nm, n, ar, ai, is1, is2, fv1);
  corth(nm, n, is1, is2, ar, ai, fv2, fv3);
  if (matz == 0) {
    comqr(nm, n, is1, is2, ar, ai, wr, wi, ierr);
    return;
  }
  comqr2(nm, n, is1, is2, fv2, fv3, ar, ai, wr, wi, zr, zi, ierr);
  if (ierr != 0) return;
  cbabk2(nm, n, is1, is2, fv1, n, zr, zi);
}

void cbal(int nm, int n, double arp[], double aip[], int& low, int& igh, double scalep[]) {
  const Fmat ar(arp, nm), ai(aip, nm);
  const Fvec scale(scalep);
  const double b2 = kRadix * kRadix;
  int k = 1, l = n;
  // Exchanges rows and columns j and m and records j in scale(m).
  const auto exchange = [&](int j, int m) {
    scale(m) = j;
    if (j == m) return;
    for (int i = 1; i <= l; ++i) {
      std::swap(ar(i, j), ar(i, m));
      std::swap(ai(i, j), ai(i, m));
    }
    for (int i = k; i <= n; ++i) {
      std::swap(ar(j, i), ar(m, i));
      std::swap(ai(j, i), ai(m, i));
    }
  };
  // Rows isolating an eigenvalue are pushed down, then columns to the left.
  const auto rowIsolates = [&](int j) {
    for (int i = 1; i <= l; ++i) {
      if (i != j && (ar(j, i) != 0.0 || ai(j, i) != 0.0)) return false;
    }
    return true;
  };
  const auto columnIsolates = [&](int j) {
    for (int i = k; i <= l; ++i) {
      if (i != j && (ar(i, j) != 0.0 || ai(i, j) != 0.0)) return false;
    }
    return true;
  };
  for (int j = l; j >= 1; --j) {
    if (!rowIsolates(j)) continue;
    exchange(j, l);
    if (l == 1) {
      low = k;
      igh = l;
      return;
    }
    --l;
    j = l + 1;  // search again from the new l
  }
  for (int j = k; j <= l; ++j) {
    if (!columnIsolates(j)) continue;
    exchange(j, k);
    ++k;
    j = k - 1;  // search again from the new k
  }
  // Balance the submatrix in rows k to l.
  for (int i = k; i <= l; ++i) scale(i) = 1.0;
  bool noconv;
  do {
    noconv = false;
    for (int i = k; i <= l; ++i) {
      double c = 0.0, r = 0.0;
      for (int j = k; j <= l; ++j) {
        if (j == i) continue;
        c = c + std::fabs(ar(j, i)) + std::fabs(ai(j, i));
        r = r + std::fabs(ar(i, j)) + std::fabs(ai(i, j));
      }
      // Zero sums (underflow) are skipped as published; so are sums that
      // overflowed, which no power of 16 brings into range.
      if (c == 0.0 || r == 0.0 || !std::isfinite(c) || !std::isfinite(r)) continue;
      double g = r / kRadix;
      double f = 1.0;
      const double s = c + r;
      while (c < g) {
        f = f * kRadix;
        c = c * b2;
      }
      // Near the largest double the scaled sum overflows, and an infinite c
      // would never fall below g in the loop after: the row keeps the scale it
      // has. So does one whose factor or total factor leaves the normal range
      // (a power of 16 is normal exactly when its reciprocal is), which
      // cbabk2 could not undo.
      if (!std::isfinite(c)) continue;
      g = r * kRadix;
      while (c >= g) {
        f = f / kRadix;
        c = c / b2;
      }
      if (!std::isnormal(f) || !std::isnormal(scale(i) * f)) continue;
      if ((c + r) / f >= 0.95 * s) continue;
      g = 1.0 / f;
      scale(i) = scale(i) * f;
      noconv = true;
      for (int j = k; j <= n; ++j) {
        ar(i, j) = ar(i, j) * g;
        ai(i, j) = ai(i, j) * g;
      }
      for (int j = 1; j <= l; ++j) {
        ar(j, i) = ar(j, i) * f;
        ai(j, i) = ai(j, i) * f;
      }
    }
  } while (noconv);
  low = k;
  igh = l;
}

void corth(int nm, int n, int low, int igh, double arp[], double aip[], double ortrp[],
           double ortip[]) {
  const Fmat ar(arp, nm), ai(aip, nm);
  const Fvec ortr(ortrp), orti(ortip);
  for (int m = low + 1; m <= igh - 1; ++m) {
    double h = 0.0;
    ortr(m) = 0.0;
    orti(m) = 0.0;
    double scale = 0.0;
    // Scale the column (the Algol tolerance is then not needed).
    for (int i = m; i <= igh; ++i)
      scale = scale + std::fabs(ar(i, m - 1)) + std::fabs(ai(i, m - 1));
    if (scale == 0.0) continue;
    for (int i = igh; i >= m; --i) {
      ortr(i) = ar(i, m - 1) / scale;
      orti(i) = ai(i, m - 1) / scale;
      h = h + ortr(i) * ortr(i) + orti(i) * orti(i);
    }
    double g = std::sqrt(h);
    const double f = pythag(ortr(m), orti(m));
    if (f != 0.0) {
      h = h + f * g;
      g = g / f;
      ortr(m) = (1.0 + g) * ortr(m);
      orti(m) = (1.0 + g) * orti(m);
    } else {
      ortr(m) = g;
      ar(m, m - 1) = scale;
    }
    // Form (I - (u u*) / h) A.
    for (int j = m; j <= n; ++j) {
      double fr = 0.0, fi = 0.0;
      for (int i = igh; i >= m; --i) {
        fr = fr + ortr(i) * ar(i, j) + orti(i) * ai(i, j);
        fi = fi + ortr(i) * ai(i, j) - orti(i) * ar(i, j);
      }
      fr = fr / h;
      fi = fi / h;
      for (int i = m; i <= igh; ++i) {
        ar(i, j) = ar(i, j) - fr * ortr(i) + fi * orti(i);
        ai(i, j) = ai(i, j) - fr * orti(i) - fi * ortr(i);
      }
    }
    // Form (I - (u u*) / h) A (I - (u u*) / h).
    for (int i = 1; i <= igh; ++i) {
      double fr = 0.0, fi = 0.0;
      for (int j = igh; j >= m; --j) {
        fr = fr + ortr(j) * ar(i, j) - orti(j) * ai(i, j);
        fi = fi + ortr(j) * ai(i, j) + orti(j) * ar(i, j);
      }
      fr = fr / h;
      fi = fi / h;
      for (int j = m; j <= igh; ++j) {
        ar(i, j) = ar(i, j) - fr * ortr(j) - fi * orti(j);
        ai(i, j) = ai(i, j) + fr * orti(j) - fi * ortr(j);
      }
    }
    ortr(m) = scale * ortr(m);
    orti(m) = scale * orti(m);
    ar(m, m - 1) = -g * ar(m, m - 1);
    ai(m, m - 1) = -g * ai(m, m - 1);
  }
}

void comqr(int nm, int n, int low, int igh, double hrp[], double hip[], double wrp[], double wip[],
           int& ierr) {
  const Fmat hr(hrp, nm), hi(hip, nm);
  const Fvec wr(wrp), wi(wip);
  const Vectors none{nullptr, nullptr, n};
  if (low != igh) MakeSubdiagonalReal(hr, hi, low, igh, none);
  ierr = QrIteration(hr, hi, wr, wi, n, low, igh, none);
}

void comqr2(int nm, int n, int low, int igh, double ortrp[], double ortip[], double hrp[],
            double hip[], double wrp[], double wip[], double zrp[], double zip[], int& ierr) {
  const Fmat hr(hrp, nm), hi(hip, nm), zr(zrp, nm), zi(zip, nm);
  const Fvec wr(wrp), wi(wip), ortr(ortrp), orti(ortip);
  const Vectors vectors{&zr, &zi, n};
  AccumulateTransformations(hr, hi, ortr, orti, zr, zi, n, low, igh);
  if (igh - low - 1 >= 0) MakeSubdiagonalReal(hr, hi, low, igh, vectors);
  ierr = QrIteration(hr, hi, wr, wi, n, low, igh, vectors);
  if (ierr != 0) return;
  if (!BackSubstitute(hr, hi, wr, wi, n)) return;
  TransformVectors(hr, hi, zr, zi, n, low, igh);
}

void cbabk2(int nm, int n, int low, int igh, const double scalep[], int m, double zrp[],
            double zip[]) {
  if (m == 0) return;
  const Fmat zr(zrp, nm), zi(zip, nm);
  const auto scale = [scalep](int i) { return scalep[i - 1]; };
  if (igh != low) {
    for (int i = low; i <= igh; ++i) {
      const double s = scale(i);
      for (int j = 1; j <= m; ++j) {
        zr(i, j) = zr(i, j) * s;
        zi(i, j) = zi(i, j) * s;
      }
    }
  }
  // For i = low - 1 step -1 until 1, igh + 1 step 1 until n.
  for (int ii = 1; ii <= n; ++ii) {
    int i = ii;
    if (i >= low && i <= igh) continue;
    if (i < low) i = low - ii;
    const int k = static_cast<int>(scale(i));
    if (k == i) continue;
    for (int j = 1; j <= m; ++j) {
      std::swap(zr(i, j), zr(k, j));
      std::swap(zi(i, j), zi(k, j));
    }
  }
}

void cdiv(double ar, double ai, double br, double bi, double& cr, double& ci) {
  double s = std::fabs(br) + std::fabs(bi);
  const double ars = ar / s;
  const double ais = ai / s;
  const double brs = br / s;
  const double bis = bi / s;
  s = brs * brs + bis * bis;
  cr = (ars * brs + ais * bis) / s;
  ci = (ais * brs - ars * bis) / s;
}

void csroot(double xr, double xi, double& yr, double& yi) {
  const double tr = xr, ti = xi;
  double s = std::sqrt(0.5 * (pythag(tr, ti) + std::fabs(tr)));
  // The published text assigns nothing for a NaN real part.
  if (std::isnan(tr)) {
    yr = yi = kNaN;
    return;
  }
  if (tr >= 0.0) yr = s;
  if (ti < 0.0) s = -s;
  if (tr <= 0.0) yi = s;
  if (tr < 0.0) yr = 0.5 * (ti / yi);
  if (tr > 0.0) yi = 0.5 * (ti / yr);
}

double pythag(double a, double b) {
  // The iteration below never ends on a NaN, nor on two infinities (r is NaN).
  if (std::isnan(a) || std::isnan(b)) return kNaN;
  double p = std::max(std::fabs(a), std::fabs(b));
  if (p == 0.0 || std::isinf(p)) return p;
  double r = std::min(std::fabs(a), std::fabs(b)) / p;
  r = r * r;
  for (;;) {
    const double t = 4.0 + r;
    if (t == 4.0) break;
    const double s = r / t;
    const double u = 1.0 + 2.0 * s;
    p = u * p;
    const double q = s / u;
    r = q * q * r;
  }
  return p;
}
