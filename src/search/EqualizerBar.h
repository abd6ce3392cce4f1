#pragma once
// CEqualizerBar: the "Performance Equalizer" dialog bar: eight sliders that
// weigh the time-domain criteria, and a strip of image buttons that sort and
// cull the population of recorded designs, record the shown design and start
// the local or global search. The frame creates it from template 108, hidden.
//
// The measuring, the cost, the searches, the recording, the genetic
// operators and the process identification (FindG) are the bar's engine (CEqualizerEngine,
// EqualizerEngine.h), which holds no window; the bar adds the controls, the
// buttons, the pane repaints and the history strip. The bar is the design
// recorder the document reaches (DesignBar.h) and the search the frequency
// engine reaches (simulation/SIMsearch.h); it installs itself as the
// recorder, the application installs it as the search.
//
// A slider move sets its criterion's weight, and with a document, a new
// position and Shift up, searches locally. A move during a search only sets
// the weight: a search never starts inside another.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "search/EqualizerEngine.h"

class CDC;
class CZevHISTWnd;

class CEqualizerBar : public CDialogBar, public CDesignBar, public CEqualizerEngine {
  DECLARE_DYNAMIC(CEqualizerBar)

 public:
  static constexpr int kSliders = 8;
  // The buttons of the strip; 0 is none.
  enum : int {
    kButtonSortFirst = 1,  // 1 .. 9 sort by criterion 0 .. 8
    kButtonSortByWeights = 10,
    kButtonRecordedPoles = 11,
    kButtonKillAll = 12,
    kButtonKillWorst = 13,
    kButtonOffspring = 14,
    kButtonRecord = 15,
    kButtonGlobal = 17,
    kButtonLocal = 18,
  };

  // Sets g_pEqualizerBar to this bar and installs it as the design recorder.
  CEqualizerBar();
  // Clears g_pEqualizerBar, and the installed recorder and search when they
  // are this bar.
  ~CEqualizerBar() override;

  // The whole design, or its population changed: Refresh.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Repaints the button strip and the history strip.
  void Refresh();
  // The button at client point (x, y), or 0: the left and top edges of a
  // button belong to it, the right and bottom ones do not.
  static int HitTest(int x, int y);

  void DoDataExchange(CDataExchange* pDX) override;

  CZevHISTWnd* m_pHistWnd = nullptr;  // the history strip; null until it exists
  int m_nHover = 0;                   // button under the mouse at the last move
  int m_nPressed = 0;                 // button pressed at the last button-down
  int m_lastSliderPos[kSliders] = {-1, -1, -1, -1, -1, -1, -1, -1};  // by criterion
  CSliderCtrl m_sliders[kSliders];  // controls 1027, 1026, ..., 1020

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnPaint();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  DECLARE_MESSAGE_MAP()

  void ShowTestRun() override;
  void ShowRecorded() override;

 private:
  void PaintButtons(CDC* dc);
  void DrawPressed(int button);
  void RedrawHistory();
  // The action of a button released over itself, with a document.
  void Act(int button);
};

// The "Performance Equalizer" bar, set by its constructor.
extern CEqualizerBar* g_pEqualizerBar;
