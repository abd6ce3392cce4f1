// Shapes drawn straight onto the surface against the coverage masks they are
// otherwise drawn through, which stay the reference: every pixel the same, for
// ellipses of every size (a few pixels to far beyond the device; inside it,
// across its edge and across clip regions), every kind of brush and pen and the
// binary raster operations, and for the polygons, wide lines and wide
// rectangle outlines that take the same way.
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 160, kHeight = 120;

// Noise, so that every raster operation has something to combine and every
// pixel a shape leaves alone must keep its own colour.
QImage Ground() {
  static const QImage ground = [] {
    std::mt19937 rng(44);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) image.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFFu));
    return image;
  }();
  return ground;
}

// The picture a drawing leaves on the ground, drawn directly where it may be
// or only through coverage masks.
QImage Picture(const std::function<void(CDC&)>& draw, bool direct) {
  qxgdi::SetDirectShapes(direct);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.FromImage(Ground());
  CBitmap* old = dc.SelectObject(&bitmap);
  draw(dc);
  QImage picture = dc.GetImage()->copy();
  dc.SelectStockObject(BLACK_PEN);
  dc.SelectStockObject(WHITE_BRUSH);
  dc.SelectClipRgn(nullptr);
  dc.SelectObject(old);
  qxgdi::SetDirectShapes(true);
  return picture;
}

// "" when the two drawings agree, else where they first differ.
std::string Difference(const std::function<void(CDC&)>& draw) {
  const QImage direct = Picture(draw, true), masked = Picture(draw, false);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (direct.pixel(x, y) != masked.pixel(x, y))
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
  return "";
}

struct Brush {
  const char* name;
  std::function<void(CBrush&)> make;  // nothing made: the null brush
};

struct Pen {
  const char* name;
  int style, width;
};

struct Clip {
  const char* name;
  std::function<void(CDC&)> apply;
};

const Brush kBrushes[] = {
    {"null", nullptr},
    {"white", [](CBrush& b) { b.CreateSolidBrush(RGB(255, 255, 255)); }},
    {"red", [](CBrush& b) { b.CreateSolidBrush(RGB(255, 0, 0)); }},
    {"hatched", [](CBrush& b) { b.CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 255)); }},
    {"pattern",
     [](CBrush& b) {
       static const WORD bits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x0F, 0xF0, 0x33, 0xCC};
       CBitmap pattern;
       pattern.CreateBitmap(8, 8, 1, 1, bits);
       b.CreatePatternBrush(&pattern);
     }},
};

const Pen kPens[] = {{"none", PS_NULL, 0},   {"width 0", PS_SOLID, 0}, {"width 1", PS_SOLID, 1},
                     {"dashed", PS_DASH, 0}, {"width 3", PS_SOLID, 3}, {"width 8", PS_SOLID, 8}};

const Clip kClips[] = {
    {"no clip", [](CDC&) {}},
    {"clip rectangle",
     [](CDC& dc) {
       CRgn r;
       r.CreateRectRgn(23, 17, 131, 96);
       dc.SelectClipRgn(&r);
     }},
    {"two clip rectangles and a moved origin",
     [](CDC& dc) {
       CRgn a, b;
       a.CreateRectRgn(0, 0, 70, 120);
       b.CreateRectRgn(90, 30, 160, 80);
       a.CombineRgn(&a, &b, RGN_OR);
       dc.SelectClipRgn(&a);
       dc.SetViewportOrg(7, -5);
     }},
};

// Bounding boxes by size: none, a few pixels, small, medium, larger than the
// device, across its edges, and huge (a band circle near a pole).
const RECT kEllipses[] = {
    {5, 5, 5, 9},
    {5, 5, 6, 6},
    {5, 5, 7, 7},
    {9, 4, 12, 8},
    {10, 12, 22, 20},
    {30, 5, 41, 17},
    {20, 20, 100, 70},
    {60, 30, 141, 112},
    {-40, -30, 300, 220},
    {130, 90, 210, 160},
    {-30, 40, 41, 91},
    {70, -50, 120, 10},
    {-5000, -3000, 5200, 3100},
    {-20000, 50, 20000, 30001},
};

