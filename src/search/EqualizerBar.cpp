#include "search/EqualizerBar.h"

CEqualizerBar* g_pEqualizerBar = nullptr;

IMPLEMENT_DYNAMIC(CEqualizerBar, CDialogBar)

CEqualizerBar::CEqualizerBar() {
  g_pEqualizerBar = this;
}

CEqualizerBar::~CEqualizerBar() {
  if (g_pEqualizerBar == this) g_pEqualizerBar = nullptr;
}

void CEqualizerBar::FindG() {}

// Nothing can switch recording on yet.
void CEqualizerBar::RecordDesign(int /*mode*/) {}

void CEqualizerBar::Refresh() {
  if (GetSafeHwnd()) Invalidate();
}
