// A final time equal to the sampling time, as the end marker of a signal pane
// dragged to the first sample makes it: a run of one sample for the loop, a
// real-time run and the tuner alike.
#include "search/KFinder.h"
#include "tests/app/RealtimeFixture.h"

namespace {

using OneSampleRunThreads = RealtimeThreads;

}  // namespace

// The one sample is computed as the first of a longer run: the process
// input of sample 0 is still 0, and K = 0.5 acts on the error of c = 1.
TEST_F(OneSampleRunThreads, TheLoopSimulatesTheOneSample) {
  const struct { double ts, tf; } rows[] = {{0.05, 0.05}, {1.0, 1.0}, {0.3, 0.5}, {30.0, 30.0}};
  CQorexDoc* longer = NewDesign(0.05, 0.5);
  ASSERT_EQ(longer->m_system.m_nSteps, 10);
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.ts) + " s over " + std::to_string(row.tf) + " s");
    CQorexDoc* doc = NewDesign(row.ts, row.tf);
    const CSIMsystem& loop = doc->m_system;
    EXPECT_EQ(loop.m_nError, kSimOk);
    EXPECT_EQ(loop.m_nSteps, 1);
    ASSERT_EQ(loop.m_yd.m_nColumns, 1);
    ASSERT_EQ(loop.m_u.m_nColumns, 1);
    EXPECT_EQ(loop.m_c.At(0, 0), 1.0);
    EXPECT_EQ(loop.m_u.At(0, 0), longer->m_system.m_u.At(0, 0));
    EXPECT_EQ(loop.m_u.At(0, 0), 0.5 * (1.0 - loop.m_w.At(0, 0)));
    EXPECT_EQ(doc->LoopStateText(), "");
    doc->OnCloseDocument();
  }
}

// The run spot runs the one sample, hands it over and stores it; nothing is
// refused.
TEST_F(OneSampleRunThreads, ARealTimeRunOfOneSampleIsRunAndStored) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.02);
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0].text;
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  ASSERT_EQ(doc->m_nRuns, 1);
  EXPECT_EQ(doc->m_runs[0].output.m_nColumns, 1);
  EXPECT_EQ(doc->m_runs[0].dTs, 0.02);
  EXPECT_EQ(doc->m_system.m_nSteps, 1);
  EXPECT_TRUE(AllOutputsZero());
}

// The tuner tunes a one-sample design: its candidates get their passes of
// one sample, and it ends by updating the design as after any tuning.
TEST_F(OneSampleRunThreads, TheTunerTunesAOneSampleDesign) {
  Install<QxManualClock>();
  CQorexDoc* doc = TunableDesign(0.02, 0.02, 0.5);
  g_pKFinder->Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0].text;
  EXPECT_GE(Count(WM_QX_DOCTOKFINDER), 1);
  EXPECT_GE(Count(kTransfer), 1);
  EXPECT_EQ(Count(WM_QX_UPDATEALL), 1);
  EXPECT_EQ(g_pSimulator.load()->m_nSteps, 1);
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
}
