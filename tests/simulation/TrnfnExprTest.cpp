// Expressions to polynomials and transfer functions, and transfer functions
// back to expressions.
#include "simulation/SIMpoly.h"
#include "simulation/SIMtrnfn.h"

#include "MC/MC_NULL.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_operator.h"
#include "SimTestSupport.h"
#include "data/PolyReference.h"

namespace {

using namespace simtest;

// A document whose table binds the tree's variables; k = 2.5.
struct Bound {
  CQorexDoc doc;
  Node tree;
  explicit Bound(CMcBasic* t) : tree(t) {
    doc.m_vars.BindVariables(tree.get());
    const int k = doc.m_vars.Find("k", "", 0);
    if (k >= 0) doc.m_vars.m_pValue[k] = 2.5;
  }
};

// The operator of the code over the operand (typed parentheses: the bracket).
CMcBasic* OperatorOf(int code, CMcBasic* operand, WORD sign = 0) {
  return new CMcOperator(operand, CMcOperator::Flags(code, sign));
}

// A domain lower < v < upper; flags give the end kind (bits 8-9) and the form.
CMcBasic* Dom(CMcBasic* v, CMcBasic* lower, CMcBasic* upper, WORD flags = 0) {
  return new CMcDomain(v, lower, upper, flags);
}

// Trees of the expressions named in bench/reference/make_poly_reference.py.
std::vector<CMcBasic*> ReferenceTrees() {
  return {
      Sum({Prod({Pow(Sum({S(), Real(1)}), Real(3)), Sum({Prod({Real(2), S()}), Real(-3)})}),
           Div(S(), Real(4))}),
      Div(Prod({Sum({Pow(S(), Real(2)), Prod({Real(0.5), S()}), Real(2)}),
                Pow(Sum({S(), Real(-1)}), Real(2))}),
          Real(3), 1),
      Prod({Sum({S(), Real(2), Prod({Real(3), Variable("j", 0x100)}, 2)}), Sum({S(), Real(0.5)})}),
      Sum({Prod({Real(2.5), Pow(S(), Real(4))}),
           Prod({Sum({S(), Real(1)}), Sum({S(), Real(-2)})}, 1), Real(7)}),
      Pow(Sum({Prod({Real(3), S()}), Real(1)}), Real(5)),
      Prod({Variable("k"), Pow(Sum({S(), Variable("k")}), Real(2))}),
  };
}

TEST(ExprToPoly, AgreesWithNumpyExpansion) {
  const std::vector<CMcBasic*> trees = ReferenceTrees();
  ASSERT_EQ(trees.size(), std::size(kPolyReference));
  for (size_t i = 0; i < trees.size(); ++i) {
    const auto& ref = kPolyReference[i];
    SCOPED_TRACE(ref.name);
    Bound b(trees[i]);
    g_bEvalError = 0;
    const Poly p = ExprToPoly(&b.doc, b.tree.get());
    EXPECT_EQ(g_bEvalError, 0);
    ASSERT_EQ(static_cast<int>(p.size()), ref.n);
    for (int k = 0; k < ref.n; ++k)
      EXPECT_NEAR(p[k], ref.coefs[k], 1e-13 * (1 + std::fabs(ref.coefs[k])));
  }
}

TEST(ExprToPoly, ConvertsOrFlagsEachConstruct) {
  struct Case {
    const char* name;
    CMcBasic* tree;
    bool flagged;
    Poly expected;  // empty: not checked
  };
  const std::vector<Case> cases = {
      {"(s+1)^0", Pow(Sum({S(), Real(1)}), Real(0)), false, {1}},
      {"2^3", Pow(Real(2), Real(3)), false, {8}},
      {"(s+1)/2", Div(Sum({S(), Real(1)}), Real(2)), false, {0.5, 0.5}},
      {"-(s+1)", Sum({S(), Real(1)}, 1), false, {-1, -1}},
      {"s + 2 +- 3s: drops +-", Sum({S(), Real(2), Prod({Real(3), S()}, 2)}), false, {2, 1}},
      {"s^2.5", Pow(S(), Real(2.5)), true, {0, 0, 1}},
      {"s/(2-2)", Div(S(), Sum({Real(2), Real(-2)})), true, {}},
      {"1/0", Div(Real(1), Real(0)), true, {}},
      {"s^1e9", Pow(S(), Real(1e9)), true, {0}},
      {"(s+1)^300", Pow(Sum({S(), Real(1)}), Real(300)), true, {0}},
      {"(s+1)^-1", Pow(Sum({S(), Real(1)}), Real(-1)), true, {}},
      {"(s+1)^s", Pow(Sum({S(), Real(1)}), S()), true, {}},
      {"2 s/(s+1)", Prod({Real(2), Div(S(), Sum({S(), Real(1)}))}), true, {}},
      {"unbound variable", new CMcVariable("q", "", 0), true, {0}},
      {"placeholder", new CMcNull(0), true, {0}},
      {"-1 < -1 < 2", Dom(Real(-1), Real(-1), Real(2), 0x000), false, {0}},
      {"-1 <= -1 <= 2", Dom(Real(-1), Real(-1), Real(2), 0x100), false, {1}},
      {"-1 < -1 <= 2", Dom(Real(-1), Real(-1), Real(2), 0x200), false, {0}},
      {"-1 <= -1 < 2", Dom(Real(-1), Real(-1), Real(2), 0x300), false, {1}},
      {"-1 < 2 <= 2", Dom(Real(2), Real(-1), Real(2), 0x200), false, {1}},
      {"-1 <= 2 < 2", Dom(Real(2), Real(-1), Real(2), 0x300), false, {0}},
      {"0.5 in (-1; 2)", Dom(Real(0.5), Real(-1), Real(2), 0x10), false, {1}},
      {"-(-1 < 0.5 < 2)", Dom(Real(0.5), Real(-1), Real(2), 1), false, {-1}},
      {"-1 < s < 2", Dom(S(), Real(-1), Real(2)), true, {}},
      {"s < 1 <= 2", Dom(Real(1), S(), Real(2), 0x200), true, {}},
      {"(s+1) typed", OperatorOf(CMcOperator::kBracket, Sum({S(), Real(1)})), false, {1, 1}},
      {"-(s+1) typed", OperatorOf(CMcOperator::kBracket, Sum({S(), Real(1)}), 1), false, {-1, -1}},
      {"|-3|", OperatorOf(CMcOperator::kAbsolute, Real(-3)), false, {3}},
      {"-|-3|", OperatorOf(CMcOperator::kAbsolute, Real(-3), 1), false, {-3}},
      {"floor(-2.5)", OperatorOf(CMcOperator::kFloor, Real(-2.5)), false, {-3}},
      {"ceil(2.1)", OperatorOf(CMcOperator::kCeiling, Real(2.1)), false, {3}},
      {"|s+1|: keeps s+1", OperatorOf(CMcOperator::kAbsolute, Sum({S(), Real(1)})), true, {1, 1}},
      {"floor(s): keeps s", OperatorOf(CMcOperator::kFloor, S()), true, {0, 1}},
      {"Re 2: keeps 2", OperatorOf(CMcOperator::kReal, Real(2)), true, {2}},
      {"det s: keeps s", OperatorOf(CMcOperator::kDeterminant, S()), true, {0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Node tree(c.tree);
    CQorexDoc doc;
    if (std::string(c.name) != "unbound variable") doc.m_vars.BindVariables(tree.get());
    g_bEvalError = 0;
    const Poly p = ExprToPoly(&doc, tree.get());
    EXPECT_EQ(g_bEvalError, c.flagged ? 1 : 0);
    if (!c.expected.empty()) {
      EXPECT_EQ(p, c.expected);
    }
  }
  g_bEvalError = 0;
}

TEST(TrnfnExpr, ModelsBecomeTransferFunctions) {
  g_bEvalError = 0;
  CQorexDoc doc;
  CSIMtrnfn t;
  double maxModulus = 1.0;
  Node model(Div(Sum({S(), Real(2)}), PolyExpr({5, 2, 1}), 1));  // -(s+2)/(s^2+2s+5)
  t.FromExpr(&doc, model.get(), &maxModulus);
  EXPECT_EQ(g_bEvalError, 0);
  EXPECT_EQ(Poly(t.m_num.begin(), t.m_num.begin() + t.m_nNum), (Poly{-2, -1}));
  EXPECT_NEAR(t.m_zeros[1].re, -2.0, 1e-15);
  EXPECT_NEAR(maxModulus, std::sqrt(5.0), 1e-14);
  Node improper(Div(Pow(S(), Real(2)), Sum({S(), Real(1)}))), five(Real(5)),
      notConstant(PolyExpr({1, 1}));
  t.FromExpr(&doc, improper.get());
  EXPECT_EQ(g_bEvalError, 1);
  g_bEvalError = 0;
  t.FromExprCoefs(&doc, improper.get());  // quick rebuilds do not flag
  EXPECT_EQ(g_bEvalError, 0);
  t.FromExpr(&doc, five.get());
  EXPECT_EQ(t.m_nDen * 10 + t.m_num[0], 15);
  t.FromExpr(&doc, notConstant.get());
  EXPECT_EQ(g_bEvalError, 1);
  g_bEvalError = 0;
}

// A model that divides by a variable k at exactly 0 takes its limit only
// where numerator and denominator grow alike; the rest stays refused.
TEST(TrnfnExpr, ADivisorAtZeroGivesTheLimitOnlyWhereBothPartsGrowAlike) {
  const auto over = [](CMcBasic* n, int power) -> CMcBasic* {
    return Div(n, power == 1 ? Variable("k") : Pow(Variable("k"), Real(power)));
  };
  const struct {
    const char* name;
    CMcBasic* model;
    Poly num, den;  // empty: refused
  } rows[] = {
      {"(s + 1/k) / (s + 2/k) -> 1/2",
       Div(Sum({S(), over(Real(1), 1)}), Sum({S(), over(Real(2), 1)})),
       {1},
       {2}},
      {"k / k, a denominator 0 with no division inside: refused",
       Div(Variable("k"), Variable("k")),
       {},
       {}},
      {"(s/k^2 + 3) / ((s + 1)/k^2) -> s / (s + 1)",
       Div(Sum({over(S(), 2), Real(3)}), over(Sum({S(), Real(1)}), 2)),
       {0, 1},
       {1, 1}},
      {"1 / (s/k + 1) tends to 0: refused", Div(Real(1), Sum({over(S(), 1), Real(1)})), {}, {}},
      {"(s/k + 1) / 1 grows without bound: refused",
       Div(Sum({over(S(), 1), Real(1)}), Real(1)),
       {},
       {}},
      {"1/k alone: refused", over(Real(1), 1), {}, {}},
      {"a sum cancelled at the lowest power: refused",
       Div(Sum({over(Real(1), 1), Prod({Real(1), over(Real(1), 1)}, 1), S()}), over(Real(1), 1)),
       {},
       {}},
      {"s / (1/0) (a number 0, no variable): refused", Div(S(), Div(Real(1), Real(0))), {}, {}},
      {"(-(-1 < 0.5 < 2)/k + s) / (1/k) -> -1, the indicator's sign once",
       Div(Sum({over(Dom(Real(0.5), Real(-1), Real(2), 1), 1), S()}), over(Real(1), 1)),
       {-1},
       {1}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Bound b(r.model);
    const int k = b.doc.m_vars.Find("k", "", 0);
    if (k >= 0) b.doc.m_vars.m_pValue[k] = 0.0;
    g_bEvalError = 0;
    CSIMtrnfn t;
    t.FromExpr(&b.doc, b.tree.get());
    if (r.num.empty()) {
      EXPECT_EQ(g_bEvalError, 1);
      continue;
    }
    EXPECT_EQ(g_bEvalError, 0);
    EXPECT_EQ(Poly(t.m_num.begin(), t.m_num.begin() + t.m_nNum), r.num);
    EXPECT_EQ(Poly(t.m_den.begin(), t.m_den.begin() + t.m_nDen), r.den);
  }
  g_bEvalError = 0;
}

TEST(TrnfnExpr, RoundTripReproducesTheFunction) {
  const unsigned seed = 3;
  std::printf("random transfer functions, seed %u\n", seed);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int rep = 0; rep < 30; ++rep) {
    SCOPED_TRACE("case " + std::to_string(rep));
    std::vector<cd> poles, zeros;
    for (int i = 0; i < 1 + rep % 4; ++i) {
      const cd c(-0.3 - 2 * u(rng), 0.5 + u(rng));
      poles.push_back(c);
      poles.push_back(std::conj(c));
      zeros.push_back(rep % 3 == 0 ? 0.0 : 1.5 - 3 * u(rng));
    }
    const CSIMtrnfn t = Make(FromRoots(zeros, 4 * u(rng) - 2), FromRoots(poles, 0.5 + u(rng)));
    for (bool factored : {true, false}) {
      Bound b(factored ? t.ToFactoredExpr() : t.ToPolyExpr());
      g_bEvalError = 0;
      CSIMtrnfn back;
      back.FromExpr(&b.doc, b.tree.get());
      EXPECT_EQ(g_bEvalError, 0);
      ASSERT_EQ(back.m_nNum, t.m_nNum);
      ASSERT_EQ(back.m_nDen, t.m_nDen);
      // Coefficients agree up to the common factor of the leading denominator coefficient.
      const double scale = t.m_den[t.m_nDen - 1] / back.m_den[back.m_nDen - 1];
      for (int i = 0; i < t.m_nDen; ++i)
        EXPECT_NEAR(back.m_den[i] * scale, t.m_den[i], 1e-12 * std::fabs(t.m_den[i]) + 1e-14);
      for (int i = 0; i < t.m_nNum; ++i)
        EXPECT_NEAR(back.m_num[i] * scale, t.m_num[i], 1e-12 * std::fabs(t.m_num[i]) + 1e-14);
    }
  }
  g_bEvalError = 0;
}

// A leading coefficient that vanishes when written back is left out.
TEST(TrnfnExpr, SingleTermBelowAVanishingLeadKeepsItsPower) {
  CSIMtrnfn t = Make({1}, {1, 2, 1, 1});
  t.m_num[0] = 0.0;
  t.m_num[1] = 2.0;  // 2 s written with a zero s^2 coefficient above it
  t.m_num[2] = 0.0;
  t.m_nNum = 3;
  Node e(t.ToPolyExpr());
  const CMcBasic* num = e->m_children[0];
  ASSERT_EQ(McKindOf(num->GetType()), kMcListmult);  // 2 s, not 0 s^2
  EXPECT_EQ(static_cast<const CMcReal*>(num->m_children[0])->m_value, 2.0);
  EXPECT_EQ(num->m_children[1]->GetType(), McTypeWord(kMcVariable));
}

}  // namespace
