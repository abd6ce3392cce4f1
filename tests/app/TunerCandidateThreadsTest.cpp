// The automatic tuner's candidates that the loop cannot run, on the PI that
// "Edit Models" builds by default, k (1 + s I) / (s I): at I = 0 it cannot be
// turned into transfer functions. Such a candidate costs the worst, is never
// run against the process, and the search goes on to its end.
#include "GlobalResources.h"
#include "editing/ModelBuilders.h"
#include "search/KFinder.h"
#include "tests/app/CompanionFixture.h"

#include <optional>

namespace {

constexpr UINT kDocToKFinder = WM_QX_DOCTOKFINDER, kUpdateAll = WM_QX_UPDATEALL;
constexpr double kWorstCost = 1e200;
// The companion's plant below, as a process model: y := 0.5 y + 0.5 u per
// 20 ms frame is a lag of 0.02 / ln 2 s.
constexpr double kCompanionLag = 0.0289;
// A pass of 10 samples gives the companion 11 frames: one per sample and
// the closing 0 V.
constexpr int kFramesPerPass = 11;

class TunerCandidateThreads : public RealtimeCompanionThreads {
 protected:
  void SetUp() override {
    RealtimeCompanionThreads::SetUp();
    m_iterations = g_nLocalIterations;
    g_nLocalIterations = 3;
  }
  void TearDown() override {
    RealtimeCompanionThreads::TearDown();
    g_nLocalIterations = m_iterations;
  }

  // A new design whose Controller was built as the default PI, with the
  // integral variable I set to `integral`, the process modelled as the
  // companion's plant, and 10 samples of 20 ms.
  CQorexDoc* PIDesign(double integral) {
    auto* doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
    EXPECT_TRUE(doc && doc->OnNewDocument());
    BuildController(doc->m_models.GetAt(kModelK), doc->m_models.GetAt(kModelG),
                    {kShapeFull, kControllerPI, 1, true}, &doc->m_vars);
    delete doc->m_models.GetAt(kModelG)->SetChildAt(Tf({1.0}, {1.0, kCompanionLag}), 1);
    doc->UpdateUsedVariables();
    m_integral = doc->m_vars.Find("I", "11", 0);
    EXPECT_GE(m_integral, 0);
    EXPECT_EQ(doc->m_vars.m_pValue[m_integral], 1.0) << "the builder's start";
    doc->m_vars.m_pValue[m_integral] = integral;
    doc->m_dSamplingTime = 0.02;
    doc->m_dFinalTime = 0.2;
    doc->Recalculate();
    EXPECT_EQ(doc->m_system.m_nError, integral == 0.0 ? kSimModelInvalid : kSimOk);
    return doc;
  }

  // What the tuner did with one candidate, seen from the user-interface
  // thread once its set-up was done.
  struct Candidate {
    double integral = 0.0;
    bool refused = false;  // the design did not convert at its values
    bool ran = false;      // a real-time pass followed
    double cost = 0.0;     // its quick cost
  };
  // Runs the tuner on doc to its end.
  std::vector<Candidate> Tune(CQorexDoc* doc) {
    CKFinder& tuner = *g_pKFinder;
    std::vector<Candidate> candidates;
    bool open = false;  // the newest candidate's set-up is to be seen
    m_onPosted = [&](const MSG& msg) {
      const bool next = msg.message == kDocToKFinder || msg.message == kUpdateAll;
      if (open && (next || msg.message == WM_QX_INVALIDATESLICE)) {
        candidates.back().refused = doc->m_system.m_nError != kSimOk;
        candidates.back().cost = tuner.m_dQuickCost;
        open = false;
      }
      if (msg.message == WM_QX_INVALIDATESLICE && !candidates.empty()) candidates.back().ran = true;
      if (msg.message == kDocToKFinder) {
        Candidate c;
        for (int i = 0; i < tuner.m_vars.m_nCount; ++i)
          if (tuner.m_vars.Index(i) == m_integral) c.integral = tuner.Value(i);
        candidates.push_back(c);
        open = true;
      }
      return false;
    };
    tuner.Start(doc);
    EXPECT_TRUE(PumpUntilEnded());
    m_onPosted = nullptr;
    return candidates;
  }

