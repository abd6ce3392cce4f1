// The numbers of dialog data exchange: what parses, what is refused, and how
// values are shown.
#include "platform/ui/DataExchange.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>

namespace {

TEST(DlgExchange, IntegersParseWholeDecimalTextOnly) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"42", true, 42},
      {"  -17\t", true, -17},
      {"+8", true, 8},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"", false, 0},
      {"   ", false, 0},
      {"4 2", false, 0},
      {"12abc", false, 0},
      {"0x1A", false, 0},
      {"1.0", false, 0},
      {"1e3", false, 0},
      {"2147483648", false, 0},
      {"-", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int value = -99;
    EXPECT_EQ(QxParseInt(c.text, value), c.ok) << "\"" << c.text << "\"";
    EXPECT_EQ(value, c.ok ? c.value : -99) << "\"" << c.text << "\"";
  }
}

TEST(DlgExchange, NumbersRefuseNanInfinityAndHexadecimal) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"0.01", true, 0.01},   {" -2.5e-3 ", true, -2.5e-3},
      {"1e300", true, 1e300}, {"+.5", true, 0.5},
      {"7", true, 7.0},       {"1E-5", true, 1e-5},
      {"nan", false, 0},      {"NaN", false, 0},
      {"inf", false, 0},      {"-Inf", false, 0},
      {"infinity", false, 0}, {"0x10", false, 0},
      {"0x1p3", false, 0},    {"1e999", false, 0},
      {"-1e999", false, 0},   {"", false, 0},
      {".", false, 0},        {"1.5x", false, 0},
      {"1,5", false, 0},      {"e5", false, 0},
      {"1 e5", false, 0},
  };
  for (const Case& c : cases) {
    double value = -99.0;
    EXPECT_EQ(QxParseDouble(c.text, value), c.ok) << "\"" << c.text << "\"";
    EXPECT_EQ(value, c.ok ? c.value : -99.0) << "\"" << c.text << "\"";
  }
}

TEST(DlgExchange, ShownValuesReadBackExactly) {
  EXPECT_STREQ(QxFormatInt(-12), "-12");
  EXPECT_STREQ(QxFormatDouble(0.5), "0.5");
  EXPECT_STREQ(QxFormatDouble(1e300), "1e+300");
  EXPECT_STREQ(QxFormatDouble(1000.0), "1000");
  EXPECT_STREQ(QxFormatDouble(1.0 / 3.0), "0.333333333333333");
  // Fifteen digits keep every value that has fifteen significant digits.
  const double values[] = {0.1, 123456.789012345, -9.87654321098765e-200, 1e-300, DBL_MAX / 10};
  for (double v : values) {
    double back = 0;
    ASSERT_TRUE(QxParseDouble(QxFormatDouble(v), back)) << v;
    EXPECT_EQ(std::strtod(QxFormatDouble(v), nullptr), back);
    EXPECT_NEAR(back, v, std::abs(v) * 1e-14) << v;
  }
}

}  // namespace
