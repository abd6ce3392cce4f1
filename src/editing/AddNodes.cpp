#include "editing/AddNodes.h"

#include "platform/ui/DataExchange.h"

CAddNodes::CAddNodes(CWnd* pParent)
    : CDialog(IDD_ADDNODES, pParent),
      m_bRadians(TRUE),
      m_bShowLabels(TRUE),
      m_dInertia(0.0),
      m_dStart(0.01),
      m_dStop(1000.0),
      m_nSpacing(0) {}

void CAddNodes::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_NODES_RADIANS, m_bRadians);
  DDX_Check(pDX, IDC_NODES_SHOW_LABELS, m_bShowLabels);
  DDX_Text(pDX, IDC_NODES_INERTIA, m_dInertia);
  DDV_MinMaxDouble(pDX, m_dInertia, 0.0, 1e300);
  DDX_Text(pDX, IDC_NODES_START, m_dStart);
  DDV_MinMaxDouble(pDX, m_dStart, 0.0, 1e300);
  DDX_Text(pDX, IDC_NODES_STOP, m_dStop);
  DDV_MinMaxDouble(pDX, m_dStop, 0.0, 1e300);
  DDX_CBIndex(pDX, IDC_NODES_SPACING, m_nSpacing);
}

void CAddNodes::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (!(m_dStart > 0.0)) {
    MessageBox("Initial value must be greater than 0", "Error", MB_OK);
    return;
  }
  if (!(m_dStart < m_dStop)) {
    MessageBox("Final value must be greater than initial value", "Error", MB_OK);
    return;
  }
  EndDialog(IDOK);
}
