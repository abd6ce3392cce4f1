#pragma once
// COutputBar: the "SimulationView" dialog bar along the bottom of the main
// frame. It holds one signal pane per signal row of the shown document and a
// sizing grip; its docked height is g_nOutputBarHeight. The frame creates it
// from template 102; the document shows itself in it through CDesignBar.
// The panes themselves come with the signal-pane work: until then the bar
// records how many it should show and repaints itself.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"

class COutputBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(COutputBar)

 public:
  // Sets g_pOutputBar to this bar.
  COutputBar();
  ~COutputBar() override;

  // The whole design: one pane per row of its largest signal (m_nMaxSignalSize).
  // Shown signals: the panes repaint. A new sample: the strip next to it.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Docked along the bottom, the bar is g_nOutputBarHeight high.
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  // Makes n signal panes when n differs from the present count, else repaints them.
  void SetPaneCount(int n);
  int GetPaneCount() const { return m_nPanes; }
  // Repaints every pane at once.
  void UpdatePanes();
  // The screen strip of the samples next to `sample` needs repainting.
  void InvalidateSamples(int sample);

  CQorexDoc* m_pDoc = nullptr;  // the document shown, or null

 protected:
  int m_nPanes = 0;
};

// The "SimulationView" bar (set by its constructor) and its docked height in pixels.
extern COutputBar* g_pOutputBar;
extern int g_nOutputBarHeight;
