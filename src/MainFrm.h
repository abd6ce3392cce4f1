#pragma once
// CMainFrame: the main window. It owns the toolbar, the status bar and the
// five dialog bars ("SimulationView", "ProcessView", "Variables",
// "Performance Equalizer", "Comments"), makes them and the shared drawing
// resources when its window is created, keeps "SimulationView" as wide as the
// window while it is docked, receives the analog inputs a companion process
// broadcasts, and shows or hides the bars on command. Its list of bars is the
// one the document walks to show a design (DesignBar.h).
#include "CommentBar.h"
#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "editing/VarBar.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"
#include "search/EqualizerBar.h"

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNAMIC(CMainFrame)

 public:
  // Constructs the bars (each records itself in its global), then sets g_pMainFrame.
  CMainFrame();
  ~CMainFrame() override;

  // The framework's layout, then "SimulationView", when docked, stretched to
  // the client area's width at its own height.
  void RecalcLayout(BOOL bNotify = TRUE) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  // The bars, in the order they are constructed (destroyed in reverse).
  CCommentBar m_wndCommentBar;
  CStatusBar m_wndStatusBar;
  CToolBar m_wndToolBar;
  CEqualizerBar m_wndEqualizerBar;
  CVarBar m_wndVarbar;
  CLeftBar m_wndLeftBar;
  COutputBar m_wndOutputBar;
  // The five dialog bars in the order OnCreate makes them.
  CDesignBar* const m_designBars[5] = {&m_wndOutputBar, &m_wndLeftBar, &m_wndVarbar,
                                       &m_wndEqualizerBar, &m_wndCommentBar};

  // The analog input message: four 16-bit codes, channel 0 in the low word
  // of wParam, 1 in its high word, 2 and 3 likewise in lParam.
  LRESULT OnAdc(WPARAM wParam, LPARAM lParam);

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  // Creates one dialog bar: FALSE (with the diagnostic line) when it cannot be made.
  BOOL CreateDialogBar(CDialogBar& bar, UINT nIDTemplate, UINT nID, DWORD dwStyle,
                       DWORD dwDockStyle, const char* title);
  // Floats a bar at a point of the client area.
  void FloatAtClientPoint(CControlBar& bar, CPoint point, DWORD dwStyle = CBRS_ALIGN_TOP);
  void ToggleBar(CControlBar& bar);
  static void CheckBar(CControlBar& bar, CCmdUI* pCmdUI);

  void OnFindG();
  void OnViewVariables();
  void OnUpdateViewVariables(CCmdUI* pCmdUI);
  void OnViewSimulationView();
  void OnUpdateViewSimulationView(CCmdUI* pCmdUI);
  void OnViewProcessView();
  void OnUpdateViewProcessView(CCmdUI* pCmdUI);
  void OnViewEqualizer();
  void OnUpdateViewEqualizer(CCmdUI* pCmdUI);
  void OnViewComments();
  void OnUpdateViewComments(CCmdUI* pCmdUI);

  DECLARE_MESSAGE_MAP()
};

// The main frame, set by its constructor (null again once it is gone); test
// its window with IsWindow before use.
extern CMainFrame* g_pMainFrame;
