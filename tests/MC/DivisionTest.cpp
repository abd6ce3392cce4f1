// Fractions: the quotient and its sign, centring, the bar rules and the caret
// walk; the integer and double fraction reduction.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "SumFamilyTestSupport.h"
#include "platform/gdi/DC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qxtest;

namespace {

CMcDivision* Fraction(double n, double d, WORD flags = 0) {
  return new CMcDivision(new CMcReal(std::fabs(n), n < 0 ? 1 : 0),
                         new CMcReal(std::fabs(d), d < 0 ? 1 : 0), flags);
}

TEST(Division, QuotientAndSign) {
  const struct {
    const char* name;
    double n, d;
    WORD flags;
    double re;
    bool reNegative;
  } cases[] = {
      {"6/3", 6, 3, 0, 2.0, false},     {"-(6/3)", 6, 3, 1, -2.0, true},
      {"6/(-3)", 6, -3, 0, -2.0, true}, {"-(0/2) is a negative zero", 0, 2, 1, 0.0, true},
      {"0/2", 0, 2, 0, 0.0, false},
  };
  StepDoc run(2);
  for (const auto& c : cases) {
    std::unique_ptr<CMcDivision> f(Fraction(c.n, c.d, c.flags));
    const McComplex scalar = Scalar(*f);
    EXPECT_EQ(scalar.re, c.re) << c.name;
    EXPECT_EQ(std::signbit(scalar.re), c.reNegative) << c.name;
    std::unique_ptr<McComplex[]> vec(f->EvaluateVector(&run.doc));
    EXPECT_EQ(vec[1].re, c.re) << c.name;
    EXPECT_EQ(std::signbit(vec[1].re), c.reNegative) << c.name;
  }
}

TEST(Division, ZeroDenominatorIsNotAnError) {
  std::unique_ptr<CMcDivision> f(Fraction(1, 0));
  g_bEvalError = 0;
  EXPECT_FALSE(std::isfinite(Scalar(*f).re));
  EXPECT_EQ(g_bEvalError, 0);
}

// H = 20, ascent 16: the baseline lies 2 pixels below the axis under the
// numerator; both parts are centred on the wider one.
TEST(Division, CentresBothParts) {
  FixedFontTables fonts;
  CMcDivision f(new BoxLeaf(30, 20, 16), new BoxLeaf(11, 20, 16), 0);
  f.Layout(nullptr, 0);
  EXPECT_EQ(f.m_baseline, 20 + 16 - 10 + 2);
  EXPECT_EQ(f.m_box.height, 43);
  EXPECT_EQ(f.m_box.width, 30);
  EXPECT_EQ(f.m_children[0]->m_box.x, 0);
  EXPECT_EQ(f.m_children[1]->m_box.x, 15 - 5);
  EXPECT_EQ(f.m_children[1]->m_box.y, 23);
}

// Parts 60 high together keep the thin bar; 61 get the 2-pixel bar. A
// fraction over 63 pixels high grows one pixel and two columns.
TEST(Division, BarThicknessAndExtraWidth) {
  FixedFontTables fonts;
  const struct {
    int numHeight, denHeight;
    int thickness, height, width, numX;
  } cases[] = {
      {30, 30, 1, 63, 30, 0},
      {30, 31, 2, 65, 32, 1},
      {20, 20, 1, 43, 30, 0},
  };
  for (const auto& c : cases) {
    CMcDivision f(new BoxLeaf(30, c.numHeight, 16), new BoxLeaf(30, c.denHeight, 16), 0);
    f.Layout(nullptr, 0);
    EXPECT_EQ(f.BarThickness(), c.thickness) << c.numHeight << "+" << c.denHeight;
    EXPECT_EQ(f.m_box.height, c.height) << c.numHeight << "+" << c.denHeight;
    EXPECT_EQ(f.m_box.width, c.width) << c.numHeight << "+" << c.denHeight;
    EXPECT_EQ(f.m_children[0]->m_box.x, c.numX) << c.numHeight << "+" << c.denHeight;
  }
}

// The bar is drawn t pixels thick, t rows under the numerator.
TEST(Division, DrawsTheBarUnderTheNumerator) {
  FixedMetricsResources resources;
  {
    FixedFontTables fonts;
    for (int numHeight : {20, 41}) {
      CMcDivision f(new BoxLeaf(30, numHeight, 16), new BoxLeaf(30, 20, 16), 0);
      f.Layout(nullptr, 0);
      const int t = f.BarThickness();
      CDC dc;
      ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
      CBitmap bitmap;
      ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 60, 100));
      CBitmap* old = dc.SelectObject(&bitmap);
      dc.FillSolidRect(0, 0, 60, 100, RGB(255, 255, 255));
      dc.SetTextColor(RGB(0, 0, 0));
      f.Draw(&dc, 0, 0);
      int inkRows = 0, firstRow = -1;
      for (int y = 0; y < 100; ++y) {
        if (dc.GetPixel(15, y) == RGB(0, 0, 0)) {
          ++inkRows;
          if (firstRow < 0) firstRow = y;
        }
      }
      EXPECT_EQ(inkRows, t) << "numerator " << numHeight;
      EXPECT_GE(firstRow, numHeight) << "numerator " << numHeight;
      EXPECT_LE(firstRow, numHeight + t) << "numerator " << numHeight;
      dc.SelectObject(old);
    }
  }
}

