#include "editing/PZMxWnd.h"

#include "GlobalResources.h"
#include "editing/LeftBar.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/WinApp.h"
#include "res/Sprites.h"
#include "res/resource.h"

#include <cstdio>

namespace {
constexpr UINT kElementPopupId = 98;
constexpr COLORREF kStripFace = RGB(192, 192, 192);
}  // namespace

BEGIN_MESSAGE_MAP(CPZMxWnd, CPickerWnd)
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_PAINT()
END_MESSAGE_MAP()

void DrawPickerStrip(CDC* dc, int width, int height, const char* text) {
  const int top = height - CPZMxWnd::kStripHeight;
  if (g_pPenSilver) {
    QxSelectGuard pen(dc, g_pPenSilver);
    dc->MoveTo(0, top);
    dc->LineTo(width, top);
  }
  // A sunken field: grey above and left, white below and right.
  if (g_pPenGrey && g_pPenWhite) {
    QxSelectGuard pen(dc, g_pPenGrey);
    dc->MoveTo(0, height - 1);
    dc->LineTo(0, top + 1);
    dc->LineTo(width - 1, top + 1);
    dc->SelectObject(g_pPenWhite);
    dc->LineTo(width - 1, height - 1);
    dc->LineTo(-1, height - 1);
  }
  dc->FillSolidRect(1, height - 12, width - 2, 11, kStripFace);
  if (text == nullptr) return;
  QxSelectGuard font(dc, g_pFontArial12);
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  dc->TextOut(2, height - 13, CString(text));
  dc->SetBkMode(oldMode);
}

BOOL CPZMxWnd::Open(CLeftBar* bar, WORD hit, int rows, int cols, CWnd* parent, CPoint anchor) {
  if (GetSafeHwnd()) DestroyWindow();
  m_pBar = bar;
  m_wHit = hit;
  m_nRows = rows < 1 ? 1 : rows;
  m_nCols = cols < 1 ? 1 : cols;
  m_nDrag = 0;
  LPCSTR cls = AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  const CRect rect(anchor, CSize(m_nCols * kCell + 5, m_nRows * kCell + 19));
  return CreateEx(0, cls, " ", WS_CHILD | WS_VISIBLE | WS_DLGFRAME, rect, parent, kElementPopupId);
}

int CPZMxWnd::ZoneAt(int x, int y) {
  const int px = x % kCell;
  const int py = y % kCell;
  if (px < 9) return py < 8 ? kZoneZero : py < 15 ? kZoneOne : kZoneVariable;
  return py < 10 ? kZoneAddZero : kZoneAddPole;
}

CPZMxWnd::Hover CPZMxWnd::HoverAt(CPoint p) {
  if (p.x < 0 || p.y < 0) return {};
  return {p.y / kCell, p.x / kCell, ZoneAt(p.x, p.y)};
}

void CPZMxWnd::DrawFor(CDC* dc, CPoint p, bool force) {
  CRect client;
  GetClientRect(&client);
  if (client.Width() <= 2) return;
  const Hover hover = HoverAt(p);
  if (!force && hover == HoverAt(m_ptLast)) return;
  m_ptLast = p;
  if (g_pSpriteDC) {
    for (int r = 0; r < m_nRows; ++r) {
      for (int c = 0; c < m_nCols; ++c) {
        const bool lit = r == hover.row && c == hover.col;
        const SpriteTile cell = SpriteElementCell(lit ? hover.zone : 0);
        dc->BitBlt(c * kCell, r * kCell, cell.cx, cell.cy, g_pSpriteDC, cell.x, cell.y, SRCCOPY);
      }
    }
  }
  const bool inMatrix = hover.row >= 0 && hover.row < m_nRows && hover.col < m_nCols;
  char text[32];
  std::snprintf(text, sizeof text, "(%d,%d)", hover.row + 1, hover.col + 1);
  DrawPickerStrip(dc, client.Width(), client.Height(), inMatrix ? text : nullptr);
}

int CPZMxWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CPickerWnd::OnCreate(lpCreateStruct) == -1) return -1;
  m_ptLast = CPoint(-200, -200);
  m_nDrag = 0;
  return 0;
}

void CPZMxWnd::OnPaint() {
  CPaintDC dc(this);
  DrawFor(&dc, m_ptLast - CSize(100, 100), true);
  ValidateRect(nullptr);
}

void CPZMxWnd::OnMouseMove(UINT /*nFlags*/, CPoint point) {
  if (m_nDrag != 0) {
    ::SetCursor(AfxGetApp()->LoadCursor(m_nDrag == 1 ? IDC_ADD_ZERO : IDC_ADD_POLE));
    return;
  }
  if (GetCapture() != this) return;
  ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  ValidateRect(nullptr);
  CDC* dc = GetDC();
  DrawFor(dc, point, false);
  ReleaseDC(dc);
}

void CPZMxWnd::OnLButtonUp(UINT /*nFlags*/, CPoint point) {
  // During a drag the release of the opening press has been handled; only
  // the drop press counts.
  if (GetCapture() != this || m_nDrag != 0) return;
  CLeftBar* bar = m_pBar;
  const WORD hit = m_wHit;
  if (point.x > -3 && point.x < 16 && point.y > -21 && point.y < 0) {
    CloseFor(bar);
    if (bar) bar->DispatchHit(hit);
    return;
  }
  const int row = point.y / kCell;
  const int col = point.x / kCell;
  if (point.x < 0 || point.y < 0 || row >= m_nRows || col >= m_nCols) {
    Close();
    return;
  }
  const int zone = ZoneAt(point.x, point.y);
  if (zone <= kZoneVariable) {
    CloseFor(bar);
    if (bar) bar->SetElement(hit, row, col, zone - 1);
    return;
  }
  m_nDrag = zone == kZoneAddZero ? 1 : 2;
  m_nRows = row;
  m_nCols = col;
  SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
}

void CPZMxWnd::OnLButtonDown(UINT nFlags, CPoint point) {
  if (m_nDrag == 0) {
    CWnd::OnLButtonDown(nFlags, point);
    return;
  }
  CLeftBar* bar = m_pBar;
  const WORD hit = m_wHit;
  const int drag = m_nDrag;
  const int row = m_nRows;
  const int col = m_nCols;
  ClientToScreen(&point);
  CloseFor(bar);
  if (bar && drag == 1) bar->ApplyElementDrag1(hit, row, col, point.x, point.y);
  if (bar && drag == 2) bar->ApplyElementDrag2(hit, row, col, point.x, point.y);
}
