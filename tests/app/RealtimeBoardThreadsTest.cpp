// Real-time runs end to end against the fake board: the calls it logged, the
// readings the program kept, what it said when the board failed.
#include "tests/app/RealtimeFixture.h"

TEST_F(RealtimeBoardThreads, ASingleLoopFollowsTheWiredRecurrence) {
  CQorexDoc* doc = nullptr;
  if (!JudgedRun([&]() -> CQorexDoc* {
        StartBoard("normal");
        doc = NewDesign(0.01, 0.2);  // 20 samples
        RunToItsEnd(doc);
        return doc;
      }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateCall(TimedCalls(), 10), "");
  EXPECT_TRUE(Boxes().empty());
  // Zeroing, then one read and one write per sample, then the last zero.
  // y(k + 1) = volts(code(0.5 (1 - y(k)))), y(0) = 0.
  std::vector<std::string> expected = {"W0:2048", "W1:2048"};
  double y = 0.0;
  for (int k = 0; k < 20; ++k) {
    const int code = Code(0.5 * (1.0 - y));
    expected.push_back("R0");
    expected.push_back("W0:" + std::to_string(code));
    y = Volts(code);
  }
  expected.push_back("W0:2048");
  EXPECT_EQ(Calls(), expected);
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
  EXPECT_DOUBLE_EQ(doc->m_system.m_y.At(0, 19),
                   Volts(Code(0.5 * (1.0 - doc->m_system.m_y.At(0, 18)))));
}

TEST_F(RealtimeBoardThreads, FullDriveGoesOutAsTheTopCode) {
  StartBoard("normal");
  CQorexDoc* doc = NewDesign(0.01, 0.03);
  delete doc->m_signals.GetAt(kSigC)->SetChildAt(Real(25.0), 1);  // 12.5 V of control
  RunToItsEnd(doc);
  const std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[3], "W0:4095");
}

// A board that stops answering (silent, answering garbage, or killed in
// mid-run, at sample 9's reading) ends a run of 30 samples as lost: the
// readings it gave are kept up to it, the rest held, and nothing is handed
// over. It never took the closing zero, so the outputs may still be driven.
// The kill is the board's own, at a request it counts, so however late this
// process sees the run, the samples it held are known.
TEST_F(RealtimeBoardThreads, BoardsThatStopAnsweringEndTheRunAsLostAndSayItOnce) {
  for (const char* mode : {"silent", "garbage", "killed"}) {
    const bool killed = std::strcmp(mode, "killed") == 0;
    // Requests 1 and 2 zero the outputs; sample k reads with request 3 + 2k.
    StartBoardWith(killed ? std::vector<std::string>{"--after", "20", "--fault", "exit"}
                          : std::vector<std::string>{"--mode", mode},
                   300);
    ForgetTheRun();
    CQorexDoc* doc = NewDesign(0.01, 0.3);  // 30 samples
    // A ramp command: no two readings in a row are alike.
    delete doc->m_signals.GetAt(kSigC)->SetChildAt(Prod({Real(10.0), Time()}), 1);
    doc->Recalculate();
    const std::vector<ShownBox> boxes = RunToItsEnd(doc);
    EXPECT_TRUE(HandOvers().empty()) << mode;
    EXPECT_EQ(doc->m_nRuns, 0) << mode;
    ASSERT_EQ(boxes.size(), 1u) << mode;
    EXPECT_EQ(boxes[0].text, kBoardLost + "\n" + kOutputsDriven);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_TRUE(boxes[0].onUiThread);
    const CSIMsignal& y = g_pSimulator.load()->m_y;
    if (killed) {
      // Samples 0 to 8 read what the board gave; every later one held the
      // last of those.
      EXPECT_NE(y.At(0, 8), 0.0);
      EXPECT_NE(y.At(0, 8), y.At(0, 7));
      for (int k = 9; k < 30; ++k) EXPECT_EQ(y.At(0, k), y.At(0, 8)) << k;
    } else {
      EXPECT_EQ(y.At(0, 0), 0.0) << mode;
    }
    doc->OnCloseDocument();
    m_board.reset();
  }
}

