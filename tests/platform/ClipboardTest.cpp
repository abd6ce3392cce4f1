// The clipboard: text, pictures and the private format, on our side and as the
// desktop's other programs see them, and the failures a copy must survive.
// Pictures reach the desktop at their stated extents, the drawing's top-left
// point at the origin, or at the drawn bounds when the extents cannot be used.
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
#include <string>

namespace {

// Window handles are opaque to the clipboard: any value serves as an owner.
const HWND kView = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1010));
const HWND kOtherWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x2020));
constexpr int kW = 60, kH = 40;  // the client area the picture was drawn from

HGLOBAL BlockOf(const void* bytes, SIZE_T size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
  std::memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  return block;
}

std::string BytesOf(HGLOBAL block) {
  std::string bytes(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
  GlobalUnlock(block);
  return bytes;
}

// Drawn as the signals pane draws its picture: a blue mark where the title goes
// (y = -17), a frame around the client area, and two white pixels at (-1, -17)
// and (W + 2, H + 2) that fix the drawn bounds to (-1, -17) .. (W + 3, H + 3).
HMETAFILE PaneRecording() {
  CMetaFileDC dc;
  dc.Create();
  dc.FillSolidRect(10, -17, 3, 3, RGB(0, 0, 200));
  const POINT frame[] = {{-1, -1}, {kW, -1}, {kW, kH}, {-1, kH}, {-1, -1}};
  dc.Polyline(frame, 5);
  dc.SetPixelV(-1, -17, RGB(255, 255, 255));
  dc.SetPixelV(kW + 2, kH + 2, RGB(255, 255, 255));
  return dc.Close();
}

HGLOBAL PictureBlock(HMETAFILE recording, LONG mm = MM_TEXT, LONG xExt = kW, LONG yExt = kH) {
  const METAFILEPICT picture{mm, xExt, yExt, recording};
  return BlockOf(&picture, sizeof(picture));
}

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override { QxTest::ResetClipboard(); }
  void TearDown() override { QxTest::ResetClipboard(); }
  const QMimeData* Desktop() { return QGuiApplication::clipboard()->mimeData(); }

  // Puts the picture on an emptied clipboard; what the desktop is offered.
  struct Published {
    QImage png;
    QByteArray svg;
  };
  Published Publish(HGLOBAL picture) {
    EXPECT_TRUE(OpenClipboard(kView));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_NE(SetClipboardData(CF_METAFILEPICT, picture), nullptr);
    EXPECT_TRUE(CloseClipboard());
    if (!Desktop()) return {};
    return {QImage::fromData(Desktop()->data(QStringLiteral("image/png")), "PNG"),
            Desktop()->data(QStringLiteral("image/svg+xml"))};
  }
};

}  // namespace

