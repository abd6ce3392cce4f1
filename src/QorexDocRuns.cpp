// The run buffer and the simulation control of a design: real-time runs
// stored and recalled, the simulator's signals taken over, the tuner's
// evaluation request and the "Simulator Properties" command.
#include "QorexDoc.h"

#include "GlobalResources.h"
#include "Qorex.h"
#include "editing/TimeBoxDlg.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// A message of the run buffer in the status line, where it stays until the
// next one (a box would stop the run).
void SayInStatusLine(const CString& text) {
  if (CWnd* main = AfxGetMainWnd(); main != nullptr && IsWindow(main->GetSafeHwnd()))
    main->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(text)));
}

// A pass during which the loop was set up afresh for another shape: its
// first samples were computed, or measured, on other channels.
bool PassChangedShape(const CSIMsystem& sim) {
  return sim.m_nShapeFrom.load() > 0;
}
}  // namespace

void QoxStoredRun::Swap(QoxStoredRun& other) {
  for (CSIMsignal QoxStoredRun::*signal : kStoredRunSignals) (this->*signal).Swap(other.*signal);
  std::swap(dTs, other.dTs);
}

void CQorexDoc::SetRunCapacity(int capacity) {
  if (capacity < 1 || capacity == m_nRunCapacity) return;
  if (capacity < m_nRunCapacity) {
    m_nRunCapacity = capacity;
    m_nRuns = std::min(m_nRuns, capacity);
    return;
  }
  std::unique_ptr<QoxStoredRun[]> runs(new QoxStoredRun[capacity]);
  // The old slots go with this call, so their runs move over uncopied.
  for (int i = 0; i < m_nRuns; ++i) runs[i].Swap(m_runs[i]);
  m_runs = std::move(runs);
  m_nRunCapacity = capacity;
}

void CQorexDoc::PushRun() {
  const CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || m_nRunCapacity < 1) return;
  if (PassChangedShape(*sim)) {
    // Only what was measured on a run's own channels is kept.
    SayInStatusLine(
        "The pass that has just ended was not stored: the loop changed shape during it, so part "
        "of it was not measured on the present channels.");
    return;
  }
  if (m_nRuns >= m_nRunCapacity) {
    // Full: the oldest run goes, the others move down one slot.
    m_nRuns = m_nRunCapacity;
    for (int i = 1; i < m_nRuns; ++i) m_runs[i - 1].Swap(m_runs[i]);
    --m_nRuns;
  }
  QoxStoredRun& run = m_runs[m_nRuns];
  run.setpoint.Assign(sim->m_c);
  run.control.Assign(sim->m_u);
  run.output.Assign(sim->m_yd);
  run.dTs = m_dSamplingTime;
  ++m_nRuns;
  SetModifiedFlag(TRUE);
}

void CQorexDoc::TransferSimSignals() {
  CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || sim == &m_system) return;
  // The loop keeps its own simulation of the new shape (PushRun says why).
  if (PassChangedShape(*sim)) return;
  for (const SIMloopSignal& s : kLoopSignals) (m_system.*s.signal).Assign(sim->*s.signal);
  // The views read the run length with the signals; keep them together.
  m_system.m_nSteps = sim->m_nSteps;
  m_system.m_dTs = sim->m_dTs;
  m_bRunStandIn = m_bRunOverflowed = false;
}

bool CQorexDoc::RunFitsLoop(int i) const {
  if (i < 0 || i >= m_nRuns || i >= m_nRunCapacity) return false;
  const CSIMsystem& s = m_system;
  const QoxStoredRun& run = m_runs[i];
  const int outputRows = run.output.m_nRows;
  return run.setpoint.m_nRows == s.m_c.m_nRows && run.control.m_nRows == s.m_u.m_nRows &&
         outputRows == s.m_yd.m_nRows && outputRows == s.m_y.m_nRows;
}

int CQorexDoc::DropRunsThatNoLongerFit() {
  int kept = 0;
  for (int i = 0; i < m_nRuns; ++i) {
    if (!RunFitsLoop(i)) continue;
    if (kept != i) m_runs[kept].Swap(m_runs[i]);
    ++kept;
  }
  const int dropped = m_nRuns - kept;
  if (dropped == 0) return 0;
  m_nRuns = kept;
  SetModifiedFlag(TRUE);
  // Measured runs are saved with the design: none goes unsaid.
  CString text;
  text.Format(dropped == 1 ? "%d stored run no longer fits the loop's signals and was removed."
                           : "%d stored runs no longer fit the loop's signals and were removed.",
              dropped);
  SayInStatusLine(text);
  return dropped;
}

