// The variable node: time and table variables in both paths with their signs,
// unbound variables, comparison and the caret through name and subscript.
#include "McTestSupport.h"

using namespace mctest;

namespace {

const double kPi = std::acos(-1.0);

}  // namespace

// t is the time only when plain: with a subscript, the constant flag, a Greek
// or decorated style it reads its table entry like any variable.
TEST(Variable, TimeVariableIsStepTimesSamplingTime) {
  CQorexDoc doc;
  doc.m_system.m_nStep = 7;
  doc.m_system.m_dTs = 0.01;
  doc.m_vars.m_pValue[1] = 42.0;
  const struct {
    const char* subscript;
    WORD flags;
    double re;
  } rows[] = {
      {"", 0x0000, 0.07}, {"", 0x0001, -0.07}, {"", 0x0002, 0.07}, {"", 0x0040, 0.07},
      {"1", 0x0000, 42},  {"", 0x0100, 42},    {"", 0x0010, 42},   {"", 0x0200, 42},
  };
  for (const auto& row : rows) {
    CMcVariable t("t", row.subscript, row.flags);
    t.m_index = 1;
    const McComplex v = Eval(&t, &doc, &doc.m_system);
    EXPECT_NEAR(v.re, row.re, 1e-15) << row.subscript << " flags " << row.flags;
    EXPECT_EQ(v.im, 0.0);
    EXPECT_FALSE(std::signbit(v.im));
  }
}

TEST(Variable, VectorsOfTimeAndTableVariablesWithSigns) {
  CQorexDoc doc;
  doc.m_system.m_nSteps = 4;
  doc.m_system.m_dTs = 0.5;
  std::unique_ptr<CMcVariable> t(Time()), minusT(Time(1));
  Values v(t->EvaluateVector(&doc));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(v[k].re, 0.5 * k) << k;
  v.reset(minusT->EvaluateVector(&doc));
  EXPECT_EQ(v[3].re, -1.5);
  EXPECT_FALSE(std::signbit(v[3].im));
  doc.m_system.m_nSteps = 1;
  doc.m_system.m_nStep = 6;
  v.reset(t->EvaluateVector(&doc));
  EXPECT_EQ(v[0].re, 3.0) << "a single sample is the current step's time";

  doc.m_system.m_nSteps = 3;
  CMcVariable k("k", "", 1);
  doc.m_vars.BindVariables(&k);
  doc.m_vars.m_pValue[k.m_index] = 5.0;
  const McComplex one = Eval(&k, &doc, &doc.m_system);
  EXPECT_EQ(one.re, -5.0);
  EXPECT_TRUE(std::signbit(one.im));
  v.reset(k.EvaluateVector(&doc));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v[i].re, -5.0);
    EXPECT_TRUE(std::signbit(v[i].im));
  }
}

TEST(Variable, UnboundOrOutOfTableIndexYieldsPiJ) {
  CQorexDoc doc;
  g_bEvalError = 0;
  CMcVariable x("x", "", 0), negated("x", "", 1);
  EXPECT_EQ(x.m_index, CMcVariable::kUnbound);
  EXPECT_TRUE(Near(Eval(&x, &doc, &doc.m_system), {0, kPi}));
  EXPECT_TRUE(Near(Eval(&negated, &doc, &doc.m_system), {0, -kPi}));
  x.m_index = static_cast<WORD>(doc.m_vars.m_nCount);  // one past the last entry
  EXPECT_TRUE(Near(Eval(&x, &doc, &doc.m_system), {0, kPi}));
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

// With modifier 16 the caret steps through the name and the subscript.
TEST(Variable, CaretVisitsNameAndSubscriptPositions) {
  const struct {
    const char* name;
    const char* sub;
    const char* right;
    const char* left;
  } rows[] = {{"ab", "c", "02341", "14320"}, {"ab", "", "021", "120"}, {"x", "", "01", "10"}};
  for (const auto& row : rows) {
    CMcVariable v(row.name, row.sub, 0);
    EXPECT_EQ(Sides(WalkCaret(&v, 0, kMcRight, 16)), row.right) << row.name << row.sub;
    EXPECT_EQ(Sides(WalkCaret(&v, 1, kMcLeft, 16)), row.left) << row.name << row.sub;
  }
}
