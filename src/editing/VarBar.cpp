#include "editing/VarBar.h"

CVarBar* g_pVarBar = nullptr;

IMPLEMENT_DYNAMIC(CVarBar, CDialogBar)

CVarBar::CVarBar() {
  g_pVarBar = this;
}

CVarBar::~CVarBar() {
  if (g_pVarBar == this) g_pVarBar = nullptr;
}

void CVarBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) {
    m_pDoc = doc;
    UpdateBar(TRUE);
  } else if (doc == m_pDoc && part == DesignPart::kVariables) {
    UpdateBar(FALSE);
  }
}

void CVarBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc && doc != m_pListedDoc) return;
  m_pDoc = nullptr;
  if (m_pListedDoc == doc) m_pListedDoc = nullptr;
  UpdateBar(FALSE);
}

void CVarBar::UpdateBar(BOOL /*bSameDocument*/) {
  m_pListedDoc = m_pDoc;
  if (GetSafeHwnd()) Invalidate();
}
