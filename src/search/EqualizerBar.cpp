#include "search/EqualizerBar.h"

CEqualizerBar* g_pEqualizerBar = nullptr;

IMPLEMENT_DYNAMIC(CEqualizerBar, CDialogBar)

CEqualizerBar::CEqualizerBar() {
  g_pEqualizerBar = this;
  SetDesignRecorder(this);
}

CEqualizerBar::~CEqualizerBar() {
  if (g_pEqualizerBar == this) g_pEqualizerBar = nullptr;
  if (GetDesignRecorder() == this) SetDesignRecorder(nullptr);
  if (GetSearchUi() == this) SetSearchUi(nullptr);
}

void CEqualizerBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) {
    m_pDoc = doc;
    Refresh();
  } else if (doc == m_pDoc && part == DesignPart::kHistory) {
    Refresh();
  }
}

void CEqualizerBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc) return;
  m_pDoc = nullptr;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

void CEqualizerBar::FindG() {}

// Nothing can switch recording on yet.
void CEqualizerBar::RecordDesign(int /*mode*/) {}

void CEqualizerBar::Refresh() {
  if (GetSafeHwnd()) Invalidate();
}

// The search itself comes with the bar's own work.
void CEqualizerBar::CollectFreeVariables() {}

void CEqualizerBar::Optimize(WORD mode) {
  m_wMode = mode;
}
