// Recordings: replay gives the same pixels as drawing directly, survives the
// objects it used, follows the target's origin, and renders to PNG and SVG.
#include "tests/support/Canvas.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

using qxtest::Canvas;

// A 7 x 7 glyph sheet: a black disc on white, as the diagrams combine with SRCAND.
void MakeSprite(Canvas& sprite) {
  CBrush black(RGB(0, 0, 0));
  CBrush* oldBrush = sprite.dc()->SelectObject(&black);
  sprite.dc()->Ellipse(0, 0, 7, 7);
  sprite.dc()->SelectObject(oldBrush);
  sprite.dc()->SetPixelV(3, 3, RGB(255, 0, 0));
}

// Everything a diagram or formula does: lines, fills, pattern brush, text with
// alignment, a block transfer with SRCAND, a clip region and viewport moves, XOR.
void DrawScene(CDC& dc, CDC& sprite) {
  CPen thin(PS_SOLID, 0, RGB(0, 0, 150)), wide(PS_SOLID, 3, RGB(200, 0, 0));
  WORD rows[8] = {0x00AA, 0x0055, 0x00AA, 0x0055, 0x00AA, 0x0055, 0x00AA, 0x0055};
  CBitmap patternBits;
  patternBits.CreateBitmap(8, 8, 1, 1, rows);
  CBrush pattern, solid(RGB(255, 255, 120));
  pattern.CreatePatternBrush(&patternBits);
  CFont font;
  font.CreateFont(15, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 0,
                  "Times New Roman");
  CFont symbol;
  symbol.CreateFont(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Symbol");

  CPen* oldPen = dc.SelectObject(&thin);
  CFont* oldFont = dc.SelectObject(&font);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextAlign(TA_CENTER | TA_TOP);
  dc.TextOut(60, 2, "Root Locus", 10);
  dc.SetTextAlign(TA_BASELINE);
  CRect band(5, 20, 115, 40);
  dc.FillRect(&band, &pattern);
  POINT frame[5] = {{4, 19}, {115, 19}, {115, 70}, {4, 70}, {4, 19}};
  dc.Polyline(frame, 5);
  for (int cell = 0; cell < 2; ++cell) {
    dc.SetViewportOrg(10 + 50 * cell, 42);
    CRgn clip;
    clip.CreateRectRgn(10 + 50 * cell, 42, 10 + 50 * cell + 45, 42 + 25);
    dc.SelectClipRgn(&clip);
    dc.FillSolidRect(0, 0, 60, 30, RGB(240, 240, 255));
    dc.MoveTo(-5, 12);
    dc.LineTo(60, 12);
    dc.SelectObject(&wide);
    dc.MoveTo(0, 24);
    dc.LineTo(40, 2);
    dc.SelectObject(&thin);
    dc.BitBlt(20, 9, 7, 7, &sprite, 0, 0, SRCAND);
    dc.SelectObject(&symbol);
    dc.TextOut(5, 22, "a\xB1\xA5", 3);
    dc.SelectObject(&font);
    dc.SelectClipRgn(nullptr);
    dc.SetViewportOrg(0, 0);
  }
  CBrush* oldBrush = dc.SelectObject(&solid);
  dc.SaveDC();
  dc.SetROP2(R2_XORPEN);
  dc.Rectangle(30, 50, 90, 68);
  dc.RestoreDC(-1);
  POINT tri[3] = {{100, 72}, {118, 88}, {92, 88}};
  dc.Polygon(tri, 3);
  dc.Ellipse(2, 72, 20, 88);
  dc.SetPixelV(60, 80, RGB(0, 150, 0));
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldFont);
  dc.SelectObject(oldPen);
}

HMETAFILE RecordScene(CDC& sprite) {
  CDC reference;
  reference.CreateCompatibleDC(nullptr);
  CMetaFileDC meta;
  EXPECT_TRUE(meta.Create());
  meta.SetAttribDC(reference.GetSafeHdc());
  DrawScene(meta, sprite);
  meta.ReleaseAttribDC();
  return meta.Close();
}

