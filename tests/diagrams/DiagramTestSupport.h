#pragma once
// A white memory device context of a fixed size with fixed font metrics,
// pixel helpers, and the 7 x 7 root glyph shapes shared by the sprite sheet
// and the clipboard markers.
#include "GlobalResources.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Gdi.h"

#include <QImage>

namespace qxdiagramtest {

// Rows from y - 3 to y + 3 of the shapes as the design draws them: '#' ink.
inline const char* const kPoleShape[7] = {".#...#.", "###.###", ".#####.", "..###..",
                                          ".#####.", "###.###", ".#...#."};
inline const char* const kClosedLoopPoleShape[7] = {"#######", "#######", "##...##", "##...##",
                                                    "##...##", "#######", "#######"};
inline const char* const kTransmissionZeroShape[7] = {"..###..", "..###..", "###.###", "##...##",
                                                      "###.###", "..###..", "..###.."};

class Canvas {
 public:
  Canvas(int width, int height) {
    QxSetFixedFontMetrics(true);
    InitGlobalResources();
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap.CreateCompatibleBitmap(&m_dc, width, height);
    m_old = m_dc.SelectObject(&m_bitmap);
    m_dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    m_dc.SetBkMode(TRANSPARENT);
    m_dc.SetTextColor(RGB(0, 0, 0));
  }
  ~Canvas() {
    m_dc.SelectObject(m_old);
    QxSetFixedFontMetrics(false);
  }
  CDC* dc() { return &m_dc; }
  COLORREF At(int x, int y) const { return m_dc.GetPixel(x, y); }
  bool Black(int x, int y) const { return At(x, y) == RGB(0, 0, 0); }
  bool White(int x, int y) const { return At(x, y) == RGB(255, 255, 255); }
  QImage Image() const { return m_dc.GetImage()->copy(); }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  CBitmap* m_old = nullptr;
};

}  // namespace qxdiagramtest
