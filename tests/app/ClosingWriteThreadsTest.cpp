// The closing 0 V writes of a run or a tuner's pass that the board leaves
// unanswered: they are sent again until the board takes them, within the
// loss bound, and the end of the run says when it never did, since the
// process is then still driven. Judged by the board's log of requests (a
// silent fault leaves requests M + 1 .. M + N unanswered) and the boxes said.
#include "GlobalResources.h"
#include "search/KFinder.h"
#include "tests/app/BoardLogCounts.h"
#include "tests/app/RealtimeFixture.h"

namespace {

class ClosingWriteThreads : public RealtimeBoardThreads {
 protected:
  // The board's log as (request number, "W<ch>:<code>" or "R<ch>").
  std::vector<std::pair<int, std::string>> Requests() { return Requests(TimedCalls()); }
  static std::vector<std::pair<int, std::string>> Requests(const std::vector<TimedCall>& calls) {
    std::vector<std::pair<int, std::string>> requests;
    for (const TimedCall& call : calls) requests.emplace_back(call.number, call.call);
    return requests;
  }
  // The closing writes at the end of the log (ch 0 at 0 V, sent as often as
  // they were), and the request number of the last of them.
  static int ClosingWrites(const std::vector<std::pair<int, std::string>>& requests, int* last) {
    int n = 0;
    for (auto it = requests.rbegin(); it != requests.rend() && it->second == "W0:2048"; ++it) ++n;
    *last = n > 0 ? requests.back().first : 0;
    return n;
  }
  // Reads the board's log until request n has come, keeping what it read.
  bool BoardGotRequest(int n) {
    // Appended: g++ 12 warns falsely (-Wrestrict) on "literal" + string.
    const std::string mark = std::string("#").append(std::to_string(n)).append(" ");
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (std::chrono::steady_clock::now() < limit)
      for (std::string line = m_board->ReadLine(); !line.empty(); line = m_board->ReadLine()) {
        NoteBoardLine(line);
        if (line.rfind(mark, 0) == 0) return true;
      }
    return false;
  }
  void ClearBoxes() {
    std::lock_guard guard(m_boxLock);
    m_boxes.clear();
  }
};

}  // namespace

// A run of 5 samples at 0.2 s (loss bound 2 s) sends its closing write as
// request 13. Left unanswered once or twice, it goes again until taken, and
// only the failed calls are said; never taken, it goes again until the
// bound has passed since its first reply timeout, and the end says that the
// outputs may still be driven; the run's own calls were all answered, so
// that is all it says. A run this process or the board was held up
// in is made again: a held-up board answers a request late, or counts one
// among those it answers that the program has given up, and falls silent
// in mid-run.
TEST_F(ClosingWriteThreads, AClosingWriteTheBoardLeavesUnansweredGoesAgainUntilTaken) {
  constexpr int kTimeoutMs = 300, kBoundMs = 2000;
  const struct {
    const char* count;
    int silent;  // requests left unanswered from 13 on
    bool taken;
  } rows[] = {{"1", 1, true}, {"2", 2, true}, {"100000", 100000, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.count);
    CQorexDoc* doc = nullptr;
    std::vector<ShownBox> boxes;
    m_lateRun = [this] { return LateCall(TimedCalls(), 200, 0, 12); };
    if (!JudgedRun([&]() -> CQorexDoc* {
          StartBoardWith({"--after", "12", "--fault", "silent", "--count", row.count}, kTimeoutMs);
          ClearBoxes();
          m_posted.clear();
          doc = NewDesign(0.2, 1.0);
          boxes = RunToItsEnd(doc);
          return doc;
        }))
      GTEST_SKIP() << HeldUpEveryTime();
    const std::vector<TimedCall> calls = TimedCalls();
    const auto requests = Requests(calls);
    ASSERT_GE(requests.size(), 13u);
    EXPECT_EQ(requests[11].second.substr(0, 3), "W0:") << "the last sample's write";
    EXPECT_EQ(LateCall(calls, 200, 0, 12), "");
    int last = 0;
    const int closing = ClosingWrites(requests, &last);
    EXPECT_EQ(static_cast<std::size_t>(closing), requests.size() - 12) << "nothing else after";
    if (row.taken) {
      EXPECT_EQ(closing, row.silent + 1);
      EXPECT_EQ(last, 12 + closing) << "the closing writes end the log";
    } else {
      // Each waits its reply timeout; the last goes before the bound has
      // passed since the first failed, and the one after it would not.
      const long long lastSentMs = (calls.back().us - calls[12].us) / 1000;
      EXPECT_GE(lastSentMs, kBoundMs - kTimeoutMs) << "sent again until the bound";
      EXPECT_LE(lastSentMs, kTimeoutMs + kBoundMs + kPeriodMarginMs) << "and no longer";
    }
    EXPECT_EQ(doc->m_nRuns, 1) << "the pass itself was measured whole";
    EXPECT_EQ(TextsOf(boxes), EndBoxesFromLog(RunCallsInLog(calls, 13, 12 + row.silent),
                                              row.taken ? "" : kOutputsDriven));
    EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{QxRunEndParam({kRunEndedNormally, !row.taken})}));
    doc->OnCloseDocument();
    m_board.reset();
  }
}

