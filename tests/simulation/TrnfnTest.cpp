// The transfer function: adopting coefficients, copies, and the Runge-Kutta
// simulation against the exact RK4 recurrence and the zero-order hold.
#include "simulation/SIMtrnfn.h"

#include "SimTestSupport.h"
#include "data/ZohReference.h"

namespace {

using namespace simtest;
using Vec = std::vector<double>;

TEST(Trnfn, AssignmentKeepsStateOnlyWhenTheOrderStays) {
  CSIMtrnfn a = Prepared({1.0}, {1.0, 1.0});
  for (int k = 0; k < 5; ++k) a.Step(1.0, 1.0, 1.0, 0.1);
  const double state = a.m_x[0];
  ASSERT_NE(state, 0.0);
  a = Prepared({3.0}, {2.0, 1.0});  // same order: the state stays, the model is the new one
  EXPECT_EQ(a.m_x[0], state);
  EXPECT_EQ(a.m_num[0], 3.0);
  a = Prepared({1.0}, {1.0, 3.0, 1.0});  // the order changes: the state is cleared
  EXPECT_EQ(a.m_nDen, 3);
  EXPECT_EQ(a.m_x[0], 0.0);
  EXPECT_EQ(a.m_x[1], 0.0);
}

TEST(Trnfn, AdoptRefusesWhatCannotBeSimulated) {
  struct Case {
    const char* name;
    std::vector<double> num, den;
    bool ok;         // Adopt's result and !g_bEvalError
    int nNum, nDen;  // afterwards
  };
  const double nan = std::nan("");
  const std::vector<Case> cases = {
      {"proper", {1.0, 2.0}, {3.0, 4.0, 5.0}, true, 2, 3},
      {"vanishing leading denominator coefficient trimmed", {1.0}, {2.0, 1.0, 0.0}, true, 1, 2},
      {"s - s + 2 is the constant 2", {4.0}, {2.0, 0.0}, true, 1, 1},
      {"zero denominator", {1.0}, {0.0, 0.0}, false, 1, 1},
      {"constant zero divisor", {1.0}, {0.0}, false, 1, 1},
      {"improper numerator cut", {1.0, 1.0, 1.0}, {1.0, 1.0}, false, 2, 2},
      {"not a number", {1.0}, {nan, 1.0}, false, 1, 1},
      {"degree 256", {1.0}, std::vector<double>(257, 1.0), false, 1, 1},
      {"degree 255 accepted", {1.0}, std::vector<double>(256, 1.0), true, 1, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_bEvalError = 0;
    CSIMtrnfn t;
    EXPECT_EQ(t.Adopt(c.num, c.den), c.ok);
    EXPECT_EQ(g_bEvalError, c.ok ? 0 : 1);
    EXPECT_EQ(t.m_nNum, c.nNum);
    ASSERT_EQ(t.m_nDen, c.nDen);
    EXPECT_NE(t.m_den[t.m_nDen - 1], 0.0);
    EXPECT_TRUE(t.PrepareSimulation());
    for (int i = t.m_nNum; i < t.m_nDen; ++i) EXPECT_EQ(t.m_num[i], 0.0);
  }
  g_bEvalError = 0;
}

// For RK4 on x' = Ax + Bu with u held, x_(k+1) = T(hA) x_k + h S(hA) B u with T
// and S the Taylor polynomials of exp(z) and (exp(z) - 1)/z of degrees 4 and 3,
// applied here by Horner's rule on the canonical form's companion matrix.
TEST(Trnfn, RungeKuttaMatchesTheExactRecurrenceForOrders1To6) {
  const unsigned seed = 4;
  std::printf("random transfer functions, seed %u\n", seed);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  const double h = 0.05;
  for (int m = 1; m <= 6; ++m) {
    SCOPED_TRACE("order " + std::to_string(m));
    std::vector<cd> poles;
    for (int i = 0; i < m; ++i) poles.push_back(-0.2 - 1.5 * (uniform(rng) + 1.0));
    const std::vector<double> a = FromRoots(poles, 1.0 + uniform(rng) * 0.5);
    std::vector<double> b(m + 1);
    for (double& v : b) v = uniform(rng);
    CSIMtrnfn t = Prepared(b, a);
    // x + hA/lowest (x + ... + hA/4 x): T(hA) x for lowest 1, S(hA) x for lowest 2.
    auto taylor = [&](const Vec& x, int lowest) {
      Vec z = x;
      for (int k = 4; k >= lowest; --k) {
        Vec next = x;
        for (int j = 0; j + 1 < m; ++j) next[j] += h * z[j + 1] / k;
        for (int i = 0; i < m; ++i) next[m - 1] -= h * a[i] / a[m] * z[i] / k;
        z = next;
      }
      return z;
    };
    Vec x(m, 0.0);
    for (int k = 0; k < 60; ++k) {
      const double u = uniform(rng);
      // Output before the step: y = C x + D u in the canonical form.
      double y = b[m] / a[m] * u;
      for (int i = 0; i < m; ++i) y += (b[i] - b[m] * a[i] / a[m]) * x[i];
      EXPECT_NEAR(t.Step(u, u, u, h), y, 1e-12 * (1.0 + std::fabs(y))) << "sample " << k;
      Vec hBu(m, 0.0);
      hBu[m - 1] = h * u / a[m];
      const Vec tx = taylor(x, 1), sb = taylor(hBu, 2);
      for (int i = 0; i < m; ++i) x[i] = tx[i] + sb[i];
      for (int i = 0; i < m; ++i) EXPECT_NEAR(t.m_x[i], x[i], 1e-12 * (1.0 + std::fabs(x[i])));
    }
  }
}

// Reference: bench/reference/make_zoh_reference.py.
TEST(Trnfn, RungeKuttaAgreesWithTheZeroOrderHold) {
  for (const auto& ref : kZohReference) {
    SCOPED_TRACE(ref.name);
    CSIMtrnfn t = Prepared(std::vector<double>(ref.num, ref.num + ref.nNum),
                           std::vector<double>(ref.den, ref.den + ref.nDen));
    for (int k = 0; k < kZohSteps; ++k) {
      const double u = 0.5 + std::cos(0.2 * k);
      const double y = t.Step(u, u, u, kZohStep);
      if (k % kZohStride != 0) continue;
      EXPECT_NEAR(y, ref.y[k / kZohStride], 1e-6) << "sample " << k;
    }
  }
}

TEST(Trnfn, RootFinderFailureMarksRootsUnavailable) {
  CSIMtrnfn t = Make({1, 1}, {2, 3, 1});
  ASSERT_TRUE(t.m_bRootsValid);
  t.m_num[1] = 0.0;  // a vanishing leading coefficient the root finder refuses
  g_bEvalError = 0;
  EXPECT_FALSE(t.FindRoots());
  EXPECT_EQ(g_bEvalError, 1);
  EXPECT_FALSE(t.m_bRootsValid);
  EXPECT_EQ(t.m_zeros[1].re, 0.0);
  EXPECT_EQ(t.m_zeros[1].im, 0.0);
  // Without roots nothing cancels: the product is the plain one, and so marked.
  const CSIMtrnfn other = Make({2, 1}, {1, 1});
  CSIMtrnfn r;
  r.Series(t, other);
  EXPECT_FALSE(r.m_bRootsValid);
  EXPECT_EQ(r.m_nDen, 4);
  g_bEvalError = 0;
}

}  // namespace
