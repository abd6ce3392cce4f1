// Limits and sums over ranges: the complex quadratic through three points,
// comparison of summations and products, and their layout with fixed metrics
// (H = 20, A = 16, the sign column at least 2H/3 = 13 wide).
#include "McTestSupport.h"

#include <complex>

using namespace mctest;

namespace {

using C = std::complex<double>;

const WORD kVariable = McTypeWord(kMcVariable);
const WORD kEmpty = McTypeWord(kMcNull);

}  // namespace

// Three samples of c2 z^2 + c1 z + c0 give back its value at a fourth point.
TEST(Limit, SolveComplexReproducesAQuadratic) {
  const struct {
    C c2, c1, c0;
    C x[3];
    C z;
  } rows[] = {
      {{2, -1}, {0.5, 3}, {-4, 1}, {{1, 1}, {-2, 0.5}, {0.25, -3}}, {1.5, 2.5}},
      {{0, 0}, {-1, 2}, {7, 0}, {{0, 1}, {0, -1}, {3, 0}}, {-2, -2}},
      {{1e-3, 2}, {5, -5}, {1, 0}, {{10, 0}, {10, 1}, {11, 0}}, {10.5, 0.5}},
  };
  for (const auto& row : rows) {
    McComplex values[3], points[3];
    for (int i = 0; i < 3; ++i) {
      points[i] = Mc(row.x[i]);
      values[i] = Mc(row.c2 * row.x[i] * row.x[i] + row.c1 * row.x[i] + row.c0);
    }
    McComplex result{-1, -1};
    EXPECT_EQ(CMcLimit::SolveComplex(&result, values, points, Mc(row.z)), &result);
    EXPECT_TRUE(Near(result, Mc(row.c2 * row.z * row.z + row.c1 * row.z + row.c0), 1e-12))
        << result.re << " " << result.im;
  }
}

// Two coinciding points, whichever two, leave no quadratic: (NaN, 0). The
// points are chosen so that the six products of the expanded determinant do
// not cancel exactly in floating point.
TEST(Limit, SolveComplexWithCoincidingPointsIsNaN) {
  const McComplex values[3] = {{1, 2}, {3, -1}, {0.5, 0.5}};
  const McComplex p{0.1, 0.7}, q{-1.3, 0.3};
  const McComplex sets[][3] = {{p, p, q}, {p, q, p}, {q, p, p}, {p, p, p}};
  for (const auto& points : sets) {
    McComplex result{};
    CMcLimit::SolveComplex(&result, values, points, McComplex{2, 0});
    EXPECT_TRUE(std::isnan(result.re));
    EXPECT_EQ(result.im, 0.0);
  }
}

TEST(Sum, ProductNeverMatchesSummation) {
  auto make = [](WORD flags) {
    return NodePtr(new CMcSum(new CMcVariable("k", "", 0), Real(1), Real(9), flags));
  };
  NodePtr sum = make(0), product = make(kMcVariant), negated = make(kMcMinus);
  EXPECT_EQ(sum->GetType(), McTypeWord(kMcSum, 1));
  EXPECT_EQ(product->GetType(), McTypeWord(kMcSum, 2));
  EXPECT_STREQ(sum->GetName(), "Summation");
  EXPECT_STREQ(product->GetName(), "Product");
  EXPECT_EQ(sum->Compare(product.get()), kMcDiffType);
  EXPECT_EQ(sum->Compare(negated.get()), kMcDiffSign);
  NodePtr clone(product->Clone());
  EXPECT_EQ(clone->Compare(product.get()), 0);
  static_cast<CMcReal*>(clone->m_children[2])->m_value = 8;
  EXPECT_EQ(clone->Compare(product.get()), kMcDiffChild);
  // The limit's children are compared in order, not as a set.
  CMcLimit ab(new CMcVariable("a", "", 0), new CMcVariable("b", "", 0), 0);
  CMcLimit ba(new CMcVariable("b", "", 0), new CMcVariable("a", "", 0), 0);
  EXPECT_EQ(ab.Compare(&ba), kMcDiffChild);
}

using LimitLayout = LayoutFixture;

// The expression (30 x 20, baseline 16) takes parentheses (6 each side)
// inside a sum or product, and neither as the whole formula nor as a side of
// a relation nor as an item of a list. The approach (24 x 15) widens the
// column under "lim" past H + 2 and hangs H - A below the baseline.
TEST_F(LimitLayout, ParenthesesOnlyInsideAnExpression) {
  const struct {
    const char* where;
    WORD parent;  // kMcRootParentType: none
    bool parens;
    const char* geometry;
  } rows[] = {
      {"whole formula", kMcRootParentType, false, "54x35/16 24,0 0,20"},
      {"in a group", McTypeWord(kMcGroup), false, "54x35/16 24,0 0,20"},
      {"side of a relation", McTypeWord(kMcEquality, 1), false, "54x35/16 24,0 0,20"},
      {"item of a list", McTypeWord(kMcListbody), false, "54x35/16 24,0 0,20"},
      {"term of a sum", McTypeWord(kMcListsum), true, "66x35/16 30,0 0,20"},
      {"factor of a product", McTypeWord(kMcListmult, 1), true, "66x35/16 30,0 0,20"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.where);
    auto* limit = new CMcLimit(Box(30, 20, 16, kVariable), Box(24, 15, 12, kVariable), 0);
    TestNode parent(row.parent);
    NodePtr alone;
    if (row.parent == kMcRootParentType)
      alone.reset(limit);
    else
      parent.AppendChild(limit);
    limit->Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(limit->ExpressionNeedsParens(), row.parens);
    EXPECT_EQ(Geometry(limit), row.geometry);
    EXPECT_EQ(limit->m_children[1]->GetLevel(), 1);
  }
}

