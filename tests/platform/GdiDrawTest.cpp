// Drawing: the GDI pixel conventions callers rely on, checked by geometry and
// colour on small images.
#include "tests/platform/GdiCanvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using qxtest::Canvas;
using qxtest::FixedMetrics;
using qxtest::kBlack;
using qxtest::kWhite;

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
    c.dc.MoveTo(row.x0, row.y0);
    c.dc.LineTo(row.x1, row.y1);
    EXPECT_EQ(c.At(row.x0, row.y0), kBlack);
    EXPECT_EQ(c.At(row.x1, row.y1), kWhite) << row.x1 << "," << row.y1;
    EXPECT_EQ(c.Count(kBlack), std::max(std::abs(row.x1 - row.x0), std::abs(row.y1 - row.y0)));
    EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(row.x1, row.y1));
  }
}

TEST(GdiDraw, DottedPenPaintsEveryOtherPixel) {
  Canvas c(20, 3);
  CPen dot(PS_DOT, 1, kBlack);
  CPen* old = c.dc.SelectObject(&dot);
  c.dc.SetBkMode(TRANSPARENT);
  c.dc.MoveTo(0, 1);
  c.dc.LineTo(20, 1);
  c.dc.SelectObject(old);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c.At(x, 1), x % 2 ? kWhite : kBlack) << x;
}

TEST(GdiDraw, FillsExcludeTheRightAndBottomEdges) {
  Canvas c(20, 20);
  CBrush red(RGB(255, 0, 0));
  CRect r(2, 3, 7, 9);
  c.dc.FillRect(&r, &red);
  EXPECT_EQ(c.Ink(), QRect(2, 3, 5, 6));
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 30);
  // A rectangle's outline and fill stay inside it too.
  Canvas d(20, 20);
  CBrush blue(RGB(0, 0, 255));
  d.dc.SelectObject(&blue);
  d.dc.Rectangle(2, 2, 10, 8);
  EXPECT_EQ(d.Ink(), QRect(2, 2, 8, 6));
  EXPECT_EQ(d.Count(RGB(0, 0, 255)), 6 * 4);
  EXPECT_EQ(d.At(9, 7), kBlack);
}

// An 8 x 8 pattern with one black pixel at (1, 2), to see its phase.
void MakeMarkerPattern(CBitmap& bitmap) {
  WORD rows[8] = {0xFF00, 0xFF00, 0xBF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00};
  for (WORD& w : rows) w = static_cast<WORD>((w >> 8) | (w << 8));  // bytes in memory order
  bitmap.CreateBitmap(8, 8, 1, 1, rows);
}

TEST(GdiDraw, PatternBrushIsAlignedToTheDeviceOrigin) {
  CBitmap pattern;
  MakeMarkerPattern(pattern);
  CBrush brush;
  ASSERT_TRUE(brush.CreatePatternBrush(&pattern));
  const struct {
    int vx, vy, left, top;
  } rows[] = {{0, 0, 0, 0}, {0, 0, 3, 5}, {5, 7, 0, 0}, {-3, 1, 7, 2}};
  for (const auto& row : rows) {
    Canvas c(40, 40, RGB(0, 255, 0));
    c.dc.SetBkColor(kWhite);  // a monochrome pattern paints its 1 bits in the background colour
    c.dc.SetViewportOrg(row.vx, row.vy);
    CRect r(row.left, row.top, row.left + 20, row.top + 20);
    c.dc.FillRect(&r, &brush);
    QRect device(row.left + row.vx, row.top + row.vy, 20, 20);
    for (int y = device.top(); y <= device.bottom(); ++y)
      for (int x = device.left(); x <= device.right(); ++x) {
        COLORREF expected = ((x & 7) == 1 && (y & 7) == 2) ? kBlack : kWhite;
        ASSERT_EQ(c.At(x, y), expected) << x << "," << y << " viewport " << row.vx << "," << row.vy;
      }
  }
}

