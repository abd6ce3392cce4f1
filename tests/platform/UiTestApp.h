#pragma once
// A small application made only from the windows layer, shared by the
// application, bar, document, shell and print preview tests: a main frame with
// a toolbar, a status bar, a docked and a floating dialog bar, and a document
// template with an MDI child frame and a view that prints two pages. The
// message maps and resources are in UiAppTest.cpp.
#include "platform/testing/TestHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/WinApp.h"
#include "tests/support/AppFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qxtest {

constexpr UINT IDR_MAIN = 128;
constexpr UINT IDR_DOC = 129;
constexpr UINT IDD_BOTTOM = 102;
constexpr UINT IDW_BOTTOM = 103;
constexpr UINT IDD_FLOAT = 104;
constexpr UINT IDW_FLOAT = 105;
constexpr UINT IDC_BAR_BUTTON = 1001;  // a plain child window in the bottom bar
constexpr UINT IDC_BAR_EDIT1 = 1010;   // two edits with a static between them
constexpr UINT IDC_BAR_EDIT2 = 1012;
constexpr UINT ID_ROUTE_VIEW = 33001;   // handled by all five targets
constexpr UINT ID_ROUTE_DOC = 33002;    // by all but the view
constexpr UINT ID_ROUTE_CHILD = 33003;  // by the child frame, main frame and application
constexpr UINT ID_ROUTE_MAIN = 33004;   // by the main frame and application
constexpr UINT ID_ROUTE_APP = 33005;    // by the application only
constexpr UINT ID_TB_CHECKED = 33010;
constexpr UINT ID_TB_ORPHAN = 33011;  // no handler anywhere
constexpr UINT ID_INDICATOR_X = 59142;
constexpr UINT WM_FINDG = WM_APP + 8;

// The black block on each printed page, in page pixels.
inline const CRect kPageMarks[] = {CRect(100, 100, 300, 200), CRect(300, 500, 500, 700)};

// What the handlers of the application saw, in order.
extern std::vector<std::string> g_log;

void RegisterTestAppResources();

// Files of this kind hold an int and end with 0xBEEF.
class CPlanDoc : public CDocument {
  DECLARE_DYNCREATE(CPlanDoc)

 public:
  void Serialize(CArchive& ar) override;
  void DeleteContents() override {
    m_nValue = 0;
    ++m_nDeletes;
  }
  int m_nValue = 0;
  int m_nDeletes = 0;
  std::function<void()> m_onStored;  // runs when the record is stored; may throw

 protected:
  void OnRoute() { g_log.push_back("doc"); }
  DECLARE_MESSAGE_MAP()
};

// Fills itself green; prints m_nPages pages, each with its block of kPageMarks,
// logging the start and end of each job.
class CPlanView : public CView {
  DECLARE_DYNCREATE(CPlanView)

 public:
  void OnDraw(CDC* pDC) override;
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override {
    ++m_nUpdates;
    CView::OnUpdate(pSender, lHint, pHint);
  }
  BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
  void OnBeginPrinting(CDC*, CPrintInfo*) override { g_log.push_back("begin"); }
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
  void OnEndPrinting(CDC*, CPrintInfo*) override { g_log.push_back("end"); }
  int m_nDraws = 0;
  int m_nUpdates = 0;
  UINT m_nPages = 2;
  CSize m_page;  // the size of the page printed last

 protected:
  void OnRoute() { g_log.push_back("view"); }
  void OnUpdateIndicator(CCmdUI* pCmdUI) { pCmdUI->SetText("x=5"); }
  DECLARE_MESSAGE_MAP()
};

class CPlanChild : public CMDIChildWnd {
  DECLARE_DYNCREATE(CPlanChild)

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void OnRoute() { g_log.push_back("child"); }
  DECLARE_MESSAGE_MAP()
};

// A bar whose docked height is a setting, as a bar with a size grip keeps it.
class CTallBar : public CDialogBar {
 public:
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void DoDataExchange(CDataExchange* pDX) override {
    ++m_nExchanges;
    if (pDX->m_bSaveAndValidate && m_bRefuse) pDX->Fail();
  }
  int m_nHeight = 0;
  int m_nExchanges = 0;
  bool m_bRefuse = false;
};

class CTestMainFrame : public CMDIFrameWnd {
 public:
  CToolBar m_wndToolBar;
  CStatusBar m_wndStatusBar;
  CTallBar m_wndBottomBar;
  CDialogBar m_wndFloatBar;
  bool m_bFailCreate = false;

 protected:
  int OnCreate(LPCREATESTRUCT lpcs);
  void OnRoute() { g_log.push_back("main"); }
  void OnBarButton() { g_log.push_back("bar button"); }
  void OnOk() { g_log.push_back("ok"); }
  void OnCancelCommand() { g_log.push_back("cancel"); }
  void OnInitMenu(CMenu* pMenu);
  DECLARE_MESSAGE_MAP()
};

class CTestApp : public CWinApp {
 public:
  CTestApp() : CWinApp("Testapp") {}
  BOOL InitInstance() override;
  BOOL OnIdle(LONG lCount) override {
    ++m_nIdlePasses;
    return CWinApp::OnIdle(lCount);
  }
  CTestMainFrame* Frame() const { return static_cast<CTestMainFrame*>(m_pMainWnd); }

  bool m_bFailMainFrame = false;
  int m_nIdlePasses = 0;
  std::vector<WPARAM> m_threadParams;  // of the WM_FINDG thread messages
  CWnd* m_pEndModalOnThird = nullptr;  // a modal loop the third of them ends

 protected:
  void OnRoute() { g_log.push_back("app"); }
  void OnUpdateChecked(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
  void OnFindG(WPARAM wParam, LPARAM);
  DECLARE_MESSAGE_MAP()
};

// The application started with its untitled document; closed, discarding changes, at the end.
class UiApp : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  CTestMainFrame* Frame() { return m_app->Frame(); }
  CMDIChildWnd* ActiveChild() { return Frame()->MDIGetActive(); }
  CPlanView* ActiveView() { return static_cast<CPlanView*>(ActiveChild()->GetActiveView()); }
  CPlanDoc* ActiveDoc() { return static_cast<CPlanDoc*>(ActiveChild()->GetActiveDocument()); }
  // The state an update handler (or its absence) gives the command.
  CCmdUI Update(UINT id) {
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(Frame(), TRUE);
    return ui;
  }

  std::unique_ptr<CTestApp> m_app;
};

}  // namespace qxtest
