// The print preview window in a small application made from the layer: a view
// whose two pages each carry a black block shows them as white sheets on grey,
// turns pages, prints through the view's own print command and goes away
// safely with its view.
#include "platform/testing/PrintHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/PrintPreview.h"
#include "platform/ui/WinApp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_MARKS = 3201;
constexpr UINT IDR_MARKDOC = 3202;
// The block on each page, in page pixels.
const CRect kMarks[] = {CRect(100, 100, 300, 200), CRect(300, 500, 500, 700)};

std::vector<std::string> g_log;

class CMarkView : public CView {
  DECLARE_DYNCREATE(CMarkView)

 public:
  void OnDraw(CDC*) override {}
  BOOL OnPreparePrinting(CPrintInfo* pInfo) override {
    g_log.push_back("prepare");
    pInfo->SetMaxPage(m_nPages);
    return DoPreparePrinting(pInfo);
  }
  void OnBeginPrinting(CDC*, CPrintInfo*) override { g_log.push_back("begin"); }
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override {
    m_page = pInfo->m_rectDraw.Size();
    pDC->FillSolidRect(&kMarks[pInfo->m_nCurPage - 1], RGB(0, 0, 0));
  }
  void OnEndPrinting(CDC*, CPrintInfo*) override { g_log.push_back("end"); }
  CSize m_page;
  UINT m_nPages = 2;

 protected:
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CMarkView, CView)
BEGIN_MESSAGE_MAP(CMarkView, CView)
ON_COMMAND(ID_FILE_PRINT, CView::OnFilePrint)
ON_COMMAND(ID_FILE_PRINT_PREVIEW, CView::OnFilePrintPreview)
END_MESSAGE_MAP()

class CMarkDoc : public CDocument {
  DECLARE_DYNCREATE(CMarkDoc)
};
IMPLEMENT_DYNCREATE(CMarkDoc, CDocument)

class CMarkApp : public CWinApp {
 public:
  CMarkApp() : CWinApp("Marks") {}
  BOOL InitInstance() override {
    AddDocTemplate(new CMultiDocTemplate(IDR_MARKDOC, RUNTIME_CLASS(CMarkDoc),
                                         RUNTIME_CLASS(CMDIChildWnd), RUNTIME_CLASS(CMarkView)));
    auto* frame = new CMDIFrameWnd;
    if (!frame->LoadFrame(IDR_MARKS)) return FALSE;
    m_pMainWnd = frame;
    frame->MoveWindow(0, 0, 800, 700);
    frame->ShowWindow(SW_SHOW);
    NewDocument();
    return TRUE;
  }
  void NewDocument() { OnFileNew(); }
};

bool IsBlack(QRgb c) {
  return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

class PrintPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxRegisterString(IDR_MARKS, "Marks");
    AfxRegisterString(IDR_MARKDOC, "\nMark\nMark");
    g_log.clear();
    m_app = std::make_unique<CMarkApp>();
    ASSERT_TRUE(m_app->InitApplication());
    ASSERT_TRUE(m_app->InitInstance());
    QxTest::PumpUntilIdle();
    m_hView = View()->GetSafeHwnd();
  }
  void TearDown() override {
    if (m_app->m_pMainWnd) m_app->m_pMainWnd->SendMessage(WM_CLOSE);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
    m_app->ExitInstance();
    m_app.reset();
  }
  CMDIFrameWnd* Frame() { return static_cast<CMDIFrameWnd*>(m_app->m_pMainWnd); }
  CMarkView* View() { return static_cast<CMarkView*>(Frame()->MDIGetActive()->GetActiveView()); }
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
    QxTest::PumpEvents();  // the window repaints what changed
    QImage image = QxTest::ClientImage(preview);
    CRect sheet = preview->GetPageRect(slot);
    ASSERT_FALSE(sheet.IsRectEmpty());
    double scale = sheet.Width() / static_cast<double>(View()->m_page.cx);
    EXPECT_NEAR(sheet.Height(), View()->m_page.cy * scale, 1.5);
    auto at = [&](double x, double y) {
      return image.pixel(sheet.left + static_cast<int>(x * scale),
                         sheet.top + static_cast<int>(y * scale));
    };
    CRect mark = kMarks[page - 1], other = kMarks[2 - page];
    EXPECT_TRUE(IsBlack(at(mark.CenterPoint().x, mark.CenterPoint().y))) << "page " << page;
    EXPECT_EQ(at(other.CenterPoint().x, other.CenterPoint().y) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(sheet.left - 8, sheet.CenterPoint().y) & 0xFFFFFF, 0x808080u);
  }

  std::unique_ptr<CMarkApp> m_app;
  HWND m_hView = nullptr;
};

}  // namespace