// The driver is killed in mid-run, in a single run and in continuous runs
// that identify the model after each pass: the run ends one loss bound
// (1 s) after the board's last answer, or with the pass when that ends
// sooner, says so once, and stores nothing the dead board "measured"; its
// closing zero goes again for one more bound. The shortest time is on the
// program's clock, from the repaint of a sample before the last the board
// answered: a watcher that saw the kill late must not make the run look short.
TEST_F(RealtimeBoardThreads, AKilledDriverEndsTheRunWithinTheBoundAndKeepsNothingStale) {
  const struct {
    WORD status;
    double tf;           // 0.01 s samples
    const char* after;   // requests served: 2 zeroing writes, then 2 a sample
    int pushes, findGs;  // completed passes stored and identified
    int pass;            // the pass the board died in, from 1
    WPARAM answered;     // a repainted sample of it that the board answered
    int shortestMs;      // from that repaint to the end of the run
  } rows[] = {{0, 30.0, "60", 0, 0, 1, 27, 980},
              {kStatusRealtimeLoop | kStatusFindGAfterPass, 0.2, "100", 2, 2, 3, 6, 100}};
  for (const auto& row : rows) {
    StartBoardWith({"--after", row.after, "--fault", "exit"});
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    g_wStatus = row.status;
    CQorexDoc* doc = NewDesign(0.01, row.tf);
    doc->StartStopSimulation();
    std::vector<std::string> lines;
    const auto killed = PumpWatchingBoard("-> exit", &lines);
    const auto ended = std::chrono::steady_clock::now();
    ASSERT_EQ(g_pWorkerThread.load(), nullptr);
    ASSERT_FALSE(lines.empty());
    ASSERT_NE(lines.back().find("-> exit"), std::string::npos) << lines.back();
    EXPECT_LE(ended - killed, std::chrono::milliseconds(1000 + 1000 + 2500));
    int passes = 0;
    DWORD answered = 0;
    for (const Posted& p : m_posted)
      if (p.message == WM_QX_INVALIDATESLICE && p.wParam == row.answered && ++passes == row.pass)
        answered = p.time;
    ASSERT_EQ(passes, row.pass);
    EXPECT_GE(static_cast<LONG>(RunEndedAt() - answered), row.shortestMs);
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kBoardLost + "\n" + kOutputsDriven);
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_EQ(Count(kTransfer), 0);
    EXPECT_EQ(Count(kPush), row.pushes);
    EXPECT_EQ(Count(kFindG), row.findGs);
    EXPECT_EQ(doc->m_nRuns, row.pushes);
    EXPECT_EQ(Count(WM_QX_RUNENDED), 1);
    g_wStatus = 0;
    doc->OnCloseDocument();
  }
}

TEST_F(RealtimeBoardThreads, ARestartedDriverServesTheNextRunAndAMissingOneRefusesIt) {
  StartBoardWith({"--after", "20", "--fault", "exit"});
  CQorexDoc* doc = NewDesign(0.01, 0.2);  // 20 samples
  RunToItsEnd(doc);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(doc->m_nRuns, 0);
  {
    std::lock_guard guard(m_boxLock);
    m_boxes.clear();
  }
  doc->OnCloseDocument();
  // The driver comes back on its socket: the next run reaches it.
  if (!JudgedRun([&]() -> CQorexDoc* {
        RestartBoard();
        m_posted.clear();
        doc = NewDesign(0.01, 0.2);
        RunToItsEnd(doc);
        return doc;
      }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(doc->m_nRuns, 1);
  EXPECT_TRUE(Boxes().empty()) << "nothing more is said";
  EXPECT_EQ(LateCall(TimedCalls(), 10), "");
  const std::vector<std::string> calls = Calls();
  ASSERT_EQ(calls.size(), 2u + 2 * 20 + 1);
  EXPECT_EQ(calls.back(), "W0:2048");
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_GE(doc->m_nRuns, 1);
  // Gone again before the next start: the run is refused, on the board.
  m_board->Stop();
  m_posted.clear();
  const std::vector<ShownBox> boxes = RunToItsEnd(doc);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoardLost);
  EXPECT_EQ(Count(WM_QX_INVALIDATESLICE), 0);
  EXPECT_TRUE(HandOvers().empty());
  EXPECT_EQ(g_pAnalogIo->m_bEmulate, 0);
}

// One request of sample 10 (a reading, or the write) is lost: its
// connection dropped, or left unanswered past the reply timeout, or past
// half the loss bound when the timeout is longer. The next call connects
// again and the board serves the rest of the run.
TEST_F(RealtimeBoardThreads, AnIsolatedFailureCostsOneHeldReading) {
  const struct {
    const char* fault;
    const char* after;  // request 23 is sample 10's reading, 24 its write
    DWORD timeoutMs;
    bool readingHeld;
  } rows[] = {{"drop", "22", 300, true},
              {"silent", "22", 300, true},
              {"silent", "23", 300, false},
              {"silent", "22", 900, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.fault) + " after " + row.after);
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    m_posted.clear();
    CQorexDoc* doc = nullptr;
    // The period is kept but for the lost request's own wait (the reply
    // timeout, or half the bound).
    const std::size_t lost = std::atoi(row.after);
    m_lateRun = [&] {
      const std::vector<TimedCall> timed = TimedCalls();
      return LateCall(timed, 10, 0, lost + 1) + LateCall(timed, 10, lost + 1);
    };
    if (!JudgedRun([&]() -> CQorexDoc* {
          StartBoardWith({"--after", row.after, "--fault", row.fault}, row.timeoutMs);
          doc = NewDesign(0.01, 0.3);  // 30 samples
          // A ramp command: no two readings in a row are alike.
          delete doc->m_signals.GetAt(kSigC)->SetChildAt(Prod({Real(10.0), Time()}), 1);
          doc->Recalculate();
          RunToItsEnd(doc);
          return doc;
        }))
      GTEST_SKIP() << HeldUpEveryTime();
    const std::vector<TimedCall> timed = TimedCalls();
    EXPECT_EQ(LateCall(timed, 10, 0, lost + 1), "");
    EXPECT_EQ(LateCall(timed, 10, lost + 1), "");
    const std::vector<ShownBox> boxes = Boxes();
    EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
    EXPECT_EQ(doc->m_nRuns, 1);
    ASSERT_EQ(boxes.size(), 1u);
    int failed = 0, calls = 0;
    ASSERT_TRUE(BoardFailureCounts(boxes[0].text, failed, calls)) << boxes[0].text;
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(calls, 2 + 2 * 30) << "the run's own calls, not its closing write";
    const CSIMsignal& y = doc->m_system.m_y;
    EXPECT_EQ(y.At(0, 10) == y.At(0, 9), row.readingHeld);
    for (int k = 12; k < 30; ++k) EXPECT_NE(y.At(0, k), y.At(0, k - 1)) << k;
    // Every later request reached the board, the closing zero last.
    const std::vector<std::string> served = Calls();
    ASSERT_EQ(served.size(), 2u + 2 * 30 + 1);
    EXPECT_EQ(served.back(), "W0:2048");
    doc->OnCloseDocument();
  }
}

