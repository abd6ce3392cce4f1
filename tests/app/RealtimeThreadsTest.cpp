// Real-time runs on a real worker thread against the emulated unit, timed by
// a replaceable clock: the application object with its document template and
// no windows; every thread message the worker posts is logged on the
// user-interface thread before the application handles it.
#include "tests/app/RealtimeFixture.h"

#include "MC/Mc_operator.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"

namespace {

// The stuck clock once its first `passing` sleeps have ended at once.
class StuckAfterClock : public StuckClock {
 public:
  explicit StuckAfterClock(int passing) : m_passing(passing) {}
  void SleepUnless(DWORD ms, const std::function<bool()>& stop) override {
    if (m_passing.fetch_sub(1) > 0) return;
    StuckClock::SleepUnless(ms, stop);
  }

 private:
  std::atomic<int> m_passing;
};

}  // namespace

TEST_F(RealtimeThreads, SamplingTimesOutsideOneMillisecondToThirtySecondsAreRefused) {
  Install<QxManualClock>();
  const struct {
    double ts, tf;
    bool accepted;
  } rows[] = {{0.0005, 0.01, false},
              {31.0, 62.0, false},
              {1e10, 2e10, false},
              {0.001, 0.01, true},
              {30.0, 60.0, true}};
  for (const auto& row : rows) {
    CQorexDoc* doc = NewDesign(row.ts, row.tf);
    g_pAnalogIo->m_outputs[0] = 5.0;
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded()) << row.ts;
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    EXPECT_TRUE(AllOutputsZero()) << row.ts;
    EXPECT_EQ(Count(WM_QX_RUNENDED), 1) << row.ts;
    const std::vector<ShownBox> boxes = Boxes();
    if (row.accepted) {
      EXPECT_TRUE(boxes.empty()) << row.ts;
      EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush})) << row.ts;
      EXPECT_EQ(doc->m_nRuns, 1);
    } else {
      ASSERT_EQ(boxes.size(), 1u) << row.ts;
      EXPECT_EQ(boxes[0].text, "The sampling time must be between 1[ms] and 30[s]");
      EXPECT_EQ(boxes[0].caption, "Realtime process control error");
      EXPECT_TRUE(HandOvers().empty()) << row.ts;
    }
  }
}

TEST_F(RealtimeThreads, TheSleepAfterASampleIsThePeriodLessItsTicks) {
  // Every tick reading costs `cost` ms; a sample reads the ticks at its
  // start and after its post, and a post reads them once more (the message's
  // time), so a sample with a slice takes twice the cost.
  const struct {
    DWORD start, cost;
    double ts;
  } rows[] = {{1000, 7, 0.02},         {0xFFFFFFF0u, 7, 0.02},  // across the wrap
              {1000, 12, 0.02},        {1000, 25, 0.02},        // overruns
              {0xFFFFFFFAu, 30, 0.02}, {1000, 0, 0.1},         {1000, 30, 0.1}};
  for (const auto& row : rows) {
    ScriptedClock& clock = Install<ScriptedClock>(row.start, row.cost);
    CQorexDoc* doc = NewDesign(row.ts, row.ts * 6.5);
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    QxSetClock(m_previousClock);
    const DWORD ms = static_cast<DWORD>(row.ts * 1000.0 + 0.5);
    std::vector<DWORD> expected;
    for (int k = 0; k < 6; ++k) {
      const bool posted = k % 3 == 0 || ms > 50;
      const DWORD rest = ms - row.cost * (posted ? 2 : 1);
      if (rest != 0 && rest <= ms) expected.push_back(rest);
    }
    // The companion's settling time first, then one rest per sample; the
    // hand-over polls (10 ms) follow, and the end message's 1 ms waits when
    // this thread takes it before the worker has cleared itself. No rest of
    // these rows is 1 or 10 ms.
    const std::vector<DWORD> sleeps = clock.Sleeps();
    ASSERT_GE(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], ms);
    std::vector<DWORD> rests(sleeps.begin() + 1, sleeps.end());
    rests.erase(std::remove_if(rests.begin(), rests.end(),
                               [](DWORD sleep) { return sleep == 10 || sleep == 1; }),
                rests.end());
    EXPECT_EQ(rests, expected) << row.start << " " << row.cost << " " << row.ts;
    doc->OnCloseDocument();
  }
}

