#include "diagrams/FreqDialogs.h"

#include "GlobalResources.h"
#include "platform/ui/DataExchange.h"

#include <cmath>
#include <tuple>

namespace {

double TwoPi() {
  return 4 * std::asin(1.0);
}

// A function that puts the values back as they are now.
template <class... Values>
std::function<void()> Keeper(std::tuple<Values&...> values) {
  return [values, kept = std::tuple<Values...>(values)]() mutable { values = kept; };
}

}  // namespace

// ---- the "Radians" box ----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFrequencyUnitDlg, CDialog)
ON_BN_CLICKED(IDC_RADIANS, OnRadians)
END_MESSAGE_MAP()

CFrequencyUnitDlg::CFrequencyUnitDlg(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_bRadians(0) {}

void CFrequencyUnitDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_RADIANS, m_bRadians);
}

BOOL CFrequencyUnitDlg::ReadFieldsOrKeep() {
  const std::function<void()> putBack = KeepValues();
  if (UpdateData(TRUE)) return TRUE;
  putBack();
  return FALSE;
}

void CFrequencyUnitDlg::OnRadians() {
  const bool ticked = IsDlgButtonChecked(IDC_RADIANS) != 0;
  const bool wasRadians = m_bRadians != 0;
  ReadFieldsOrKeep();
  // From the unit the values are in to the one the box now shows.
  if (ticked != wasRadians) ConvertFrequencies(ticked);
  m_bRadians = ticked;
  UpdateData(FALSE);
}

// ---- "Edit Node" --------------------------------------------------------------------

CEditNodesDlg::CEditNodesDlg(CWnd* pParent)
    : CFrequencyUnitDlg(IDD_EDITNODE, pParent),
      m_bShowLabel(0),
      m_dFrequency(0.0),
      m_dInertia(0.0) {}

void CEditNodesDlg::DoDataExchange(CDataExchange* pDX) {
  CFrequencyUnitDlg::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_NODE_SHOWLABEL, m_bShowLabel);
  DDX_Text(pDX, IDC_NODE_FREQUENCY, m_dFrequency);
  DDV_MinMaxDouble(pDX, m_dFrequency, 0, 1e300);
  DDX_Text(pDX, IDC_NODE_INERTIA, m_dInertia);
  DDV_MinMaxDouble(pDX, m_dInertia, 0, 1e300);
}

std::function<void()> CEditNodesDlg::KeepValues() {
  return Keeper(std::tie(m_bRadians, m_bShowLabel, m_dFrequency, m_dInertia));
}

void CEditNodesDlg::ConvertFrequencies(bool toRadians) {
  if (toRadians)
    m_dFrequency *= TwoPi();
  else
    m_dFrequency /= TwoPi();
}

// ---- "Frequency Diagram Properties" ------------------------------------------------

CFreqDiagPropDlg::CFreqDiagPropDlg(CWnd* pParent)
    : CFrequencyUnitDlg(IDD_FREQPROPERTIES, pParent),
      m_bGershgorin(0),
      m_bOstrowski(0),
      m_nSteps(0),
      m_nTickStep(0),
      m_dStart(0.0),
      m_dStop(0.0) {}

void CFreqDiagPropDlg::DoDataExchange(CDataExchange* pDX) {
  CFrequencyUnitDlg::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_FREQ_GERSHGORIN, m_bGershgorin);
  DDX_Check(pDX, IDC_FREQ_OSTROWSKI, m_bOstrowski);
  DDX_Text(pDX, IDC_FREQ_STEPS, m_nSteps);
  DDV_MinMaxInt(pDX, m_nSteps, 10, 10000);
  DDX_Text(pDX, IDC_FREQ_TICKSTEP, m_nTickStep);
  DDV_MinMaxInt(pDX, m_nTickStep, 1, 100000);
  DDX_Text(pDX, IDC_FREQ_START, m_dStart);
  DDV_MinMaxDouble(pDX, m_dStart, 1e-300, 1e300);
  DDX_Text(pDX, IDC_FREQ_STOP, m_dStop);
  DDV_MinMaxDouble(pDX, m_dStop, 1e-300, 1e300);
}

std::function<void()> CFreqDiagPropDlg::KeepValues() {
  return Keeper(
      std::tie(m_bGershgorin, m_bOstrowski, m_bRadians, m_nSteps, m_nTickStep, m_dStart, m_dStop));
}

void CFreqDiagPropDlg::ConvertFrequencies(bool toRadians) {
  const double factor = toRadians ? TwoPi() : 1 / TwoPi();
  m_dStart *= factor;
  m_dStop *= factor;
}

void CFreqDiagPropDlg::OnOK() {
  if (!ReadFieldsOrKeep()) return;
  if (m_dStart < m_dStop) {
    CDialog::OnOK();
    return;
  }
  MessageBox("Invalid frequency range", "Error", MB_OK);
}

BOOL EditFrequencyProperties(CWnd* pParent) {
  CFreqDiagPropDlg dlg(pParent);
  dlg.m_bGershgorin = (g_bFreqFlags & kFreqGershgorin) != 0;
  dlg.m_bOstrowski = (g_bFreqFlags & kFreqOstrowski) != 0;
  dlg.m_bRadians = 1;
  dlg.m_dStart = g_dFreqMin;
  dlg.m_dStop = g_dFreqMax;
  dlg.m_nTickStep = g_nFreqTickStep;
  dlg.m_nSteps = g_nFreqSteps;
  if (dlg.DoModal() != IDOK) return FALSE;
  g_bFreqFlags =
      static_cast<BYTE>((g_bFreqFlags & ~kFreqBands) | (dlg.m_bGershgorin ? kFreqGershgorin : 0) |
                        (dlg.m_bOstrowski ? kFreqOstrowski : 0));
  const double factor = dlg.m_bRadians ? 1.0 : TwoPi();
  g_nFreqSteps = dlg.m_nSteps;
  g_nFreqTickStep = dlg.m_nTickStep;
  g_dFreqMin = dlg.m_dStart * factor;
  g_dFreqMax = dlg.m_dStop * factor;
  return TRUE;
}