TEST(GdiDraw, ClipRegionStaysInDeviceCoordinates) {
  Canvas c(40, 40);
  CRgn rgn;
  rgn.CreateRectRgn(10, 10, 20, 20);
  c.dc.SelectClipRgn(&rgn);
  c.dc.SetViewportOrg(5, 5);
  c.dc.FillSolidRect(-5, -5, 40, 40, kBlack);
  EXPECT_EQ(c.Ink(), QRect(10, 10, 10, 10));
  CRect box;
  EXPECT_EQ(c.dc.GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, CRect(5, 5, 15, 15));
  CRect inside(14, 14, 16, 16), outside(15, 0, 30, 5);
  EXPECT_TRUE(c.dc.RectVisible(&inside));
  EXPECT_FALSE(c.dc.RectVisible(&outside));
  EXPECT_EQ(c.dc.GetPixel(0, 0), CLR_INVALID);  // device (5, 5) is clipped
  EXPECT_EQ(c.dc.GetPixel(5, 5), kBlack);
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
    c.dc.SelectObject(&p);
    c.dc.SelectObject(&b);
    c.dc.SetROP2(row.mode);
    c.dc.MoveTo(0, 1);
    c.dc.LineTo(10, 1);
    c.dc.Rectangle(2, 4, 8, 9);
    EXPECT_EQ(c.At(4, 1), row.f(pen)) << row.mode;
    EXPECT_EQ(c.At(4, 6), row.f(brush)) << row.mode;
    EXPECT_EQ(c.At(4, 0), dst);
  }
}

TEST(GdiDraw, BlockTransfersCombineByTheDocumentedFormulas) {
  const QImage src = RandomImage(16, 12, 1), dst = RandomImage(16, 12, 2);
  const COLORREF pattern = RGB(0x5A, 0xC3, 0x0F);
  auto s = [&](int x, int y) { return QxFromQRgb(src.pixel(x, y)); };
  auto d = [&](int x, int y) { return QxFromQRgb(dst.pixel(x, y)); };
  const struct {
    const char* name;
    DWORD rop;
    std::function<COLORREF(COLORREF, COLORREF)> f;
  } rows[] = {
      {"SRCCOPY", SRCCOPY, [](COLORREF sv, COLORREF) { return sv; }},
      {"SRCAND", SRCAND, [](COLORREF sv, COLORREF dv) { return sv & dv; }},
      {"SRCINVERT", SRCINVERT, [](COLORREF sv, COLORREF dv) { return sv ^ dv; }},
      {"SRCPAINT", SRCPAINT, [](COLORREF sv, COLORREF dv) { return sv | dv; }},
      {"NOTSRCCOPY", NOTSRCCOPY, [](COLORREF sv, COLORREF) { return ~sv & 0xFFFFFF; }},
      {"SRCERASE", SRCERASE, [](COLORREF sv, COLORREF dv) { return sv & ~dv & 0xFFFFFF; }},
      {"MERGECOPY", MERGECOPY, [&](COLORREF sv, COLORREF) { return sv & pattern; }},
      {"PATINVERT", PATINVERT, [&](COLORREF, COLORREF dv) { return pattern ^ dv; }},
      {"DSTINVERT", DSTINVERT, [](COLORREF, COLORREF dv) { return ~dv & 0xFFFFFF; }},
      {"PATCOPY", PATCOPY, [&](COLORREF, COLORREF) { return pattern; }},
      {"BLACKNESS", BLACKNESS, [](COLORREF, COLORREF) { return COLORREF(0); }},
      {"WHITENESS", WHITENESS, [](COLORREF, COLORREF) { return COLORREF(0xFFFFFF); }},
  };
  for (const auto& row : rows) {
    Canvas from(16, 12), to(20, 16);
    *from.dc.GetImage() = src;
    CBrush brush(pattern);
    to.dc.SelectObject(&brush);
    to.dc.FillSolidRect(0, 0, 20, 16, kWhite);
    to.dc.BitBlt(2, 3, 16, 12, &from.dc, 0, 0, SRCCOPY);  // the destination pixels
    // Replace them with dst, then combine.
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) to.dc.SetPixelV(x + 2, y + 3, d(x, y));
    ASSERT_TRUE(to.dc.BitBlt(2, 3, 16, 12, &from.dc, 0, 0, row.rop)) << row.name;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(to.At(x + 2, y + 3), row.f(s(x, y), d(x, y)))
            << row.name << " at " << x << "," << y;
    EXPECT_EQ(to.At(0, 0), kWhite) << row.name;
    to.dc.SelectStockObject(WHITE_BRUSH);
  }
}

