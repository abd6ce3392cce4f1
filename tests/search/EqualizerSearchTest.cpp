// The Equalizer's free variables and pattern searches: on costs of the
// variables' values, and on a real design.
#include "tests/search/EqualizerTestSupport.h"

#include "search/PatternStep.h"

#include <cmath>

namespace {

using namespace eqtest;

// A design with free variables named in K; G and the others fixed.
class SearchTest : public EqualizerTest {
 protected:
  void SetUp() override {
    EqualizerTest::SetUp();
    m_fn.m_pDoc = m_doc.get();
  }
  // K = the sum of the variables (k alone by default), G = 1/(s + 1).
  void Free(std::vector<const char*> names = {"k"}) {
    std::vector<CMcBasic*> terms;
    for (const char* n : names) terms.push_back(Variable(n));
    Design(terms.size() == 1 ? terms[0] : Sum(terms), Tf({1}, {1, 1}), Real(1), 0.1);
    m_fn.CollectFreeVariables();
  }
  // Starts the steps as Optimize does.
  void StartSteps() {
    for (int i = 0; i < m_fn.m_freeVars.m_nCount; ++i) {
      const double x = std::fabs(Var(Name(i)));
      const double step = x <= 10 ? 1.0 : 0.1 * x;
      m_fn.m_freeVars.Axis(i) = {step, step, QOX_PatternAxis::kNone};
    }
  }
  const char* Name(int i) { return Doc().m_vars.GetName(m_fn.m_freeVars.Index(i)); }
  FunctionEngine m_fn;
};

// ---- the step rule -----------------------------------------------------------------------

TEST(PatternStep, QuadraticTraceFromZero) {
  QOX_PatternAxis axis{1.0, 1.0, QOX_PatternAxis::kNone};
  double x = 0.0, f = 9.0;
  std::vector<double> trace;
  for (int i = 0; i < 4; ++i) {
    f = PatternStep(x, f, axis, [](double v) { return (v - 3) * (v - 3); });
    trace.push_back(x);
  }
  // Up to 1, up again to 2 (the up step doubles to 2), then 4 and 1.5 are
  // both worse (steps halve to 1 and 0.25), then up to 3.
  EXPECT_EQ(trace, (std::vector<double>{1, 2, 2, 3}));
  EXPECT_EQ(f, 0.0);
}

TEST(PatternStep, RepeatedUpSuccessesDoubleTheUpStep) {
  QOX_PatternAxis axis{1.0, 1.0, QOX_PatternAxis::kNone};
  double x = 0.0, f = 0.0;
  std::vector<double> ups, downs;
  for (int i = 0; i < 4; ++i) {
    const double up = axis.up;
    f = PatternStep(x, f, axis, [](double v) { return -v; });
    EXPECT_EQ(axis.down, up / 2);
    ups.push_back(axis.up);
  }
  EXPECT_EQ(ups, (std::vector<double>{1, 2, 4, 8}));
  EXPECT_EQ(x, 1 + 1 + 2 + 4);
}

TEST(PatternStep, TiesGrowBothStepsAndBothWorseHalveThem) {
  const struct {
    double fu, fd, up, down;
  } rows[] = {{5, 5, 1.5, 1.5}, {6, 5, 0.5, 1.5}, {6, 6, 0.5, 0.5}, {NAN, NAN, 0.5, 0.5}};
  for (const auto& row : rows) {
    QOX_PatternAxis axis{1.0, 1.0, QOX_PatternAxis::kNone};
    double x = 0.0;
    const double f = PatternStep(x, 5.0, axis, [&](double v) { return v > 0 ? row.fu : row.fd; });
    EXPECT_EQ(f, 5.0);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(axis.up, row.up);
    EXPECT_EQ(axis.down, row.down);
  }
}

// ---- the local search --------------------------------------------------------------------

TEST_F(SearchTest, StartStepsFollowTheMagnitude) {
  Free();
  for (double start : {0.0, 50.0}) {
    Var("k") = start;
    m_fn.f = [](const std::vector<double>&) { return 1.0; };
    m_fn.calls.clear();
    m_fn.Optimize(0);
    ASSERT_GE(m_fn.calls.size(), 2u);
    EXPECT_EQ(m_fn.calls[1][0] - start, start == 0.0 ? 1.0 : 5.0);
  }
}

TEST_F(SearchTest, LocalSearchNeverRaisesItsCostAndBoundsItsEvaluations) {
  Free({"a", "b"});
  g_nLocalIterations = 7;
  m_fn.f = [](const std::vector<double>& x) {
    return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
  };
  Var("a") = -1.2;
  Var("b") = 1.0;
  StartSteps();
  const double f = m_fn.LocalSearch(TRUE);
  const double start = m_fn.f(m_fn.calls.front());
  EXPECT_LE(m_fn.calls.size(), 1u + 2u * 7 * 2);
  EXPECT_LT(f, start);
  EXPECT_EQ(f, m_fn.f({Var("a"), Var("b")})) << "the variables hold the best point";
  for (const auto& x : m_fn.calls) EXPECT_GE(m_fn.f(x), f);
}

// ---- the global search -------------------------------------------------------------------

TEST_F(SearchTest, ClimbOffsetsDoubleAndStopAtAFallOrAFailure) {
  Free();
  g_nLocalIterations = 1;
  const struct {
    double start;
    double fallAt;  // the climb's cost falls beyond this value
    double failAt;  // and fails beyond this one
    int climbSteps;
  } rows[] = {{3.0, 1e9, 1e9, 7}, {3.0, 3.65, 1e9, 3}, {3.0, 1e9, 3.2, 2}, {50.0, 1e9, 1e9, 7}};
  for (const auto& row : rows) {
    Var("k") = row.start;
    m_fn.f = [&](const std::vector<double>& x) {
      return x[0] > row.failAt ? CEqualizerEngine::kFailedCost : x[0] > row.fallAt ? 0.0 : x[0];
    };
    m_fn.calls.clear();
    const double start = row.start;
    double passBest = start;
    m_fn.GlobalProbe(&start, &passBest, row.start, 1e300, 0, 0);
    const double s = row.start >= 10 ? 0.1 * row.start : 0.1;
    for (int i = 0; i < row.climbSteps; ++i)
      EXPECT_NEAR(m_fn.calls[i][0] - start, s * ((2 << i) - 1), 1e-12)
          << row.start << " step " << i;
    if (row.climbSteps == 7)
      EXPECT_EQ(m_fn.calls.size(), 7u) << "no local search after a climb that never stops";
    else
      EXPECT_GT(m_fn.calls.size(), static_cast<size_t>(row.climbSteps));
    EXPECT_EQ(Var("k"), start) << "the probe puts the start back";
  }
}

// The climb of a (3 -> 3.1, 3.3, 3.7) stops where the cost falls: the local
// search from there probes a by a third of the last climb step (0.4) and b,
// at 50, by a tenth of its start; neither probe improves.
TEST_F(SearchTest, TheLocalSearchAfterAClimbStepsByAThirdOfTheLastClimbStep) {
  Free({"a", "b"});
  ASSERT_STREQ(Name(0), "a");
  g_nLocalIterations = 1;
  Var("a") = 3.0;
  Var("b") = 50.0;
  m_fn.f = [](const std::vector<double>& x) { return x[0] > 3.65 ? 0.0 : x[0]; };
  const double start[] = {3.0, 50.0};
  double passBest[] = {3.0, 50.0};
  m_fn.GlobalProbe(start, passBest, 3.0, 1e300, 0, 0);
  ASSERT_EQ(m_fn.calls.size(), 3u + 1 + 2 + 2) << "climb, start, a up and down, b up and down";
  const std::vector<double> climbed = m_fn.calls[3];
  EXPECT_NEAR(climbed[0], 3.7, 1e-12);
  const double offsets[][2] = {{0.4 / 3, 0}, {-0.4 / 3, 0}, {0, 5}, {0, -5}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 2; ++j)
      EXPECT_NEAR(m_fn.calls[4 + i][j] - climbed[j], offsets[i][j], 1e-12) << i << " " << j;
}

TEST_F(SearchTest, GlobalSearchLeavesTheValleyTheLocalSearchKeeps) {
  Free();
  m_fn.f = [](const std::vector<double>& x) { return std::pow(x[0] * x[0] - 4, 2) + 0.5 * x[0]; };
  Var("k") = 2.0;
  m_fn.Optimize(0);
  EXPECT_GT(Var("k"), 1.5);
  Var("k") = 2.0;
  m_fn.Optimize(kSearchGlobal);
  EXPECT_NEAR(Var("k"), -2.0, 0.1);
}

// No climb of the first pass stops: the pass has no better point than its
// start, which the variables keep.
TEST_F(SearchTest, AGlobalPassWithoutResultKeepsTheStart) {
  Free({"a", "b"});
  Var("a") = 1.25;
  Var("b") = -7.5;
  m_fn.f = [](const std::vector<double>&) { return 1.0; };
  m_fn.Optimize(kSearchGlobal);
  EXPECT_EQ(Var("a"), 1.25);
  EXPECT_EQ(Var("b"), -7.5);
}

TEST_F(SearchTest, OptimizeIsNotReentered) {
  Free();
  int nested = 0;
  m_fn.f = [&](const std::vector<double>&) {
    const size_t before = m_fn.calls.size();
    m_fn.Optimize(0);  // as a slider moved inside a search would
    nested += m_fn.calls.size() != before;
    return 1.0;
  };
  m_fn.Optimize(0);
  EXPECT_EQ(nested, 0);
  EXPECT_FALSE(m_fn.Searching());
}

// ---- on a real design --------------------------------------------------------------------

TEST_F(EqualizerTest, OptimizeImprovesAPiDesignAndRecordsItOnce) {
  // K = k (1 + 1/(T s)) with T fixed, G = 1/(s + 1).
  Design(Div(Prod({Variable("k"), PolyExpr({1, 2})}), PolyExpr({0, 2})), Tf({1}, {1, 1}), Real(1),
         0.05);
  Var("k") = 0.5;
  m_engine.SetWeight(0, 50);
  m_engine.SetWeight(1, 50);
  m_engine.SetWeight(2, 20);
  m_engine.SetWeight(7, 10);
  m_engine.CollectFreeVariables();
  ASSERT_EQ(m_engine.m_freeVars.m_nCount, 1);
  const double before = m_engine.ComputeCost(TRUE);
  m_engine.m_wRecord = kRecordingOn;
  m_engine.Optimize(0);
  EXPECT_EQ(Doc().m_pHistory->m_nCount, 1);
  EXPECT_NE(Var("k"), 0.5);
  EXPECT_EQ(Doc().m_pHistory->m_ppValues[0][Entry(Doc(), "k")], Var("k"));
  m_engine.m_wMode = 0;
  EXPECT_LT(m_engine.ComputeCost(TRUE), before);
}

// ---- the free-variable set ---------------------------------------------------------------

TEST_F(SearchTest, FreeVariablesOfTunableModelsLessTheFixedOnes) {
  // a, b, c in K; a also in G, which is fixed: c takes a's place.
  Design(Sum({Variable("a"), Variable("b"), Variable("c"), Prod({Variable("s"), Real(0)})}),
         Div(Variable("a"), PolyExpr({1, 1})), Real(1), 0.1);
  m_fn.CollectFreeVariables();
  ASSERT_EQ(m_fn.m_freeVars.m_nCount, 2);
  EXPECT_STREQ(Name(0), "c");
  EXPECT_STREQ(Name(1), "b");
  // Seven variables: the set grows past five, keeping its order.
  Free({"v1", "v2", "v3", "v4", "v5", "v6", "v7"});
  ASSERT_EQ(m_fn.m_freeVars.m_nCount, 7);
  EXPECT_EQ(m_fn.m_freeVars.m_nCapacity, 10);
  const char* const names[] = {"v1", "v2", "v3", "v4", "v5", "v6", "v7"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(Name(i), names[i]);
}

}  // namespace
