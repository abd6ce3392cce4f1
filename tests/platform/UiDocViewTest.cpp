// Documents in the test application: new, save, open and close with the save
// prompt, a failed open, the Window menu with its "More Windows..." dialog and
// tiling; the template's strings, the recent-file list, and the scroll view's
// mapping.
#include "platform/testing/DialogHooks.h"
#include "platform/gdi/Screen.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/TestSupport.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <filesystem>
#include <fstream>

namespace qxtest {
namespace {

using UiDocView = UiApp;

TEST_F(UiDocView, SaveOpenAndCloseWithTheSavePrompt) {
  std::string path = MakeTempDir("app") + "/first.pln";
  QxFileNamePrompt previous =
      QxSetFileNamePrompt([&](CString& name, BOOL bOpen, LPCTSTR, LPCTSTR filter, LPCTSTR ext) {
        EXPECT_FALSE(bOpen);
        EXPECT_STREQ(ext, ".pln");
        EXPECT_NE(CString(filter).Find("Plan Files (*.pln)|*.pln|"), -1);
        name = path.c_str();
        return TRUE;
      });
  ActiveDoc()->m_nValue = 42;
  ActiveDoc()->SetModifiedFlag();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);  // untitled: asks for a name
  QxSetFileNamePrompt(previous);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "first.pln");
  EXPECT_FALSE(ActiveDoc()->IsModified());
  // The File menu lists it in place of its "Recent File" item.
  CMenu* fileMenu = CMenu::FromHandle(Frame()->GetFrameMenu())->GetSubMenu(0);
  Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(fileMenu->GetSafeHmenu()), 0);
  CString recent;
  fileMenu->GetMenuString(ID_FILE_MRU_FILE1, recent, MF_BYCOMMAND);
  EXPECT_EQ(recent, CString("&1 ") + path.c_str());
  EXPECT_FALSE(fileMenu->GetMenuState(ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED);

  // Modified again, then closed: the prompt, answered "no", discards.
  ActiveDoc()->SetModifiedFlag();
  {
    QxTest::MessageBoxScript boxes({IDNO});
    Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Save changes to first.pln?");
  }
  QxTest::PumpEvents();
  EXPECT_EQ(ActiveChild(), nullptr);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, "Testapp");
  EXPECT_EQ(Frame()->GetFrameMenu(), Frame()->m_hMenuDefault);  // back to the frame's own menu

  CDocument* reopened = m_app->OpenDocumentFile(path.c_str());
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(static_cast<CPlanDoc*>(reopened)->m_nValue, 42);
  EXPECT_EQ(ActiveDoc(), reopened);
  EXPECT_NE(qxui::FindMenuItem(Frame()->GetFrameMenu(), ID_FILE_SAVE, nullptr), nullptr);
}

TEST_F(UiDocView, FailedOpenLeavesNothingBehind) {
  std::string path = MakeTempDir("app") + "/broken.pln";
  std::ofstream(path, std::ios::binary) << std::string("\x01\0\0\0\x12", 5);
  CMDIChildWnd* before = ActiveChild();
  QxTest::MessageBoxScript boxes;
  EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), nullptr);
  QxTest::PumpEvents();
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_EQ(ActiveChild(), before);
}

