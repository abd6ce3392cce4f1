// Shapes, brushes, mapping modes, clip combinations and text boxes: the rest
// of what diagrams, dialogs and lists draw, checked by geometry and colour.
#include "tests/platform/GdiCanvas.h"

#include <gtest/gtest.h>

namespace {

using qxtest::Canvas;
using qxtest::FixedMetrics;
using qxtest::kBlack;
using qxtest::kWhite;

// The diagrams' 5 x 5 marker disc: symmetric and inside its bounding box.
TEST(GdiShape, EllipseFillsItsBoundingBoxSymmetrically) {
  Canvas c(20, 20);
  CBrush black(kBlack);
  c.dc.SelectObject(&black);
  c.dc.Ellipse(8, 8, 13, 13);
  EXPECT_EQ(c.Ink(), QRect(8, 8, 5, 5));
  for (int y = 8; y < 13; ++y)
    for (int x = 8; x < 13; ++x) {
      EXPECT_EQ(c.At(x, y), c.At(20 - x, y)) << x << "," << y;
      EXPECT_EQ(c.At(x, y), c.At(y, x)) << x << "," << y;
    }
  EXPECT_EQ(c.At(10, 10), kBlack);
}

TEST(GdiShape, PolygonFillsInsideItsOutline) {
  Canvas c(30, 30);
  CBrush red(RGB(255, 0, 0));
  c.dc.SelectObject(&red);
  POINT square[4] = {{5, 5}, {20, 5}, {20, 20}, {5, 20}};
  c.dc.Polygon(square, 4);
  EXPECT_EQ(c.Ink(), QRect(5, 5, 16, 16));  // the outline visits every vertex
  EXPECT_EQ(c.At(12, 12), RGB(255, 0, 0));
  EXPECT_EQ(c.At(5, 12), kBlack);
  EXPECT_EQ(c.At(20, 12), kBlack);
}

TEST(GdiShape, WidePenIsAsThickAsItsWidth) {
  Canvas c(40, 20);
  CPen wide(PS_SOLID, 3, RGB(0, 0, 255));
  c.dc.SelectObject(&wide);
  c.dc.MoveTo(5, 10);
  c.dc.LineTo(30, 10);
  int thickness = 0;
  for (int y = 0; y < 20; ++y) thickness += c.At(15, y) == RGB(0, 0, 255);
  EXPECT_EQ(thickness, 3);
  EXPECT_EQ(c.At(15, 10), RGB(0, 0, 255));
}

TEST(GdiShape, NullPenAndNullBrushDrawNothing) {
  Canvas c(20, 20);
  c.dc.SelectStockObject(NULL_PEN);
  c.dc.SelectStockObject(NULL_BRUSH);
  c.dc.Rectangle(2, 2, 15, 15);
  c.dc.Ellipse(2, 2, 15, 15);
  c.dc.MoveTo(0, 0);
  c.dc.LineTo(19, 19);
  EXPECT_TRUE(c.Ink().isEmpty());
}

TEST(GdiShape, HatchGapsFollowTheBackgroundMode) {
  for (int mode : {TRANSPARENT, OPAQUE}) {
    Canvas c(16, 16);
    CBrush hatch(HS_HORIZONTAL, RGB(255, 0, 0));
    c.dc.SetBkMode(mode);
    c.dc.SetBkColor(RGB(0, 255, 0));
    CRect r(0, 0, 16, 16);
    c.dc.FillRect(&r, &hatch);
    EXPECT_EQ(c.At(3, 4), RGB(255, 0, 0));  // row 4 of each 8 x 8 tile
    EXPECT_EQ(c.At(3, 12), RGB(255, 0, 0));
    EXPECT_EQ(c.At(3, 5), mode == OPAQUE ? RGB(0, 255, 0) : kWhite);
  }
}

TEST(GdiShape, FrameAndInvertAndFocusRectangles) {
  Canvas c(20, 20);
  CBrush black(kBlack);
  CRect r(2, 3, 12, 10);
  c.dc.FrameRect(&r, &black);
  EXPECT_EQ(c.Ink(), QRect(2, 3, 10, 7));
  EXPECT_EQ(c.At(5, 5), kWhite);
  c.dc.InvertRect(&r);
  EXPECT_EQ(c.At(5, 5), kBlack);
  EXPECT_EQ(c.At(2, 3), kWhite);
  QImage before = *c.dc.GetImage();
  CRect focus(1, 1, 15, 15);
  c.dc.DrawFocusRect(&focus);
  EXPECT_NE(*c.dc.GetImage(), before);
  c.dc.DrawFocusRect(&focus);
  EXPECT_EQ(*c.dc.GetImage(), before);
  // A drag outline moved from one place to the next leaves only the new one.
  CRect a(0, 0, 10, 10), b(5, 5, 15, 15);
  c.dc.DrawDragRect(&a, CSize(1, 1), nullptr, CSize(1, 1));
  c.dc.DrawDragRect(&b, CSize(1, 1), &a, CSize(1, 1));
  c.dc.DrawDragRect(&b, CSize(1, 1), nullptr, CSize(1, 1));
  EXPECT_EQ(*c.dc.GetImage(), before);
}

TEST(GdiShape, ClipRegionsCombine) {
  Canvas c(30, 30);
  CRgn a, b;
  a.CreateRectRgn(0, 0, 20, 20);
  b.CreateRectRgn(10, 10, 30, 30);
  c.dc.SelectClipRgn(&a);
  EXPECT_EQ(c.dc.SelectClipRgn(&b, RGN_AND), SIMPLEREGION);
  c.dc.ExcludeClipRect(12, 12, 14, 14);
  c.dc.FillSolidRect(0, 0, 30, 30, kBlack);
  EXPECT_EQ(c.Ink(), QRect(10, 10, 10, 10));
  EXPECT_EQ(c.At(12, 12), kWhite);
  EXPECT_EQ(c.At(14, 14), kBlack);
  CRgn both;
  both.CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(both.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(both.PtInRegion(25, 25));
  EXPECT_FALSE(both.PtInRegion(25, 5));
  CRect bounds;
  both.GetRgnBox(&bounds);
  EXPECT_EQ(bounds, CRect(0, 0, 30, 30));
}

TEST(GdiShape, DrawTextAlignsLinesInTheRectangle) {
  FixedMetrics fixed;
  Canvas c(100, 60);
  CFont font;
  font.CreateFont(10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  c.dc.SelectObject(&font);
  c.dc.SetBkMode(TRANSPARENT);
  CRect calc(0, 0, 100, 0);
  EXPECT_EQ(c.dc.DrawText(CString("ab\nabcd"), &calc, DT_CALCRECT), 20);
  EXPECT_EQ(calc, CRect(0, 0, 20, 20));
  CRect r(10, 10, 90, 50);
  c.dc.DrawText(CString("&Ok"), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  // "Ok" is 10 x 10, centred in 80 x 40.
  EXPECT_EQ(c.Ink(), QRect(45, 25, 10, 10));
}

TEST(GdiShape, UpdateCurrentPositionAdvancesAlongTheText) {
  FixedMetrics fixed;
  Canvas c(60, 20);
  CFont font;
  font.CreateFont(10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  c.dc.SelectObject(&font);
  c.dc.SetTextAlign(TA_UPDATECP);
  c.dc.MoveTo(4, 2);
  c.dc.TextOut(0, 0, "ab", 2);
  c.dc.TextOut(0, 0, "c", 1);
  EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(19, 2));
  EXPECT_EQ(c.Ink(), QRect(4, 2, 15, 10));
}

TEST(GdiShape, DeletedObjectsLeaveTheirHandlesAndStockObjectsStay) {
  CFont font;
  font.CreateFont(15, 5, 900, 0, FW_BOLD, 1, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 0, "Symbol");
  HGDIOBJ h = font.GetSafeHandle();
  EXPECT_EQ(CGdiObject::FromHandle(h), &font);
  EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(font.GetSafeHandle(), nullptr);
  EXPECT_EQ(CGdiObject::FromHandle(h), nullptr);
  EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(QxStockObject(BLACK_BRUSH)->GetSafeHandle(), nullptr);
  EXPECT_EQ(QxStockObject(99), nullptr);
  CPen bad;
  EXPECT_FALSE(bad.CreatePen(42, 1, kBlack));
}

}  // namespace
