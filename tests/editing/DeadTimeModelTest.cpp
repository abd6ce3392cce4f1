// The dead time as the loop converts it: over the amounts and orders a user
// types, the model keeps its full degree with every pole left of the axis,
// whether the amount is a number or a variable the user or a search moves; a
// model that loses degree anyway puts the loop in its error state.
#include "tests/simulation/SimTestSupport.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "MC/Mc_equality.h"
#include "editing/ModelBuilders.h"
#include "editing/VarBar.h"
#include "platform/testing/TestHooks.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TreeBuilders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using namespace qxtest::trees;

constexpr double kAmounts[] = {1e-3, 1e-2, 0.1, 1.0, 10.0, 100.0, 1e3};
constexpr int kMaxOrder = 20;

std::unique_ptr<CMcBasic> UnitController() {
  return std::unique_ptr<CMcBasic>(new CMcEquality(Fn("K", S()), Real(1), 0));
}

// The element converted as the loop converts a model: n/n, no error, every
// pole in the open left half-plane, static gain 1 (exp(0)).
void ExpectFullDegreeAndStable(CQorexDoc* doc, const CMcBasic* rhs, int order, double amount) {
  SCOPED_TRACE(testing::Message() << "order " << order << ", amount " << amount);
  g_bEvalError = 0;
  CSIMtrnfn t;
  t.FromExpr(doc, rhs);
  EXPECT_EQ(g_bEvalError, 0);
  ASSERT_EQ(t.m_nDen, order + 1);
  EXPECT_EQ(t.m_nNum, order + 1);
  ASSERT_TRUE(t.m_bRootsValid);
  for (int k = 1; k <= order; ++k) EXPECT_LT(t.m_poles[k].re, 0.0) << "pole " << k;
  EXPECT_NEAR(t.m_num[0] / t.m_den[0], 1.0, 1e-9);
}

TEST(DeadTimeModel, FixedAmountsKeepFullDegreeAndStablePoles) {
  int checked = 0;
  for (int order = 1; order <= kMaxOrder; ++order)
    for (double amount : kAmounts) {
      auto k = UnitController();
      ASSERT_TRUE(AddDeadTime(k.get(), kModelK, {0, 0, amount, order, true}, nullptr));
      ExpectFullDegreeAndStable(nullptr, k->m_children[1], order, amount);
      ++checked;
    }
  EXPECT_EQ(checked, kMaxOrder * 7);
}

// Built once per order; the Variables bar or a search then gives tau its values.
TEST(DeadTimeModel, AVariableAmountKeepsFullDegreeAndStablePolesAtEveryValue) {
  CQorexDoc doc;
  for (int order = 1; order <= kMaxOrder; ++order) {
    auto k = UnitController();
    ASSERT_TRUE(AddDeadTime(k.get(), kModelK, {0, 0, 1.0, order, false}, &doc.m_vars));
    const int tau = doc.m_vars.Find("t", "11K", kMcVariant);
    ASSERT_GE(tau, 0);
    for (double amount : kAmounts) {
      doc.m_vars.m_pValue[tau] = amount;
      ExpectFullDegreeAndStable(&doc, k->m_children[1], order, amount);
    }
  }
}

// Sets the coefficient zero threshold for one scope.
class ZeroThreshold {
 public:
  explicit ZeroThreshold(double value) : m_saved(g_dZeroTol) { g_dZeroTol = value; }
  ~ZeroThreshold() { g_dZeroTol = m_saved; }
  ZeroThreshold(const ZeroThreshold&) = delete;
  ZeroThreshold& operator=(const ZeroThreshold&) = delete;

 private:
  double m_saved;
};

// K = 1/(0.1 s + 1) times the order-6 approximation of 1 s: its leading
// denominator coefficient is 0.1, under a threshold raised to 0.5.
TEST(DeadTimeModel, ALossOfDegreeAtARaisedThresholdPutsTheLoopInItsErrorState) {
  CQorexDoc doc;
  simtest::SetModel(doc, kModelK, Div(Real(1), Sum({Prod({Real(0.1), S()}), Real(1)})));
  ASSERT_TRUE(AddDeadTime(doc.m_models.GetAt(kModelK), kModelK, {0, 0, 1.0, 6, true}, nullptr));
  doc.Recalculate();
  ASSERT_EQ(doc.m_system.m_nError, kSimOk);
  {
    ZeroThreshold raised(0.5);
    doc.Recalculate();
    EXPECT_EQ(doc.m_system.m_nError, kSimModelInvalid);
    EXPECT_EQ(doc.m_system.m_nInvalidModels, 1u << kModelK);
    EXPECT_EQ(doc.m_system.CanBuildModel(&doc, doc.m_models.GetAt(kModelK)), 0);
    // Not run unstable: not run at all.
    const CSIMsignal& y = doc.m_system.m_yd;
    ASSERT_GT(y.m_nColumns, 0);
    for (int t = 0; t < y.m_nColumns; ++t) ASSERT_EQ(y.At(0, t), 0.0) << t;
  }
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nError, kSimOk);
  EXPECT_EQ(doc.m_system.m_nInvalidModels, 0u);
}

// 1/(s + 1) times a variable dead time of the given order; tau is returned
// through its table entry.
std::unique_ptr<CMcBasic> LagWithVariableDeadTime(CQorexDoc& doc, int order, int* tau) {
  std::unique_ptr<CMcBasic> k(new CMcEquality(Fn("K", S()), Div(Real(1), Sum({S(), Real(1)})), 0));
  EXPECT_TRUE(AddDeadTime(k.get(), kModelK, {0, 0, 1.0, order, false}, &doc.m_vars));
  *tau = doc.m_vars.Find("t", "11K", kMcVariant);
  return k;
}

