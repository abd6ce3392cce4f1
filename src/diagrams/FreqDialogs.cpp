#include "diagrams/FreqDialogs.h"

#include "GlobalResources.h"
#include "platform/ui/DataExchange.h"

#include <cmath>

namespace {

double TwoPi() {
  return 4 * std::asin(1.0);
}

}  // namespace

// ---- "Edit Node" --------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CEditNodesDlg, CDialog)
ON_BN_CLICKED(IDC_RADIANS, OnRadians)
END_MESSAGE_MAP()

CEditNodesDlg::CEditNodesDlg(CWnd* pParent)
    : CDialog(IDD_EDITNODE, pParent),
      m_bRadians(0),
      m_bShowLabel(0),
      m_dFrequency(0.0),
      m_dInertia(0.0) {}

void CEditNodesDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_RADIANS, m_bRadians);
  DDX_Check(pDX, IDC_NODE_SHOWLABEL, m_bShowLabel);
  DDX_Text(pDX, IDC_NODE_FREQUENCY, m_dFrequency);
  DDV_MinMaxDouble(pDX, m_dFrequency, 0, 1e300);
  DDX_Text(pDX, IDC_NODE_INERTIA, m_dInertia);
  DDV_MinMaxDouble(pDX, m_dInertia, 0, 1e300);
}

void CEditNodesDlg::OnRadians() {
  const bool ticked = IsDlgButtonChecked(IDC_RADIANS) != 0;
  const int wasRadians = m_bRadians;
  const int keptLabel = m_bShowLabel;
  const double keptFrequency = m_dFrequency, keptInertia = m_dInertia;
  if (!UpdateData(TRUE)) {
    m_bShowLabel = keptLabel;
    m_dFrequency = keptFrequency;
    m_dInertia = keptInertia;
  }
  // The unit the field's value is in, and the one the box now shows.
  if (ticked && !wasRadians) m_dFrequency *= TwoPi();
  if (!ticked && wasRadians) m_dFrequency /= TwoPi();
  m_bRadians = ticked;
  UpdateData(FALSE);
}

// ---- "Frequency Diagram Properties" ------------------------------------------------

BEGIN_MESSAGE_MAP(CFreqDiagPropDlg, CDialog)
ON_BN_CLICKED(IDC_RADIANS, OnRadians)
END_MESSAGE_MAP()

CFreqDiagPropDlg::CFreqDiagPropDlg(CWnd* pParent)
    : CDialog(IDD_FREQPROPERTIES, pParent),
      m_bGershgorin(0),
      m_bOstrowski(0),
      m_bRadians(0),
      m_nSteps(0),
      m_nTickStep(0),
      m_dStart(0.0),
      m_dStop(0.0) {}

void CFreqDiagPropDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_FREQ_GERSHGORIN, m_bGershgorin);
  DDX_Check(pDX, IDC_FREQ_OSTROWSKI, m_bOstrowski);
  DDX_Check(pDX, IDC_RADIANS, m_bRadians);
  DDX_Text(pDX, IDC_FREQ_STEPS, m_nSteps);
  DDV_MinMaxInt(pDX, m_nSteps, 10, 10000);
  DDX_Text(pDX, IDC_FREQ_TICKSTEP, m_nTickStep);
  DDV_MinMaxInt(pDX, m_nTickStep, 1, 100000);
  DDX_Text(pDX, IDC_FREQ_START, m_dStart);
  DDV_MinMaxDouble(pDX, m_dStart, 1e-300, 1e300);
  DDX_Text(pDX, IDC_FREQ_STOP, m_dStop);
  DDV_MinMaxDouble(pDX, m_dStop, 1e-300, 1e300);
}

namespace {

struct FreqFields {
  int gershgorin, ostrowski, radians, steps, tickStep;
  double start, stop;
};

FreqFields FieldsOf(const CFreqDiagPropDlg& d) {
  return {d.m_bGershgorin, d.m_bOstrowski, d.m_bRadians, d.m_nSteps,
          d.m_nTickStep,   d.m_dStart,     d.m_dStop};
}

void SetFields(CFreqDiagPropDlg& d, const FreqFields& f) {
  d.m_bGershgorin = f.gershgorin;
  d.m_bOstrowski = f.ostrowski;
  d.m_bRadians = f.radians;
  d.m_nSteps = f.steps;
  d.m_nTickStep = f.tickStep;
  d.m_dStart = f.start;
  d.m_dStop = f.stop;
}

}  // namespace

void CFreqDiagPropDlg::OnRadians() {
  const bool ticked = IsDlgButtonChecked(IDC_RADIANS) != 0;
  const FreqFields kept = FieldsOf(*this);
  if (!UpdateData(TRUE)) SetFields(*this, kept);
  const double factor = ticked && !kept.radians   ? TwoPi()
                        : !ticked && kept.radians ? 1 / TwoPi()
                                                  : 1.0;
  m_dStart *= factor;
  m_dStop *= factor;
  m_bRadians = ticked;
  UpdateData(FALSE);
}

void CFreqDiagPropDlg::OnOK() {
  const FreqFields kept = FieldsOf(*this);
  if (!UpdateData(TRUE)) {
    SetFields(*this, kept);
    return;
  }
  if (m_dStart < m_dStop) {
    CDialog::OnOK();
    return;
  }
  MessageBox("Invalid frequency range", "Error", MB_OK);
}

BOOL EditFrequencyProperties(CWnd* pParent) {
  CFreqDiagPropDlg dlg(pParent);
  dlg.m_bGershgorin = (g_bFreqFlags & 1) != 0;
  dlg.m_bOstrowski = (g_bFreqFlags & 2) != 0;
  dlg.m_bRadians = 1;
  dlg.m_dStart = g_dFreqMin;
  dlg.m_dStop = g_dFreqMax;
  dlg.m_nTickStep = g_nFreqTickStep;
  dlg.m_nSteps = g_nFreqSteps;
  if (dlg.DoModal() != IDOK) return FALSE;
  g_bFreqFlags = static_cast<BYTE>((g_bFreqFlags & ~3) | (dlg.m_bGershgorin ? 1 : 0) |
                                   (dlg.m_bOstrowski ? 2 : 0));
  const double factor = dlg.m_bRadians ? 1.0 : TwoPi();
  g_nFreqSteps = dlg.m_nSteps;
  g_nFreqTickStep = dlg.m_nTickStep;
  g_dFreqMin = dlg.m_dStart * factor;
  g_dFreqMax = dlg.m_dStop * factor;
  return TRUE;
}
