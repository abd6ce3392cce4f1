#pragma once
// The drawing tests' canvas: a memory context with a bitmap selected, read back
// pixel by pixel for geometry and colour, and the switch to font metrics that
// need no font file. The layer's tests use it as it is; tests of the program's
// drawing routines make the program's drawing resources first (ProgramCanvas).
#include "GlobalResources.h"
#include "platform/gdi/Color.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Gdi.h"

#include <QImage>
#include <QRect>

namespace qxtest {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Fixed font metrics while it lives; the previous setting comes back.
class FixedMetrics {
 public:
  FixedMetrics() : m_was(QxFixedFontMetrics()) { QxSetFixedFontMetrics(true); }
  ~FixedMetrics() { QxSetFixedFontMetrics(m_was); }
  FixedMetrics(const FixedMetrics&) = delete;
  FixedMetrics& operator=(const FixedMetrics&) = delete;

 private:
  bool m_was;
};

// A width x height image filled with `fill`. Ink is any colour but the fill.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = kWhite) : m_fill(fill) {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap.CreateCompatibleBitmap(&m_dc, width, height);
    m_old = m_dc.SelectObject(&m_bitmap);
    m_dc.FillSolidRect(0, 0, width, height, fill);
  }
  // Stock objects back first, so that nothing the test selected outlives it there.
  ~Canvas() {
    m_dc.SelectStockObject(BLACK_PEN);
    m_dc.SelectStockObject(WHITE_BRUSH);
    m_dc.SelectStockObject(SYSTEM_FONT);
    m_dc.SelectObject(m_old);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  CDC* dc() { return &m_dc; }
  const QImage& Image() const { return *m_dc.GetImage(); }
  int Width() const { return Image().width(); }
  int Height() const { return Image().height(); }

  // CLR_INVALID outside the image, as GetPixel answers.
  COLORREF At(int x, int y) const {
    return Image().valid(x, y) ? QxFromQRgb(Image().pixel(x, y)) : CLR_INVALID;
  }
  bool Black(int x, int y) const { return At(x, y) == kBlack; }
  bool White(int x, int y) const { return At(x, y) == kWhite; }
  bool Ink(int x, int y) const { return At(x, y) != m_fill; }

  // Inked columns of row y from x0 to x1 (exclusive).
  int InkInRow(int y, int x0, int x1) const {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += Ink(x, y);
    return n;
  }
  int InkCount() const { return Width() * Height() - Count(m_fill); }
  // The device rectangle around every inked pixel.
  QRect InkBounds() const {
    QRect r;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        if (Ink(x, y)) r = r.united(QRect(x, y, 1, 1));
    return r;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x) n += At(x, y) == color;
    return n;
  }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  CBitmap* m_old = nullptr;
  COLORREF m_fill;
};

// A white canvas for the program's own drawing routines: the program's pens,
// fonts and sprite sheet made, fixed font metrics while it lives, and text in
// black on a transparent background as the expression contexts draw it.
class ProgramCanvas : public Canvas {
 public:
  ProgramCanvas(int width, int height, UINT textAlign = TA_LEFT | TA_TOP) : Canvas(width, height) {
    InitGlobalResources();
    dc()->SetBkMode(TRANSPARENT);
    dc()->SetTextColor(kBlack);
    dc()->SetTextAlign(textAlign);
  }

 private:
  FixedMetrics m_metrics;
};

}  // namespace qxtest