TEST_F(RealtimeThreads, InvalidateSliceEveryThirdSampleUpToFiftyMilliseconds) {
  Install<QxManualClock>();
  const struct {
    double ts;
    std::vector<WPARAM> slices;
  } rows[] = {{0.02, {0, 3, 6, 9}}, {0.05, {0, 3, 6, 9}}, {0.1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}};
  for (const auto& row : rows) {
    CQorexDoc* doc = NewDesign(row.ts, row.ts * 10.5);
    m_posted.clear();
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    std::vector<WPARAM> slices;
    for (const Posted& p : m_posted)
      if (p.message == WM_QX_INVALIDATESLICE) slices.push_back(p.wParam);
    EXPECT_EQ(slices, row.slices) << row.ts;
    doc->OnCloseDocument();
  }
}

// The worker is held after sample 6 of 10000, so the stop at the second
// slice always comes mid-pass.
TEST_F(RealtimeThreads, AStopMidPassZeroesTheOutputsAndHandsNothingOver) {
  Install<StuckAfterClock>(1 + 6);
  CQorexDoc* doc = NewDesign(0.02, 200.0);  // 10000 samples
  m_onPosted = [](const MSG& msg) {
    if (msg.message == WM_QX_INVALIDATESLICE && msg.wParam == 3)
      g_pSimulator.load()->StopRealtime();
    return false;
  };
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_TRUE(HandOvers().empty());
  EXPECT_TRUE(AllOutputsZero());
  EXPECT_EQ(doc->m_nRuns, 0);
  // Nothing was posted after the stop but the end of the run.
  ASSERT_FALSE(m_posted.empty());
  EXPECT_EQ(m_posted.back().message, WM_QX_RUNENDED);
}

TEST_F(RealtimeThreads, ContinuousPassesArePushedUntilTheBitIsCleared) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.1);  // 5 samples a pass
  g_wStatus.fetch_or(kStatusRealtimeLoop);
  int pushes = 0;
  m_onPosted = [&pushes](const MSG& msg) {
    if (msg.message == WM_QX_PUSHUGY && ++pushes == 3)
      g_wStatus.fetch_and(static_cast<WORD>(~kStatusRealtimeLoop));
    return false;
  };
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  // The pass in progress when the bit went ran to its end and was handed
  // over with both messages; the earlier ones were only pushed.
  const std::vector<UINT> handOvers = HandOvers();
  ASSERT_GE(handOvers.size(), 5u);
  EXPECT_EQ(std::vector<UINT>(handOvers.end() - 2, handOvers.end()),
            (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(std::count(handOvers.begin(), handOvers.end(), kTransfer), 1);
  EXPECT_EQ(doc->m_nRuns,
            std::min<int>(static_cast<int>(handOvers.size()) - 1, doc->m_nRunCapacity));
  // Every slice of a pass restarts at sample 0.
  EXPECT_EQ(Count(WM_QX_INVALIDATESLICE), 2 * (static_cast<int>(handOvers.size()) - 1));
}

TEST_F(RealtimeThreads, APendingFindGIsWaitedForBeforeTheNextPass) {
  QxManualClock& clock = Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  g_wStatus.fetch_or(kStatusRealtimeLoop | kStatusFindGAfterPass);
  // The identification is held back: FindG never reaches the application.
  int pushes = 0, slicesWhileWaiting = 0;
  bool waiting = false;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message == WM_QX_PUSHUGY && ++pushes == 2) waiting = true;
    if (msg.message == WM_QX_INVALIDATESLICE && waiting) ++slicesWhileWaiting;
    return msg.message == WM_QX_FINDG;
  };
  doc->StartStopSimulation();
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (!waiting && std::chrono::steady_clock::now() < limit) QxTest::PumpEvents();
  ASSERT_TRUE(waiting);
  // The second pass has ended with the first FindG still pending: the worker
  // sleeps on while it waits (10 of its 40 ms looks), where a worker that
  // went on would have run a third of a pass and posted its repaints.
  const ULONGLONG slept = clock.TotalSlept();
  while (clock.TotalSlept() < slept + 10 * 40 && std::chrono::steady_clock::now() < limit)
    QxTest::PumpEvents();
  QxTest::PumpEvents();
  waiting = false;
  g_wStatus.fetch_and(static_cast<WORD>(~(kStatusRealtimeLoop | kStatusFindGPending)));
  QxWakeSleepers();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_EQ(slicesWhileWaiting, 0);
  // No second FindG while the first was pending; one after the last pass.
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kPush, kFindG, kPush, kTransfer, kPush, kFindG}));
}

