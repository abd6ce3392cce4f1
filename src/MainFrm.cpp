#include "MainFrm.h"

#include "GlobalResources.h"
#include "Splash.h"
#include "platform/core/Debug.h"
#include "res/resource.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

#include <QMainWindow>

CMainFrame* g_pMainFrame = nullptr;

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_X, ID_INDICATOR_Y};
// The dialog bars other than "SimulationView": left or right, with a right border.
constexpr DWORD kSideBarStyle =
    CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT | CBRS_FLYBY | CBRS_TOOLTIPS | CBRS_HIDE_INPLACE;
// Where the side bars may dock.
constexpr DWORD kSideDocking = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
constexpr DWORD kOutputBarStyle =
    CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP | CBRS_FLYBY | CBRS_TOOLTIPS | CBRS_HIDE_INPLACE;
const CPoint kVariablesAt(300, 130);
const CPoint kEqualizerAt(10, 130);
const CPoint kCommentsAt(100, 10);

}  // namespace

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_REGISTERED_MESSAGE(g_msgAdc, OnAdc)
ON_COMMAND(WM_APP + 8, OnFindG)
ON_COMMAND(ID_VIEW_VARIABLES, OnViewVariables)
ON_UPDATE_COMMAND_UI(ID_VIEW_VARIABLES, OnUpdateViewVariables)
ON_COMMAND(ID_VIEW_SIMULATIONVIEW, OnViewSimulationView)
ON_UPDATE_COMMAND_UI(ID_VIEW_SIMULATIONVIEW, OnUpdateViewSimulationView)
ON_COMMAND(ID_VIEW_PROCESSVIEW, OnViewProcessView)
ON_UPDATE_COMMAND_UI(ID_VIEW_PROCESSVIEW, OnUpdateViewProcessView)
ON_COMMAND(ID_VIEW_EQUALIZER, OnViewEqualizer)
ON_UPDATE_COMMAND_UI(ID_VIEW_EQUALIZER, OnUpdateViewEqualizer)
ON_COMMAND(ID_VIEW_COMMENTS, OnViewComments)
ON_UPDATE_COMMAND_UI(ID_VIEW_COMMENTS, OnUpdateViewComments)
ON_COMMAND_EX(IDW_OUTPUTBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_OUTPUTBAR, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_LEFTBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_LEFTBAR, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_VARBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_VARBAR, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_EQUALIZERBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_EQUALIZERBAR, OnUpdateControlBarMenu)
ON_COMMAND_EX(IDW_COMMENTBAR, OnBarCheck)
ON_UPDATE_COMMAND_UI(IDW_COMMENTBAR, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

std::span<CDesignBar* const> DesignBars() {
  if (g_pMainFrame == nullptr) return {};
  return g_pMainFrame->m_designBars;
}

CQorexDoc* SimulationViewDesign() {
  return g_pMainFrame ? g_pMainFrame->m_wndOutputBar.m_pDoc : nullptr;
}

CMainFrame::CMainFrame() {
  g_pMainFrame = this;
}

CMainFrame::~CMainFrame() {
  if (g_pMainFrame == this) g_pMainFrame = nullptr;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  return CMDIFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CMDIFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  CSplash::ShowSplashScreen(this);

  if (!m_wndToolBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
    TRACE0("Failed to create toolbar\n");
    return -1;
  }
  m_wndToolBar.SetWindowText("Standard");
  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(kIndicators, 3)) {
    TRACE0("Failed to create status bar\n");
    return -1;
  }
  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY |
                           CBRS_SIZE_DYNAMIC);
  EnableDocking(CBRS_ALIGN_ANY);
  // The bottom corners belong to the bottom dock, so "SimulationView" spans
  // the whole window under the side bars.
  if (QMainWindow* window = QxMainWindow()) {
    window->setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
    window->setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);
  }
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);

  if (!CreateDialogBar(m_wndOutputBar, IDD_OUTPUTBAR, IDW_OUTPUTBAR, kOutputBarStyle,
                       CBRS_ALIGN_BOTTOM, "SimulationView")) {
    return -1;
  }
  DockControlBar(&m_wndOutputBar);
  if (!CreateDialogBar(m_wndLeftBar, IDD_LEFTBAR, IDW_LEFTBAR, kSideBarStyle, kSideDocking,
                       "ProcessView")) {
    return -1;
  }
  DockControlBar(&m_wndLeftBar, AFX_IDW_DOCKBAR_LEFT);
  if (!CreateDialogBar(m_wndVarbar, IDD_VARBAR, IDW_VARBAR, kSideBarStyle, kSideDocking,
                       "Variables")) {
    return -1;
  }
  if (!CreateDialogBar(m_wndEqualizerBar, IDD_EQUALIZERBAR, IDW_EQUALIZERBAR, kSideBarStyle,
                       kSideDocking, "Performance Equalizer")) {
    return -1;
  }
  ShowControlBar(&m_wndEqualizerBar, FALSE, FALSE);
  FloatAtClientPoint(m_wndEqualizerBar, kEqualizerAt);
  if (!CreateDialogBar(m_wndCommentBar, IDD_COMMENTBAR, IDW_COMMENTBAR, kSideBarStyle, kSideDocking,
                       "Comments")) {
    return -1;
  }
  ShowControlBar(&m_wndCommentBar, FALSE, FALSE);
  FloatAtClientPoint(m_wndCommentBar, kCommentsAt);

  // A failure inside reports itself and does not stop the frame.
  InitGlobalResources();

  FloatAtClientPoint(m_wndVarbar, kVariablesAt);
  FloatAtClientPoint(m_wndEqualizerBar, kEqualizerAt);
  return 0;
}

