#pragma once
// "Root Locus Properties": the process-wide settings of the variable loci and
// of pole dragging. The dialog edits six numbers and validates them on OK;
// the caller fills them before and takes them back after an OK.
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_RLPROPERTIES and its fields IDC_RL_*

class CRootLocusPropDlg : public CDialog {
 public:
  // All six fields start at zero.
  explicit CRootLocusPropDlg(CWnd* pParent = nullptr);

  int m_nLogSteps;      // steps of a logarithmic sweep, 0 .. 1000
  int m_nLinSteps;      // steps of a deviation sweep, 0 .. 1000
  double m_dMaxGain;    // upper end of the logarithmic sweep, 1e-300 .. 1e300
  double m_dMinGain;    // lower end, 1e-300 .. 1e300 (above the maximum is accepted)
  double m_dInertia;    // "Root inertia" of pole dragging, 0 .. 1e300
  double m_dCancelTol;  // pole-zero cancellation distance, 1e-300 .. 10

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};

// The view's "Properties" command on the root locus: fills the dialog from the
// six settings, runs it, and only on OK writes all six back. TRUE when they
// were written (the caller then recalculates and updates the document).
BOOL EditRootLocusProperties(CWnd* pParent);