  // Every refused candidate was tried at I = 0, cost the worst, had no pass,
  // and was followed by further candidates; the run reached its end: with
  // the entries k, I, I every iteration probes each at least once.
  static void ExpectFailedCandidatesOnly(const std::vector<Candidate>& candidates) {
    int refused = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
      const Candidate& c = candidates[i];
      if (!c.refused) continue;
      ++refused;
      EXPECT_EQ(c.integral, 0.0) << i;
      EXPECT_EQ(c.cost, kWorstCost) << i;
      EXPECT_FALSE(c.ran) << i;
    }
    EXPECT_GE(refused, 1);
    EXPECT_GE(candidates.size(), 1u + 3u * 3u);
    EXPECT_EQ(static_cast<int>(candidates.size()), g_pKFinder->m_nEvaluations);
  }
  // The design ends at the best values found, which convert.
  void ExpectTheBestValues(CQorexDoc* doc) {
    const CKFinder& tuner = *g_pKFinder;
    for (int i = 0; i < tuner.m_vars.m_nCount; ++i)
      EXPECT_EQ(doc->m_vars.m_pValue[tuner.m_vars.Index(i)], tuner.Value(i)) << i;
    EXPECT_NE(doc->m_vars.m_pValue[m_integral], 0.0);
    EXPECT_EQ(doc->m_system.m_nError, kSimOk);
    EXPECT_EQ(Count(kUpdateAll), 1);
    EXPECT_EQ(g_pSimDoc.load(), nullptr);
    EXPECT_EQ(g_pWorkerThread.load(), nullptr);
    EXPECT_EQ(g_wStatus.load(), 0);
  }

  int m_iterations = 0;
  int m_integral = -1;  // I's entry in the variable table
};

// Where I starts: at -1 the search's first step of I is to 0, after a pass
// at the start; at 0 the design itself is refused and the first pass comes
// with the first value that converts.
constexpr struct {
  double integral;
  const char* what;
} kStarts[] = {{-1.0, "stepped to I = 0"}, {0.0, "started at I = 0"}};

}  // namespace

TEST_F(TunerCandidateThreads, ThePIsRefusedIntegralIsAFailedCandidateAgainstTheCompanion) {
  // The plant y := 0.5 y + 0.5 u per frame.
  StartCompanion({}, "0.5");
  for (const auto& start : kStarts) {
    SCOPED_TRACE(start.what);
    m_posted.clear();
    const size_t framesBefore = SentFrames().size();
    m_received.clear();
    CQorexDoc* doc = PIDesign(start.integral);
    std::optional<HoldUpMeter> meter(std::in_place);
    const std::vector<Candidate> candidates = Tune(doc);
    const std::string heldUp = HeldUpBy(*meter);
    m_holdUps = meter->Timeline();  // the period is judged net of what held the run up
    meter.reset();
    ExpectFailedCandidatesOnly(candidates);
    ExpectTheBestValues(doc);
    EXPECT_TRUE(Boxes().empty());
    // The passes, and nothing else, went to the process (as sent: a stalled
    // companion may hear fewer).
    const int passes = g_pKFinder->m_nPasses;
    EXPECT_GE(passes, 1);
    EXPECT_EQ(static_cast<int>(std::count_if(candidates.begin(), candidates.end(),
                                             [](const Candidate& c) { return c.ran; })),
              passes);
    const std::vector<DWORD> sent = SentTimes();
    ASSERT_EQ(sent.size() - framesBefore, size_t(kFramesPerPass * passes));
    // Each pass keeps its period (20 ms), net of outside hold-ups.
    const std::vector<long long> sentUs = SentTimesUs();
    for (int pass = 0; pass < passes; ++pass) {
      const std::size_t first = framesBefore + pass * kFramesPerPass;
      EXPECT_EQ(LateStep(sentUs, 20, first, first + kFramesPerPass), "")
          << "pass " << pass << "; held up: " << heldUp;
    }
    // Every pass is stored, but one that no input reached while it ran: the
    // companion held up for the whole of it. Its frames bound it.
    int stored = 0;
    for (int pass = 0; pass < passes; ++pass) {
      const DWORD first = sent[framesBefore + pass * kFramesPerPass];
      const DWORD last = sent[framesBefore + (pass + 1) * kFramesPerPass - 1];
      const bool handedOver = std::any_of(m_posted.begin(), m_posted.end(), [&](const Posted& p) {
        return p.message == kTransfer && static_cast<LONG>(p.time - last) >= 0 &&
               (pass + 1 == passes ||
                static_cast<LONG>(p.time - sent[framesBefore + (pass + 1) * kFramesPerPass]) <= 0);
      });
      const bool input = std::any_of(m_received.begin(), m_received.end(), [&](const Received& r) {
        return static_cast<LONG>(r.time - first) > 0 && static_cast<LONG>(last - r.time) > 0;
      });
      EXPECT_TRUE(handedOver || !input) << "pass " << pass;
      stored += handedOver;
    }
    EXPECT_EQ(stored, Count(kTransfer));
    EXPECT_EQ(doc->m_nRuns, std::min(stored, doc->m_nRunCapacity));
    doc->OnCloseDocument();
  }
}

