// Printing: drawings reach a PDF page with the pixels they have on screen, and
// the view's printing hooks run in the framework's order.
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Print.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A red band 5 pixels high across (100..300, 98..102), and a 40 x 20 "glyph"
// (white with a black bar at x 18..23) combined over it with SRCAND at (150, 90).
void DrawLineAndGlyph(CDC* dc) {
  CPen red(PS_SOLID, 5, RGB(255, 0, 0));
  CPen* old = dc->SelectObject(&red);
  dc->MoveTo(100, 100);
  dc->LineTo(300, 100);
  dc->SelectObject(old);
  CDC glyph;
  glyph.CreateCompatibleDC(dc);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(dc, 40, 20);
  CBitmap* oldBitmap = glyph.SelectObject(&bitmap);
  glyph.FillSolidRect(0, 0, 40, 20, RGB(255, 255, 255));
  glyph.FillSolidRect(18, 0, 6, 20, RGB(0, 0, 0));
  dc->BitBlt(150, 90, 40, 20, &glyph, 0, 0, SRCAND);
  glyph.SelectObject(oldBitmap);
}

// The line keeps its pixels beside the glyph's bar, and the bar is black
// (within the tolerance of a rendered PDF).
void ExpectLineAndGlyph(const QImage& page, int dx, int dy) {
  const struct {
    int x, y;
    QRgb colour;
  } probes[] = {{120, 100, qRgb(255, 0, 0)},  // the line before the glyph
                {160, 100, qRgb(255, 0, 0)},  // under the glyph's white: kept
                {170, 100, qRgb(0, 0, 0)},      {170, 93, qRgb(0, 0, 0)},  // the bar
                {160, 93, qRgb(255, 255, 255)},  // the glyph's white over white
                {120, 110, qRgb(255, 255, 255)}};
  for (const auto& p : probes) {
    QRgb got = page.pixel(dx + p.x, dy + p.y);
    EXPECT_LT(std::abs(qRed(got) - qRed(p.colour)) + std::abs(qGreen(got) - qGreen(p.colour)) +
                  std::abs(qBlue(got) - qBlue(p.colour)),
              100)
        << p.x << "," << p.y;
  }
}

// Renders every page of the PDF at 96 dpi.
std::vector<QImage> RenderPdf(const std::string& pdf) {
  std::string stem = pdf + "-page";
  std::string command = "pdftoppm -r 96 -png '" + pdf + "' '" + stem + "'";
  std::vector<QImage> pages;
  if (std::system(command.c_str()) != 0) return pages;
  for (int page = 1; page < 100; ++page) {
    QImage image;
    if (!image.load(QString::fromStdString(stem + "-" + std::to_string(page) + ".png"))) break;
    pages.push_back(image);
  }
  return pages;
}

// A view without a window that logs the printing hooks.
class CLogView : public CView {
 public:
  std::vector<std::string> m_log;
  bool m_wasPrinting = false;
  CRect m_rectDraw;
  void OnDraw(CDC* pDC) override {
    m_wasPrinting = pDC->IsPrinting();
    DrawLineAndGlyph(pDC);
  }
  void OnBeginPrinting(CDC*, CPrintInfo*) override { m_log.push_back("begin"); }
  void OnPrepareDC(CDC*, CPrintInfo* pInfo) override {
    if (pInfo) m_log.push_back("prepare " + std::to_string(pInfo->m_nCurPage));
  }
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override {
    m_log.push_back("print " + std::to_string(pInfo->m_nCurPage));
    m_rectDraw = pInfo->m_rectDraw;
    CView::OnPrint(pDC, pInfo);
  }
  void OnEndPrinting(CDC*, CPrintInfo*) override { m_log.push_back("end"); }
};

}  // namespace

static bool HavePdfRenderer() {
  return std::system("command -v pdftoppm >/dev/null 2>&1") == 0;
}

TEST(Print, DrawingReachesThePdfWithScreenPixels) {
  if (!HavePdfRenderer()) GTEST_SKIP() << "pdftoppm (poppler-utils, scripts/setup) is missing";
  std::string pdf = qxtest::MakeTempDir("print") + "/drawing.pdf";
  QxTest::PrintToPdf target(pdf);
  CPrinterDC dc;
  ASSERT_TRUE(dc.StartDoc("drawing"));
  EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 96);  // the screen's resolution
  // A4 or Letter at 96 dpi, less the margins.
  EXPECT_GT(dc.GetDeviceCaps(HORZRES), 600);
  EXPECT_LE(dc.GetDeviceCaps(HORZRES) + dc.GetDeviceCaps(PHYSICALOFFSETX),
            dc.GetDeviceCaps(PHYSICALWIDTH));
  ASSERT_TRUE(dc.StartPage());
  DrawLineAndGlyph(&dc);
  ASSERT_TRUE(dc.EndPage());
  ASSERT_TRUE(dc.EndDoc());

  std::vector<QImage> pages = RenderPdf(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width(), dc.GetDeviceCaps(PHYSICALWIDTH), 2);
  ExpectLineAndGlyph(pages[0], dc.GetDeviceCaps(PHYSICALOFFSETX),
                     dc.GetDeviceCaps(PHYSICALOFFSETY));
}

TEST(Print, ViewHooksRunInOrderOnePageWhenTheLastIsUnknown) {
  CLogView view;
  CPrintInfo info;
  std::vector<QImage> pages = QxPreviewView(&view, &info);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(view.m_log,
            (std::vector<std::string>{"begin", "prepare 1", "print 1", "prepare 2", "end"}));
  EXPECT_TRUE(view.m_wasPrinting);
  EXPECT_EQ(view.m_rectDraw, CRect(0, 0, pages[0].width(), pages[0].height()));
  // The page image holds the drawing exactly as a screen image would.
  EXPECT_EQ(pages[0].pixel(160, 100), qRgb(255, 0, 0));
  EXPECT_EQ(pages[0].pixel(170, 100), qRgb(0, 0, 0));
  EXPECT_EQ(pages[0].pixel(160, 93), qRgb(255, 255, 255));
}

TEST(Print, ViewWithThreePagesPrintsThreePdfPages) {
  if (!HavePdfRenderer()) GTEST_SKIP() << "pdftoppm (poppler-utils, scripts/setup) is missing";
  std::string pdf = qxtest::MakeTempDir("print") + "/view.pdf";
  QxTest::PrintToPdf target(pdf);
  CLogView view;
  CPrintInfo info;
  info.SetMaxPage(3);
  EXPECT_TRUE(QxPreparePrinting(&info));  // no dialog with a PDF target
  ASSERT_TRUE(QxPrintView(&view, &info));
  EXPECT_EQ(view.m_log[6], "print 3");
  EXPECT_EQ(RenderPdf(pdf).size(), 3u);
}
