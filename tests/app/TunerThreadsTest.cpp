// The automatic tuner on its worker thread, against the fake board whose
// outputs are wired to its inputs: the plant is then a one-sample delay,
// which the design's static G = g (g = 1) models up to the board's 12-bit
// steps. The loop is y(k) = kp (1 - y(k - 1)) around c = 1.
#include "GlobalResources.h"
#include "search/EqualizerEngine.h"
#include "search/KFinder.h"
#include "tests/app/RealtimeFixture.h"

#include <filesystem>
#include <limits>
#include <optional>

namespace {

constexpr UINT kDocToKFinder = WM_QX_DOCTOKFINDER, kUpdateAll = WM_QX_UPDATEALL;

int LiveThreads() {
  int n = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ++n;
  return n;
}

class TunerThreads : public RealtimeThreads {};

class TunerBoardThreads : public RealtimeBoardThreads {
 protected:
  void SetUp() override {
    RealtimeBoardThreads::SetUp();
    m_iterations = g_nLocalIterations;
    g_nLocalIterations = 3;
  }
  void TearDown() override {
    g_nLocalIterations = m_iterations;
    RealtimeBoardThreads::TearDown();
  }

  // 10 ms samples, 50 of them; K = kp, G = g (tunable, yet never tuned).
  CQorexDoc* TunedDesign(double kp) {
    CQorexDoc* doc = NewDesign(0.01, 0.5);
    delete doc->m_models.GetAt(kModelK)->SetChildAt(Variable("kp"), 1);
    delete doc->m_models.GetAt(kModelG)->SetChildAt(Variable("g"), 1);
    doc->UpdateUsedVariables();
    Value(doc, "kp") = kp;
    Value(doc, "g") = 1.0;
    doc->m_system.m_G.m_wFlags |= kBlockTunable;
    doc->Recalculate();
    return doc;
  }
  static double& Value(CQorexDoc* doc, const char* name) {
    const int i = doc->m_vars.Find(name, "", 0);
    EXPECT_GE(i, 0) << name;
    return doc->m_vars.m_pValue[i];
  }
  std::vector<UINT> TunerMessages() const {
    std::vector<UINT> found;
    for (const Posted& p : m_posted)
      if (p.message == kDocToKFinder || p.message == kTransfer || p.message == kUpdateAll)
        found.push_back(p.message);
    return found;
  }
  // The full cost of the pass the simulator holds: the worker waits in the
  // hand-over while the handler runs.
  static double PassCost(CQorexDoc* doc) {
    return CKFinder::WeightedError(*g_pSimulator.load(), &doc->m_errorWeight);
  }

  // The period check of the tuning runs' passes the board has logged since
  // it started (10 ms), net of what held the test up, each judged whole: the
  // calls between two 0 V writes (one ends a pass; a sample's may be one
  // too, which only splits it). At 10 ms the median gap is judged with the
  // gaps and a pass's length (qxtest::LateMedian), so a pass late at every
  // sample fails.
  void ExpectPassesPaced() {
    const std::vector<TimedCall> calls = TimedCalls();
    for (std::size_t from = 0, i = 0; i < calls.size(); ++i) {
      const std::string& call = calls[i].call;
      if (i + 1 < calls.size() &&
          (call.size() <= 5 || call.compare(call.size() - 5, 5, ":2048") != 0))
        continue;
      EXPECT_EQ(LateCall(calls, 10, from, i + 1), "")
          << "in the pass of calls " << from << ".." << i;
      from = i + 1;
    }
  }
  // What a tuning run met of the board beyond `caused`, the failed calls of
  // the test's own fault: nothing, unless this process or the board was
  // held up meanwhile (by their own records, meter measuring the run). Then
  // each hold-up may have made a call or two wait past its reply timeout,
  // and the program rightly counts them. The failed calls are those the run
  // said once after its end; the passes keep their period, net of the
  // hold-ups (ExpectPassesPaced).
  void ExpectNoMoreThanTheFault(const HoldUpMeter& meter, int caused) {
    const std::vector<ShownBox> boxes = Boxes();
    TimedCalls();  // and the board's record of its stalls
    const int holdUps = meter.HoldUps() + static_cast<int>(m_boardStalls.size());
    int failed = 0, count = 0;
    if (caused > 0 || !boxes.empty()) {
      ASSERT_EQ(boxes.size(), 1u);
      ASSERT_TRUE(BoardFailureCounts(boxes[0].text, failed, count)) << boxes[0].text;
      EXPECT_EQ(boxes[0].caption, "Realtime process control error");
      EXPECT_GE(failed, caused);
    }
    const std::string heldUp = HeldUpBy(meter);
    EXPECT_LE(failed, caused + 2 * holdUps) << heldUp;
    // Judged net of what held the run up, whether or not it was.
    m_holdUps = meter.Timeline();
    ExpectPassesPaced();
  }
  int m_iterations = 0;
};

}  // namespace

