// The stored runs against the loop's shape and the design's times: a run is
// recalled whole at every length, and a reshape with nothing running keeps
// every run, through a save and an open, until the shape fits it again.
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Run `slot`, the newest, of `samples` samples of ts, its command, control and
// output of the rows given: sample k of each row is base + k.
void SetRun(CQorexDoc& doc, std::array<int, 3> rows, int samples, double ts, double base = 0.0,
            int slot = 0) {
  CSIMsignal* run[] = {&doc.m_runs[slot].setpoint, &doc.m_runs[slot].control,
                       &doc.m_runs[slot].output};
  for (int s = 0; s < 3; ++s) {
    run[s]->Resize(rows[s], samples);
    for (int r = 0; r < rows[s]; ++r)
      for (int k = 0; k < samples; ++k) run[s]->At(r, k) = base + k;
  }
  doc.m_runs[slot].dTs = ts;
  doc.m_nRuns = slot + 1;
}

// Whatever the design's times, a recalled run is shown whole: all its
// samples, against its own time step, and the design keeps its times.
TEST(RunBufferReshape, ARecalledRunIsShownWholeAtEveryLength) {
  const struct {
    double ts;
    int samples;
  } rows[] = {{0.1, 43},   {0.07, 63}, {0.03, 11}, {0.013, 15},
              {0.05, 200}, {0.2, 2},   {0.1, 1},   {0.001, 10000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.samples << " samples of " << row.ts << " s");
    CQorexDoc doc;
    SetRun(doc, {1, 1, 1}, row.samples, row.ts, 5.0);
    doc.m_dSamplingTime = row.ts;  // as Yes to the sampling-time question sets it
    ASSERT_TRUE(doc.RecallRun(0));
    EXPECT_EQ(doc.m_dSamplingTime, row.ts);
    EXPECT_EQ(doc.m_dFinalTime, 30.0);
    EXPECT_EQ(doc.m_system.m_nSteps, row.samples);
    EXPECT_EQ(doc.m_system.m_dTs, row.ts);
    for (const CSIMsignal* s :
         {&doc.m_system.m_c, &doc.m_system.m_u, &doc.m_system.m_y, &doc.m_system.m_yd}) {
      ASSERT_EQ(s->m_nColumns, row.samples);
      EXPECT_EQ(s->At(0, row.samples - 1), 5.0 + row.samples - 1);
    }
    EXPECT_EQ(doc.m_nRuns, 1);
  }
}

// A run of another sampling time recalled without taking it: the design's
// time settings stay, the loop shows the run on its own time step, and the
// next recalculation gives the design's own run back.
TEST(RunBufferReshape, ARecallChangesNoSettingAndLastsUntilTheNextRecalculation) {
  CQorexDoc doc;
  SetRun(doc, {1, 1, 1}, 1000, 0.01, 5.0);
  ASSERT_TRUE(doc.RecallRun(0));
  EXPECT_EQ(doc.m_dSamplingTime, 0.05);
  EXPECT_EQ(doc.m_dFinalTime, 30.0);
  EXPECT_EQ(doc.m_system.m_dTs, 0.01);
  EXPECT_EQ(doc.m_system.m_yd.m_nColumns, 1000);
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nSteps, 600);
  EXPECT_EQ(doc.m_system.m_dTs, 0.05);
  EXPECT_EQ(doc.m_system.m_yd.m_nColumns, 600);
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.5, 1e-6);  // the loop's step response, settled
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
// back to 1 x 1 it no longer does, and stays all the same.
TEST(RunBufferReshape, AnOpenedDesignKeepsItsRunsWhateverShapeTheLoopTakes) {
  CQorexDoc source;
  SetRun(source, {1, 2, 2}, 600, 0.05);
  CArchive out(CArchive::store);
  source.Serialize(out);
  CArchive in(out.TakeStoredBytes());
  CQorexDoc doc;
  doc.Serialize(in);
  ASSERT_EQ(doc.m_nRuns, 1);
  const char* misfit =
      "Run 1 cannot be recalled: it was recorded with 1 setpoint, 2 control and 2 output "
      "channels, and the loop now has 1, 1 and 1.";
  EXPECT_EQ(doc.RunRecallRefusal(0), misfit);
  EXPECT_FALSE(doc.RecallRun(0));
  doc.Recalculate();
  EXPECT_EQ(doc.m_nRuns, 1);

  doc.ResizeModel(kModelG, 2, 2);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 2);
  EXPECT_EQ(doc.m_nRuns, 1);
  EXPECT_EQ(doc.RunRecallRefusal(0), "");
  EXPECT_TRUE(doc.RecallRun(0));
  doc.ResizeModel(kModelG, 1, 1);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 1);
  EXPECT_EQ(doc.m_nRuns, 1);
  EXPECT_EQ(doc.RunRecallRefusal(0), misfit);
  EXPECT_EQ(doc.RunRecallRefusal(1), "There is no run 2 in the buffer.");
}

// Measured runs outlive a reshape made with nothing running: the size picker
// takes the Process to 2 x 2 and back, the design is saved and opened between
// and after, and every run is still there, in its order, recalled with its
// samples as soon as the loop has its rows again; meanwhile its recall says
// why it cannot be done.
TEST(RunBufferReshape, AReshapeWithNothingRunningKeepsEveryRunThroughASave) {
  const auto reopened = [](CQorexDoc& doc) {
    CArchive out(CArchive::store);
    doc.Serialize(out);
    CArchive in(out.TakeStoredBytes());
    auto opened = std::make_unique<CQorexDoc>();
    opened->Serialize(in);
    return opened;
  };
  CQorexDoc doc;
  doc.SetRunCapacity(3);
  for (int r = 0; r < 3; ++r) SetRun(doc, {1, 1, 1}, 100 + r, 0.05, 10.0 * r, r);

  doc.ResizeModel(kModelG, 2, 2);
  ASSERT_EQ(doc.m_system.m_yd.m_nRows, 2);
  EXPECT_EQ(doc.m_nRuns, 3);
  std::unique_ptr<CQorexDoc> wide = reopened(doc);
  ASSERT_EQ(wide->m_system.m_yd.m_nRows, 2);
  ASSERT_EQ(wide->m_nRuns, 3);
  EXPECT_FALSE(wide->RecallRun(2));
  EXPECT_EQ(wide->RunRecallRefusal(2),
            "Run 3 cannot be recalled: it was recorded with 1 setpoint, 1 control and 1 output "
            "channels, and the loop now has 1, 2 and 2.");

  wide->ResizeModel(kModelG, 1, 1);
  ASSERT_EQ(wide->m_system.m_yd.m_nRows, 1);
  std::unique_ptr<CQorexDoc> back = reopened(*wide);
  ASSERT_EQ(back->m_nRuns, 3);
  for (int r = 0; r < 3; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(back->RunRecallRefusal(r), "");
    ASSERT_TRUE(back->RecallRun(r));
    ASSERT_EQ(back->m_system.m_yd.m_nColumns, 100 + r);
    EXPECT_EQ(back->m_system.m_yd.At(0, 99), 10.0 * r + 99);
  }
}

}  // namespace
