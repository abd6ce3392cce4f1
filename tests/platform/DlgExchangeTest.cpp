// The numbers of dialog data exchange: what parses, what is refused, and how
// values are shown.
#include "platform/ui/DataExchange.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>

namespace {

TEST(DlgExchange, IntegersParseWholeDecimalTextOnly) {
  const std::pair<const char*, int> good[] = {
      {"42", 42}, {"  -17\t", -17}, {"+8", 8}, {"-2147483648", -2147483647 - 1}};
  for (auto [text, expected] : good) {
    int value = -99;
    EXPECT_TRUE(QxParseInt(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* text : {"", "   ", "4 2", "12abc", "0x1A", "1.0", "1e3", "2147483648", "-",
                           "99999999999999999999"}) {
    int value = -99;
    EXPECT_FALSE(QxParseInt(text, value)) << "\"" << text << "\"";
    EXPECT_EQ(value, -99) << "\"" << text << "\"";
  }
}

TEST(DlgExchange, NumbersRefuseNanInfinityAndHexadecimal) {
  const std::pair<const char*, double> good[] = {
      {" -2.5e-3 ", -2.5e-3}, {"1e300", 1e300}, {"+.5", 0.5}, {"7", 7.0}, {"1E-5", 1e-5}};
  for (auto [text, expected] : good) {
    double value = -99.0;
    EXPECT_TRUE(QxParseDouble(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* text : {"nan", "NaN", "inf", "-Inf", "infinity", "0x10", "0x1p3", "1e999",
                           "-1e999", "", ".", "1.5x", "1,5", "e5", "1 e5"}) {
    double value = -99.0;
    EXPECT_FALSE(QxParseDouble(text, value)) << "\"" << text << "\"";
    EXPECT_EQ(value, -99.0) << "\"" << text << "\"";
  }
}

TEST(DlgExchange, ShownValuesReadBackExactly) {
  EXPECT_STREQ(QxFormatInt(-12), "-12");
  EXPECT_STREQ(QxFormatDouble(1e300), "1e+300");
  EXPECT_STREQ(QxFormatDouble(1000.0), "1000");
  EXPECT_STREQ(QxFormatDouble(1.0 / 3.0), "0.333333333333333");
  // Fifteen digits keep every value that has fifteen significant digits.
  for (double v : {0.1, 123456.789012345, -9.87654321098765e-200, 1e-300, DBL_MAX / 10}) {
    double back = 0;
    ASSERT_TRUE(QxParseDouble(QxFormatDouble(v), back)) << v;
    EXPECT_EQ(std::strtod(QxFormatDouble(v), nullptr), back);
    EXPECT_NEAR(back, v, std::abs(v) * 1e-14) << v;
  }
}

}  // namespace