TEST_F(TunerBoardThreads, EachCandidateWaitsForItsDesignAndOnlyAPromisingOneGetsAPass) {
  StartBoard("normal");
  CQorexDoc* doc = TunedDesign(0.5);
  CKFinder& tuner = *g_pKFinder;
  CWinThread* worker = nullptr;
  int candidates = 0, threadsAfterAPass = 0;
  bool threadsSteady = true, workerKept = true, orderKept = true;
  std::vector<double> fullCosts;
  m_onPosted = [&](const MSG& msg) {
    const WORD status = g_wStatus.load();
    if (msg.message == kDocToKFinder) {
      orderKept &=
          (status & (kStatusTunerWaitsForDoc | kStatusTunerPassRunning)) == kStatusTunerWaitsForDoc;
      workerKept &= g_pWorkerThread.load() == worker;
      // No pass thread outlives its pass (the first pass came before the
      // second candidate).
      if (++candidates == 2)
        threadsAfterAPass = LiveThreads();
      else if (candidates > 2)
        threadsSteady &= LiveThreads() <= threadsAfterAPass;  // threads of earlier tests may end
    } else if (msg.message == kTransfer) {
      orderKept &=
          (status & (kStatusTunerWaitsForDoc | kStatusTunerPassRunning)) == kStatusTunerPassRunning;
      workerKept &= g_pWorkerThread.load() == worker;
    } else if (msg.message == kPush) {
      fullCosts.push_back(PassCost(doc));
    }
    return false;
  };
  const HoldUpMeter meter;
  tuner.Start(doc);
  worker = g_pWorkerThread.load();
  ASSERT_NE(worker, nullptr);
  EXPECT_EQ(g_pSimDoc.load(), doc);
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;

  EXPECT_TRUE(orderKept);
  EXPECT_TRUE(workerKept);
  EXPECT_TRUE(threadsSteady);
  const std::vector<UINT> seen = TunerMessages();
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], kDocToKFinder);
  EXPECT_EQ(seen[1], kTransfer) << "the first candidate gets a pass";
  EXPECT_EQ(seen.back(), kUpdateAll);
  EXPECT_EQ(Count(kUpdateAll), 1);
  // kp = 1.5 and -0.5 cost far more than twice the start: no pass for them.
  EXPECT_EQ(tuner.m_nEvaluations, Count(kDocToKFinder));
  EXPECT_EQ(tuner.m_nPasses, Count(kTransfer));
  EXPECT_LT(tuner.m_nPasses, tuner.m_nEvaluations);
  EXPECT_GE(tuner.m_nPasses, 2);
  EXPECT_LE(tuner.m_nEvaluations, 1 + 2 * 3);

  ASSERT_GE(fullCosts.size(), 2u);
  EXPECT_LT(*std::min_element(fullCosts.begin() + 1, fullCosts.end()), fullCosts[0]);
  EXPECT_NE(Value(doc, "kp"), 0.5);
  EXPECT_EQ(Value(doc, "kp"), tuner.Value(0)) << "the document holds the final value";
  EXPECT_EQ(Value(doc, "g"), 1.0) << "the process model is never tuned";
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(g_wStatus.load(), 0);
  ExpectNoMoreThanTheFault(meter, 0);
}

