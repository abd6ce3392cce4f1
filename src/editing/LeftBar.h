#pragma once
// CLeftBar: the "ProcessView" dialog bar: the loop diagram of the shown
// document, its picker popups and the two real-time switches. The frame
// creates it from template 104; the document shows itself in it through
// CDesignBar after every change. The diagram and its pickers come with the
// bar's own work; until then it repaints its plain face.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"

class CLeftBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CLeftBar)

 public:
  // Sets g_pLeftBar to this bar.
  CLeftBar();
  ~CLeftBar() override;

  // The whole design: its loop diagram, repainted at once.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Repaints the loop diagram at once.
  void Redraw();

  CQorexDoc* m_pDoc = nullptr;  // the document shown, or null
};

// The "ProcessView" bar, set by its constructor.
extern CLeftBar* g_pLeftBar;
