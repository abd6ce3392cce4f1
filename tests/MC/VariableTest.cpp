// The variable node: time and table variables in both paths with their signs,
// unbound variables and comparison.
#include "McTestSupport.h"

using namespace mctest;

// t is the time only when plain: with a subscript, the constant flag, a Greek
// or decorated style it reads its table entry like any variable. A minus
// leaves the time's imaginary part +0 and negates an entry's; a whole run of
// one sample is the current step's time.
TEST(Variable, TimeOrTableEntryInBothPaths) {
  CQorexDoc doc;
  doc.m_system.m_nStep = 7;
  doc.m_system.m_nSteps = 4;
  doc.m_system.m_dTs = 0.5;
  doc.m_vars.m_pValue[1] = 42.0;
  const struct {
    const char* subscript;
    WORD flags;
    bool time;
  } rows[] = {
      {"", 0x0000, true},  {"", 0x0001, true},   {"", 0x0002, true},
      {"", 0x0040, true},  {"1", 0x0000, false}, {"1", 0x0001, false},
      {"", 0x0100, false}, {"", 0x0010, false},  {"", 0x0200, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "t_" << row.subscript << " flags " << row.flags);
    CMcVariable t("t", row.subscript, row.flags);
    t.m_index = 1;
    const double sign = row.flags & 1 ? -1 : 1;
    const bool imNegative = !row.time && sign < 0;
    const McComplex v = Eval(&t, &doc);
    EXPECT_EQ(v.re, sign * (row.time ? 3.5 : 42.0));
    EXPECT_EQ(std::signbit(v.im), imNegative);
    Values vec(t.EvaluateVector(&doc));
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(vec[k].re, sign * (row.time ? 0.5 * k : 42.0)) << k;
      EXPECT_EQ(std::signbit(vec[k].im), imNegative) << k;
    }
  }
  doc.m_system.m_nSteps = 1;
  std::unique_ptr<CMcVariable> t(Time());
  Values one(t->EvaluateVector(&doc));
  EXPECT_EQ(one[0].re, 3.5);
}

TEST(Variable, UnboundOrOutOfTableIndexYieldsPiJ) {
  CQorexDoc doc;
  g_bEvalError = 0;
  CMcVariable x("x", "", 0), negated("x", "", 1);
  EXPECT_EQ(x.m_index, CMcVariable::kUnbound);
  EXPECT_TRUE(Near(Eval(&x, &doc), {0, kPi}));
  EXPECT_TRUE(Near(Eval(&negated, &doc), {0, -kPi}));
  x.m_index = static_cast<WORD>(doc.m_vars.m_nCount);  // one past the last entry
  EXPECT_TRUE(Near(Eval(&x, &doc), {0, kPi}));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Variable, CompareNamesSubscriptsStyleAndSign) {
  CMcVariable x("x", "", 0);
  const struct {
    const char* name;
    const char* subscript;
    WORD flags;
    WORD expected;
  } rows[] = {
      {"x", "", 0x0000, 0}, {"x", "", 0x0001, 1}, {"x", "", 0x0600, 2},  {"x", "", 0x0010, 2},
      {"x", "", 0x0100, 2}, {"y", "", 0x0000, 4}, {"x", "1", 0x0000, 4}, {"", "x", 0x0000, 4},
      {"x", "", 0x00C4, 0},  // size level and parentheses are no difference
  };
  for (const auto& row : rows) {
    CMcVariable other(row.name, row.subscript, row.flags);
    EXPECT_EQ(x.Compare(&other), row.expected)
        << row.name << "_" << row.subscript << " " << row.flags;
  }
  CMcReal one(1.0, 0);
  EXPECT_EQ(x.Compare(&one), 0x20);
}
