// The number node: number text, value and sign, and the width of what it
// shows.
#include "McTestSupport.h"

#include <cstring>

using namespace mctest;

TEST(RealText, DigitsExponentCleaningAndGlyphs) {
  const struct {
    double value;
    int digits;
    const char* expected;
  } rows[] = {
      {1e20, 15, "1E20"},     {1e-5, 15, "1E-005"},      {1.5e20, 15, "1.5E20"},
      {1e-100, 15, "1E-100"}, {123456.0, 5, "1.2346E5"}, {12.6, 2, "13"},
      {0.0, 15, "0"},         {2.5e-12, 3, "2.5E-012"},  {1.0 / 3.0, 15, "0.333333333333333"},
      {kNaN, 15, "\xC6"},     {INFINITY, 15, "\xA5"},  // the Symbol font's empty set and infinity
  };
  for (const auto& row : rows) {
    char buffer[32];
    McFormatNumber(buffer, sizeof buffer, row.value, row.digits);
    EXPECT_STREQ(buffer, row.expected) << row.value;
  }
  char small[6];
  std::memset(small, 'x', sizeof small);
  McFormatNumber(small, 5, 1.23456789e-100, 15);
  EXPECT_EQ(std::strlen(small), 4u);
  EXPECT_EQ(small[5], 'x') << "wrote past the buffer";
}

// Bit 0 negates, plus-minus (bit 1 alone) only draws; a negated number's
// vector holds negative zero imaginary parts.
TEST(Real, SignSemanticsInBothPaths) {
  CQorexDoc doc;
  doc.m_system.m_nSteps = 3;
  for (WORD flags : {0, 1, 2, 3}) {
    CMcReal number(2.5, flags);
    const bool negated = flags & 1;
    const McComplex v = Eval(&number);
    EXPECT_TRUE(v.re == (negated ? -2.5 : 2.5) && v.im == 0.0) << flags;
    Values vec(number.EvaluateVector(&doc));
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(vec[k].re, v.re) << flags;
      EXPECT_EQ(std::signbit(vec[k].im), negated) << flags;
    }
  }
}

using RealLayout = LayoutFixture;

// Every character is h/2 = 10 wide with fixed metrics: "RealFix" digits
// away from the caret, full precision at it, the typed text while typing.
TEST_F(RealLayout, RealFixDigitsAndFullPrecisionAtTheCaret) {
  const int saved = g_nDisplaySettings;
  g_nDisplaySettings = (g_nDisplaySettings & ~(kDisplayRealFixMask << kDisplayRealFixShift)) |
                       (2 << kDisplayRealFixShift);  // "RealFix" 2
  Canvas canvas(400, 60);
  CMcReal number(12.625, 0), negative(12.625, 1);
  number.Layout(canvas.dc(), kMcLayoutFromTop);
  EXPECT_EQ(number.m_box.width, 2 * 10);  // "13"
  EXPECT_EQ(number.m_box.height, 20);
  negative.Layout(canvas.dc(), kMcLayoutFromTop);
  EXPECT_EQ(negative.m_box.width, 2 * 10 + 10);  // the minus takes h0/2
  {
    FocusScope focus(&number, "");
    number.Layout(canvas.dc(), kMcLayoutFromTop);
    EXPECT_EQ(number.m_box.width, 6 * 10);  // "12.625"
  }
  FocusScope focus(&number, "12.6e");
  number.Layout(canvas.dc(), kMcLayoutFromTop);
  EXPECT_EQ(number.m_box.width, 5 * 10);
  g_nDisplaySettings = saved;
}
