// Sums, products and fractions: values and signs in both evaluation paths
// (negative zeros included), line wrapping and its limits, factor gaps and
// glyphs, a fraction's centring and bar.
#include "McTestSupport.h"

using namespace mctest;

namespace {

template <class List>
List* Of(const std::vector<double>& values, WORD flags) {
  std::vector<CMcBasic*> items;
  for (double v : values) items.push_back(Real(v));
  return ListOf<List>(flags, items);
}

}  // namespace

// An empty sum is 0, an empty product 1; bit 0 negates, plus-minus only
// draws; the product's sub-kinds all multiply. Negative zeros: the scalar
// path adds from +0, so minus zeros vanish, while the vector path keeps the
// first term's array; for -(2 * 0) the scalar path negates the product, the
// vector path the second factor's array, (2)(-0 - 0j) = (+0, -0); a fraction
// negates its quotient or its numerator's array, -0 either way.
TEST(SumFamily, ValuesAndSignsInBothPaths) {
  auto sum = [](std::vector<double> t, WORD flags) { return NodePtr(Of<CMcListsum>(t, flags)); };
  auto product = [](std::vector<double> t, WORD f) { return NodePtr(Of<CMcListmult>(t, f)); };
  auto fraction = [](double n, double d, WORD f) {
    return NodePtr(new CMcDivision(Real(n), Real(d), f));
  };
  const struct {
    const char* name;
    NodePtr node;
    double scalar, vector;  // sign bits count
  } rows[] = {
      {"empty sum", sum({}, 0), 0, 0},
      {"2 - 3", sum({2, -3}, 0), -1, -1},
      {"-(2 + 3)", sum({2, 3}, kMcMinus), -5, -5},
      {"plus-minus only draws", sum({2, 3}, kMcPlusMinus), 5, 5},
      {"minus-plus negates", sum({2, 3}, kMcSignMask), -5, -5},
      {"-0 - 0", sum({-0.0, -0.0}, 0), 0.0, -0.0},
      {"-(0 + 0)", sum({0, 0}, kMcMinus), -0.0, -0.0},
      {"empty product", product({}, 0), 1, 1},
      {"negated empty product", product({}, kMcMinus), -1, -1},
      {"2 * -3", product({2, -3}, 0), -6, -6},
      {"-(2 * 3 * 4)", product({2, 3, 4}, kMcMinus), -24, -24},
      {"juxtaposition", product({2, 3}, kMcVariant), 6, 6},
      {"cross product", product({2, 3}, kMcVariantHigh), 6, 6},
      {"negated dot product", product({2, 3}, kMcVariantMask | kMcMinus), -6, -6},
      {"-(2 * 0)", product({2, 0}, kMcMinus), -0.0, 0.0},
      {"-(6/3)", fraction(6, 3, kMcMinus), -2, -2},
      {"6/(-3)", fraction(6, -3, 0), -2, -2},
      {"0/2", fraction(0, 2, 0), 0.0, 0.0},
      {"-(0/2)", fraction(0, 2, kMcMinus), -0.0, -0.0},
  };
  auto doc = SignalDoc(3);
  for (const auto& row : rows) {
    const double scalar = Eval(row.node.get()).re;
    Values vec(row.node->EvaluateVector(doc.get()));
    EXPECT_EQ(scalar, row.scalar) << row.name;
    EXPECT_EQ(std::signbit(scalar), std::signbit(row.scalar)) << row.name;
    EXPECT_EQ(vec[2].re, row.vector) << row.name;
    EXPECT_EQ(std::signbit(vec[2].re), std::signbit(row.vector)) << row.name;
  }
}

using SumLayout = LayoutFixture;

