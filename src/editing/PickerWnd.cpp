#include "editing/PickerWnd.h"

#include "QorexDoc.h"
#include "editing/LeftBar.h"

BEGIN_MESSAGE_MAP(CPickerWnd, CWnd)
ON_WM_CREATE()
ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

int CPickerWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  SetCapture();
  CWnd* previous = SetFocus();
  m_hWndPrevFocus = previous ? previous->GetSafeHwnd() : nullptr;
  return 0;
}

void CPickerWnd::OnKillFocus(CWnd* pNewWnd) {
  CWnd::OnKillFocus(pNewWnd);
  DestroyWindow();
}

void CPickerWnd::Close() {
  if (GetCapture() == this) ReleaseCapture();
  if (GetFocus() == this && IsWindow(m_hWndPrevFocus)) ::SetFocus(m_hWndPrevFocus);
  DestroyWindow();
}

void CPickerWnd::CloseFor(CLeftBar* bar) {
  CQorexDoc* design = bar ? bar->m_pDoc : nullptr;
  Close();
  if (design && bar->m_pDoc != design) design->UpdateAll();
}