TEST_F(Clipboard, TextRoundTripKeepsCrLfAndReachesTheDesktopWithLf) {
  const char text[] = "t\ty\r\n0\t1.5\r\n";
  ASSERT_TRUE(OpenClipboard(kView));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL block = BlockOf(text, sizeof(text));
  EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(Desktop()->text(), QStringLiteral("t\ty\n0\t1.5\n"));

  ASSERT_TRUE(OpenClipboard(kView));
  HGLOBAL got = GetClipboardData(CF_TEXT);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(BytesOf(got), std::string(text, sizeof(text)));
  EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, OtherProgramsTextAndRecordsArriveBoundedByTheirSize) {
  QGuiApplication::clipboard()->setText(
      QString::fromUtf8("a\nb \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(kView));
  // CR LF, Windows-1252 (e acute 0xE9, the euro sign 0x80, '?' without a byte) and a zero.
  EXPECT_EQ(BytesOf(GetClipboardData(CF_TEXT)), std::string("a\r\nb \xE9 \x80 ?", 10) + '\0');
  CloseClipboard();

  const UINT format = RegisterClipboardFormat("Plenthoria 98 Object");
  const QByteArray record("\x01\x00\x02\x00\x00", 5);
  auto* mime = new QMimeData;
  mime->setData(QStringLiteral("Plenthoria 98 Object"), record);
  QGuiApplication::clipboard()->setMimeData(mime);
  EXPECT_TRUE(IsClipboardFormatAvailable(format));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(kView));
  HGLOBAL got = GetClipboardData(format);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(GlobalSize(got), 5u);
  EXPECT_EQ(BytesOf(got), record.toStdString());
  CloseClipboard();
}

// The PNG and the SVG both show the mark, the frame's corner and its right edge.
TEST_F(Clipboard, PictureHasTheStatedExtentsNeverSmallerThanTheDrawing) {
  const QSize bounds(kW + 4, kH + 20);
  const struct {
    const char* name;
    LONG mm, xExt, yExt;
    QSize size;
    QPoint mark;  // a pixel inside the mark, in the picture
  } rows[] = {
      {"signals pane: W x (H + 25), widened", MM_TEXT, kW, kH + 25, {kW + 4, kH + 25}, {12, 1}},
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
    const Published got = Publish(PictureBlock(PaneRecording(), row.mm, row.xExt, row.yExt));
    QSvgRenderer svg(got.svg);
    ASSERT_TRUE(svg.isValid()) << row.name;
    EXPECT_EQ(svg.defaultSize(), row.size) << row.name;
    QImage drawn(row.size, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
      QPainter painter(&drawn);
      svg.render(&painter);
    }
    ASSERT_EQ(got.png.size(), row.size) << row.name;
    for (const QImage& image : {got.png, drawn}) {
      EXPECT_EQ(image.pixel(row.mark) & 0xFFFFFF, 0x0000C8u) << row.name;
      EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << row.name;
      if (row.mm == MM_ANISOTROPIC || row.size.height() <= 16) continue;
      EXPECT_EQ(image.pixel(0, 16) & 0xFFFFFF, 0u) << row.name << ": frame corner (-1, -1)";
      EXPECT_EQ(image.pixel(kW + 1, 30) & 0xFFFFFF, 0u) << row.name << ": frame's right edge";
      EXPECT_EQ(image.pixel(kW + 2, 30) & 0xFFFFFF, 0xFFFFFFu) << row.name << ": outside it";
    }
  }
  // Nothing drawn: the stated size, or no picture at all without one.
  CMetaFileDC dc;
  dc.Create();
  Published got = Publish(PictureBlock(dc.Close(), MM_TEXT, 12, 8));
  EXPECT_EQ(got.png.size(), QSize(12, 8));
  EXPECT_EQ(got.png.pixel(11, 7) & 0xFFFFFF, 0xFFFFFFu);
  dc.Create();
  got = Publish(PictureBlock(dc.Close(), MM_TEXT, 0, 0));
  EXPECT_TRUE(got.png.isNull());
  EXPECT_TRUE(got.svg.isEmpty());
}

TEST_F(Clipboard, PrivateFormatAddedBesideThePicture) {
  const UINT format = RegisterClipboardFormat("Plenthoria 98 Object");
  EXPECT_EQ(RegisterClipboardFormat("plenthoria 98 OBJECT"), format);
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  char name[8];  // the name, cut to the buffer
  EXPECT_EQ(GetClipboardFormatName(format, name, sizeof(name)), 7);
  EXPECT_STREQ(name, "Plentho");

  // The copy of an expression: the picture on an emptied clipboard, then the
  // record added in a second opening without emptying.
  Publish(PictureBlock(PaneRecording()));
  const char record[] = {0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00};
  ASSERT_TRUE(OpenClipboard(kView));
  ASSERT_NE(SetClipboardData(format, BlockOf(record, sizeof(record))), nullptr);
  ASSERT_TRUE(CloseClipboard());

  EXPECT_EQ(CountClipboardFormats(), 2);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_METAFILEPICT));
  EXPECT_TRUE(IsClipboardFormatAvailable(format));
  EXPECT_TRUE(Desktop()->hasFormat(QStringLiteral("image/png")));
  EXPECT_EQ(Desktop()->data(QStringLiteral("Plenthoria 98 Object")),
            QByteArray(record, sizeof(record)));
  ASSERT_TRUE(OpenClipboard(kView));
  EXPECT_EQ(EnumClipboardFormats(0), CF_METAFILEPICT);
  EXPECT_EQ(EnumClipboardFormats(CF_METAFILEPICT), format);
  EXPECT_EQ(EnumClipboardFormats(format), 0u);
  CloseClipboard();
}

TEST_F(Clipboard, EmptyingFreesTheBlocksAndTheRecording) {
  ASSERT_TRUE(OpenClipboard(kView));
  HMETAFILE recording = PaneRecording();
  HGLOBAL picture = PictureBlock(recording);
  ASSERT_NE(SetClipboardData(CF_METAFILEPICT, picture), nullptr);
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(GlobalSize(picture), 0u);
  EXPECT_TRUE(QxMetaFileBounds(recording).IsRectEmpty());
  EXPECT_EQ(CountClipboardFormats(), 0);
  CloseClipboard();
}

TEST_F(Clipboard, OwnershipAndOrderOfCalls) {
  const char text[] = "x";
  HGLOBAL block = BlockOf(text, sizeof(text));
  EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);  // not open
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(kView));
  EXPECT_EQ(GetOpenClipboardWindow(), kView);
  EXPECT_FALSE(OpenClipboard(kOtherWindow));  // another owner waits
  EXPECT_TRUE(OpenClipboard(kView));
  EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
  HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, small), nullptr);  // too small for the header
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // not open
  GlobalFree(block);
  GlobalFree(small);
}

TEST_F(Clipboard, InjectedFailuresLeaveTheClipboardAsItWas) {
  const char before[] = "before";
  ASSERT_TRUE(OpenClipboard(kView));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(SetClipboardData(CF_TEXT, BlockOf(before, sizeof(before))), nullptr);
  ASSERT_TRUE(CloseClipboard());

  {
    QxTest::ClipboardFailures failing(QxTest::kClipboardOpen);
    EXPECT_FALSE(OpenClipboard(kView));
  }
  {
    QxTest::ClipboardFailures failing(QxTest::kClipboardEmpty);
    ASSERT_TRUE(OpenClipboard(kView));
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_TRUE(CloseClipboard());
  }
  {
    QxTest::ClipboardFailures failing(QxTest::kClipboardSet);
    ASSERT_TRUE(OpenClipboard(kView));
    const char after[] = "after";
    HGLOBAL block = BlockOf(after, sizeof(after));
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(BytesOf(block), std::string(after, sizeof(after)));  // still the caller's
    GlobalFree(block);
    EXPECT_TRUE(CloseClipboard());
  }
  ASSERT_TRUE(OpenClipboard(kView));
  EXPECT_EQ(BytesOf(GetClipboardData(CF_TEXT)), std::string(before, sizeof(before)));
  CloseClipboard();
  EXPECT_EQ(Desktop()->text(), QStringLiteral("before"));
}
