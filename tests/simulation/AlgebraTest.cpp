// Transfer-function algebra: worked examples, cancellation, and identities
// against direct complex arithmetic at sample points.
#include "simulation/SIMtrnfn.h"

#include "SimTestSupport.h"

#include <functional>

namespace {

using namespace simtest;

// Poles and zeros are the roots of the coefficients they travel with.
void ExpectRootsConsistent(const CSIMtrnfn& t) {
  ASSERT_TRUE(t.m_bRootsValid);
  for (int k = 1; k < t.m_nDen; ++k)
    EXPECT_LE(BackwardResidual(t.m_den.data(), t.m_nDen - 1, {t.m_poles[k].re, t.m_poles[k].im}),
              1e-12);
  for (int k = 1; k < t.m_nNum; ++k)
    EXPECT_LE(BackwardResidual(t.m_num.data(), t.m_nNum - 1, {t.m_zeros[k].re, t.m_zeros[k].im}),
              1e-12);
}

enum Op { kSeries, kParallel, kOnePlus };

// Results reduced by hand; the poles and zeros that cancel are named.
TEST(Algebra, CancellationAndNonCancellationExamples) {
  const CSIMtrnfn lead = Make({1, 1}, {2, 1}), lag1 = Make({1}, {1, 1}), lag2 = Make({1}, {2, 1});
  const CSIMtrnfn pair = Make({1}, {5, 2, 1});  // poles -1 +- 2j
  const struct {
    const char* name;
    Op op;
    CSIMtrnfn a, b;
    std::vector<double> num, den;
  } cases[] = {
      {"pole and zero -1 cancel", kSeries, lead, lag1, {1}, {2, 1}},
      {"gain from the leading coefficients", kSeries, lead, Make({3}, {2, 2}), {1.5}, {2, 1}},
      {"zero operand", kSeries, lead, Make({0}, {1}), {0}, {1}},
      {"constant operand scales", kSeries, Make({4}, {2}), lead, {2, 2}, {2, 1}},
      {"complex pair rebuilt exactly", kSeries, pair, Make({1, 1}, {1, 1}), {1}, {5, 2, 1}},
      {"no common pole", kParallel, lag1, lag2, {3, 2}, {2, 3, 1}},
      {"common pole", kParallel, lag1, Make({2}, {3, 4, 1}), {5, 1}, {3, 4, 1}},
      {"one plus", kOnePlus, lag1, {}, {2, 1}, {1, 1}},
      {"one plus 2/(s+1)", kOnePlus, Make({2}, {1, 1}), {}, {3, 1}, {1, 1}},
      {"one plus a constant", kOnePlus, Make({3}, {2}), {}, {2.5}, {1}},
      // (s+1)(s+5)/((s+1)(s+2)): the return difference's zero -1 cancels.
      {"one plus cancels", kOnePlus, Make({3, 3}, {2, 3, 1}), {}, {5, 1}, {2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CSIMtrnfn r;
    c.op == kSeries     ? r.Series(c.a, c.b)
    : c.op == kParallel ? r.Parallel(c.a, c.b)
                        : r.OnePlus(c.a);
    ASSERT_EQ(r.m_nNum, int(c.num.size()));
    ASSERT_EQ(r.m_nDen, int(c.den.size()));
    for (int i = 0; i < r.m_nNum; ++i) EXPECT_NEAR(r.m_num[i], c.num[i], 1e-12) << i;
    for (int i = 0; i < r.m_nDen; ++i) EXPECT_NEAR(r.m_den[i], c.den[i], 1e-12) << i;
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
  return Make(FromRoots(roots(nZeros), 0.5 + 2.0 * u(rng)), FromRoots(roots(order), 0.5 + u(rng)));
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

// By cofactors along the first row.
cd DirectDeterminant(const std::vector<cd>& m, int n) {
  if (n == 1) return m[0];
  cd det = 0.0;
  for (int c = 0; c < n; ++c) {
    std::vector<cd> minor;
    for (int i = n; i < n * n; ++i)
      if (i % n != c) minor.push_back(m[i]);
    det += (c % 2 ? -m[c] : m[c]) * DirectDeterminant(minor, n - 1);
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

// Above degree 255 and outside 1 .. 8 columns: the zero function and the
// flag, never the previous result.
TEST(Algebra, RefusedResultsAreZeroAndFlagged) {
  std::vector<double> big(201, 0.0);
  big[0] = big[200] = 1.0;
  const CSIMtrnfn high = Make({1}, big);
  big[0] = 2.0;
  const CSIMtrnfn other = Make({1}, big);  // no pole in common with high
  std::vector<CSIMtrnfn> m(81, Make({1}, {1, 1}));
  CSIMtrnfn w1, w2, w3, w4;
  const char* names[] = {"series", "parallel", "determinant of 0 columns", "of 9 columns"};
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(names[row]);
    g_bEvalError = 0;
    CSIMtrnfn r = Make({1, 1}, {1, 2, 1});  // a previous result that must not survive
    EXPECT_FALSE(row == 0   ? r.Series(high, high)
                 : row == 1 ? r.Parallel(high, other)
                            : r.Determinant(m.data(), row == 2 ? 0 : 9, w1, w2, w3, w4));
    EXPECT_EQ(g_bEvalError, 1);
    EXPECT_TRUE(r.IsZero());
    EXPECT_EQ(r.m_nDen, 1);
  }
  g_bEvalError = 0;
  CSIMtrnfn r;
  EXPECT_TRUE(r.Determinant(m.data(), 5, w1, w2, w3, w4));  // 5 x 5 of equal entries: 0
  EXPECT_EQ(g_bEvalError, 0);
}

}  // namespace
