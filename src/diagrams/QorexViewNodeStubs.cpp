// Stand-ins for the frequency-node side of the view until it lands: nothing
// is ever picked, and the node commands do nothing.
#include "diagrams/QorexView.h"

BOOL CQorexView::HitTestNode(CQorexDoc*, CPoint) {
  return FALSE;
}

void CQorexView::DragNode(CQorexDoc*, CPoint, int) {}

void CQorexView::OnRemoveAllNodes() {}

void CQorexView::OnRemoveNode() {}

void CQorexView::OnEditNode() {}

void CQorexView::OnAddNodes() {}
