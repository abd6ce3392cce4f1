// Powers: values against std::complex, 0 to a power, the three arrangements
// with the exponent placed by the base's offset (and its clamp), and the
// caret walk through base and exponent.
#include "MC/MC_GROUP.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_variable.h"
#include "SumFamilyTestSupport.h"

#include <gtest/gtest.h>

#include <string>

#include <cmath>
#include <complex>
#include <memory>

using namespace qxtest;

namespace {

const double kPi = std::acos(-1.0);

TEST(Power, ValuesAgreeWithStdComplex) {
  const struct {
    const char* name;
    McComplex base, exponent;
  } cases[] = {
      {"2^3", {2, 0}, {3, 0}},          {"(-8)^(1/3) principal root", {-8, 0}, {1.0 / 3, 0}},
      {"2^(j pi)", {2, 0}, {0, kPi}},   {"j^2", {0, 1}, {2, 0}},
      {"(1+j)^(2-j)", {1, 1}, {2, -1}}, {"4^-0.5", {4, 0}, {-0.5, 0}},
  };
  StepDoc run(2);
  for (const auto& c : cases) {
    for (WORD sign : {0, 1}) {
      CMcPower power(new ValueLeaf(c.base), new ValueLeaf(c.exponent), sign);
      std::complex<double> expected = std::pow(std::complex<double>(c.base.re, c.base.im),
                                               std::complex<double>(c.exponent.re, c.exponent.im));
      if (sign) expected = -expected;
      const McComplex scalar = Scalar(power);
      EXPECT_NEAR(scalar.re, expected.real(), 1e-12) << c.name << " sign " << sign;
      EXPECT_NEAR(scalar.im, expected.imag(), 1e-12) << c.name << " sign " << sign;
      std::unique_ptr<McComplex[]> vec(power.EvaluateVector(&run.doc));
      EXPECT_EQ(vec[1].re, scalar.re) << c.name;
      EXPECT_EQ(vec[1].im, scalar.im) << c.name;
    }
  }
}

// Zero to a power with a positive real part is exactly 0; otherwise the
// logarithm of a zero modulus makes the value not finite, with no error.
TEST(Power, ZeroBase) {
  const struct {
    const char* name;
    McComplex exponent;
    bool finite;
  } cases[] = {
      {"0^2", {2, 0}, true},    {"0^(0.5+3j)", {0.5, 3}, true}, {"0^0", {0, 0}, false},
      {"0^-2", {-2, 0}, false}, {"0^(3j)", {0, 3}, false},      {"0^NaN", {std::nan(""), 0}, false},
  };
  for (const auto& c : cases) {
    CMcPower power(new CMcReal(0, 0), new ValueLeaf(c.exponent), 0);
    g_bEvalError = 0;
    const McComplex value = Scalar(power);
    EXPECT_EQ(g_bEvalError, 0) << c.name;
    if (c.finite) {
      EXPECT_EQ(value.re, 0.0) << c.name;
      EXPECT_EQ(value.im, 0.0) << c.name;
    } else {
      EXPECT_FALSE(std::isfinite(value.re) && std::isfinite(value.im)) << c.name;
    }
  }
}

// H = 20, ascent 16, a base whose name ends at 20 pixels. Over a variable's
// name the exponent stands at the name's end and the power is H/2 taller than
// the exponent; beside a function's name the exponent's bottom edge lies H/2
// below the top of the name's text line, inside the base's box when short.
TEST(Power, ExponentPlacedByTheBasesOffset) {
  FixedFontTables fonts;
  const struct {
    const char* name;
    WORD baseType;
    int expW, expH, expBl;
    int width, height, baseline, exponentY;
  } cases[] = {
      {"narrow exponent over x", 0x0300, 8, 15, 12, 30, 25, 21, 0},
      {"exponent past the end of x", 0x0300, 12, 15, 12, 32, 25, 21, 0},
      {"tall exponent beside f", 0x0200, 6, 15, 6, 30, 25, 21, 0},
      {"short exponent beside f", 0x0200, 6, 8, 6, 30, 20, 16, 2},
  };
  for (const auto& c : cases) {
    auto* base = new BoxLeaf(30, 20, 16, c.baseType);
    base->m_nameEnd = 20;
    CMcPower power(base, new BoxLeaf(c.expW, c.expH, c.expBl), 0);
    power.Layout(nullptr, 0);
    EXPECT_EQ(power.ExponentOffset(), 20) << c.name;
    EXPECT_EQ(power.m_box.width, c.width) << c.name;
    EXPECT_EQ(power.m_box.height, c.height) << c.name;
    EXPECT_EQ(power.m_baseline, c.baseline) << c.name;
    EXPECT_EQ(power.m_children[0]->m_box.y, c.height - 20) << c.name;
    EXPECT_EQ(power.m_children[1]->m_box.x, 20) << c.name;
    EXPECT_EQ(power.m_children[1]->m_box.y, c.exponentY) << c.name;
  }
}

// Any other base: parentheses (h0/3 each side) unless it is a number, an
// empty placeholder, a bracketing operator or a matrix; the exponent's right
// edge is flush with the power's.
TEST(Power, ExponentToTheUpperRight) {
  FixedFontTables fonts;
  const struct {
    const char* name;
    WORD type, flags;
    bool parens;
  } cases[] = {
      {"sum", 0x0E00, 0, true},
      {"number", 0x0100, 0, false},
      {"marked number", 0x0100, 0x4000, true},
      {"signed variable", 0x0300, 1, true},
      {"absolute value", 0x0802, 0, false},
      {"matrix", 0x0501, 0, false},
  };
  for (const auto& c : cases) {
    auto* base = new BoxLeaf(30, 20, 16, c.type, c.flags);
    CMcPower power(base, new BoxLeaf(8, 15, 12), 0);
    power.Layout(nullptr, 0);
    const int p = c.parens ? 6 : 0;
    // A sign on the base widens it by h0/2 before the parentheses go round.
    const int baseWidth = 30 + (c.flags & 3 ? 10 : 0);
    EXPECT_EQ(power.BaseNeedsParens(), c.parens) << c.name;
    EXPECT_EQ(power.m_box.width, 2 * p + baseWidth + 8) << c.name;
    EXPECT_EQ(power.m_box.height, 25) << c.name;
    EXPECT_EQ(power.m_baseline, 21) << c.name;
    EXPECT_EQ(power.m_children[0]->m_box.x, p) << c.name;
    EXPECT_EQ(power.m_children[0]->m_box.y, 5) << c.name;
    EXPECT_EQ(power.m_children[1]->m_box.x, 2 * p + baseWidth) << c.name;
    EXPECT_EQ(power.m_children[1]->m_box.y, 0) << c.name;
  }
}

// The offset lives in one byte: a name ending beyond 255 pixels keeps 255
// instead of wrapping to a small offset, and the low byte stays. A relayout
// in mode 1 re-measures the base, which refreshes the offset.
TEST(Power, ExponentOffsetClampsAndRefreshes) {
  FixedFontTables fonts;
  auto* base = new BoxLeaf(400, 20, 16, 0x0300);
  base->m_nameEnd = 300;
  CMcPower power(base, new BoxLeaf(8, 15, 12), 0x00C0);
  power.Layout(nullptr, 0);
  EXPECT_EQ(power.ExponentOffset(), 255);
  EXPECT_EQ(power.m_flags & 0xFF, 0xC0);
  base->m_nameEnd = 25;
  power.Layout(nullptr, 1);
  EXPECT_EQ(power.m_children[1]->m_box.x, 25);
  CMcPower::WriteExponentOffset(power.m_children[1], 77);  // not the base: ignored
  EXPECT_EQ(power.ExponentOffset(), 25);
}

// The same with the real kinds under fixed metrics: x squared puts the "2"
// right over the end of the name, with nothing after it; -3 squared puts the
// number in parentheses, 3 squared does not.
TEST(Power, SquaredVariableAndNumbersWithFixedMetrics) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  CMcPower x2(new CMcVariable("x", "", 0), new CMcReal(2, 0), 0);
  x2.Layout(g_pMeasureDC, 0);
  const McBox& x = x2.m_children[0]->m_box;
  const McBox& two = x2.m_children[1]->m_box;
  EXPECT_GT(x.width, 0);
  EXPECT_EQ(x2.ExponentOffset(), x.width);
  EXPECT_EQ(two.x, x.width);
  EXPECT_EQ(x2.m_box.width, x.width + two.width);
  EXPECT_EQ(two.height, 15);  // one size level smaller
  EXPECT_EQ(x2.m_box.height, 10 + 15);

