// The frequency diagrams as clipboard pictures (no tick glyphs, ellipse node
// markers, the diagram's title) and printed (the screen's glyphs).
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Clipboard.h"
#include "tests/diagrams/FreqViewTestSupport.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <string>

namespace {

using namespace qxfreqview;

// The picture on the clipboard after "Copy image", replayed at its bounds.
struct Picture {
  QImage image;
  QPoint offset;  // of the client area's (0, 0) in the image
  QByteArray svg;
};

Picture CopiedPicture(ViewWindow& window) {
  QxTest::ResetClipboard();
  window.Command(ID_EDIT_COPY);
  Picture p;
  if (!OpenClipboard(nullptr)) return p;
  HANDLE block = GetClipboardData(CF_METAFILEPICT);
  const auto* record = block ? static_cast<const METAFILEPICT*>(GlobalLock(block)) : nullptr;
  HMETAFILE meta = record ? CopyMetaFile(record->hMF) : nullptr;
  if (record) GlobalUnlock(block);
  CloseClipboard();
  if (!meta) return p;
  const CRect bounds = QxMetaFileBounds(meta);
  p.image = QxRenderMetaFile(meta, bounds, bounds.Width(), bounds.Height());
  p.offset = QPoint(-bounds.left, -bounds.top);
  p.svg = QxMetaFileToSvg(meta, bounds, bounds.Width(), bounds.Height());
  DeleteMetaFile(meta);
  QxTest::ResetClipboard();
  return p;
}

// The first and last inked columns of the title line.
std::pair<int, int> InkColumns(const QImage& image) {
  int left = image.width(), right = -1;
  for (int y = 1; y < 14; ++y)
    for (int x = 0; x < image.width(); ++x)
      if (At(image, QPoint(x, y)) != kWhitePixel)
        left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

// The title line as the picture draws it over a client area of the width:
// the document's title and the diagram's suffix, centred.
QImage Title(const CString& title, const char* suffix, int width) {
  qxtest::Canvas canvas(width, 16);
  CDC* dc = canvas.dc();
  dc->SetBkMode(TRANSPARENT);
  dc->SelectObject(g_fonts[kFontBold][0]);
  dc->SetTextAlign(TA_CENTER | TA_TOP);
  dc->TextOut(width / 2, 0, title + suffix);
  return canvas.Image().copy();
}

TEST_F(FreqViewTest, ClipboardPicturesHaveNoTickGlyphsAndEllipseNodes) {
  freq().AddNode(1.0, 0, 0, 1.0, 0x01, nullptr);
  doc().Recalculate();
  doc().m_diagView[1] = {400, 400, 100, 100};
  const McComplex z = freq().m_nodeDirect[0], tick = Q(105), high = Q(160);
  const double u = std::log10(SweepFrequencies(freq())[160]);
  const struct {
    UINT command;
    const char* title;
    QPoint node, tick;  // the node's pixel, the pixel just off its tick where the glyph shows
  } rows[] = {
      {NYQUIST, ": Nyquist", Px(1, z.re, z.im), Px(1, tick.re, tick.im) + QPoint(0, -1)},
      {BODE, ": Bode", Px(4, 0, FreqDecibels(z)), Px(4, u, FreqDecibels(high)) + QPoint(0, -2)}};
  for (const auto& row : rows) {
    const QImage screen = Show(row.command);
    EXPECT_EQ(At(screen, row.tick), kBlackPixel) << row.title;
    EXPECT_GT(Count(screen, kNodeGreen), 5) << row.title;
    const Picture picture = CopiedPicture(*window);
    ASSERT_FALSE(picture.image.isNull());
    const QImage title =
        picture.image.copy(picture.offset.x(), picture.offset.y() - 17, screen.width(), 16);
    EXPECT_EQ(InkColumns(title), InkColumns(Title(doc().GetTitle(), row.title, screen.width())))
        << row.title;
    EXPECT_EQ(At(picture.image, row.tick + picture.offset), kWhitePixel) << row.title;
    EXPECT_EQ(Count(picture.image, kNodeGreen), 0) << row.title;
    EXPECT_EQ(At(picture.image, row.node + picture.offset + QPoint(-2, 0)), kBlackPixel)
        << "the ellipse's left edge " << row.title;
    EXPECT_EQ(At(picture.image, row.node + picture.offset + QPoint(1, -1)), kWhitePixel)
        << "filled white " << row.title;
  }
}

// Printed with the screen rendering: the node's dark-green glyph is on the page.
TEST_F(FreqViewTest, PrintsTheScreenGlyphs) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm is not installed";
  freq().AddNode(1.0, 0, 0, 1.0, 0x01, nullptr);
  doc().Recalculate();
  Show(BODE);
  const std::string folder = qxtest::MakeTempDir("freqprint");
  {
    QxTest::PrintToPdf target(folder + "/page.pdf");
    window->Command(ID_FILE_PRINT);
  }
  const std::string command =
      "pdftoppm -r 96 -f 1 -l 1 -png '" + folder + "/page.pdf' '" + folder + "/page'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  QImage page;
  ASSERT_TRUE(page.load(QString::fromStdString(folder + "/page-1.png")));
  int green = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QRgb c = page.pixel(x, y);
      green += qRed(c) < 60 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 60;
    }
  EXPECT_GE(green, 4);
}

}  // namespace