TEST_F(PrintPreview, ShowsThePagesTurnsThemAndZooms) {
  CQxPreviewWnd* preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  CString title;
  preview->GetWindowText(title);
  EXPECT_STREQ(title, "Marks - Print Preview");
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
  CString caption;
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
  View()->m_nPages = 1;
  preview = OpenPreview();  // in place of the open one
  EXPECT_EQ(preview->GetPageCount(), 1u);
  for (UINT id : {AFX_ID_PREVIEW_NEXT, AFX_ID_PREVIEW_PREV, AFX_ID_PREVIEW_NUMPAGE}) {
    EXPECT_FALSE(Enabled(preview, id)) << id;
  }
}

TEST_F(PrintPreview, EscapeAndCloseEndThePreviewAndLeaveTheView) {
  const std::vector<std::function<void(CWnd*)>> ways = {
      [](CWnd*) { QxTest::PressKey(VK_ESCAPE); },
      [](CWnd* preview) { Press(preview, AFX_ID_PREVIEW_CLOSE); }};
  for (const auto& close : ways) {
    g_log.clear();
    CWnd* preview = OpenPreview();
    ASSERT_NE(preview, nullptr);
    close(preview);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"prepare", "begin", "end"}));
    EXPECT_TRUE(IsWindow(m_hView));
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  }
}

TEST_F(PrintPreview, PrintingEndsThePreviewFirstAndPrintsThroughTheView) {
  // The preview's Print button, and the menu's print command with the preview still open.
  const std::vector<std::function<void(CWnd*)>> ways = {
      [](CWnd* preview) { Press(preview, AFX_ID_PREVIEW_PRINT); },
      [this](CWnd*) { Frame()->SendCommand(ID_FILE_PRINT); }};
  const std::string folder = qxtest::MakeTempDir("preview");
  for (size_t way = 0; way < ways.size(); ++way) {
    std::string pdf = folder + "/marks" + std::to_string(way) + ".pdf";
    QxTest::PrintToPdf target(pdf);
    g_log.clear();
    CWnd* preview = OpenPreview();
    ASSERT_NE(preview, nullptr);
    ways[way](preview);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
    // One job at a time: the preview's ends before the printer's begins.
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"prepare", "begin", "end", "prepare", "begin", "end"}));
    EXPECT_TRUE(std::filesystem::exists(pdf)) << way;
  }
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftoppm";
  std::string pdf = folder + "/marks0.pdf";
  ASSERT_EQ(std::system(("pdftoppm -r 96 -png '" + pdf + "' '" + pdf + "'").c_str()), 0);
  QImage second(QString::fromStdString(pdf + "-2.png"));
  ASSERT_FALSE(second.isNull());
  EXPECT_TRUE(QImage(QString::fromStdString(pdf + "-3.png")).isNull());
  CPrinterDC paper;  // where the page's printable area sits on the paper
  ASSERT_TRUE(paper.StartDoc("", true));
  CPoint centre = kMarks[1].CenterPoint() + CPoint(paper.GetDeviceCaps(PHYSICALOFFSETX),
                                                   paper.GetDeviceCaps(PHYSICALOFFSETY));
  EXPECT_TRUE(IsBlack(second.pixel(centre.x, centre.y)));
  EXPECT_EQ(second.pixel(centre.x, centre.y - 150) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PrintPreview, ClosingTheDocumentOrTheFrameTakesThePreviewAlong) {
  CWnd* preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  Frame()->SendCommand(ID_FILE_CLOSE);
  QxTest::PumpEvents();
  EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
  EXPECT_EQ(g_log.back(), "end");
  EXPECT_FALSE(IsWindow(m_hView));

  m_app->NewDocument();
  QxTest::PumpUntilIdle();
  ASSERT_NE(OpenPreview(), nullptr);
  Frame()->SendMessage(WM_CLOSE);
  QxTest::PumpEvents();
  EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
  EXPECT_EQ(m_app->m_pMainWnd, nullptr);
}
