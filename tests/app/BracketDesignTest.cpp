// A design whose process model is written with typed parentheses saves,
// opens and recalculates to the closed-loop poles of the same model written
// without them.
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include "MC/Mc_operator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace simtest;

CMcBasic* Bracket(CMcBasic* operand) {
  return new CMcOperator(operand, CMcOperator::Flags(CMcOperator::kBracket));
}

// G = (s + 1)/((s + 2)(s + 3)) under unit feedback (K = L = P = 1, F = f11 = 1).
void SetProcess(CQorexDoc& doc, bool typed) {
  auto wrap = [&](CMcBasic* e) { return typed ? Bracket(e) : e; };
  SetModel(
      doc, kModelG,
      Div(wrap(Sum({S(), Real(1)})), Prod({wrap(Sum({S(), Real(2)})), wrap(Sum({S(), Real(3)}))})));
  doc.Recalculate();
}

std::vector<cd> ClosedLoopPoles(const CQorexDoc& doc) {
  const CSIMtrnfn& det = doc.m_system.m_detIFLGK;
  return FromIndexOne(det.m_zeros.data(), det.m_nNum - 1);
}

}  // namespace

// 1 + G = 0 gives (s + 2)(s + 3) + s + 1 = s^2 + 6 s + 7, the poles -3 +- sqrt 2.
TEST(BracketDesign, SavesOpensAndRecalculatesToTheSamePoles) {
  CQorexDoc plain, typed;
  SetProcess(plain, false);
  SetProcess(typed, true);
  const double poles[][2] = {{-3 - std::sqrt(2.0), 0}, {-3 + std::sqrt(2.0), 0}};
  ExpectSameRoots(ClosedLoopPoles(plain), poles, 2, 1e-12);
  ExpectSameRoots(ClosedLoopPoles(typed), poles, 2, 1e-12);

  const std::string path = qxtest::MakeTempDir("brackets") + "/typed.qox";
  ASSERT_TRUE(typed.OnSaveDocument(path.c_str()));
  CQorexDoc opened;
  ASSERT_TRUE(opened.OnOpenDocument(path.c_str()));
  const CMcBasic* process = opened.m_models.RightSideAt(kModelG);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->Compare(typed.m_models.RightSideAt(kModelG)), 0) << "the brackets came back";
  EXPECT_EQ(ClosedLoopPoles(opened), ClosedLoopPoles(typed));
  EXPECT_EQ(opened.m_system.m_nError, kSimOk);
  EXPECT_NEAR(opened.m_system.m_yd.At(0, opened.m_system.m_nSteps - 1),
              plain.m_system.m_yd.At(0, plain.m_system.m_nSteps - 1), 1e-12);
}
