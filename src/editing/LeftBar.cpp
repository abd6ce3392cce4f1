#include "editing/LeftBar.h"

CLeftBar* g_pLeftBar = nullptr;

IMPLEMENT_DYNAMIC(CLeftBar, CDialogBar)

CLeftBar::CLeftBar() {
  g_pLeftBar = this;
}

CLeftBar::~CLeftBar() {
  if (g_pLeftBar == this) g_pLeftBar = nullptr;
}

void CLeftBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part != DesignPart::kWhole) return;
  m_pDoc = doc;
  Redraw();
}

void CLeftBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc) return;
  m_pDoc = nullptr;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

void CLeftBar::Redraw() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
