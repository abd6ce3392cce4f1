// Printing: drawings reach a PDF page with the pixels they have on screen, the
// view's printing hooks run in the framework's order, and the print preview of
// the test application's view shows its pages as white sheets on grey, turns
// them, prints through the view and goes away safely with its view.
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Print.h"
#include "platform/ui/PrintPreview.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"
#include "tests/support/TestSupport.h"

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

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

bool HavePdfRenderer() {
  return std::system("command -v pdftoppm >/dev/null 2>&1") == 0;
}

}  // namespace

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

namespace qxtest {
namespace {

bool IsBlack(QRgb c) {
  return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

class PrintPreview : public UiApp {
 protected:
  void TearDown() override {
    UiApp::TearDown();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
  }
  CQxPreviewWnd* OpenPreview() {
    Frame()->SendCommand(ID_FILE_PRINT_PREVIEW);
    return static_cast<CQxPreviewWnd*>(QxTest::PreviewWindow());
  }
  static bool Enabled(CWnd* preview, UINT id) { return preview->GetDlgItem(id)->IsWindowEnabled(); }
  static void Press(CWnd* preview, UINT id) {
    QxTest::Click(preview->GetDlgItem(id), CPoint(10, 10));
  }

  // The slot shows the page: a white sheet on grey with the page's block in
  // black where the page puts it, scaled.
  void ExpectPage(CQxPreviewWnd* preview, int slot, UINT page) {
    QImage image;
    CRect sheet;
    double scale = 0;
    auto at = [&](CPoint p) {
      return image.pixel(sheet.left + static_cast<int>(p.x * scale),
                         sheet.top + static_cast<int>(p.y * scale));
    };
    auto look = [&] {
      QxTest::PumpEvents();  // the window repaints what changed
      image = QxTest::ClientImage(preview);
      sheet = preview->GetPageRect(slot);
      scale = sheet.Width() / static_cast<double>(ActiveView()->m_page.cx);
      return !sheet.IsRectEmpty() && IsBlack(at(kPageMarks[page - 1].CenterPoint()));
    };
    // With a window manager the window may be resized, and so repainted, a
    // little later.
    if (!look() && OnRealWindowSystem()) (void)QTest::qWaitFor(look, kXEventBoundMs);
    ASSERT_FALSE(sheet.IsRectEmpty());
    EXPECT_NEAR(sheet.Height(), ActiveView()->m_page.cy * scale, 1.5);
    EXPECT_TRUE(IsBlack(at(kPageMarks[page - 1].CenterPoint()))) << "page " << page;
    EXPECT_EQ(at(kPageMarks[2 - page].CenterPoint()) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(sheet.left - 8, sheet.CenterPoint().y) & 0xFFFFFF, 0x808080u);
  }
};

TEST_F(PrintPreview, ShowsThePagesTurnsThemAndZooms) {
  CQxPreviewWnd* preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  CString title, caption;
  preview->GetWindowText(title);
  EXPECT_STREQ(title, "Testapp - Print Preview");
  EXPECT_EQ(preview->GetOwner(), Frame());
  EXPECT_EQ(preview->GetPageCount(), 2u);
  ExpectPage(preview, 0, 1);
  EXPECT_FALSE(Enabled(preview, AFX_ID_PREVIEW_PREV));
  EXPECT_TRUE(Enabled(preview, AFX_ID_PREVIEW_NEXT));
  EXPECT_TRUE(Enabled(preview, AFX_ID_PREVIEW_NUMPAGE));

  Press(preview, AFX_ID_PREVIEW_NEXT);
  EXPECT_EQ(preview->GetCurrentPage(), 2u);
  ExpectPage(preview, 0, 2);
  EXPECT_FALSE(Enabled(preview, AFX_ID_PREVIEW_NEXT));
  EXPECT_TRUE(Enabled(preview, AFX_ID_PREVIEW_PREV));
  QxTest::PressKey(VK_PRIOR);
  EXPECT_EQ(preview->GetCurrentPage(), 1u);

  Press(preview, AFX_ID_PREVIEW_NUMPAGE);
  preview->GetDlgItem(AFX_ID_PREVIEW_NUMPAGE)->GetWindowText(caption);
  EXPECT_STREQ(caption, "One Page");
  ExpectPage(preview, 0, 1);
  ExpectPage(preview, 1, 2);
  EXPECT_GT(preview->GetPageRect(1).left, preview->GetPageRect(0).right);
  EXPECT_FALSE(Enabled(preview, AFX_ID_PREVIEW_NEXT));

  // Zooming doubles the sheets until the last step; zooming out comes back to the fit.
  const int fitted = preview->GetPageRect(0).Width();
  EXPECT_FALSE(Enabled(preview, AFX_ID_PREVIEW_ZOOMOUT));
  Press(preview, AFX_ID_PREVIEW_ZOOMIN);
  EXPECT_NEAR(preview->GetPageRect(0).Width(), 2 * fitted, 2);
  Press(preview, AFX_ID_PREVIEW_ZOOMIN);
  EXPECT_FALSE(Enabled(preview, AFX_ID_PREVIEW_ZOOMIN));
  Press(preview, AFX_ID_PREVIEW_ZOOMOUT);
  Press(preview, AFX_ID_PREVIEW_ZOOMOUT);
  EXPECT_EQ(preview->GetPageRect(0).Width(), fitted);

  // A single page has nothing to turn to and no second page to show.
  ActiveView()->m_nPages = 1;
  preview = OpenPreview();  // in place of the open one
  EXPECT_EQ(preview->GetPageCount(), 1u);
  for (UINT id : {AFX_ID_PREVIEW_NEXT, AFX_ID_PREVIEW_PREV, AFX_ID_PREVIEW_NUMPAGE})
    EXPECT_FALSE(Enabled(preview, id)) << id;
}

TEST_F(PrintPreview, PrintingEndsThePreviewFirstAndPrintsThroughTheView) {
  // The preview's Print button, and the menu's print command with the preview still open.
  const std::function<void(CWnd*)> ways[] = {
      [](CWnd* preview) { Press(preview, AFX_ID_PREVIEW_PRINT); },
      [this](CWnd*) { Frame()->SendCommand(ID_FILE_PRINT); }};
  const std::string folder = MakeTempDir("preview");
  for (int way = 0; way < 2; ++way) {
    std::string pdf = folder + "/marks" + std::to_string(way) + ".pdf";
    QxTest::PrintToPdf target(pdf);
    CWnd* preview = OpenPreview();
    ASSERT_NE(preview, nullptr);
    g_log.clear();
    ways[way](preview);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
    // One job at a time: the preview's ends before the printer's begins.
    EXPECT_EQ(g_log, (std::vector<std::string>{"end", "prepare", "begin", "end"}));
    if (HavePdfRenderer()) {
      EXPECT_EQ(RenderPdf(pdf).size(), 2u) << way;
    }
  }
}

TEST_F(PrintPreview, EscapeCloseAndClosingTheDocumentOrTheFrameEndThePreview) {
  struct Way {
    const char* name;
    std::function<void(CWnd*)> end;
    bool viewStays;
  };
  const Way ways[] = {{"escape", [](CWnd*) { QxTest::PressKey(VK_ESCAPE); }, true},
                      {"close", [](CWnd* preview) { Press(preview, AFX_ID_PREVIEW_CLOSE); }, true},
                      {"document", [this](CWnd*) { Frame()->SendCommand(ID_FILE_CLOSE); }, false},
                      {"frame", [this](CWnd*) { Frame()->SendMessage(WM_CLOSE); }, false}};
  for (const Way& way : ways) {
    if (m_app->GetOpenDocumentCount() == 0) Frame()->SendCommand(ID_FILE_NEW);
    QxTest::PumpUntilIdle();
    HWND hView = ActiveView()->GetSafeHwnd();
    CWnd* preview = OpenPreview();
    ASSERT_NE(preview, nullptr);
    g_log.clear();
    way.end(preview);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr) << way.name;
    // The job ended while the view could still answer.
    EXPECT_EQ(g_log, std::vector<std::string>{"end"}) << way.name;
    EXPECT_EQ(IsWindow(hView), way.viewStays) << way.name;
  }
  EXPECT_EQ(m_app->m_pMainWnd, nullptr);
}

}  // namespace
}  // namespace qxtest

