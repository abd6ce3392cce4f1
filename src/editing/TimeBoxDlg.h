#pragma once
// "Simulator Properties": the sampling and final time of a design, the
// accuracy watchdog's error tolerance in per cent and the size of the run
// buffer. The caller fills the fields, runs the dialog and applies them only
// when m_bAccepted says that OK found them sound.
//
// CQorexWatchdogUi answers the accuracy watchdog of the loop system with the
// real message box and this dialog.
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_TIMEBOX and its fields IDC_TIME_*
#include "simulation/SIMwatchdog.h"

class CTimeBoxDlg : public CDialog {
 public:
  // All fields start at zero.
  explicit CTimeBoxDlg(CWnd* pParent = nullptr);

  BOOL m_bAccepted;        // set by an OK whose times passed the checks
  double m_dFinalTime;     // seconds
  double m_dSamplingTime;  // seconds
  double m_dTolerance;     // per cent, 0 .. 1e300
  int m_nBufferSize;       // runs, 1 .. 10

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  // Refuses times that give no run or more than g_nMaxSamples samples, and
  // warns about fewer than g_nMinSamples.
  void OnOK() override;
};

class CQorexWatchdogUi : public CSIMwatchdogUi {
 public:
  // Yes/No box with the exclamation icon, owned by the main window.
  bool AskIncreaseAccuracy(const char* text, const char* caption) override;
  // CTimeBoxDlg seeded with settings; true, with the entered values, after
  // an accepted OK.
  bool ShowSimulatorProperties(SIMtimeSettings& settings) override;
};