TEST_F(UiDocView, WindowMenuAndMoreWindowsListTheDocumentWindowsAndActivateTheChosenOne) {
  CMenu* window = CMenu::FromHandle(Frame()->GetFrameMenu())->GetSubMenu(2);
  ASSERT_NE(window, nullptr);
  auto newDocuments = [&](int count) {
    for (int i = 0; i < count; ++i) Frame()->SendCommand(ID_FILE_NEW);
    QxTest::PumpUntilIdle();
  };
  auto open = [&] {
    Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window->GetSafeHmenu()), 2);
  };
  auto checked = [&](UINT i) {
    return (window->GetMenuState(AFX_IDM_FIRST_MDICHILD + i, MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  newDocuments(2);
  open();
  open();  // opening again replaces the list
  ASSERT_EQ(window->GetMenuItemCount(), 4u + 1u + 3u);
  EXPECT_TRUE(window->GetMenuState(4, MF_BYPOSITION) & MF_SEPARATOR);
  for (UINT i = 0; i < 3; ++i) {
    CString text;
    window->GetMenuString(5 + i, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString("&") + std::to_string(i + 1).c_str() + " Plan" +
                        std::to_string(i + 1).c_str());
    EXPECT_EQ(window->GetMenuItemID(static_cast<int>(5 + i)), AFX_IDM_FIRST_MDICHILD + i);
  }
  EXPECT_TRUE(checked(2) && !checked(0));
  Frame()->SendCommand(AFX_IDM_FIRST_MDICHILD);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan1");
  open();
  EXPECT_TRUE(checked(0) && !checked(2));
  Frame()->SendCommand(ID_FILE_CLOSE);  // a closed window leaves the list
  QxTest::PumpUntilIdle();
  open();
  EXPECT_EQ(window->GetMenuItemCount(), 4u + 1u + 2u);

  // Eleven windows: the menu lists nine and "More Windows...", whose dialog
  // lists all eleven (Plan2 to Plan12) with the active one selected; a row
  // picks one and presses OK or Cancel, or (command 0) double-clicks it.
  newDocuments(9);
  open();
  ASSERT_EQ(window->GetMenuItemCount(), 4u + 1u + 9u + 1u);
  EXPECT_EQ(window->GetMenuItemID(14), QX_IDM_MORE_WINDOWS);
  struct Row {
    int selected, pick;
    UINT command;
    const char* active;
  };
  for (Row row :
       {Row{10, 9, IDOK, "Plan11"}, Row{9, 2, 0, "Plan4"}, Row{2, 0, IDCANCEL, "Plan4"}}) {
    SCOPED_TRACE(row.active);
    QxTest::DialogScript script({[&](CDialog& dialog) {
      auto* list = dynamic_cast<CListBox*>(dialog.GetDlgItem(QX_IDC_WINDOW_LIST));
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(list->GetCount(), 11);
      EXPECT_EQ(list->GetCurSel(), row.selected);
      CRect item;
      list->GetItemRect(row.pick, &item);
      if (row.command == 0) return QxTest::DoubleClick(list, item.CenterPoint());
      list->SetCurSel(row.pick);
      dialog.SendMessage(WM_COMMAND, row.command);
    }});
    Frame()->SendCommand(QX_IDM_MORE_WINDOWS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].templateId, QX_IDD_SELECT_WINDOW);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_STREQ(ActiveDoc()->GetTitle(), row.active);
  }
}

TEST_F(UiDocView, TileAndCascadeShareTheClientAreaAmongTheDocumentWindows) {
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  QMdiArea* area = Frame()->QxMdiArea();
  ASSERT_NE(area, nullptr);
  const QRect client = area->viewport()->rect();
  for (bool stacked : {true, false}) {
    SCOPED_TRACE(stacked ? "horizontal" : "vertical");
    Frame()->SendMessage(WM_COMMAND, stacked ? ID_WINDOW_TILE_HORZ : ID_WINDOW_TILE_VERT);
    QxTest::PumpEvents();
    int next = 0;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
      QRect r = sub->geometry();
      EXPECT_FALSE(sub->isMaximized());
      EXPECT_EQ(stacked ? r.top() : r.left(), next);
      EXPECT_EQ(stacked ? r.width() : r.height(), stacked ? client.width() : client.height());
      next = stacked ? r.bottom() + 1 : r.right() + 1;
    }
    EXPECT_EQ(next, stacked ? client.height() : client.width());
  }
  Frame()->SendMessage(WM_COMMAND, ID_WINDOW_CASCADE);
  QxTest::PumpEvents();
  std::vector<QPoint> corners;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
    corners.push_back(sub->pos());
  ASSERT_EQ(corners.size(), 3u);
  EXPECT_TRUE(corners[0] != corners[1] && corners[1] != corners[2] && corners[0] != corners[2]);
}

// Document windows made maximised had no size of their own: restored (the menu
// bar's restore button) and cascaded, each is a usable window, not a caption.
TEST_F(UiDocView, RestoredAndCascadedDocumentWindowsKeepAWindowsSize) {
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  QMdiArea* area = Frame()->QxMdiArea();
  ASSERT_NE(area, nullptr);
  QMdiSubWindow* active = area->activeSubWindow();
  ASSERT_TRUE(active && active->isMaximized());
  active->showNormal();
  QxTest::PumpEvents();
  const QRect client = area->viewport()->rect();
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  EXPECT_GT(active->height(), client.height() / 2);
  EXPECT_GT(active->width(), client.width() / 2);
  Frame()->SendMessage(WM_COMMAND, ID_WINDOW_CASCADE);
  QxTest::PumpEvents();
  int k = 0;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    EXPECT_FALSE(sub->isMaximized());
    EXPECT_EQ(sub->pos(), QPoint(k * step, k * step));
    EXPECT_EQ(sub->size(), active->size());
    ++k;
  }
  EXPECT_EQ(k, 2);
}

// (The application's tests use the template's other strings: the names, the filter.)
TEST(UiDocTemplate, WithoutADocumentNameUntitledDocumentsAreUntitled) {
  AfxRegisterString(IDR_DOC + 100, "");
  CMultiDocTemplate unnamed(IDR_DOC + 100, RUNTIME_CLASS(CPlanDoc), RUNTIME_CLASS(CPlanChild),
                            RUNTIME_CLASS(CPlanView));
  CPlanDoc doc;
  doc.m_bAutoDelete = FALSE;
  unnamed.SetDefaultTitle(&doc);
  EXPECT_STREQ(doc.GetTitle(), "Untitled1");
}

TEST(UiRecentFiles, NewestFirstWithoutDuplicatesAndKeptAcrossRuns) {
  {
    CWinApp app("RecentTest");
    app.SetRegistryKey("Plenthoria-recent");
    app.LoadStdProfileSettings(4);
    EXPECT_TRUE(app.GetRecentFiles().empty());
    for (const char* path : {"/a.qox", "/b.qox", "/c.qox", "/a.qox", "/d.qox", "/e.qox"})
      app.AddToRecentFileList(path);
    app.ExitInstance();  // writes the list
  }
  CWinApp again("RecentTest");
  again.SetRegistryKey("Plenthoria-recent");
  again.LoadStdProfileSettings(4);
  std::vector<std::string> files;
  for (const CString& file : again.GetRecentFiles()) files.push_back(file.GetString());
  EXPECT_EQ(files, (std::vector<std::string>{"/e.qox", "/d.qox", "/a.qox", "/c.qox"}));
}

class CSheetView : public CScrollView {
  DECLARE_DYNCREATE(CSheetView)

 public:
  void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CSheetView, CScrollView)

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
  view->SetScrollSizes(MM_TEXT, CSize(10, 10));  // a total smaller than the window never scrolls
  EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));
  host.DestroyWindow();  // deletes the view with its window
  QxTest::PumpEvents();
}

}  // namespace
}  // namespace qxtest
