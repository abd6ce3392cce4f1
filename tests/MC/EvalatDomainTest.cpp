// Evaluate-at bars and domains: the domain's truth values in both paths (a
// whole run against stepping, roots and logarithms too), comparison by end kind, and the layout and
// drawing of both with fixed metrics (H = 20, A = 16; Symbol boxes 10 pixels wide at level 0).
#include "McTestSupport.h"

using namespace mctest;

namespace {

const WORD kVariable = McTypeWord(kMcVariable);

CMcDomain* Domain(CMcBasic* v, CMcBasic* lower, CMcBasic* upper, WORD flags) {
  return new CMcDomain(v, lower, upper, flags);
}

WORD Ends(int endKind) {
  return static_cast<WORD>(endKind << 8);
}

}  // namespace

// Lower bound 1, upper bound 3; only real parts count.
TEST(Domain, EndKindsAtBothBoundsAndInside) {
  const struct {
    int ends;
    double atLower, inside, atUpper;
  } rows[] = {{0, 0, 1, 0}, {1, 1, 1, 1}, {2, 0, 1, 1}, {3, 1, 1, 0}};
  g_bEvalError = 0;
  for (const auto& row : rows) {
    for (WORD variant : {0x00, 0x10}) {  // relation and interval form evaluate alike
      SCOPED_TRACE("end kind " + std::to_string(row.ends) + " variant " + std::to_string(variant));
      const struct {
        McComplex v;
        double expected;
      } points[] = {{{1, 0}, row.atLower}, {{2, 7}, row.inside}, {{3, -1}, row.atUpper},
                    {{0.5, 0}, 0},         {{3.5, 0}, 0},        {{kNaN, 0}, 0}};
      for (const auto& p : points) {
        for (WORD sign : {0, 1}) {
          CMcDomain d(new ValueLeaf(p.v), new ValueLeaf({1, 5}), new ValueLeaf({3, -5}),
                      static_cast<WORD>(Ends(row.ends) | variant | sign));
          const McComplex value = Eval(&d);
          EXPECT_EQ(value.re, sign && p.expected ? -1.0 : p.expected) << p.v.re << " sign " << sign;
          EXPECT_EQ(value.im, 0.0);
          EXPECT_FALSE(std::signbit(value.re) && value.re == 0) << "a false domain is +0";
        }
      }
    }
  }
  EXPECT_FALSE(TakeEvalError());
  CMcDomain broken(new CMcNull(0), Real(1), Real(2), 0);  // a child's failure travels
  Eval(&broken);
  EXPECT_TRUE(TakeEvalError());
}

TEST(Domain, ComparesEndKindsButNotTheForm) {
  auto make = [](WORD flags) { return NodePtr(Domain(Time(), Real(0), Real(1), flags)); };
  NodePtr open = make(Ends(0));
  EXPECT_EQ(open->Compare(make(Ends(2)).get()), kMcDiffFlags);
  EXPECT_EQ(open->Compare(make(Ends(0) | 0x10).get()), 0);
  EXPECT_EQ(open->Compare(make(Ends(1) | 1).get()), kMcDiffFlags | kMcDiffSign);
  NodePtr clone(make(Ends(3) | 0x11)->Clone());
  EXPECT_EQ(clone->Compare(make(Ends(3) | 0x11).get()), 0);
  static_cast<CMcReal*>(clone->m_children[2])->m_value = 2;
  EXPECT_EQ(clone->Compare(make(Ends(3) | 0x11).get()), kMcDiffChild);
}

