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