// Three requests go unanswered for 350 ms each: the third, sample 11's
// reading, is given up when the bound has passed since the first, and the
// sample's write is not sent; the board answers again in time for the
// closing zero. A program held up meanwhile sends fewer of them before the
// bound has passed on its clock, never more, and the closing zero is then
// the third: it reaches the board all the same.
TEST_F(RealtimeBoardThreads, ABoardSilentPastTheBoundEndsTheRunAndStillGetsItsZero) {
  StartBoardWith({"--after", "22", "--fault", "silent", "--count", "3"}, 350);
  CQorexDoc* doc = NewDesign(0.01, 30.0);
  const std::vector<ShownBox> boxes = RunToItsEnd(doc);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBoardLost);
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{kRunLostBoard}));
  EXPECT_TRUE(HandOvers().empty());
  EXPECT_EQ(doc->m_nRuns, 0);
  WPARAM lastShown = 0;
  for (const Posted& p : m_posted)
    if (p.message == WM_QX_INVALIDATESLICE) lastShown = p.wParam;
  EXPECT_LE(lastShown, 11u) << "no sample after the one the bound passed in";
  // Nor before the bound, on the program's clock: from the repaint of sample
  // 9, whose requests the board answered, less the device's 20 ms to look.
  DWORD answered = 0;
  for (const Posted& p : m_posted)
    if (p.message == WM_QX_INVALIDATESLICE && p.wParam == 9) answered = p.time;
  ASSERT_NE(answered, 0u);
  EXPECT_GE(static_cast<LONG>(RunEndedAt() - answered), 1000 - 20);
  const std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 22u + 1 + 1);
  // The closing zero comes last, sent again while the board did not take it
  // (a held-up program's closing zero can be the third unanswered request).
  std::size_t closing = calls.size();
  while (closing > 22 && calls[closing - 1] == "W0:2048") --closing;
  ASSERT_LT(closing, calls.size()) << "the closing zero is sent";
  ASSERT_LE(closing, 22u + 3) << "sample 11's write is never sent";
  // Sample 10's reading and write, sample 11's reading, as far as they went.
  const char* const unanswered[] = {"R0", "W0:", "R0"};
  for (std::size_t i = 22; i < closing; ++i)
    EXPECT_EQ(calls[i].rfind(unanswered[i - 22], 0), 0u) << i << " " << calls[i];
}

namespace {

// Every block of the design made 3 x 3 through the process (three readings and
// the board's two outputs each sample); the design is then recalculated.
void MakeThreeByThree(CQorexDoc* doc) {
  for (CSIMtrnmx* b : {&doc->m_system.m_K, &doc->m_system.m_G, &doc->m_system.m_L})
    b->m_wFlags |= kBlockEnsureSquare;
  CMcBasic* models[kModelCount];
  CMcBasic* signals[kSignalCount];
  for (int i = 0; i < kModelCount; ++i) models[i] = doc->m_models.GetAt(i);
  for (int i = 0; i < kSignalCount; ++i) signals[i] = doc->m_signals.GetAt(i);
  delete models[kModelG]->SetChildAt(Identity(3), 1);
  doc->AdjustDimensions(kModelG, TRUE, models, signals);
  doc->Recalculate();
}

}  // namespace

