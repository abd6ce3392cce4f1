// Derivatives and integrals: the three written forms of a derivative and its
// order for equal variables, the childless "D", the integral's limit column,
// its closed ring and the kinds without a table row, with fixed metrics
// (H = 20, A = 16; one level smaller 15 and 12; the large sign 40 and 32).
#include "McTestSupport.h"

using namespace mctest;

namespace {

// A variable-like leaf named name, 10 x 20 with baseline 16.
TestLeaf* Var(const char* name) {
  return new TestLeaf(name, 0, 10, 20, 16, McTypeWord(kMcVariable));
}

}  // namespace

using CalculusLayout = LayoutFixture;

// Form 0 puts d/dx (numerator H/2, denominator H/2 + 10) before the
// expression in parentheses (6 each side) with H/10 between; form 1 writes a
// variable expression in the numerator; form 2 leaves an empty expression
// out unless it has the caret. The bar lies at baseline - A + H/2 = 22, the
// variable's baseline at 40.
TEST_F(CalculusLayout, DerivativeForms) {
  const struct {
    const char* name;
    CMcBasic* expression;
    bool focused;
    CMcDerivative::Form form;
    const char* geometry;
  } rows[] = {
      {"d/dx of a sum", Box(30, 20, 16, McTypeWord(kMcListsum)), false,
       CMcDerivative::kOperatorForm, "64x44/28 28,12 10,24"},
      {"dy/dx", Var("y"), false, CMcDerivative::kNumeratorForm, "20x45/28 10,0 10,24"},
      {"d(-y)/dx", new TestLeaf("y", 1, 10, 20, 16, McTypeWord(kMcVariable)), false,
       CMcDerivative::kOperatorForm, "54x44/28 28,12 10,24"},
      {"d f(y) / dx", Fn("f", new CMcVariable("y", "", 0)), false, CMcDerivative::kNumeratorForm,
       nullptr},
      {"d/dx of f(-y)", Fn("f", new CMcVariable("y", "", kMcMinus)), false,
       CMcDerivative::kOperatorForm, nullptr},
      {"d/dx alone", new CMcNull(0), false, CMcDerivative::kBareForm, "20x45/28 22,12 10,24"},
      {"d/dx of the empty expression at the caret", new CMcNull(0), true,
       CMcDerivative::kOperatorForm, "44x44/28 28,12 10,24"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CMcDerivative d(0);
    d.AppendChild(row.expression);
    d.AppendChild(Var("x"));
    FocusScope focus(row.focused ? d.m_children[0] : nullptr, "");
    d.Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(d.GetForm(), row.form);
    EXPECT_EQ(d.IsNumeratorForm(), row.form == CMcDerivative::kNumeratorForm);
    EXPECT_TRUE(d.HasEqualVariables()) << "a single variable";
    if (row.geometry) {
      EXPECT_EQ(Geometry(&d), row.geometry);
    }

    Canvas canvas(100, 60);
    d.Draw(canvas.dc(), 0, 0);
    const McBox& e = d.m_children[0]->m_box;
    // In the operator form the bar ends where the left parenthesis begins.
    if (row.form == CMcDerivative::kOperatorForm) {
      EXPECT_EQ(canvas.InkInRow(22, 0, e.x - 6), e.x - 6) << "the fraction bar";
      EXPECT_TRUE(canvas.Ink(e.x - 3, e.y + 10)) << "the left parenthesis";
    } else {
      EXPECT_EQ(canvas.InkInRow(22, 0, 100), d.m_box.width) << "the fraction bar";
    }
  }
}

// Three equal variables are written once, after one differential and the
// order "3" (7 pixels at the smaller level), and the numerator carries the
// order too; three different ones each get their differential and no shared
// order in the denominator.
TEST_F(CalculusLayout, OrderOfEqualVariables) {
  CMcDerivative same(0), different(0);
  same.AppendChild(Var("y"));
  different.AppendChild(Var("y"));
  for (const char* name : {"x", "x", "x"}) same.AppendChild(Var(name));
  for (const char* name : {"a", "b", "c"}) different.AppendChild(Var(name));
  same.Layout(g_pMeasureDC, kMcLayoutFromTop);
  different.Layout(g_pMeasureDC, kMcLayoutFromTop);
  EXPECT_TRUE(same.HasEqualVariables());
  EXPECT_EQ(Geometry(&same), "27x45/28 17,0 17,24 17,24 17,24");
  EXPECT_FALSE(different.HasEqualVariables());
  EXPECT_EQ(Geometry(&different), "60x45/28 34,0 10,24 30,24 50,24");

  // The order's text, raised by 15/3 from the baselines 16 and 40, lies
  // between the differential (0 .. 10) and the variable (17 ..).
  Canvas canvas(100, 60);
  same.Draw(canvas.dc(), 0, 0);
  EXPECT_TRUE(canvas.Ink(13, 8)) << "order in the numerator";
  EXPECT_TRUE(canvas.Ink(13, 32)) << "order in the denominator";
  EXPECT_EQ(static_cast<TestLeaf*>(same.m_children[1])->m_draws, 1);
  EXPECT_EQ(static_cast<TestLeaf*>(same.m_children[2])->m_draws, 0) << "drawn once";
  Canvas other(100, 60);
  different.Draw(other.dc(), 0, 0);
  for (int i = 1; i <= 3; ++i) {
    const auto* v = static_cast<TestLeaf*>(different.m_children[i]);
    EXPECT_EQ(v->m_draws, 1);
    EXPECT_TRUE(other.Ink(v->m_box.x - 5, 36)) << "differential before variable " << i;
  }
}

// A derivative without children, or with only one, is a bold-cell "D".
TEST_F(CalculusLayout, DerivativeWithoutVariablesIsACapitalD) {
  CMcDerivative empty(0), single(0);
  single.AppendChild(Var("y"));
  for (CMcDerivative* d : {&empty, &single}) {
    d->Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(d->m_box.width, 10);
    EXPECT_EQ(d->m_box.height, 20);
    EXPECT_EQ(d->m_baseline, 16);
    Canvas canvas(40, 30);
    d->Draw(canvas.dc(), 0, 0);
    EXPECT_TRUE(canvas.Ink(5, 10));
  }
  EXPECT_EQ(static_cast<TestLeaf*>(single.m_children[0])->m_draws, 0);
}

// Integral of a 30 x 20 integrand over a 10-wide variable: one sign H/2 wide,
// H/2 + the variable before it. Both limits empty (7 x 15 at the smaller
// level) and without the caret: no limit column and neither is drawn; with
// the caret on the lower limit the column is 7 wide and shows that limit.
TEST_F(CalculusLayout, IntegralLimitColumn) {
  const struct {
    const char* name;
    int focus;  // child index with the caret, or -1
    const char* geometry;
    bool lowerDrawn, upperDrawn;
  } rows[] = {
      {"both hidden", -1, "60x40/26 10,10 10,25 10,0 50,10", false, false},
      {"lower at the caret", 1, "67x40/26 17,10 10,25 10,0 57,10", true, false},
      {"upper at the caret", 2, "67x40/26 17,10 10,25 10,0 57,10", true, true},
  };
  // The large sign as a cell one pixel wide, so that it leaves the limits'
  // boxes clear.
  CFont thin;
  thin.CreateFont(40, 1, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS, 0,
                  DEFAULT_QUALITY, DEFAULT_PITCH, "Symbol");
  g_fonts[kFontSymbolLarge][0] = &thin;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CMcIntegral integral(Box(30, 20, 16), new CMcNull(0), new CMcNull(0), Var("x"), 0);
    FocusScope focus(row.focus >= 0 ? integral.m_children[row.focus] : nullptr, "");
    integral.Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(integral.ShowsLimits(), row.focus >= 0);
    EXPECT_EQ(Geometry(&integral), row.geometry);
    Canvas canvas(100, 50);
    integral.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(InkIn(canvas, integral.m_children[1]->m_box), row.lowerDrawn);
    EXPECT_EQ(InkIn(canvas, integral.m_children[2]->m_box), row.upperDrawn);
  }
}

