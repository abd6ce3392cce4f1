#include "diagrams/OutputBar.h"

#include "QorexDoc.h"

COutputBar* g_pOutputBar = nullptr;
int g_nOutputBarHeight = 145;

IMPLEMENT_DYNAMIC(COutputBar, CDialogBar)

COutputBar::COutputBar() {
  g_pOutputBar = this;
}

COutputBar::~COutputBar() {
  // A later frame's bar may have taken the pointer over; only ours is cleared.
  if (g_pOutputBar == this) g_pOutputBar = nullptr;
}

void COutputBar::ShowDesign(CQorexDoc* doc, DesignPart part, int sample) {
  if (part == DesignPart::kWhole) {
    m_pDoc = doc;
    SetPaneCount(doc->m_nMaxSignalSize);
  } else if (doc == m_pDoc && part == DesignPart::kShownSignals) {
    UpdatePanes();
  } else if (doc == m_pDoc && part == DesignPart::kNewSample) {
    InvalidateSamples(sample);
  }
}

void COutputBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc) return;
  m_pDoc = nullptr;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

CSize COutputBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  CSize size = CDialogBar::CalcFixedLayout(bStretch, bHorz);
  if (bHorz && !IsFloating()) size.cy = g_nOutputBarHeight;
  return size;
}

void COutputBar::SetPaneCount(int n) {
  m_nPanes = n < 0 ? 0 : n;
  UpdatePanes();
}

void COutputBar::UpdatePanes() {
  if (GetSafeHwnd()) {
    Invalidate();
    UpdateWindow();
  }
}

void COutputBar::InvalidateSamples(int /*sample*/) {
  if (GetSafeHwnd()) Invalidate(FALSE);
}
