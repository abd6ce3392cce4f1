// The document's commands: the editing dialogs, the design searches of the
// toolbar ("Interaction", "Bandwidth" and "Closed loop poles"), and the
// commands on the population of recorded designs.
#include "QorexDoc.h"

#include "diagrams/QOX_DragGroup.h"
#include "editing/EditModels.h"
#include "editing/EditSignals.h"
#include "editing/ViewModels.h"
#include "platform/core/KeyState.h"
#include "platform/ui/WinApp.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMfreq.h"

#include <vector>

namespace {

// Holding Shift while pressing a search button asks for the global search.
int ShiftHeld() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? 1 : 0;
}

}  // namespace

void CQorexDoc::OnInteraction() {
  if (m_pFreqModel) m_pFreqModel->MinimizeInteraction(this, ShiftHeld());
  RecordedRecalculate();
}

void CQorexDoc::OnBandwidth() {
  if (m_pFreqModel) m_pFreqModel->ImproveBandwidth(this, ShiftHeld());
  RecordedRecalculate();
}

void CQorexDoc::OnClosedLoopPoles() {
  if (m_pDragGroup) m_pDragGroup->MoveClosedLoopPoles(this);
  RecordedRecalculate();
}

// ---- editing dialogs ------------------------------------------------------------
// The index picks a flag word and a list entry, so only a slot that exists is
// preselected.

// Input still reaches the bar and the menus while a dialog runs, so a quick
// second click could open another; the older dialog's OK would then put back
// copies older than the newer one's commit.
namespace {
class EditingDialogFlag {
 public:
  explicit EditingDialogFlag(bool& open) : m_open(open) { m_open = true; }
  ~EditingDialogFlag() { m_open = false; }
  EditingDialogFlag(const EditingDialogFlag&) = delete;
  EditingDialogFlag& operator=(const EditingDialogFlag&) = delete;

 private:
  bool& m_open;
};
}  // namespace

void CQorexDoc::EditModels(int i) {
  if (m_bEditingDialogOpen) return;
  EditingDialogFlag open(m_bEditingDialogOpen);
  CEditModels dlg(AfxGetMainWnd());
  dlg.m_pDoc = this;
  if (i >= 0 && i < kModelCount) dlg.m_nModel = i;
  dlg.DoModal();
}

void CQorexDoc::EditSignals(int i) {
  if (m_bEditingDialogOpen) return;
  EditingDialogFlag open(m_bEditingDialogOpen);
  CEditSignals dlg(AfxGetMainWnd());
  dlg.m_pDoc = this;
  if (i >= 0 && i < kSignalCount) dlg.m_nSignal = i;
  dlg.DoModal();
}

void CQorexDoc::OnEditModels() {
  EditModels(-1);
}

void CQorexDoc::OnEditSignals() {
  EditSignals(-1);
}

void CQorexDoc::OnEffectiveModels() {
  CViewModels dlg(AfxGetMainWnd());
  dlg.m_pDoc = this;
  dlg.DoModal();
}

// ---- the population ----------------------------------------------------------------

namespace {
void RecorderWeights(double (&weights)[QOX_HistVar::kCriteria]) {
  if (const CDesignRecorder* recorder = GetDesignRecorder())
    recorder->CriterionWeights(weights);
  else
    for (double& w : weights) w = 0.0;
}
}  // namespace

void CQorexDoc::SortPopulation(int criterion) {
  if (m_pHistory == nullptr || criterion < -1 || criterion >= QOX_HistVar::kCriteria) return;
  if (criterion < 0) {
    double weights[QOX_HistVar::kCriteria];
    RecorderWeights(weights);
    m_pHistory->SortByWeights(weights);
  } else {
    m_pHistory->SortByCriterion(criterion);
  }
  SetModifiedFlag(TRUE);
  ShowInBars(DesignPart::kHistory);
}

void CQorexDoc::KillPopulation(bool all) {
  if (m_pHistory == nullptr) return;
  if (all) {
    m_pHistory->KillAll();
  } else {
    double weights[QOX_HistVar::kCriteria];
    RecorderWeights(weights);
    m_pHistory->KillWorst(weights);
  }
  SetModifiedFlag(TRUE);
  ShowInBars(DesignPart::kHistory);
}

void CQorexDoc::OnSortFinalValue() {
  SortPopulation(0);
}
void CQorexDoc::OnSortTimeConstant() {
  SortPopulation(1);
}
void CQorexDoc::OnSortOscillations() {
  SortPopulation(2);
}
void CQorexDoc::OnSortInteraction() {
  SortPopulation(3);
}
void CQorexDoc::OnSortVRejection() {
  SortPopulation(4);
}
void CQorexDoc::OnSortDRejection() {
  SortPopulation(5);
}
void CQorexDoc::OnSortNRejection() {
  SortPopulation(6);
}
void CQorexDoc::OnSortControlAction() {
  SortPopulation(7);
}
void CQorexDoc::OnSortPoleMobility() {
  SortPopulation(8);
}
void CQorexDoc::OnSortBySliders() {
  SortPopulation(-1);
}
void CQorexDoc::OnKillAll() {
  KillPopulation(true);
}
void CQorexDoc::OnKillWorst() {
  KillPopulation(false);
}

void CQorexDoc::OnGeneticRootLocus() {
  if (m_pHistory == nullptr || m_pHistory->m_nCount <= 0 || !m_pVarPoints ||
      m_nVarPointCapacity < 1)
    return;
  m_nVarPoints = 1;
  CVARpoints& locus = m_pVarPoints[0];
  locus.Clear();
  // Append takes its points from index 1; an entry holds its poles from 0.
  std::vector<McComplex> points;
  for (int e = 0; e < m_pHistory->m_nCount; ++e) {
    const int n = m_pHistory->m_pRootCounts[e];
    points.assign(1, McComplex{});
    points.insert(points.end(), m_pHistory->m_ppRoots[e], m_pHistory->m_ppRoots[e] + n);
    locus.Append(points.data(), n + 1);
  }
  UpdateAll();
}

void CQorexDoc::OnOffspring() {
  if (CDesignRecorder* recorder = GetDesignRecorder()) recorder->CreateOffspring();
}
void CQorexDoc::OnGRobustness() {
  if (CDesignRecorder* recorder = GetDesignRecorder())
    recorder->CreateRobustnessModels(kRobustProcess);
}
void CQorexDoc::OnKRobustness() {
  if (CDesignRecorder* recorder = GetDesignRecorder())
    recorder->CreateRobustnessModels(kRobustController);
}
void CQorexDoc::OnHRobustness() {
  if (CDesignRecorder* recorder = GetDesignRecorder())
    recorder->CreateRobustnessModels(kRobustController | kRobustProcess);
}
