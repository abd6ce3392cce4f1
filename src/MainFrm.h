#pragma once
// CMainFrame: the main window. It owns the toolbar, the status bar and the
// five dialog bars ("SimulationView", "ProcessView", "Variables",
// "Performance Equalizer", "Comments"), makes them and the shared drawing
// resources when its window is created, keeps "SimulationView" as wide as the
// window while it is docked, receives the analog inputs a companion process
// broadcasts, and shows or hides the bars on command.
//
// The dialog bars are described once, in the bar table (m_bars): creation,
// the first placement, the "View" items and the bar-id commands, and the list
// of bars the document walks to show a design (DesignBar.h) all follow from
// it, so a new docking bar is a member and one row.
#include "CommentBar.h"
#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "editing/VarBar.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"
#include "search/EqualizerBar.h"

#include <vector>

// Where a bar starts: docked at the bottom or on the left, or floating at a
// point of the client area, shown or hidden.
enum class BarStart { kDockedBottom, kDockedLeft, kFloating, kFloatingHidden };

// One row of the bar table.
struct QxBarRow {
  template <class Bar>
  QxBarRow(Bar& b, UINT idTemplate, UINT id, const char* text, DWORD style, DWORD dockStyle,
           BarStart place, CPoint point, UINT viewCommand)
      : bar(&b),
        design(&b),
        nIDTemplate(idTemplate),
        nID(id),
        caption(text),
        dwStyle(style),
        dwDockStyle(dockStyle),
        start(place),
        at(point),
        nViewCommand(viewCommand) {}

  CDialogBar* bar;
  CDesignBar* design;  // the same bar, as the document sees it
  UINT nIDTemplate;
  UINT nID;             // its child id, also the command that toggles it
  const char* caption;  // its window text
  DWORD dwStyle;        // bar style (alignment, borders, tips)
  DWORD dwDockStyle;    // where it may dock
  BarStart start;
  CPoint at;          // client point of a floating start
  UINT nViewCommand;  // the "View" item that shows and hides it
};

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
  // The bar table, in the order OnCreate makes the bars, and the same bars as
  // the document's list (DesignBars()).
  const std::vector<QxBarRow> m_bars;
  const std::vector<CDesignBar*> m_designBars;

  // The "View" items and the bar-id commands of the table's rows: toggling
  // and checking their bars; everything else goes the framework's way.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  // The analog input message: four 16-bit codes, channel 0 in the low word
  // of wParam, 1 in its high word, 2 and 3 likewise in lParam.
  LRESULT OnAdc(WPARAM wParam, LPARAM lParam);

  // What the status line says between messages and prompts: the state of
  // the design the bars show (CQorexDoc::LoopStateText), empty while that
  // design is sound or no design is shown; then the line says "Ready".
  CString DesignStateText() const;
  // The design the bars show, or its state, has changed: a state is said
  // again; a state the line still shows that the design no longer has gives
  // way to "Ready". A message said since the last state (a run's) stays.
  void ShowDesignState();

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
  // The idle text (AFX_IDS_IDLEMESSAGE, as every closing menu and every
  // pointer leaving a toolbar asks for it) is DesignStateText, or "Ready".
  LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);

  CString m_strStateShown;  // the state the status line took last as its idle text

  DECLARE_MESSAGE_MAP()
};

// The main frame, set by its constructor (null again once it is gone); test
// its window with IsWindow before use.
extern CMainFrame* g_pMainFrame;