// At H = 20 the limit is 600 pixels at the top of a formula and 360 inside a
// relation; unsigned terms after the first are 10 wider (the plus prefix); no
// line ends before the third term, and a tall term keeps later lines as tall.
TEST_F(SumLayout, WrapLimits) {
  struct Term {
    int w, h, bl;
  };
  const std::vector<Term> eight(8, Term{100, 20, 16}), wide(3, Term{700, 20, 16});
  const std::vector<Term> tall = {{300, 40, 30}, {200, 20, 16}, {200, 20, 16}, {50, 20, 16}};
  const struct {
    const std::vector<Term>& terms;
    bool inRelation;
    const char* geometry;  // wrapped: the baseline centred
  } rows[] = {
      {eight, false, "540x40/26 0,0 100,0 210,0 320,0 430,0 0,20 110,20 220,20"},
      {eight, true, "330x60/36 0,0 100,0 210,0 0,20 110,20 220,20 0,40 110,40"},
      {wide, false, "1410x40/26 0,0 700,0 0,20"},
      {tall, false, "510x80/46 0,0 300,14 0,54 210,54"},
  };
  for (const auto& row : rows) {
    auto* sum = new CMcListsum(0);
    for (const Term& t : row.terms) sum->AppendChild(Box(t.w, t.h, t.bl));
    CMcEquality relation(sum, Box(1, 1, 1), 0);
    NodePtr alone;
    if (row.inRelation) {
      relation.Layout(nullptr, kMcLayoutFromTop);
    } else {
      alone.reset(relation.RemoveChildAt(0));
      alone->m_parent = nullptr;
      alone->Layout(nullptr, kMcLayoutFromTop);
    }
    EXPECT_EQ(Geometry(sum), row.geometry);
  }
}

// Gaps of 4, 0, 18 and 15 fortieths of H (2, 0, 9, 7) per sub-kind; factors share one
// baseline; a glyph is a solid box with fixed metrics, so the operator shows
// in the gap before the second factor and juxtaposition's space shows nothing.
TEST_F(SumLayout, ProductGapsAndGlyphs) {
  const char* geometry[4] = {"56x30/20 0,4 32,0 46,4", "52x30/20 0,4 30,0 42,4",
                             "70x30/20 0,4 39,0 60,4", "66x30/20 0,4 37,0 56,4"};
  for (int s = 0; s < 4; ++s) {
    NodePtr product(Prod({Box(30, 20, 16), Box(12, 30, 20), Box(10, 20, 16)}, s << 4));
    product->Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(Geometry(product.get()), geometry[s]);
    Canvas canvas(100, 40);
    product->Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(canvas.Ink(30 + 1, 20 - 2), s != 1) << "sub-kind " << s;
  }
}

// H = 20, ascent 16: the baseline lies 2 pixels below the axis under the
// numerator and both parts are centred on the wider one. Parts 60 pixels high
// together keep the thin bar, 61 get the 2-pixel bar; a fraction over 63
// pixels grows one pixel and two columns. The bar is drawn t rows thick
// between the parts.
TEST_F(SumLayout, CentringAndTheBar) {
  const struct {
    int numW, numH, denW, denH, thickness;
    const char* geometry;
  } rows[] = {
      {30, 20, 11, 20, 1, "30x43/28 0,0 10,23"},
      {30, 30, 30, 30, 1, "30x63/38 0,0 0,33"},
      {30, 30, 11, 31, 2, "32x65/38 1,0 11,34"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.geometry);
    CMcDivision f(Box(row.numW, row.numH, 16), Box(row.denW, row.denH, 16), 0);
    f.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(Geometry(&f), row.geometry);
    EXPECT_EQ(f.BarThickness(), row.thickness);
    Canvas canvas(60, 100);
    f.Draw(canvas.dc(), 0, 0);
    std::vector<int> inkRows;
    for (int y = 0; y < 100; ++y)
      if (canvas.Ink(15, y)) inkRows.push_back(y);
    ASSERT_EQ(inkRows.size(), static_cast<size_t>(row.thickness));
    EXPECT_GT(inkRows[0], row.numH);  // between the parts
    EXPECT_LT(inkRows.back(), f.m_children[1]->m_box.y);
  }
}