namespace {

// One tuner's pass of doc at five samples of 20 ms, driven by the pass
// worker that ContinueRealtime starts while tuner stands for the tuner's
// thread; waited for and joined. False when no pass started.
bool RunOneTunerPass(CQorexDoc* doc, CWinThread* tuner) {
  CSIMsystem* sim = g_pSimulator.load();
  sim->m_dTs = 0.02;
  sim->m_nSteps = 5;
  sim->Setup(doc);
  g_pWorkerThread = tuner;
  g_pSimDoc = doc;
  RequestAnswer(kStatusTunerPassRunning);
  std::unique_ptr<CWinThread> pass(sim->ContinueRealtime(doc));
  if (!pass) return false;
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while ((g_wStatus.load() & kStatusTunerPassRunning) && std::chrono::steady_clock::now() < limit)
    QxTest::PumpEvents();
  pass->Join();
  QxTest::PumpEvents();
  return true;
}

}  // namespace

TEST_F(RealtimeThreads, ContinueRealtimeRunsOnePassAndLeavesTheWorkerToTheTuner) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  CSIMsystem* sim = g_pSimulator.load();
  CWinThread tuner;  // stands for the tuner's worker
  ASSERT_TRUE(RunOneTunerPass(doc, &tuner));
  EXPECT_EQ(g_wStatus.load() & kStatusTunerPassRunning, 0);
  EXPECT_EQ(g_pSimDoc.load(), doc);
  EXPECT_EQ(g_pWorkerThread.load(), &tuner);
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
  EXPECT_EQ(sim->m_passReport.failedCalls, 0);
  g_pSimDoc = nullptr;
  g_pWorkerThread = nullptr;
}

TEST_F(RealtimeThreads, StopReturnsWithAClockWhoseSleepNeverEnds) {
  StuckClock& clock = Install<StuckClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  doc->StartStopSimulation();
  // The worker waits in the companion's settling time.
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (clock.Sleepers() == 0 && std::chrono::steady_clock::now() < limit)
    std::this_thread::yield();
  ASSERT_EQ(clock.Sleepers(), 1);
  g_pSimulator.load()->StopRealtime();
  EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  QxSetClock(m_previousClock);
  QxTest::PumpEvents();
  EXPECT_TRUE(HandOvers().empty());
}

TEST_F(RealtimeThreads, QuickStartsAndStopsLeaveNoWorker) {
  CQorexDoc* doc = NewDesign(0.02, 0.2);
  for (int i = 0; i < 20; ++i) {
    doc->StartStopSimulation();  // starts
    doc->StartStopSimulation();  // asks to stop, before or after the first sample
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    ASSERT_TRUE(PumpUntilEnded());
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  }
  QxTest::PumpEvents();
  EXPECT_TRUE(HandOvers().empty());
  EXPECT_TRUE(AllOutputsZero());
}