// Widths by kind (a 30-wide integrand, a 10-wide variable, no limits): the
// signs, the gap for the product sign and the differential, and the kinds 5
// to 7, which keep the room the layout gives them but draw no sign and no
// differential.
TEST_F(CalculusLayout, IntegralKinds) {
  const struct {
    int kind, product;
    int width;
    bool sign, differential;
  } rows[] = {
      {0, 0, 60, true, true},   {0, 1, 70, true, true},   {1, 0, 56, true, true},
      {2, 0, 70, true, true},   {4, 2, 90, true, true},   {5, 0, 40, false, false},
      {6, 0, 70, false, false}, {7, 0, 70, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("kind " + std::to_string(row.kind) + " product " + std::to_string(row.product));
    CMcIntegral integral(Box(30, 20, 16), new CMcNull(0), new CMcNull(0), Var("x"),
                         static_cast<WORD>(row.kind << 8 | row.product << 14));
    integral.Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(integral.m_box.width, row.width);
    Canvas canvas(120, 50);
    integral.Draw(canvas.dc(), 0, 0);
    const int integrandX = integral.m_children[0]->m_box.x;
    EXPECT_EQ(InkIn(canvas, McBox{0, 0, integrandX, 40}), row.sign);
    const int end = integrandX + 30 + (row.product ? 10 : 0);
    EXPECT_EQ(InkIn(canvas, McBox{end, 0, 120 - end, 40}), row.differential);
  }
}

// The closed integral's ring is an outline over the sign: the current brush
// (black here) does not fill it. Kind 5 draws no sign glyph, so the ring is
// all there is left of the integrand.
TEST_F(CalculusLayout, ClosedRingIsAnOutline) {
  CMcIntegral integral(Box(30, 20, 16), new CMcNull(0), new CMcNull(0), Var("x"),
                       McWithKindData(kMcVariantHigh, 5));
  integral.Layout(g_pMeasureDC, kMcLayoutFromTop);
  Canvas canvas(100, 50);
  CBrush black;
  black.CreateSolidBrush(RGB(0, 0, 0));
  canvas.dc()->SelectObject(&black);
  integral.Draw(canvas.dc(), 0, 0);
  // Centre of the ring: x 0 .. 10, y from yc - 4 to yc + 3, yc = 26 - 16 + 10.
  EXPECT_FALSE(canvas.Ink(5, 20)) << "hollow";
  EXPECT_TRUE(canvas.Ink(0, 20) || canvas.Ink(1, 20)) << "outline";
  EXPECT_GT(canvas.InkInRow(16, 0, 10), 0) << "outline";
  canvas.dc()->SelectStockObject(WHITE_BRUSH);
}