TEST_F(TunerBoardThreads, AVariableOfTheControllerAndTheFeedbackIsProbedOncePerOccurrence) {
  StartBoard("normal");
  CQorexDoc* doc = TunedDesign(0.5);
  delete doc->m_models.GetAt(kModelF)->SetChildAt(Variable("kp"), 1);
  doc->m_system.m_F.m_wFlags |= kBlockTunable;
  doc->UpdateUsedVariables();
  doc->Recalculate();
  CKFinder& tuner = *g_pKFinder;
  tuner.Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  ASSERT_EQ(tuner.m_vars.m_nCount, 2);
  EXPECT_EQ(tuner.m_vars.Index(0), tuner.m_vars.Index(1));
  EXPECT_EQ(tuner.Value(0), tuner.Value(1));
  // Two entries, three iterations: at least one probe each per iteration.
  EXPECT_GE(tuner.m_nEvaluations, 1 + 2 * 3);
  EXPECT_LE(tuner.m_nEvaluations, 1 + 2 * 2 * 3);
  EXPECT_EQ(Value(doc, "g"), 1.0);
  ExpectPassesPaced();
}

TEST_F(TunerBoardThreads, WithNothingToTuneTheWorkerEndsAtOnce) {
  StartBoard("normal");
  CQorexDoc* doc = NewDesign(0.01, 0.5);  // K = 0.5, no variable
  for (int i = 0; i < 20; ++i) {
    g_pKFinder->Start(doc);
    ASSERT_TRUE(PumpUntilEnded());
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
  }
  EXPECT_EQ(Count(kUpdateAll), 20);
  EXPECT_EQ(Count(kDocToKFinder), 0);
  EXPECT_EQ(Count(kTransfer), 0);
}

// The stop arrives in the second pass: the first at the start value, the
// second at a probe (every earlier candidate cost twice the start, so none
// was taken).
TEST_F(TunerBoardThreads, AStopInMidPassEndsTheRunWithTheProbedVariableBack) {
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "closing the document" : "clearing the driven document");
    StartBoard("normal");
    m_posted.clear();
    CQorexDoc* doc = TunedDesign(0.5);
    size_t stoppedAt = 0;
    double probe = 0.0;
    m_onPosted = [&](const MSG& msg) {
      if (stoppedAt == 0 && msg.message == WM_QX_INVALIDATESLICE && Count(kTransfer) == 1) {
        stoppedAt = m_posted.size();
        probe = Value(doc, "kp");
        if (close) {
          doc->OnCloseDocument();  // returns once the tuner has ended
          EXPECT_EQ(g_pWorkerThread.load(), nullptr);
        } else {
          g_pSimDoc = nullptr;
          QxWakeSleepers();
        }
        return true;
      }
      return false;
    };
    g_pKFinder->Start(doc);
    ASSERT_TRUE(PumpUntilEnded());
    m_onPosted = nullptr;
    ASSERT_GT(stoppedAt, 0u);
    EXPECT_NE(probe, 0.5);
    for (size_t i = stoppedAt; i < m_posted.size(); ++i) {
      EXPECT_NE(m_posted[i].message, kDocToKFinder) << "no further candidate";
      EXPECT_NE(m_posted[i].message, kTransfer) << "no further pass";
    }
    EXPECT_EQ(Count(kUpdateAll), 1);
    EXPECT_EQ(g_pKFinder->Value(0), 0.5) << "the probed variable is back";
    if (!close) {
      EXPECT_EQ(Value(doc, "kp"), 0.5) << "the document holds the final value";
    }
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    EXPECT_TRUE(AllOutputsZero());
    ExpectPassesPaced();
    if (!close) doc->OnCloseDocument();
  }
}

