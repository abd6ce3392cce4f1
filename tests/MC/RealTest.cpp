// The real number node: number text, value and sign, comparison, caret steps,
// records and layout.
#include "GlobalResources.h"
#include "LayoutFixture.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Sets the "RealFix" digits for one test and puts the word back afterwards.
class RealFixScope {
 public:
  explicit RealFixScope(int digits) : m_saved(g_nDisplaySettings) {
    g_nDisplaySettings = (g_nDisplaySettings & ~(31 << 2)) | (digits << 2);
  }
  ~RealFixScope() { g_nDisplaySettings = m_saved; }

 private:
  int m_saved;
};

// Registers a caret node and typed text as the focused editor's for one test.
class FocusScope {
 public:
  FocusScope(CMcBasic* node, const char* typed) {
    s_node = node;
    std::snprintf(s_text, sizeof s_text, "%s", typed);
    McSetEditorFocus([] { return s_node; }, [] { return static_cast<char*>(s_text); });
  }
  ~FocusScope() { McSetEditorFocus(nullptr, nullptr); }
  static char* Text() { return s_text; }

 private:
  static inline CMcBasic* s_node = nullptr;
  static inline char s_text[kMcNumberTextSize] = {};
};

std::string Text(double value, int digits) {
  char buffer[32];
  McFormatNumber(buffer, sizeof buffer, value, digits);
  return buffer;
}

TEST(RealText, DigitsAndExponentCleaning) {
  struct Case {
    double value;
    int digits;
    const char* expected;
  } cases[] = {
      {1e20, 15, "1E20"},       {1e-5, 15, "1E-005"},   {1.5e20, 15, "1.5E20"},
      {1e100, 15, "1E100"},     {1e-100, 15, "1E-100"}, {123456.0, 5, "1.2346E5"},
      {123.0, 2, "1.2E2"},      {12.6, 2, "13"},        {1e10, 5, "1E10"},
      {2.5e-12, 3, "2.5E-012"}, {0.0, 15, "0"},         {1.0 / 3.0, 15, "0.333333333333333"},
      {0.001, 15, "0.001"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.value, c.digits), c.expected) << c.value;
}

TEST(RealText, NonFiniteValuesAreOneSymbolGlyph) {
  EXPECT_EQ(Text(kNaN, 15), "\xC6");
  EXPECT_EQ(Text(kInf, 15), "\xA5");
}

TEST(RealText, NeverWritesPastTheBuffer) {
  char small[6];
  std::memset(small, 'x', sizeof small);
  McFormatNumber(small, 5, 1.23456789e-100, 15);
  EXPECT_EQ(std::strlen(small), 4u);
  EXPECT_EQ(small[5], 'x');
}

TEST(Real, ConstructorKeepsTheMagnitudeAndTheSignFlagNegates) {
  CMcReal fromNegative(-2.5, 0);
  EXPECT_EQ(fromNegative.m_value, 2.5);
  McComplex v;
  fromNegative.Evaluate(&v, nullptr, nullptr);
  EXPECT_EQ(v.re, 2.5);

  CMcReal negated(2.5, 1);
  negated.Evaluate(&v, nullptr, nullptr);
  EXPECT_EQ(v.re, -2.5);
  EXPECT_EQ(v.im, 0.0);
  EXPECT_FALSE(std::signbit(v.im));

  CMcReal plusMinus(2.5, 2);  // plus-minus is drawn, not computed
  plusMinus.Evaluate(&v, nullptr, nullptr);
  EXPECT_EQ(v.re, 2.5);
}

