// Products: values of every sub-kind, the sign carried by the second factor's
// array in the vector path, factor gaps and operator glyphs.
#include "MC/MC_REAL.h"
#include "MC/Mc_listmult.h"
#include "SumFamilyTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qxtest;

namespace {

CMcListmult* ProductOf(const std::vector<double>& factors, WORD flags) {
  auto* product = new CMcListmult(flags);
  for (double f : factors) product->AppendChild(new CMcReal(std::fabs(f), f < 0 ? 1 : 0));
  return product;
}

TEST(Product, ValuesOfEverySubKind) {
  const struct {
    const char* name;
    std::vector<double> factors;
    WORD flags;
    double expected;
  } cases[] = {
      {"empty product is 1", {}, 0, 1.0},
      {"negated empty product is -1", {}, 1, -1.0},
      {"2 * -3", {2, -3}, 0, -6.0},
      {"-(2 * 3 * 4)", {2, 3, 4}, 1, -24.0},
      {"juxtaposition", {2, 3}, 0x10, 6.0},
      {"cross product is the scalar product", {2, 3}, 0x20, 6.0},
      {"dot product is the scalar product", {2, 3}, 0x30, 6.0},
      {"one negated factor", {5}, 1, -5.0},
  };
  StepDoc run(2);
  for (const auto& c : cases) {
    std::unique_ptr<CMcListmult> product(ProductOf(c.factors, c.flags));
    EXPECT_EQ(Scalar(*product).re, c.expected) << c.name;
    std::unique_ptr<McComplex[]> vec(product->EvaluateVector(&run.doc));
    EXPECT_EQ(vec[1].re, c.expected) << c.name;
  }
}

// -(2 * 0): the scalar path negates the product, (-0, -0); the vector path
// multiplies 2 by the negated second factor, (2)(-0 - 0j) = (+0, -0).
TEST(Product, VectorPathNegatesTheSecondFactor) {
  std::unique_ptr<CMcListmult> product(ProductOf({2, 0}, 1));
  const McComplex scalar = Scalar(*product);
  EXPECT_TRUE(std::signbit(scalar.re) && std::signbit(scalar.im));
  StepDoc run(1);
  std::unique_ptr<McComplex[]> vec(product->EvaluateVector(&run.doc));
  EXPECT_FALSE(std::signbit(vec[0].re));
  EXPECT_TRUE(std::signbit(vec[0].im));
}

// Gaps of 4, 0, 18 and 15 fortieths of H = 20; factors share one baseline;
// with fixed metrics a glyph is a solid box from its left edge, so the dot
// operator shows at the gap before the second factor and juxtaposition's
// space shows nothing.
TEST(Product, FactorGapsAndGlyphs) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  const int gaps[4] = {2, 0, 9, 7};
  for (int s = 0; s < 4; ++s) {
    CMcListmult product(static_cast<WORD>(s << 4));
    product.AppendChild(new BoxLeaf(30, 20, 16));
    product.AppendChild(new BoxLeaf(12, 30, 20));
    product.AppendChild(new BoxLeaf(10, 20, 16));
    product.Layout(nullptr, 0);
    EXPECT_EQ(product.m_children[1]->m_box.x, 30 + gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_children[2]->m_box.x, 42 + 2 * gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_box.width, 52 + 2 * gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_baseline, 20);
    EXPECT_EQ(product.m_box.height, 30);
    EXPECT_EQ(product.m_children[0]->m_box.y, 4);

    Canvas canvas(100, 40);
    product.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(canvas.Ink(30 + 1, 20 - 2), s != 1) << "sub-kind " << s;
  }
}

}  // namespace
