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

#include <functional>

// What both dialogs share: the "Radians" box and its click.
class CFrequencyUnitDlg : public CDialog {
 public:
  int m_bRadians;  // the frequencies are in rad/s (else in hertz)

 protected:
  CFrequencyUnitDlg(UINT nIDTemplate, CWnd* pParent);
  // The box; a dialog exchanges its own fields after it.
  void DoDataExchange(CDataExchange* pDX) override;
  // Reads the fields; when one is refused, puts back every value as it was
  // before the call and returns FALSE.
  BOOL ReadFieldsOrKeep();
  // A copy of every exchanged value, as the function that puts it back.
  virtual std::function<void()> KeepValues() = 0;
  // The shown frequencies from hertz into rad/s (toRadians) or back.
  virtual void ConvertFrequencies(bool toRadians) = 0;
  void OnRadians();

  DECLARE_MESSAGE_MAP()
};

class CEditNodesDlg : public CFrequencyUnitDlg {
 public:
  explicit CEditNodesDlg(CWnd* pParent = nullptr);

  int m_bShowLabel;
  double m_dFrequency;  // 0 .. 1e300
  double m_dInertia;    // 0 .. 1e300

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  std::function<void()> KeepValues() override;
  void ConvertFrequencies(bool toRadians) override;
};

class CFreqDiagPropDlg : public CFrequencyUnitDlg {
 public:
  explicit CFreqDiagPropDlg(CWnd* pParent = nullptr);

  int m_bGershgorin;
  int m_bOstrowski;
  int m_nSteps;     // 10 .. 10000
  int m_nTickStep;  // 1 .. 100000
  double m_dStart;  // 1e-300 .. 1e300
  double m_dStop;   // 1e-300 .. 1e300, above the start

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  std::function<void()> KeepValues() override;
  void ConvertFrequencies(bool toRadians) override;
  // Ends with OK only when the fields are accepted and start < stop (in the
  // unit shown); else "Invalid frequency range" and the dialog stays.
  void OnOK() override;
};

// The view's "Properties" on a frequency diagram: fills the dialog from the
// sweep settings and the bands of g_bFreqFlags (kFreqBands), runs it, and only on OK stores
// them back (in rad/s; the other flag bits kept). TRUE when stored.
BOOL EditFrequencyProperties(CWnd* pParent);
