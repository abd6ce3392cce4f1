// Sums: signs and zeros in both evaluation paths, line wrapping and its
// limits, the inner parentheses, and the caret walk through the terms.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_listsum.h"
#include "SumFamilyTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qxtest;

namespace {

TEST(Sum, ValuesAndSigns) {
  const struct {
    const char* name;
    std::vector<double> terms;
    WORD flags;
    double expected;
  } cases[] = {
      {"empty sum is 0", {}, 0, 0.0},          {"2 - 3", {2, -3}, 0, -1.0},
      {"-(2 + 3)", {2, 3}, 1, -5.0},           {"plus-minus only draws", {2, 3}, 2, 5.0},
      {"minus-plus negates", {2, 3}, 3, -5.0},
  };
  StepDoc run(3);
  for (const auto& c : cases) {
    CMcListsum sum(c.flags);
    for (double t : c.terms) sum.AppendChild(new CMcReal(std::fabs(t), t < 0 ? 1 : 0));
    EXPECT_EQ(Scalar(sum).re, c.expected) << c.name;
    std::unique_ptr<McComplex[]> vec(sum.EvaluateVector(&run.doc));
    EXPECT_EQ(vec[2].re, c.expected) << c.name;
  }
}

// The scalar path adds from +0, so minus zeros vanish; the vector path keeps
// the first term's array, so they survive. A negated sum of +0 gives -0 in both.
TEST(Sum, NegativeZeros) {
  StepDoc run(1);
  CMcListsum sum(0);
  sum.AppendChild(new CMcReal(0, 1));
  sum.AppendChild(new CMcReal(0, 1));
  EXPECT_FALSE(std::signbit(Scalar(sum).re));
  std::unique_ptr<McComplex[]> vec(sum.EvaluateVector(&run.doc));
  EXPECT_TRUE(std::signbit(vec[0].re) && std::signbit(vec[0].im));

  sum.m_flags = 1;
  sum.m_children[0]->m_flags = sum.m_children[1]->m_flags = 0;
  EXPECT_TRUE(std::signbit(Scalar(sum).re));
  std::unique_ptr<McComplex[]> neg(sum.EvaluateVector(&run.doc));
  EXPECT_TRUE(std::signbit(neg[0].re));
}

// At H = 20 the limit is 600 pixels at the top of a formula and 360 inside a
// relation; unsigned terms after the first are 10 wider (the plus prefix); no
// line ends before the third term, and a tall term keeps later lines as tall.
TEST(Sum, WrapLimits) {
  FixedFontTables fonts;
  struct Term {
    int w, h, bl;
  };
  const std::vector<Term> eight(8, Term{100, 20, 16});
  const struct {
    const char* name;
    std::vector<Term> terms;
    bool inRelation;
    std::vector<int> x, y;
    int height;
  } cases[] = {
      {"top", eight, false, {0, 100, 210, 320, 430, 0, 110, 220}, {0, 0, 0, 0, 0, 20, 20, 20}, 40},
      {"in a relation",
       eight,
       true,
       {0, 100, 210, 0, 110, 220, 0, 110},
       {0, 0, 0, 20, 20, 20, 40, 40},
       60},
      {"wide terms",
       {{700, 20, 16}, {700, 20, 16}, {700, 20, 16}},
       false,
       {0, 700, 0},
       {0, 0, 20},
       40},
      {"tall first line",
       {{300, 40, 30}, {200, 20, 16}, {200, 20, 16}, {50, 20, 16}},
       false,
       {0, 300, 0, 210},
       {0, 14, 54, 54},
       80},
  };
  for (const auto& c : cases) {
    auto* sum = new CMcListsum(0);
    for (const Term& t : c.terms) sum->AppendChild(new BoxLeaf(t.w, t.h, t.bl));
    CMcEquality relation(sum, new BoxLeaf(1, 1, 1), 0);
    std::unique_ptr<CMcListsum> alone;
    if (c.inRelation) {
      relation.Layout(nullptr, 0);
    } else {
      alone.reset(static_cast<CMcListsum*>(relation.RemoveChildAt(0)));
      alone->m_parent = nullptr;
      alone->Layout(nullptr, 0);
    }
    for (size_t i = 0; i < c.terms.size(); ++i) {
      EXPECT_EQ(sum->m_children[i]->m_box.x, c.x[i]) << c.name << " term " << i;
      EXPECT_EQ(sum->m_children[i]->m_box.y, c.y[i]) << c.name << " term " << i;
    }
    EXPECT_EQ(sum->m_box.height, c.height) << c.name;
    EXPECT_EQ(sum->m_baseline, c.height / 2 - 10 + 16) << c.name;  // wrapped: centred
  }
}

// A signed sum and a sum inside a sum get parentheses of h0/3 each side, after
// the sign or plus prefix of h0/2.
TEST(Sum, SignedOrNestedSumsGetParentheses) {
  FixedFontTables fonts;
  CMcListsum outer(1);
  outer.AppendChild(new BoxLeaf(10, 20, 16));
  auto* inner = new CMcListsum(0);
  inner->AppendChild(new BoxLeaf(10, 20, 16));
  inner->AppendChild(new BoxLeaf(10, 20, 16));
  outer.AppendChild(inner);
  outer.Layout(nullptr, 0);
  EXPECT_EQ(inner->m_box.width, 10 + 6 + 30 + 6);
  EXPECT_EQ(inner->m_children[0]->m_box.x, 16);
  EXPECT_EQ(outer.m_box.width, 10 + 6 + 10 + 52 + 6);
  EXPECT_EQ(outer.m_children[0]->m_box.x, 16);
}

TEST(Sum, CaretVisitsEveryTermBothWays) {
  auto* sum = new CMcListsum(0);
  CMcBasic* t[3];
  for (CMcBasic*& term : t) sum->AppendChild(term = new BoxLeaf(1, 1, 1));
  CMcGroup group(sum, "", 0);
  const std::vector<CaretStop> right = {{sum, 0},  {t[0], 0}, {t[0], 1}, {t[1], 0},
                                        {t[1], 1}, {t[2], 0}, {t[2], 1}, {sum, 1}};
  EXPECT_EQ(WalkCaret(sum, 0, kMcRight), right);
  EXPECT_EQ(WalkCaret(sum, 1, kMcLeft), std::vector<CaretStop>(right.rbegin(), right.rend()));
}

}  // namespace
