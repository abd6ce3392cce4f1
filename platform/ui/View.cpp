#include "platform/ui/View.h"

#include "platform/core/Debug.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Print.h"
#include "platform/ui/PrintPreview.h"
#include "platform/ui/WndInternal.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_MOUSEACTIVATE()
ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMessage)
END_MESSAGE_MAP()

CView::~CView() {
  // A view deleted without its window going first still takes its previews along.
  CQxPreviewWnd::CloseFor(this);
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
  // The framework's views have a sunken client edge where a border is asked for.
  if (cs.style & WS_BORDER) {
    cs.style &= ~static_cast<LONG>(WS_BORDER);
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
  }
  if (!cs.lpszClass) {
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  }
  return TRUE;
}

// Views are made on the heap by the template and die with their window.
void CView::PostNcDestroy() {
  delete this;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  auto* context = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  // The preview's job ends while the view can still answer OnEndPrinting.
  CQxPreviewWnd::CloseFor(this);
  if (CFrameWnd* frame = GetParentFrame()) {
    if (frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
  }
  CWnd::OnDestroy();
}

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

int CView::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
  int result = CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
  if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
  if (CFrameWnd* frame = GetParentFrame()) {
    if (frame->GetActiveView() != this) frame->SetActiveView(this);
  }
  if (CWnd::GetFocus() != this) SetFocus();
  return result;
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CView::OnInitialUpdate() {
  OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView* pSender, LPARAM, CObject*) {
  if (pSender != this) Invalidate(TRUE);
}

void CView::OnPrepareDC(CDC*, CPrintInfo*) {}

// The keyboard comes along only where the window system's can: while it is in
// another top-level window (a floating bar from which the Window menu chose
// this design) it stays there, and so do the keys typed next.
void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
  if (bActivate && pActivateView == this && CWnd::GetFocus() != this && IsWindowVisible() &&
      qxui::KeyboardCanMoveTo(this)) {
    SetFocus();
  }
}

void CView::OnActivateFrame(UINT, CFrameWnd*) {}

BOOL CView::OnPreparePrinting(CPrintInfo* pInfo) {
  return DoPreparePrinting(pInfo);
}

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo) {
  return QxPreparePrinting(pInfo);
}

void CView::OnBeginPrinting(CDC*, CPrintInfo*) {}

void CView::OnPrint(CDC* pDC, CPrintInfo*) {
  OnDraw(pDC);
}

void CView::OnEndPrinting(CDC*, CPrintInfo*) {}

void CView::OnFilePrint() {
  // One job at a time: an open preview's job ends before the printer's begins.
  CQxPreviewWnd::CloseFor(this);
  CPrintInfo info;
  info.m_bDirect = LOWORD(GetCurrentMessage()->wParam) == ID_FILE_PRINT_DIRECT;
  if (!OnPreparePrinting(&info)) return;
  // A job that cannot start or finish is told, never dropped silently.
  if (!QxPrintView(this, &info))
    AfxMessageBox("Failed to start print job.", MB_OK | MB_ICONEXCLAMATION);
}

void CView::OnFilePrintPreview() {
  CPrintInfo info;
  info.m_bPreview = TRUE;
  if (!OnPreparePrinting(&info)) return;
  if (!CQxPreviewWnd::Open(this, info)) TRACE0("The print preview could not be opened\n");
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (!m_pDocument) return FALSE;
  if (m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  CDocTemplate* docTemplate = m_pDocument->GetDocTemplate();
  return docTemplate && docTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- CScrollView -------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CScrollView, CView)
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_WM_SIZE()
END_MESSAGE_MAP()

void CScrollView::SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage,
                                 const SIZE& sizeLine) {
  m_nMapMode = nMapMode;
  m_totalLog = sizeTotal;
  m_pageDev = CSize(sizePage.cx ? sizePage.cx : sizeTotal.cx / 10,
                    sizePage.cy ? sizePage.cy : sizeTotal.cy / 10);
  m_lineDev = CSize(sizeLine.cx ? sizeLine.cx : std::max(1L, static_cast<long>(m_pageDev.cx) / 10),
                    sizeLine.cy ? sizeLine.cy : std::max(1L, static_cast<long>(m_pageDev.cy) / 10));
  ScrollToPosition(m_ptScroll);
}

void CScrollView::ScrollToPosition(POINT pt) {
  CRect client;
  GetClientRect(&client);
  int maxX = std::max(0, static_cast<int>(m_totalLog.cx) - client.Width());
  int maxY = std::max(0, static_cast<int>(m_totalLog.cy) - client.Height());
  int x = std::clamp(static_cast<int>(pt.x), 0, maxX);
  int y = std::clamp(static_cast<int>(pt.y), 0, maxY);
  ScrollBy(x - m_ptScroll.x, y - m_ptScroll.y);
}

void CScrollView::ScrollBy(int dx, int dy) {
  if (!dx && !dy) return;
  m_ptScroll.x += dx;
  m_ptScroll.y += dy;
  Invalidate();
}

void CScrollView::OnPrepareDC(CDC* pDC, CPrintInfo* pInfo) {
  if (pDC && !(pInfo || pDC->IsPrinting())) {
    pDC->SetMapMode(m_nMapMode);
    pDC->SetViewportOrg(-m_ptScroll.x, -m_ptScroll.y);
  }
  CView::OnPrepareDC(pDC, pInfo);
}

namespace {
int ScrollTarget(UINT code, UINT pos, int current, int line, int page, int total) {
  switch (code) {
    case SB_LINEUP:
      return current - line;
    case SB_LINEDOWN:
      return current + line;
    case SB_PAGEUP:
      return current - page;
    case SB_PAGEDOWN:
      return current + page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      return static_cast<int>(pos);
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return total;
    default:
      return current;
  }
}
}  // namespace

void CScrollView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar*) {
  ScrollToPosition(
      CPoint(ScrollTarget(nSBCode, nPos, m_ptScroll.x, m_lineDev.cx, m_pageDev.cx, m_totalLog.cx),
             m_ptScroll.y));
}

void CScrollView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*) {
  ScrollToPosition(CPoint(m_ptScroll.x, ScrollTarget(nSBCode, nPos, m_ptScroll.y, m_lineDev.cy,
                                                     m_pageDev.cy, m_totalLog.cy)));
}

void CScrollView::OnSize(UINT, int, int) {
  ScrollToPosition(m_ptScroll);
}
