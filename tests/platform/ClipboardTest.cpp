// The clipboard: text, pictures and the private format, on our side and as the
// desktop's other programs see them, and the failures a copy must survive.
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

// A 40 x 30 picture: white corners fix its bounds, a black box from (5, 5) to (25, 15).
HGLOBAL PictureBlock() {
  CMetaFileDC dc;
  dc.Create();
  dc.SetPixel(0, 0, RGB(255, 255, 255));
  dc.SetPixel(39, 29, RGB(255, 255, 255));
  dc.FillSolidRect(5, 5, 20, 10, RGB(0, 0, 0));
  METAFILEPICT picture;
  picture.mm = MM_TEXT;
  picture.xExt = 40;
  picture.yExt = 30;
  picture.hMF = dc.Close();
  return BlockOf(&picture, sizeof(picture));
}

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override { QxTest::ResetClipboard(); }
  void TearDown() override { QxTest::ResetClipboard(); }
  const QMimeData* Desktop() { return QGuiApplication::clipboard()->mimeData(); }
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

TEST_F(Clipboard, PictureReachesTheDesktopAsPngAndSvgOfTheRecording) {
  ASSERT_TRUE(OpenClipboard(kView));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(SetClipboardData(CF_METAFILEPICT, PictureBlock()), nullptr);
  ASSERT_TRUE(CloseClipboard());

  QImage png = QImage::fromData(Desktop()->data(QStringLiteral("image/png")), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), QSize(40, 30));
  QSvgRenderer svg(Desktop()->data(QStringLiteral("image/svg+xml")));
  ASSERT_TRUE(svg.isValid());
  QImage drawn(40, 30, QImage::Format_RGB32);
  drawn.fill(Qt::white);
  QPainter painter(&drawn);
  svg.render(&painter, QRectF(0, 0, 40, 30));
  painter.end();
  for (const QImage* image : {&png, &drawn}) {
    EXPECT_EQ(QColor(image->pixel(5, 5)), QColor(Qt::black));
    EXPECT_EQ(QColor(image->pixel(24, 14)), QColor(Qt::black));
    EXPECT_EQ(QColor(image->pixel(25, 15)), QColor(Qt::white));
    EXPECT_EQ(QColor(image->pixel(4, 10)), QColor(Qt::white));
  }
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
  ASSERT_TRUE(OpenClipboard(kView));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(SetClipboardData(CF_METAFILEPICT, PictureBlock()), nullptr);
  ASSERT_TRUE(CloseClipboard());
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
  HGLOBAL picture = PictureBlock();
  METAFILEPICT header;
  std::memcpy(&header, GlobalLock(picture), sizeof(header));
  GlobalUnlock(picture);
  ASSERT_NE(SetClipboardData(CF_METAFILEPICT, picture), nullptr);
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(GlobalSize(picture), 0u);
  EXPECT_TRUE(QxMetaFileBounds(header.hMF).IsRectEmpty());
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
