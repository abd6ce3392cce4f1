// Relations: truth values with the snap tolerance (also 0) and NaN, the
// vector path that keeps the left side for relations that are no test, the
// symbol gap, codes beyond the table, and the caret walk.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_equality.h"
#include "SumFamilyTestSupport.h"
#include "platform/gdi/DC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qxtest;

namespace {

const double kNaN = std::nan("");

WORD Code(int code, WORD sign = 0) {
  return static_cast<WORD>(code << 8 | sign);
}

// Keeps g_dSnapTolerance for one test.
struct Tolerance {
  explicit Tolerance(double eps) : saved(g_dSnapTolerance) { g_dSnapTolerance = eps; }
  ~Tolerance() { g_dSnapTolerance = saved; }
  double saved;
};

TEST(Relation, TruthValues) {
  const double eps = 1e-9;
  const struct {
    const char* name;
    int code;
    WORD sign;
    McComplex left, right;
    double tolerance;
    double expected;
  } cases[] = {
      {"t > 1 at t = 1", 7, 0, {1, 0}, {1, 0}, eps, 0},
      {"t > 1 at t = 2", 7, 0, {2, 0}, {1, 0}, eps, 1},
      {"negated t > 1 at t = 2", 7, 1, {2, 0}, {1, 0}, eps, -1},
      {"negated false stays 0", 7, 1, {0, 0}, {1, 0}, eps, 0},
      {"2 + 3j < 3 compares real parts", 6, 0, {2, 3}, {3, 0}, eps, 1},
      {"1 <= 1", 8, 0, {1, 0}, {1, 0}, eps, 1},
      {"1 >= 2", 9, 0, {1, 0}, {2, 0}, eps, 0},
      {"1 approximately 1 + eps/2", 4, 0, {1, 0}, {1 + eps / 2, 0}, eps, 1},
      {"1 not equal 1 + eps/2", 3, 0, {1, 0}, {1 + eps / 2, 0}, eps, 0},
      {"1 test-equal 1 + 2 eps", 23, 0, {1, 0}, {1 + 2 * eps, 0}, eps, 0},
      {"complex sides differ by their modulus", 3, 0, {1, 0}, {1, 1}, eps, 1},
      {"eps 0: approximate fails on equal sides", 4, 0, {1, 0}, {1, 0}, 0, 0},
      {"eps 0: test equality fails on equal sides", 23, 0, {1, 0}, {1, 0}, 0, 0},
      {"eps 0: not equal holds on equal sides", 3, 0, {1, 0}, {1, 0}, 0, 1},
      {"NaN < 1", 6, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"NaN > 1", 7, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN <= 1", 8, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"NaN >= 1", 9, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN not equal 1", 3, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN approximately 1", 4, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"NaN test-equal 1", 23, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"0 and 5", 20, 0, {0, 0}, {5, 0}, eps, 0},
      {"2j and 5", 20, 0, {0, 2}, {5, 0}, eps, 1},
      {"0 or 5", 21, 0, {0, 0}, {5, 0}, eps, 1},
      {"0 or 0", 21, 0, {0, 0}, {0, 0}, eps, 0},
      {"NaN and 5: NaN counts as zero", 20, 0, {kNaN, 0}, {5, 0}, eps, 0},
      {"NaN or 0", 21, 0, {kNaN, 0}, {0, 0}, eps, 0},
      {"x = 5 is 0 whatever x", 0, 0, {5, 0}, {5, 0}, eps, 0},
      {"tends to is 0", 12, 0, {1, 0}, {2, 0}, eps, 0},
      {"code 27 names no relation", 27, 0, {2, 0}, {1, 0}, eps, 0},
  };
  for (const auto& c : cases) {
    Tolerance tolerance(c.tolerance);
    CMcEquality relation(new ValueLeaf(c.left), new ValueLeaf(c.right), Code(c.code, c.sign));
    g_bEvalError = 0;
    const McComplex value = Scalar(relation);
    EXPECT_EQ(value.re, c.expected) << c.name;
    EXPECT_EQ(value.im, 0.0) << c.name;
    EXPECT_EQ(g_bEvalError, 0) << c.name;
  }
}

// Tests give the same values sample by sample; any other relation returns
// its left side's samples (a definition x = 5 yields the samples of x).
TEST(Relation, VectorPath) {
  Tolerance tolerance(1e-9);
  StepDoc run(3);
  for (int code : {0, 3, 4, 6, 7, 8, 9, 12, 20, 21, 23, 30}) {
    for (WORD sign : {0, 1}) {
      CMcEquality relation(new ValueLeaf({2, 1}), new ValueLeaf({2, 0}), Code(code, sign));
      const McComplex scalar = Scalar(relation);
      std::unique_ptr<McComplex[]> vec(relation.EvaluateVector(&run.doc));
      const bool test = McRelationIsTest(code);
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(vec[k].re, test ? scalar.re : 2.0) << "code " << code << " sign " << sign;
        EXPECT_EQ(vec[k].im, test ? 0.0 : 1.0) << "code " << code << " sign " << sign;
      }
    }
  }
}

TEST(Relation, TypeWordsAndNames) {
  EXPECT_EQ(CMcEquality(nullptr, nullptr, Code(0)).GetType(), 0x1301);
  EXPECT_EQ(CMcEquality(nullptr, nullptr, Code(23)).GetType(), 0x1318);
  EXPECT_STREQ(CMcEquality(nullptr, nullptr, Code(19)).GetName(), "Scaling");
  EXPECT_STREQ(CMcEquality(nullptr, nullptr, Code(22)).GetName(), "Definition");
  EXPECT_STREQ(CMcEquality(nullptr, nullptr, Code(26)).GetName(), "Equality");
  // Stray high bits never carry the type word into the next kind.
  EXPECT_EQ(CMcEquality(nullptr, nullptr, 0xFF00).GetType() >> 8, 0x13);
}

// Sides flush left and right on one baseline, the symbol's gap between them
// (gap factor x H6 / 40 with H6 = 20); a code beyond the table leaves none.
TEST(Relation, SidesAroundTheSymbolGap) {
  FixedFontTables fonts;
  const struct { int code, gap; } cases[] = {{0, 9}, {12, 17}, {23, 18}, {11, 8}, {30, 0}};
  for (const auto& c : cases) {
    CMcEquality relation(new BoxLeaf(30, 20, 16), new BoxLeaf(10, 30, 20), Code(c.code));
    relation.Layout(nullptr, 0);
    EXPECT_EQ(relation.m_box.width, 40 + c.gap) << "code " << c.code;
    EXPECT_EQ(relation.m_baseline, 20);
    EXPECT_EQ(relation.m_box.height, 30);
    EXPECT_EQ(relation.m_children[0]->m_box.y, 4);
    EXPECT_EQ(relation.m_children[1]->m_box.x, 30 + c.gap) << "code " << c.code;
  }
}

// With fixed metrics a glyph is a solid box: "=" shows right after the left
// side, a damaged code shows nothing.
TEST(Relation, UnknownCodeDrawsNoSymbol) {
  FixedMetricsResources resources;
  {
    FixedFontTables fonts;
    for (int code : {0, 22, 31}) {
      CMcEquality relation(new BoxLeaf(30, 20, 16), new BoxLeaf(30, 20, 16), Code(code));
      relation.Layout(nullptr, 0);
      CDC dc;
      ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
      CBitmap bitmap;
      ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 100, 40));
      CBitmap* old = dc.SelectObject(&bitmap);
      dc.FillSolidRect(0, 0, 100, 40, RGB(255, 255, 255));
      dc.SetTextColor(RGB(0, 0, 0));
      dc.SetBkMode(TRANSPARENT);
      dc.SetTextAlign(TA_LEFT | TA_BASELINE);
      relation.Draw(&dc, 0, 0);
      int ink = 0;
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) ink += dc.GetPixel(x, y) == RGB(0, 0, 0);
      }
      EXPECT_EQ(ink > 0, code < 24) << "code " << code;
      EXPECT_EQ(dc.GetPixel(31, 14) == RGB(0, 0, 0), code < 24) << "code " << code;
      dc.SelectObject(old);
    }
  }
}

