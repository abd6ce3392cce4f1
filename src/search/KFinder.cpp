#include "search/KFinder.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "WorkerMessages.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "search/PatternStep.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/RealtimeTexts.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The worst cost: a run that is not finite, or a candidate that cannot run.
constexpr double kWorstCost = 1e200;
constexpr double kNoCutoff = 1e300;
constexpr DWORD kWaitPollMs = 20;

}  // namespace

CKFinder::CKFinder() : m_dFullCost(0.0), m_dQuickCost(0.0), m_dCutoff(kNoCutoff) {}

CKFinder::~CKFinder() = default;

// ---- start and the worker ---------------------------------------------------------

void CKFinder::Start(CQorexDoc* doc) {
  // The stop request to a running worker (tuner or real-time run) and the
  // wait for it come first: no tuning starts beside a worker that has not
  // ended.
  StartWorker(doc, KFinderThreadProc, this, [this, doc](unsigned) { return Prepare(doc); });
}

bool CKFinder::Prepare(CQorexDoc* doc) {
  // Times that give no run are the design's, whatever the candidate: said
  // once, as a run says them, and nothing is tuned.
  if (const char* text = CSIMsystem::NoRunText(doc->m_dSamplingTime, doc->m_dFinalTime)) {
    MessageBox(nullptr, text, kRealtimeCaption, MB_OK);
    return false;
  }

  // What the worker needs of this thread's state is taken now, so that the
  // user may change the settings while it runs.
  m_pTunedDoc = doc;
  m_nIterations = g_nLocalIterations;
  m_nUiThread = QxUiThreadId();
  if (m_nUiThread == 0) m_nUiThread = GetCurrentThreadId();
  m_nEvaluations = m_nPasses = 0;
  m_nPassCalls = m_nPassFailedCalls = m_nPassFailedWrites = 0;
  m_nPassLost = kRunEndedNormally;
  m_bPassInput = false;
  m_pPassRefusal = nullptr;
  m_dCutoff = kNoCutoff;
  CollectFreeVariables(doc);

  int Lw = doc->m_system.m_yd.m_nColumns;
  for (int r = 0; r < doc->m_nRuns; ++r) Lw = std::max(Lw, doc->m_runs[r].control.m_nColumns);
  doc->BuildErrorWeight(Lw);
  // The worker costs its candidates by this copy: the document's own is
  // rebuilt on this thread whenever the process is identified.
  if (!m_errorWeight) m_errorWeight = std::make_unique<CSIMsignal>();
  m_errorWeight->Assign(doc->m_errorWeight);
  return true;
}

UINT KFinderThreadProc(LPVOID param) {
  auto* tuner = static_cast<CKFinder*>(param);
  tuner->Run();

  auto result = std::make_unique<KFinderResult>();
  result->doc = tuner->m_pTunedDoc;
  for (int i = 0; i < tuner->m_vars.m_nCount; ++i)
    result->values.emplace_back(tuner->m_vars.Index(i), tuner->Value(i));
  // What the passes met, said once for the whole run: a lost peer ended it.
  QxWorkerEnd end;
  end.end.kind = tuner->m_nPassLost;
  if (end.end.kind == kRunEndedNormally && tuner->m_nPasses > 0 && !tuner->m_bPassInput &&
      g_pAnalogIo != nullptr && g_pAnalogIo->m_bEmulate)
    end.end.kind = kRunWithoutInput;
  end.end.outputsDriven =
      tuner->m_nPasses > 0 && g_pAnalogIo != nullptr && g_pAnalogIo->OutputsMayBeDriven();
  end.refusal = tuner->m_pPassRefusal;
  end.calls = tuner->m_nPassCalls;
  end.failedWrites = tuner->m_nPassFailedWrites;
  end.failedReads = tuner->m_nPassFailedCalls - tuner->m_nPassFailedWrites;
  const DWORD ui = tuner->m_nUiThread;
  tuner->PushResult(std::move(result));

  // A stop may have left the wait bits set; nobody waits on them now.
  AnswerWorker(kStatusTunerWaitsForDoc | kStatusTunerPassRunning, WakeWaiters::kNo);
  FinishWorker(ui, WM_QX_UPDATEALL, end);
  return 0;
}

void CKFinder::Run() {
  if (m_vars.m_nCount == 0 || StopRequested()) return;
  m_vars.StartSteps([this](int i) { return Value(i); });
  Search();
}

double CKFinder::Search() {
  m_dCutoff = kNoCutoff;
  double f0 = Evaluate();
  if (StopRequested()) return 0.0;
  for (int iteration = 0; iteration < m_nIterations; ++iteration)
    for (int i = 0; i < m_vars.m_nCount; ++i) {
      // A candidate whose quick cost is twice the best cannot beat it: it
      // gets no real-time pass.
      m_dCutoff = 2.0 * f0;
      QOX_PatternAxis axis = m_vars.Axis(i);
      const double before = Value(i);
      double x = before;
      bool stopped = false;
      f0 = PatternStep(x, f0, axis, [&](double v) {
        // After a stop no further candidate is tried; the probe counts as worse.
        if (stopped) return std::numeric_limits<double>::quiet_NaN();
        SetValue(i, v);
        const double f = Evaluate();
        stopped = StopRequested();
        return stopped ? std::numeric_limits<double>::quiet_NaN() : f;
      });
      if (stopped) {
        SetValue(i, before);
        return 0.0;
      }
      SetValue(i, x);
      m_vars.Axis(i) = axis;
    }
  return f0;
}

