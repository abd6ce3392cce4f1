// Complex operations at their branch points and with non-finite values.
#include "MC/McComplex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kPi = std::acos(-1.0);
const double kInf = std::numeric_limits<double>::infinity();

struct UnaryCase {
  const char* name;
  McComplex (*op)(const McComplex&);
  McComplex in;
  McComplex expected;
};

// Expected values from the closed forms: sqrt(-4) = +-2j with cos(pi/2) * 2 as
// the tiny real part, log(-1) = pi j, log(j) = pi/2 j, log(-x) = ln x + pi j.
TEST(Complex, BranchPointsOfSqrtAndLog) {
  const double tiny = 2.0 * std::cos(kPi / 2);  // about 1.2246e-16
  const UnaryCase cases[] = {
      {"sqrt(-4+0j)", McComplexSqrt, {-4.0, 0.0}, {tiny, 2.0}},
      {"sqrt(-4-0j)", McComplexSqrt, {-4.0, -0.0}, {tiny, -2.0}},
      {"sqrt(0)", McComplexSqrt, {0.0, 0.0}, {0.0, 0.0}},
      {"sqrt(j)", McComplexSqrt, {0.0, 1.0}, {std::sqrt(0.5), std::sqrt(0.5)}},
      {"sqrt(9)", McComplexSqrt, {9.0, 0.0}, {3.0, 0.0}},
      {"log(-1)", McComplexLog, {-1.0, 0.0}, {0.0, kPi}},
      {"log(-1-0j)", McComplexLog, {-1.0, -0.0}, {0.0, -kPi}},
      {"log(-e^2)", McComplexLog, {-std::exp(2.0), 0.0}, {2.0, kPi}},
      {"log(j)", McComplexLog, {0.0, 1.0}, {0.0, kPi / 2}},
      {"neg", McComplexNeg, {1.5, -2.0}, {-1.5, 2.0}},
      {"copy", McComplexCopy, {1.5, -2.0}, {1.5, -2.0}},
  };
  for (const UnaryCase& c : cases) {
    const McComplex r = c.op(c.in);
    EXPECT_NEAR(r.re, c.expected.re, 1e-15) << c.name;
    EXPECT_NEAR(r.im, c.expected.im, 1e-15) << c.name;
  }
  EXPECT_NE(McComplexSqrt({-4.0, 0.0}).re, 0.0) << "the real part is r cos(pi/2), not 0";
  EXPECT_EQ(McComplexSqrt({0.0, 0.0}).re, 0.0);
  EXPECT_EQ(McComplexSqrt({0.0, 0.0}).im, 0.0);
}

TEST(Complex, LogOfZeroIsMinusInfinity) {
  const McComplex r = McComplexLog({0.0, 0.0});
  EXPECT_EQ(r.re, -kInf);
  EXPECT_EQ(r.im, 0.0);
}

TEST(Complex, ArithmeticMatchesDefinitions) {
  const McComplex j{0.0, 1.0};
  const McComplex jj = McComplexMul(j, j);
  EXPECT_EQ(jj.re, -1.0);
  EXPECT_EQ(jj.im, 0.0);
  const McComplex a{3.0, 4.0}, b{1.0, -2.0};
  const McComplex q = McComplexDiv(a, b);  // (3+4j)/(1-2j) = -1 + 2j
  EXPECT_NEAR(q.re, -1.0, 1e-15);
  EXPECT_NEAR(q.im, 2.0, 1e-15);
  const McComplex back = McComplexMul(q, b);
  EXPECT_NEAR(back.re, a.re, 1e-14);
  EXPECT_NEAR(back.im, a.im, 1e-14);
  const McComplex s = McComplexAdd(a, b), d = McComplexSub(a, b);
  EXPECT_EQ(s.re, 4.0);
  EXPECT_EQ(s.im, 2.0);
  EXPECT_EQ(d.re, 2.0);
  EXPECT_EQ(d.im, 6.0);
}

TEST(Complex, DivisionByZeroIsNonFiniteAndNotAnError) {
  g_bEvalError = 0;
  const McComplex r = McComplexDiv({1.0, 0.0}, {0.0, 0.0});
  EXPECT_FALSE(std::isfinite(r.re));
  EXPECT_FALSE(std::isfinite(r.im));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Complex, NewVectorIsZeroedAndEmptyForNoSteps) {
  McComplex* v = McNewVector(3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v[i].re, 0.0);
    EXPECT_EQ(v[i].im, 0.0);
  }
  delete[] v;
  delete[] McNewVector(0);
  delete[] McNewVector(-5);
}

}  // namespace

#include <thread>

namespace {

TEST(EvalErrorThreads, FlagIsPerThread) {
  g_bEvalError = 0;
  int seenByWorker = -1;
  std::thread worker([&seenByWorker] {
    seenByWorker = g_bEvalError;
    g_bEvalError = 1;
  });
  worker.join();
  EXPECT_EQ(seenByWorker, 0);
  EXPECT_EQ(g_bEvalError, 0) << "a worker's failure must not reach this thread";
}

}  // namespace