// The board falls silent for good from request 81 on: a reading of a 1 x 1
// loop (sample 39), or a write after a sample's three readings in a 3 x 3 one
// (sample 15). Whatever the loop's size, nothing is asked of the board once
// the bound (1 s) has passed since that request: the run sends the rest of
// that sample at most, shows no later sample, and ends as lost with a
// closing zero, which waits one reply timeout and then goes again for the
// bound. Judged by the requests the board got: a stalled machine may delay
// them, never add one.
TEST_F(RealtimeBoardThreads, ABoardFallenSilentEndsTheRunWithinTheBoundWhateverTheLoopsSize) {
  // Longer than the bound, so that a request awaited for a whole timeout
  // would show, however late a loaded machine lets the others go.
  constexpr int kTimeoutMs = 2000;
  const struct {
    int size;
    WPARAM sample;     // the one the board fell silent in
    const char* rest;  // the request of that sample still due before the bound
  } rows[] = {{1, 39, "W0:"}, {3, 15, "W1:"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    StartBoardWith({"--after", "80", "--fault", "silent", "--count", "100000"}, kTimeoutMs);
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    m_posted.clear();
    CQorexDoc* doc = NewDesign(0.01, 30.0);
    if (row.size == 3) MakeThreeByThree(doc);
    ASSERT_EQ(doc->m_system.m_y.m_nRows, row.size);
    const std::vector<ShownBox> boxes = RunToItsEnd(doc);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kBoardLost + "\n" + kOutputsDriven);
    EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{QxRunEndParam({kRunLostBoard, true})}));
    EXPECT_TRUE(HandOvers().empty());
    EXPECT_EQ(doc->m_nRuns, 0);
    WPARAM lastShown = 0;
    for (const Posted& p : m_posted)
      if (p.message == WM_QX_INVALIDATESLICE) lastShown = p.wParam;
    EXPECT_EQ(lastShown, row.sample);
    const std::vector<TimedCall> calls = TimedCalls();
    ASSERT_GE(calls.size(), 82u);
    std::vector<std::string> after;
    std::size_t closing = calls.size();  // the first closing zero
    while (closing > 81 && calls[closing - 1].call == "W0:2048") --closing;
    for (std::size_t i = 81; i < closing; ++i) after.push_back(calls[i].call);
    const bool restSent = after.size() == 1 && after[0].rfind(row.rest, 0) == 0;
    EXPECT_TRUE(restSent || after.empty()) << ::testing::PrintToString(after);
    EXPECT_GE(calls.size() - closing, 2u) << "the closing zero, sent again once it failed";
    ASSERT_GE(calls[80].us, 0);
    ASSERT_LT(closing, calls.size());
    EXPECT_LT(calls[closing].us - calls[80].us, kTimeoutMs * 1000LL);
    doc->OnCloseDocument();
    m_board.reset();
  }
}

// A stop (the run spot, or closing the design) while the board keeps a
// request unanswered ends the wait at once; the closing zero waits one reply
// timeout at most (less any time this process was held up). The run spot
// only asks: the worker's end is pumped for, and it sends the closing zero
// again for the loss bound (1 s); closing the design waits for the worker,
// which sends it again for the shortest bound, also 1 s.
TEST_F(RealtimeBoardThreads, AStopWhileTheBoardIsSilentWaitsAtMostOneReplyTimeout) {
  constexpr int kTimeoutMs = 400;
  for (const bool close : {false, true}) {
    StartBoardWith({"--after", "22", "--fault", "silent", "--count", "100"}, kTimeoutMs);
    CQorexDoc* doc = NewDesign(0.01, 30.0);
    doc->StartStopSimulation();
    // Sample 10's reading is left unanswered.
    for (std::string line = m_board->ReadLine(); !line.empty(); line = m_board->ReadLine())
      if (line.rfind("#23 ", 0) == 0) break;
    const HoldUpMeter meter;
    const auto asked = std::chrono::steady_clock::now();
    if (close) {
      doc->OnCloseDocument();
    } else {
      doc->StartStopSimulation();
      ASSERT_TRUE(PumpUntilEnded());
    }
    const auto waited = std::chrono::steady_clock::now() - asked - meter.Held();
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    EXPECT_LT(waited, std::chrono::milliseconds(kTimeoutMs + 1000 + 800)) << close;
    QxTest::PumpEvents();
    EXPECT_TRUE(HandOvers().empty());
    if (!close) doc->OnCloseDocument();
  }
}
