// Sums: values, signs and zeros in both evaluation paths, line wrapping and
// its limits, the inner parentheses, and the caret walk through the terms.
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

std::unique_ptr<CMcListsum> SumOf(std::initializer_list<double> terms, WORD flags = 0) {
  auto sum = std::make_unique<CMcListsum>(flags);
  for (double t : terms) sum->AppendChild(new CMcReal(std::fabs(t), t < 0 ? 1 : 0));
  return sum;
}

TEST(Sum, ValuesAndSigns) {
  struct Case {
    const char* name;
    std::initializer_list<double> terms;
    WORD flags;
    double expected;
  } cases[] = {
      {"empty sum is 0", {}, 0, 0.0},
      {"2 + 3", {2, 3}, 0, 5.0},
      {"2 - 3", {2, -3}, 0, -1.0},
      {"-(2 + 3)", {2, 3}, 1, -5.0},
      {"plus-minus only draws", {2, 3}, 2, 5.0},
      {"minus-plus negates", {2, 3}, 3, -5.0},
  };
  StepDoc run(3);
  for (const Case& c : cases) {
    auto sum = SumOf(c.terms, c.flags);
    EXPECT_EQ(Scalar(*sum).re, c.expected) << c.name;
    std::unique_ptr<McComplex[]> vec(sum->EvaluateVector(&run.doc));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(vec[k].re, c.expected) << c.name << " sample " << k;
  }
}

// The scalar path adds from +0, so minus zeros vanish; the vector path keeps
// the first term's array, so they survive.
TEST(Sum, NegativeZerosDifferBetweenPaths) {
  auto sum = SumOf({-0.0, -0.0});
  sum->m_children[0]->m_flags = 1;
  sum->m_children[1]->m_flags = 1;
  const McComplex scalar = Scalar(*sum);
  EXPECT_FALSE(std::signbit(scalar.re));
  StepDoc run(2);
  std::unique_ptr<McComplex[]> vec(sum->EvaluateVector(&run.doc));
  EXPECT_TRUE(std::signbit(vec[0].re));
  EXPECT_TRUE(std::signbit(vec[0].im));

  sum->m_flags = 1;  // a negated sum of +0 terms gives -0 in both paths
  sum->m_children[0]->m_flags = sum->m_children[1]->m_flags = 0;
  EXPECT_TRUE(std::signbit(Scalar(*sum).re));
  std::unique_ptr<McComplex[]> neg(sum->EvaluateVector(&run.doc));
  EXPECT_TRUE(std::signbit(neg[1].re));
}

// Eight terms 100 pixels wide (110 with the plus prefix after the first) at
// H = 20: at the top of a formula the limit is 600, so the line breaks before
// the sixth term; inside a relation it is 360 and breaks before the fourth.
TEST(Sum, WrapsAtThirtyOrEighteenFontHeights) {
  FixedFontTables fonts;
  auto make = [] {
    auto* sum = new CMcListsum(0);
    for (int i = 0; i < 8; ++i) sum->AppendChild(new BoxLeaf(100, 20, 16));
    return sum;
  };
  std::unique_ptr<CMcListsum> top(make());
  top->Layout(nullptr, 0);
  EXPECT_EQ(top->m_children[4]->m_box.x, 430);
  EXPECT_EQ(top->m_children[5]->m_box.x, 0);
  EXPECT_EQ(top->m_children[5]->m_box.y, 20);
  EXPECT_EQ(top->m_box.width, 540);
  EXPECT_EQ(top->m_box.height, 40);
  EXPECT_EQ(top->m_baseline, 40 / 2 - 20 / 2 + 16);

  CMcEquality relation(make(), new BoxLeaf(10, 20, 16), 0);
  relation.Layout(nullptr, 0);
  const CMcBasic* inner = relation.m_children[0];
  EXPECT_EQ(inner->m_children[2]->m_box.y, 0);
  EXPECT_EQ(inner->m_children[3]->m_box.x, 0);
  EXPECT_EQ(inner->m_children[3]->m_box.y, 20);
  EXPECT_EQ(inner->m_children[6]->m_box.y, 40);
  EXPECT_EQ(inner->m_box.height, 60);
}