TEST(Real, VectorOfANegatedNumberHoldsNegativeZeros) {
  CQorexDoc doc;
  doc.m_system.m_nSteps = 3;
  g_bEvalError = 0;
  CMcReal negated(2.5, 1);
  std::unique_ptr<McComplex[]> values(negated.EvaluateVector(&doc));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(values[i].re, -2.5);
    EXPECT_EQ(values[i].im, 0.0);
    EXPECT_TRUE(std::signbit(values[i].im)) << i;
  }
  CMcReal plain(4.0, 0);
  values.reset(plain.EvaluateVector(&doc));
  EXPECT_FALSE(std::signbit(values[2].im));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Real, CompareUsesTheRelativeSnapTolerance) {
  const double saved = g_dSnapTolerance;
  struct Case {
    double a;
    WORD flagsA;
    double b;
    WORD flagsB;
    double tolerance;
    WORD expected;
  } cases[] = {
      {1.0, 0, 1.000000000000001, 0, 1.01e-14, 0},
      {1.0, 0, 1.000000000000001, 0, 1.01e-16, 4},
      {2.0, 0, 2.0, 1, 1.01e-15, 5},
      {2.0, 0, 2.0, 2, 1.01e-15, 1},  // plus-minus: another sign code, the same value
      {3.0, 0, 3.0, 0, 0.0, 0},
      {kInf, 0, kInf, 0, 1.01e-15, 0},
      {kNaN, 0, kNaN, 0, 1.01e-15, 4},
      {kInf, 1, kInf, 0, 1.01e-15, 5},
  };
  for (const Case& c : cases) {
    g_dSnapTolerance = c.tolerance;
    CMcReal a(c.a, c.flagsA), b(c.b, c.flagsB);
    EXPECT_EQ(a.Compare(&b), c.expected) << c.a << " vs " << c.b;
  }
  g_dSnapTolerance = saved;
}

TEST(Real, DerivativeIsAnUnsignedZero) {
  CMcReal number(7.0, 1);
  std::unique_ptr<CMcBasic> d(number.Differentiate(nullptr, 0));
  ASSERT_EQ(d->GetType(), 0x0100);
  EXPECT_EQ(static_cast<CMcReal*>(d.get())->m_value, 0.0);
  EXPECT_EQ(d->m_flags, 0);
}

TEST(Real, FormatValueWritesFullPrecisionIntoTheFocusedText) {
  CMcReal third(1.0 / 3.0, 0);
  char buffer[kMcNumberTextSize];
  third.FormatValue(buffer);
  EXPECT_STREQ(buffer, "0.333333333333333");
  third.FormatValue(nullptr);  // no editor: nothing to write to, no crash
  FocusScope focus(&third, "");
  CMcReal big(1.234567890123456e-300, 0);
  big.FormatValue(nullptr);
  EXPECT_STREQ(FocusScope::Text(), "1.23456789012346E-300");
}

// Walks the caret with modifier 16 from side `from` in one direction and
// returns the sides visited until it leaves the text.
std::string Walk(CMcBasic* node, int direction, int from) {
  std::string sides;
  McCursor cursor;
  cursor.fromSide = static_cast<BYTE>(from);
  for (int guard = 0; guard < 10; ++guard) {
    cursor.node = node;
    cursor.origin = node;
    if (!node->Navigate(direction, 16, &cursor)) break;
    sides += std::to_string(cursor.side);
    if (cursor.side <= 1) break;
    cursor.fromSide = cursor.side;
  }
  return sides;
}

TEST(Real, CaretVisitsEveryPositionOfTheTypedNumber) {
  CMcReal number(123.0, 0);
  {
    FocusScope focus(&number, "123");
    EXPECT_EQ(Walk(&number, kMcRight, 0), "231");
    EXPECT_EQ(Walk(&number, kMcLeft, 1), "320");
  }
  {
    FocusScope focus(&number, "7");
    EXPECT_EQ(Walk(&number, kMcRight, 0), "1");
    EXPECT_EQ(Walk(&number, kMcLeft, 1), "0");
  }
  // Without the modifier the number is one leaf: right from 0 goes to 1.
  McCursor cursor;
  cursor.node = &number;
  EXPECT_TRUE(number.Navigate(kMcRight, 0, &cursor));
  EXPECT_EQ(cursor.side, 1);
}

std::vector<BYTE> Stored(const CMcBasic& node) {
  CArchive ar(CArchive::store);
  node.Store(ar);
  return ar.TakeStoredBytes();
}

TEST(RealRecord, RoundTripKeepsValueFlagsAndBox) {
  CMcReal number(-6.25e-7, 0x41);
  number.m_box = {3, 4, 50, 20};
  number.m_baseline = 16;
  const std::vector<BYTE> bytes = Stored(number);
  ASSERT_EQ(bytes.size(), 32u);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x01);
  double tail;
  std::memcpy(&tail, bytes.data() + 24, 8);  // little-endian host
  EXPECT_EQ(tail, 6.25e-7);

  CArchive in(bytes);
  std::unique_ptr<CMcBasic> loaded(CMcBasic::LoadNode(in));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Compare(&number), 0);
  EXPECT_EQ(loaded->m_flags, 0x41);
  EXPECT_EQ(loaded->m_box.width, 50);
  EXPECT_EQ(loaded->m_baseline, 16);
}

