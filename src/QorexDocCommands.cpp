// The design searches of the toolbar: "Interaction" and "Bandwidth".
#include "QorexDoc.h"

#include "platform/core/KeyState.h"
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
