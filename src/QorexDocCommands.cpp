// The document's commands: the editing dialogs, and the design searches of
// the toolbar ("Interaction" and "Bandwidth").
#include "QorexDoc.h"

#include "editing/EditModels.h"
#include "editing/EditSignals.h"
#include "editing/ViewModels.h"
#include "platform/core/KeyState.h"
#include "platform/ui/WinApp.h"
#include "search/EqualizerBar.h"
#include "simulation/SIMfreq.h"

namespace {

// Holding Shift while pressing a search button asks for the global search.
int ShiftHeld() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? 1 : 0;
}

// The updates around a search: the design reached is recorded, recalculated,
// its closed-loop roots recorded in the same entry, and shown.
void AfterSearch(CQorexDoc& doc) {
  if (g_pEqualizerBar) g_pEqualizerBar->RecordDesign(0);
  doc.Recalculate();
  if (g_pEqualizerBar) g_pEqualizerBar->RecordDesign(2);
  doc.UpdateAll();
}

}  // namespace

void CQorexDoc::OnInteraction() {
  if (m_pFreqModel) m_pFreqModel->MinimizeInteraction(this, ShiftHeld());
  AfterSearch(*this);
}

void CQorexDoc::OnBandwidth() {
  if (m_pFreqModel) m_pFreqModel->ImproveBandwidth(this, ShiftHeld());
  AfterSearch(*this);
}

// ---- editing dialogs ------------------------------------------------------------
// The index picks a flag word and a list entry, so only a slot that exists is
// preselected.

void CQorexDoc::EditModels(int i) {
  CEditModels dlg(AfxGetMainWnd());
  dlg.m_pDoc = this;
  if (i >= 0 && i < kModelCount) dlg.m_nModel = i;
  dlg.DoModal();
}

void CQorexDoc::EditSignals(int i) {
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
