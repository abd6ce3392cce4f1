#pragma once
// CEqualizerBar: the "Performance Equalizer" dialog bar: the criterion
// weights, the searches, the population of recorded designs and the process
// identification (FindG) of the shown document. The frame creates it from
// template 108, hidden. The searches, the recording and the identification
// come with the bar's own work; until then FindG does nothing, recording is
// off, so RecordDesign does nothing, CollectFreeVariables does nothing and
// Optimize only keeps its mode word.
//
// The bar is the design search the frequency engine's searches reach
// (CSIMsearchUi, simulation/SIMsearch.h); the application installs it.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"
#include "simulation/SIMsearch.h"

class CEqualizerBar : public CDialogBar,
                      public CDesignBar,
                      public CDesignRecorder,
                      public CSIMsearchUi {
  DECLARE_DYNAMIC(CEqualizerBar)

 public:
  // Sets g_pEqualizerBar to this bar and installs it as the design recorder.
  CEqualizerBar();
  // Clears g_pEqualizerBar, and the installed recorder and search when they
  // are this bar.
  ~CEqualizerBar() override;

  // The whole design, or its population started again: Refresh.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Identifies the process model from the stored real-time runs of the
  // bar's document.
  void FindG();
  // Records the design around a change: modes 0 and 1 append it to the
  // population, 2 and 3 update the last entry's roots. Nothing while
  // recording is off.
  void RecordDesign(int mode) override;
  // Repaints the button strip and the history window.
  void Refresh();

  // The free design variables of the search: the variables of the models
  // marked "Allow automatic modification", less those of the other models.
  void CollectFreeVariables() override;
  // Searches the free variables; bit 0x8000 global, 0x2000 the frequency
  // engine's cost. Keeps the mode word in m_wMode.
  void Optimize(WORD mode) override;

  CQorexDoc* m_pDoc = nullptr;  // the document shown, or null
  BOOL m_bRecording = FALSE;    // the record button: off at start
  WORD m_wMode = 0;             // mode word of the last search
};

// The "Performance Equalizer" bar, set by its constructor.
extern CEqualizerBar* g_pEqualizerBar;
