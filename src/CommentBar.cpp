#include "CommentBar.h"

#include "QorexDoc.h"
#include "platform/ui/DataExchange.h"
#include "res/resource.h"

#include <utility>

CCommentBar* g_pCommentBar = nullptr;

IMPLEMENT_DYNAMIC(CCommentBar, CDialogBar)

BEGIN_MESSAGE_MAP(CCommentBar, CDialogBar)
ON_EN_CHANGE(IDC_COMMENT, OnChangeEdit)
ON_EN_KILLFOCUS(IDC_COMMENT, OnKillFocusEdit)
END_MESSAGE_MAP()

CCommentBar::CCommentBar() {
  g_pCommentBar = this;
}

CCommentBar::~CCommentBar() {
  if (g_pCommentBar == this) g_pCommentBar = nullptr;
}

void CCommentBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) SetDocument(doc);
}

void CCommentBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc == m_pDoc) SetDocument(nullptr);
}

void CCommentBar::SetDocument(CQorexDoc* pDoc) {
  if (pDoc == m_pDoc) return;
  m_pDoc = pDoc;
  m_strComment = pDoc ? pDoc->m_strComment : CString();
  if (!GetSafeHwnd()) return;
  const bool filling = std::exchange(m_bFilling, true);
  UpdateData(FALSE);
  m_bFilling = filling;
}

void CCommentBar::DoDataExchange(CDataExchange* pDX) {
  CDialogBar::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_COMMENT, m_strComment);
}

void CCommentBar::OnChangeEdit() {
  TakeEditText();
}

void CCommentBar::OnKillFocusEdit() {
  TakeEditText();
}

void CCommentBar::TakeEditText() {
  if (!m_pDoc || m_bFilling) return;
  UpdateData(TRUE);
  if (m_pDoc->m_strComment == m_strComment) return;
  m_pDoc->m_strComment = m_strComment;
  m_pDoc->SetModifiedFlag(TRUE);
}