TEST_F(TunerBoardThreads, ASecondStartStopsTheFirst) {
  StartBoard("normal");
  CQorexDoc* first = TunedDesign(0.5);
  CQorexDoc* second = TunedDesign(0.4);
  bool restarted = false;
  m_onPosted = [&](const MSG& msg) {
    if (!restarted && msg.message == WM_QX_INVALIDATESLICE) {
      restarted = true;
      g_pKFinder->Start(second);  // waits for the first run to end
      EXPECT_EQ(g_pSimDoc.load(), second);
    }
    return false;
  };
  g_pKFinder->Start(first);
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;
  EXPECT_TRUE(restarted);
  EXPECT_EQ(Count(kUpdateAll), 2);
  // The first was stopped in its first pass: it keeps its start.
  EXPECT_EQ(Value(first, "kp"), 0.5);
  EXPECT_NE(Value(second, "kp"), 0.4);
  EXPECT_EQ(g_pKFinder->m_pTunedDoc, second);
  ExpectPassesPaced();
}

// The user goes on working while the tuner runs: an untuned variable, the
// search's iterations, the frequency grid and the run's times change.
TEST_F(TunerBoardThreads, ChangesByTheUserDuringTuningKeepTheRunConsistent) {
  StartBoard("normal");
  CQorexDoc* doc = TunedDesign(0.5);
  delete doc->m_models.GetAt(kModelP)->SetChildAt(Variable("p"), 1);  // P is not tunable
  doc->UpdateUsedVariables();
  Value(doc, "p") = 1.0;
  doc->Recalculate();
  int candidates = 0;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message != kDocToKFinder || ++candidates != 2) return false;
    Value(doc, "p") = 0.9;
    doc->Recalculate();
    g_nLocalIterations = 20;
    g_nFreqSteps += 10;
    SIMtimeSettings times = doc->GetTimeSettings();
    times.dFinalTime = 0.6;
    doc->ApplyTimeSettings(times);
    return false;
  };
  g_pKFinder->Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;
  g_nFreqSteps -= 10;
  EXPECT_EQ(Value(doc, "p"), 0.9) << "an untuned variable keeps the user's change";
  EXPECT_LE(g_pKFinder->m_nEvaluations, 1 + 2 * 3) << "the run keeps the iterations it began with";
  ASSERT_GE(doc->m_nRuns, 1);
  EXPECT_EQ(doc->m_runs[doc->m_nRuns - 1].output.m_nColumns, 60)
      << "later passes take the new times";
  ExpectPassesPaced();
}

// Failed board calls are counted over every pass and said once, after the
// run; a period outside 1 ms .. 30 s is said once and ends the tuning at its
// first pass, which sends the board nothing but 0 V.
TEST_F(TunerBoardThreads, WhatThePassesMetIsSaidOnceAfterTheRun) {
  // The board drops its connection once, in the second pass.
  StartBoardWith({"--after", "150", "--fault", "drop"});
  CQorexDoc* doc = TunedDesign(0.5);
  std::optional<HoldUpMeter> meter(std::in_place);
  g_pKFinder->Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  std::vector<ShownBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  int failed = 0, calls = 0;
  ASSERT_TRUE(BoardFailureCounts(boxes[0].text, failed, calls)) << boxes[0].text;
  // A pass: a reading and a write a sample; its closing zero is no call of the run.
  EXPECT_GE(g_pKFinder->m_nPasses, 2);
  EXPECT_EQ(calls, g_pKFinder->m_nPasses * 2 * 50);
  ExpectNoMoreThanTheFault(*meter, 1);
  meter.reset();

  {
    std::lock_guard guard(m_boxLock);
    m_boxes.clear();
  }
  StartBoard("normal");
  doc->m_dSamplingTime = 0.0005;
  doc->m_dFinalTime = 0.025;
  const double kp = Value(doc, "kp");
  g_pKFinder->Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The sampling time must be between 1[ms] and 30[s]");
  EXPECT_EQ(boxes[0].caption, "Realtime process control error");
  EXPECT_EQ(g_pKFinder->m_nEvaluations, 1);
  EXPECT_EQ(g_pKFinder->m_nPasses, 0);
  for (const std::string& call : Calls())
    EXPECT_EQ(call.substr(0, 1) + call.substr(2), "W:" + std::to_string(Code(0.0))) << call;
  EXPECT_EQ(Value(doc, "kp"), kp);
  EXPECT_EQ(Count(kUpdateAll), 2);
}

