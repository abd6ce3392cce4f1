// The screen's size, system metrics and device context.
#include "platform/gdi/Screen.h"

#include "platform/gdi/GdiInternal.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <mutex>

namespace {

QSize ScreenSize() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QSize s = screen->geometry().size();
      if (s.width() > 0 && s.height() > 0) return s;
    }
  }
  return QSize(1280, 1024);
}

struct ScreenDC {
  QImage image;
  std::once_flag whitened;
  CDC dc;
  int users = 0;
};

std::mutex g_screenLock;

ScreenDC& Screen() {
  static ScreenDC* screen = [] {
    auto* s = new ScreenDC;
    s->image = QImage(ScreenSize(), QImage::Format_RGB32);
    s->dc.AttachImage(&s->image);
    // The screen starts white. Most takers of the screen's context only make
    // memory contexts and bitmaps compatible with it and never touch its
    // pixels, so the image is whitened (and its memory used) at the first use
    // of them.
    QxDCAccess::SetAttachedPreparation(
        s->dc, [s] { std::call_once(s->whitened, [s] { s->image.fill(0xFFFFFFFFu); }); });
    return s;
  }();
  return *screen;
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return ScreenSize().width();
    case SM_CYSCREEN:
      return ScreenSize().height();
    case SM_CYFULLSCREEN:
      return ScreenSize().height() - 23;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 17;
    case SM_CYCAPTION:
      return 23;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYMENU:
      return 20;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 136;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 39;
    default:
      return 0;
  }
}

CDC* QxGetScreenDC() {
  std::lock_guard<std::mutex> guard(g_screenLock);
  ScreenDC& s = Screen();
  ++s.users;
  return &s.dc;
}

int QxReleaseScreenDC(CDC* dc) {
  std::lock_guard<std::mutex> guard(g_screenLock);
  ScreenDC& s = Screen();
  if (dc != &s.dc || s.users == 0) return 0;
  --s.users;
  return 1;
}
