// Fractions: the quotient and its sign, centring, the bar rules and the caret
// walk; the integer and double fraction reduction.
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "SumFamilyTestSupport.h"

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

// H = 20, ascent 16: the baseline lies 2 pixels below the axis under the
// numerator and both parts are centred on the wider one. Parts 60 pixels high
// together keep the thin bar, 61 get the 2-pixel bar; a fraction over 63
// pixels grows one pixel and two columns. The bar is drawn t rows thick
// between the parts.
TEST(Division, CentringAndTheBar) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  const struct {
    int numW, numH, denW, denH;
    int thickness, height, width, numX, denX;
  } cases[] = {
      {30, 20, 11, 20, 1, 43, 30, 0, 10},
      {30, 30, 30, 30, 1, 63, 30, 0, 0},
      {30, 30, 11, 31, 2, 65, 32, 1, 11},
  };
  for (const auto& c : cases) {
    CMcDivision f(new BoxLeaf(c.numW, c.numH, 16), new BoxLeaf(c.denW, c.denH, 16), 0);
    f.Layout(nullptr, 0);
    EXPECT_EQ(f.m_baseline, c.numH + 16 - 10 + 2);
    EXPECT_EQ(f.BarThickness(), c.thickness) << c.numH << "+" << c.denH;
    EXPECT_EQ(f.m_box.height, c.height) << c.numH << "+" << c.denH;
    EXPECT_EQ(f.m_box.width, c.width) << c.numH << "+" << c.denH;
    EXPECT_EQ(f.m_children[0]->m_box.x, c.numX) << c.numH << "+" << c.denH;
    EXPECT_EQ(f.m_children[1]->m_box.x, c.denX) << c.numH << "+" << c.denH;
    EXPECT_EQ(f.m_children[1]->m_box.y, c.height - c.denH) << c.numH << "+" << c.denH;

    Canvas canvas(60, 100);
    f.Draw(canvas.dc(), 0, 0);
    std::vector<int> inkRows;
    for (int y = 0; y < 100; ++y) {
      if (canvas.Ink(15, y)) inkRows.push_back(y);
    }
    ASSERT_EQ(inkRows.size(), static_cast<size_t>(c.thickness)) << c.numH << "+" << c.denH;
    EXPECT_GT(inkRows[0], c.numH);  // between the parts
    EXPECT_LT(inkRows.back(), c.height - c.denH);
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

TEST(Division, ReducesIntegerFractionsByTablePrimes) {
  const struct {
    int a, b, ra, rb;
  } cases[] = {
      {12, 18, 2, 3}, {7, 7, 1, 1},
      {0, 0, 1, 1},   {123, 205, 123, 205},  // 3 * 41 over 5 * 41: 41 is not in the table
      {-4, 6, -4, 6}, {73 * 4, 73 * 6, 2, 3},
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
