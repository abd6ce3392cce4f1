#include "editing/LeftBar.h"

CLeftBar* g_pLeftBar = nullptr;

IMPLEMENT_DYNAMIC(CLeftBar, CDialogBar)

CLeftBar::CLeftBar() {
  g_pLeftBar = this;
}

CLeftBar::~CLeftBar() {
  if (g_pLeftBar == this) g_pLeftBar = nullptr;
}

void CLeftBar::Redraw() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