double CKFinder::Evaluate() {
  CSIMsystem* sim = g_pSimulator.load();
  if (StopRequested() || sim == nullptr) return m_dQuickCost;
  ++m_nEvaluations;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    sim->m_nStep = 0;
  }

  // The user-interface thread writes the candidate into the document,
  // recalculates it, sets the simulator up and stores the quick cost.
  m_bQuickRefused = false;
  // A full queue is waited out while the run goes on; a request never
  // queued is not waited for, and ends the tuning.
  RequestAnswer(kStatusTunerWaitsForDoc);
  if (!PostToUi(m_nUiThread, WM_QX_DOCTOKFINDER, 0, 0, [] { return !StopRequested(); })) {
    AnswerWorker(kStatusTunerWaitsForDoc, WakeWaiters::kNo);
    RequestStop(WakeWaiters::kNo);
    return m_dQuickCost;
  }
  WaitWhileStatus(kStatusTunerWaitsForDoc, kWaitPollMs);

  const double quickCost = m_dQuickCost;
  CQorexDoc* doc = g_pSimDoc.load();
  if (doc == nullptr) return quickCost;
  // A loop that cannot be run has nothing to try on the process.
  if (m_bQuickRefused) return kWorstCost;
  if (!(quickCost < m_dCutoff)) return quickCost;
  RequestAnswer(kStatusTunerPassRunning);
  // The pass's thread is this worker's: it is joined (a stopped pass ends
  // within one sample) and deleted here, and g_pWorkerThread keeps naming
  // the tuner.
  std::unique_ptr<CWinThread> pass(sim->ContinueRealtime(doc, m_nPasses > 0));
  bool refused = false;
  if (pass) {
    pass->Join();
    const CSIMsystem::PassReport& report = sim->m_passReport;  // final once joined
    // The simulator's set-up refused the candidate's loop (one the document
    // changed meanwhile): the pass touched nothing. A refused period stopped
    // the tuning instead, and is said with its end.
    refused = report.refused != CSIMsystem::kPassRan;
    if (report.refusal != nullptr) m_pPassRefusal = report.refusal;
    if (!refused) {
      ++m_nPasses;
      m_nPassCalls += report.calls;
      m_nPassFailedCalls += report.failedCalls;
      m_nPassFailedWrites += report.failedWrites;
      if (RunEndIsLoss(report.end)) m_nPassLost = report.end;
      if (report.end != kRunWithoutInput) m_bPassInput = true;
    }
  }
  if (StopRequested()) return quickCost;
  if (refused) return kWorstCost;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    ComputeCost(sim, false);
  }
  return m_dFullCost;
}

// ---- the variables ------------------------------------------------------------------

void CKFinder::CollectFreeVariables(CQorexDoc* doc) {
  m_vars.Clear();
  if (doc == nullptr) return;
  // Every model but the process; a variable is searched once per occurrence.
  QOX_AddTunableVariables(*doc, {kModelP, kModelK, kModelL, kModelF}, doc->m_vars.m_nCount,
                          QOX_Repeats::kPerOccurrence, m_vars);
  std::lock_guard guard(m_valuesLock);
  m_values.resize(m_vars.m_nCount);
  for (int i = 0; i < m_vars.m_nCount; ++i) m_values[i] = doc->m_vars.m_pValue[m_vars.Index(i)];
}

void CKFinder::SetValue(int i, double x) {
  std::lock_guard guard(m_valuesLock);
  for (int j = 0; j < m_vars.m_nCount; ++j)
    if (m_vars.Index(j) == m_vars.Index(i)) m_values[j] = x;
}

void CKFinder::ApplyCandidate(CQorexDoc* doc) {
  if (doc == nullptr || doc != m_pTunedDoc) return;
  std::lock_guard guard(m_valuesLock);
  for (int i = 0; i < m_vars.m_nCount; ++i)
    if (m_vars.Index(i) < doc->m_vars.m_nCount) doc->m_vars.m_pValue[m_vars.Index(i)] = m_values[i];
}

void CKFinder::PushResult(std::unique_ptr<KFinderResult> result) {
  std::lock_guard guard(m_resultsLock);
  m_results.push_back(std::move(result));
}

std::unique_ptr<KFinderResult> CKFinder::TakeResult() {
  std::lock_guard guard(m_resultsLock);
  if (m_results.empty()) return nullptr;
  std::unique_ptr<KFinderResult> oldest = std::move(m_results.front());
  m_results.pop_front();
  return oldest;
}

// ---- cost ----------------------------------------------------------------------------

void CKFinder::ComputeCost(CSIMsystem* system, bool quick) {
  if (StopRequested() || system == nullptr) return;
  // A loop that could not be run left signals that are no response.
  const bool refused = system->m_nError != kSimOk;
  double cost = refused ? kWorstCost : WeightedError(*system, m_errorWeight.get());
  if (!std::isfinite(cost)) cost = kWorstCost;
  if (quick) {
    m_dQuickCost = cost;
    m_bQuickRefused = refused;
  } else {
    m_dFullCost = cost;
  }
}

double CKFinder::WeightedError(const CSIMsystem& system, const CSIMsignal* weight) {
  const CSIMsignal& z = system.m_z;
  const CSIMsignal& c = system.m_c;
  const int rows = std::min(z.m_nRows, c.m_nRows);
  int samples = std::min(z.m_nColumns, c.m_nColumns);
  // Row length of the weight: its own when it has a row per output, else 0,
  // so that its first row serves every output.
  int weightRow = 0;
  if (weight != nullptr) {
    samples = std::min(samples, weight->m_nColumns);
    if (weight->m_nRows == rows) weightRow = weight->m_nColumns;
  }
  double sum = 0.0;
  for (int i = 0; i < rows; ++i) {
    for (int k = 0; k < samples; ++k) {
      const double w = weight != nullptr ? weight->m_pSamples[weightRow * i + k] : 1.0;
      const double diff = z.At(i, k) - c.At(i, k);
      sum += w * diff * diff;
    }
  }
  return sum;
}