TEST(Relation, CaretWalksBothSidesAndTerminates) {
  CMcBasic* a = new BoxLeaf(1, 1, 1);
  CMcBasic* b = new BoxLeaf(1, 1, 1);
  auto* relation = new CMcEquality(a, b, Code(7));
  CMcGroup group(relation, "", 0);
  const std::vector<CaretStop> right = {{relation, 0}, {a, 0}, {a, 1},
                                        {b, 0},        {b, 1}, {relation, 1}};
  EXPECT_EQ(WalkCaret(relation, 0, kMcRight), right);
  EXPECT_EQ(WalkCaret(relation, 1, kMcLeft), std::vector<CaretStop>(right.rbegin(), right.rend()));
  for (int direction : {kMcUp, kMcDown}) {
    EXPECT_EQ(WalkCaret(a, 1, direction).size(), 1u);
    EXPECT_EQ(WalkCaret(relation, 0, direction).size(), 1u);
  }
}

TEST(Relation, CompareIncludesTheCode) {
  CMcEquality less(new CMcReal(1, 0), new CMcReal(2, 0), Code(6));
  CMcEquality greater(new CMcReal(1, 0), new CMcReal(2, 0), Code(7));
  CMcEquality lessNegated(new CMcReal(1, 0), new CMcReal(2, 0), Code(6, 1));
  CMcEquality lessOther(new CMcReal(1, 0), new CMcReal(3, 0), Code(6));
  EXPECT_EQ(less.Compare(&greater), 0x20);
  EXPECT_EQ(less.Compare(&lessNegated), 1);
  EXPECT_EQ(less.Compare(&lessOther), 8);
  std::unique_ptr<CMcBasic> copy(less.Clone());
  EXPECT_EQ(less.Compare(copy.get()), 0);
}

}  // namespace
