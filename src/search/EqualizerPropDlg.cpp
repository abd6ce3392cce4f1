#include "search/EqualizerPropDlg.h"

#include "GlobalResources.h"
#include "platform/ui/DataExchange.h"
#include "res/resource.h"

#include <cmath>

namespace {
// 0.29 * 100 is 28.999...: truncating it would reopen the field one lower.
int Percent(double fraction) {
  return static_cast<int>(std::lround(fraction * 100.0));
}
}  // namespace

CEqualizerPropDlg::CEqualizerPropDlg(CWnd* pParent) : CDialog(IDD_EQUALIZERPROP, pParent) {}

void CEqualizerPropDlg::LoadSettings() {
  m_nMaxPopulation = g_nHistoryLimit;
  m_nReduction = Percent(g_dKillFraction);
  m_nOffspring = g_nOffspringCount;
  m_nMutation = Percent(g_dMutation);
  m_nGlobalIterations = g_nGlobalIterations;
  m_nLocalIterations = g_nLocalIterations;
  m_dErrorSuppression = g_dErrorSuppression;
  m_dMagSupKnee = g_dMagSupKnee;
}

void CEqualizerPropDlg::StoreSettings() const {
  g_nHistoryLimit = m_nMaxPopulation;
  g_dKillFraction = m_nReduction / 100.0;
  g_nOffspringCount = m_nOffspring;
  g_dMutation = m_nMutation / 100.0;
  g_nGlobalIterations = m_nGlobalIterations;
  g_nLocalIterations = m_nLocalIterations;
  g_dErrorSuppression = m_dErrorSuppression;
  g_dMagSupKnee = m_dMagSupKnee;
}

// The exchange order decides which failing field is reported first.
void CEqualizerPropDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_PROP_ERROR_SUPPRESSION, m_dErrorSuppression);
  DDV_MinMaxDouble(pDX, m_dErrorSuppression, 0.0, 1e300);
  DDX_Text(pDX, IDC_PROP_GLOBAL, m_nGlobalIterations);
  DDV_MinMaxInt(pDX, m_nGlobalIterations, 1, 100);
  DDX_Text(pDX, IDC_PROP_LOCAL, m_nLocalIterations);
  DDV_MinMaxInt(pDX, m_nLocalIterations, 3, 1000);
  DDX_Text(pDX, IDC_PROP_MAX_POPULATION, m_nMaxPopulation);
  DDV_MinMaxInt(pDX, m_nMaxPopulation, 2, 10000);
  DDX_Text(pDX, IDC_PROP_MUTATION, m_nMutation);
  DDV_MinMaxInt(pDX, m_nMutation, 0, 100);
  DDX_Text(pDX, IDC_PROP_OFFSPRING, m_nOffspring);
  DDV_MinMaxInt(pDX, m_nOffspring, 1, 10000);
  DDX_Text(pDX, IDC_PROP_REDUCTION, m_nReduction);
  DDV_MinMaxInt(pDX, m_nReduction, 5, 95);
  DDX_Text(pDX, IDC_PROP_KNEE, m_dMagSupKnee);
  DDV_MinMaxDouble(pDX, m_dMagSupKnee, 0.0, 1e300);
}