namespace qxtest {
namespace {

// The page of the test view a rendered sheet shows: its block lies near the
// top on page 1 and below the middle on page 2 (0: no block).
int MarkedPage(const QImage& sheet) {
  for (int y = 0; y < sheet.height(); ++y)
    for (int x = 0; x < sheet.width(); ++x)
      if (IsBlack(sheet.pixel(x, y))) return y < 400 ? 1 : 2;
  return 0;
}

std::vector<int> MarkedPages(const std::string& pdf) {
  std::vector<int> marks;
  for (const QImage& sheet : RenderPdf(pdf)) marks.push_back(MarkedPage(sheet));
  return marks;
}

QxTest::PrintDialogChoice PdfChoice(std::string pdf, int copies = 1, bool collate = true,
                                    int fromPage = 0, int toPage = 0) {
  QxTest::PrintDialogChoice choice;
  choice.pdfFile = std::move(pdf);
  choice.copies = copies;
  choice.collate = collate;
  choice.fromPage = fromPage;
  choice.toPage = toPage;
  return choice;
}

class PrintJob : public PrintPreview {};

TEST_F(PrintJob, PrintsWhatThePrintDialogChose) {
  if (!HavePdfRenderer()) GTEST_SKIP() << "pdftoppm (poppler-utils, scripts/setup) is missing";
  const std::string folder = MakeTempDir("printdialog");
  const struct {
    QxTest::PrintDialogChoice choice;
    std::vector<int> pages;
  } cases[] = {
      {PdfChoice(folder + "/all.pdf"), {1, 2}},
      {PdfChoice(folder + "/second.pdf", 1, true, 2, 2), {2}},
      {PdfChoice(folder + "/collated.pdf", 2), {1, 2, 1, 2}},
      {PdfChoice(folder + "/uncollated.pdf", 2, false), {1, 1, 2, 2}},
  };
  for (const auto& c : cases) {
    QxTest::MessageBoxScript boxes;
    {
      QxTest::AnswerPrintDialog dialog(c.choice);
      Frame()->SendCommand(ID_FILE_PRINT);
    }
    EXPECT_TRUE(boxes.Boxes().empty()) << c.choice.pdfFile;
    EXPECT_EQ(MarkedPages(c.choice.pdfFile), c.pages) << c.choice.pdfFile;
  }
  // A cancelled dialog prints nothing.
  {
    QxTest::PrintDialogChoice cancelled = PdfChoice(folder + "/cancelled.pdf");
    cancelled.accept = false;
    QxTest::AnswerPrintDialog dialog(cancelled);
    Frame()->SendCommand(ID_FILE_PRINT);
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/cancelled.pdf"));
}

TEST_F(PrintJob, AJobThatCannotStartIsToldToTheUser) {
  const std::string unreachable = MakeTempDir("printfail") + "/no such folder/plan.pdf";
  for (bool throughDialog : {true, false}) {
    QxTest::MessageBoxScript boxes;
    if (throughDialog) {
      QxTest::AnswerPrintDialog dialog(PdfChoice(unreachable));
      Frame()->SendCommand(ID_FILE_PRINT);
    } else {
      QxTest::PrintToPdf target(unreachable);
      Frame()->SendCommand(ID_FILE_PRINT);
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u) << throughDialog;
    EXPECT_EQ(boxes.Boxes()[0].text, "Failed to start print job.");
    EXPECT_FALSE(std::filesystem::exists(unreachable));
  }
}

}  // namespace
}  // namespace qxtest
