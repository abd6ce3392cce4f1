#include "editing/VarBar.h"

CVarBar* g_pVarBar = nullptr;

IMPLEMENT_DYNAMIC(CVarBar, CDialogBar)

CVarBar::CVarBar() {
  g_pVarBar = this;
}

CVarBar::~CVarBar() {
  if (g_pVarBar == this) g_pVarBar = nullptr;
}

void CVarBar::UpdateBar(BOOL /*bSameDocument*/) {
  m_pListedDoc = m_pDoc;
  if (GetSafeHwnd()) Invalidate();
}
