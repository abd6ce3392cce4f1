// CWnd's painting: the client image, the update region, the paint and client
// contexts, the overlay above the children, and the widget's paint event.
#include "platform/core/Debug.h"
#include "platform/gdi/Screen.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/WndInternal.h"

#include <QPainter>

#include <algorithm>

using qxui::ToQRect;
using qxui::ToRECT;
using qxui::WndState;

namespace {

// The widget that shows the overlay image above the window's children.
class OverlayWidget : public QWidget {
 public:
  OverlayWidget(CWnd* wnd, QWidget* parent) : QWidget(parent), m_pWnd(wnd) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(parent->rect());
  }
  CWnd* m_pWnd;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!m_pWnd || !m_pWnd->GetWidget()) return;
    WndState& state = qxui::WidgetAccess::State(m_pWnd);
    if (state.overlay.isNull()) return;
    // Black is transparent, so XOR drawing twice leaves nothing behind.
    QImage shown = state.overlay.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shown.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
      for (int x = 0; x < shown.width(); ++x) {
        if ((line[x] & 0xFFFFFF) == 0) line[x] = 0;
      }
    }
    QPainter painter(this);
    CRect insets = m_pWnd->GetNonClientInsets();
    painter.drawImage(insets.left, insets.top, shown);
  }
};

}  // namespace

QImage* CWnd::GetClientImage() const {
  return m_pWidget ? &m_state->image : nullptr;
}

void CWnd::Invalidate(BOOL bErase) {
  InvalidateRect(nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
  if (!m_pWidget) return;
  WndState& state = *m_state;
  QRect client(0, 0, state.clientSize.cx, state.clientSize.cy);
  QRect area = lpRect ? ToQRect(*lpRect).intersected(client) : client;
  if (area.isEmpty()) return;
  state.update += area;
  if (bErase) state.erase = true;
  if (!state.overlay.isNull()) ClearOverlay();
  m_pWidget->update();
}

void CWnd::ValidateRect(LPCRECT lpRect) {
  WndState& state = *m_state;
  if (!lpRect) {
    state.update = QRegion();
    state.erase = false;
    return;
  }
  state.update -= ToQRect(*lpRect);
  if (state.update.isEmpty()) state.erase = false;
}

BOOL CWnd::GetUpdateRect(LPRECT lpRect, BOOL bErase) {
  WndState& state = *m_state;
  if (lpRect) *lpRect = ToRECT(state.update.boundingRect());
  if (bErase && state.erase && !state.update.isEmpty()) {
    CClientDC dc(this);
    state.erase = SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc())) == 0;
  }
  return !state.update.isEmpty();
}

void CWnd::UpdateWindow() {
  if (m_hWnd && !m_state->update.isEmpty()) SendMessage(WM_PAINT);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn*, UINT flags) {
  if (flags & RDW_INVALIDATE) InvalidateRect(lpRectUpdate, (flags & RDW_ERASE) != 0);
  if (flags & RDW_VALIDATE) ValidateRect(lpRectUpdate);
  if (flags & RDW_UPDATENOW) {
    UpdateWindow();
    if (flags & RDW_ALLCHILDREN) {
      for (CWnd* child : GetChildren()) child->RedrawWindow(nullptr, nullptr, flags);
    }
  }
  return TRUE;
}

namespace {

// Sets up a context for a paint: the image, the clip box of the update
// region, the background erased when asked; the region is then valid.
void StartPaint(CWnd* wnd, WndState& state, CDC& dc, PAINTSTRUCT& ps) {
  dc.AttachImage(&state.image);
  QRect area = state.update.boundingRect().intersected(
      QRect(0, 0, state.clientSize.cx, state.clientSize.cy));
  ps.rcPaint = ToRECT(area);
  ps.hdc = dc.GetSafeHdc();
  dc.IntersectClipRect(&ps.rcPaint);
  bool erase = state.erase;
  state.update = QRegion();
  state.erase = false;
  ps.fErase = erase && wnd->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps.hdc)) == 0;
}

}  // namespace

CDC* CWnd::BeginPaint(LPPAINTSTRUCT lpPaint) {
  WndState& state = *m_state;
  state.paintDC = std::make_unique<CDC>();
  StartPaint(this, state, *state.paintDC, *lpPaint);
  return state.paintDC.get();
}

