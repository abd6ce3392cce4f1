// The polynomial root finder: the order in which roots are stored, the
// real-root rule, failure results, agreement with numpy and backward error.
#include "simulation/SIMroots.h"

#include "SimTestSupport.h"
#include "data/RootsReference.h"

namespace {

using simtest::cd;

// Roots stored from entry 1 in the order found, real ones with an imaginary part of exactly 0.
TEST(Roots, WorkedExamplesStoreRootsInFoundOrder) {
  const struct {
    const char* name;
    std::vector<double> coefs;
    std::vector<cd> expected;  // entries 1 .. m
  } cases[] = {
      {"5 + s", {5, 1}, {-5.0}},
      {"2 + 3s + s^2", {2, 3, 1}, {-2.0, -1.0}},
      {"-6 + 11s - 6s^2 + s^3", {-6, 11, -6, 1}, {3.0, 2.0, 1.0}},
      {"1 + s^2", {1, 0, 1}, {cd(0, -1), cd(0, 1)}},
      {"s^2", {0, 0, 1}, {0.0, 0.0}},
      {"1 + 2s + s^2", {1, 2, 1}, {-1.0, -1.0}},
  };
  for (const auto& c : cases) {
    for (bool polish : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (polish ? " polished" : " unpolished"));
      const int m = static_cast<int>(c.coefs.size()) - 1;
      std::vector<McComplex> roots(m + 1, McComplex{7.0, 7.0});
      ASSERT_EQ(PolyRoots(m, c.coefs.data(), roots.data(), polish), roots.data());
      EXPECT_TRUE(roots[0].re == 7.0 && roots[0].im == 7.0);  // entry 0 is never written
      for (int j = 1; j <= m; ++j) {
        EXPECT_NEAR(roots[j].re, c.expected[j - 1].real(), 1e-14) << "entry " << j;
        if (c.expected[j - 1].imag() == 0.0) {
          EXPECT_EQ(roots[j].im, 0.0) << "entry " << j;  // exactly: the real-root rule
        } else {
          EXPECT_NEAR(roots[j].im, c.expected[j - 1].imag(), 1e-14) << "entry " << j;
        }
      }
    }
  }
}

TEST(Roots, RefusedPolynomialsGiveNullAndLeaveRootsUntouched) {
  const double nan = std::nan("");
  const struct {
    const char* name;
    int m;
    std::vector<double> coefs;
  } cases[] = {
      {"degree 0", 0, {3.0}},
      {"negative degree", -1, {1.0}},
      {"degree 256", 256, std::vector<double>(257, 1.0)},
      {"zero leading coefficient", 2, {1.0, 2.0, 0.0}},
      {"not a number", 2, {1.0, nan, 1.0}},
      {"infinite coefficient", 1, {HUGE_VAL, 1.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<McComplex> roots(300, McComplex{7.0, -7.0});
    EXPECT_EQ(PolyRoots(c.m, c.coefs.data(), roots.data(), true), nullptr);
    for (const McComplex& r : roots) ASSERT_TRUE(r.re == 7.0 && r.im == -7.0);
  }
  std::vector<double> top(256, 0.5);  // degree 255 is the largest taken
  std::vector<McComplex> roots(256);
  EXPECT_NE(PolyRoots(255, top.data(), roots.data(), false), nullptr);
}

// Reference: numpy.roots, made by bench/reference/make_roots_reference.py.
TEST(Roots, AgreeWithNumpyForWellSeparatedRootsUpToDegree12) {
  for (const auto& ref : kRootsReference) {
    SCOPED_TRACE("degree " + std::to_string(ref.degree));
    std::vector<McComplex> roots(ref.degree + 1);
    ASSERT_NE(PolyRoots(ref.degree, ref.coefs, roots.data(), true), nullptr);
    simtest::ExpectSameRoots(simtest::FromIndexOne(roots.data(), ref.degree), ref.roots, ref.degree,
                             1e-9, true);
  }
}

// Random polynomials of three kinds: random coefficients, random stable roots,
// and products with roots spread over six decades.
std::vector<double> RandomPolynomial(std::mt19937_64& rng, int m, int kind) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  if (kind == 0) {
    std::vector<double> c(m + 1);
    for (double& v : c) v = normal(rng);
    return c;
  }
  std::vector<cd> roots;
  while (static_cast<int>(roots.size()) < m) {
    const double modulus =
        kind == 1 ? 0.1 + 2.0 * uniform(rng) : std::pow(10.0, 6.0 * uniform(rng) - 3.0);
    if (m - static_cast<int>(roots.size()) >= 2 && uniform(rng) < 0.5) {
      const cd r = std::polar(modulus, 1.6 + 1.5 * uniform(rng));
      roots.push_back(r);
      roots.push_back(std::conj(r));
    } else {
      roots.push_back(-modulus);
    }
  }
  return simtest::FromRoots(roots, 0.5 + uniform(rng));
}

double WorstResidual(int maxDegree, bool polish, unsigned seed) {
  std::mt19937_64 rng(seed);
  double worst = 0.0;
  for (int m = 1; m <= maxDegree; ++m) {
    for (int kind = 0; kind < 3; ++kind) {
      for (int rep = 0; rep < 4; ++rep) {
        const std::vector<double> a = RandomPolynomial(rng, m, kind);
        std::vector<McComplex> roots(m + 1);
        EXPECT_NE(PolyRoots(m, a.data(), roots.data(), polish), nullptr);
        for (int j = 1; j <= m; ++j) {
          const double res = simtest::BackwardResidual(a.data(), m, cd(roots[j].re, roots[j].im));
          if (!(res <= worst)) worst = res;  // NaN wins
        }
      }
    }
  }
  return worst;
}

// Without polishing the deflation error stays in the roots: random-coefficient
// polynomials of degree 14 to 20 reach residuals near 4e-8 over 30 seeds.
TEST(Roots, BackwardResidualPolishedToDegree80AndUnpolishedTo20) {
  const struct {
    int maxDegree;
    bool polish;
    unsigned seed;
    double bound;
  } rows[] = {{80, true, 80, 1e-12}, {20, false, 20, 1e-7}};
  for (const auto& row : rows) {
    const double worst = WorstResidual(row.maxDegree, row.polish, row.seed);
    std::printf("polish %d, degrees 1..%d, seed %u: worst backward residual %.3g\n", row.polish,
                row.maxDegree, row.seed, worst);
    EXPECT_LE(worst, row.bound) << row.maxDegree;
  }
}

}  // namespace
