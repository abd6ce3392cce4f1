#include "editing/TimeBoxDlg.h"

#include "GlobalResources.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/WinApp.h"

CTimeBoxDlg::CTimeBoxDlg(CWnd* pParent)
    : CDialog(IDD_TIMEBOX, pParent),
      m_bAccepted(FALSE),
      m_dFinalTime(0.0),
      m_dSamplingTime(0.0),
      m_dTolerance(0.0),
      m_nBufferSize(0) {}

void CTimeBoxDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_TIME_FINAL, m_dFinalTime);
  DDX_Text(pDX, IDC_TIME_SAMPLING, m_dSamplingTime);
  DDX_Text(pDX, IDC_TIME_TOLERANCE, m_dTolerance);
  DDV_MinMaxDouble(pDX, m_dTolerance, 0.0, 1e300);
  DDX_Text(pDX, IDC_TIME_BUFFER, m_nBufferSize);
  DDV_MinMaxInt(pDX, m_nBufferSize, 1, 10);
}

void CTimeBoxDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  const double tf = m_dFinalTime, ts = m_dSamplingTime;
  // Written so that a time that is not a number fails too.
  if (!(ts > 0.0 && tf > 0.0 && tf > ts)) {
    MessageBox("Invalid settings", "Error", MB_OK);
    return;
  }
  const double samples = tf / ts;
  if (samples > g_nMaxSamples) {
    MessageBox("Maximum number of samples exceeded", "Error", MB_OK);
    return;
  }
  if (samples < g_nMinSamples)
    MessageBox("Fewer than the recommended minimum amount of samples has been specified", "Warning",
               MB_OK);
  m_bAccepted = TRUE;
  EndDialog(IDOK);
}

bool CQorexWatchdogUi::AskIncreaseAccuracy(const char* text, const char* caption) {
  CWnd* main = AfxGetMainWnd();
  HWND owner = main ? main->GetSafeHwnd() : nullptr;
  return ::MessageBox(owner, text, caption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

bool CQorexWatchdogUi::ShowSimulatorProperties(SIMtimeSettings& settings) {
  CTimeBoxDlg dlg(AfxGetMainWnd());
  dlg.m_dSamplingTime = settings.dSamplingTime;
  dlg.m_dFinalTime = settings.dFinalTime;
  dlg.m_dTolerance = settings.dTolerancePct;
  dlg.m_nBufferSize = settings.nBufferSize;
  dlg.DoModal();
  if (!dlg.m_bAccepted) return false;
  settings.dSamplingTime = dlg.m_dSamplingTime;
  settings.dFinalTime = dlg.m_dFinalTime;
  settings.dTolerancePct = dlg.m_dTolerance;
  settings.nBufferSize = dlg.m_nBufferSize;
  return true;
}
