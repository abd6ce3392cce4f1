#include "MemDCPaint.h"

#include "GlobalResources.h"
#include "platform/core/VectorState.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Wnd.h"

void PaintThroughMemDC(CWnd* wnd, COLORREF paper, const std::function<void(CDC*)>& draw) {
  if (!g_pMemDC || !wnd || !wnd->GetSafeHwnd()) return;
  CRect client;
  wnd->GetClientRect(&client);
  EnsureMemBitmapSize(client.Width(), client.Height());
  wnd->ValidateRect(nullptr);
  CRgn region;
  region.CreateRectRgn(0, 0, client.right, client.bottom);
  g_pMemDC->SelectClipRgn(&region);
  g_pMemDC->FillSolidRect(&client, paper);
  // The drawing's own arithmetic runs clean, whatever ran before it.
  QxCleanVectorState();
  draw(g_pMemDC);
  g_pMemDC->SelectClipRgn(nullptr);
  DestroyCaret();
  CDC* dc = wnd->GetDC();
  dc->BitBlt(0, 0, client.Width(), client.Height(), g_pMemDC, 0, 0, SRCCOPY);
  wnd->ReleaseDC(dc);
  QxCleanVectorState();  // the window's update may leave it in use
}