TEST(Division, SmallPartsStayWithinTheLevels) {
  FixedFontTables fonts;
  for (int level : {0, 3}) {
    CMcDivision f(new BoxLeaf(1, 1, 1), new BoxLeaf(1, 1, 1), 0x10);
    f.SetLevel(level);
    f.Layout(nullptr, 0);
    EXPECT_EQ(f.m_children[0]->GetLevel(), std::min(level + 1, 3));
    EXPECT_EQ(f.m_children[1]->GetLevel(), std::min(level + 1, 3));
  }
}

TEST(Division, CaretReachesBothPartsAndTerminates) {
  CMcBasic* num = new BoxLeaf(1, 1, 1);
  CMcBasic* den = new BoxLeaf(1, 1, 1);
  auto* f = new CMcDivision(num, den, 0);
  CMcGroup group(f, "", 0);
  const std::vector<CaretStop> right = {{f, 0}, {num, 0}, {num, 1}, {f, 1}};
  EXPECT_EQ(WalkCaret(f, 0, kMcRight), right);
  EXPECT_EQ(WalkCaret(f, 1, kMcLeft), std::vector<CaretStop>(right.rbegin(), right.rend()));
  const std::vector<CaretStop> down = {{num, 1}, {den, 1}};
  EXPECT_EQ(WalkCaret(num, 1, kMcDown), down);
  const std::vector<CaretStop> up = {{den, 0}, {num, 0}};
  EXPECT_EQ(WalkCaret(den, 0, kMcUp), up);
  const std::vector<CaretStop> fromFraction = {{f, 0}, {den, 0}};
  EXPECT_EQ(WalkCaret(f, 0, kMcDown), fromFraction);
  const std::vector<CaretStop> denRight = {{den, 0}, {den, 1}, {f, 1}};
  EXPECT_EQ(WalkCaret(den, 0, kMcRight), denRight);
}

TEST(Division, CompareKeepsNumeratorAndDenominatorApart) {
  std::unique_ptr<CMcDivision> ab(Fraction(1, 2));
  std::unique_ptr<CMcDivision> ba(Fraction(2, 1));
  std::unique_ptr<CMcDivision> negated(Fraction(1, 2, 1));
  EXPECT_EQ(ab->Compare(ba.get()), 8);
  EXPECT_EQ(ab->Compare(negated.get()), 1);
  CMcReal one(1, 0);
  EXPECT_EQ(ab->Compare(&one), 0x20);
}

TEST(Division, ReducesIntegerFractionsByTablePrimes) {
  const struct {
    int a, b, ra, rb;
  } cases[] = {
      {12, 18, 2, 3}, {18, 12, 3, 2},       {7, 7, 1, 1},
      {0, 0, 1, 1},   {123, 205, 123, 205},  // 3 * 41 over 5 * 41: 41 is not in the table
      {1, 5, 1, 5},   {-4, 6, -4, 6},       {73 * 4, 73 * 6, 2, 3},
  };
  for (const auto& c : cases) {
    int a = c.a, b = c.b;
    McReduceFraction(&a, &b);
    EXPECT_EQ(a, c.ra) << c.a << "/" << c.b;
    EXPECT_EQ(b, c.rb) << c.a << "/" << c.b;
  }
}

TEST(Division, ReducesDoubleFractions) {
  const double inf = HUGE_VAL;
  const struct {
    double a, b, ra, rb;
  } cases[] = {
      {12, 18, 2, 3},           {0.02, 0.5, 0.2, 5}, {2.5, 3, 2.5, 3},
      {4e16, 2e16, 0.4, 0.2},   {0, 0.5, 0, 0.5},    // no power of ten for a zero
      {-0.25, 0.5, -0.25, 0.5}, {-inf, 2, -inf, 2},  // never converted to an integer
  };
  for (const auto& c : cases) {
    double a = c.a, b = c.b;
    McReduceFractionD(&a, &b);
    EXPECT_DOUBLE_EQ(a, c.ra) << c.a << "/" << c.b;
    EXPECT_DOUBLE_EQ(b, c.rb) << c.a << "/" << c.b;
  }
}

}  // namespace