// The slider's 0 and its neighbours: at 0 the factor is exp(0) = 1 and the
// element is the lag alone; at -0.2 the poles mirror those at 0.2.
TEST(DeadTimeModel, AtAVariableAmountOfZeroTheElementIsAsWithoutDeadTime) {
  CQorexDoc doc;
  for (int order = 1; order <= kMaxOrder; ++order) {
    SCOPED_TRACE(testing::Message() << "order " << order);
    int tau = -1;
    const auto k = LagWithVariableDeadTime(doc, order, &tau);
    ASSERT_GE(tau, 0);
    doc.m_vars.m_pValue[tau] = 0.0;
    g_bEvalError = 0;
    CSIMtrnfn t;
    t.FromExpr(&doc, k->m_children[1]);
    EXPECT_EQ(g_bEvalError, 0);
    ASSERT_EQ(t.m_nDen, 2);
    ASSERT_EQ(t.m_nNum, 1);
    EXPECT_NEAR(t.m_num[0] / t.m_den[1], 1.0, 1e-12);
    EXPECT_NEAR(t.m_den[0] / t.m_den[1], 1.0, 1e-12);

    doc.m_vars.m_pValue[tau] = 0.2;
    CSIMtrnfn right;
    right.FromExpr(&doc, k->m_children[1]);
    doc.m_vars.m_pValue[tau] = -0.2;
    CSIMtrnfn left;
    left.FromExpr(&doc, k->m_children[1]);
    EXPECT_EQ(g_bEvalError, 0);
    ASSERT_EQ(right.m_nDen, order + 2);
    ASSERT_EQ(left.m_nDen, order + 2);
    // The lag's pole -1 stays; the dead time's poles change side.
    int rightHalf = 0;
    for (int i = 1; i <= order + 1; ++i) {
      EXPECT_LT(right.m_poles[i].re, 0.0);
      rightHalf += left.m_poles[i].re > 0.0;
    }
    EXPECT_EQ(rightHalf, order);
  }
}

// Amounts whose coefficients leave the double range are refused, never
// converted into a model whose poles collapsed to 0.
TEST(DeadTimeModel, AVariableAmountOutsideTheDoubleRangeIsRefused) {
  const struct {
    double amount;
    int order;
  } rows[] = {{1e-200, 2}, {1e-310, 1}, {-1e-200, 2}, {1e30, 20}, {1e200, 3}, {-1e30, 20}};
  CQorexDoc doc;
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.amount << " at order " << r.order);
    int tau = -1;
    const auto k = LagWithVariableDeadTime(doc, r.order, &tau);
    doc.m_vars.m_pValue[tau] = r.amount;
    g_bEvalError = 0;
    CSIMtrnfn t;
    t.FromExpr(&doc, k->m_children[1]);
    EXPECT_NE(g_bEvalError, 0);
  }
}

// A variable dead time of orders 1, 3 and 20 in K, its tau at every position
// of the Variables bar's slider over -10 .. 10: the loop computes, the design
// saves and opens again without a word; at 0 it runs as the loop without it.
TEST(DeadTimeModel, ADesignSavedAtEverySliderPositionOpensWithoutAWarning) {
  const std::string folder = qxtest::MakeTempDir("deadtime-slider");
  CQorexDoc plain;
  simtest::SetModel(plain, kModelK, Div(Real(1), Sum({S(), Real(1)})));
  plain.Recalculate();
  ASSERT_EQ(plain.m_system.m_nError, kSimOk);
  const double tolerance = std::exchange(g_dWatchdogTol, 1e9);  // no accuracy question
  for (int order : {1, 3, 20}) {
    CQorexDoc doc;
    simtest::SetModel(doc, kModelK, Div(Real(1), Sum({S(), Real(1)})));
    ASSERT_TRUE(
        AddDeadTime(doc.m_models.GetAt(kModelK), kModelK, {0, 0, 1.0, order, false}, &doc.m_vars));
    doc.UpdateUsedVariables();
    const int tau = doc.m_vars.Find("t", "11K", kMcVariant);
    ASSERT_GE(tau, 0);
    for (int position = 0; position <= 100; ++position) {
      const double amount = CVarBar::SliderValue(position, -10, 10, 0, 100);
      SCOPED_TRACE(testing::Message() << "order " << order << ", tau " << amount);
      doc.m_vars.m_pValue[tau] = amount;
      doc.Recalculate();
      ASSERT_EQ(doc.m_system.m_nError, kSimOk);
      if (position == 50) {
        ASSERT_EQ(amount, 0.0);
        const CSIMsignal& y = doc.m_system.m_yd;
        ASSERT_GT(y.m_nColumns, 0);
        for (int t = 0; t < y.m_nColumns; ++t)
          ASSERT_NEAR(y.At(0, t), plain.m_system.m_yd.At(0, t), 1e-12) << t;
      }
      const std::string path = folder + "/" + std::to_string(position) + ".qox";
      ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
      QxTest::MessageBoxScript boxes;
      CQorexDoc opened;
      ASSERT_TRUE(opened.OnOpenDocument(path.c_str()));
      EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes()[0].text;
      EXPECT_EQ(opened.m_system.m_nError, kSimOk);
    }
  }
  g_dWatchdogTol = tolerance;
}

}  // namespace
