// The size and origin of the pictures other programs get from the clipboard:
// the stated extents, the drawing's top-left point at the origin, and the
// drawn bounds when the extents cannot be used.
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/ui/Clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>

#include <cstring>

namespace {

constexpr int kW = 60, kH = 40;  // the client area the picture was drawn from
constexpr COLORREF kMark = RGB(0, 0, 200);

// Drawn as the signals pane draws its picture: a mark where the title goes
// (y = -17), a frame around the client area, and two white pixels at (-1, -17)
// and (W + 2, H + 2) that fix the drawn bounds to (-1, -17) .. (W + 3, H + 3).
HMETAFILE PaneRecording() {
  CMetaFileDC dc;
  dc.Create();
  dc.FillSolidRect(10, -17, 3, 3, kMark);
  const POINT frame[] = {{-1, -1}, {kW, -1}, {kW, kH}, {-1, kH}, {-1, -1}};
  dc.Polyline(frame, 5);
  dc.SetPixelV(-1, -17, RGB(255, 255, 255));
  dc.SetPixelV(kW + 2, kH + 2, RGB(255, 255, 255));
  return dc.Close();
}

struct Published {
  QImage png;
  QByteArray svg;
};

Published Publish(HMETAFILE recording, LONG mm, LONG xExt, LONG yExt) {
  const METAFILEPICT picture{mm, xExt, yExt, recording};
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(picture));
  std::memcpy(GlobalLock(block), &picture, sizeof(picture));
  GlobalUnlock(block);
  EXPECT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_NE(SetClipboardData(CF_METAFILEPICT, block), nullptr);
  EXPECT_TRUE(CloseClipboard());
  const QMimeData* desktop = QGuiApplication::clipboard()->mimeData();
  if (!desktop) return {};
  return {QImage::fromData(desktop->data(QStringLiteral("image/png")), "PNG"),
          desktop->data(QStringLiteral("image/svg+xml"))};
}

class ClipboardPicture : public ::testing::Test {
 protected:
  void SetUp() override { QxTest::ResetClipboard(); }
  void TearDown() override { QxTest::ResetClipboard(); }
};

}  // namespace

TEST_F(ClipboardPicture, StatedExtentsOrFallBackToTheDrawnBounds) {
  const QSize bounds(kW + 4, kH + 20);
  const struct {
    const char* name;
    LONG mm, xExt, yExt;
    QSize size;
    QPoint mark;  // a pixel inside the mark, in the picture
  } rows[] = {
      {"signals pane: W x (H + 25), widened to its frame", MM_TEXT, kW, kH + 25, {kW + 4, kH + 25}, {12, 1}},
      {"larger than the drawing", MM_TEXT, kW + 10, kH + 30, {kW + 10, kH + 30}, {12, 1}},
      {"smaller than the drawing", MM_TEXT, 25, 15, bounds, {12, 1}},
      {"zero width", MM_TEXT, 0, kH + 25, bounds, {12, 1}},
      {"negative height", MM_TEXT, kW, -5, bounds, {12, 1}},
      {"absurdly wide", MM_TEXT, 20000, kH, bounds, {12, 1}},
      {"too many pixels", MM_TEXT, 16000, 16000, bounds, {12, 1}},
      {"a fixed mode", MM_HIMETRIC, kW, kH, bounds, {12, 1}},
      {"one inch by half an inch, scaled", MM_ANISOTROPIC, 2540, 1270, {96, 48}, {18, 1}},
      {"only an aspect ratio", MM_ISOTROPIC, -2540, -1270, bounds, {12, 1}},
  };
  for (const auto& row : rows) {
    const Published got = Publish(PaneRecording(), row.mm, row.xExt, row.yExt);
    ASSERT_FALSE(got.png.isNull()) << row.name;
    EXPECT_EQ(got.png.size(), row.size) << row.name;
    EXPECT_EQ(got.png.pixel(row.mark) & 0xFFFFFF, 0x0000C8u) << row.name;
    EXPECT_EQ(got.png.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << row.name;
    if (row.mm != MM_ANISOTROPIC && row.size.height() > 16) {
      EXPECT_EQ(got.png.pixel(0, 16) & 0xFFFFFF, 0u) << row.name << ": frame corner (-1, -1)";
      EXPECT_EQ(got.png.pixel(kW + 1, 30) & 0xFFFFFF, 0u) << row.name << ": frame's right edge";
    }

    const QByteArray w = QByteArray::number(row.size.width());
    const QByteArray h = QByteArray::number(row.size.height());
    EXPECT_TRUE(got.svg.contains(" width=\"" + w + "\" height=\"" + h + "\"")) << row.name;
    QSvgRenderer svg(got.svg);
    ASSERT_TRUE(svg.isValid()) << row.name;
    EXPECT_EQ(svg.defaultSize(), row.size) << row.name;
    QImage drawn(row.size, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
      QPainter painter(&drawn);
      svg.render(&painter);
    }
    EXPECT_EQ(drawn.pixel(row.mark) & 0xFFFFFF, 0x0000C8u) << row.name;
  }
}

TEST_F(ClipboardPicture, NothingDrawnKeepsTheStatedSizeOrOffersNoPicture) {
  CMetaFileDC dc;
  dc.Create();
  Published got = Publish(dc.Close(), MM_TEXT, 12, 8);
  EXPECT_EQ(got.png.size(), QSize(12, 8));
  EXPECT_EQ(got.png.pixel(11, 7) & 0xFFFFFF, 0xFFFFFFu);

  dc.Create();
  got = Publish(dc.Close(), MM_TEXT, 0, 0);
  EXPECT_TRUE(got.png.isNull());
  EXPECT_TRUE(got.svg.isEmpty());
}