  CMcPower minus3(new CMcReal(3, 1), new CMcReal(2, 0), 0);
  minus3.Layout(g_pMeasureDC, 0);
  EXPECT_TRUE(minus3.BaseNeedsParens());
  EXPECT_EQ(minus3.m_children[0]->m_box.x, 6);
  CMcPower three(new CMcReal(3, 0), new CMcReal(2, 0), 0);
  three.Layout(g_pMeasureDC, 0);
  EXPECT_FALSE(three.BaseNeedsParens());
  EXPECT_EQ(three.m_children[1]->m_box.x, three.m_children[0]->m_box.width);
}

TEST(Power, CaretReachesBaseAndExponentAndTerminates) {
  CMcBasic* b = new BoxLeaf(1, 1, 1);
  CMcBasic* e = new BoxLeaf(1, 1, 1);
  auto* power = new CMcPower(b, e, 0);
  CMcGroup group(power, "", 0);
  const std::vector<CaretStop> right = {{power, 0}, {b, 0}, {b, 1}, {power, 1}};
  EXPECT_EQ(WalkCaret(power, 0, kMcRight), right);
  EXPECT_EQ(WalkCaret(power, 1, kMcLeft), std::vector<CaretStop>(right.rbegin(), right.rend()));
  const std::vector<CaretStop> upFromBase = {{b, 1}, {e, 0}};
  EXPECT_EQ(WalkCaret(b, 1, kMcUp), upFromBase);
  const std::vector<CaretStop> downFromExponent = {{e, 0}, {b, 1}};
  EXPECT_EQ(WalkCaret(e, 0, kMcDown), downFromExponent);
  const std::vector<CaretStop> exponentRight = {{e, 0}, {e, 1}, {power, 1}};
  EXPECT_EQ(WalkCaret(e, 0, kMcRight), exponentRight);
  const std::vector<CaretStop> upFromPower = {{power, 1}, {e, 1}};
  EXPECT_EQ(WalkCaret(power, 1, kMcUp), upFromPower);
}

}  // namespace

// A variable too wide for the offset byte clamps it rather than wrapping.
TEST(Power, WideVariableBaseClampsTheOffset) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  const std::string name(60, 'x');
  CMcPower power(new CMcVariable(name.c_str(), "", 0), new CMcReal(2, 0), 0);
  power.Layout(g_pMeasureDC, 0);
  ASSERT_GT(power.m_children[0]->m_box.width, 255);
  EXPECT_EQ(power.ExponentOffset(), 255);
}
