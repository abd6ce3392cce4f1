// Products: values and sub-kinds, the sign carried by the second factor's
// array in the vector path, factor gaps and operator glyphs.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_listmult.h"
#include "SumFamilyTestSupport.h"
#include "platform/gdi/DC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qxtest;

namespace {

CMcListmult* ProductOf(std::initializer_list<double> factors, WORD flags = 0) {
  auto* product = new CMcListmult(flags);
  for (double f : factors) product->AppendChild(new CMcReal(std::fabs(f), f < 0 ? 1 : 0));
  return product;
}

TEST(Product, ValuesOfEverySubKind) {
  struct Case {
    const char* name;
    std::initializer_list<double> factors;
    WORD flags;
    double expected;
  } cases[] = {
      {"empty product is 1", {}, 0, 1.0},
      {"negated empty product is -1", {}, 1, -1.0},
      {"2 * 3", {2, 3}, 0, 6.0},
      {"2 * -3", {2, -3}, 0, -6.0},
      {"-(2 * 3 * 4)", {2, 3, 4}, 1, -24.0},
      {"juxtaposition", {2, 3}, 0x10, 6.0},
      {"cross product is the scalar product", {2, 3}, 0x20, 6.0},
      {"dot product is the scalar product", {2, 3}, 0x30, 6.0},
      {"one negated factor", {5}, 1, -5.0},
  };
  StepDoc run(2);
  for (const Case& c : cases) {
    std::unique_ptr<CMcListmult> product(ProductOf(c.factors, c.flags));
    EXPECT_EQ(Scalar(*product).re, c.expected) << c.name;
    std::unique_ptr<McComplex[]> vec(product->EvaluateVector(&run.doc));
    EXPECT_EQ(vec[1].re, c.expected) << c.name;
  }
}

TEST(Product, TypeWordsAndNames) {
  const struct {
    WORD flags;
    WORD type;
    const char* name;
  } cases[] = {{0x00, 0x0F01, "Multiplication"},
               {0x10, 0x0F01, "Multiplication"},
               {0x20, 0x0F02, "Cross product"},
               {0x30, 0x0F03, "Dot product"}};
  for (const auto& c : cases) {
    CMcListmult product(c.flags);
    EXPECT_EQ(product.GetType(), c.type);
    EXPECT_STREQ(product.GetName(), c.name);
  }
}

// -(2 * 0): the scalar path negates the product, (-0, -0); the vector path
// multiplies 2 by the negated second factor, (2)(-0 - 0j) = (+0, -0).
TEST(Product, VectorPathNegatesTheSecondFactor) {
  std::unique_ptr<CMcListmult> product(ProductOf({2, 0}, 1));
  const McComplex scalar = Scalar(*product);
  EXPECT_TRUE(std::signbit(scalar.re));
  EXPECT_TRUE(std::signbit(scalar.im));
  StepDoc run(1);
  std::unique_ptr<McComplex[]> vec(product->EvaluateVector(&run.doc));
  EXPECT_EQ(vec[0].re, 0.0);
  EXPECT_FALSE(std::signbit(vec[0].re));
  EXPECT_TRUE(std::signbit(vec[0].im));
}

// Gaps of 4, 0, 18 and 15 fortieths of H = 20, and factors on one baseline.
TEST(Product, FactorGapsAndBaseline) {
  FixedFontTables fonts;
  const int gaps[4] = {2, 0, 9, 7};
  for (int s = 0; s < 4; ++s) {
    CMcListmult product(static_cast<WORD>(s << 4));
    product.AppendChild(new BoxLeaf(10, 20, 16));
    product.AppendChild(new BoxLeaf(12, 30, 20));
    product.AppendChild(new BoxLeaf(10, 20, 16));
    product.Layout(nullptr, 0);
    EXPECT_EQ(product.m_children[1]->m_box.x, 10 + gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_children[2]->m_box.x, 22 + 2 * gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_box.width, 32 + 2 * gaps[s]) << "sub-kind " << s;
    EXPECT_EQ(product.m_baseline, 20);
    EXPECT_EQ(product.m_box.height, 20 + 10);
    EXPECT_EQ(product.m_children[0]->m_box.y, 4);
    EXPECT_EQ(product.m_children[1]->m_box.y, 0);
  }
}

// With fixed metrics a glyph is a solid box from its left edge; the dot
// operator stands at the gap before the second factor, juxtaposition shows
// nothing there.
TEST(Product, OperatorGlyphBeforeEveryFactorButTheFirst) {
  FixedMetricsResources resources;
  {
    FixedFontTables fonts;
    for (int s : {0, 1}) {
      CMcListmult product(static_cast<WORD>(s << 4));
      product.AppendChild(new BoxLeaf(30, 20, 16));
      product.AppendChild(new BoxLeaf(30, 20, 16));
      product.Layout(nullptr, 0);
      CDC dc;
      ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
      CBitmap bitmap;
      ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 100, 40));
      CBitmap* old = dc.SelectObject(&bitmap);
      dc.FillSolidRect(0, 0, 100, 40, RGB(255, 255, 255));
      dc.SetTextColor(RGB(0, 0, 0));
      dc.SetBkMode(TRANSPARENT);
      dc.SetTextAlign(TA_LEFT | TA_BASELINE);
      product.Draw(&dc, 0, 0);
      const int gap = s == 0 ? 2 : 0;
      const int glyphX = product.m_children[1]->m_box.x - gap;
      const COLORREF ink = dc.GetPixel(glyphX + 1, product.m_baseline - 2);
      EXPECT_EQ(ink == RGB(0, 0, 0), s == 0) << "sub-kind " << s;
      dc.SelectObject(old);
    }
  }
}

TEST(Product, CompareChecksSubKindAndIgnoresOrder) {
  std::unique_ptr<CMcListmult> ab(ProductOf({1, 2}));
  std::unique_ptr<CMcListmult> ba(ProductOf({2, 1}, 0x10));
  std::unique_ptr<CMcListmult> cross(ProductOf({1, 2}, 0x20));
  EXPECT_EQ(ab->Compare(ba.get()), 0);  // sub-kinds 0 and 1 share a type word
  EXPECT_EQ(ab->Compare(cross.get()), 0x20);
}

}  // namespace