TEST(Sum, NeverWrapsBeforeTheThirdTerm) {
  FixedFontTables fonts;
  CMcListsum sum(0);
  for (int i = 0; i < 3; ++i) sum.AppendChild(new BoxLeaf(700, 20, 16));
  sum.Layout(nullptr, 0);
  EXPECT_EQ(sum.m_children[1]->m_box.y, 0);
  EXPECT_EQ(sum.m_children[1]->m_box.x, 700);
  EXPECT_EQ(sum.m_children[2]->m_box.x, 0);
  EXPECT_EQ(sum.m_children[2]->m_box.y, 20);
  EXPECT_EQ(sum.m_box.width, 1410);
}

// A tall term in the first line keeps every later line as tall.
TEST(Sum, LaterLinesAreAtLeastAsTall) {
  FixedFontTables fonts;
  CMcListsum sum(0);
  sum.AppendChild(new BoxLeaf(300, 40, 30));
  sum.AppendChild(new BoxLeaf(200, 20, 16));
  sum.AppendChild(new BoxLeaf(200, 20, 16));
  sum.AppendChild(new BoxLeaf(50, 20, 16));
  sum.Layout(nullptr, 0);
  EXPECT_EQ(sum.m_children[2]->m_box.x, 0);
  EXPECT_EQ(sum.m_children[2]->m_box.y, 40 + 30 - 16);
  EXPECT_EQ(sum.m_box.height, 80);
}

// A signed sum and a sum inside a sum get parentheses of h0/3 each side; the
// minus adds h0/2 before them.
TEST(Sum, SignedOrNestedSumsGetParentheses) {
  FixedFontTables fonts;
  CMcListsum negated(1);
  negated.AppendChild(new BoxLeaf(10, 20, 16));
  negated.AppendChild(new BoxLeaf(10, 20, 16));
  negated.Layout(nullptr, 0);
  EXPECT_EQ(negated.m_box.width, 10 + 20 + 2 * 6 + 10);
  EXPECT_EQ(negated.m_children[0]->m_box.x, 16);
  EXPECT_EQ(negated.m_children[1]->m_box.x, 26);

  CMcListsum outer(0);
  outer.AppendChild(new BoxLeaf(10, 20, 16));
  auto* inner = new CMcListsum(0);
  inner->AppendChild(new BoxLeaf(10, 20, 16));
  inner->AppendChild(new BoxLeaf(10, 20, 16));
  outer.AppendChild(inner);
  outer.Layout(nullptr, 0);
  // The inner sum: plus prefix 10, then parentheses 6 | 30 | 6.
  EXPECT_EQ(inner->m_box.width, 10 + 6 + 30 + 6);
  EXPECT_EQ(inner->m_children[0]->m_box.x, 16);
}

TEST(Sum, CaretVisitsEveryTermBothWays) {
  auto* sum = new CMcListsum(0);
  CMcBasic* a = new BoxLeaf(1, 1, 1);
  CMcBasic* b = new BoxLeaf(1, 1, 1);
  CMcBasic* c = new BoxLeaf(1, 1, 1);
  sum->AppendChild(a);
  sum->AppendChild(b);
  sum->AppendChild(c);
  CMcGroup group(sum, "", 0);
  const std::vector<CaretStop> right = WalkCaret(sum, 0, kMcRight);
  const std::vector<CaretStop> expected = {{sum, 0}, {a, 0}, {a, 1}, {b, 0},
                                           {b, 1},   {c, 0}, {c, 1}, {sum, 1}};
  EXPECT_EQ(right, expected);
  const std::vector<CaretStop> left = WalkCaret(sum, 1, kMcLeft);
  EXPECT_EQ(left, std::vector<CaretStop>(expected.rbegin(), expected.rend()));
}

TEST(Sum, CompareIgnoresOrder) {
  auto ab = SumOf({1, 2});
  auto ba = SumOf({2, 1});
  auto baNegated = SumOf({2, 1}, 1);
  auto ac = SumOf({1, 3});
  auto abc = SumOf({1, 2, 3});
  EXPECT_EQ(ab->Compare(ba.get()), 0);
  EXPECT_EQ(ab->Compare(baNegated.get()), 1);
  EXPECT_EQ(ab->Compare(ac.get()), 8);
  EXPECT_EQ(ab->Compare(abc.get()), 0x18);
  CMcReal one(1, 0);
  EXPECT_EQ(ab->Compare(&one), 0x20);
}

}  // namespace
