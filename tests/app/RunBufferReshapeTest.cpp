// The stored runs against the loop's shape: a run is recalled with its own
// times at every length, and a design opened from a file keeps the runs it
// holds until its loop is reshaped.
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

// Run 0 of `samples` samples of ts, its command, control and output of the
// rows given: sample k of each row is base + k.
void SetRun(CQorexDoc& doc, std::array<int, 3> rows, int samples, double ts, double base = 0.0) {
  CSIMsignal* run[] = {&doc.m_runSetpoints[0], &doc.m_runControls[0], &doc.m_runOutputs[0]};
  for (int s = 0; s < 3; ++s) {
    run[s]->Resize(rows[s], samples);
    for (int r = 0; r < rows[s]; ++r)
      for (int k = 0; k < samples; ++k) run[s]->At(r, k) = base + k;
  }
  doc.m_runTs[0] = ts;
  doc.m_nRuns = 1;
}

// Lengths whose samples times the sampling time, divided again, fall short
// of the length by a rounding: the design must still get every sample.
TEST(RunBufferReshape, ARunTakenWithItsTimesIsRecalledWholeAtEveryLength) {
  const struct {
    double ts;
    int samples;
  } rows[] = {{0.1, 43}, {0.07, 63}, {0.03, 11}, {0.013, 15}, {0.05, 200}, {0.2, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.samples << " samples of " << row.ts << " s");
    CQorexDoc doc;
    SetRun(doc, {1, 1, 1}, row.samples, row.ts, 5.0);
    ASSERT_TRUE(doc.RecallRunWithItsTimes(0));
    EXPECT_EQ(doc.m_dSamplingTime, row.ts);
    EXPECT_EQ(std::trunc(doc.m_dFinalTime / row.ts), row.samples);
    EXPECT_NEAR(doc.m_dFinalTime, row.samples * row.ts, 1e-12);
    EXPECT_EQ(doc.m_system.m_nSteps, row.samples);
    ASSERT_EQ(doc.m_system.m_yd.m_nColumns, row.samples);
    const int last = row.samples - 1;
    EXPECT_EQ(doc.m_system.m_c.At(0, last), 5.0 + last);
    EXPECT_EQ(doc.m_system.m_u.At(0, last), 5.0 + last);
    EXPECT_EQ(doc.m_system.m_y.At(0, last), 5.0 + last);
    EXPECT_EQ(doc.m_system.m_yd.At(0, last), 5.0 + last);
    EXPECT_EQ(doc.m_nRuns, 1);
  }
}

// Times no run can be made of are refused, and the design keeps its own.
TEST(RunBufferReshape, RunTimesThatMakeNoRunAreNotTaken) {
  const struct {
    double ts;
    int samples;
  } rows[] = {{0.1, 1}, {0.0, 100}, {-0.1, 100}, {NAN, 100}, {HUGE_VAL, 100}, {0.001, 10001}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.samples << " samples of " << row.ts << " s");
    CQorexDoc doc;
    SetRun(doc, {1, 1, 1}, row.samples, row.ts);
    EXPECT_FALSE(doc.RecallRunWithItsTimes(0));
    EXPECT_NE(doc.RunRecallRefusal(0, true), "");
    EXPECT_EQ(doc.m_dSamplingTime, 0.05);
    EXPECT_EQ(doc.m_dFinalTime, 30.0);
    EXPECT_EQ(doc.m_system.m_nSteps, 600);
  }
}

// Opening a design of a 2 x 2 Process into a new design (whose loop is
// single) is no reshape: a run the file holds stays, whatever its rows.
TEST(RunBufferReshape, OpeningADesignOfAnotherShapeKeepsItsRuns) {
  CQorexDoc source;
  source.ResizeModel(kModelG, 2, 2);
  SetRun(source, {1, 1, 1}, 600, 0.05);
  CArchive out(CArchive::store);
  source.Serialize(out);
  CArchive in(out.TakeStoredBytes());
  CQorexDoc doc;
  doc.Serialize(in);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 2);
  EXPECT_EQ(doc.m_nRuns, 1);
}

// A file holding a run of a Process of 2 x 2 beside a single loop (as an
// earlier version could save one): opening it keeps the run, and its recall
// says why it cannot be done. Reshaping the Process to 2 x 2 makes it fit;
// back to 1 x 1, it no longer does and goes.
TEST(RunBufferReshape, AnOpenedDesignKeepsItsRunsUntilTheLoopIsReshaped) {
  CQorexDoc source;
  SetRun(source, {1, 2, 2}, 600, 0.05);
  CArchive out(CArchive::store);
  source.Serialize(out);
  CArchive in(out.TakeStoredBytes());
  CQorexDoc doc;
  doc.Serialize(in);
  ASSERT_EQ(doc.m_nRuns, 1);
  EXPECT_EQ(doc.RunRecallRefusal(0, false),
            "Run 1 cannot be recalled: it was recorded with 1 setpoint, 2 control and 2 output "
            "channels, and the loop now has 1, 1 and 1.");
  EXPECT_FALSE(doc.RecallRun(0));
  doc.Recalculate();  // no reshape: the run stays
  EXPECT_EQ(doc.m_nRuns, 1);

  doc.ResizeModel(kModelG, 2, 2);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 2);
  EXPECT_EQ(doc.m_nRuns, 1);
  EXPECT_EQ(doc.RunRecallRefusal(0, false), "");
  EXPECT_TRUE(doc.RecallRun(0));
  doc.ResizeModel(kModelG, 1, 1);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 1);
  EXPECT_EQ(doc.m_nRuns, 0);
  EXPECT_EQ(doc.RunRecallRefusal(0, false), "There is no run 1 in the buffer.");
}

}  // namespace
