// Drawing: the GDI pixel conventions callers rely on (end points, half-open
// fills, raster operations, pattern phase, device clip), pens, shapes and text
// boxes, checked by geometry and colour on small images.
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using qxtest::Canvas;
using qxtest::FixedMetrics;
using qxtest::kBlack;
using qxtest::kWhite;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

QImage RandomImage(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFFu));
  return image;
}

TEST(GdiDraw, LineToPaintsEveryPixelButTheEndPoint) {
  const struct {
    int x0, y0, x1, y1;
  } rows[] = {{2, 5, 12, 5},  {12, 5, 2, 5}, {4, 1, 4, 15},
              {1, 1, 11, 11}, {15, 2, 3, 8}, {3, 14, 6, 1}};
  for (const auto& row : rows) {
    Canvas c(20, 20);
    c.dc()->MoveTo(row.x0, row.y0);
    c.dc()->LineTo(row.x1, row.y1);
    EXPECT_EQ(c.At(row.x0, row.y0), kBlack);
    EXPECT_EQ(c.At(row.x1, row.y1), kWhite) << row.x1 << "," << row.y1;
    EXPECT_EQ(c.Count(kBlack), std::max(std::abs(row.x1 - row.x0), std::abs(row.y1 - row.y0)));
    EXPECT_EQ(c.dc()->GetCurrentPosition(), CPoint(row.x1, row.y1));
  }
}

TEST(GdiDraw, PensDrawDotsWidthsOrNothing) {
  Canvas c(30, 20);
  CPen dot(PS_DOT, 1, kBlack), wide(PS_SOLID, 3, kBlue);
  c.dc()->SetBkMode(TRANSPARENT);
  c.dc()->SelectObject(&dot);
  c.dc()->MoveTo(0, 1);
  c.dc()->LineTo(20, 1);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c.At(x, 1), x % 2 ? kWhite : kBlack) << x;
  c.dc()->SelectObject(&wide);
  c.dc()->MoveTo(5, 10);
  c.dc()->LineTo(25, 10);
  int thickness = 0;
  for (int y = 0; y < 20; ++y) thickness += c.At(15, y) == kBlue;
  EXPECT_EQ(thickness, 3);
  EXPECT_EQ(c.At(15, 10), kBlue);
  QImage before = c.Image();
  c.dc()->SelectStockObject(NULL_PEN);
  c.dc()->SelectStockObject(NULL_BRUSH);
  c.dc()->Rectangle(2, 2, 15, 15);
  c.dc()->Ellipse(2, 2, 15, 15);
  c.dc()->LineTo(0, 0);
  EXPECT_TRUE(c.Image() == before);
}

TEST(GdiDraw, FillsAndShapesStayInsideTheirRectangles) {
  Canvas c(20, 20);
  CBrush red(kRed), blue(kBlue);
  CRect r(2, 3, 7, 9);
  c.dc()->FillRect(&r, &red);  // the right and bottom edges are outside
  EXPECT_EQ(c.InkBounds(), QRect(2, 3, 5, 6));
  EXPECT_EQ(c.Count(kRed), 30);
  Canvas d(20, 20);
  d.dc()->SelectObject(&blue);
  d.dc()->Rectangle(2, 2, 10, 8);
  EXPECT_EQ(d.InkBounds(), QRect(2, 2, 8, 6));
  EXPECT_EQ(d.Count(kBlue), 6 * 4);
  EXPECT_EQ(d.At(9, 7), kBlack);
  // The diagrams' 5 x 5 marker disc: symmetric and inside its bounding box.
  Canvas e(20, 20);
  e.dc()->SelectStockObject(BLACK_BRUSH);
  e.dc()->Ellipse(8, 8, 13, 13);
  EXPECT_EQ(e.InkBounds(), QRect(8, 8, 5, 5));
  for (int y = 8; y < 13; ++y)
    for (int x = 8; x < 13; ++x) {
      EXPECT_EQ(e.At(x, y), e.At(20 - x, y)) << x << "," << y;
      EXPECT_EQ(e.At(x, y), e.At(y, x)) << x << "," << y;
    }
  // A polygon's outline visits every vertex.
  Canvas p(30, 30);
  p.dc()->SelectObject(&red);
  POINT square[4] = {{5, 5}, {20, 5}, {20, 20}, {5, 20}};
  p.dc()->Polygon(square, 4);
  EXPECT_EQ(p.InkBounds(), QRect(5, 5, 16, 16));
  EXPECT_EQ(p.At(12, 12), kRed);
  EXPECT_EQ(p.At(20, 12), kBlack);
}