BOOL CQorexDoc::RecallRun(int i) {
  if (!RunFitsLoop(i)) return FALSE;
  CSIMsystem& s = m_system;
  const QoxStoredRun& run = m_runs[i];
  s.m_c.Assign(run.setpoint);
  s.m_u.Assign(run.control);
  s.m_y.Assign(run.output);
  s.m_yd.Assign(run.output);
  // The views read the run's length and time step with its signals: the
  // design's own times may give fewer samples, or samples of another step.
  s.m_nSteps = run.setpoint.m_nColumns;
  if (std::isfinite(run.dTs) && run.dTs > 0.0) s.m_dTs = run.dTs;
  m_bRunStandIn = m_bRunOverflowed = false;
  return TRUE;
}

CString CQorexDoc::RunRecallRefusal(int i) const {
  CString text;
  if (i < 0 || i >= m_nRuns || i >= m_nRunCapacity) {
    text.Format("There is no run %d in the buffer.", i + 1);
  } else if (!RunFitsLoop(i)) {
    const CSIMsystem& s = m_system;
    const QoxStoredRun& run = m_runs[i];
    text.Format(
        "Run %d cannot be recalled: it was recorded with %d setpoint, %d control and %d output "
        "channels, and the loop now has %d, %d and %d.",
        i + 1, run.setpoint.m_nRows, run.control.m_nRows, run.output.m_nRows, s.m_c.m_nRows,
        s.m_u.m_nRows, s.m_yd.m_nRows);
  }
  return text;
}

void CQorexDoc::RedrawOutput(int sample) {
  ShowInBars(DesignPart::kNewSample, sample);
}

void CQorexDoc::StartStopSimulation() {
  CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr) return;
  if (g_pWorkerThread.load() == nullptr) {
    sim->StartRealtime(this, m_dSamplingTime, m_dFinalTime);
  } else {
    // Only asked for: the worker ends within one sample and its closing
    // writes, which a silent board may keep waiting a reply timeout, and the
    // run spot goes dark at the end of its run. The user goes on meanwhile.
    RequestStop();
  }
}

void CQorexDoc::PrepareSimulation() {
  // The panes show nothing of the pass before this candidate's while it is
  // set up; its own pass draws its samples as they come.
  if (CSIMsystem* sim = g_pSimulator.load(); sim != nullptr && sim != &m_system) {
    QxCriticalSectionLock lock(g_pcsSimulation);
    sim->m_nLiveSamples = 0;
  }
  Recalculate();
  UpdateAll();
  if (CSIMsystem* sim = g_pSimulator.load(); sim != nullptr && sim != &m_system) {
    // Times that give no run leave the simulator in the bad-times state.
    sim->SetRunTimes(m_dSamplingTime, m_dFinalTime);
    sim->Setup(this);
  }
  if (g_pKFinder) g_pKFinder->ComputeCost(&m_system, true);
}

void CQorexDoc::BuildErrorWeight(int length) {
  // The signal is evaluated against the design's own run, which must be as
  // long as the weight meanwhile, and of the design's sampling time: the loop
  // may still hold a recalled run of another.
  const int steps = m_system.m_nSteps;
  const double ts = m_system.m_dTs;
  m_system.m_nSteps = length;
  if (std::isfinite(m_dSamplingTime) && m_dSamplingTime > 0.0) m_system.m_dTs = m_dSamplingTime;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    m_errorWeight.Build(this, m_signals.RightSideAt(kSigErrorWeight), length, true);
  }
  m_system.m_nSteps = steps;
  m_system.m_dTs = ts;
}

void CQorexDoc::OnTimeSettings() {
  CQorexDoc* doc = SimulationViewDesign();
  if (doc == nullptr || doc == g_pSimDoc.load()) return;
  SIMtimeSettings settings = doc->GetTimeSettings();
  // The dialog as the accuracy watchdog shows it: one mapping of the settings
  // onto its fields.
  if (!CQorexWatchdogUi().ShowSimulatorProperties(settings)) return;
  doc->ApplyTimeSettings(settings);
  doc->Recalculate();
  doc->UpdateAll();
}

SIMtimeSettings CQorexDoc::GetTimeSettings() const {
  return {m_dSamplingTime, m_dFinalTime, g_dWatchdogTol * 100.0, m_nRunCapacity};
}

void CQorexDoc::ApplyTimeSettings(const SIMtimeSettings& settings) {
  m_dSamplingTime = settings.dSamplingTime;
  m_dFinalTime = settings.dFinalTime;
  g_dWatchdogTol = settings.dTolerancePct / 100.0;
  SetRunCapacity(settings.nBufferSize);
}
