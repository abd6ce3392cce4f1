#include "editing/AddDeadTimeDlg.h"

#include "platform/ui/DataExchange.h"

CAddDeadTimeDlg::CAddDeadTimeDlg(CWnd* pParent)
    : CDialog(IDD_ADDDEADTIME, pParent),
      m_nColumn(1),
      m_dAmount(1.0),
      m_bFixed(FALSE),
      m_nOrder(1),
      m_nRow(1) {}

DeadTimeSpec CAddDeadTimeDlg::Spec() const {
  return {m_nRow - 1, m_nColumn - 1, m_dAmount, m_nOrder, m_bFixed != FALSE};
}

void CAddDeadTimeDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_DEADTIME_COLUMN, m_nColumn);
  DDV_MinMaxInt(pDX, m_nColumn, 1, 10000);
  DDX_Text(pDX, IDC_DEADTIME_AMOUNT, m_dAmount);
  DDX_Check(pDX, IDC_DEADTIME_FIXED, m_bFixed);
  DDX_Text(pDX, IDC_DEADTIME_ORDER, m_nOrder);
  DDV_MinMaxInt(pDX, m_nOrder, 1, 100);
  DDX_Text(pDX, IDC_DEADTIME_ROW, m_nRow);
  DDV_MinMaxInt(pDX, m_nRow, 1, 10000);
}

void CAddDeadTimeDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_nRow < 1 || m_nRow > m_nRows || m_nColumn < 1 || m_nColumn > m_nCols) {
    MessageBox("The specified matrix element does not exist.", "Error", MB_OK);
    return;
  }
  if (!DeadTimeFitsDoubles(m_dAmount, m_nOrder)) {
    CString text;
    text.Format(kDeadTimeDoesNotFitFormat, m_dAmount, m_nOrder);
    MessageBox(text, "Error", MB_OK);
    return;
  }
  EndDialog(IDOK);
}
