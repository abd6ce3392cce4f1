#include "MainFrm.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "Splash.h"
#include "WorkerMessages.h"
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

}  // namespace

// The "FindG" command and the worker's message share their number.
static_assert(ID_FINDG == WM_QX_FINDG);

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_REGISTERED_MESSAGE(g_msgAdc, OnAdc)
ON_COMMAND(ID_FINDG, OnFindG)
ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
END_MESSAGE_MAP()

std::span<CDesignBar* const> DesignBars() {
  if (g_pMainFrame == nullptr) return {};
  return {g_pMainFrame->m_designBars.data(), g_pMainFrame->m_designBars.size()};
}

CQorexDoc* SimulationViewDesign() {
  return g_pMainFrame ? g_pMainFrame->m_wndOutputBar.m_pDoc : nullptr;
}

void SayDesignState() {
  if (g_pMainFrame && IsWindow(g_pMainFrame->GetSafeHwnd())) g_pMainFrame->ShowDesignState();
}

namespace {
std::vector<CDesignBar*> DesignBarsOf(const std::vector<QxBarRow>& rows) {
  std::vector<CDesignBar*> bars;
  for (const QxBarRow& row : rows) bars.push_back(row.design);
  return bars;
}
}  // namespace

CMainFrame::CMainFrame()
    : m_bars{
          {m_wndOutputBar, IDD_OUTPUTBAR, IDW_OUTPUTBAR, "SimulationView", kOutputBarStyle,
           CBRS_ALIGN_BOTTOM, BarStart::kDockedBottom, {}, ID_VIEW_SIMULATIONVIEW},
          {m_wndLeftBar, IDD_LEFTBAR, IDW_LEFTBAR, "ProcessView", kSideBarStyle, kSideDocking,
           BarStart::kDockedLeft, {}, ID_VIEW_PROCESSVIEW},
          {m_wndVarbar, IDD_VARBAR, IDW_VARBAR, "Variables", kSideBarStyle, kSideDocking,
           BarStart::kFloating, {300, 130}, ID_VIEW_VARIABLES},
          {m_wndEqualizerBar, IDD_EQUALIZERBAR, IDW_EQUALIZERBAR, "Performance Equalizer",
           kSideBarStyle, kSideDocking, BarStart::kFloatingHidden, {10, 130}, ID_VIEW_EQUALIZER},
          {m_wndCommentBar, IDD_COMMENTBAR, IDW_COMMENTBAR, "Comments", kSideBarStyle,
           kSideDocking, BarStart::kFloatingHidden, {100, 10}, ID_VIEW_COMMENTS},
      },
      m_designBars(DesignBarsOf(m_bars)) {
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

  for (const QxBarRow& row : m_bars) {
    if (!CreateDialogBar(*row.bar, row.nIDTemplate, row.nID, row.dwStyle, row.dwDockStyle,
                         row.caption)) {
      return -1;
    }
    if (row.start == BarStart::kDockedBottom) DockControlBar(row.bar);
    if (row.start == BarStart::kDockedLeft) DockControlBar(row.bar, AFX_IDW_DOCKBAR_LEFT);
    if (row.start == BarStart::kFloatingHidden) ShowControlBar(row.bar, FALSE, FALSE);
  }

  // A failure inside reports itself and does not stop the frame.
  InitGlobalResources();

  // Floated once every bar is docked, so the client area they are placed in
  // is final.
  for (const QxBarRow& row : m_bars)
    if (row.start == BarStart::kFloating || row.start == BarStart::kFloatingHidden)
      FloatAtClientPoint(*row.bar, row.at);
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
  AnswerWorker(kStatusFindGPending, WakeWaiters::kNo);
}

CString CMainFrame::DesignStateText() const {
  const CQorexDoc* shown = m_wndOutputBar.m_pDoc;
  return shown ? shown->LoopStateText() : CString();
}

void CMainFrame::ShowDesignState() {
  if (!m_wndStatusBar.GetSafeHwnd()) return;
  const bool stale = !m_strStateShown.IsEmpty() && m_wndStatusBar.GetPaneText(0) == m_strStateShown;
  if (stale || !DesignStateText().IsEmpty()) SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
}

LRESULT CMainFrame::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0 || wParam != AFX_IDS_IDLEMESSAGE)
    return CMDIFrameWnd::OnSetMessageString(wParam, lParam);
  m_strStateShown = DesignStateText();
  if (m_strStateShown.IsEmpty()) return CMDIFrameWnd::OnSetMessageString(wParam, lParam);
  SetMessageText(m_strStateShown);
  return 0;
}

void CMainFrame::ToggleBar(CControlBar& bar) {
  ShowControlBar(&bar, !bar.IsWindowVisible(), FALSE);
}

void CMainFrame::CheckBar(CControlBar& bar, CCmdUI* pCmdUI) {
  pCmdUI->SetCheck(bar.IsWindowVisible() ? 1 : 0);
}

BOOL CMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  const bool command = nCode == CN_COMMAND, update = nCode == CN_UPDATE_COMMAND_UI;
  for (const QxBarRow& row : m_bars) {
    if (!(command || update) || (nID != row.nViewCommand && nID != row.nID)) continue;
    if (pHandlerInfo) {
      pHandlerInfo->pTarget = this;
      return TRUE;
    }
    auto* cmdUI = static_cast<CCmdUI*>(pExtra);
    if (nID == row.nViewCommand) {
      if (command) ToggleBar(*row.bar);
      if (update) CheckBar(*row.bar, cmdUI);
      return TRUE;
    }
    // The bar-id commands keep the framework's own handlers.
    if (command && OnBarCheck(nID)) return TRUE;
    if (update) {
      cmdUI->m_bContinueRouting = FALSE;
      OnUpdateControlBarMenu(cmdUI);
      if (!cmdUI->m_bContinueRouting) return TRUE;
    }
    break;
  }
  return CMDIFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