TEST(RealRecord, RefusesChildrenAndTruncation) {
  CMcReal number(1.5, 0);
  std::vector<BYTE> bytes = Stored(number);
  std::vector<BYTE> withChild = bytes;
  withChild[4] = 1;
  CArchive a(withChild);
  EXPECT_EQ(CMcBasic::LoadNode(a), nullptr);
  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    CArchive b(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut));
    EXPECT_EQ(CMcBasic::LoadNode(b), nullptr) << cut;
  }
}

using RealLayout = LayoutFixture;

TEST_F(RealLayout, WidthIsTheTextExtentWithSignMargin) {
  RealFixScope digits(15);
  auto dc = MakeCanvas(200, 60);
  CMcReal number(12.5, 0);
  number.Layout(dc.get(), 0);
  // Fixed metrics: every character h/2 = 10 wide in the numbers family.
  EXPECT_EQ(number.m_box.width, 40);
  EXPECT_EQ(number.m_box.height, 20);
  EXPECT_EQ(number.m_baseline, 16);
  CMcReal negative(12.5, 1);
  negative.Layout(dc.get(), 0);
  EXPECT_EQ(negative.m_box.width, 40 + 10);  // the minus takes h0/2
}

TEST_F(RealLayout, RealFixDigitsAndFullPrecisionAtTheCaret) {
  RealFixScope digits(2);
  auto dc = MakeCanvas(400, 60);
  CMcReal number(12.625, 0);
  number.Layout(dc.get(), 0);
  EXPECT_EQ(number.m_box.width, 2 * 10);  // "13"
  {
    FocusScope focus(&number, "");
    number.Layout(dc.get(), 0);
    EXPECT_EQ(number.m_box.width, 6 * 10);  // "12.625"
  }
  {
    FocusScope focus(&number, "12.6e");
    number.Layout(dc.get(), 0);
    EXPECT_EQ(number.m_box.width, 5 * 10);  // the typed text
  }
}

TEST_F(RealLayout, NonFiniteValuesUseTheSymbolFamily) {
  g_fontHeight[kFontSymbol][0] = 24;
  g_fontAscent[kFontSymbol][0] = 19;
  auto dc = MakeCanvas(200, 60);
  for (double value : {kNaN, kInf}) {
    CMcReal number(value, 0);
    number.Layout(dc.get(), 0);
    EXPECT_EQ(number.m_box.height, 24);
    EXPECT_EQ(number.m_baseline, 19);
    EXPECT_EQ(number.m_box.width, 10);  // one glyph of the Symbol font (cell 20)
  }
}

TEST_F(RealLayout, DrawPutsTheTextAfterTheSign) {
  RealFixScope digits(15);
  auto dc = MakeCanvas(200, 60);
  CMcReal number(5.0, 1);
  number.Layout(dc.get(), 0);
  number.Draw(dc.get(), 10, 10);
  // The digit's solid box fills x 20..29 on the baseline row's cell.
  EXPECT_TRUE(IsInk(dc.get(), 25, 20));
  EXPECT_FALSE(IsInk(dc.get(), 31, 20));
  EXPECT_FALSE(IsInk(dc.get(), 5, 20));
}

}  // namespace

namespace {

TEST_F(RealLayout, CaretOffsetIsTheSignMarginAndTheContextIsRestored) {
  auto dc = MakeCanvas(200, 60);
  dc->SetTextColor(RGB(0, 0, 255));
  dc->SetTextAlign(TA_LEFT | TA_TOP);
  CMcReal plain(5.0, 0), negative(5.0, 1);
  plain.Layout(dc.get(), 0);
  negative.Layout(dc.get(), 0);
  EXPECT_EQ(plain.GetCaretPos(dc.get()), 0);
  EXPECT_EQ(negative.GetCaretPos(dc.get()), 10);  // h0/2 of the level-0 family
  EXPECT_EQ(dc->GetTextColor(), RGB(0, 0, 255));
  EXPECT_EQ(dc->GetTextAlign(), static_cast<UINT>(TA_LEFT | TA_TOP));
}

}  // namespace
