#include "diagrams/QorexView.h"

#include "QorexDoc.h"

IMPLEMENT_DYNCREATE(CQorexView, CView)

CQorexDoc* CQorexView::GetDocument() const {
  return static_cast<CQorexDoc*>(m_pDocument);
}

void CQorexView::OnDraw(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, RGB(255, 255, 255));
}