// The board is lost in the second pass (the driver killed in it) or in the
// first (every answer garbage): the tuning run ends at once with the best
// values found, the probe taken back, the lost pass not stored, and says
// why once, with the outputs the board may still drive.
TEST_F(TunerBoardThreads, ATuningRunThatLosesItsBoardEndsAtTheBestValuesAndSaysWhy) {
  const struct {
    std::vector<std::string> board;
    int passes;
  } rows[] = {{{"--after", "131", "--fault", "exit"}, 2}, {{"--mode", "garbage"}, 1}};
  for (const auto& row : rows) {
    StartBoardWith(row.board);
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    CQorexDoc* doc = TunedDesign(0.5);
    g_pKFinder->Start(doc);
    ASSERT_TRUE(PumpUntilEnded());
    EXPECT_EQ(g_pKFinder->m_nPasses, row.passes);
    EXPECT_EQ(doc->m_nRuns, row.passes - 1);
    EXPECT_EQ(Count(kTransfer), row.passes - 1);
    EXPECT_EQ(Count(kUpdateAll), 1);
    EXPECT_EQ(Value(doc, "kp"), 0.5);
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kBoardLost + "\n" + kOutputsDriven);
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    ExpectPassesPaced();
    doc->OnCloseDocument();
  }
}

TEST_F(TunerThreads, ACandidateGetsAPassOnlyBelowTheCutoff) {
  Install<QxManualClock>();
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  CKFinder& tuner = *g_pKFinder;
  tuner.m_nUiThread = QxUiThreadId() != 0 ? QxUiThreadId() : GetCurrentThreadId();
  g_pSimDoc = doc;
  RequestAnswer(kStatusTunerWaitsForDoc);
  doc->PrepareSimulation();  // the simulator set up as a candidate's would be
  const struct {
    double quick, cutoff;
    bool pass;
  } rows[] = {{10.0, 20.0, true}, {20.0, 20.0, false}, {1e200, 1e300, true}, {30.0, 20.0, false}};
  for (const auto& row : rows) {
    // The user-interface side of the hand-over: the quick cost, then the bit.
    m_onPosted = [&](const MSG& msg) {
      if (msg.message != kDocToKFinder) return false;
      tuner.m_dQuickCost = row.quick;
      g_wStatus.fetch_and(static_cast<WORD>(~kStatusTunerWaitsForDoc));
      QxWakeSleepers();
      return true;
    };
    tuner.m_dCutoff = row.cutoff;
    const int passes = Count(kTransfer);
    std::atomic<bool> done{false};
    double cost = 0.0;
    std::thread worker([&] {
      cost = tuner.Evaluate();
      done = true;
    });
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (!done && std::chrono::steady_clock::now() < limit) QxTest::PumpEvents();
    worker.join();
    QxTest::PumpEvents();
    EXPECT_EQ(Count(kTransfer) - passes, row.pass ? 1 : 0)
        << row.quick << " against " << row.cutoff;
    EXPECT_EQ(cost, row.pass ? tuner.m_dFullCost : row.quick);
    EXPECT_EQ(g_pSimDoc.load(), doc);
  }
  m_onPosted = nullptr;
  g_pSimDoc = nullptr;
}

