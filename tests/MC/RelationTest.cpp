// Relations: truth values with the snap tolerance (also 0) and NaN, the
// vector path that keeps the left side for relations that are no test, the
// symbol gap, codes beyond the table, and the caret walk.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_equality.h"
#include "SumFamilyTestSupport.h"

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
      {"2 + 3j < 3 compares real parts", 6, 0, {2, 3}, {3, 0}, eps, 1},
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
      {"0 and 5", 20, 0, {0, 0}, {5, 0}, eps, 0},
      {"2j and 5", 20, 0, {0, 2}, {5, 0}, eps, 1},
      {"0 or 5", 21, 0, {0, 0}, {5, 0}, eps, 1},
      {"NaN and 5: NaN counts as zero", 20, 0, {kNaN, 0}, {5, 0}, eps, 0},
      {"x = 5 is 0 whatever x", 0, 0, {5, 0}, {5, 0}, eps, 0},
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

// Stray high bits in the code byte never carry the type word into the next
// kind; codes beyond the table are named as the equality.
TEST(Relation, TypeWordStaysInItsKind) {
  EXPECT_EQ(CMcEquality(nullptr, nullptr, Code(23)).GetType(), 0x1318);
  EXPECT_EQ(CMcEquality(nullptr, nullptr, 0xFF00).GetType() >> 8, 0x13);
  EXPECT_STREQ(CMcEquality(nullptr, nullptr, Code(26)).GetName(), "Equality");
}

// Sides flush left and right on one baseline, the symbol's gap between them
// (gap factor x H6 / 40 with H6 = 20). With fixed metrics a glyph is a solid
// box right after the left side; a code beyond the table leaves no gap and
// draws nothing.
TEST(Relation, SymbolGapAndGlyph) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  const struct { int code, gap; } cases[] = {{0, 9}, {12, 17}, {23, 18}, {11, 8}, {22, 9}, {30, 0}};
  for (const auto& c : cases) {
    CMcEquality relation(new BoxLeaf(30, 20, 16), new BoxLeaf(10, 30, 20), Code(c.code));
    relation.Layout(nullptr, 0);
    EXPECT_EQ(relation.m_box.width, 40 + c.gap) << "code " << c.code;
    EXPECT_EQ(relation.m_baseline, 20);
    EXPECT_EQ(relation.m_box.height, 30);
    EXPECT_EQ(relation.m_children[0]->m_box.y, 4);
    EXPECT_EQ(relation.m_children[1]->m_box.x, 30 + c.gap) << "code " << c.code;
    Canvas canvas(100, 40);
    relation.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(canvas.Ink(31, 18), c.code < 24) << "code " << c.code;
    EXPECT_EQ(canvas.InkCount() > 0, c.code < 24) << "code " << c.code;
  }
}

// Relations and declarations walk the same way: before, through both sides,
// after; up and down leave for the parent.
TEST(Relation, CaretWalksBothSidesAndTerminates) {
  for (bool declaration : {false, true}) {
    CMcBasic* a = new BoxLeaf(1, 1, 1);
    CMcBasic* b = new BoxLeaf(1, 1, 1);
    CMcBasic* node = declaration ? static_cast<CMcBasic*>(new CMcDeclaration(a, b, 0))
                                 : new CMcEquality(a, b, Code(7));
    CMcGroup group(node, "", 0);
    const std::vector<CaretStop> right = {{node, 0}, {a, 0}, {a, 1}, {b, 0}, {b, 1}, {node, 1}};
    EXPECT_EQ(WalkCaret(node, 0, kMcRight), right);
    EXPECT_EQ(WalkCaret(node, 1, kMcLeft), std::vector<CaretStop>(right.rbegin(), right.rend()));
    for (int direction : {kMcUp, kMcDown}) {
      EXPECT_EQ(WalkCaret(a, 1, direction).size(), 1u);
      EXPECT_EQ(WalkCaret(node, 0, direction).size(), 1u);
    }
  }
}

}  // namespace
