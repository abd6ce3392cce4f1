// The document's commands: the editing dialogs, and the design searches of
// the toolbar ("Interaction" and "Bandwidth").
#include "QorexDoc.h"

#include "editing/EditModels.h"
#include "editing/EditSignals.h"
#include "editing/ViewModels.h"
#include "platform/core/KeyState.h"
#include "platform/ui/WinApp.h"
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
