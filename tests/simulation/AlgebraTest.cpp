// Transfer-function algebra: worked examples, cancellation, and identities
// against direct complex arithmetic at sample points.
#include "simulation/SIMtrnfn.h"

#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using simtest::cd;
using simtest::Eval;
using simtest::Make;

std::vector<double> Den(const CSIMtrnfn& t) {
  return {t.m_den.begin(), t.m_den.begin() + t.m_nDen};
}
std::vector<double> Num(const CSIMtrnfn& t) {
  return {t.m_num.begin(), t.m_num.begin() + t.m_nNum};
}

void ExpectCoefs(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], want[i], 1e-12) << "coefficient " << i;
}

// Poles and zeros are the roots of the coefficients they travel with.
void ExpectRootsConsistent(const CSIMtrnfn& t) {
  ASSERT_TRUE(t.m_bRootsValid);
  for (int k = 1; k < t.m_nDen; ++k)
    EXPECT_LE(
        simtest::BackwardResidual(t.m_den.data(), t.m_nDen - 1, {t.m_poles[k].re, t.m_poles[k].im}),
        1e-12);
  for (int k = 1; k < t.m_nNum; ++k)
    EXPECT_LE(
        simtest::BackwardResidual(t.m_num.data(), t.m_nNum - 1, {t.m_zeros[k].re, t.m_zeros[k].im}),
        1e-12);
}

struct WorkedCase {
  const char* name;
  std::function<void(CSIMtrnfn&)> op;
  std::vector<double> num, den;
};