void CWnd::EndPaint(LPPAINTSTRUCT) {
  m_state->paintDC.reset();
  if (m_pWidget) m_pWidget->update();
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {
  if (pWnd && pWnd->GetWidget()) {
    StartPaint(pWnd, qxui::WidgetAccess::State(pWnd), *this, m_ps);
  }
}

CPaintDC::~CPaintDC() {
  DetachImage();
  if (m_pWnd && m_pWnd->GetWidget()) m_pWnd->GetWidget()->update();
}

CClientDC::CClientDC(CWnd* pWnd) : m_pWnd(pWnd) {
  if (!pWnd) {
    // The screen: its pixels, held until this context goes.
    m_pScreen = QxGetScreenDC();
    AttachImage(m_pScreen->GetImage());
    return;
  }
  if (QImage* surface = pWnd->QxDrawingSurface()) AttachImage(surface);
}

CClientDC::~CClientDC() {
  DetachImage();
  if (m_pScreen) QxReleaseScreenDC(m_pScreen);
  if (m_pWnd) m_pWnd->QxSurfaceChanged();
}

QImage* CWnd::QxDrawingSurface() {
  if (!m_pWidget) return nullptr;
  if (QxShowsImage()) return &m_state->image;
  CDC* overlay = GetOverlayDC();  // makes the overlay and its widget
  overlay->DetachImage();
  delete overlay;
  return &m_state->overlay;
}

void CWnd::QxSurfaceChanged() {
  if (!m_pWidget) return;
  if (QxShowsImage()) {
    m_pWidget->update();
  } else if (m_state->overlayWidget) {
    m_state->overlayWidget->update();
  }
}

// The desktop window stands for the screen: its context is the screen's.
CWnd* GetDesktopWindow() {
  static auto* desktop = new CWnd;
  return desktop;
}

CDC* CWnd::GetDC() {
  return new CClientDC(this == GetDesktopWindow() ? nullptr : this);
}

int CWnd::ReleaseDC(CDC* pDC) {
  if (!pDC) return 0;
  delete pDC;
  return 1;
}

HDC GetDC(HWND hWnd) {
  if (!hWnd) return QxGetScreenDC()->GetSafeHdc();
  CWnd* wnd = CWnd::FromHandle(hWnd);
  return wnd ? wnd->GetDC()->GetSafeHdc() : nullptr;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  CDC* dc = CDC::FromHandle(hDC);
  if (!dc) return 0;
  if (!hWnd) return QxReleaseScreenDC(dc);
  CWnd* wnd = CWnd::FromHandle(hWnd);
  if (wnd) return wnd->ReleaseDC(dc);
  delete dc;
  return 1;
}

CDC* CWnd::GetOverlayDC() {
  if (!m_pWidget) return nullptr;
  WndState& state = *m_state;
  QSize size(std::max(1, static_cast<int>(state.clientSize.cx)),
             std::max(1, static_cast<int>(state.clientSize.cy)));
  if (state.overlay.isNull() || state.overlay.size() != size) {
    state.overlay = QImage(size, QImage::Format_RGB32);
    state.overlay.fill(Qt::black);
  }
  if (!state.overlayWidget) state.overlayWidget = new OverlayWidget(this, m_pWidget);
  state.overlayWidget->setGeometry(m_pWidget->rect());
  state.overlayWidget->raise();
  state.overlayWidget->show();
  CDC* dc = new CDC;
  dc->AttachImage(&state.overlay);
  return dc;
}

void CWnd::ReleaseOverlayDC(CDC* pDC) {
  if (!pDC) return;
  pDC->DetachImage();
  delete pDC;
  if (m_state->overlayWidget) m_state->overlayWidget->update();
}

void CWnd::ClearOverlay() {
  WndState& state = *m_state;
  state.overlay = QImage();
  if (state.overlayWidget) state.overlayWidget->update();
}

void CWnd::ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect, LPCRECT lpClipRect) {
  WndState& state = *m_state;
  if (!m_pWidget || state.image.isNull()) return;
  QRect client(0, 0, state.clientSize.cx, state.clientSize.cy);
  QRect area = lpRect ? ToQRect(*lpRect) : client;
  QRect clip = lpClipRect ? ToQRect(*lpClipRect).intersected(client) : client;
  QImage source = state.image.copy(area);
  {
    QPainter painter(&state.image);
    painter.setClipRect(clip);
    painter.drawImage(area.topLeft() + QPoint(xAmount, yAmount), source);
  }
  QRegion uncovered = QRegion(area.intersected(clip)) -
                      QRegion(area.translated(xAmount, yAmount).intersected(clip));
  state.update += uncovered;
  if (!uncovered.isEmpty()) state.erase = true;
  for (CWnd* child : GetChildren()) {
    if (!child->GetWidget() || lpRect) continue;
    child->GetWidget()->move(child->GetWidget()->pos() + QPoint(xAmount, yAmount));
  }
  m_pWidget->update();
}

// ---- the paint event -------------------------------------------------------------

namespace {

void DrawNonClient(QPainter& painter, const QSize& size, DWORD style, DWORD exStyle) {
  QRect r(0, 0, size.width(), size.height());
  auto frame = [&](QColor topLeft, QColor bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.left(), r.top(), r.right(), r.top());
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
    painter.setPen(bottomRight);
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
    r.adjust(1, 1, -1, -1);
  };
  if (style & WS_DLGFRAME) {
    frame(QColor(223, 223, 223), Qt::black);
    frame(Qt::white, QColor(128, 128, 128));
    frame(QColor(192, 192, 192), QColor(192, 192, 192));
  } else if (style & WS_BORDER) {
    frame(Qt::black, Qt::black);
  }
  if (exStyle & WS_EX_CLIENTEDGE) {
    frame(QColor(128, 128, 128), Qt::white);
    frame(Qt::black, QColor(223, 223, 223));
  }
  if (exStyle & WS_EX_STATICEDGE) frame(QColor(128, 128, 128), Qt::white);
}

}  // namespace

void CWnd::QxPaint(QPainter& painter) {
  if (!m_hWnd || !QxShowsImage()) return;
  WndState& state = *m_state;
  if (!state.update.isEmpty() && !state.paintDC) SendMessage(WM_PAINT);
  if (!m_hWnd || !m_pWidget) return;
  CRect insets = GetNonClientInsets();
  if (insets.left || insets.top) {
    DrawNonClient(painter, m_pWidget->size(), state.style, state.exStyle);
  }
  painter.drawImage(QPoint(insets.left, insets.top), state.image,
                    QRect(QPoint(0, 0), QSize(state.clientSize.cx, state.clientSize.cy)));
  qxui::CaretInfo caret = qxui::GetCaretInfo();
  if (caret.visible && caret.owner == m_hWnd) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(ToQRect(caret.rect).translated(insets.left, insets.top), Qt::white);
  }
}
