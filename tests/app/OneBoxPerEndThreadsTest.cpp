// The board falls silent for good in the middle of a write; the user then
// quits, closes the design or starts the tuner (and quits while tuning).
// Each road says the end in one box before it returns: the run's failed
// calls as the board logged them (the unanswered write; the closing writes,
// sent again, are not among them) and that the outputs may still be driven;
// the end message says nothing more, and nothing else (no "connection
// lost") comes after. Judged by the boxes said and the board's log.
#include "GlobalResources.h"
#include "search/KFinder.h"
#include "simulation/RealtimeTexts.h"
#include "tests/app/BoardLogCounts.h"
#include "tests/app/RealtimeFixture.h"

namespace {

// The board leaves requests 22 on unanswered: request 22 is the write of a
// run's sample 9 (after its two zeroing writes) or of a tuner's pass's
// sample 10. A reply is awaited 300 ms.
constexpr int kFaultAfter = 21;
constexpr DWORD kReplyMs = 300;

enum class Road { kQuit, kCloseDesign, kStartTuner, kQuitWhileTuning };

class OneBoxPerEndThreads : public RealtimeBoardThreads {
 protected:
  void TearDown() override {
    g_nLocalIterations = m_iterations;
    RealtimeBoardThreads::TearDown();
  }

  int m_iterations = g_nLocalIterations;
};

}  // namespace

TEST_F(OneBoxPerEndThreads, EveryRoadSaysTheEndInOneBoxNamingTheFailedWrites) {
  const struct {
    Road road;
    const char* name;
  } roads[] = {{Road::kQuit, "quit"},
               {Road::kCloseDesign, "close the design"},
               {Road::kStartTuner, "start the tuner"},
               {Road::kQuitWhileTuning, "quit while tuning"}};
  std::string heldUpRows;
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    std::vector<ShownBox> said, all;
    BoardLogCounts log;
    // The run keeps its period until the board falls silent.
    std::vector<TimedCall> before;
    m_lateRun = [&] { return LateCall(before, 50); };
    for (int runs = 0;;) {
      StartBoardWith(
          {"--after", std::to_string(kFaultAfter), "--fault", "silent", "--count", "100000"},
          kReplyMs);
      {
        std::lock_guard guard(m_boxLock);
        m_boxes.clear();
      }
      m_posted.clear();
      const bool quit = road.road == Road::kQuit || road.road == Road::kQuitWhileTuning;
      if (quit) {
        ASSERT_NO_FATAL_FAILURE(MakeQuitFrame());
      }
      // Tuning: one tunable variable, so the first candidate's pass meets the silence.
      CQorexDoc* doc = road.road == Road::kQuitWhileTuning ? TunableDesign(0.05, 30.0, 0.5)
                                                           : NewDesign(0.05, 30.0);
      const HoldUpMeter meter;
      if (road.road == Road::kQuitWhileTuning) {
        g_nLocalIterations = 1;
        g_pKFinder->Start(doc);
      } else {
        doc->StartStopSimulation();
      }
      ASSERT_TRUE(PumpUntilBoardRequest(kFaultAfter + 1));
      if (quit) {
        doc->SetModifiedFlag(FALSE);
        m_quitFrame->SendMessage(WM_CLOSE);
      } else if (road.road == Road::kCloseDesign) {
        doc->OnCloseDocument();
      } else {
        // Another design has nothing to tune: its tuner starts and ends at once.
        g_pKFinder->Start(NewDesign(0.05, 1.0));
      }
      // A program that quits delivers nothing after: what it says, it says
      // before the road returns.
      said = Boxes();
      ASSERT_TRUE(PumpUntilEnded());
      QxTest::PumpEvents();
      all = Boxes();
      log = RunCallsInLog(TimedCalls(), kFaultAfter + 1, kFaultAfter + 100000);
      before = TimedCalls();
      before.resize(std::min<std::size_t>(before.size(), kFaultAfter));
      m_template->CloseAllDocuments(FALSE);
      QxTest::PumpEvents();
      const bool again = HeldUpRunAgain(meter, runs, nullptr);
      m_board.reset();
      if (!again) break;
    }
    if (!m_heldUp.empty()) {
      heldUpRows += std::string("\n") + road.name + ": " + HeldUpEveryTime();
      continue;
    }
    EXPECT_EQ(LateCall(before, 50), "");
    ASSERT_EQ(said.size(), 1u) << "said before the road went on";
    EXPECT_TRUE(said[0].onUiThread);
    EXPECT_EQ(said[0].caption, kRealtimeCaption);
    EXPECT_EQ(TextsOf(said), EndBoxesFromLog(log, kRealtimeOutputsDrivenText));
    ASSERT_EQ(all.size(), 1u) << all.back().text;
  }
  if (!heldUpRows.empty()) GTEST_SKIP() << "rows not judged:" << heldUpRows;
}
