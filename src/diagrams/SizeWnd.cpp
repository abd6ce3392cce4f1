#include "diagrams/SizeWnd.h"

#include "diagrams/OutputBar.h"
#include "platform/ui/FrameWnd.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CSizeWnd, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

namespace {

constexpr int kMinBarHeight = 50;
constexpr int kMaxBarHeight = 400;
// The outline's edges: 1 pixel left and right, 2 pixels top and bottom.
const CSize kOutlineEdges(1, 2);

}  // namespace

CFrameWnd* CSizeWnd::Frame() const {
  auto* bar = dynamic_cast<CControlBar*>(GetParent());
  return bar ? bar->GetDockingFrame() : nullptr;
}

CRect CSizeWnd::OutlineAt(int y) const {
  CRect bar;
  GetParent()->GetClientRect(&bar);
  CPoint p(0, y);
  ClientToScreen(&p);
  if (CFrameWnd* frame = Frame()) frame->ScreenToClient(&p);
  return CRect(p.x, p.y, p.x + bar.Width(), p.y + 4);
}

void CSizeWnd::DrawOutline(const CRect* rect, const CRect* last) {
  CFrameWnd* frame = Frame();
  if (!frame) return;
  CDC* dc = frame->GetWindowDC();
  dc->DrawDragRect(rect, kOutlineEdges, last, kOutlineEdges);
  frame->ReleaseDC(dc);
}

void CSizeWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(0, 3, client.Width(), 1, RGB(128, 128, 128));
  dc.MoveTo(0, 4);
  dc.LineTo(client.Width(), 4);
}

void CSizeWnd::OnLButtonDown(UINT, CPoint point) {
  SetCapture();
  m_ptStart = point;
  m_rcDrag = OutlineAt(0);
  DrawOutline(&m_rcDrag, nullptr);
}

void CSizeWnd::OnMouseMove(UINT, CPoint point) {
  SetCursor(LoadCursor(nullptr, IDC_SIZENS));
  if (GetCapture() != this) return;
  CRect bar;
  GetParent()->GetClientRect(&bar);
  const int height = bar.Height();
  int y = point.y;
  if (height - y < kMinBarHeight)
    y = height - kMinBarHeight;
  else if (y < height - kMaxBarHeight)
    y = height - kMaxBarHeight;
  const CRect outline = OutlineAt(y);
  DrawOutline(&outline, &m_rcDrag);
  m_rcDrag = outline;
}

void CSizeWnd::OnLButtonUp(UINT, CPoint point) {
  if (GetCapture() != this) return;
  ReleaseCapture();
  const int dy = point.y - m_ptStart.y;
  // The outline goes before the frame lays its bars out again.
  DrawOutline(nullptr, &m_rcDrag);
  g_nOutputBarHeight = std::clamp(g_nOutputBarHeight - dy, kMinBarHeight, kMaxBarHeight);
  if (CFrameWnd* frame = Frame()) frame->RecalcLayout(TRUE);
}
