// Declarations: the formula's value where the condition holds, NaN where it
// is zero or NaN, in both paths; tab stops.
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

// 7 (t > 1) at t = 0 and t = 2, with the condition a relation over the time.
TEST(Declaration, ValueWhereTheConditionHolds) {
  const struct {
    const char* name;
    double t;
    WORD sign;
    double expected;  // NaN: undefined
  } cases[] = {
      {"7 (t > 1) at t = 0", 0, 0, kNaN},
      {"7 (t > 1) at t = 2", 2, 0, 7},
      {"-7 (t > 1) at t = 2", 2, 1, -7},
      {"-7 (t > 1) at t = 0", 0, 1, kNaN},
      {"1 < NaN holds: a NaN side counts as less", kNaN, 0, 7},
  };
  StepDoc run(2);
  for (const auto& c : cases) {
    auto* condition = new CMcEquality(new ValueLeaf({1, 0}), new ValueLeaf({c.t, 0}), 6 << 8);
    CMcDeclaration declaration(new CMcReal(7, 0), condition, c.sign);
    const McComplex value = Scalar(declaration);
    std::unique_ptr<McComplex[]> vec(declaration.EvaluateVector(&run.doc));
    for (const McComplex& v : {value, vec[0], vec[1]}) {
      if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(v.re) && std::isnan(v.im)) << c.name;
      } else {
        EXPECT_EQ(v.re, c.expected) << c.name;
      }
    }
  }
}

TEST(Declaration, ZeroOrNaNConditionIsUndefined) {
  for (McComplex condition :
       {McComplex{0, 0}, McComplex{-0.0, 0}, McComplex{kNaN, 0}, McComplex{0, kNaN}}) {
    CMcDeclaration declaration(new CMcReal(3, 0), new ValueLeaf(condition), 0);
    EXPECT_TRUE(std::isnan(Scalar(declaration).re));
  }
  CMcDeclaration imaginary(new CMcReal(3, 0), new ValueLeaf({0, 2}), 0);
  EXPECT_EQ(Scalar(imaginary).re, 3.0);
}

// With H0 = 20 the tab unit is 160 and the condition's parentheses start at
// the first stop beyond the formula plus 40 pixels.
TEST(Declaration, ConditionStartsAtTheNextTabStop) {
  FixedFontTables fonts;
  const struct {
    int formulaWidth, start;
  } cases[] = {{30, 160}, {119, 160}, {120, 320}, {150, 320}, {280, 480}};
  for (const auto& c : cases) {
    CMcDeclaration declaration(new BoxLeaf(c.formulaWidth, 20, 16), new BoxLeaf(10, 20, 16), 0);
    declaration.Layout(nullptr, 0);
    const int parens = 6;  // h0/3 each side
    EXPECT_EQ(declaration.m_children[1]->m_box.x, c.start + parens) << c.formulaWidth;
    EXPECT_EQ(declaration.m_box.width, c.start + 10 + 2 * parens) << c.formulaWidth;
  }
  // The node's own minus sign moves everything right by h0/2.
  CMcDeclaration negated(new BoxLeaf(30, 20, 16), new BoxLeaf(10, 20, 16), 1);
  negated.Layout(nullptr, 0);
  EXPECT_EQ(negated.m_children[0]->m_box.x, 10);
  EXPECT_EQ(negated.m_children[1]->m_box.x, 10 + 160 + 6);
}

}  // namespace
