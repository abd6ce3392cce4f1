// The view's picture on the clipboard ("Copy image") with its failure
// messages, and printing to a PDF file with the screen rendering.
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Clipboard.h"
#include "tests/diagrams/ViewTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace qxviewtest;

struct CopyFailure {
  unsigned calls;
  const char* message;
};

// Each failure shows its message, leaves the clipboard closed and puts no
// picture there.
TEST(ViewPicture, CopyFailuresShowTheirMessageAndCloseTheClipboard) {
  const CopyFailure failures[] = {{QxTest::kClipboardOpen, "Cannot open the Clipboard"},
                                  {QxTest::kClipboardEmpty, "Cannot empty the Clipboard"},
                                  {QxTest::kClipboardSet, "Unable to set Clipboard data"}};
  ViewWindow window;
  for (const CopyFailure& failure : failures) {
    QxTest::ResetClipboard();
    {
      QxTest::MessageBoxScript boxes;
      QxTest::ClipboardFailures fail(failure.calls);
      window.Command(ID_EDIT_COPY);
      ASSERT_EQ(boxes.Boxes().size(), 1u) << failure.message;
      EXPECT_EQ(boxes.Boxes()[0].text, failure.message);
      EXPECT_EQ(boxes.Boxes()[0].type & 0xF, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << failure.message;
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(CF_METAFILEPICT), nullptr) << failure.message;
    CloseClipboard();
  }
}

TEST(ViewPicture, CopyPutsTheTitledFramedDiagramOnTheClipboard) {
  QxTest::ResetClipboard();
  ViewWindow window;
  CRect client;
  window.view()->GetClientRect(&client);
  const int w = client.Width(), h = client.Height();
  {
    QxTest::MessageBoxScript boxes;
    window.Command(ID_EDIT_COPY);
    EXPECT_TRUE(boxes.Boxes().empty());
  }
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_EQ(window.view()->m_wDiagram, 0);

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(CountClipboardFormats(), 1) << "emptied first";
  HANDLE block = GetClipboardData(CF_METAFILEPICT);
  ASSERT_NE(block, nullptr);
  const auto* record = static_cast<const METAFILEPICT*>(GlobalLock(block));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->mm, MM_TEXT);
  EXPECT_EQ(record->xExt, w);
  EXPECT_EQ(record->yExt, h + 25);
  HMETAFILE picture = CopyMetaFile(record->hMF);
  GlobalUnlock(block);
  CloseClipboard();
  ASSERT_NE(picture, nullptr);

  // The two white pixels take the bounds over the title and a margin.
  const CRect bounds = QxMetaFileBounds(picture);
  EXPECT_LE(bounds.left, -1);
  EXPECT_EQ(bounds.top, -17);
  EXPECT_GE(bounds.right, w + 3);
  EXPECT_GE(bounds.bottom, h + 3);
  const QImage image = QxRenderMetaFile(picture, bounds, bounds.Width(), bounds.Height());
  auto at = [&](int x, int y) { return At(image, QPoint(x - bounds.left, y - bounds.top)); };
  EXPECT_EQ(at(-1, -1), kBlackPixel) << "frame";
  EXPECT_EQ(at(w, h / 2), kBlackPixel) << "frame";
  EXPECT_EQ(at(w / 2, h), kBlackPixel) << "frame";
  int titleInk = 0, titleLeft = w, titleRight = 0;
  for (int y = -17; y < -2; ++y)
    for (int x = 0; x < w; ++x)
      if (at(x, y) != kWhitePixel) {
        ++titleInk;
        titleLeft = std::min(titleLeft, x);
        titleRight = std::max(titleRight, x);
      }
  EXPECT_GT(titleInk, 50) << "the title line";
  EXPECT_LE(std::abs((titleLeft + titleRight) / 2 - w / 2), 3) << "title centred";
  // The markers of the clipboard rendering, not the sprite glyphs.
  const CQorexDoc& doc = *window.doc();
  const QPoint closed = RootLocusPixel(doc, -2, 0);
  EXPECT_EQ(at(closed.x() - 3, closed.y() - 3), 0x000096u) << "closed-loop pole marker";
  const QPoint process = RootLocusPixel(doc, -1, 0);
  EXPECT_EQ(at(process.x() - 2, process.y() - 3), 0x009600u) << "pole marker of G";

  // Other programs get it as PNG and SVG.
  const QByteArray svg = QxMetaFileToSvg(picture, bounds, bounds.Width(), bounds.Height());
  EXPECT_TRUE(svg.contains("<svg"));
  const QMimeData* desktop = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(desktop, nullptr);
  EXPECT_TRUE(desktop->hasFormat("image/svg+xml"));
  ASSERT_TRUE(desktop->hasFormat("image/png"));
  QImage png;
  ASSERT_TRUE(png.loadFromData(desktop->data("image/png"), "PNG"));
  // At least the stated extents, with the drawing's top-left point at 0, 0.
  EXPECT_GE(png.width(), w);
  EXPECT_GE(png.height(), h + 25);
  EXPECT_EQ(At(png, QPoint(closed.x() - 3 - bounds.left, closed.y() - 3 - bounds.top)), 0x000096u);
  DeleteMetaFile(picture);
  QxTest::ResetClipboard();
}

bool Near(QRgb c, int r, int g, int b, int tolerance) {
  return std::abs(qRed(c) - r) <= tolerance && std::abs(qGreen(c) - g) <= tolerance &&
         std::abs(qBlue(c) - b) <= tolerance;
}

// Printed with the screen routine: the closed-loop pole's sprite glyph is
// combined with SRCAND, so where it lies on the real axis the axis stays black.
TEST(ViewPicture, PrintsTheScreenRenderingToPdf) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm is not installed";
  const std::string folder = qxtest::MakeTempDir("print");
  const std::string pdf = folder + "/page.pdf";
  ViewWindow window;
  {
    QxTest::PrintToPdf target(pdf);
    window.Command(ID_FILE_PRINT);
  }
  // Rendered at four times the page's 96 dpi, every pixel of the page image
  // becomes a 4 x 4 block; samples are taken at block centres.
  constexpr int k = 4;
  const std::string command = "pdftoppm -r 384 -f 1 -l 1 -png '" + pdf + "' '" + folder + "/page'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  QImage page;
  ASSERT_TRUE(page.load(QString::fromStdString(folder + "/page-1.png")));

  // The teal glyph's box on the page.
  int left = page.width(), right = -1, top = page.height(), bottom = -1;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (Near(page.pixel(x, y), 0, 128, 128, 30)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, 0) << "no closed-loop pole glyph on the page";
  EXPECT_NEAR(right - left + 1, 7 * k, 2) << "printed at the size seen on screen";
  EXPECT_NEAR(bottom - top + 1, 7 * k, 2);
  const int axis = top + 3 * k + k / 2;
  auto sample = [&](int column, int y) { return page.pixel(left + column * k + k / 2, y); };
  EXPECT_TRUE(Near(sample(0, top + k / 2), 0, 128, 128, 30)) << "glyph corner";
  EXPECT_TRUE(Near(sample(0, axis), 0, 0, 0, 40)) << "the axis under the glyph stays black";
  EXPECT_TRUE(Near(sample(6, axis), 0, 0, 0, 40)) << "the axis under the glyph stays black";
  EXPECT_TRUE(Near(sample(-4, axis), 0, 0, 0, 40)) << "the axis beside the glyph";
}

}  // namespace
