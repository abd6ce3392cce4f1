#pragma once
// CKFinder: the automatic tuner. It tunes the free variables of a design's
// tunable models against the real plant with the Equalizer's coordinate
// pattern search, judging each candidate first by the document's own
// simulation (the quick cost) and, when that is promising, by a real-time
// pass (the full cost).
//
// Cost of a run: with z the loop's compensated output, c the setpoint and W
// the document's sampled error weight,
//
//   J = sum over rows i and samples k of W(i, k) * (z(i, k) - c(i, k))^2 ,
//
// taken over the rows that z and c share. W supplies one row per output when
// its row count equals that number; otherwise its first row weighs every
// output. Samples beyond the shortest of z, c and W are not counted, so
// signals of unequal length are never read past their end. W is sampled once,
// when the run starts, and serves all of its candidates. A non-finite J is
// stored as 1e200, the worst cost of the design search.
//
// A candidate whose loop cannot be run (a model that does not convert,
// signals that do not fit) is a failed candidate: it costs 1e200, is never
// run against the process, and the search goes on. Nothing is said about it.
// Times that give no run, and a sampling period outside 1 ms .. 30 s, are
// the design's, not a candidate's: Start says the first (JudgeRunTimes) in
// the words a run uses and tunes nothing; the first pass refuses the second,
// says so once and ends the tuning (the stop request).
//
// Threads. Start, the DocToKFinder and UpdateAll handlers run on the
// user-interface thread; the search runs in the tuner's worker, which owns
// g_pWorkerThread for the whole run. The worker never touches the document:
// it keeps the candidate values here, and the DocToKFinder handler writes
// them into the driven document before recalculating it (ApplyCandidate);
// what the cost needs of the document, the error weight, is copied here by
// Start.
// Each real-time pass runs in a thread the worker starts, joins and
// deletes. At the end the worker leaves its result for the UpdateAll
// handler (TakeResult): the tuned document and the final values; what the
// passes have to report is its end (QxWorkerEnd, search/WorkerSeam.h). The stop request
// (RequestStop, which clears g_pSimDoc): every wait ends within one sleep, the search within one
// evaluation, and the variable being probed takes back its value. A pass
// that loses its peer (the board or the companion) asks for that stop
// itself.
#include "WorkerMessages.h"
#include "platform/core/Types.h"
#include "search/QOX_FreeVars.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class CQorexDoc;
class CSIMsignal;
class CSIMsystem;

// What a tuner's run leaves to the user-interface thread.
struct KFinderResult {
  CQorexDoc* doc = nullptr;                    // the tuned document; may be closed by now
  std::vector<std::pair<int, double>> values;  // variable table index, final value
};

class CKFinder {
 public:
  // No variables yet.
  CKFinder();
  // Waits for nothing: the application stops the worker first.
  virtual ~CKFinder();
  CKFinder(const CKFinder&) = delete;
  CKFinder& operator=(const CKFinder&) = delete;

  // User-interface thread: stops a running worker and waits for it; unless
  // doc's times give no run (said in a box), makes doc the driven document,
  // collects the tunable variables, samples the error weight into
  // m_errorWeight and starts the worker.
  void Start(CQorexDoc* doc);
  // Start steps and directions, then Search; nothing without variables or
  // after a stop.
  void Run();
  // The local search; f0 at its end, 0 after a stop.
  double Search();
  // Cost of the candidate values, with the handshakes: the quick cost, or
  // the full cost of a real-time pass when the quick cost is below
  // m_dCutoff; the worst cost when the candidate's loop cannot be run.
  // Worker thread.
  double Evaluate();

  // Stores the weighted error of system's last run (weighted by
  // m_errorWeight) as the quick cost (quick set) or the full cost; the worst
  // cost when system's loop could not be run, which for the quick cost also
  // marks the candidate refused. Nothing happens while no document is driven
  // (g_pSimDoc null).
  void ComputeCost(CSIMsystem* system, bool quick);

  // J above for system's signals z and c; a null weight weighs every sample 1.
  static double WeightedError(const CSIMsystem& system, const CSIMsignal* weight);

  // The variables of the pre-filter, controller, post-compensator and
  // feedback element that are marked for automatic modification, in the
  // order their trees hold them; never the process model's. A variable that
  // occurs twice is listed twice. Each entry's candidate value starts as the
  // document's.
  void CollectFreeVariables(CQorexDoc* doc);

  // User-interface thread, for the DocToKFinder handler: writes the
  // candidate values into doc when it is the tuned document.
  void ApplyCandidate(CQorexDoc* doc);
  // The worker's result at its end, and the UpdateAll handler taking the
  // oldest one not yet taken (null when none is left).
  void PushResult(std::unique_ptr<KFinderResult> result);
  std::unique_ptr<KFinderResult> TakeResult();

  // The value of list entry i, and setting it (every entry of the same
  // variable takes it).
  double Value(int i) const { return m_values[i]; }
  void SetValue(int i, double x);

  // The variables searched, in search order; a variable may occur twice.
  QOX_FreeVars m_vars;
  double m_dFullCost;  // cost of the last real-time pass
  // Cost of the candidate's simulation: the DocToKFinder handler stores it on
  // the user-interface thread, the worker reads it, also after a stop that
  // ended its wait before the handler ran.
  std::atomic<double> m_dQuickCost;
  // Stored with the quick cost: the candidate's own loop could not be run.
  std::atomic<bool> m_bQuickRefused{false};
  double m_dCutoff;  // quick cost below which a pass is run

  // Taken by Start on the user-interface thread: the document, the search's
  // iteration count, and the thread the messages go to.
  CQorexDoc* m_pTunedDoc = nullptr;
  int m_nIterations = 0;
  DWORD m_nUiThread = 0;
  // Of the current run: evaluations, real-time passes that ran (a refused
  // candidate's is none), and what the passes reported.
  int m_nEvaluations = 0;
  int m_nPasses = 0;
  int m_nPassCalls = 0;
  int m_nPassFailedCalls = 0;
  int m_nPassFailedWrites = 0;
  QxRunEndKind m_nPassLost = kRunEndedNormally;  // the pass that lost its peer, else normal
  bool m_bPassInput = false;                     // an emulated pass received input
  const char* m_pPassRefusal = nullptr;          // a pass's refused period

 private:
  // Start's preparation once no worker runs: false (said) when doc's times
  // give no run.
  bool Prepare(CQorexDoc* doc);
  // The document's error weight as Start sampled it: written only while no
  // worker runs, then read by the worker and the DocToKFinder handler.
  std::unique_ptr<CSIMsignal> m_errorWeight;
  // The candidate value of each entry of m_vars, guarded between the
  // worker's writes and ApplyCandidate.
  std::vector<double> m_values;
  mutable std::mutex m_valuesLock;
  std::mutex m_resultsLock;
  std::deque<std::unique_ptr<KFinderResult>> m_results;
};

// The tuner's worker: Run, then the result for the UpdateAll handler, and
// its end through the worker seam (FinishWorker): UpdateAll is posted once
// g_pWorkerThread is cleared.
UINT KFinderThreadProc(LPVOID tuner);
