// Powers: values against std::complex, 0 to a power, and the three
// arrangements with the exponent placed by the base's offset (and its clamp).
#include "McTestSupport.h"

#include <complex>

using namespace mctest;

TEST(Power, ValuesAgreeWithStdComplexInBothPaths) {
  using C = std::complex<double>;
  const struct {
    const char* name;
    C base, exponent;
  } rows[] = {
      {"2^3", {2, 0}, {3, 0}},          {"(-8)^(1/3) principal root", {-8, 0}, {1.0 / 3, 0}},
      {"2^(j pi)", {2, 0}, {0, kPi}},   {"j^2", {0, 1}, {2, 0}},
      {"(1+j)^(2-j)", {1, 1}, {2, -1}}, {"4^-0.5", {4, 0}, {-0.5, 0}},
  };
  auto doc = SignalDoc(2);
  for (const auto& row : rows) {
    for (WORD sign : {0, 1}) {
      CMcPower power(new ValueLeaf({row.base.real(), row.base.imag()}),
                     new ValueLeaf({row.exponent.real(), row.exponent.imag()}), sign);
      const C expected = std::pow(row.base, row.exponent) * (sign ? -1.0 : 1.0);
      const McComplex scalar = Eval(&power);
      EXPECT_TRUE(Near(scalar, {expected.real(), expected.imag()})) << row.name << " sign " << sign;
      Values vec(power.EvaluateVector(doc.get()));
      EXPECT_EQ(vec[1].re, scalar.re) << row.name << " sign " << sign;
      EXPECT_EQ(vec[1].im, scalar.im) << row.name << " sign " << sign;
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
  } rows[] = {
      {"0^2", {2, 0}, true},    {"0^(0.5+3j)", {0.5, 3}, true}, {"0^0", {0, 0}, false},
      {"0^-2", {-2, 0}, false}, {"0^(3j)", {0, 3}, false},      {"0^NaN", {kNaN, 0}, false},
  };
  g_bEvalError = 0;
  for (const auto& row : rows) {
    CMcPower power(new CMcReal(0, 0), new ValueLeaf(row.exponent), 0);
    const McComplex value = Eval(&power);
    EXPECT_FALSE(TakeEvalError()) << row.name;
    if (row.finite) {
      EXPECT_TRUE(value.re == 0.0 && value.im == 0.0) << row.name;
    } else {
      EXPECT_FALSE(std::isfinite(value.re) && std::isfinite(value.im)) << row.name;
    }
  }
}

using PowerLayout = LayoutFixture;

// A base whose name ends at 20 pixels. Over a variable's name the exponent
// stands at the name's end and the power is H/2 taller than the exponent;
// beside a function's name the exponent's bottom edge lies H/2 below the top
// of the name's text line, inside the base's box when short.
TEST_F(PowerLayout, ExponentPlacedByTheBasesOffset) {
  const struct {
    const char* name;
    WORD baseType;
    int expW, expH, expBl;
    const char* geometry;
  } rows[] = {
      {"narrow exponent over x", McTypeWord(kMcVariable), 8, 15, 12, "30x25/21 0,5 20,0"},
      {"exponent past the end of x", McTypeWord(kMcVariable), 12, 15, 12, "32x25/21 0,5 20,0"},
      {"tall exponent beside f", McTypeWord(kMcFunction), 6, 15, 6, "30x25/21 0,5 20,0"},
      {"short exponent beside f", McTypeWord(kMcFunction), 6, 8, 6, "30x20/16 0,0 20,2"},
  };
  for (const auto& row : rows) {
    TestLeaf* base = Box(30, 20, 16, row.baseType);
    base->m_nameEnd = 20;
    CMcPower power(base, Box(row.expW, row.expH, row.expBl), 0);
    power.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(power.ExponentOffset(), 20) << row.name;
    EXPECT_EQ(Geometry(&power), row.geometry) << row.name;
  }
}

// Any other base: the exponent to the upper right, flush with the power's
// right edge; parentheses (h0/3 = 6 each side) unless the base is a number, a
// bracketing operator or a matrix. A sign widens the base by h0/2.
TEST_F(PowerLayout, ExponentToTheUpperRight) {
  const struct {
    const char* name;
    WORD type, flags;
    bool parens;
    const char* geometry;
  } rows[] = {
      {"sum", McTypeWord(kMcListsum), 0, true, "50x25/21 6,5 42,0"},
      {"number", McTypeWord(kMcReal), 0, false, "38x25/21 0,5 30,0"},
      {"marked number", McTypeWord(kMcReal), 0x4000, true, "50x25/21 6,5 42,0"},
      {"signed variable", McTypeWord(kMcVariable), 1, true, "60x25/21 6,5 52,0"},
      {"absolute value", CMcOperator::TypeOf(CMcOperator::kAbsolute), 0, false,
       "38x25/21 0,5 30,0"},
      {"matrix", McTypeWord(kMcMatrix, CMcMatrix::kPlain), 0, false, "38x25/21 0,5 30,0"},
  };
  for (const auto& row : rows) {
    CMcPower power(Box(30, 20, 16, row.type, row.flags), Box(8, 15, 12), 0);
    power.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(power.BaseNeedsParens(), row.parens) << row.name;
    EXPECT_EQ(Geometry(&power), row.geometry) << row.name;
  }
}

// The offset lives in one byte: a name ending beyond 255 pixels keeps 255
// instead of wrapping, and the low byte stays. A relayout in mode 1
// re-measures the base, which refreshes the offset.
TEST_F(PowerLayout, ExponentOffsetClampsAndRefreshes) {
  TestLeaf* base = Box(400, 20, 16, McTypeWord(kMcVariable));
  base->m_nameEnd = 300;
  CMcPower power(base, Box(8, 15, 12), 0x00C0);
  power.Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(power.ExponentOffset(), 255);
  EXPECT_EQ(power.m_flags & kMcBaseMask, 0xC0);
  base->m_nameEnd = 25;
  power.Layout(nullptr, kMcLayoutAfterChange);
  EXPECT_EQ(power.m_children[1]->m_box.x, 25);
  CMcPower::WriteExponentOffset(power.m_children[1], 77);  // not the base: ignored
  EXPECT_EQ(power.ExponentOffset(), 25);
}
