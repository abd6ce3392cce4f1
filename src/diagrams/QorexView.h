#pragma once
// CQorexView: the document window's view. For now a white page: the diagram
// view with its root-locus and frequency diagrams replaces this placeholder.
#include "platform/ui/View.h"

class CQorexDoc;

class CQorexView : public CView {
  DECLARE_DYNCREATE(CQorexView)

 public:
  CQorexDoc* GetDocument() const;
  void OnDraw(CDC* pDC) override;

 protected:
  CQorexView() = default;
};
