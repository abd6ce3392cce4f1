// Roots and logarithms: values against std::complex in both evaluation
// paths, the values that are not finite without an error, and the layout and
// drawing of the radical and of "ln", "log" and "log" with a subscript.
#include "McTestSupport.h"

#include <complex>

using namespace mctest;

namespace {

using C = std::complex<double>;

ValueLeaf* Value(C c) {
  return new ValueLeaf(Mc(c));
}

CMcVariable* ConstantE() {
  return new CMcVariable("e", "", kMcConstant);
}

// Distance in units in the last place between two doubles of the same sign.
int64_t Ulps(double a, double b) {
  int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

}  // namespace

TEST(RootLog, ValuesAgreeWithStdComplexInBothPaths) {
  const struct {
    const char* name;
    bool root;        // else a logarithm
    C first, second;  // radicand and degree, or argument and base
    C expected;
  } rows[] = {
      {"cube root of -8 is principal", true, {-8, 0}, {3, 0}, {1, std::sqrt(3.0)}},
      {"square root of j", true, {0, 1}, {2, 0}, std::sqrt(C(0, 1))},
      {"root of degree 2 - j", true, {1, 1}, {2, -1}, std::pow(C(1, 1), 1.0 / C(2, -1))},
      {"root of degree -2 of 4", true, {4, 0}, {-2, 0}, {0.5, 0}},
      {"square root of 0", true, {0, 0}, {2, 0}, {0, 0}},
      {"log2 8", false, {8, 0}, {2, 0}, {3, 0}},
      {"ln -1", false, {-1, 0}, {std::exp(1.0), 0}, std::log(C(-1, 0))},
      {"log to base 1 + j", false, {2, -3}, {1, 1}, std::log(C(2, -3)) / std::log(C(1, 1))},
  };
  auto doc = SignalDoc(3);
  for (const auto& row : rows) {
    for (WORD sign : {0, 1}) {
      SCOPED_TRACE(std::string(row.name) + (sign ? " negated" : ""));
      NodePtr node(
          row.root ? static_cast<CMcBasic*>(new CMcRoot(Value(row.first), Value(row.second), sign))
                   : new CMcLog(Value(row.first), Value(row.second), sign));
      const C expected = row.expected * (sign ? -1.0 : 1.0);
      g_bEvalError = 0;
      const McComplex scalar = Eval(node.get());
      EXPECT_TRUE(Near(scalar, {expected.real(), expected.imag()}, 1e-14))
          << scalar.re << " + " << scalar.im << "j";
      Values vec(node->EvaluateVector(doc.get()));
      EXPECT_EQ(vec[2].re, scalar.re);
      EXPECT_EQ(vec[2].im, scalar.im);
      EXPECT_FALSE(TakeEvalError());
    }
  }
}

TEST(RootLog, LogTwoOfEightIsThreeWithinFourUlps) {
  CMcLog log2(Real(8), Real(2), 0);
  const McComplex v = Eval(&log2);
  EXPECT_LE(Ulps(v.re, 3.0), 4) << v.re;
  EXPECT_EQ(v.im, 0.0);
}

// Degree 0, base 1 and the logarithm of 0 are numeric failures: they travel
// as values that are not finite, and the error flag stays as it was.
TEST(RootLog, DomainFailuresAreNotFiniteAndRaiseNoError) {
  const struct {
    const char* name;
    std::function<CMcBasic*()> make;
  } rows[] = {
      {"root of degree 0", [] { return new CMcRoot(Real(5), Real(0), 0); }},
      {"log to base 1", [] { return new CMcLog(Real(5), Real(1), 0); }},
      {"ln 0", [] { return new CMcLog(Real(0), ConstantE(), 0); }},
  };
  auto doc = SignalDoc(2);
  for (int before : {0, 1}) {
    for (const auto& row : rows) {
      NodePtr node(row.make());
      g_bEvalError = before;
      const McComplex v = Eval(node.get());
      EXPECT_FALSE(std::isfinite(v.re) && std::isfinite(v.im)) << row.name;
      Values vec(node->EvaluateVector(doc.get()));
      EXPECT_FALSE(std::isfinite(vec[1].re) && std::isfinite(vec[1].im)) << row.name;
      EXPECT_EQ(g_bEvalError, before) << row.name;
    }
  }
  g_bEvalError = 0;
}

// ---- layout and drawing (H = 20, A = 16) ---------------------------------------

using RootLogLayout = LayoutFixture;

// The square root's 2 keeps its room but is drawn only while it has the
// caret; any other degree is drawn. The radicand (30 x 20) stands right of
// the degree with 2 + H/10 between them, its bar 2 pixels over it.
TEST_F(RootLogLayout, SquareRootHidesItsTwoButKeepsItsWidth) {
  const struct {
    const char* name;
    double degree;
    bool focused, drawn;
  } rows[] = {
      {"square root", 2, false, false},
      {"square root, degree at the caret", 2, true, true},
      {"cube root", 3, false, true},
  };
  std::string geometry;
  for (const auto& row : rows) {
    CMcRoot root(Box(30, 20, 16), new CMcReal(row.degree, 0), 0);
    FocusScope focus(row.focused ? root.m_children[1] : nullptr, "");
    root.Layout(g_pMeasureDC, kMcLayoutFromTop);
    const McBox& d = root.m_children[1]->m_box;
    EXPECT_EQ(root.m_box.width, 30 + d.width + 2 + 2) << row.name;
    EXPECT_EQ(root.m_children[0]->m_box.x, d.width + 4) << row.name;
    EXPECT_EQ(d.y + d.height, root.m_box.height - 20 / 3) << row.name;
    if (geometry.empty()) geometry = Geometry(&root);
    EXPECT_EQ(Geometry(&root), geometry) << row.name;
    Canvas canvas(80, 40);
    root.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(InkIn(canvas, root.m_children[1]->m_box), row.drawn) << row.name;
    const int x0 = root.m_children[0]->m_box.x;
    EXPECT_EQ(canvas.InkInRow(root.m_children[0]->m_box.y - 2, x0, x0 + 29), 29) << "the bar";
  }
}

// Level 0 draws the radical with the pen of width index 1, smaller levels with
// index 0, both in the colour the text colour names. The two real pens are
// both one pixel wide; the test swaps in a blue pen three pixels wide for
// index 1 to tell them apart.
TEST_F(RootLogLayout, RadicalPenFollowsTheLevelAndTheTextColour) {
  CPen* saved = g_pens[1][1];
  CPen wide(PS_SOLID, 3, g_nodeColors[1]);
  g_pens[1][1] = &wide;
  for (int level : {0, 1}) {
    CMcRoot root(Box(30, 20, 16), Box(8, 10, 8), static_cast<WORD>(level << 6));
    root.Layout(g_pMeasureDC, kMcLayoutFromTop);
    Canvas canvas(80, 40);
    canvas.dc()->SetTextColor(g_nodeColors[1]);
    root.Draw(canvas.dc(), 0, 10);  // room above the bar for the wide pen
    const McBox& r = root.m_children[0]->m_box;
    const int column = r.x + r.width / 2;
    int thickness = 0;
    for (int y = 0; y < 10 + r.y + 2; ++y) {
      if (!canvas.Ink(column, y)) continue;
      ++thickness;
      EXPECT_EQ(canvas.dc()->GetPixel(column, y), g_nodeColors[1]) << "level " << level;
    }
    EXPECT_EQ(thickness, level == 0 ? 3 : 1) << "level " << level;
  }
  g_pens[1][1] = saved;
}

// The name's width: "ln" 25/40 H = 12, "log" 42/40 H = 21; a variable
// argument (10 x 20) stands after it in parentheses of H/3 = 6. The
// subscript, the base one level smaller, only for bases other than e and 10,
// its top H/2 below the top of the name's line (baseline 16 + 10 - 16).
TEST_F(RootLogLayout, NamesAndSubscripts) {
  const struct {
    const char* name;
    CMcBasic* base;
    CMcLog::NameKind kind;
    int nameWidth;
  } rows[] = {
      {"ln", ConstantE(), CMcLog::kNatural, 12},
      {"log10", new CMcReal(10, 0), CMcLog::kCommon, 21},
      {"log10 of a negated 10", new CMcReal(10, kMcMinus), CMcLog::kCommon, 21},
      {"log2", new CMcReal(2, 0), CMcLog::kWithBase, 21},
      {"log to base e with a minus", new CMcVariable("e", "", kMcConstant | kMcMinus),
       CMcLog::kWithBase, 21},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CMcLog log(Box(10, 20, 16, McTypeWord(kMcVariable)), row.base, 0);
    log.Layout(g_pMeasureDC, kMcLayoutFromTop);
    ASSERT_EQ(log.GetNameKind(), row.kind);
    EXPECT_EQ(log.NameWidth(), row.nameWidth);
    const McBox& base = log.m_children[1]->m_box;
    const int subscript = row.kind == CMcLog::kWithBase ? base.width : 0;
    EXPECT_EQ(log.m_box.width, row.nameWidth + 6 + 10 + 6 + subscript);
    EXPECT_EQ(log.m_children[0]->m_box.x, row.nameWidth + subscript + 6);
    EXPECT_EQ(base.x, row.nameWidth);
    EXPECT_EQ(base.y, 10);
    // Below the name's cell only the subscript can leave ink.
    Canvas canvas(80, 40);
    log.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(InkIn(canvas, McBox{base.x, 20, base.width, base.y + base.height - 20}),
              row.kind == CMcLog::kWithBase);
  }
  // At the caret even the base 10 is written out.
  CMcLog log(Box(10, 20, 16, McTypeWord(kMcVariable)), new CMcReal(10, 0), 0);
  FocusScope focus(log.m_children[1], "");
  EXPECT_EQ(log.GetNameKind(), CMcLog::kWithBase);
}

// Squared, log2 x takes its exponent right after "log" (offset 21), above the
// subscript, and widens for the wider of exponent and subscript.
TEST_F(RootLogLayout, ExponentOfALogarithmStandsAfterItsName) {
  for (int exponentWidth : {30, 4}) {
    CMcPower power(new CMcLog(Box(10, 20, 16, McTypeWord(kMcVariable)), new CMcReal(2, 0), 0),
                   Box(exponentWidth, 15, 12), 0);
    power.Layout(g_pMeasureDC, kMcLayoutFromTop);
    const CMcBasic* log = power.m_children[0];
    const int subscript = log->m_children[1]->m_box.width;
    EXPECT_EQ(power.ExponentOffset(), 21) << exponentWidth;
    EXPECT_EQ(power.m_children[1]->m_box.x, 21) << exponentWidth;
    EXPECT_EQ(log->m_box.width, 21 + std::max(exponentWidth, subscript) + 22) << exponentWidth;
    EXPECT_LE(power.m_children[1]->m_box.y + power.m_children[1]->m_box.height,
              log->m_box.y + log->m_children[1]->m_box.y)
        << "above the subscript";
  }
}