void DrawEllipse(CDC& dc, const RECT& r, const Brush& brush, const Pen& pen, int rop,
                 const Clip& clip) {
  clip.apply(dc);
  CBrush b;
  if (brush.make)
    brush.make(b);
  else
    dc.SelectStockObject(NULL_BRUSH);
  if (brush.make) dc.SelectObject(&b);
  CPen p(pen.style, pen.width, RGB(20, 200, 90));
  dc.SelectObject(&p);
  dc.SetROP2(rop);
  dc.SetBkMode(OPAQUE);
  dc.SetBkColor(RGB(250, 240, 10));
  dc.Ellipse(&r);
  dc.SelectStockObject(BLACK_PEN);
  dc.SelectStockObject(WHITE_BRUSH);
}

std::string Where(const RECT& r, const Brush& brush, const Pen& pen, int rop, const Clip& clip) {
  return "ellipse " + std::to_string(r.left) + "," + std::to_string(r.top) + " to " +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ", brush " + brush.name +
         ", pen " + pen.name + ", ROP2 " + std::to_string(rop) + ", " + clip.name;
}

TEST(GdiShape, EllipsesOfEverySizeBrushPenAndClipMatchTheirMasks) {
  for (const RECT& r : kEllipses)
    for (const Brush& brush : kBrushes)
      for (const Pen& pen : kPens)
        for (const Clip& clip : kClips)
          EXPECT_EQ(Difference([&](CDC& dc) { DrawEllipse(dc, r, brush, pen, R2_COPYPEN, clip); }),
                    "")
              << Where(r, brush, pen, R2_COPYPEN, clip);
}

TEST(GdiShape, EllipsesWithEveryRasterOperationMatchTheirMasks) {
  const int rops[] = {R2_BLACK,   R2_NOTCOPYPEN, R2_NOT, R2_XORPEN,
                      R2_MASKPEN, R2_MERGEPEN,   R2_NOP, R2_WHITE};
  for (const RECT& r : kEllipses)
    for (int rop : rops)
      for (const Brush& brush : {kBrushes[0], kBrushes[2], kBrushes[3]})
        for (const Pen& pen : {kPens[0], kPens[1], kPens[4]})
          EXPECT_EQ(Difference([&](CDC& dc) { DrawEllipse(dc, r, brush, pen, rop, kClips[1]); }),
                    "")
              << Where(r, brush, pen, rop, kClips[1]);
}

// Random ellipses about the device, as the band circles of a diagram fall.
TEST(GdiShape, RandomEllipsesMatchTheirMasks) {
  const unsigned seed = 4404;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> centre(-40, 200), radius(0, 120), pick(0, 5);
  for (int i = 0; i < 150; ++i) {
    const int cx = centre(rng), cy = centre(rng), rx = radius(rng), ry = radius(rng);
    const RECT r{cx - rx, cy - ry, cx + rx + pick(rng) % 2, cy + ry + pick(rng) % 2};
    const Brush& brush = kBrushes[pick(rng) % 3];
    const Pen& pen = kPens[pick(rng)];
    const Clip& clip = kClips[pick(rng) % 3];
    EXPECT_EQ(Difference([&](CDC& dc) { DrawEllipse(dc, r, brush, pen, R2_COPYPEN, clip); }), "")
        << Where(r, brush, pen, R2_COPYPEN, clip) << " (seed " << seed << ")";
  }
}

TEST(GdiShape, PolygonsWideLinesAndWideOutlinesMatchTheirMasks) {
  const POINT star[] = {{80, 5}, {100, 110}, {10, 40}, {150, 40}, {60, 110}};
  const POINT across[] = {{-30, 20}, {190, 60}, {40, 130}, {20, -10}};
  for (const Clip& clip : kClips)
    for (const Pen& pen : kPens)
      for (int fillMode : {ALTERNATE, WINDING}) {
        auto draw = [&](CDC& dc) {
          clip.apply(dc);
          CBrush brush(RGB(0, 120, 255));
          CPen p(pen.style, pen.width, RGB(200, 30, 30));
          dc.SelectObject(&brush);
          dc.SelectObject(&p);
          dc.SetPolyFillMode(fillMode);
          dc.Polygon(star, 5);
          dc.Polygon(across, 4);
          dc.Polyline(across, 4);
          dc.Rectangle(12, 70, 90, 118);
          dc.SelectStockObject(BLACK_PEN);
          dc.SelectStockObject(WHITE_BRUSH);
        };
        EXPECT_EQ(Difference(draw), "")
            << clip.name << ", pen " << pen.name << ", fill mode " << fillMode;
      }
}

}  // namespace
