// A design whose sampling and final time give no run: the loop, a run and the
// tuner judge the times alike, the status line says why nothing is drawn, and
// the run spot and the tuner's spot say the same refusal once and run nothing.
#include "search/KFinder.h"
#include "tests/app/RealtimeFixture.h"
#include "tests/simulation/SimTestSupport.h"

#include <string>

namespace {

const std::string kBelow =
    "The final time is shorter than the sampling time: the design is not simulated until its "
    "times are corrected in Simulator Properties.";
const std::string kTooMany =
    "The final time holds more than 10000 samples of the sampling time: the design is not "
    "simulated until its times are corrected in Simulator Properties.";
const std::string kUnsound =
    "The design cannot be run: its signals do not fit its models or its times are not valid.";
const std::string kPeriod = "The sampling time must be between 1[ms] and 30[s]";
const std::string kReady = "Ready";

// The roads to times without a run, what the status line says of each, and
// what a run says.
struct BadTimesRoad {
  const char* what;
  double ts, tf;
  const std::string& status;
  const std::string& refusal;
};
const BadTimesRoad kRoads[] = {
    {"a sampling time above the final time", 0.5, 0.2, kBelow, kUnsound},
    {"a final time just short of the sampling time", 0.05, 0.0499, kBelow, kUnsound},
    {"a 0.001 s run's sampling time adopted into a 30 s design", 0.001, 30.0, kTooMany, kUnsound},
    {"a quotient beyond every sample count", 0.001, 1e7, kTooMany, kUnsound},
    {"a sampling time above the final time and above 30 s", 40.0, 30.0, kBelow, kPeriod},
};

class BadTimesStatusLine : public QorexAppTest {
 protected:
  std::string Status() const { return Frame()->m_wndStatusBar.GetPaneText(0).GetString(); }
  void SetTimes(CQorexDoc* doc, double ts, double tf) {
    doc->m_dSamplingTime = ts;
    doc->m_dFinalTime = tf;
    doc->Recalculate();
    doc->UpdateAll();
    QxTest::PumpUntilIdle();
  }
};

using BadTimesThreads = RealtimeThreads;

}  // namespace

TEST_F(BadTimesStatusLine, SaysWhyNothingIsDrawnUntilTheTimesGiveARun) {
  CQorexDoc* doc = ActiveDoc();
  ASSERT_NE(doc, nullptr);
  for (const BadTimesRoad& road : kRoads) {
    SCOPED_TRACE(road.what);
    SetTimes(doc, road.ts, road.tf);
    EXPECT_EQ(doc->m_system.m_nError, kSimBadTimes);
    EXPECT_EQ(doc->m_system.m_yd.m_nColumns, 0);
    EXPECT_EQ(Status(), road.status);
    SetTimes(doc, 0.05, 30.0);
    EXPECT_EQ(Status(), "Ready");
  }
}

// A stored run's sampling time adopted at its recall, the design not
// simulated again: the status line says at once whether the times now give a
// run, as the run spot judges them, over the recalled run.
TEST_F(BadTimesStatusLine, AdoptingARunsSamplingTimeSaysTheTimesAtOnce) {
  CQorexDoc* doc = ActiveDoc();
  ASSERT_NE(doc, nullptr);
  const struct {
    const char* what;
    double designTs, runTs;
    const std::string& status;
  } rows[] = {
      {"0.001 s into a 30 s design", 0.05, 0.001, kTooMany},
      {"0.05 s into a 30 s design at 0.001 s", 0.001, 0.05, kReady},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    SetTimes(doc, 0.05, 30.0);
    doc->m_nRuns = 0;
    simtest::StoreOwnRun(*doc);
    doc->m_runs[0].dTs = row.runTs;
    SetTimes(doc, row.designTs, 30.0);
    const std::string before = Status();
    QxTest::MessageBoxScript boxes({IDYES});
    QxTest::PopupMenuScript menus({RUN1});
    QxTest::Click(Frame()->m_wndOutputBar.GetPane(0), {300, 50}, QxTest::Button::Right);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ASSERT_EQ(doc->m_dSamplingTime, row.runTs);
    EXPECT_EQ(doc->m_system.m_nSteps, 600) << "the recalled run, whole";
    EXPECT_NE(Status(), before);
    EXPECT_EQ(Status(), row.status);
    EXPECT_EQ(CSIMsystem::NoRunText(doc->m_dSamplingTime, doc->m_dFinalTime) == nullptr,
              row.status == kReady);
  }
}

// The tuner's set-up of the simulator judges the times as the loop does: no
// run of zero samples where the loop has none.
TEST_F(BadTimesThreads, TheSimulatorIsSetUpInTheBadTimesStateAsTheLoopIs) {
  for (const BadTimesRoad& road : kRoads) {
    SCOPED_TRACE(road.what);
    CQorexDoc* doc = NewDesign(road.ts, road.tf);
    ASSERT_EQ(doc->m_system.m_nError, kSimBadTimes);
    doc->PrepareSimulation();
    EXPECT_EQ(g_pSimulator.load()->m_nError, kSimBadTimes);
    EXPECT_EQ(g_pSimulator.load()->m_nSteps, 0);
    doc->OnCloseDocument();
  }
}

TEST_F(BadTimesThreads, TheRunSpotAndTheTunerSayTheSameRefusalOnceAndRunNothing) {
  Install<QxManualClock>();
  for (const BadTimesRoad& road : kRoads) {
    SCOPED_TRACE(road.what);
    CQorexDoc* doc = TunableDesign(road.ts, road.tf);
    ClearBoxes();
    m_posted.clear();
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, road.refusal);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_TRUE(HandOvers().empty());

    ClearBoxes();
    m_posted.clear();
    g_pKFinder->Start(doc);
    ASSERT_TRUE(PumpUntilEnded());
    boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, road.refusal);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_EQ(Count(WM_QX_DOCTOKFINDER), 0);
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    EXPECT_EQ(doc->m_nRuns, 0);
    doc->OnCloseDocument();
  }
}
