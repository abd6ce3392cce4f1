// The design searches of the toolbar ("Interaction", "Bandwidth") and the
// commands on the population of recorded designs.
#include "QorexDoc.h"

#include "platform/core/KeyState.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMfreq.h"

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

void CQorexDoc::OnGeneticRootLocus() {}
