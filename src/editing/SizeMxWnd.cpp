#include "editing/SizeMxWnd.h"

#include "GlobalResources.h"
#include "editing/LeftBar.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/WinApp.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr UINT kSizePopupId = 99;
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kMarked = RGB(0, 0, 150);
constexpr COLORREF kEmpty = RGB(255, 255, 255);
// The status text. Drawing on the frame goes above its children, where pure
// black shows as transparent; a near-black stays readable.
constexpr COLORREF kStatusText = RGB(32, 32, 32);

bool WithinReach(CPoint p) {
  return p.x >= 0 && p.x <= CSizeMxWnd::kReach && p.y >= 0 && p.y <= CSizeMxWnd::kReach;
}
}  // namespace

BEGIN_MESSAGE_MAP(CSizeMxWnd, CPickerWnd)
ON_WM_CREATE()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CSizeMxWnd::Open(CLeftBar* bar, WORD hit, int rows, int cols, CWnd* parent, CPoint anchor) {
  if (GetSafeHwnd()) DestroyWindow();
  m_pBar = bar;
  m_wHit = hit;
  m_nRows = std::max(1, rows);
  m_nCols = std::max(1, cols);
  m_rcGrid = Grid{};
  LPCSTR cls = AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  return CreateEx(0, cls, " ", WS_CHILD | WS_DLGFRAME, CRect(anchor, CSize(69, 83)), parent,
                  kSizePopupId);
}

int CSizeMxWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CPickerWnd::OnCreate(lpCreateStruct) == -1) return -1;
  CPoint origin(0, 0);
  ClientToScreen(&origin);
  if (CWnd* parent = GetParent()) parent->ScreenToClient(&origin);
  CRect client;
  GetClientRect(&client);
  m_rcGrid = {origin.x, origin.y, client.Width(), client.Height()};
  m_sizeMark = CSize(0, 0);
  DrawFor(CPoint(-1, -1));
  return 0;
}

// The grid lives on the parent; the window itself never shows anything.
void CSizeMxWnd::OnPaint() {
  CPaintDC dc(this);
}

CSize CSizeMxWnd::MarkFor(CPoint p) const {
  if (!WithinReach(p)) return CSize(m_nCols, m_nRows);
  return CSize(std::max(1, p.x / kCell + 1), std::max(1, p.y / kCell + 1));
}

void CSizeMxWnd::DrawFor(CPoint p) {
  const CSize mark = MarkFor(p);
  const CSize pixels(mark.cx * kCell, mark.cy * kCell);
  if (pixels == m_sizeMark) return;
  m_sizeMark = pixels;
  CWnd* parent = GetParent();
  if (parent == nullptr) return;
  CClientDC dc(parent);
  DrawGrid(&dc, mark);
}

void CSizeMxWnd::DrawGrid(CDC* dc, CSize mark) {
  const int x0 = m_rcGrid.left;
  const int y0 = m_rcGrid.top;
  const int width = m_rcGrid.width;
  const int height = m_rcGrid.height;
  dc->FillSolidRect(x0, y0, width, height, kFace);
  {
    QxSelectGuard pen(dc, g_pPenGrey);
    auto hollow = QxSelectGuard::Stock(dc, NULL_BRUSH);
    for (int i = 0; i < width - 14; i += kCell) {
      for (int j = 0; j < height - 25; j += kCell) {
        const int x = x0 + i;
        const int y = y0 + j;
        if (i / kCell < mark.cx && j / kCell < mark.cy) {
          dc->Rectangle(x, y, x + 15, y + 15);
          dc->FillSolidRect(x + 1, y + 1, 13, 13, kMarked);
        } else {
          dc->FillSolidRect(x, y, 15, 15, kEmpty);
          dc->Rectangle(x, y, x + 15, y + 15);
        }
      }
    }
    if (g_pPenSilver) {
      dc->SelectObject(g_pPenSilver);
      for (int i = 15; i < width - 14; i += kCell) {
        dc->MoveTo(x0 + i, y0);
        dc->LineTo(x0 + i, y0 + height - 14);
      }
      for (int j = 15; j < height - 25; j += kCell) {
        dc->MoveTo(x0, y0 + j);
        dc->LineTo(x0 + width, y0 + j);
      }
    }
  }
  dc->Draw3dRect(x0 - 1, y0 - 1, width + 2, height + 2, RGB(255, 255, 255), RGB(128, 128, 128));
  dc->FillSolidRect(x0 + 1, y0 + height - 12, width - 2, 11, kFace);
  char text[32];
  std::snprintf(text, sizeof text, "%d x %d", mark.cy, mark.cx);
  QxSelectGuard font(dc, g_pFontArial12);
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  const COLORREF oldColor = dc->SetTextColor(kStatusText);
  dc->TextOut(x0 + 4, y0 + height - 12, CString(text));
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
}

void CSizeMxWnd::OnMouseMove(UINT /*nFlags*/, CPoint point) {
  if (GetCapture() != this) return;
  if (WithinReach(point)) {
    ::SetCursor(AfxGetApp()->LoadCursor(IDC_SIZE_MATRIX));
    if (point.x > m_rcGrid.width) m_rcGrid.width = (point.x / kCell + 1) * kCell - 1;
    if (point.y + 26 > m_rcGrid.height) m_rcGrid.height = (point.y / kCell + 1) * kCell + 13;
  } else {
    ::SetCursor(::LoadCursor(nullptr, IDC_NO));
  }
  DrawFor(point);
}

void CSizeMxWnd::OnLButtonUp(UINT /*nFlags*/, CPoint point) {
  if (GetCapture() != this) return;
  const CSize chosen = MarkFor(point);
  ReleaseCapture();
  if (CWnd* parent = GetParent()) parent->Invalidate(TRUE);
  SetWindowPos(nullptr, 0, 0, m_rcGrid.width + 10, m_rcGrid.height + 10, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(SW_SHOW);
  const bool resize = WithinReach(point) && (chosen.cx != m_nCols || chosen.cy != m_nRows);
  if (resize) {
    m_nCols = chosen.cx;
    m_nRows = chosen.cy;
  }
  CLeftBar* bar = m_pBar;
  CloseFor(bar);
  if (resize && bar) bar->ResizeModel();
}