TEST(Algebra, WorkedExamples) {
  const CSIMtrnfn lead = Make({1, 1}, {2, 1});    // (s+1)/(s+2)
  const CSIMtrnfn lag1 = Make({1}, {1, 1});       // 1/(s+1)
  const CSIMtrnfn lag2 = Make({1}, {2, 1});       // 1/(s+2)
  const CSIMtrnfn lag3 = Make({3}, {2, 2});       // 3/(2s+2)
  const CSIMtrnfn twoLag = Make({2}, {1, 1});     // 2/(s+1)
  const CSIMtrnfn shared = Make({2}, {3, 4, 1});  // 2/((s+1)(s+3))
  const CSIMtrnfn constant = Make({4}, {2});      // 4/2
  const CSIMtrnfn threeHalves = Make({3}, {2});
  const CSIMtrnfn zero = Make({0}, {1});
  const CSIMtrnfn pair = Make({1}, {5, 2, 1});         // poles -1 +- 2j
  const CSIMtrnfn pairLead = Make({1, 1}, {1, 1});     // (s+1)/(s+1), unreduced
  const CSIMtrnfn loopZero = Make({3, 3}, {2, 3, 1});  // 3(s+1)/((s+1)(s+2))
  const std::vector<WorkedCase> cases = {
      {"pole and zero -1 cancel", [&](CSIMtrnfn& r) { r.Series(lead, lag1); }, {1}, {2, 1}},
      {"gain from the leading coefficients",
       [&](CSIMtrnfn& r) { r.Series(lead, lag3); },
       {1.5},
       {2, 1}},
      {"zero operand", [&](CSIMtrnfn& r) { r.Series(lead, zero); }, {0}, {1}},
      {"constant operand scales", [&](CSIMtrnfn& r) { r.Series(constant, lead); }, {2, 2}, {2, 1}},
      {"no common pole", [&](CSIMtrnfn& r) { r.Parallel(lag1, lag2); }, {3, 2}, {2, 3, 1}},
      {"common pole", [&](CSIMtrnfn& r) { r.Parallel(lag1, shared); }, {5, 1}, {3, 4, 1}},
      {"one plus", [&](CSIMtrnfn& r) { r.OnePlus(lag1); }, {2, 1}, {1, 1}},
      {"one plus 2/(s+1)", [&](CSIMtrnfn& r) { r.OnePlus(twoLag); }, {3, 1}, {1, 1}},
      {"one plus a constant", [&](CSIMtrnfn& r) { r.OnePlus(threeHalves); }, {2.5}, {1}},
      // (s+1)(s+5)/((s+1)(s+2)): the return difference's zero -1 cancels.
      {"one plus cancels", [&](CSIMtrnfn& r) { r.OnePlus(loopZero); }, {5, 1}, {2, 1}},
      {"complex pair rebuilt exactly",
       [&](CSIMtrnfn& r) { r.Series(pair, pairLead); },
       {1},
       {5, 2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CSIMtrnfn r;
    c.op(r);
    ExpectCoefs(Num(r), c.num);
    ExpectCoefs(Den(r), c.den);
    ExpectRootsConsistent(r);
  }
}

// Random stable transfer functions with distinct roots.
CSIMtrnfn RandomTf(std::mt19937_64& rng, int order) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  auto roots = [&](int n) {
    std::vector<cd> r;
    while (static_cast<int>(r.size()) < n) {
      if (n - static_cast<int>(r.size()) >= 2 && u(rng) < 0.4) {
        const cd c(-0.2 - 2.0 * u(rng), 0.3 + 2.0 * u(rng));
        r.push_back(c);
        r.push_back(std::conj(c));
      } else {
        r.push_back(-0.1 - 3.0 * u(rng));
      }
    }
    return r;
  };
  const int nZeros = static_cast<int>(u(rng) * (order + 1));
  return Make(simtest::FromRoots(roots(nZeros), 0.5 + 2.0 * u(rng)),
              simtest::FromRoots(roots(order), 0.5 + u(rng)));
}

const cd kSamplePoints[] = {cd(0, 0.5),   cd(0, 1.7),     cd(0, 12.0),
                            cd(0.8, 0.4), cd(-0.35, 2.6), cd(1.5, -3.0)};

void ExpectEqualAtSamples(const CSIMtrnfn& r, const std::function<cd(cd)>& direct) {
  for (cd s : kSamplePoints) {
    const cd want = direct(s);
    EXPECT_LE(std::abs(Eval(r, s) - want), 1e-9 * std::max(1.0, std::abs(want))) << "at s = " << s;
  }
}

TEST(Algebra, OperationsEqualDirectComplexArithmetic) {
  const unsigned seed = 7;
  std::printf("random transfer functions, seed %u\n", seed);
  std::mt19937_64 rng(seed);
  for (int rep = 0; rep < 40; ++rep) {
    SCOPED_TRACE("case " + std::to_string(rep));
    const CSIMtrnfn a = RandomTf(rng, 1 + rep % 5);
    const CSIMtrnfn b = RandomTf(rng, 1 + rep % 3);
    CSIMtrnfn r;
    ASSERT_TRUE(r.Series(a, b));
    ExpectEqualAtSamples(r, [&](cd s) { return Eval(a, s) * Eval(b, s); });
    ASSERT_TRUE(r.Parallel(a, b));
    ExpectEqualAtSamples(r, [&](cd s) { return Eval(a, s) + Eval(b, s); });
    ExpectRootsConsistent(r);
    ASSERT_TRUE(r.OnePlus(a));
    ExpectEqualAtSamples(r, [&](cd s) { return 1.0 + Eval(a, s); });
    ExpectRootsConsistent(r);
    // A shared factor: a + a b has every pole of a in both terms.
    CSIMtrnfn ab, sum;
    ab.Series(a, b);
    ASSERT_TRUE(sum.Parallel(a, ab));
    ExpectEqualAtSamples(sum, [&](cd s) { return Eval(a, s) * (1.0 + Eval(b, s)); });
  }
}

cd DirectDeterminant(std::vector<cd> m, int n) {
  cd det = 1.0;
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::abs(m[r * n + c]) > std::abs(m[p * n + c])) p = r;
    if (p != c) {
      for (int k = 0; k < n; ++k) std::swap(m[c * n + k], m[p * n + k]);
      det = -det;
    }
    det *= m[c * n + c];
    for (int r = c + 1; r < n; ++r) {
      const cd f = m[r * n + c] / m[c * n + c];
      for (int k = c; k < n; ++k) m[r * n + k] -= f * m[c * n + k];
    }
  }
  return det;
}

