// The design searches of the toolbar: "Interaction" and "Bandwidth".
#include "QorexDoc.h"

#include "platform/core/KeyState.h"
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