TEST(GdiMetaFile, ReplayGivesTheSamePixelsAsDrawingDirectlyAndFollowsTheTarget) {
  Canvas sprite(7, 7);
  MakeSprite(sprite);
  Canvas direct(120, 90);
  DrawScene(*direct.dc(), *sprite.dc());
  HMETAFILE meta = RecordScene(*sprite.dc());
  ASSERT_NE(meta, nullptr);
  // The recording kept the sprite's pixels as they were.
  sprite.dc()->FillSolidRect(0, 0, 7, 7, RGB(0, 0, 0));
  Canvas replayed(120, 90);
  ASSERT_TRUE(replayed.dc()->PlayMetaFile(meta));
  EXPECT_TRUE(replayed.Image() == direct.Image());
  // The target's state is its own again afterwards.
  EXPECT_EQ(replayed.dc()->GetTextAlign(), TA_LEFT | TA_TOP);
  EXPECT_EQ(replayed.dc()->GetViewportOrg(), CPoint(0, 0));

  // Shifted by whole pattern tiles (pattern brushes stay aligned to the device) and clipped.
  Canvas shifted(140, 100);
  shifted.dc()->SetViewportOrg(16, 8);
  shifted.dc()->IntersectClipRect(0, 0, 60, 95);  // device 16..76
  shifted.dc()->PlayMetaFile(meta);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) {
      QRgb expected = x + 16 < 76 ? direct.Image().pixel(x, y) : qRgb(255, 255, 255);
      ASSERT_EQ(shifted.Image().pixel(x + 16, y + 8), expected) << x << "," << y;
    }
  EXPECT_TRUE(DeleteMetaFile(meta));
  EXPECT_FALSE(DeleteMetaFile(meta));
  EXPECT_FALSE(replayed.dc()->PlayMetaFile(meta));
}

TEST(GdiMetaFile, RecordingContextAnswersQueriesLikeAScreenContext) {
  CDC reference;
  reference.CreateCompatibleDC(nullptr);
  CMetaFileDC meta;
  meta.Create();
  meta.SetAttribDC(reference.GetSafeHdc());
  CFont font;
  font.CreateFont(20, 0, 0, 0, FW_NORMAL, 1, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Times New Roman");
  meta.SelectObject(&font);
  reference.SelectObject(&font);
  EXPECT_EQ(meta.GetTextExtent(CString("x+y")), reference.GetTextExtent(CString("x+y")));
  EXPECT_EQ(meta.GetDeviceCaps(LOGPIXELSX), 96);
  CRect anywhere(-500, -500, -490, -490);
  EXPECT_TRUE(meta.RectVisible(&anywhere));
  EXPECT_EQ(meta.GetImage(), nullptr);
  meta.SelectStockObject(SYSTEM_FONT);
  reference.SelectStockObject(SYSTEM_FONT);
  DeleteMetaFile(meta.Close());
}

// The clipboard picture: a title above the origin and a frame around the client
// area. (The clipboard tests check the pictures' pixels.)
TEST(GdiMetaFile, BoundsCoverEveryPixelDrawnAndRenderingNeedsThem) {
  CMetaFileDC meta;
  meta.Create();
  meta.SetTextAlign(TA_CENTER | TA_TOP);
  meta.TextOut(50, -17, "Plot: Nyquist", 13);
  meta.SetPixelV(-1, -17, RGB(255, 255, 255));
  meta.SetPixelV(102, 62, RGB(255, 255, 255));
  POINT frame[5] = {{-1, -1}, {100, -1}, {100, 60}, {-1, 60}, {-1, -1}};
  meta.Polyline(frame, 5);
  HMETAFILE h = meta.Close();
  ASSERT_NE(h, nullptr);
  CRect bounds = QxMetaFileBounds(h);
  EXPECT_EQ(bounds, CRect(-1, -17, 103, 63));
  QImage image = QxRenderMetaFile(h, bounds, 104, 80);
  EXPECT_EQ(QxFromQRgb(image.pixel(0, 16)), RGB(0, 0, 0));  // the frame's corner (-1, -1)
  EXPECT_EQ(QxFromQRgb(image.pixel(5, 30)), RGB(255, 255, 255));
  EXPECT_TRUE(QxMetaFileToPng(h, CRect(0, 0, 0, 0), 10, 10).isEmpty());
  DeleteMetaFile(h);
  EXPECT_TRUE(QxMetaFileToSvg(h, bounds, 10, 10).isEmpty());
}

}  // namespace