BOOL CMainFrame::CreateDialogBar(CDialogBar& bar, UINT nIDTemplate, UINT nID, DWORD dwStyle,
                                 DWORD dwDockStyle, const char* title) {
  if (!bar.Create(this, nIDTemplate, dwStyle, nID)) {
    TRACE1("Failed to create dialog bar \"%s\"\n", title);
    return FALSE;
  }
  bar.EnableDocking(dwDockStyle);
  bar.SetWindowText(title);
  return TRUE;
}

void CMainFrame::FloatAtClientPoint(CControlBar& bar, CPoint point, DWORD dwStyle) {
  ClientToScreen(&point);
  FloatControlBar(&bar, point, dwStyle);
}

void CMainFrame::RecalcLayout(BOOL bNotify) {
  CMDIFrameWnd::RecalcLayout(bNotify);
  if (!m_wndOutputBar.GetSafeHwnd() || m_wndOutputBar.IsFloating()) return;
  // At the height it asks for: its grip may just have changed it.
  CRect client;
  GetClientRect(&client);
  m_wndOutputBar.SetWindowPos(nullptr, 0, 0, client.Width(),
                              m_wndOutputBar.CalcFixedLayout(FALSE, TRUE).cy,
                              SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainFrame::OnAdc(WPARAM wParam, LPARAM lParam) {
  if (g_pAnalogIo) g_pAnalogIo->ReceiveInputs(wParam, lParam);  // takes g_pcsAnalogIo itself
  return 0;
}

void CMainFrame::OnFindG() {
  if (m_wndEqualizerBar.m_pDoc) m_wndEqualizerBar.FindG();
  g_wStatus.fetch_and(static_cast<WORD>(~kStatusFindGPending));
}

void CMainFrame::ToggleBar(CControlBar& bar) {
  ShowControlBar(&bar, !bar.IsWindowVisible(), FALSE);
}

void CMainFrame::CheckBar(CControlBar& bar, CCmdUI* pCmdUI) {
  pCmdUI->SetCheck(bar.IsWindowVisible() ? 1 : 0);
}

void CMainFrame::OnViewVariables() {
  ToggleBar(m_wndVarbar);
}
void CMainFrame::OnUpdateViewVariables(CCmdUI* pCmdUI) {
  CheckBar(m_wndVarbar, pCmdUI);
}
void CMainFrame::OnViewSimulationView() {
  ToggleBar(m_wndOutputBar);
}
void CMainFrame::OnUpdateViewSimulationView(CCmdUI* pCmdUI) {
  CheckBar(m_wndOutputBar, pCmdUI);
}
void CMainFrame::OnViewProcessView() {
  ToggleBar(m_wndLeftBar);
}
void CMainFrame::OnUpdateViewProcessView(CCmdUI* pCmdUI) {
  CheckBar(m_wndLeftBar, pCmdUI);
}
void CMainFrame::OnViewEqualizer() {
  ToggleBar(m_wndEqualizerBar);
}
void CMainFrame::OnUpdateViewEqualizer(CCmdUI* pCmdUI) {
  CheckBar(m_wndEqualizerBar, pCmdUI);
}
void CMainFrame::OnViewComments() {
  ToggleBar(m_wndCommentBar);
}
void CMainFrame::OnUpdateViewComments(CCmdUI* pCmdUI) {
  CheckBar(m_wndCommentBar, pCmdUI);
}
