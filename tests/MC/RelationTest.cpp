// Relations and declarations: truth values with the snap tolerance (also 0)
// and NaN, the vector path that keeps the left side for relations that are
// no test, the symbol gap, codes beyond the table and tab stops.
#include "McTestSupport.h"

#include <set>

using namespace mctest;

namespace {

WORD Code(int code, WORD sign = 0) {
  return static_cast<WORD>(code << 8 | sign);
}

// Keeps g_dSnapTolerance for one test.
struct Tolerance {
  explicit Tolerance(double eps) : saved(g_dSnapTolerance) { g_dSnapTolerance = eps; }
  ~Tolerance() { g_dSnapTolerance = saved; }
  double saved;
};

}  // namespace

TEST(Relation, TruthValues) {
  const double eps = 1e-9;
  const struct {
    const char* name;
    int code;
    WORD sign;
    McComplex left, right;
    double tolerance, expected;
  } rows[] = {
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
      {"1 <= 1", 8, 0, {1, 0}, {1, 0}, eps, 1},
      {"1 >= 1", 9, 0, {1, 0}, {1, 0}, eps, 1},
      {"NaN <= 1", 8, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"NaN >= 1", 9, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN < 1", 6, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"NaN > 1", 7, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN not equal 1", 3, 0, {kNaN, 0}, {1, 0}, eps, 0},
      {"NaN approximately 1", 4, 0, {kNaN, 0}, {1, 0}, eps, 1},
      {"0 and 5", 20, 0, {0, 0}, {5, 0}, eps, 0},
      {"2j and 5", 20, 0, {0, 2}, {5, 0}, eps, 1},
      {"0 or 5", 21, 0, {0, 0}, {5, 0}, eps, 1},
      {"NaN and 5: NaN counts as zero", 20, 0, {kNaN, 0}, {5, 0}, eps, 0},
      {"x = 5 is 0 whatever x", 0, 0, {5, 0}, {5, 0}, eps, 0},
      {"code 27 names no relation", 27, 0, {2, 0}, {1, 0}, eps, 0},
  };
  g_bEvalError = 0;
  for (const auto& row : rows) {
    Tolerance tolerance(row.tolerance);
    CMcEquality relation(new ValueLeaf(row.left), new ValueLeaf(row.right),
                         Code(row.code, row.sign));
    const McComplex value = Eval(&relation);
    EXPECT_EQ(value.re, row.expected) << row.name;
    EXPECT_EQ(value.im, 0.0) << row.name;
    EXPECT_FALSE(TakeEvalError()) << row.name;
  }
}

// A documented difference: tests give the same values sample by sample; any
// other relation returns its left side's samples (a definition x = 5 yields
// the samples of x).
TEST(Relation, VectorPath) {
  Tolerance tolerance(1e-9);
  auto doc = SignalDoc(3);
  const std::set<int> tests = {3, 4, 6, 7, 8, 9, 20, 21, 23};
  for (int code : {0, 3, 4, 6, 7, 8, 9, 12, 20, 21, 23, 30}) {
    for (WORD sign : {0, 1}) {
      CMcEquality relation(new ValueLeaf({2, 1}), new ValueLeaf({2, 0}), Code(code, sign));
      const McComplex scalar = Eval(&relation);
      Values vec(relation.EvaluateVector(doc.get()));
      const bool test = tests.count(code) > 0;
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(vec[k].re, test ? scalar.re : 2.0) << "code " << code << " sign " << sign;
        EXPECT_EQ(vec[k].im, test ? 0.0 : 1.0) << "code " << code << " sign " << sign;
      }
    }
  }
}

// 7 (1 < t) or 7 (c): the formula's value where the condition holds (a NaN
// side counts as less), NaN where it is zero or NaN, in both paths.
TEST(Declaration, ValueWhereTheConditionHolds) {
  const struct {
    const char* name;
    bool relation;  // the condition is 1 < t with t = value.re
    McComplex value;
    WORD sign;
    double expected;  // NaN: undefined
  } rows[] = {
      {"7 (1 < 0)", true, {0, 0}, 0, kNaN},   {"7 (1 < 2)", true, {2, 0}, 0, 7},
      {"-7 (1 < 2)", true, {2, 0}, 1, -7},    {"-7 (1 < 0)", true, {0, 0}, 1, kNaN},
      {"7 (1 < NaN)", true, {kNaN, 0}, 0, 7}, {"7 (-0)", false, {-0.0, 0}, 0, kNaN},
      {"7 (NaN)", false, {kNaN, 0}, 0, kNaN}, {"7 (NaN j)", false, {0, kNaN}, 0, kNaN},
      {"7 (2j)", false, {0, 2}, 0, 7},
  };
  auto doc = SignalDoc(2);
  for (const auto& row : rows) {
    CMcBasic* condition =
        row.relation ? new CMcEquality(new ValueLeaf({1, 0}), new ValueLeaf(row.value), Code(6))
                     : static_cast<CMcBasic*>(new ValueLeaf(row.value));
    CMcDeclaration declaration(Real(7), condition, row.sign);
    Values vec(declaration.EvaluateVector(doc.get()));
    for (const McComplex& v : {Eval(&declaration), vec[0], vec[1]}) {
      if (std::isnan(row.expected)) {
        EXPECT_TRUE(std::isnan(v.re) && std::isnan(v.im)) << row.name;
      } else {
        EXPECT_EQ(v.re, row.expected) << row.name;
      }
    }
  }
}

using RelationLayout = LayoutFixture;

// Sides flush left and right on one baseline, the symbol's gap between them
// (gap factor x H / 40). With fixed metrics a glyph is a solid box right
// after the left side; a code beyond the table leaves no gap and draws
// nothing.
TEST_F(RelationLayout, SymbolGapAndGlyph) {
  const struct { int code, gap; } rows[] = {{0, 9}, {12, 17}, {23, 18}, {11, 8}, {30, 0}};
  for (const auto& row : rows) {
    CMcEquality relation(Box(30, 20, 16), Box(10, 30, 20), Code(row.code));
    relation.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(relation.m_box.width, 40 + row.gap) << "code " << row.code;
    EXPECT_EQ(relation.m_baseline, 20);
    EXPECT_EQ(relation.m_children[0]->m_box.y, 4);
    EXPECT_EQ(relation.m_children[1]->m_box.x, 30 + row.gap) << "code " << row.code;
    Canvas canvas(100, 40);
    relation.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(canvas.Ink(31, 18), row.code < 24) << "code " << row.code;
    EXPECT_EQ(canvas.InkCount() > 0, row.code < 24) << "code " << row.code;
  }
}

// The tab unit is 8 h0 = 160: the condition's parentheses (h0/3 each) start
// at the first stop beyond the formula plus 2 h0; a minus sign moves all by h0/2.
TEST_F(RelationLayout, DeclarationConditionStartsAtTheNextTabStop) {
  const struct {
    int formulaWidth, start;
    WORD sign;
  } rows[] = {{30, 160, 0}, {119, 160, 0}, {120, 320, 0}, {280, 480, 0}, {30, 170, 1}};
  for (const auto& row : rows) {
    CMcDeclaration declaration(Box(row.formulaWidth, 20, 16), Box(10, 20, 16), row.sign);
    declaration.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(declaration.m_children[0]->m_box.x, row.sign ? 10 : 0);
    EXPECT_EQ(declaration.m_children[1]->m_box.x, row.start + 6) << row.formulaWidth;
    EXPECT_EQ(declaration.m_box.width, row.start + 10 + 2 * 6) << row.formulaWidth;
  }
}
