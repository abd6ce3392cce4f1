// Quitting, closing the driven design and starting another run all wait for
// the running worker. A board that leaves the run's closing 0 V write
// unanswered gets it sent again within the loss bound while they wait, and
// one that never takes it is said in a box before they go on: the process
// is never left driven without a word. Judged by the board's log (a silent
// fault leaves requests M + 1 .. M + N unanswered) and by the boxes said
// before the road returned, since a program that ends handles nothing after.
#include "search/KFinder.h"
#include "simulation/RealtimeTexts.h"
#include "tests/app/RealtimeFixture.h"

namespace {

// The board leaves requests 22 .. 21 + silent unanswered; the run at 0.05 s
// has a loss bound of 1 s, and a reply is awaited 300 ms.
constexpr int kFaultAfter = 21;
constexpr DWORD kReplyMs = 300;

enum class Road { kQuit, kCloseDesign, kStartTuner };

class QuitClosingZeroThreads : public RealtimeBoardThreads {
 protected:
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
  // The calls the run made before the board fell silent.
  std::vector<TimedCall> CallsBeforeTheFault() {
    std::vector<TimedCall> before;
    for (const TimedCall& call : TimedCalls())
      if (call.number <= kFaultAfter) before.push_back(call);
    return before;
  }
  // Whether the board's log ends with a closing write that it answered.
  bool ClosingWriteTaken(int silent) {
    const std::vector<TimedCall> calls = TimedCalls();
    return !calls.empty() && calls.back().call == "W0:2048" &&
           calls.back().number > kFaultAfter + silent;
  }
  // Takes the road while a run of `doc` waits for an unanswered request;
  // returns how long the road took.
  std::chrono::milliseconds Take(Road road, CQorexDoc* doc) {
    const auto start = std::chrono::steady_clock::now();
    if (road == Road::kQuit) {
      // The main window's close box, as File > Exit sends it.
      doc->SetModifiedFlag(FALSE);
      m_quitFrame->SendMessage(WM_CLOSE);
    } else if (road == Road::kCloseDesign) {
      doc->OnCloseDocument();
    } else {
      // Another design has nothing to tune: its tuner starts and ends at once.
      CQorexDoc* other = NewDesign(0.05, 1.0);
      g_pKFinder->Start(other);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }
};

}  // namespace

// A board silent for three requests takes the closing write at the third
// attempt, within the bound, while the user waits; one silent for good is
// said before the program ends, the design closes or the tuner starts. A
// row held up from outside is made again on a fresh board and design.
TEST_F(QuitClosingZeroThreads, WaitingForARunTakesOrSaysItsClosingZero) {
  const struct {
    Road road;
    const char* name;
  } roads[] = {{Road::kQuit, "quit"},
               {Road::kCloseDesign, "close the design"},
               {Road::kStartTuner, "start the tuner"}};
  std::string heldUpRows;  // the rows held up in every run, and why
  int judgedRows = 0;
  for (const auto& road : roads) {
    for (const int silent : {3, 100000}) {
      const std::string row = std::string(road.name) + ", silent " + std::to_string(silent);
      SCOPED_TRACE(row);
      std::chrono::milliseconds took{};
      std::vector<ShownBox> said;
      std::vector<TimedCall> before;
      bool taken = false, workerEnded = false;
      int drivenInAll = 0;
      // The run kept its period until the board fell silent.
      m_lateRun = [&] { return LateCall(before, 50); };
      const bool judged = JudgedRun([&]() -> CQorexDoc* {
        StartBoardWith({"--after", std::to_string(kFaultAfter), "--fault", "silent", "--count",
                        std::to_string(silent)},
                       kReplyMs);
        ForgetTheRun();
        if (road.road == Road::kQuit) MakeQuitFrame();
        CQorexDoc* doc = NewDesign(0.05, 30.0);
        doc->StartStopSimulation();
        [&] { ASSERT_TRUE(BoardGotRequest(kFaultAfter + 1)); }();
        if (HasFatalFailure()) return nullptr;
        const HoldUpMeter roadMeter;
        took = Take(road.road, doc) - roadMeter.Held();
        // What the user-interface thread said before the road returned: a
        // program that quits delivers nothing after, a worker's box included.
        said = Boxes();
        workerEnded = road.road == Road::kStartTuner || g_pWorkerThread.load() == nullptr;
        taken = ClosingWriteTaken(silent);
        before = CallsBeforeTheFault();
        [&] { ASSERT_TRUE(PumpUntilEnded()); }();
        // Said once in all, whoever said it.
        drivenInAll = 0;
        for (const ShownBox& box : Boxes())
          drivenInAll += box.text.find(kRealtimeOutputsDrivenText) != std::string::npos;
        m_template->CloseAllDocuments(FALSE);
        QxTest::PumpEvents();
        return nullptr;
      });
      m_board.reset();
      if (HasFatalFailure()) return;
      if (!judged) {
        heldUpRows += "\n" + row + ": " + HeldUpEveryTime();
        continue;
      }
      ++judgedRows;
      EXPECT_TRUE(workerEnded) << "the road returned before the worker had ended";
      EXPECT_EQ(LateCall(before, 50), "");
      EXPECT_EQ(before.size(), static_cast<std::size_t>(kFaultAfter));
      // One reply timeout, the retries' share of the bound, and slack.
      EXPECT_LT(took, std::chrono::milliseconds(kReplyMs + 1000 + 700));
      int drivenSaid = 0;
      for (const ShownBox& box : said) {
        drivenSaid +=
            box.onUiThread && box.text.find(kRealtimeOutputsDrivenText) != std::string::npos;
      }
      if (silent == 3) {
        EXPECT_TRUE(taken) << "sent again until the board took it";
        EXPECT_EQ(drivenSaid, 0);
      } else {
        EXPECT_FALSE(taken);
        EXPECT_EQ(drivenSaid, 1) << "not said before the road went on";
      }
      EXPECT_EQ(drivenInAll, taken ? 0 : 1);
    }
  }
  // The rows judged stand; those held up in every run are named.
  if (judgedRows == 0) GTEST_SKIP() << "rows not judged:" << heldUpRows;
  if (!heldUpRows.empty()) std::fprintf(stderr, "[ NOT JUDGED ] rows:%s\n", heldUpRows.c_str());
}

// Each end of a run is said in one message that does not contradict
// itself: a run that ended at 0 V never also says its outputs may be driven.
TEST_F(QuitClosingZeroThreads, EveryEndIsSaidInOneMessageThatHoldsTogether) {
  const struct {
    QxRunEndKind kind;
    bool driven;
    std::string box;  // empty: no box
  } rows[] = {
      {kRunEndedNormally, false, ""},
      {kRunLostBoard, false, kBoardLost},
      {kRunLostBoard, true, kBoardLost + "\n" + kOutputsDriven},
      {kRunLostCompanion, false, kCompanionLost},
      {kRunLostCompanion, true, kCompanionLost + "\n" + kOutputsDriven},
      {kRunHandOverLost, false,
       "A completed pass could not be handed over while the program was flooded with messages; "
       "the run has ended with its outputs at 0 V."},
      {kRunHandOverLost, true,
       "A completed pass could not be handed over while the program was flooded with messages; "
       "the run has ended.\n" +
           kOutputsDriven},
      {kRunWithoutInput, false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.kind) + (row.driven ? " driven" : ""));
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    // A worker's end as it leaves it: the handler says it at once.
    FinishWorker(QxUiThreadId(), WM_QX_RUNENDED, QxWorkerEnd{0, {row.kind, row.driven}});
    QxTest::PumpEvents();
    const std::vector<ShownBox> boxes = Boxes();
    if (row.box.empty()) {
      EXPECT_TRUE(boxes.empty());
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, row.box);
    EXPECT_EQ(boxes[0].caption, kRealtimeCaption);
    EXPECT_EQ(RunEndIsLoss(row.kind),
              row.kind != kRunEndedNormally && row.kind != kRunWithoutInput);
  }
}

// The end of a run is said at once, whatever g_pWorkerThread names by the
// time its message is handled (here a worker that never clears): the
// handler waits for nothing.
TEST_F(QuitClosingZeroThreads, AnEndWhoseWorkerNeverClearsIsSaidAfterABoundedWait) {
  const HoldUpMeter meter;
  const auto start = std::chrono::steady_clock::now();
  FinishWorker(QxUiThreadId(), WM_QX_RUNENDED, QxWorkerEnd{0, {kRunLostBoard, false}});
  CWinThread never;  // stands for a worker that never clears
  g_pWorkerThread = &never;
  QxTest::PumpEvents();
  g_pWorkerThread = nullptr;
  EXPECT_LT(std::chrono::steady_clock::now() - start - meter.Held(),
            std::chrono::milliseconds(1500));
  const std::vector<ShownBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoardLost);
}
