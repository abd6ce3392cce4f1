#include "Splash.h"

#include "platform/gdi/SelectGuard.h"
#include "platform/ui/WinApp.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <mutex>

namespace {

constexpr UINT kSplashTimer = 1;
constexpr UINT kSplashMs = 1000;
constexpr int kSplashWidth = 329;
constexpr int kSplashHeight = 172;

// The start-up picture: the program's name over a small root locus of a
// closed loop, the loop's poles as crosses, on a blue ground.
QImage DrawSplashImage() {
  // RGB32 is the raster engine's own format: drawing needs no conversion.
  QImage image(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
  for (int y = 0; y < kSplashHeight; ++y) {  // navy at the top to blue at the bottom
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row, row + kSplashWidth,
              qRgb(0, 64 * y / kSplashHeight, 128 + 32 * y / kSplashHeight));
  }
  QPainter painter(&image);
  painter.setPen(QColor(128, 160, 224));
  painter.drawLine(180, 96, 320, 96);   // the real axis
  painter.drawLine(290, 40, 290, 152);  // the imaginary axis
  painter.setPen(QPen(QColor(255, 255, 0), 2));
  painter.drawArc(QRect(200, 46, 100, 100), 90 * 16, 180 * 16);
  painter.setPen(QPen(QColor(255, 64, 64), 2));
  for (const QPoint& pole : {QPoint(250, 46), QPoint(250, 146), QPoint(300, 96)}) {
    painter.drawLine(pole + QPoint(-4, -4), pole + QPoint(4, 4));
    painter.drawLine(pole + QPoint(-4, 4), pole + QPoint(4, -4));
  }
  QFont title("Liberation Serif");
  title.setPixelSize(34);
  title.setItalic(true);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(12, 12, 300, 44), Qt::AlignLeft | Qt::AlignVCenter, "Quorvathine");
  QFont small("Liberation Sans");
  small.setPixelSize(12);
  painter.setFont(small);
  painter.drawText(QRect(14, 60, 180, 18), Qt::AlignLeft, "Version 1.0");
  painter.drawText(QRect(14, 128, 180, 36), Qt::AlignLeft | Qt::TextWordWrap,
                   "Design of multivariable feedback controllers");
  return image;
}

}  // namespace

BOOL CSplash::c_bShowSplashWnd = FALSE;
CSplash* CSplash::c_pSplashWnd = nullptr;

BEGIN_MESSAGE_MAP(CSplash, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_TIMER()
END_MESSAGE_MAP()

void CSplash::RegisterSplashBitmap() {
  static std::once_flag once;
  std::call_once(once, [] { QxRegisterBitmap(IDB_SPLASH, DrawSplashImage()); });
}

void CSplash::EnableSplashScreen(BOOL bEnable) {
  c_bShowSplashWnd = bEnable;
}

void CSplash::ShowSplashScreen(CWnd* pParentWnd) {
  if (!c_bShowSplashWnd || c_pSplashWnd) return;
  c_pSplashWnd = new CSplash;
  if (!c_pSplashWnd->Create(pParentWnd)) {
    delete c_pSplashWnd;  // its destructor clears c_pSplashWnd
  } else {
    c_pSplashWnd->UpdateWindow();
  }
}

BOOL CSplash::PreTranslateAppMessage(MSG* pMsg) {
  if (!c_pSplashWnd) return FALSE;
  switch (pMsg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      HideSplashScreen();
      return TRUE;
    default:
      return FALSE;
  }
}

void CSplash::HideSplashScreen() {
  if (c_pSplashWnd) c_pSplashWnd->DestroyWindow();  // deletes the object
  if (CWnd* main = AfxGetMainWnd(); main && IsWindow(main->GetSafeHwnd())) main->UpdateWindow();
}

CSplash::~CSplash() {
  if (c_pSplashWnd == this) c_pSplashWnd = nullptr;
}

BOOL CSplash::Create(CWnd* pParentWnd) {
  RegisterSplashBitmap();
  if (!m_bitmap.LoadBitmap(IDB_SPLASH)) return FALSE;
  BITMAP bm;
  m_bitmap.GetBitmap(&bm);
  LPCSTR wndClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW));
  return CreateEx(0, wndClass, nullptr, WS_POPUP | WS_VISIBLE, 0, 0, bm.bmWidth, bm.bmHeight,
                  pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, nullptr);
}

void CSplash::PostNcDestroy() {
  delete this;
}

int CSplash::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  CenterWindow();
  SetTimer(kSplashTimer, kSplashMs, nullptr);
  return 0;
}

void CSplash::OnPaint() {
  CPaintDC dc(this);
  CDC memory;
  if (!memory.CreateCompatibleDC(&dc)) return;
  BITMAP bm;
  m_bitmap.GetBitmap(&bm);
  QxSelectGuard select(memory, &m_bitmap);
  dc.BitBlt(0, 0, bm.bmWidth, bm.bmHeight, &memory, 0, 0, SRCCOPY);
}

void CSplash::OnTimer(UINT_PTR /*nIDEvent*/) {
  HideSplashScreen();
}