// No companion answers: the passes that ran got no input, which the status
// line says, whatever candidates were refused among them; a sampling time
// below 1 ms ends the tuning at its first pass, which says only that.
TEST_F(TunerCandidateThreads, WithoutACompanionARefusedCandidateLeavesTheNoInputRuleAsItWas) {
  Install<QxManualClock>();
  m_instantCompanion.reset();
  CStatusBar& status = StatusLine();
  const CString noInput = "No input arrived during the run: no companion process answered.";
  for (const auto& start : kStarts) {
    SCOPED_TRACE(start.what);
    m_posted.clear();
    status.SetPaneText(0, "");
    CQorexDoc* doc = PIDesign(start.integral);
    const std::vector<Candidate> candidates = Tune(doc);
    ExpectFailedCandidatesOnly(candidates);
    ExpectTheBestValues(doc);
    EXPECT_GE(g_pKFinder->m_nPasses, 1);
    EXPECT_EQ(status.GetPaneText(0), noInput);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(doc->m_nRuns, 0);
    doc->OnCloseDocument();
  }

  m_posted.clear();
  status.SetPaneText(0, "");
  CQorexDoc* doc = PIDesign(1.0);
  doc->m_dSamplingTime = 0.0005;
  doc->m_dFinalTime = 0.005;
  doc->Recalculate();
  const std::vector<Candidate> candidates = Tune(doc);
  EXPECT_EQ(candidates.size(), 1u);
  EXPECT_EQ(g_pKFinder->m_nPasses, 0);
  EXPECT_EQ(Count(WM_QX_INVALIDATESLICE), 0);
  EXPECT_EQ(doc->m_vars.m_pValue[m_integral], 1.0);
  EXPECT_NE(status.GetPaneText(0), noInput);
  const std::vector<ShownBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The sampling time must be between 1[ms] and 30[s]");
  EXPECT_EQ(Count(kUpdateAll), 1);
}

// The identification rebuilds the document's error weight on the
// user-interface thread whenever it likes; here, to 0, before the first
// pass. The tuner costs every candidate by the weight it started with.
TEST_F(TunerCandidateThreads, TheTunersCostsKeepTheErrorWeightItStartedWith) {
  Install<QxManualClock>();
  CQorexDoc* doc = PIDesign(1.0);
  CKFinder& tuner = *g_pKFinder;
  CSIMsignal started;
  std::vector<double> quickCosts;
  double passCost = -1.0;
  m_onPosted = [&](const MSG& msg) {
    if (msg.message == kDocToKFinder && quickCosts.empty()) {
      started.Assign(doc->m_errorWeight);
      delete doc->m_signals.GetAt(kSigErrorWeight)->SetChildAt(Real(0.0), 1);
      doc->BuildErrorWeight(doc->m_errorWeight.m_nColumns);
    }
    if (msg.message == kDocToKFinder || msg.message == kUpdateAll)
      quickCosts.push_back(tuner.m_dQuickCost);
    // The worker waits in the hand-over: the simulator holds the pass.
    if (msg.message == WM_QX_PUSHUGY)
      passCost = CKFinder::WeightedError(*g_pSimulator.load(), &started);
    return false;
  };
  tuner.Start(doc);
  ASSERT_TRUE(PumpUntilEnded());
  m_onPosted = nullptr;
  ASSERT_GE(started.m_nColumns, 10);
  EXPECT_EQ(doc->m_errorWeight.At(0, 0), 0.0) << "the document's own was rebuilt";
  ASSERT_GE(tuner.m_nPasses, 1);
  EXPECT_GT(passCost, 0.0);
  EXPECT_EQ(tuner.m_dFullCost, passCost) << "the last pass, weighted as at the start";
  ASSERT_GE(quickCosts.size(), 3u);
  for (size_t i = 1; i < quickCosts.size(); ++i) EXPECT_GT(quickCosts[i], 0.0) << i;
}
