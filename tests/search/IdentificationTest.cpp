// Process identification: the misfit of the process model against stored
// runs, the runs that do not fit the loop, and FindG's fit from a poor start.
#include "tests/search/IdentificationSupport.h"

#include "platform/core/MessageBox.h"
#include "tests/search/data/IdentifyReference.h"

#include <cmath>
#include <vector>

namespace {

using namespace eqtest;

TEST_F(IdentificationTest, TheMisfitIsZeroAtTheTrueValuesAndPositiveAroundThem) {
  StoreRun(400, 0.05);
  EXPECT_EQ(Cost(), 0.0);
  for (const char* which : {"b", "a", "tau"})
    for (double factor : {0.9, 1.1}) {
      SetTruth();
      Param(which) *= factor;
      EXPECT_GT(Cost(), 1e-6) << which << " x " << factor;
    }
}

TEST_F(IdentificationTest, TheWeightCutsTheSamplesAndOneOfOtherRowsWeighsWithItsFirst) {
  StoreRun(400, 0.05);
  Param("b") = 2.5;  // every sample after the first step misfits
  WeightOf(1, 400, {1.0});
  const double full = Cost();
  ASSERT_GT(full, 0.0);
  // The hand sum over the first 200 samples of the same simulation.
  const CSIMsignal& measured = Doc().m_runs[0].output;
  const CSIMsignal& simulated = Doc().m_system.m_yd;
  double firstHalf = 0.0;
  for (int k = 0; k < 200; ++k) firstHalf += std::pow(measured.At(0, k) - simulated.At(0, k), 2);
  WeightOf(1, 200, {1.0});
  EXPECT_NEAR(Cost(), firstHalf, 1e-12 * full);
  EXPECT_LT(firstHalf, full);
  // Two rows for one measured row: the first weighs it, the second is never read.
  WeightOf(2, 400, {3.0, 100.0});
  EXPECT_NEAR(Cost(), 3.0 * full, 1e-12 * full);
}

// Two outputs: a weight of one row per output weighs each by its own row,
// one of any other row count weighs both by its first.
TEST_F(EqualizerTest, IdentificationWeighsEachOutputByItsRowOrAllByTheFirst) {
  CQorexDoc& doc = Doc();
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0,
               Matrix(2, {Div(Variable("b"), PolyExpr({1, 1})), Tf({2}, {3, 1}), Tf({1}, {1, 1}),
                          Tf({1}, {1, 1})}));
  Var("b") = 1.0;
  doc.Recalculate();
  doc.m_nRuns = 0;
  simtest::StoreOwnRun(doc);
  Var("b") = 1.5;
  m_engine.m_wMode = kEqualizerIdentify;
  const int n = doc.m_runs[0].output.m_nColumns;
  auto costWith = [&](std::vector<double> rows) {
    CSIMsignal& w = doc.m_errorWeight;
    w.Resize(static_cast<int>(rows.size()), n);
    for (int i = 0; i < w.m_nRows; ++i)
      for (int k = 0; k < n; ++k) w.At(i, k) = rows[i];
    return m_engine.ComputeCost(TRUE);
  };
  const double both = costWith({1.0});
  const double first = costWith({1.0, 0.0});
  const double second = costWith({0.0, 1.0});
  ASSERT_GT(first, 0.0);
  ASSERT_GT(second, 0.0);
  EXPECT_NEAR(first + second, both, 1e-12 * both);
  EXPECT_NEAR(costWith({2.0, 0.0, 0.0}), 2.0 * both, 1e-12 * both);
}

TEST_F(IdentificationTest, RunsOfAnotherShapeAreSkippedAndLongerOnesCut) {
  StoreRun(400, 0.05);
  Param("b") = 2.5;
  WeightOf(1, 400, {1.0});
  const double alone = Cost();
  // A run of two setpoint rows, one of two measured rows, and one longer
  // than the weight, stored as a file could bring them.
  CQorexDoc& doc = Doc();
  doc.SetRunCapacity(5);
  auto add = [&](int setpointRows, int measuredRows, int samples) {
    const int r = doc.m_nRuns++;
    doc.m_runs[r].setpoint.Resize(setpointRows, samples);
    doc.m_runs[r].control.Resize(1, samples);
    doc.m_runs[r].output.Resize(measuredRows, samples);
    for (int i = 0; i < setpointRows * samples; ++i) doc.m_runs[r].setpoint.m_pSamples[i] = 1.0;
    for (int i = 0; i < measuredRows * samples; ++i) doc.m_runs[r].output.m_pSamples[i] = 5.0;
    doc.m_runs[r].dTs = 0.05;
  };
  add(2, 1, 600);
  add(1, 3, 600);
  EXPECT_EQ(Cost(), alone) << "both skipped";
  add(1, 1, 900);  // a setpoint longer than the weight and the stored run
  add(1, 1, 50);
  const double withLong = Cost();
  EXPECT_GT(withLong, alone);
  EXPECT_TRUE(std::isfinite(withLong));
  EXPECT_EQ(Doc().m_system.m_yd.m_nColumns, 900) << "the loop is sized for the longest run";
}