TEST(GdiDraw, MonochromeSourceTakesTheTextAndBackgroundColours) {
  WORD rows[2] = {0x0080, 0x0000};  // row 0: first pixel white, row 1: black
  CBitmap mono;
  ASSERT_TRUE(mono.CreateBitmap(2, 2, 1, 1, rows));
  CDC src;
  src.CreateCompatibleDC(nullptr);
  CBitmap* old = src.SelectObject(&mono);
  Canvas c(4, 4);
  c.dc.SetTextColor(RGB(255, 0, 0));
  c.dc.SetBkColor(RGB(0, 0, 255));
  c.dc.BitBlt(0, 0, 2, 2, &src, 0, 0, SRCCOPY);
  src.SelectObject(old);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(1, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(0, 1), RGB(255, 0, 0));
}

TEST(GdiDraw, StretchBltScalesAndMirrors) {
  Canvas from(2, 1), to(8, 2);
  from.dc.SetPixelV(0, 0, RGB(255, 0, 0));
  from.dc.SetPixelV(1, 0, RGB(0, 0, 255));
  to.dc.StretchBlt(0, 0, 4, 2, &from.dc, 0, 0, 2, 1, SRCCOPY);
  to.dc.StretchBlt(8, 0, -4, 1, &from.dc, 0, 0, 2, 1, SRCCOPY);
  const COLORREF r = RGB(255, 0, 0), b = RGB(0, 0, 255);
  const COLORREF row0[8] = {r, r, b, b, b, b, r, r};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(to.At(x, 0), row0[x]) << x;
  EXPECT_EQ(to.At(3, 1), b);
  EXPECT_EQ(to.At(4, 1), kWhite);
}

TEST(GdiDraw, TextAlignmentPlacesTheTextBox) {
  FixedMetrics fixed;
  CFont font;
  font.CreateFont(10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  // Height 10: ascent 8, descent 2, characters 5 wide; "abcd" is 20 x 10.
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
    CFont* old = c.dc.SelectObject(&turned);
    EXPECT_EQ(c.dc.SetTextAlign(row.align), TA_LEFT | TA_TOP);
    c.dc.SetBkMode(TRANSPARENT);
    c.dc.TextOut(30, 20, "abcd", 4);
    EXPECT_EQ(c.dc.GetTextAlign(), row.align);
    c.dc.SelectObject(old);
    QRect ink = c.Ink();
    EXPECT_NEAR(ink.left(), row.box.left(), row.escapement ? 1 : 0) << row.align;
    EXPECT_NEAR(ink.top(), row.box.top(), row.escapement ? 1 : 0) << row.align;
    EXPECT_EQ(ink.size(), row.box.size()) << row.align;
  }
}

TEST(GdiDraw, RealTextLandsInsideItsExtent) {
  Canvas c(120, 40);
  CFont font;
  font.CreateFont(20, 0, 0, 0, FW_NORMAL, 1, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Times New Roman");
  CFont* old = c.dc.SelectObject(&font);
  c.dc.SetBkMode(TRANSPARENT);
  c.dc.SetTextAlign(TA_LEFT | TA_BASELINE);
  CSize extent = c.dc.GetTextExtent(CString("xyz"));
  TEXTMETRIC tm;
  c.dc.GetTextMetrics(&tm);
  c.dc.TextOut(10, 25, CString("xyz"));
  c.dc.SelectObject(old);
  QRect ink = c.Ink();
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.top(), 25 - tm.tmAscent);
  EXPECT_LE(ink.bottom(), 25 + tm.tmDescent);
  EXPECT_GE(ink.left(), 9);  // italic overhang stays within a pixel or two
  EXPECT_LE(ink.right(), 10 + extent.cx + 2);
}