TEST(GdiDraw, HatchGapsFollowTheBackgroundMode) {
  for (int mode : {TRANSPARENT, OPAQUE}) {
    Canvas c(16, 16);
    CBrush hatch(HS_HORIZONTAL, kRed);
    c.dc()->SetBkMode(mode);
    c.dc()->SetBkColor(RGB(0, 255, 0));
    CRect r(0, 0, 16, 16);
    c.dc()->FillRect(&r, &hatch);
    EXPECT_EQ(c.At(3, 4), kRed);  // row 4 of each 8 x 8 tile
    EXPECT_EQ(c.At(3, 12), kRed);
    EXPECT_EQ(c.At(3, 5), mode == OPAQUE ? RGB(0, 255, 0) : kWhite);
  }
}

TEST(GdiDraw, PatternBrushIsAlignedToTheDeviceOrigin) {
  // An 8 x 8 pattern with one black pixel at (1, 2), to see its phase.
  WORD bits[8] = {0x00FF, 0x00FF, 0x00BF, 0x00FF, 0x00FF, 0x00FF, 0x00FF, 0x00FF};
  CBitmap pattern;
  pattern.CreateBitmap(8, 8, 1, 1, bits);
  CBrush brush;
  ASSERT_TRUE(brush.CreatePatternBrush(&pattern));
  const struct {
    int vx, vy, left, top;
  } rows[] = {{0, 0, 0, 0}, {0, 0, 3, 5}, {5, 7, 0, 0}, {-3, 1, 7, 2}};
  for (const auto& row : rows) {
    Canvas c(40, 40, RGB(0, 255, 0));
    c.dc()->SetBkColor(kWhite);  // a monochrome pattern paints its 1 bits in the background colour
    c.dc()->SetViewportOrg(row.vx, row.vy);
    CRect r(row.left, row.top, row.left + 20, row.top + 20);
    c.dc()->FillRect(&r, &brush);
    QRect device(row.left + row.vx, row.top + row.vy, 20, 20);
    for (int y = device.top(); y <= device.bottom(); ++y)
      for (int x = device.left(); x <= device.right(); ++x) {
        COLORREF expected = ((x & 7) == 1 && (y & 7) == 2) ? kBlack : kWhite;
        ASSERT_EQ(c.At(x, y), expected) << x << "," << y << " viewport " << row.vx << "," << row.vy;
      }
  }
}

