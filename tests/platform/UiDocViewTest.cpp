// Document templates' strings and default titles, the recent-file list, and
// the scroll view's mapping.
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT IDR_SHEET = 3101;

class CSheetDoc : public CDocument {
  DECLARE_DYNCREATE(CSheetDoc)
};
IMPLEMENT_DYNCREATE(CSheetDoc, CDocument)

class CSheetView : public CScrollView {
  DECLARE_DYNCREATE(CSheetView)

 public:
  void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CSheetView, CScrollView)

}  // namespace

TEST(UiDocTemplate, DocumentStringsAreTheFieldsOfTheTemplateString) {
  AfxRegisterString(IDR_SHEET,
                    "\nQorex\nQorex\nQorex Files (*.qox)\n.qox\nQorex.Document\nQorex Document");
  CMultiDocTemplate docTemplate(IDR_SHEET, RUNTIME_CLASS(CSheetDoc), RUNTIME_CLASS(CMDIChildWnd),
                                RUNTIME_CLASS(CSheetView));
  struct Row {
    CDocTemplate::DocStringIndex index;
    const char* expected;
  };
  const Row rows[] = {{CDocTemplate::windowTitle, ""},
                      {CDocTemplate::docName, "Qorex"},
                      {CDocTemplate::fileNewName, "Qorex"},
                      {CDocTemplate::filterName, "Qorex Files (*.qox)"},
                      {CDocTemplate::filterExt, ".qox"},
                      {CDocTemplate::regFileTypeId, "Qorex.Document"},
                      {CDocTemplate::regFileTypeName, "Qorex Document"}};
  for (const Row& row : rows) {
    CString value;
    EXPECT_EQ(docTemplate.GetDocString(value, row.index), *row.expected != '\0');
    EXPECT_STREQ(value, row.expected) << row.index;
  }
}

TEST(UiDocTemplate, UntitledDocumentsCountUpAndNeverReuseANumber) {
  AfxRegisterString(IDR_SHEET, "\nQorex\nQorex");
  CMultiDocTemplate docTemplate(IDR_SHEET, RUNTIME_CLASS(CSheetDoc), RUNTIME_CLASS(CMDIChildWnd),
                                RUNTIME_CLASS(CSheetView));
  CSheetDoc first, second;
  first.m_bAutoDelete = second.m_bAutoDelete = FALSE;
  docTemplate.SetDefaultTitle(&first);
  EXPECT_STREQ(first.GetTitle(), "Qorex1");
  ++docTemplate.m_nUntitledCount;  // as OpenDocumentFile counts a new document
  docTemplate.SetDefaultTitle(&second);
  EXPECT_STREQ(second.GetTitle(), "Qorex2");
  AfxRegisterString(IDR_SHEET + 1, "");
  CMultiDocTemplate unnamed(IDR_SHEET + 1, RUNTIME_CLASS(CSheetDoc), RUNTIME_CLASS(CMDIChildWnd),
                            RUNTIME_CLASS(CSheetView));
  unnamed.SetDefaultTitle(&first);
  EXPECT_STREQ(first.GetTitle(), "Untitled1");
}

TEST(UiRecentFiles, NewestFirstWithoutDuplicatesAndKeptAcrossRuns) {
  {
    CWinApp app("RecentTest");
    app.SetRegistryKey("Plenthoria-recent");
    app.LoadStdProfileSettings(4);
    EXPECT_TRUE(app.GetRecentFiles().empty());
    for (const char* path : {"/a.qox", "/b.qox", "/c.qox", "/a.qox", "/d.qox", "/e.qox"}) {
      app.AddToRecentFileList(path);
    }
    std::vector<std::string> files;
    for (const CString& file : app.GetRecentFiles()) files.push_back(file.GetString());
    EXPECT_EQ(files, (std::vector<std::string>{"/e.qox", "/d.qox", "/a.qox", "/c.qox"}));
    app.ExitInstance();  // writes the list
  }
  CWinApp again("RecentTest");
  again.SetRegistryKey("Plenthoria-recent");
  again.LoadStdProfileSettings(4);
  ASSERT_EQ(again.GetRecentFiles().size(), 4u);
  EXPECT_STREQ(again.GetRecentFiles()[0], "/e.qox");
  EXPECT_STREQ(again.GetRecentFiles()[3], "/c.qox");
}

TEST(UiScrollView, ScrollPositionIsClampedAndMovesTheViewportOrigin) {
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, nullptr, "host", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr));
  auto* view = static_cast<CSheetView*>(RUNTIME_CLASS(CSheetView)->CreateObject());
  ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 80), &host,
                           AFX_IDW_PANE_FIRST));
  view->SetScrollSizes(MM_TEXT, CSize(300, 200));
  view->ScrollToPosition(CPoint(50, 1000));
  EXPECT_EQ(view->GetScrollPosition(), CPoint(50, 120));  // 200 - 80
  view->SendMessage(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(view->GetScrollPosition(), CPoint(50, 0));
  view->SendMessage(WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(view->GetScrollPosition(), CPoint(53, 0));  // a line is a hundredth of the total
  {
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    EXPECT_EQ(dc.GetViewportOrg(), CPoint(-53, 0));
  }
  // A total smaller than the window never scrolls.
  view->SetScrollSizes(MM_TEXT, CSize(10, 10));
  EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));
  host.DestroyWindow();  // deletes the view with its window
  QxTest::PumpEvents();
}
