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
    m_pMainWnd = new CMDIFrameWnd;
    if (!static_cast<CMDIFrameWnd*>(m_pMainWnd)->LoadFrame(IDR_MARKS)) return FALSE;
    m_pMainWnd->MoveWindow(0, 0, 800, 700);
    m_pMainWnd->ShowWindow(SW_SHOW);
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
};

}  // namespace

TEST_F(PrintPreview, ShowsThePagesTurnsThemAndZooms) {
  CQxPreviewWnd* preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  CString title, caption;
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
    if (m_app->GetOpenDocumentCount() == 0) m_app->NewDocument();
    QxTest::PumpUntilIdle();
    HWND hView = View()->GetSafeHwnd();
    g_log.clear();
    CWnd* preview = OpenPreview();
    ASSERT_NE(preview, nullptr);
    way.end(preview);
    QxTest::PumpEvents();
    EXPECT_EQ(QxTest::PreviewWindow(), nullptr) << way.name;
    // The job ended while the view could still answer.
    EXPECT_EQ(g_log, (std::vector<std::string>{"prepare", "begin", "end"})) << way.name;
    EXPECT_EQ(IsWindow(hView), way.viewStays) << way.name;
  }
  EXPECT_EQ(m_app->m_pMainWnd, nullptr);
}
