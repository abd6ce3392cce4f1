#include "editing/ViewModels.h"

#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "QorexDoc.h"
#include "editing/DefinitionLists.h"
#include "platform/ui/DataExchange.h"

#include <utility>

namespace {
constexpr int kPoleCharacteristic = 9;  // "|I+FLGK|=0  Pole Characteristic "

void PrepareList(CMcGroup* list, int current) {
  for (int i = 0; i < list->m_count; ++i) {
    CMcBasic* e = list->m_children[i];
    e->m_box.x = e->m_box.y = 0;
    if (g_pMemDC) e->Layout(g_pMemDC, kMcLayoutFromTop);
  }
  list->m_current = static_cast<WORD>(current);
}
}  // namespace

CViewModels::CViewModels(CWnd* pParent)
    : CDialog(IDD_VIEWMODELS, pParent), m_bPolynomial(TRUE), m_nModel(kPoleCharacteristic) {}

CViewModels::~CViewModels() = default;

BEGIN_MESSAGE_MAP(CViewModels, CDialog)
ON_BN_CLICKED(IDC_VIEW_POLYNOMIAL, OnViewAsPolynomial)
ON_WM_CREATE()
ON_CBN_SELCHANGE(IDC_VIEW_MODEL, OnSelchangeModel)
END_MESSAGE_MAP()

void CViewModels::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_VIEW_POLYNOMIAL, m_bPolynomial);
  DDX_CBIndex(pDX, IDC_VIEW_MODEL, m_nModel);
}

int CViewModels::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
  CMcGroup* shown = m_wndEditor.m_pList;
  CMcGroup* other = m_wndEditor.m_pList2;
  for (CMcGroup* list : {shown, other})
    while (list->m_count > 0) delete list->RemoveChildAt(list->m_count - 1);
  if (m_pDoc) m_pDoc->m_system.ToExpressions(shown, other);
  PrepareList(shown, m_nModel);
  PrepareList(other, m_nModel);
  CRect client;
  GetClientRect(&client);
  defedit::CreateEditor(m_wndEditor, this,
                        CRect(10, 40, client.Width() - 10, client.Height() - 10));
  return 0;
}

void CViewModels::OnViewAsPolynomial() {
  UpdateData(TRUE);
  m_wndEditor.EndEdit();
  std::swap(m_wndEditor.m_pList, m_wndEditor.m_pList2);
  m_wndEditor.Invalidate(TRUE);
}

void CViewModels::OnSelchangeModel() {
  UpdateData(TRUE);
  m_wndEditor.EndEdit();
  m_wndEditor.m_pList->m_current = static_cast<WORD>(m_nModel);
  m_wndEditor.m_pList2->m_current = static_cast<WORD>(m_nModel);
  m_wndEditor.Invalidate(TRUE);
}