// The run spot is clicked while the board keeps a reading unanswered: the
// click only asks, and the worker sends the closing write until the board,
// answering again after two requests, takes it.
TEST_F(ClosingWriteThreads, AStopWhileTheBoardIsSilentZeroesItOnceItAnswersAgain) {
  constexpr int kTimeoutMs = 1500;
  StartBoardWith({"--after", "22", "--fault", "silent", "--count", "2"}, kTimeoutMs);
  CQorexDoc* doc = NewDesign(0.01, 30.0);
  doc->StartStopSimulation();
  ASSERT_TRUE(BoardGotRequest(23));
  const auto asked = std::chrono::steady_clock::now();
  doc->StartStopSimulation();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(kTimeoutMs));
  ASSERT_TRUE(PumpUntilEnded());
  const auto requests = Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().second, "W0:2048");
  EXPECT_GT(requests.back().first, 24) << "the last closing write was answered";
  EXPECT_TRUE(HandOvers().empty());
  for (const ShownBox& box : Boxes())
    EXPECT_EQ(box.text.find(kOutputsDriven), std::string::npos) << box.text;
  for (const LPARAM end : RunEnds()) EXPECT_FALSE(QxRunEndFromParam(end).outputsDriven);
  doc->OnCloseDocument();
}

// Closing the design waits for the worker: the closing write goes again
// while the user waits, but only for the shortest bound (1 s of the run's
// 2 s), and the close itself says the run's end in one box before the
// design goes: its failures (the unanswered reading and the closing writes)
// and that the outputs may still be driven; the closing writes are not
// among the failed calls. (At 0.2 s the bound leaves the
// test time to close before the run is lost.) A board lost for good says it
// with the loss.
TEST_F(ClosingWriteThreads, ABoardThatNeverTakesTheClosingWriteLeavesTheOutputsDrivenAndSaysSo) {
  // Paced until the board fell silent. A reply the program waited for past
  // its timeout is a failed call however the board logged it, so a run held
  // up is made again when it kept that pace net of what held it up.
  m_lateRun = [this] { return LateCall(TimedCalls(), 200, 0, 22); };
  std::chrono::microseconds waited{0};
  std::vector<std::string> shown;
  CQorexDoc* doc = nullptr;
  for (int runs = 0;;) {
    StartBoardWith({"--after", "22", "--fault", "silent", "--count", "100000"}, 400);
    ForgetTheRun();
    doc = NewDesign(0.2, 30.0);
    const HoldUpMeter meter;
    doc->StartStopSimulation();
    ASSERT_TRUE(BoardGotRequest(23));
    const long long askedUs = qxtest::SteadyUs();
    doc->OnCloseDocument();
    const long long closedUs = qxtest::SteadyUs();
    waited = std::chrono::microseconds(closedUs - askedUs) - meter.HeldBetween(askedUs, closedUs);
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    // Said by the user-interface thread before the design went.
    shown.clear();
    for (const ShownBox& box : Boxes())
      if (box.onUiThread) shown.push_back(box.text);
    QxTest::PumpEvents();
    if (!HeldUpRunAgain(meter, runs, nullptr)) break;
  }
  if (!m_heldUp.empty()) GTEST_SKIP() << HeldUpEveryTime();
  ASSERT_EQ(shown.size(), 1u) << "said before the design went";
  EXPECT_EQ(shown, EndBoxesFromLog(RunCallsInLog(TimedCalls(), 23, 100000), kOutputsDriven));
  // The first reply timeout, then the shortest bound, each to the device's
  // 10 ms look, and slack.
  EXPECT_LT(waited, std::chrono::milliseconds(400 + 1000 + 300));
  int last = 0;
  const int closing = ClosingWrites(Requests(), &last);
  EXPECT_GE(closing, 2) << "sent again while the user waited";
  EXPECT_LE(closing, 4) << "one at most each 400 ms reply timeout within 1 s, and the first";
  std::vector<ShownBox> boxes = Boxes();
  EXPECT_EQ(boxes.size(), 1u) << "the end message says nothing more";
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{QxRunEndParam({kRunEndedNormally, true})}));
  EXPECT_EQ(m_lateRun(), "");
  m_lateRun = nullptr;
  m_holdUps.reset();  // the next run is judged by what held the test up

  // The board falls silent for good in mid-run: the run is lost, and its
  // closing write goes again for the bound.
  StartBoardWith({"--after", "22", "--fault", "silent", "--count", "100000"}, 400);
  ClearBoxes();
  m_posted.clear();
  doc = NewDesign(0.01, 30.0);
  boxes = RunToItsEnd(doc);
  EXPECT_GE(ClosingWrites(Requests(), &last), 2);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoardLost + "\n" + kOutputsDriven);
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{QxRunEndParam({kRunLostBoard, true})}));
  EXPECT_EQ(LateCall(TimedCalls(), 10, 0, 22), "");
  doc->OnCloseDocument();
}