TEST_F(RealtimeThreads, ClosingTheDesignMidPassOrInAHandOverEndsTheRunFirst) {
  Install<QxManualClock>();
  for (UINT closeAt : {UINT(WM_QX_INVALIDATESLICE), kTransfer}) {
    CQorexDoc* doc = NewDesign(0.02, closeAt == kTransfer ? 0.1 : 200.0);
    CQorexDoc* other = NewDesign(0.02, 0.1);
    m_posted.clear();
    m_onPosted = [&, doc](const MSG& msg) {
      if (msg.message != closeAt || !m_app->IsOpenDocument(doc)) return false;
      doc->OnCloseDocument();  // returns once the worker has ended
      EXPECT_EQ(g_pWorkerThread.load(), nullptr);
      return true;  // the design is gone: not handed to the application
    };
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    m_onPosted = nullptr;
    EXPECT_FALSE(m_app->IsOpenDocument(doc));
    EXPECT_EQ(Count(kPush), 0);
    EXPECT_TRUE(AllOutputsZero());
    EXPECT_EQ(g_wStatus.load() & kStatusRunHandOver, closeAt == kTransfer ? kStatusRunHandOver : 0);
    g_wStatus = 0;
    other->OnCloseDocument();
  }
}

TEST_F(RealtimeThreads, ClosingAnotherDesignLeavesTheRunGoing) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.2);
  CQorexDoc* other = NewDesign(0.02, 0.2);
  bool closed = false;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message == WM_QX_INVALIDATESLICE && !closed) {
      closed = true;
      other->OnCloseDocument();
      EXPECT_NE(g_pSimDoc.load(), nullptr);
    }
    return false;
  };
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_TRUE(closed);
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
}

// The settling and samples 0 to 5 sleep at once; the worker is then held in
// the sleep after sample 6 of 10000, however late the quit comes.
TEST_F(RealtimeThreads, QuittingMidRunCompletesTheExit) {
  StuckAfterClock& clock = Install<StuckAfterClock>(1 + 6);
  CQorexDoc* doc = NewDesign(0.02, 200.0);
  doc->StartStopSimulation();
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (clock.Sleepers() == 0 && std::chrono::steady_clock::now() < limit) QxTest::PumpEvents();
  ASSERT_EQ(clock.Sleepers(), 1);
  QxTest::PumpEvents();
  EXPECT_EQ(Count(WM_QX_INVALIDATESLICE), 3) << "samples 0, 3 and 6";
  ASSERT_NE(g_pWorkerThread.load(), nullptr) << "the run is under way";
  m_template->RemoveDocument(doc);  // still open, and freed by the test below
  m_app.reset();                    // stops the worker before the device and simulator go
  delete doc;
  EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(g_pSimulator.load(), nullptr);
  EXPECT_EQ(clock.Sleepers(), 0);
  QxTest::PumpEvents();
  EXPECT_TRUE(HandOvers().empty());
}

TEST_F(RealtimeThreads, EditsDuringARunReachTheWorkerOnlyThroughTheHandOver) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 40.0);  // 2000 samples
  int slices = 0;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message != WM_QX_INVALIDATESLICE) return false;
    ++slices;
    if (slices == 2) {
      // A newly bound variable in a replaced definition 7.
      delete doc->m_signals.GetAt(kSigYProc)->SetChildAt(
          Prod({Variable("gain"), Fn("y", Time(), 0, "1")}), 1);
      doc->UpdateUsedVariables();
      doc->Recalculate();
    } else if (slices == 4) {
      doc->m_vars.m_pValue[doc->m_vars.Find("gain", "", 0)] = 2.0;  // a changed value
      doc->Recalculate();
    } else if (slices == 6) {
      delete doc->m_signals.GetAt(kSigUProc)->SetChildAt(Real(0.25), 1);
      doc->Recalculate();
    }
    return false;
  };
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_GE(slices, 6);
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  // Whichever samples the edits reached, every one was computed whole.
  const CSIMsystem& run = doc->m_system;
  for (int k = 0; k < run.m_uv.m_nColumns; ++k) ASSERT_TRUE(std::isfinite(run.m_uv.At(0, k))) << k;
}

