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

void CQorexDoc::SetRunCapacity(int capacity) {
  if (capacity < 1 || capacity == m_nRunCapacity) return;
  if (capacity < m_nRunCapacity) {
    m_nRunCapacity = capacity;
    m_nRuns = std::min(m_nRuns, capacity);
    return;
  }
  std::unique_ptr<CSIMsignal[]> setpoints(new CSIMsignal[capacity]);
  std::unique_ptr<CSIMsignal[]> controls(new CSIMsignal[capacity]);
  std::unique_ptr<CSIMsignal[]> outputs(new CSIMsignal[capacity]);
  std::unique_ptr<double[]> ts(new double[capacity]());
  // The old slots go with this call, so their runs move over uncopied.
  for (int i = 0; i < m_nRuns; ++i) {
    setpoints[i].Swap(m_runSetpoints[i]);
    controls[i].Swap(m_runControls[i]);
    outputs[i].Swap(m_runOutputs[i]);
    ts[i] = m_runTs[i];
  }
  m_runSetpoints = std::move(setpoints);
  m_runControls = std::move(controls);
  m_runOutputs = std::move(outputs);
  m_runTs = std::move(ts);
  m_nRunCapacity = capacity;
}

void CQorexDoc::PushRun() {
  const CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || m_nRunCapacity < 1) return;
  if (m_nRuns >= m_nRunCapacity) {
    // Full: the oldest run goes, the others move down one slot.
    m_nRuns = m_nRunCapacity;
    for (int i = 1; i < m_nRuns; ++i) {
      m_runSetpoints[i - 1].Swap(m_runSetpoints[i]);
      m_runControls[i - 1].Swap(m_runControls[i]);
      m_runOutputs[i - 1].Swap(m_runOutputs[i]);
      m_runTs[i - 1] = m_runTs[i];
    }
    --m_nRuns;
  }
  m_runSetpoints[m_nRuns].Assign(sim->m_c);
  m_runControls[m_nRuns].Assign(sim->m_u);
  m_runOutputs[m_nRuns].Assign(sim->m_yd);
  m_runTs[m_nRuns] = m_dSamplingTime;
  ++m_nRuns;
  SetModifiedFlag(TRUE);
}

void CQorexDoc::TransferSimSignals() {
  CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || sim == &m_system) return;
  for (const SIMloopSignal& s : kLoopSignals) (m_system.*s.signal).Assign(sim->*s.signal);
  // The views read the run length with the signals; keep them together.
  m_system.m_nSteps = sim->m_nSteps;
  m_system.m_dTs = sim->m_dTs;
  m_bRunStandIn = m_bRunOverflowed = false;
}

bool CQorexDoc::RunFitsLoop(int i) const {
  if (i < 0 || i >= m_nRuns || i >= m_nRunCapacity) return false;
  const CSIMsystem& s = m_system;
  const int outputRows = m_runOutputs[i].m_nRows;
  return m_runSetpoints[i].m_nRows == s.m_c.m_nRows && m_runControls[i].m_nRows == s.m_u.m_nRows &&
         outputRows == s.m_yd.m_nRows && outputRows == s.m_y.m_nRows;
}

int CQorexDoc::DropRunsThatNoLongerFit() {
  int kept = 0;
  for (int i = 0; i < m_nRuns; ++i) {
    if (!RunFitsLoop(i)) continue;
    if (kept != i) {
      m_runSetpoints[kept].Swap(m_runSetpoints[i]);
      m_runControls[kept].Swap(m_runControls[i]);
      m_runOutputs[kept].Swap(m_runOutputs[i]);
      m_runTs[kept] = m_runTs[i];
    }
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
  if (CWnd* main = AfxGetMainWnd(); main != nullptr && IsWindow(main->GetSafeHwnd()))
    main->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(text)));
  return dropped;
}

BOOL CQorexDoc::RecallRun(int i) {
  if (!RunFitsLoop(i)) return FALSE;
  CSIMsystem& s = m_system;
  s.m_c.Assign(m_runSetpoints[i]);
  s.m_u.Assign(m_runControls[i]);
  s.m_y.Assign(m_runOutputs[i]);
  s.m_yd.Assign(m_runOutputs[i]);
  // The views read the run's length and time step with its signals: the
  // design's own times may give fewer samples, or samples of another step.
  s.m_nSteps = m_runSetpoints[i].m_nColumns;
  if (std::isfinite(m_runTs[i]) && m_runTs[i] > 0.0) s.m_dTs = m_runTs[i];
  m_bRunStandIn = m_bRunOverflowed = false;
  return TRUE;
}

CString CQorexDoc::RunRecallRefusal(int i) const {
  CString text;
  if (i < 0 || i >= m_nRuns || i >= m_nRunCapacity) {
    text.Format("There is no run %d in the buffer.", i + 1);
  } else if (!RunFitsLoop(i)) {
    const CSIMsystem& s = m_system;
    text.Format(
        "Run %d cannot be recalled: it was recorded with %d setpoint, %d control and %d output "
        "channels, and the loop now has %d, %d and %d.",
        i + 1, m_runSetpoints[i].m_nRows, m_runControls[i].m_nRows, m_runOutputs[i].m_nRows,
        s.m_c.m_nRows, s.m_u.m_nRows, s.m_yd.m_nRows);
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
    sim->m_dTs = m_dSamplingTime;
    // Setup refuses times outside 0 < Ts < Tf and more than g_nMaxSamples
    // samples; the quotient is only converted when it fits an int.
    const double steps = m_dFinalTime / m_dSamplingTime;
    sim->m_nSteps = std::isfinite(steps) && std::fabs(steps) < 1e9 ? static_cast<int>(steps) : 0;
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