// One variable, one iteration: the start gets a pass; the probes' quick
// costs lie just below and at twice the start's full cost, so only the first
// of them gets one. The simulator keeps the set-up made before the run.
TEST_F(TunerThreads, TheSearchsCutoffIsTwiceTheBestCost) {
  Install<QxManualClock>();
  CQorexDoc* doc = TunableDesign(0.02, 0.1);
  g_pSimDoc = doc;
  doc->PrepareSimulation();
  g_pSimDoc = nullptr;
  CKFinder& tuner = *g_pKFinder;
  int candidates = 0;
  double best = 0.0;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message != kDocToKFinder) return false;
    if (++candidates == 2) best = tuner.m_dFullCost;
    tuner.m_dQuickCost = candidates == 1 ? 1.0 : candidates == 2 ? 1.99 * best : 2.0 * best;
    g_wStatus.fetch_and(static_cast<WORD>(~kStatusTunerWaitsForDoc));
    QxWakeSleepers();
    return true;
  };
  const int iterations = g_nLocalIterations;
  g_nLocalIterations = 1;
  tuner.Start(doc);  // takes the iteration count
  g_nLocalIterations = iterations;
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;
  ASSERT_GT(best, 0.0);
  EXPECT_EQ(candidates, 3) << "the start, then kp up, then kp down";
  EXPECT_EQ(Count(kTransfer), 2) << "the start and the probe below twice its cost";
  EXPECT_EQ(Count(kUpdateAll), 1);
}

// A clock whose sleeps never end by themselves: the stop alone must end the
// pass, the tuner's waits and the tuner.
TEST_F(TunerThreads, AStoppedTunerEndsWithAClockWhoseSleepsNeverEnd) {
  StuckClock& clock = Install<StuckClock>();
  CQorexDoc* doc = TunableDesign(0.02, 0.1);
  bool stopped = false;
  m_onPosted = [&](const MSG& msg) {
    if (!stopped && msg.message == WM_QX_INVALIDATESLICE) {
      stopped = true;
      g_pSimulator.load()->StopRealtime();  // waits for the tuner
      EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    }
    return false;
  };
  g_pKFinder->Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;
  EXPECT_TRUE(stopped);
  EXPECT_EQ(clock.Sleepers(), 0);
  EXPECT_EQ(Count(kUpdateAll), 1);
  EXPECT_EQ(Count(kTransfer), 0);
  QxSetClock(m_previousClock);
}

// A run made at a longer final time stays through a tuner's start at a
// shorter one and recalls, its length kept; a run whose rows the loop no
// longer has goes, and the status line says so.
TEST_F(TunerThreads, StoredRunsOutliveATunerStartUnlessTheLoopLostTheirRows) {
  Install<QxManualClock>();
  CStatusBar& status = StatusLine();
  CQorexDoc* doc = TunableDesign(0.02, 0.24);  // 12 samples
  doc->SetRunCapacity(10);
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  ASSERT_EQ(doc->m_nRuns, 1);
  ASSERT_EQ(doc->m_runs[0].output.m_nColumns, 12);
  const double measured = doc->m_runs[0].output.At(0, 11);
  // A two-channel run, as a wider loop once stored it.
  for (CSIMsignal* signal :
       {&doc->m_runs[1].setpoint, &doc->m_runs[1].control, &doc->m_runs[1].output}) {
    signal->Resize(2, 12);
    signal->Zero();
  }
  doc->m_runs[1].dTs = 0.02;
  doc->m_nRuns = 2;

  doc->m_dFinalTime = 0.2;  // 10 samples
  doc->Recalculate();
  const int iterations = g_nLocalIterations;
  g_nLocalIterations = 1;
  g_pKFinder->Start(doc);
  g_nLocalIterations = iterations;
  ASSERT_TRUE(PumpUntilEnded());
  const int passes = g_pKFinder->m_nPasses;
  ASSERT_GE(passes, 1);
  // The first run, then one per pass.
  ASSERT_EQ(doc->m_nRuns, 1 + passes);
  EXPECT_EQ(doc->m_runs[0].output.m_nColumns, 12);
  EXPECT_EQ(doc->m_runs[0].output.At(0, 11), measured);
  for (int i = 1; i < doc->m_nRuns; ++i) EXPECT_EQ(doc->m_runs[i].output.m_nColumns, 10) << i;
  EXPECT_EQ(status.GetPaneText(0),
            CString("1 stored run no longer fits the loop's signals and was removed."));
  ASSERT_TRUE(doc->RecallRun(0));
  EXPECT_EQ(doc->m_system.m_yd.m_nColumns, 12);
  EXPECT_EQ(doc->m_system.m_yd.At(0, 11), measured);
}
