// Process identification: the misfit of the process model against the
// real-time runs stored with a design, and FindG, which fits the model's
// free variables to them (EqualizerEngine.h).
#include "search/EqualizerEngine.h"

#include "QorexDoc.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>

namespace {

// Puts the system's step count back when the scope ends.
class StepCountGuard {
 public:
  StepCountGuard(CSIMsystem& sys, int steps) : m_sys(sys), m_steps(sys.m_nSteps) {
    sys.m_nSteps = steps;
  }
  ~StepCountGuard() { m_sys.m_nSteps = m_steps; }
  StepCountGuard(const StepCountGuard&) = delete;
  StepCountGuard& operator=(const StepCountGuard&) = delete;

 private:
  CSIMsystem& m_sys;
  int m_steps;
};

}  // namespace

void CEqualizerEngine::PrepareIdentification(BOOL build) {
  if (m_pDoc == nullptr) return;
  CQorexDoc& doc = *m_pDoc;
  CSIMsystem& sys = doc.m_system;
  if (build) {
    int L = 0;
    for (int r = 0; r < doc.m_nRuns; ++r) L = std::max(L, doc.m_runs[r].output.m_nColumns);
    m_nOutputs = sys.m_z.m_nRows;
    m_nRunLength = L;
    {
      StepCountGuard steps(sys, L);
      sys.m_c.Build(&doc, doc.m_signals.RightSideAt(kSigC), L, false);
      sys.m_v.Build(&doc, doc.m_signals.RightSideAt(kSigV), L, true);
      sys.m_d.Build(&doc, doc.m_signals.RightSideAt(kSigD), L, true);
      sys.m_n.Build(&doc, doc.m_signals.RightSideAt(kSigN), L, true);
    }
    for (const SIMloopSignal& s : kLoopSignals) {
      if (s.definition >= 0) continue;
      const SIMdimSource& source = kDimSources[s.rows];
      const CMcBasic* side = (source.model ? doc.m_models : doc.m_signals).RightSideAt(source.slot);
      (sys.*s.signal).Build(&doc, side, L, false);
    }
  }
  // Only the process model is fitted: it is rebuilt whatever its flags.
  sys.m_G.FromExprCoefs(&doc, doc.m_models.RightSideAt(kModelG));
  sys.m_G.PrepareSimulation();
}

double CEqualizerEngine::IdentificationCost() {
  if (m_pDoc == nullptr) return kFailedTerm;
  CQorexDoc& doc = *m_pDoc;
  CSIMsystem& sys = doc.m_system;
  if (sys.m_nError != kSimOk) return kFailedTerm;
  const CSIMsignal& W = doc.m_errorWeight;
  const CSIMsignal& Z = sys.m_yd;
  const double ts = sys.m_dTs;
  double sum = 0.0;
  for (int r = 0; r < doc.m_nRuns; ++r) {
    const CSIMsignal& setpoint = doc.m_runs[r].setpoint;
    const CSIMsignal& M = doc.m_runs[r].output;
    const double runTs = doc.m_runs[r].dTs;
    // Runs outlive model edits and come from files: one of another loop
    // shape would be read, and stepped, outside the loop's signals.
    if (setpoint.m_nRows != sys.m_c.m_nRows || M.m_nRows != Z.m_nRows) continue;
    if (!(runTs > 0.0) || !std::isfinite(runTs)) continue;
    // Only the loop's own signals are stepped: the run's setpoint longer
    // than them is cut, a shorter one stops the run where it ends.
    const int steps = std::min({M.m_nColumns, setpoint.m_nColumns, Z.m_nColumns});
    sys.ResetStates();
    sys.m_c.Assign(setpoint);
    // A run is fitted at the sampling time it was recorded at.
    sys.m_dTs = runTs;
    for (int k = 0; k < steps; ++k) sys.SimulateStep(k);
    sys.m_dTs = ts;
    // A weight without a row per output weighs every output by its first.
    const int weightRow = W.m_nRows == M.m_nRows ? W.m_nColumns : 0;
    const int samples = std::min(steps, W.m_nColumns);
    for (int i = 0; i < M.m_nRows; ++i)
      for (int k = 0; k < samples; ++k) {
        const double e = M.At(i, k) - Z.At(i, k);
        sum += W.m_pSamples[weightRow * i + k] * e * e;
      }
  }
  return std::isfinite(sum) ? sum : kFailedTerm;
}

void CEqualizerEngine::FindG() {
  // A design on its way out starts no search.
  if (m_pDoc == nullptr || m_pDoc->m_nRuns < 1 || m_pDoc->Leaving()) return;
  CQorexDoc* doc = m_pDoc;
  CSIMsystem& sys = doc->m_system;
  m_freeVars.Clear();
  const WORD flags = sys.m_G.m_wFlags;
  sys.m_G.m_wFlags |= kBlockTunable;
  AddModelVariables(doc->m_signals.RightSideAt(kSigUProc));
  AddModelVariables(doc->m_signals.RightSideAt(kSigYProc));
  AddModelVariables(doc->m_models.RightSideAt(kModelG));
  DropFixedVariables();

  int Lw = sys.m_yd.m_nColumns;
  for (int r = 0; r < doc->m_nRuns; ++r) Lw = std::max(Lw, doc->m_runs[r].setpoint.m_nColumns);
  doc->BuildErrorWeight(Lw);
  if (m_freeVars.m_nCount > 0) Optimize(kEqualizerIdentify | kSearchGlobal);
  // The search's own recalculation ran with the flag still set.
  sys.m_G.m_wFlags = flags;
  doc->Recalculate();
}