// Signals that do not fit the models, and a controller that cannot be turned
// into transfer functions (a bracketed fraction, which the loop carries as
// its own error state): neither is run.
TEST_F(RealtimeThreads, AnUnsoundDesignIsNotRun) {
  Install<QxManualClock>();
  for (bool unusableModel : {false, true}) {
    m_posted.clear();
    const size_t shownBefore = Boxes().size();
    CQorexDoc* doc = NewDesign(0.02, 0.2);
    if (unusableModel) {
      delete doc->m_models.GetAt(kModelK)->SetChildAt(
          new CMcOperator(Div(Real(2.0), Sum({S(), Real(3.0)})),
                          CMcOperator::Flags(CMcOperator::kBracket)),
          1);
      QxTest::MessageBoxScript warning;  // the recalculation names the model
      doc->Recalculate();
      ASSERT_EQ(doc->m_system.m_nError, kSimModelInvalid);
    } else {
      // Two command rows for single-channel blocks.
      delete doc->m_signals.GetAt(kSigC)->SetChildAt(Matrix(1, {Real(1.0), Real(1.0)}), 1);
    }
    g_pAnalogIo->m_outputs[2] = 3.0;
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    const std::vector<ShownBox> all = Boxes();
    const std::vector<ShownBox> boxes(all.begin() + static_cast<std::ptrdiff_t>(shownBefore),
                                      all.end());
    ASSERT_EQ(boxes.size(), 1u) << unusableModel;
    EXPECT_EQ(boxes[0].text,
              "The design cannot be run: its signals do not fit its models or its times are not "
              "valid.");
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_TRUE(HandOvers().empty());
    EXPECT_TRUE(AllOutputsZero());
    EXPECT_EQ(Count(WM_QX_INVALIDATESLICE), 0);
    EXPECT_EQ(doc->m_nRuns, 0);
    doc->OnCloseDocument();
  }
}

// No companion answers: neither a run, nor a continuous run's passes, nor a
// tuner's pass is stored or identified, and the status line says so until a
// later run gets input.
TEST_F(RealtimeThreads, WhatNoInputReachedIsNeitherStoredNorIdentifiedAndSaidUntilInputComes) {
  Install<QxManualClock>();
  CStatusBar& status = StatusLine();
  const CString noInput = "No input arrived during the run: no companion process answered.";
  m_instantCompanion.reset();  // silent until one answers again
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  enum Kind { kRun, kContinuous, kTunerPass };
  for (Kind kind : {kRun, kContinuous, kTunerPass}) {
    m_posted.clear();
    status.SetPaneText(0, "");
    g_wStatus = kStatusFindGAfterPass | (kind == kContinuous ? kStatusRealtimeLoop : 0);
    int slices = 0;
    m_onPosted = [&slices](const MSG& msg) {
      if (msg.message == WM_QX_INVALIDATESLICE && ++slices == 6)
        g_wStatus.fetch_and(static_cast<WORD>(~kStatusRealtimeLoop));  // after three passes
      return false;
    };
    if (kind == kTunerPass) {
      CSIMsystem* sim = g_pSimulator.load();
      CWinThread tuner;  // stands for the tuner's worker
      ASSERT_TRUE(RunOneTunerPass(doc, &tuner));
      EXPECT_EQ(sim->m_passReport.end, kRunWithoutInput);
      g_pSimDoc = nullptr;
      g_pWorkerThread = nullptr;
    } else {
      doc->StartStopSimulation();
      ASSERT_TRUE(PumpUntilEnded()) << kind;
      EXPECT_GE(slices, kind == kContinuous ? 6 : 2) << kind;
      EXPECT_EQ(status.GetPaneText(0), noInput) << kind;
    }
    EXPECT_TRUE(HandOvers().empty()) << kind;
    EXPECT_EQ(doc->m_nRuns, 0) << kind;
    EXPECT_TRUE(Boxes().empty()) << kind;
  }
  m_onPosted = nullptr;

  // A later run that gets input is kept and identified, and takes the text back.
  status.SetPaneText(0, noInput);
  m_instantCompanion = std::make_unique<qxtest::InstantCompanion>();
  m_posted.clear();
  g_wStatus = kStatusFindGAfterPass;
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush, kFindG}));
  EXPECT_EQ(doc->m_nRuns, 1);
  EXPECT_EQ(status.GetPaneText(0), CString("Ready"));
  g_wStatus = 0;
}

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
    // The period is kept but for the lost request's own wait (the reply
    // timeout, or half the bound).
    const std::size_t lost = std::atoi(row.after);
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
    EXPECT_EQ(calls, 2 + 2 * 30 + 1);
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

