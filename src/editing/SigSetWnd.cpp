#include "editing/SigSetWnd.h"

#include "GlobalResources.h"
#include "editing/LeftBar.h"
#include "editing/PZMxWnd.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/WinApp.h"
#include "res/Sprites.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr UINT kSignalPopupId = 97;
constexpr int kRowWidth = 37;
}  // namespace

BEGIN_MESSAGE_MAP(CSigSetWnd, CPickerWnd)
ON_WM_CREATE()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CSigSetWnd::Open(CLeftBar* bar, WORD hit, int rows, CWnd* parent, CPoint anchor) {
  if (GetSafeHwnd()) DestroyWindow();
  m_pBar = bar;
  m_wHit = hit;
  m_nRows = std::max(1, rows);
  LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW),
                                   static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  const CRect rect(anchor, CSize(43, m_nRows * kRowHeight + 19));
  return CreateEx(0, cls, " ", WS_CHILD | WS_VISIBLE | WS_DLGFRAME, rect, parent, kSignalPopupId);
}

int CSigSetWnd::KindAt(int x, int y) {
  if (x < 0 || y < 0 || x >= 3 * kIcon) return -1;
  return (y % kRowHeight < kIcon ? 0 : 3) + x / kIcon;
}

CSigSetWnd::Hover CSigSetWnd::HoverAt(CPoint p) const {
  CRect client;
  GetClientRect(&client);
  if (p.x < 0 || p.y < 0 || p.x >= client.Width()) return {};
  return {p.y / kRowHeight, KindAt(p.x, p.y)};
}

void CSigSetWnd::DrawFor(CDC* dc, CPoint p, bool force) {
  const Hover hover = HoverAt(p);
  if (!force && hover == HoverAt(m_ptLast)) return;
  m_ptLast = p;
  if (g_pSpriteDC) {
    for (int r = 0; r < m_nRows; ++r) {
      const SpriteTile row = SpriteSignalRow(r == hover.row ? hover.kind : -1);
      dc->BitBlt(0, r * kRowHeight, kRowWidth, kRowHeight, g_pSpriteDC, row.x, row.y, SRCCOPY);
    }
  }
  CRect client;
  GetClientRect(&client);
  char text[32];
  std::snprintf(text, sizeof text, "row %d", hover.row + 1);
  const bool inSignal = hover.row >= 0 && hover.row < m_nRows;
  DrawPickerStrip(dc, client.Width(), client.Height(), inSignal ? text : nullptr);
}

int CSigSetWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CPickerWnd::OnCreate(lpCreateStruct) == -1) return -1;
  m_ptLast = CPoint(-40, -100);
  return 0;
}

void CSigSetWnd::OnPaint() {
  CPaintDC dc(this);
  DrawFor(&dc, m_ptLast - CSize(100, 100), true);
  ValidateRect(nullptr);
}

void CSigSetWnd::OnMouseMove(UINT /*nFlags*/, CPoint point) {
  if (GetCapture() != this) return;
  ValidateRect(nullptr);
  CDC* dc = GetDC();
  DrawFor(dc, point, false);
  ReleaseDC(dc);
}

void CSigSetWnd::OnLButtonUp(UINT /*nFlags*/, CPoint point) {
  if (GetCapture() != this) return;
  CLeftBar* bar = m_pBar;
  const WORD hit = m_wHit;
  CRect client;
  GetClientRect(&client);
  const int kind = KindAt(point.x, point.y);
  const int row = point.y / kRowHeight;
  const bool overSource = point.x >= 1 && point.x <= 14 && point.y >= -17 && point.y <= -4;
  const bool onIcon = kind >= 0 && client.PtInRect(point) && row < m_nRows;
  CloseFor(bar);
  if (bar && overSource) {
    bar->DispatchHit(hit);
  } else if (bar && onIcon) {
    bar->BuildSignal(hit, row, kind);
  }
}
