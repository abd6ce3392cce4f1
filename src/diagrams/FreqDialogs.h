#pragma once
// The two dialogs of the frequency diagrams: "Edit Node" (one node's
// frequency, inertia and label) and "Frequency Diagram Properties" (the sweep
// and the bands). Both show their frequencies in rad/s with "Radians" ticked
// or in hertz without it; a click on the box converts the shown values in
// place. A click after a refused field converts the values last accepted
// (the refused text is replaced), so the box and the numbers always agree.
// Neither has a Cancel button: Escape and the close box change nothing.
#include "platform/ui/Dialog.h"
#include "res/resource.h"

class CEditNodesDlg : public CDialog {
 public:
  explicit CEditNodesDlg(CWnd* pParent = nullptr);

  int m_bRadians;  // the frequency is in rad/s (else in hertz)
  int m_bShowLabel;
  double m_dFrequency;  // 0 .. 1e300
  double m_dInertia;    // 0 .. 1e300

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnRadians();

  DECLARE_MESSAGE_MAP()
};

class CFreqDiagPropDlg : public CDialog {
 public:
  explicit CFreqDiagPropDlg(CWnd* pParent = nullptr);

  int m_bGershgorin;
  int m_bOstrowski;
  int m_bRadians;   // start and stop in rad/s (else in hertz)
  int m_nSteps;     // 10 .. 10000
  int m_nTickStep;  // 1 .. 100000
  double m_dStart;  // 1e-300 .. 1e300
  double m_dStop;   // 1e-300 .. 1e300, above the start

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnRadians();
  // Ends with OK only when the fields are accepted and start < stop (in the
  // unit shown); else "Invalid frequency range" and the dialog stays.
  void OnOK() override;

  DECLARE_MESSAGE_MAP()
};

// The view's "Properties" on a frequency diagram: fills the dialog from the
// sweep settings and bits 0-1 of g_bFreqFlags, runs it, and only on OK stores
// them back (in rad/s; the other flag bits kept). TRUE when stored.
BOOL EditFrequencyProperties(CWnd* pParent);
