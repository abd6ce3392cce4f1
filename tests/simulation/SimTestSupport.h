#pragma once
// Independent evaluation of polynomials and transfer functions in complex
// arithmetic (std::complex), the reference the numerics are checked against.
#include "simulation/SIMtrnfn.h"

#include <complex>
#include <vector>

namespace simtest {

using cd = std::complex<double>;

inline cd Eval(const double* c, int n, cd s) {
  cd v = 0.0;
  for (int i = n - 1; i >= 0; --i) v = v * s + c[i];
  return v;
}

inline cd Eval(const CSIMtrnfn& t, cd s) {
  return Eval(t.m_num.data(), t.m_nNum, s) / Eval(t.m_den.data(), t.m_nDen, s);
}

// |p(r)| / sum |a_i| |r|^i: how far r is from being a root of a polynomial
// whose coefficients were perturbed relatively by that amount.
inline double BackwardResidual(const double* a, int m, cd r) {
  double scale = 0.0;
  for (int i = m; i >= 0; --i) scale = scale * std::abs(r) + std::fabs(a[i]);
  return std::abs(Eval(a, m + 1, r)) / scale;
}

// Ascending coefficients of lead * prod (s - r) over the roots, conjugates included.
inline std::vector<double> FromRoots(const std::vector<cd>& roots, double lead) {
  std::vector<cd> c{lead};
  for (cd r : roots) {
    c.push_back(0.0);
    for (size_t j = c.size() - 1; j > 0; --j) c[j] = c[j - 1] - r * c[j];
    c[0] = -r * c[0];
  }
  std::vector<double> out;
  for (cd v : c) out.push_back(v.real());
  return out;
}

// num / den with poles and zeros found.
inline CSIMtrnfn Make(std::vector<double> num, std::vector<double> den) {
  CSIMtrnfn t;
  t.Adopt(std::move(num), std::move(den));
  t.FindRoots();
  return t;
}

}  // namespace simtest
