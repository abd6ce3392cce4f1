#include "editing/AddControllerDlg.h"

#include "platform/ui/DataExchange.h"

CAddControllerDlg::CAddControllerDlg(CWnd* pParent)
    : CDialog(IDD_ADDCONTROLLER, pParent),
      m_nShape(kShapeFull),
      m_nType(kControllerP),
      m_bSquare(TRUE),
      m_nTypeNumber(0) {}

BEGIN_MESSAGE_MAP(CAddControllerDlg, CDialog)
ON_CBN_SELCHANGE(IDC_CONTROLLER_TYPE, OnSelchangeType)
END_MESSAGE_MAP()

ControllerSpec CAddControllerDlg::Spec() const {
  return {m_nShape, m_nType, m_nTypeNumber, m_bSquare != FALSE};
}

void CAddControllerDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_CBIndex(pDX, IDC_CONTROLLER_SHAPE, m_nShape);
  DDX_CBIndex(pDX, IDC_CONTROLLER_TYPE, m_nType);
  DDX_Check(pDX, IDC_CONTROLLER_SQUARE, m_bSquare);
  DDX_Text(pDX, IDC_CONTROLLER_TYPE_NUMBER, m_nTypeNumber);
}

namespace {
bool HasIntegralAction(int type) {
  return type == kControllerPI || type == kControllerPID;
}
}  // namespace

void CAddControllerDlg::OnSelchangeType() {
  if (!UpdateData(TRUE)) return;
  if (!HasIntegralAction(m_nType))
    m_nTypeNumber = 0;
  else if (m_nTypeNumber < 1)
    m_nTypeNumber = 1;
  UpdateData(FALSE);
}

void CAddControllerDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (HasIntegralAction(m_nType) && m_nTypeNumber < 1) {
    MessageBox("Type number must be atleast 1 for integral action.", "Invalid specifications",
               MB_OK);
    return;
  }
  EndDialog(IDOK);
}