// A tuner's pass of 50 samples at 10 ms sends its closing write as request 101: left
// unanswered once, it goes again and the tuning goes on, with nothing to
// say; never taken, the end of the tuning run (lost at a next pass, or not)
// says the outputs may still be driven.
TEST_F(ClosingWriteThreads, ATunersPassSendsItsClosingWriteAgainAndSaysWhatItNeverTook) {
  const int iterations = g_nLocalIterations;
  g_nLocalIterations = 1;
  for (const bool taken : {true, false}) {
    SCOPED_TRACE(taken);
    // A reply the program waited for past its timeout is a failed call
    // however the board logged it: a pass held up is made again when it
    // kept its period net of what held it up.
    m_lateRun = [this] { return LateCall(TimedCalls(), 10, 0, 101); };
    CQorexDoc* doc = nullptr;
    if (!JudgedRun([&]() -> CQorexDoc* {
          StartBoardWith({"--after", "100", "--fault", "silent", "--count", taken ? "1" : "100000"},
                         300);
          ClearBoxes();
          m_posted.clear();
          doc = TunableDesign(0.01, 0.5, 0.5);
          g_pKFinder->Start(doc);
          EXPECT_TRUE(PumpUntilEnded());
          return doc;
        }))
      GTEST_SKIP() << HeldUpEveryTime();
    m_lateRun = nullptr;
    const auto requests = Requests();
    ASSERT_GE(requests.size(), 102u);
    EXPECT_EQ(requests[100].second, "W0:2048");
    EXPECT_EQ(requests[101].second, "W0:2048") << "sent again";
    // The pass kept its period up to its closing write.
    EXPECT_EQ(LateCall(TimedCalls(), 10, 0, 101), "");
    const std::vector<ShownBox> boxes = Boxes();
    const std::vector<std::string> fromLog = EndBoxesFromLog(
        RunCallsInLog(TimedCalls(), 101, taken ? 101 : 100000), taken ? "" : kOutputsDriven);
    if (!taken && !boxes.empty() && boxes[0].text.rfind(kBoardLost, 0) == 0) {
      // Lost at a next pass: the loss is all that is said of the passes.
      EXPECT_EQ(TextsOf(boxes), (std::vector<std::string>{kBoardLost + "\n" + kOutputsDriven}));
    } else {
      EXPECT_EQ(TextsOf(boxes), fromLog);
    }
    doc->OnCloseDocument();
    m_board.reset();
  }
  g_nLocalIterations = iterations;
}