// ---- end to end against the companion ----------------------------------------------------

namespace {

// The emulated unit closed by the companion on a bus folder of the test's own;
// the received inputs go to the device as the main window's handler would.
class RealtimeCompanionThreads : public RealtimeThreads {
 protected:
  void StartCompanion(std::vector<std::string> more = {}) {
    m_instantCompanion.reset();  // the real one answers
    m_bus = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", qxtest::MakeTempDir("rtbus"));
    ASSERT_TRUE(QxBusJoin());
    m_previousReceiver = QxBusSetReceiver([this](UINT message, WPARAM w, LPARAM l) {
      if (message != g_msgAdc || !g_pAnalogIo) return;
      g_pAnalogIo->ReceiveInputs(w, l);
      m_received.push_back({GetTickCount(), CDT2801::CodeToVolts(LOWORD(w))});
    });
    std::vector<std::string> args{"--seconds", "60", "--lag", "0", "--stalls", "1"};
    args.insert(args.end(), more.begin(), more.end());
    m_companion = std::make_unique<qxtest::PeerProcess>("qorex_companion", args);
    ASSERT_EQ(m_companion->ReadLine().rfind("ready", 0), 0u);
    KeepSentFrames();
  }
  void TearDown() override {
    RealtimeThreads::TearDown();
    TearDownCompanion();
  }
  // Held up as the base says, or by the companion's own record of being
  // stopped or starved: its answers then come late, or its queue fills and
  // the bus skips it.
  std::string HeldUpBy(const HoldUpMeter& meter) override {
    std::string why = RealtimeThreads::HeldUpBy(meter);
    if (!m_companion) return why;
    for (std::string line = m_companion->ReadLine(200); !line.empty();
         line = m_companion->ReadLine(200))
      if (line.rfind("stalled ", 0) == 0) why += (why.empty() ? "the companion was " : "; ") + line;
    return why;
  }
  // The companion ended and the bus left, so that a test may start another.
  void TearDownCompanion() {
    m_companion.reset();
    m_received.clear();
    if (m_bus) QxBusSetReceiver(m_previousReceiver);
    QxBusLeave();
    m_bus.reset();
  }
  // The inputs that reached the program on channel 0, each with the tick
  // count it came at (the user-interface thread hands them to the device).
  struct Received {
    DWORD time;
    double volts;
  };
  // Whether sample k of the run, whose repaint was posted (every sample of
  // a period above 50 ms), read y: the input the device held when the
  // previous sample's repaint went, or one that came in between.
  bool ReadableAt(int k, double y) const {
    DWORD from = 0, to = 0;
    for (const Posted& p : m_posted) {
      if (p.message != WM_QX_INVALIDATESLICE) continue;
      if (static_cast<int>(p.wParam) == k - 1) from = p.time;
      if (static_cast<int>(p.wParam) == k) to = p.time;
    }
    double held = 0.0;
    for (const Received& r : m_received) {
      if (static_cast<LONG>(r.time - to) > 0) break;
      if (static_cast<LONG>(r.time - from) < 0) {
        held = r.volts;
      } else if (r.volts == y) {
        return true;
      }
    }
    return held == y;
  }

