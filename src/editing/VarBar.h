#pragma once
// CVarBar: the "Variables" dialog bar: the used design variables of a
// document with their values, ranges and loci. Showing a design sets the
// requested document (m_pDoc); UpdateBar takes it over as the listed one
// (m_pListedDoc). The frame creates the bar from template 106. The list and
// edits are filled by the bar's own work; until then UpdateBar only follows
// the requested document.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"

class CVarBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CVarBar)

 public:
  // Sets g_pVarBar to this bar.
  CVarBar();
  ~CVarBar() override;

  // The whole design: requested, then shown with UpdateBar(TRUE). Changed
  // variables: UpdateBar(FALSE), the list made again.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  // Also when doc is only still listed.
  void ForgetDesign(const CQorexDoc* doc) override;

  // Shows the requested document (nothing when there is none). bSameDocument:
  // the listed document stays and only its values changed.
  void UpdateBar(BOOL bSameDocument);

  CQorexDoc* m_pDoc = nullptr;        // the document asked for
  CQorexDoc* m_pListedDoc = nullptr;  // the document whose variables are listed
};

// The "Variables" bar, set by its constructor.
extern CVarBar* g_pVarBar;