// A whole run gives what stepping sample by sample gives, error flag
// included, for domains, roots and logarithms over time and signals and for
// the kinds without a value.
TEST(WholeRun, EqualsSampleBySample) {
  auto doc = SignalDoc(40, 0.25, 40);
  const struct {
    const char* what;
    NodePtr node;
    bool error;
  } rows[] = {
      {"1 < t < 3", NodePtr(Domain(Time(), Real(1), Real(3), Ends(0))), false},
      {"-(1 <= t <= 3)", NodePtr(Domain(Time(), Real(1), Real(3), Ends(1) | 1)), false},
      {"t in (1; 3]", NodePtr(Domain(Time(), Real(1), Real(3), Ends(2) | 0x10)), false},
      {"t in [-t; 3)", NodePtr(Domain(Time(), Time(1), Real(3), Ends(3) | 0x10)), false},
      {"6005 <= e(t) <= 6010 + t",
       NodePtr(Domain(Fn("e", Time()), Real(6005), Sum({Real(6010), Time()}), Ends(1))), false},
      {"t + (2 < t < 4)", NodePtr(Sum({Time(), Domain(Time(), Real(2), Real(4), 0)})), false},
      {"(1 < t < 3)(t < u(t)/1000 <= 9)",
       NodePtr(
           Prod({Domain(Time(), Real(1), Real(3), 0),
                 Domain(new CMcDivision(Fn("u", Time()), Real(1000), 0), Time(), Real(9), Ends(2))},
                1)),
       false},
      {"sqrt(r(t) - 1000 t)",
       NodePtr(new CMcRoot(Sum({Fn("r", Time()), Prod({Real(1000), Time()}, 1)}), Real(2), 0)),
       false},
      {"-(t + 1)-th root of -e(t)",
       NodePtr(new CMcRoot(Fn("e", Time(), 1), Sum({Time(), Real(1)}), 1)), false},
      {"log to base t of u(t)", NodePtr(new CMcLog(Fn("u", Time()), Time(), 0)), false},
      {"ln(c(t) - 1000)",
       NodePtr(new CMcLog(Sum({Fn("c", Time()), Real(-1000)}),
                          new CMcVariable("e", "", kMcConstant), 0)),
       false},
      {"-log10 of the cube root of z(t)",
       NodePtr(new CMcLog(new CMcRoot(Fn("z", Time()), Real(3), 0), Real(10), 1)), false},
      {"derivative of r(t) by t", NodePtr(ListOf<CMcDerivative>(0, {Fn("r", Time()), Time()})),
       true},
      {"integral of w(t) over t",
       NodePtr(new CMcIntegral(Fn("w", Time()), Real(0), Time(), Time(), 0)), true},
      {"lim", NodePtr(new CMcLimit(Time(), Real(1), 0)), true},
      {"sum", NodePtr(new CMcSum(Time(), Real(1), Real(2), 0)), true},
      {"evaluate at", NodePtr(new CMcEvalat(Time(), Real(1), Real(2), 0)), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    g_bEvalError = 0;
    Values whole(row.node->EvaluateVector(doc.get()));
    EXPECT_EQ(TakeEvalError(), row.error);
    int ones = 0;
    for (int k = 0; k < 40; ++k) {
      const McComplex one = EvalAt(row.node.get(), doc.get(), k);
      EXPECT_EQ(TakeEvalError(), row.error) << k;
      EXPECT_TRUE(Same(whole[k], one)) << k;
      ones += one.re != 0.0;
    }
    if (!row.error) {
      EXPECT_GT(ones, 0) << "a domain holds somewhere";
    }
  }
}

using EvalatLayout = LayoutFixture;

// Expression 30 x 20 (baseline 16), lower value 10 x 15, upper 12 x 15: the
// values stack to 30 pixels and centre the baseline; brackets take H/4 = 5 on
// each side of the expression, only inside another expression.
TEST_F(EvalatLayout, BracketsOnlyInsideAnExpression) {
  const struct {
    const char* where;
    WORD parent;  // kMcRootParentType: none
    bool brackets;
    const char* geometry;
  } rows[] = {
      {"whole formula", kMcRootParentType, false, "45x30/21 0,5 33,15 33,0"},
      {"in a group", McTypeWord(kMcGroup), false, "45x30/21 0,5 33,15 33,0"},
      {"item of a list", McTypeWord(kMcListbody), false, "45x30/21 0,5 33,15 33,0"},
      {"term of a sum", McTypeWord(kMcListsum), true, "55x30/21 5,5 43,15 43,0"},
      {"side of a relation", McTypeWord(kMcEquality, 1), true, "55x30/21 5,5 43,15 43,0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.where);
    auto* at = new CMcEvalat(Box(30, 20, 16), Box(10, 15, 12), Box(12, 15, 12),
                             CMcEvalat::kBracketBit);  // a stale bit is rewritten
    TestNode parent(row.parent);
    NodePtr alone;
    if (row.parent == kMcRootParentType)
      alone.reset(at);
    else
      parent.AppendChild(at);
    at->Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(at->HasBrackets(), row.brackets);
    EXPECT_EQ(Geometry(at), row.geometry);
  }
  CMcEvalat tall(Box(30, 40, 26), Box(10, 15, 12), Box(12, 15, 12), 0);
  tall.Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(Geometry(&tall), "45x40/26 0,0 33,25 33,0") << "a tall expression sets the height";
}

// At the smallest level H/4 is 2, yet the brackets' arms reach 3 pixels
// (two painted beside the stem, the end point left out as lines leave it);
// the bar stands 2 pixels before the values, over the whole height.
TEST_F(EvalatLayout, BracketsAtLeastThreePixelsDeep) {
  for (int level : {3, 0}) {
    SCOPED_TRACE(level);
    TestNode sum(McTypeWord(kMcListsum));
    auto* at = new CMcEvalat(Box(30, 20, 16), Box(10, 15, 12), Box(12, 15, 12),
                             static_cast<WORD>(level << 6));
    sum.AppendChild(at);
    at->Layout(nullptr, kMcLayoutFromTop);
    Canvas canvas(100, 40);
    at->Draw(canvas.dc(), 0, 0);
    const int q = level == 3 ? 3 : 5;
    const int values = at->m_children[1]->m_box.x;
    const int bottom = at->m_box.height - 1;
    EXPECT_EQ(canvas.InkInRow(0, 0, values / 2), q - 1) << "left bracket, top arm";
    EXPECT_EQ(canvas.InkInRow(bottom, 0, values / 2), q - 1) << "left bracket, bottom arm";
    EXPECT_EQ(canvas.InkInRow(0, values - 10, values - 3), q - 1) << "right bracket, top arm";
    EXPECT_EQ(canvas.InkInRow(bottom, values - 10, values - 3), q - 1);
    for (int y = 0; y <= bottom; ++y) {
      EXPECT_TRUE(canvas.Ink(0, y) && canvas.Ink(values - 4, y) && canvas.Ink(values - 2, y)) << y;
    }
    EXPECT_EQ(canvas.InkInRow(bottom + 1, 0, 100), 0);
  }
  // At the top: the bar alone.
  CMcEvalat at(Box(30, 20, 16), Box(10, 15, 12), Box(12, 15, 12), 0);
  at.Layout(nullptr, kMcLayoutFromTop);
  Canvas canvas(100, 40);
  at.Draw(canvas.dc(), 0, 0);
  EXPECT_EQ(canvas.InkInRow(15, 0, 100), 1);
  EXPECT_TRUE(canvas.Ink(31, 15));
}

// An empty upper value away from the caret is not drawn; the lower one is.
TEST_F(EvalatLayout, EmptyUpperValueIsHidden) {
  for (bool focused : {false, true}) {
    TestLeaf* upper = Box(12, 15, 12, McTypeWord(kMcNull));
    TestLeaf* lower = Box(10, 15, 12, McTypeWord(kMcNull));
    CMcEvalat at(Box(30, 20, 16), lower, upper, 0);
    std::unique_ptr<FocusScope> focus;
    if (focused) focus = std::make_unique<FocusScope>(upper, "");
    at.Layout(nullptr, kMcLayoutFromTop);
    Canvas canvas(100, 40);
    at.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(upper->m_draws, focused ? 1 : 0);
    EXPECT_EQ(lower->m_draws, 1);
  }
}

using DomainLayout = LayoutFixture;

// Variable 10 x 20 (baseline 16), lower bound 20 x 20 (baseline 10), upper
// bound 30 x 40 (baseline 16): the upper bound reaches deepest, and the
// domain's height covers it. Relation form: lower, "<", variable, "<",
// upper, the glyphs Hd/2 = 10 wide; interval form: variable, element sign
// and bracket in 3 Hd / 4, the bounds, Hd / 4 for the closing bracket.
TEST_F(DomainLayout, PartsInDrawnOrder) {
  const struct {
    const char* what;
    WORD flags;
    const char* geometry;
  } rows[] = {
      {"relation", 0, "80x40/16 30,0 0,6 50,0"},
      {"interval", 0x10, "90x40/16 0,0 25,6 55,0"},
      {"negated relation", 1, "90x40/16 40,0 10,6 60,0"},
      {"relation at level 1", 0x40, "75x40/16 27,0 0,6 45,0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    CMcDomain d(Box(10, 20, 16), Box(20, 20, 10), Box(30, 40, 16), row.flags);
    d.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(Geometry(&d), row.geometry);
    for (int i = 0; i < 3; ++i) {
      const CMcBasic* part = d.m_children[i];
      EXPECT_LE(part->m_box.y + part->m_box.height, d.m_box.height) << i;
      EXPECT_EQ(part->GetLevel(), d.GetLevel()) << "bounds keep the domain's size";
    }
  }
}

// Interval brackets around bounds 22 pixels high are one glyph of a font
// scaled to 22 (11 pixels wide at these metrics); at 23 pixels they are
// built from Symbol pieces (10 wide), top to bottom without a gap. The
// opening one starts Hd/4 before the lower bound, the closing one ends at the
// node's right edge.
TEST_F(DomainLayout, BracketsSwitchFromScaledGlyphToSymbolPiecesAbove22) {
  for (int span : {22, 23}) {
    for (int ends = 0; ends < 4; ++ends) {
      SCOPED_TRACE("span " + std::to_string(span) + " end kind " + std::to_string(ends));
      CMcDomain d(Box(10, 20, 16), Box(20, span, span - 5), Box(30, span, span - 5),
                  static_cast<WORD>(Ends(ends) | 0x10));
      d.Layout(nullptr, kMcLayoutFromTop);
      ASSERT_EQ(d.m_box.width, 90);
      Canvas canvas(120, 60);
      d.Draw(canvas.dc(), 0, 0);
      const int width = span == 22 ? 11 : 10;
      const int xl = 25 - 5, xr = 90, mid = span / 2;
      EXPECT_EQ(canvas.InkInRow(mid, xl, xl + 15), width);
      EXPECT_EQ(canvas.InkInRow(mid, xr - 15, xr + 10), width);
      EXPECT_TRUE(canvas.Ink(xl + width - 1, mid) && !canvas.Ink(xl + width, mid));
      for (int y = 0; y < span; ++y)
        EXPECT_TRUE(canvas.Ink(xl, y) && canvas.Ink(xr - 1, y)) << "gap in row " << y;
      EXPECT_FALSE(canvas.Ink(xl, span) || canvas.Ink(xr - 1, span));
    }
  }
}

// A negated domain in a product stands in its own parentheses; the closing
// bracket ends inside them instead of on top of the parenthesis.
TEST_F(DomainLayout, ClosingBracketStaysInsideTheParentheses) {
  TestNode product(McTypeWord(kMcListmult, 1));
  auto* d = new CMcDomain(Box(10, 20, 16), Box(20, 22, 17), Box(30, 22, 17), 0x11);
  product.AppendChild(d);
  d->Layout(nullptr, kMcLayoutFromTop);
  ASSERT_EQ(d->m_box.width, 90 + 16 + 6);  // sign and left parenthesis, right parenthesis
  Canvas canvas(140, 60);
  d->Draw(canvas.dc(), 0, 0);
  const int right = d->m_box.width;
  EXPECT_TRUE(canvas.Ink(right - 7, 11)) << "the bracket";
  EXPECT_FALSE(canvas.Ink(right - 6, 11)) << "the gap";
  EXPECT_TRUE(canvas.Ink(right - 1, 11)) << "the parenthesis";
}
