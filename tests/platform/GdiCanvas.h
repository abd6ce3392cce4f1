#pragma once
// A memory context with a bitmap selected, for drawing tests that check
// geometry and colour, and the switch to font metrics that need no font file.
#include "platform/gdi/Color.h"
#include "platform/gdi/Gdi.h"

#include <QImage>

namespace qxtest {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct Canvas {
  CDC dc;
  CBitmap bitmap;
  CBitmap* old = nullptr;
  Canvas(int w, int h, COLORREF fill = kWhite) {
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateCompatibleBitmap(&dc, w, h);
    old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, fill);
  }
  ~Canvas() {
    dc.SelectStockObject(BLACK_PEN);
    dc.SelectStockObject(WHITE_BRUSH);
    dc.SelectStockObject(SYSTEM_FONT);
    dc.SelectObject(old);
  }
  const QImage& Image() const { return *dc.GetImage(); }
  COLORREF At(int x, int y) const { return QxFromQRgb(Image().pixel(x, y)); }
  // The device rectangle around every pixel that is not the background.
  QRect Ink(COLORREF background = kWhite) const {
    QRect r;
    for (int y = 0; y < Image().height(); ++y)
      for (int x = 0; x < Image().width(); ++x)
        if (At(x, y) != background) r = r.united(QRect(x, y, 1, 1));
    return r;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < Image().height(); ++y)
      for (int x = 0; x < Image().width(); ++x) n += At(x, y) == color;
    return n;
  }
};

struct FixedMetrics {
  FixedMetrics() { QxSetFixedFontMetrics(true); }
  ~FixedMetrics() { QxSetFixedFontMetrics(false); }
};

}  // namespace qxtest