TEST(Algebra, DeterminantsEqualDirectComplexArithmetic) {
  const unsigned seed = 11;
  std::printf("random matrices, seed %u\n", seed);
  std::mt19937_64 rng(seed);
  for (int n = 2; n <= 4; ++n) {
    for (int rep = 0; rep < 4; ++rep) {
      SCOPED_TRACE(std::to_string(n) + " x " + std::to_string(n) + ", case " + std::to_string(rep));
      std::vector<CSIMtrnfn> m;
      for (int i = 0; i < n * n; ++i) m.push_back(RandomTf(rng, 1 + (i + rep) % 2));
      CSIMtrnfn r, w1, w2, w3, w4;
      ASSERT_TRUE(r.Determinant(m.data(), n, w1, w2, w3, w4));
      ExpectEqualAtSamples(r, [&](cd s) {
        std::vector<cd> v;
        for (const auto& e : m) v.push_back(Eval(e, s));
        return DirectDeterminant(v, n);
      });
    }
  }
}

TEST(Algebra, LoneComplexRootAfterPartialCancellationKeepsEveryFactor) {
  // Poles p, conj(p); zeros p and conj(p) + 5e-12: only one pair cancels,
  // leaving conj(p) among the poles and its near twin among the zeros.
  const McComplex p = {-1.0, 2.0};
  const CSIMtrnfn a = Make({1}, {5, 2, 1});
  CSIMtrnfn b = Make({5, 2, 1}, {12, 7, 1});  // (s^2 + 2s + 5)/((s+3)(s+4))
  b.m_zeros[1] = p;
  b.m_zeros[2] = {p.re + 5e-12, -p.im};
  CSIMtrnfn r;
  ASSERT_TRUE(r.Series(a, b));
  EXPECT_EQ(r.m_nDen, 4);
  EXPECT_EQ(r.m_nNum, 2);
  ExpectEqualAtSamples(r, [&](cd s) { return Eval(a, s) * Eval(b, s); });
}

TEST(Algebra, RefusedResultsAreZeroAndFlagged) {
  std::vector<double> big(201, 0.0);
  big[0] = 1.0;
  big[200] = 1.0;
  const CSIMtrnfn high = Make({1}, big);
  big[0] = 2.0;
  const CSIMtrnfn other = Make({1}, big);  // no pole in common with high
  ASSERT_EQ(high.m_nDen, 201);
  std::vector<CSIMtrnfn> five(25, Make({1}, {1, 1}));
  struct Case {
    const char* name;
    std::function<bool(CSIMtrnfn&)> op;
  };
  CSIMtrnfn w1, w2, w3, w4;
  const std::vector<Case> cases = {
      {"series above degree 255", [&](CSIMtrnfn& r) { return r.Series(high, high); }},
      {"parallel above degree 255", [&](CSIMtrnfn& r) { return r.Parallel(high, other); }},
      {"determinant of no columns",
       [&](CSIMtrnfn& r) { return r.Determinant(five.data(), 0, w1, w2, w3, w4); }},
      {"determinant of 9 columns",
       [&](CSIMtrnfn& r) {
         std::vector<CSIMtrnfn> m(81, Make({1}, {1, 1}));
         return r.Determinant(m.data(), 9, w1, w2, w3, w4);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_bEvalError = 0;
    CSIMtrnfn r = Make({1, 1}, {1, 2, 1});  // a previous result that must not survive
    EXPECT_FALSE(c.op(r));
    EXPECT_EQ(g_bEvalError, 1);
    EXPECT_TRUE(r.IsZero());
    EXPECT_EQ(r.m_nDen, 1);
  }
  g_bEvalError = 0;
  CSIMtrnfn r;
  EXPECT_TRUE(r.Determinant(five.data(), 5, w1, w2, w3, w4));  // (s+1)^-5 terms; det 0
  EXPECT_EQ(g_bEvalError, 0);
}

}  // namespace