TEST(GdiDraw, DeletedObjectsStaySelectedSafely) {
  Canvas c(10, 10);
  CPen* before = nullptr;
  {
    CPen red(PS_SOLID, 0, RGB(255, 0, 0));
    before = c.dc.SelectObject(&red);
    EXPECT_EQ(before, static_cast<CPen*>(QxStockObject(BLACK_PEN)));
  }  // deleted while selected
  c.dc.MoveTo(0, 0);
  c.dc.LineTo(5, 0);
  EXPECT_EQ(c.At(2, 0), RGB(255, 0, 0));
  CPen* orphan = c.dc.SelectObject(before);
  ASSERT_NE(orphan, nullptr);
  LOGPEN lp;
  orphan->GetLogPen(&lp);
  EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
  EXPECT_EQ(c.dc.SelectObject(orphan), before);  // a temporary wrapper can be selected back
  c.dc.SelectObject(before);
}

TEST(GdiDraw, SaveAndRestoreBringBackAttributesAndClip) {
  Canvas c(20, 20);
  int level = c.dc.SaveDC();
  c.dc.SetTextColor(RGB(1, 2, 3));
  c.dc.SetViewportOrg(4, 4);
  c.dc.IntersectClipRect(0, 0, 2, 2);
  c.dc.SaveDC();
  c.dc.SetBkMode(TRANSPARENT);
  EXPECT_TRUE(c.dc.RestoreDC(level));
  EXPECT_EQ(c.dc.GetTextColor(), kBlack);
  EXPECT_EQ(c.dc.GetViewportOrg(), CPoint(0, 0));
  EXPECT_EQ(c.dc.GetBkMode(), OPAQUE);
  CRect box;
  c.dc.GetClipBox(&box);
  EXPECT_EQ(box, CRect(0, 0, 20, 20));
  EXPECT_FALSE(c.dc.RestoreDC(level));
}

TEST(GdiDraw, ContextsAreMadeCompatibleWithTheScreenAndForgetTheirHandles) {
  CDC* screen = QxGetScreenDC();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetImage()->size(),
            QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
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
  CBitmap huge;
  EXPECT_FALSE(huge.CreateCompatibleBitmap(nullptr, 100000, 100000));
  EXPECT_FALSE(huge.CreateBitmap(8, 8, 2, 1, nullptr));
  EXPECT_FALSE(huge.LoadBitmap(0xFFFF));
  Canvas c(4, 4);
  EXPECT_FALSE(c.dc.BitBlt(0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(c.dc.GetPixel(10, 10), CLR_INVALID);
  EXPECT_EQ(c.dc.SetPixel(-1, 0, kBlack), CLR_INVALID);
  EXPECT_TRUE(c.dc.TextOut(0, 0, "x", -3));
  EXPECT_FALSE(c.dc.Polyline(nullptr, 3));
  QImage image(3, 2, QImage::Format_RGB32);  // registered bitmaps load by id
  image.fill(qRgb(10, 20, 30));
  QxRegisterBitmap(4242, image);
  ASSERT_TRUE(huge.LoadBitmap(4242));
  EXPECT_EQ(QxFromQRgb(huge.ToImage().pixel(2, 1)), RGB(10, 20, 30));
  // A source rectangle partly outside the source leaves those pixels alone.
  Canvas from(2, 2, kBlack);
  c.dc.BitBlt(0, 0, 4, 4, &from.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(3, 3), kWhite);
}

}  // namespace
