// The eigenvalue routine and the root finder end on every finite input: seeded
// random matrices (n = 1 .. 8) and coefficient arrays (degree 1 .. 64) whose
// numbers are drawn across the whole double range, denormals and the largest
// ones included, beside zeros and ones. QX_TEST_SEED runs a seed again. A
// loop that does not end hangs the run; the outcome codes are checked too.
#include "simulation/SIMeigen.h"
#include "simulation/SIMroots.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int kCases = 10000;

unsigned Seed(const char* what) {
  const char* text = std::getenv("QX_TEST_SEED");
  const unsigned seed =
      text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : std::random_device{}();
  std::printf("%s: QX_TEST_SEED=%u\n", what, seed);
  std::fflush(stdout);
  return seed;
}

// A finite double of any binary exponent (denormals included), any sign;
// one in eight is 0 and one in eight is 1, so that rows isolate and scales mix.
double AnyFinite(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0:
      return 0.0;
    case 1:
      return 1.0;
    default: {
      const double mantissa = std::uniform_real_distribution<double>(1.0, 2.0)(rng);
      const int exponent = static_cast<int>(rng() % 2098) - 1074;  // 2^-1074 .. 2^1023
      const double v = std::ldexp(mantissa, exponent);
      return rng() % 2 ? -v : v;
    }
  }
}

TEST(KernelsEnd, EigenvaluesOfMatricesAcrossTheDoubleRange) {
  std::mt19937_64 rng(Seed("eigenvalues across the double range"));
  const auto start = std::chrono::steady_clock::now();
  int converged = 0;
  for (int k = 0; k < kCases; ++k) {
    const int n = 1 + static_cast<int>(rng() % 8);
    std::vector<double> a(2 * n * n);
    for (double& v : a) v = AnyFinite(rng);
    std::vector<double> work(8 * n * n + n);
    std::vector<McComplex> w(n), z(n * n);
    const bool vectors = k % 2 == 1;
    const int code = ComplexEigen(a.data(), w.data(), vectors ? z.data() : nullptr, n, work.data());
    ASSERT_GE(code, 0) << "case " << k;
    ASSERT_LE(code, n) << "case " << k;
    converged += code == 0;
  }
  std::printf("%d of %d converged in %.2f s\n", converged, kCases,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  // Not a bound on quality, a check that the cases reach the iteration.
  EXPECT_GT(converged, kCases / 4);
}

TEST(KernelsEnd, RootsOfPolynomialsAcrossTheDoubleRange) {
  std::mt19937_64 rng(Seed("roots across the double range"));
  const auto start = std::chrono::steady_clock::now();
  int finite = 0;
  for (int k = 0; k < kCases; ++k) {
    const int m = 1 + static_cast<int>(rng() % 64);
    std::vector<double> a(m + 1);
    for (double& v : a) v = AnyFinite(rng);
    std::vector<McComplex> roots(m + 1);
    const McComplex* found = PolyRoots(m, a.data(), roots.data(), k % 2 == 1);
    ASSERT_EQ(found != nullptr, a[m] != 0.0) << "case " << k;
    if (found == nullptr) continue;
    bool all = true;
    for (int j = 1; j <= m; ++j)
      all = all && std::isfinite(roots[j].re) && std::isfinite(roots[j].im);
    finite += all;
  }
  std::printf("%d of %d with finite roots in %.2f s\n", finite, kCases,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace
