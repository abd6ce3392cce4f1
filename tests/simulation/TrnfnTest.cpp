// The transfer function: adopting coefficients, copies, and the Runge-Kutta
// simulation against the exact RK4 recurrence and the zero-order hold.
#include "simulation/SIMtrnfn.h"

#include "SimTestSupport.h"
#include "data/ZohReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Matrix = std::vector<std::vector<double>>;

CSIMtrnfn Prepared(std::vector<double> num, std::vector<double> den) {
  CSIMtrnfn t;
  EXPECT_TRUE(t.Adopt(std::move(num), std::move(den)));
  EXPECT_TRUE(t.PrepareSimulation());
  return t;
}

TEST(Trnfn, ConstantScalesTheInputAndKeepsNoState) {
  CSIMtrnfn t = Prepared({10.0}, {2.0});
  EXPECT_DOUBLE_EQ(t.Step(1.0, 1.0, 3.0, 0.05), 15.0);
  EXPECT_DOUBLE_EQ(t.Step(0.0, 0.0, -1.0, 0.05), -5.0);
}

TEST(Trnfn, AssignmentKeepsStateOnlyWhenTheOrderStays) {
  CSIMtrnfn a = Prepared({1.0}, {1.0, 1.0});
  CSIMtrnfn b = Prepared({3.0}, {2.0, 1.0});
  for (int k = 0; k < 5; ++k) a.Step(1.0, 1.0, 1.0, 0.1);
  const double state = a.m_x[0];
  ASSERT_NE(state, 0.0);
  a = b;  // same order: the state stays, the model is b's
  EXPECT_EQ(a.m_x[0], state);
  EXPECT_EQ(a.m_num[0], 3.0);
  CSIMtrnfn c = Prepared({1.0}, {1.0, 3.0, 1.0});
  a = c;  // the order changes: the state is cleared
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

Matrix Multiply(const Matrix& a, const Matrix& b) {
  const size_t n = a.size();
  Matrix c(n, std::vector<double>(n, 0.0));
  for (size_t i = 0; i < n; ++i)
    for (size_t k = 0; k < n; ++k)
      for (size_t j = 0; j < n; ++j) c[i][j] += a[i][k] * b[k][j];
  return c;
}

// sum over i of coef[i] M^i
Matrix MatrixPolynomial(const Matrix& m, const std::vector<double>& coef) {
  const size_t n = m.size();
  Matrix power(n, std::vector<double>(n, 0.0)), sum = power;
  for (size_t i = 0; i < n; ++i) power[i][i] = 1.0;
  for (double c : coef) {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < n; ++j) sum[i][j] += c * power[i][j];
    power = Multiply(power, m);
  }
  return sum;
}

// x_(k+1) = T(hA) x_k + h S(hA) B u for RK4 on x' = Ax + Bu with u held.
TEST(Trnfn, RungeKuttaMatchesTheExactRecurrenceForOrders1To6) {
  const unsigned seed = 4;
  std::printf("random transfer functions, seed %u\n", seed);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  const double h = 0.05;
  for (int m = 1; m <= 6; ++m) {
    SCOPED_TRACE("order " + std::to_string(m));
    std::vector<simtest::cd> poles;
    for (int i = 0; i < m; ++i) poles.push_back(-0.2 - 1.5 * (uniform(rng) + 1.0));
    const std::vector<double> a = simtest::FromRoots(poles, 1.0 + uniform(rng) * 0.5);
    std::vector<double> b(m + 1);
    for (double& v : b) v = uniform(rng);
    CSIMtrnfn t = Prepared(b, a);

    Matrix hA(m, std::vector<double>(m, 0.0));
    for (int j = 0; j + 1 < m; ++j) hA[j][j + 1] = h;
    for (int i = 0; i < m; ++i) hA[m - 1][i] = -h * a[i] / a[m];
    const Matrix T = MatrixPolynomial(hA, {1.0, 1.0, 1.0 / 2, 1.0 / 6, 1.0 / 24});
    const Matrix S = MatrixPolynomial(hA, {1.0, 1.0 / 2, 1.0 / 6, 1.0 / 24});
    std::vector<double> x(m, 0.0);
    for (int k = 0; k < 60; ++k) {
      const double u = uniform(rng);
      // Output before the step: y = C x + D u in the canonical form.
      double y = b[m] / a[m] * u;
      for (int i = 0; i < m; ++i) y += (b[i] - b[m] * a[i] / a[m]) * x[i];
      EXPECT_NEAR(t.Step(u, u, u, h), y, 1e-12 * (1.0 + std::fabs(y))) << "sample " << k;
      std::vector<double> next(m, 0.0);
      for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) next[i] += T[i][j] * x[j];
      for (int i = 0; i < m; ++i) next[i] += h * S[i][m - 1] / a[m] * u;
      x = next;
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
  CSIMtrnfn t = simtest::Make({1, 1}, {2, 3, 1});
  ASSERT_TRUE(t.m_bRootsValid);
  t.m_num[1] = 0.0;  // a vanishing leading coefficient the root finder refuses
  g_bEvalError = 0;
  EXPECT_FALSE(t.FindRoots());
  EXPECT_EQ(g_bEvalError, 1);
  EXPECT_FALSE(t.m_bRootsValid);
  EXPECT_EQ(t.m_zeros[1].re, 0.0);
  EXPECT_EQ(t.m_zeros[1].im, 0.0);
  // Without roots nothing cancels: the product is the plain one, and so marked.
  const CSIMtrnfn other = simtest::Make({2, 1}, {1, 1});
  CSIMtrnfn r;
  r.Series(t, other);
  EXPECT_FALSE(r.m_bRootsValid);
  EXPECT_EQ(r.m_nDen, 4);
  g_bEvalError = 0;
}

}  // namespace
