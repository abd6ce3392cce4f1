#include "editing/PickerWnd.h"

#include "QorexDoc.h"
#include "editing/LeftBar.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"

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

namespace {
CWnd* ActiveView() {
  auto* frame = DYNAMIC_DOWNCAST(CMDIFrameWnd, AfxGetMainWnd());
  CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
  return child ? child->GetActiveView() : nullptr;
}
}  // namespace

void CPickerWnd::Close() {
  if (GetCapture() == this) ReleaseCapture();
  if (GetFocus() == this) {
    CWnd* back = IsWindow(m_hWndPrevFocus) ? CWnd::FromHandle(m_hWndPrevFocus) : ActiveView();
    if (back) back->SetFocus();
  }
  DestroyWindow();
}

void CPickerWnd::CloseFor(CLeftBar* bar) {
  CQorexDoc* design = bar ? bar->m_pDoc : nullptr;
  Close();
  if (design && bar->m_pDoc != design) design->UpdateAll();
}
