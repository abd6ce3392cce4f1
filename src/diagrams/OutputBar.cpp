#include "diagrams/OutputBar.h"

#include "QorexDoc.h"
#include "platform/core/Debug.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"

#include <algorithm>

COutputBar* g_pOutputBar = nullptr;
int g_nOutputBarHeight = 145;

IMPLEMENT_DYNAMIC(COutputBar, CDialogBar)

BEGIN_MESSAGE_MAP(COutputBar, CDialogBar)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

namespace {

constexpr int kMargin = 10;     // around and between the panes
constexpr int kGripHeight = 5;  // the grip along the top edge
constexpr UINT kGripId = 99;
constexpr UINT kFirstPaneId = 100;

}  // namespace

COutputBar::COutputBar()
    : m_pSizeWnd(std::make_unique<CSizeWnd>()), m_pPanes(std::make_unique<CZevSIGWnd[]>(1)) {
  g_pOutputBar = this;
  m_pPanes[0].m_pBar = this;
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
  UpdatePanes();
}

CSize COutputBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  CSize size = CDialogBar::CalcFixedLayout(bStretch, bHorz);
  if (bHorz && !IsFloating()) size.cy = g_nOutputBarHeight;
  return size;
}

// ---- layout ---------------------------------------------------------------------

int COutputBar::PaneWidth(int clientWidth) const {
  return std::max(0, (clientWidth - kMargin) / m_nPanes - kMargin);
}

CRect COutputBar::PaneRect(int i, const CRect& client) const {
  const int w = PaneWidth(client.Width());
  const int left = kMargin + i * (w + kMargin);
  return CRect(left, kMargin, left + w, std::max(kMargin, client.Height() - kMargin));
}

void COutputBar::LayOut(BOOL repaint) {
  if (!GetSafeHwnd()) return;
  CRect client;
  GetClientRect(&client);
  for (int i = 0; i < m_nPanes; ++i)
    if (m_pPanes[i].GetSafeHwnd()) m_pPanes[i].MoveWindow(PaneRect(i, client), repaint);
  if (m_pSizeWnd->GetSafeHwnd()) m_pSizeWnd->MoveWindow(0, 0, client.Width(), kGripHeight, repaint);
}

void COutputBar::CreatePanes() {
  CRect client;
  GetClientRect(&client);
  const LPCSTR paneClass = AfxRegisterWndClass(
      CS_DBLCLKS, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr);
  for (int i = 0; i < m_nPanes; ++i) {
    CZevSIGWnd& pane = m_pPanes[i];
    pane.m_pBar = this;
    pane.CreateEx(WS_EX_CLIENTEDGE, paneClass, " ", WS_CHILD | WS_VISIBLE, PaneRect(i, client),
                  this, kFirstPaneId + i);
    pane.m_nRow = i;
  }
}

int COutputBar::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CDialogBar::OnCreate(lpCreateStruct) == -1) return -1;
  CreatePanes();
  CRect client;
  GetClientRect(&client);
  const LPCSTR gripClass =
      AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)), nullptr);
  m_pSizeWnd->Create(gripClass, " ", WS_CHILD | WS_VISIBLE,
                     CRect(0, 0, client.Width(), kGripHeight), this, kGripId);
  return 0;
}

void COutputBar::OnSize(UINT nType, int cx, int cy) {
  CDialogBar::OnSize(nType, cx, cy);
  if (m_pSizeWnd->GetSafeHwnd()) m_pSizeWnd->ShowWindow(IsFloating() ? SW_HIDE : SW_SHOW);
  LayOut(TRUE);
}

// The panes and the grip cover everything worth showing.
void COutputBar::OnPaint() {
  CPaintDC dc(this);
}

void COutputBar::OnLButtonDown(UINT, CPoint) {}

// ---- panes --------------------------------------------------------------------------

void COutputBar::SetPaneCount(int n) {
  n = std::max(1, n);
  if (n == m_nPanes) {
    UpdatePanes();
    return;
  }
  for (int i = 0; i < m_nPanes; ++i)
    if (m_pPanes[i].GetSafeHwnd()) m_pPanes[i].DestroyWindow();
  m_pPanes = std::make_unique<CZevSIGWnd[]>(n);
  m_nPanes = n;
  for (int i = 0; i < n; ++i) m_pPanes[i].m_pBar = this;
  if (GetSafeHwnd()) CreatePanes();
}

// Drawing shares g_pMemDC with every other window of the user-interface
// thread, so a worker's end-of-run repaint must come here by a posted request.
void COutputBar::UpdatePanes() {
  ASSERT(GetCurrentThreadId() == QxUiThreadId());
  if (GetCurrentThreadId() != QxUiThreadId() || !GetSafeHwnd()) return;
  for (int i = 0; i < m_nPanes; ++i) m_pPanes[i].PaintBuffered();
  CRect client;
  GetClientRect(&client);
  const int w = PaneWidth(client.Width());
  for (int i = 0; i < m_nPanes; ++i) {
    const int left = 12 + i * (w + kMargin);
    const CRect under(left, 12, left + std::max(0, w - 4), std::max(12, client.Height() - 12));
    ValidateRect(&under);
  }
}

void COutputBar::InvalidateSamples(int sample) {
  for (int i = 0; i < m_nPanes; ++i) m_pPanes[i].InvalidateSamples(sample);
}