// A deep expression decides the height; in parentheses the shorter side of
// the axis grows (top 6 for 14 above and 26 below) and the baseline with it.
TEST_F(LimitLayout, DeepExpressionSetsTheHeight) {
  TestNode sum(McTypeWord(kMcListsum));
  auto* limit = new CMcLimit(Box(30, 40, 20, kVariable), Box(10, 15, 12, kVariable), 0);
  sum.AppendChild(limit);
  limit->Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(Geometry(limit), "64x46/26 28,6 6,30");
}

// "lim" (three 10-pixel Arial boxes at these metrics) is centred over the
// column at the approach's middle, on the baseline.
TEST_F(LimitLayout, LimTextStandsOverTheApproach) {
  CMcLimit limit(Box(30, 20, 16, kVariable), Box(24, 15, 12, kVariable), 0);
  limit.Layout(nullptr, kMcLayoutFromTop);
  Canvas canvas(100, 60);
  limit.Draw(canvas.dc(), 0, 0);
  EXPECT_EQ(canvas.InkInRow(8, 0, 100), 30);
  EXPECT_TRUE(canvas.Ink(1, 8) && !canvas.Ink(0, 8) && canvas.Ink(30, 8) && !canvas.Ink(31, 8));
  EXPECT_TRUE(canvas.Ink(5, 19) && !canvas.Ink(5, 20)) << "a 20-pixel cell above baseline + 4";
}

using SumLayout = LayoutFixture;

// Term 30 x 20 (baseline 16), lower limit 24 x 15, upper 18 x 15. A limit
// that is an empty placeholder away from the caret is hidden: it takes no
// height, yet the column stays as wide as the widest limit.
TEST_F(SumLayout, HiddenLimitsTakeNoHeightButKeepTheColumn) {
  const struct {
    const char* what;
    WORD lowerType, upperType, termType;
    bool focusLower;
    int limits;
    const char* geometry;
  } rows[] = {
      {"both limits", kVariable, kVariable, kVariable, false, 2, "54x50/31 24,15 0,35 3,0"},
      {"upper hidden", kVariable, kEmpty, kVariable, false, 1, "54x35/16 24,0 0,20 3,-15"},
      {"both hidden", kEmpty, kEmpty, kVariable, false, 0, "54x20/16 24,0 0,20 3,-15"},
      {"lower hidden, upper shown", kEmpty, kVariable, kVariable, false, 2,
       "54x50/31 24,15 0,35 3,0"},
      {"both empty, the caret in the lower", kEmpty, kEmpty, kVariable, true, 1,
       "54x35/16 24,0 0,20 3,-15"},
      {"a sum as the term", kEmpty, kEmpty, McTypeWord(kMcListsum), false, 0,
       "66x20/16 30,0 0,20 3,-15"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TestLeaf* lower = Box(24, 15, 12, row.lowerType);
    CMcSum sum(Box(30, 20, 16, row.termType), lower, Box(18, 15, 12, row.upperType), 0);
    std::unique_ptr<FocusScope> focus;
    if (row.focusLower) focus = std::make_unique<FocusScope>(lower, "");
    sum.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(sum.LimitMode(), row.limits);
    EXPECT_EQ(Geometry(&sum), row.geometry);
    Canvas canvas(100, 60);
    sum.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(lower->m_draws, row.limits >= 1 ? 1 : 0) << "hidden limits are not drawn";
    EXPECT_EQ(static_cast<TestLeaf*>(sum.m_children[2])->m_draws, row.limits == 2 ? 1 : 0);
  }
}

// Parentheses around the term unless it delimits itself.
TEST_F(SumLayout, TermParentheses) {
  const struct {
    const char* what;
    WORD type, flags;
    bool parens;
  } rows[] = {
      {"variable", kVariable, 0, false},
      {"negated variable", kVariable, 1, true},
      {"function", McTypeWord(kMcFunction), 0, false},
      {"root", McTypeWord(kMcRoot), 0, false},
      {"ceiling", McTypeWord(kMcOperator, 5), 0, false},
      {"operator code 6", McTypeWord(kMcOperator, 6), 0, true},
      {"product over a range", McTypeWord(kMcSum, 2), 0, false},
      {"integral", McTypeWord(kMcIntegral, 3), 0, false},
      {"sum", McTypeWord(kMcListsum), 0, true},
      {"fraction", McTypeWord(kMcDivision), 0, true},
  };
  for (const auto& row : rows) {
    CMcSum sum(Box(30, 20, 16, row.type, row.flags), Real(1), Real(2), 0);
    EXPECT_EQ(sum.TermNeedsParens(), row.parens) << row.what;
  }
}