TEST_F(IdentificationTest, ARunIsFittedAtItsOwnSamplingTime) {
  StoreRun(200, 0.1);
  Doc().m_dSamplingTime = 0.05;
  Doc().Recalculate();
  EXPECT_EQ(Cost(), 0.0);
  EXPECT_EQ(Doc().m_system.m_dTs, 0.05) << "the system's sampling time is back";
  // A run stored as if at the system's time would not fit.
  Doc().m_runs[0].dTs = 0.05;
  EXPECT_GT(Cost(), 1e-3);
  Doc().m_runs[0].dTs = 0.0;
  EXPECT_EQ(Cost(), 0.0) << "a run without a sampling time is skipped";
}

TEST_F(IdentificationTest, FindGFitsTheNoiseFreeRunFromOneOneOne) {
  StoreRun(400, 0.05);
  SetStart();
  g_nLocalIterations = kExactLocalIterations;
  m_engine.FindG();
  EXPECT_NEAR(Param("b"), 2.0, 2e-6);
  EXPECT_NEAR(Param("a"), 3.0, 3e-6);
  EXPECT_NEAR(Param("tau"), 0.5, 0.5e-6);
  std::printf("FindG noise-free, local iterations %d: %lld evaluations\n", g_nLocalIterations,
              m_engine.m_nCostCalls);
}

// The reference script's own simulation of the design must be the system's
// before its least-squares fit of the noisy run can be compared with FindG's.
TEST_F(IdentificationTest, FindGOfTheNoisyRunMeetsTheLeastSquaresFit) {
  namespace ref = identify_reference;
  StoreRun(ref::kSamples, ref::kTs);
  CSIMsignal& measured = Doc().m_runs[0].output;
  for (int k = 0; k < ref::kSamples; ++k) {
    ASSERT_NEAR(measured.At(0, k), ref::kClean[k], 1e-10) << k;
    measured.At(0, k) = ref::kNoisy[k];
  }
  SetStart();
  g_nLocalIterations = kExactLocalIterations;
  m_engine.FindG();
  EXPECT_NEAR(Param("b"), ref::kFit[0], 0.01 * ref::kFit[0]);
  EXPECT_NEAR(Param("a"), ref::kFit[1], 0.01 * ref::kFit[1]);
  EXPECT_NEAR(Param("tau"), ref::kFit[2], 0.01 * ref::kFit[2]);
}

TEST_F(IdentificationTest, FindGLeavesTheFlagsAndTheConditioningAndRecalculates) {
  SetSignal(Doc(), kSigUProc, Variable("q"));
  Doc().Recalculate();
  Var("q") = 0.7;
  StoreRun(300, 0.05);
  SetStart();
  g_nGlobalIterations = 4;  // the program's defaults
  g_nLocalIterations = 10;
  const WORD flags = Doc().m_system.m_G.m_wFlags;
  ASSERT_FALSE(flags & kBlockTunable);
  m_engine.FindG();
  EXPECT_EQ(Doc().m_system.m_G.m_wFlags, flags);
  EXPECT_EQ(Var("q"), 0.7);
  EXPECT_NE(Param("b"), 1.0) << "the fit moved";
  // Recalculated: the design's own run again, at its own length and command.
  const CSIMsystem& sys = Doc().m_system;
  EXPECT_EQ(sys.m_c.m_nColumns, sys.m_nSteps);
  EXPECT_EQ(sys.m_c.At(0, 0), 1.0);
  EXPECT_EQ(Doc().m_errorWeight.m_nColumns, 300);
}

TEST_F(IdentificationTest, FindGWithoutAStoredRunDoesNothing) {
  SetStart();
  m_engine.FindG();
  EXPECT_EQ(m_engine.m_nCostCalls, 0);
  EXPECT_EQ(Param("b"), 1.0);
  EXPECT_EQ(Param("a"), 1.0);
}

}  // namespace

// A worker's request to identify that arrives while a close or quit asks
// whether to save the design starts no search on it.
TEST_F(IdentificationTest, FindGWhileTheDesignIsAskedToBeSavedDoesNothing) {
  StoreRun(300, 0.05);
  SetStart();
  Doc().SetModifiedFlag(TRUE);
  int asked = 0;
  const QxMessageBoxHandler previous = QxSetMessageBoxHandler([&](HWND, LPCSTR, LPCSTR, UINT) {
    ++asked;
    m_engine.FindG();
    return IDNO;
  });
  EXPECT_TRUE(Doc().SaveModified());
  QxSetMessageBoxHandler(previous);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(m_engine.m_nCostCalls, 0);
  EXPECT_EQ(Param("b"), 1.0);
}
