#include "diagrams/RootLocusPropDlg.h"

#include "GlobalResources.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/DialogTemplate.h"
#include "res/DialogItems.h"

#include <mutex>

namespace {

using qxres::DialogItem;
using qxres::DialogRect;

constexpr DWORD kEditStyle = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

// A label with its edit below it, in a 61-unit column.
void Field(QxDialogTemplate& t, UINT id, const char* label, int x, int y, int labelWidth = 58) {
  t.items.push_back(DialogItem(WC_STATIC, 0xFFFF, label, SS_LEFT, DialogRect(x, y, labelWidth, 8)));
  t.items.push_back(DialogItem(WC_EDIT, id, "", kEditStyle, DialogRect(x, y + 10, 55, 12)));
}

}  // namespace

void RegisterRootLocusPropTemplate() {
  static std::once_flag once;
  std::call_once(once, [] {
    QxDialogTemplate t;
    t.caption = "Root Locus Properties";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.rect = CRect(0, 0, 189, 89);
    // Tab order follows the rows: log steps, minimum gain, maximum gain;
    // linear steps, root inertia; pole-zero cancellation; OK.
    Field(t, IDC_RL_LOGSTEPS, "# Logarithmic steps:", 7, 7);
    Field(t, IDC_RL_MINGAIN, "Minimum gain:", 68, 7);
    Field(t, IDC_RL_MAXGAIN, "Maximum gain:", 129, 7);
    Field(t, IDC_RL_LINSTEPS, "# Linear steps:", 7, 34);
    Field(t, IDC_RL_INERTIA, "Root inertia:", 68, 34);
    Field(t, IDC_RL_CANCELTOL, "Pole-zero cancellation:", 7, 61, 90);
    t.items.push_back(DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                                 DialogRect(129, 68, 53, 14)));
    QxRegisterDialogTemplate(IDD_RLPROPERTIES, t);
  });
}

CRootLocusPropDlg::CRootLocusPropDlg(CWnd* pParent)
    : CDialog(IDD_RLPROPERTIES, pParent),
      m_nLogSteps(0),
      m_nLinSteps(0),
      m_dMaxGain(0.0),
      m_dMinGain(0.0),
      m_dInertia(0.0),
      m_dCancelTol(0.0) {
  RegisterRootLocusPropTemplate();
}

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