TEST(GdiDraw, ClipRegionsStayInDeviceCoordinatesAndCombine) {
  Canvas c(40, 40);
  CRgn rgn;
  rgn.CreateRectRgn(10, 10, 20, 20);
  c.dc()->SelectClipRgn(&rgn);
  c.dc()->SetViewportOrg(5, 5);
  c.dc()->FillSolidRect(-5, -5, 40, 40, kBlack);
  EXPECT_EQ(c.InkBounds(), QRect(10, 10, 10, 10));
  CRect box, inside(14, 14, 16, 16), outside(15, 0, 30, 5);
  EXPECT_EQ(c.dc()->GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, CRect(5, 5, 15, 15));
  EXPECT_TRUE(c.dc()->RectVisible(&inside));
  EXPECT_FALSE(c.dc()->RectVisible(&outside));
  EXPECT_EQ(c.dc()->GetPixel(0, 0), CLR_INVALID);  // device (5, 5) is clipped
  EXPECT_EQ(c.dc()->GetPixel(5, 5), kBlack);

  Canvas d(30, 30);
  CRgn a, b, both;
  a.CreateRectRgn(0, 0, 20, 20);
  b.CreateRectRgn(10, 10, 30, 30);
  d.dc()->SelectClipRgn(&a);
  EXPECT_EQ(d.dc()->SelectClipRgn(&b, RGN_AND), SIMPLEREGION);
  d.dc()->ExcludeClipRect(12, 12, 14, 14);
  d.dc()->FillSolidRect(0, 0, 30, 30, kBlack);
  EXPECT_EQ(d.InkBounds(), QRect(10, 10, 10, 10));
  EXPECT_EQ(d.At(12, 12), kWhite);
  EXPECT_EQ(d.At(14, 14), kBlack);
  both.CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(both.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(both.PtInRegion(25, 25));
  EXPECT_FALSE(both.PtInRegion(25, 5));
}

// Lines take the pen's colour, fills (a rectangle inside its outline) the brush's.
TEST(GdiDraw, BinaryRasterOperationsCombinePenOrBrushAndDestination) {
  const COLORREF pen = RGB(0xF0, 0x55, 0x0F), brush = RGB(0x12, 0x80, 0xF0);
  const COLORREF dst = RGB(0x3C, 0xA5, 0xFF);
  const struct {
    int mode;
    std::function<COLORREF(COLORREF)> f;
  } rows[] = {{R2_COPYPEN, [](COLORREF s) { return s; }},
              {R2_XORPEN, [&](COLORREF s) { return (s ^ dst) & 0xFFFFFF; }},
              {R2_NOT, [&](COLORREF) { return ~dst & 0xFFFFFF; }},
              {R2_NOTXORPEN, [&](COLORREF s) { return ~(s ^ dst) & 0xFFFFFF; }},
              {R2_MERGEPEN, [&](COLORREF s) { return s | dst; }},
              {R2_MASKPEN, [&](COLORREF s) { return s & dst; }},
              {R2_BLACK, [](COLORREF) { return COLORREF(0); }},
              {R2_WHITE, [](COLORREF) { return COLORREF(0xFFFFFF); }},
              {R2_NOP, [&](COLORREF) { return dst; }}};
  for (const auto& row : rows) {
    Canvas c(10, 10, dst);
    CPen p(PS_SOLID, 1, pen);
    CBrush b(brush);
    c.dc()->SelectObject(&p);
    c.dc()->SelectObject(&b);
    c.dc()->SetROP2(row.mode);
    c.dc()->MoveTo(0, 1);
    c.dc()->LineTo(10, 1);
    c.dc()->Rectangle(2, 4, 8, 9);
    EXPECT_EQ(c.At(4, 1), row.f(pen)) << row.mode;
    EXPECT_EQ(c.At(4, 6), row.f(brush)) << row.mode;
    EXPECT_EQ(c.At(4, 0), dst);
  }
}

// Inverting twice, and a drag outline moved from one place to the next, leave only the new one.
TEST(GdiDraw, FrameInvertAndFocusRectangles) {
  Canvas c(20, 20);
  CBrush black(kBlack);
  CRect r(2, 3, 12, 10);
  c.dc()->FrameRect(&r, &black);
  EXPECT_EQ(c.InkBounds(), QRect(2, 3, 10, 7));
  EXPECT_EQ(c.At(5, 5), kWhite);
  c.dc()->InvertRect(&r);
  EXPECT_EQ(c.At(5, 5), kBlack);
  EXPECT_EQ(c.At(2, 3), kWhite);
  QImage before = c.Image();
  CRect focus(1, 1, 15, 15), a(0, 0, 10, 10), b(5, 5, 15, 15);
  c.dc()->DrawFocusRect(&focus);
  EXPECT_NE(c.Image(), before);
  c.dc()->DrawFocusRect(&focus);
  EXPECT_EQ(c.Image(), before);
  c.dc()->DrawDragRect(&a, CSize(1, 1), nullptr, CSize(1, 1));
  c.dc()->DrawDragRect(&b, CSize(1, 1), &a, CSize(1, 1));
  c.dc()->DrawDragRect(&b, CSize(1, 1), nullptr, CSize(1, 1));
  EXPECT_EQ(c.Image(), before);
}

TEST(GdiDraw, BlockTransfersCombineByTheDocumentedFormulas) {
  const QImage src = RandomImage(16, 12, 1), dst = RandomImage(16, 12, 2);
  const COLORREF pattern = RGB(0x5A, 0xC3, 0x0F);
  const struct {
    DWORD rop;
    std::function<COLORREF(COLORREF, COLORREF)> f;
  } rows[] = {
      {SRCCOPY, [](COLORREF s, COLORREF) { return s; }},
      {SRCAND, [](COLORREF s, COLORREF d) { return s & d; }},
      {SRCINVERT, [](COLORREF s, COLORREF d) { return s ^ d; }},
      {SRCPAINT, [](COLORREF s, COLORREF d) { return s | d; }},
      {NOTSRCCOPY, [](COLORREF s, COLORREF) { return ~s & 0xFFFFFF; }},
      {SRCERASE, [](COLORREF s, COLORREF d) { return s & ~d & 0xFFFFFF; }},
      {MERGECOPY, [&](COLORREF s, COLORREF) { return s & pattern; }},
      {PATINVERT, [&](COLORREF, COLORREF d) { return pattern ^ d; }},
      {DSTINVERT, [](COLORREF, COLORREF d) { return ~d & 0xFFFFFF; }},
      {PATCOPY, [&](COLORREF, COLORREF) { return pattern; }},
      {BLACKNESS, [](COLORREF, COLORREF) { return COLORREF(0); }},
      {WHITENESS, [](COLORREF, COLORREF) { return COLORREF(0xFFFFFF); }},
  };
  for (const auto& row : rows) {
    Canvas from(16, 12), under(16, 12), to(20, 16);
    *from.dc()->GetImage() = src;
    *under.dc()->GetImage() = dst;
    to.dc()->BitBlt(2, 3, 16, 12, under.dc(), 0, 0, SRCCOPY);  // the destination pixels at (2, 3)
    CBrush brush(pattern);
    to.dc()->SelectObject(&brush);
    ASSERT_TRUE(to.dc()->BitBlt(2, 3, 16, 12, from.dc(), 0, 0, row.rop)) << row.rop;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(to.At(x + 2, y + 3),
                  row.f(QxFromQRgb(src.pixel(x, y)), QxFromQRgb(dst.pixel(x, y))))
            << std::hex << row.rop << " at " << std::dec << x << "," << y;
    EXPECT_EQ(to.At(0, 0), kWhite) << row.rop;
  }
}

TEST(GdiDraw, MonochromeSourceTakesTheTextAndBackgroundColoursAndStretchBltMirrors) {
  WORD bits[2] = {0x0080, 0x0000};  // row 0: first pixel white, row 1: black
  CBitmap mono;
  ASSERT_TRUE(mono.CreateBitmap(2, 2, 1, 1, bits));
  CDC src;
  src.CreateCompatibleDC(nullptr);
  CBitmap* old = src.SelectObject(&mono);
  Canvas c(4, 4);
  c.dc()->SetTextColor(kRed);
  c.dc()->SetBkColor(kBlue);
  c.dc()->BitBlt(0, 0, 2, 2, &src, 0, 0, SRCCOPY);
  src.SelectObject(old);
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_EQ(c.At(1, 0), kRed);
  EXPECT_EQ(c.At(0, 1), kRed);

  Canvas from(2, 1), to(8, 2);
  from.dc()->SetPixelV(0, 0, kRed);
  from.dc()->SetPixelV(1, 0, kBlue);
  to.dc()->StretchBlt(0, 0, 4, 2, from.dc(), 0, 0, 2, 1, SRCCOPY);
  to.dc()->StretchBlt(8, 0, -4, 1, from.dc(), 0, 0, 2, 1, SRCCOPY);  // a negative width mirrors
  const COLORREF row0[8] = {kRed, kRed, kBlue, kBlue, kBlue, kBlue, kRed, kRed};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(to.At(x, 0), row0[x]) << x;
  EXPECT_EQ(to.At(3, 1), kBlue);
  EXPECT_EQ(to.At(4, 1), kWhite);
}

// The plain copy keeps the clip region and the viewport origin, and a copy
// within one image reads the pixels as they were before it.
TEST(GdiDraw, BlockCopyKeepsTheClipAndAnOverlapReadsTheOldPixels) {
  Canvas from(6, 1), to(10, 4);
  for (int x = 0; x < 6; ++x) from.dc()->SetPixelV(x, 0, RGB(10 * x, 0, 0));
  CRgn clip;
  clip.CreateRectRgn(0, 0, 4, 4);
  to.dc()->SelectClipRgn(&clip);
  to.dc()->SetViewportOrg(1, 1);
  to.dc()->BitBlt(0, 0, 6, 1, from.dc(), 0, 0, SRCCOPY);
  to.dc()->SelectClipRgn(nullptr);
  to.dc()->SetViewportOrg(0, 0);
  for (int x = 1; x < 4; ++x) EXPECT_EQ(to.At(x, 1), RGB(10 * (x - 1), 0, 0)) << x;
  EXPECT_EQ(to.At(4, 1), kWhite);  // outside the clip

  Canvas strip(6, 1);
  for (int x = 0; x < 6; ++x) strip.dc()->SetPixelV(x, 0, RGB(0, 10 * x, 0));
  strip.dc()->BitBlt(1, 0, 5, 1, strip.dc(), 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(strip.At(x, 0), RGB(0, 10 * (x - 1), 0)) << x;
}

// Fixed metrics, height 10: ascent 8, descent 2, characters 5 wide; "abcd" is 20 x 10.
TEST(GdiDraw, TextAlignmentPlacesTheTextBox) {
  FixedMetrics fixed;
  const struct {
    UINT align;
    int escapement;
    QRect box;
  } rows[] = {{TA_LEFT | TA_TOP, 0, QRect(30, 20, 20, 10)},
              {TA_LEFT | TA_BASELINE, 0, QRect(30, 12, 20, 10)},
              {TA_CENTER | TA_BASELINE, 0, QRect(20, 12, 20, 10)},
              {TA_RIGHT | TA_BOTTOM, 0, QRect(10, 10, 20, 10)},
              // Turned upside down about the reference point.
              {TA_RIGHT | TA_TOP, 1800, QRect(30, 11, 20, 10)}};
  for (const auto& row : rows) {
    Canvas c(80, 50);
    CFont turned;
    turned.CreateFont(10, 0, row.escapement, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                      "Arial");
    c.dc()->SelectObject(&turned);
    c.dc()->SetTextAlign(row.align);
    c.dc()->SetBkMode(TRANSPARENT);
    c.dc()->TextOut(30, 20, "abcd", 4);
    QRect ink = c.InkBounds();
    EXPECT_NEAR(ink.left(), row.box.left(), row.escapement ? 1 : 0) << row.align;
    EXPECT_NEAR(ink.top(), row.box.top(), row.escapement ? 1 : 0) << row.align;
    EXPECT_EQ(ink.size(), row.box.size()) << row.align;
  }
}

TEST(GdiDraw, DrawTextAlignsLinesAndTextOutCanAdvanceTheCurrentPosition) {
  FixedMetrics fixed;
  Canvas c(100, 60);
  CFont font;
  font.CreateFont(10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  c.dc()->SelectObject(&font);
  c.dc()->SetBkMode(TRANSPARENT);
  CRect calc(0, 0, 100, 0);
  EXPECT_EQ(c.dc()->DrawText(CString("ab\nabcd"), &calc, DT_CALCRECT), 20);
  EXPECT_EQ(calc, CRect(0, 0, 20, 20));
  CRect r(10, 10, 90, 50);
  c.dc()->DrawText(CString("&Ok"), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  EXPECT_EQ(c.InkBounds(), QRect(45, 25, 10, 10));  // "Ok" is 10 x 10, centred in 80 x 40
  Canvas d(60, 20);
  d.dc()->SelectObject(&font);
  d.dc()->SetTextAlign(TA_UPDATECP);
  d.dc()->MoveTo(4, 2);
  d.dc()->TextOut(0, 0, "ab", 2);
  d.dc()->TextOut(0, 0, "c", 1);
  EXPECT_EQ(d.dc()->GetCurrentPosition(), CPoint(19, 2));
  EXPECT_EQ(d.InkBounds(), QRect(4, 2, 15, 10));
}

TEST(GdiDraw, RealTextLandsInsideItsExtent) {
  Canvas c(120, 40);
  CFont font;
  font.CreateFont(20, 0, 0, 0, FW_NORMAL, 1, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Times New Roman");
  c.dc()->SelectObject(&font);
  c.dc()->SetBkMode(TRANSPARENT);
  c.dc()->SetTextAlign(TA_LEFT | TA_BASELINE);
  CSize extent = c.dc()->GetTextExtent(CString("xyz"));
  TEXTMETRIC tm;
  c.dc()->GetTextMetrics(&tm);
  c.dc()->TextOut(10, 25, CString("xyz"));
  QRect ink = c.InkBounds();
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.top(), 25 - tm.tmAscent);
  EXPECT_LE(ink.bottom(), 25 + tm.tmDescent);
  EXPECT_GE(ink.left(), 9);  // italic overhang stays within a pixel or two
  EXPECT_LE(ink.right(), 10 + extent.cx + 2);
}

TEST(GdiDraw, DeletedObjectsStaySelectedSafelyAndForgetTheirHandles) {
  Canvas c(10, 10);
  CPen* before = nullptr;
  {
    CPen red(PS_SOLID, 0, kRed);
    before = c.dc()->SelectObject(&red);
  }  // deleted while selected
  c.dc()->LineTo(5, 0);
  EXPECT_EQ(c.At(2, 0), kRed);
  CPen* orphan = c.dc()->SelectObject(before);
  ASSERT_NE(orphan, nullptr);
  LOGPEN lp;
  orphan->GetLogPen(&lp);
  EXPECT_EQ(lp.lopnColor, kRed);
  EXPECT_EQ(c.dc()->SelectObject(orphan), before);  // a temporary wrapper can be selected back
  c.dc()->SelectObject(before);

  CFont font;
  font.CreateFont(15, 5, 900, 0, FW_BOLD, 1, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 0, "Symbol");
  HGDIOBJ h = font.GetSafeHandle();
  EXPECT_EQ(CGdiObject::FromHandle(h), &font);
  EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(font.GetSafeHandle(), nullptr);
  EXPECT_EQ(CGdiObject::FromHandle(h), nullptr);
  EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // stock objects stay
  EXPECT_NE(QxStockObject(BLACK_BRUSH)->GetSafeHandle(), nullptr);
}

TEST(GdiDraw, SaveAndRestoreBringBackAttributesAndClip) {
  Canvas c(20, 20);
  int level = c.dc()->SaveDC();
  c.dc()->SetTextColor(RGB(1, 2, 3));
  c.dc()->SetViewportOrg(4, 4);
  c.dc()->IntersectClipRect(0, 0, 2, 2);
  c.dc()->SaveDC();
  c.dc()->SetBkMode(TRANSPARENT);
  EXPECT_TRUE(c.dc()->RestoreDC(level));
  EXPECT_EQ(c.dc()->GetTextColor(), kBlack);
  EXPECT_EQ(c.dc()->GetViewportOrg(), CPoint(0, 0));
  EXPECT_EQ(c.dc()->GetBkMode(), OPAQUE);
  CRect box;
  c.dc()->GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 20, 20));
  EXPECT_FALSE(c.dc()->RestoreDC(level));
}

TEST(GdiDraw, ContextsAreMadeCompatibleWithTheScreenAndForgetTheirHandles) {
  CDC* screen = QxGetScreenDC();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetImage()->size(),
            QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  // The screen starts white, though its pixels are only made when first used.
  EXPECT_EQ(screen->GetPixel(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1),
            kWhite);
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(screen));
  EXPECT_EQ(dc.GetImage()->size(), QSize(1, 1));  // no bitmap selected yet
  EXPECT_EQ(QxReleaseScreenDC(screen), 1);
  HDC h = dc.GetSafeHdc();
  EXPECT_EQ(CDC::FromHandle(h), &dc);
  dc.DeleteDC();
  EXPECT_EQ(CDC::FromHandle(h), nullptr);
}

TEST(GdiDraw, BadRequestsFailCleanly) {
  CBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 100000, 100000));
  EXPECT_FALSE(bitmap.CreateBitmap(8, 8, 2, 1, nullptr));
  EXPECT_FALSE(bitmap.LoadBitmap(0xFFFF));
  CPen pen;
  EXPECT_FALSE(pen.CreatePen(42, 1, kBlack));
  Canvas c(4, 4);
  EXPECT_FALSE(c.dc()->BitBlt(0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(c.dc()->GetPixel(10, 10), CLR_INVALID);
  EXPECT_EQ(c.dc()->SetPixel(-1, 0, kBlack), CLR_INVALID);
  EXPECT_TRUE(c.dc()->TextOut(0, 0, "x", -3));
  EXPECT_FALSE(c.dc()->Polyline(nullptr, 3));
  // A source rectangle partly outside the source leaves those pixels alone.
  Canvas from(2, 2, kBlack);
  c.dc()->BitBlt(0, 0, 4, 4, from.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(3, 3), kWhite);
  // So does one that starts above and left of it.
  Canvas d(4, 4);
  d.dc()->BitBlt(0, 0, 3, 3, from.dc(), -1, -1, SRCCOPY);
  EXPECT_EQ(d.At(0, 0), kWhite);
  EXPECT_EQ(d.At(1, 0), kWhite);
  EXPECT_EQ(d.At(1, 1), kBlack);
  EXPECT_EQ(d.At(2, 2), kBlack);
  EXPECT_EQ(d.At(3, 3), kWhite);
  // Registered bitmaps load by id.
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(qRgb(10, 20, 30));
  QxRegisterBitmap(4242, image);
  ASSERT_TRUE(bitmap.LoadBitmap(4242));
  EXPECT_EQ(QxFromQRgb(bitmap.ToImage().pixel(2, 1)), RGB(10, 20, 30));
}

TEST(GdiDraw, SelectGuardSelectsThePreviousObjectAgainOnScopeExit) {
  Canvas c(4, 4);
  CDC* dc = c.dc();
  CPen pen(PS_SOLID, 1, kRed), before(PS_SOLID, 1, kBlue);
  CBrush brush(kRed), brushBefore(kBlue);
  CFont font, fontBefore;
  font.CreatePointFont(120, "Arial");
  fontBefore.CreatePointFont(90, "Arial");
  dc->SelectObject(&before);
  dc->SelectObject(&brushBefore);
  dc->SelectObject(&fontBefore);
  {
    QxSelectGuard selectPen(dc, &pen);
    QxSelectGuard selectBrush(*dc, &brush);
    QxSelectGuard selectFont(dc, &font);
    EXPECT_EQ(dc->GetCurrentPen(), &pen);
    EXPECT_EQ(dc->GetCurrentBrush(), &brush);
    EXPECT_EQ(dc->GetCurrentFont(), &font);
    dc->SelectObject(&before);  // a pen chosen by hand inside the scope
    QxSelectGuard nested(dc, &pen);
  }
  EXPECT_EQ(dc->GetCurrentPen(), &before);
  EXPECT_EQ(dc->GetCurrentBrush(), &brushBefore);
  EXPECT_EQ(dc->GetCurrentFont(), &fontBefore);
  {
    QxSelectGuard nothing(dc, nullptr);
    EXPECT_EQ(dc->GetCurrentPen(), &before);
    dc->SelectObject(&pen);
  }
  EXPECT_EQ(dc->GetCurrentPen(), &pen) << "a null object restores nothing";
  {
    auto hollow = QxSelectGuard::Stock(dc, NULL_BRUSH);
    EXPECT_EQ(dc->GetCurrentBrush(), QxStockObject(NULL_BRUSH));
  }
  EXPECT_EQ(dc->GetCurrentBrush(), &brushBefore);
}

}  // namespace