  std::unique_ptr<qxtest::ScopedEnv> m_bus;
  std::unique_ptr<qxtest::PeerProcess> m_companion;
  std::vector<Received> m_received;
  QxBusReceiver m_previousReceiver;
};

}  // namespace

// A run this process (by more than a sample) or the companion was held up
// in is made again: a held-up worker may run a sample before the
// user-interface thread has handed it the answer that came meanwhile, and
// reads what it held.
TEST_F(RealtimeCompanionThreads, EveryFrameCarriesItsSampleAndTheReadingsFollowTheAnswers) {
  m_heldUpFrom = std::chrono::milliseconds(20);
  CQorexDoc* doc = nullptr;
  if (!JudgedRun(
          [&]() -> CQorexDoc* {
            StartCompanion();
            m_posted.clear();
            doc = NewDesign(0.02, 0.4);  // 20 samples
            doc->StartStopSimulation();
            [&] { ASSERT_TRUE(PumpUntilEnded()); }();
            return doc;
          },
          [&] { TearDownCompanion(); }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 20), "");
  // As sent, and as received: a stalled companion may hear fewer, and a
  // stalled program find fewer answers.
  const auto dac = SentFrames();
  const std::vector<Received> adc = m_received;
  // The zeroing frame, one per sample, the last zeroing frame.
  ASSERT_EQ(dac.size(), 22u);
  EXPECT_EQ(dac.front(), (std::vector<int>{32767, 32767, 32767, 32767}));
  EXPECT_EQ(dac.back(), (std::vector<int>{32767, 32767, 32767, 32767}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  ASSERT_EQ(doc->m_nRuns, 1);
  EXPECT_EQ(doc->m_runs[0].output.m_nColumns, 20);
  const CSIMsystem& run = doc->m_system;
  int latest = 0;  // the newest answer a sample read
  for (int k = 0; k < 20; ++k) {
    EXPECT_LE(std::abs(dac[k + 1][0] - CDT2801::VoltsToCode(run.m_uv.At(0, k))), 1) << k;
    // The reading is the plant's answer to a frame before sample k's own (the first
    // is the zeroing one), never to an older one than the last sample's.
    int j = -1;
    for (int i = std::min<int>(k, int(adc.size()) - 1); i >= latest && j < 0; --i)
      if (std::abs(adc[i].volts - run.m_y.At(0, k)) < 1e-12) j = i;
    if (k > 0) {
      ASSERT_GE(j, 0) << k;
      latest = j;
    }
  }
  // The document's signals are the simulator's.
  const CSIMsystem* sim = g_pSimulator.load();
  for (int k = 0; k < 20; ++k) EXPECT_EQ(run.m_uv.At(0, k), sim->m_uv.At(0, k));
}

// The companion goes after sample 1 of 5 at 250 ms, the rest of the run
// well inside the loss bound (2.5 s) even if the program is held up meanwhile:
// the run goes on to its end on the inputs it last sent.
TEST_F(RealtimeCompanionThreads, AKilledCompanionLeavesTheRunOnItsLastInputs) {
  CQorexDoc* doc = nullptr;
  DWORD gone = 0;
  if (!JudgedRun(
          [&]() -> CQorexDoc* {
            StartCompanion();
            doc = NewDesign(0.25, 1.25);
            gone = 0;
            m_onPosted = [&](const MSG& msg) {
              if (msg.message == WM_QX_INVALIDATESLICE && msg.wParam == 1) {
                m_companion->Stop();
                gone = GetTickCount();
              }
              return false;
            };
            doc->StartStopSimulation();
            [&] { ASSERT_TRUE(PumpUntilEnded()); }();
            m_onPosted = nullptr;
            return doc;
          },
          [&] { TearDownCompanion(); }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 250), "") << "a gone companion does not hold the run up";
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{kRunEndedNormally}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_TRUE(Boxes().empty());
  ASSERT_NE(gone, 0u);
  EXPECT_TRUE(std::any_of(m_posted.begin(), m_posted.end(), [gone](const Posted& p) {
    return p.message == WM_QX_INVALIDATESLICE && static_cast<LONG>(p.time - gone) > 0;
  })) << "samples ran after the companion went";
  const CSIMsystem& run = doc->m_system;
  ASSERT_EQ(run.m_y.m_nColumns, 5);
  EXPECT_NE(run.m_y.At(0, 4), 0.0);
  EXPECT_TRUE(ReadableAt(4, run.m_y.At(0, 4))) << run.m_y.At(0, 4);
}

// The companion answers the zeroing frame and 19 samples' (0.4 s), and then
// leaves the bus (ended) or dies with its socket left behind (killed): the
// run ends one loss bound (1 s) after, says so once and keeps nothing.
// Timed on the program's own clock: from the last input that reached it, and
// from the companion's end less any time this process was held up.
TEST_F(RealtimeCompanionThreads, ACompanionGoneFromTheBusEndsTheRunWithinTheBoundAndSaysSo) {
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "ended");
    StartCompanion();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    m_posted.clear();
    CQorexDoc* doc = NewDesign(0.02, 30.0);
    DWORD gone = 0;
    std::chrono::milliseconds heldBefore{0};
    const HoldUpMeter meter;
    m_onPosted = [&](const MSG& msg) {
      if (msg.message == WM_QX_INVALIDATESLICE && msg.wParam == 18) {
        killed ? m_companion->Kill() : static_cast<void>(m_companion->Stop());
        gone = GetTickCount();
        heldBefore = meter.Held();
      }
      return false;
    };
    doc->StartStopSimulation();
    ASSERT_TRUE(PumpUntilEnded());
    m_onPosted = nullptr;
    ASSERT_NE(gone, 0u);
    ASSERT_FALSE(m_received.empty());
    const DWORD ended = RunEndedAt();
    EXPECT_GE(static_cast<LONG>(ended - m_received.back().time), 1000);
    const auto held = meter.Held() - heldBefore;
    EXPECT_LE(static_cast<LONG>(ended - gone), LONG(1000 + 500 + held.count()));
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCompanionLost);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_TRUE(HandOvers().empty());
    EXPECT_EQ(doc->m_nRuns, 0);
    EXPECT_TRUE(AllOutputsZero());
    doc->OnCloseDocument();
    TearDownCompanion();
  }
}

// The companion answers the zeroing frame only and then just listens, for
// longer than the loss bound: the run goes on to its end on that answer.
// What it hears is not counted: a stalled companion's queue takes a few
// frames and the bus skips it while full.
TEST_F(RealtimeCompanionThreads, AQuietCompanionKeepsTheRunGoingOnTheInputsItLastSent) {
  CQorexDoc* doc = nullptr;
  if (!JudgedRun(
          [&]() -> CQorexDoc* {
            StartCompanion({"--silent-after", "1"});
            doc = NewDesign(0.02, 1.6);  // 80 samples
            doc->StartStopSimulation();
            [&] { ASSERT_TRUE(PumpUntilEnded()); }();
            return doc;
          },
          [&] { TearDownCompanion(); }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 20), "") << "a quiet companion does not hold the run up";
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{kRunEndedNormally}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
  ASSERT_EQ(m_received.size(), 1u);
  EXPECT_EQ(doc->m_system.m_y.At(0, 79), m_received[0].volts);
  // Every frame went out: the zeroing one, one per sample, the last zeroing one.
  EXPECT_EQ(SentFrames().size(), 82u);
}
