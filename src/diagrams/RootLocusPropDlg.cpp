#include "diagrams/RootLocusPropDlg.h"

#include "GlobalResources.h"
#include "platform/ui/DataExchange.h"

CRootLocusPropDlg::CRootLocusPropDlg(CWnd* pParent)
    : CDialog(IDD_RLPROPERTIES, pParent),
      m_nLogSteps(0),
      m_nLinSteps(0),
      m_dMaxGain(0.0),
      m_dMinGain(0.0),
      m_dInertia(0.0),
      m_dCancelTol(0.0) {}

void CRootLocusPropDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_RL_LOGSTEPS, m_nLogSteps);
  DDV_MinMaxInt(pDX, m_nLogSteps, 0, 1000);
  DDX_Text(pDX, IDC_RL_LINSTEPS, m_nLinSteps);
  DDV_MinMaxInt(pDX, m_nLinSteps, 0, 1000);
  DDX_Text(pDX, IDC_RL_MAXGAIN, m_dMaxGain);
  DDV_MinMaxDouble(pDX, m_dMaxGain, 1e-300, 1e300);
  DDX_Text(pDX, IDC_RL_MINGAIN, m_dMinGain);
  DDV_MinMaxDouble(pDX, m_dMinGain, 1e-300, 1e300);
  DDX_Text(pDX, IDC_RL_INERTIA, m_dInertia);
  DDV_MinMaxDouble(pDX, m_dInertia, 0, 1e300);
  DDX_Text(pDX, IDC_RL_CANCELTOL, m_dCancelTol);
  DDV_MinMaxDouble(pDX, m_dCancelTol, 1e-300, 10);
}

BOOL EditRootLocusProperties(CWnd* pParent) {
  CRootLocusPropDlg dlg(pParent);
  dlg.m_nLogSteps = g_nRlLogSteps;
  dlg.m_nLinSteps = g_nRlLinSteps;
  dlg.m_dMaxGain = g_dRlMaxGain;
  dlg.m_dMinGain = g_dRlMinGain;
  dlg.m_dInertia = g_dRootInertia;
  dlg.m_dCancelTol = g_dPzCancelTol;
  if (dlg.DoModal() != IDOK) return FALSE;
  g_nRlLogSteps = dlg.m_nLogSteps;
  g_nRlLinSteps = dlg.m_nLinSteps;
  g_dRlMaxGain = dlg.m_dMaxGain;
  g_dRlMinGain = dlg.m_dMinGain;
  g_dRootInertia = dlg.m_dInertia;
  g_dPzCancelTol = dlg.m_dCancelTol;
  return TRUE;
}
