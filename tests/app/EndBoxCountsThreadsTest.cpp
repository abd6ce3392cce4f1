// The failed-calls line of a run's end counts the run's own calls as the
// board saw them: the zeroing writes and each sample's reading and write,
// not the closing 0 V write, which goes again once a period to a board that
// does not take it (the outputs-driven line says its fate). Judged against
// the board's log for a board that falls silent, one that ends as a killed
// driver does, and one that answers garbage, at a short and a longer period.
// Each fault strikes the last sample, so that the run ends by itself: no stop
// can land a sample early or late.
#include "tests/app/BoardLogCounts.h"
#include "tests/app/RealtimeFixture.h"

namespace {

class EndBoxCountsThreads : public RealtimeBoardThreads {};

}  // namespace

// Ten samples: requests 1 and 2 zero the outputs, sample k reads as 3 + 2k
// and writes as 4 + 2k, so the last reading is request 21 and the last
// write 22.
TEST_F(EndBoxCountsThreads, TheFailedCallsLineCountsTheRunsOwnCallsAsTheBoardLoggedThem) {
  constexpr int kSamples = 10, kForGood = 100000;
  const struct {
    const char* fault;
    int after, count;
    bool closingTaken;
  } rows[] = {{"silent", 21, kForGood, false},
              {"exit", 21, 1, false},
              {"garbage", 20, 2, true},
              {"garbage", 21, kForGood, false}};
  for (const double ts : {0.01, 0.05}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.fault) + " after " + std::to_string(row.after) + " at " +
                   std::to_string(ts) + " s");
      std::vector<ShownBox> boxes;
      // The run keeps its period up to the request the fault struck, which
      // the program sent on time: ten readings of channel 0.
      const DWORD periodMs = static_cast<DWORD>(ts * 1000);
      const auto paced = [&] {
        std::vector<TimedCall> calls;
        for (const TimedCall& call : TimedCalls())
          if (call.number <= row.after + 1) calls.push_back(call);
        return calls;
      };
      m_lateRun = [&] { return LateCall(paced(), periodMs); };
      if (!JudgedRun([&]() -> CQorexDoc* {
            StartBoardWith({"--after", std::to_string(row.after), "--fault", row.fault, "--count",
                            std::to_string(row.count)},
                           300);
            ForgetTheRun();
            CQorexDoc* doc = NewDesign(ts, kSamples * ts);
            boxes = RunToItsEnd(doc);
            return doc;
          }))
        GTEST_SKIP() << HeldUpEveryTime();
      EXPECT_EQ(LateCall(paced(), periodMs), "");
      const std::vector<TimedCall> calls = TimedCalls();
      const BoardLogCounts log = RunCallsInLog(calls, row.after + 1, row.after + row.count);
      EXPECT_EQ(log.calls, 2 + 2 * kSamples) << "the zeroing writes and each sample's two calls";
      const std::size_t closing = calls.size() - static_cast<std::size_t>(log.calls);
      if (std::string(row.fault) != "exit") {
        EXPECT_GE(closing, row.closingTaken ? 1u : 2u)
            << "the closing write, sent again if need be";
      }
      EXPECT_EQ(TextsOf(boxes), EndBoxesFromLog(log, row.closingTaken ? "" : kOutputsDriven));
      EXPECT_EQ(RunEnds(),
                (std::vector<LPARAM>{QxRunEndParam({kRunEndedNormally, !row.closingTaken})}));
      m_template->CloseAllDocuments(FALSE);
      m_board.reset();
      m_lateRun = nullptr;
    }
  }
}
