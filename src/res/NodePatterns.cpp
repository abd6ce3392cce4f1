#include "res/NodePatterns.h"

#include "platform/gdi/Color.h"
#include "platform/gdi/GdiObjects.h"
#include "res/resource.h"

#include <QImage>

#include <mutex>

namespace {

struct Pattern {
  UINT id;
  COLORREF ink;    // on the squares where x + y is even
  COLORREF paper;  // on the others
};

constexpr Pattern kPatterns[] = {
    {IDB_PATTERN_RED, RGB(255, 0, 0), RGB(255, 255, 255)},
    {IDB_PATTERN_BLACK, RGB(0, 0, 0), RGB(255, 255, 255)},
    {IDB_PATTERN_BLUE, RGB(0, 0, 255), RGB(224, 224, 255)},
};

}  // namespace

COLORREF NodePatternPixel(UINT id, int x, int y) {
  for (const Pattern& p : kPatterns) {
    if (p.id == id) return ((x + y) % 2 == 0) ? p.ink : p.paper;
  }
  return 0;
}

void RegisterNodePatterns() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const Pattern& p : kPatterns) {
      QImage image(8, 8, QImage::Format_RGB32);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) image.setPixel(x, y, QxToQRgb(NodePatternPixel(p.id, x, y)));
      QxRegisterBitmap(p.id, image);
    }
  });
}
