// The frequency diagrams of the view: the grid of one plot per loop element
// (Nyquist, inverse Nyquist, Nichols, Bode) and the characteristic diagrams
// over the whole client area. Their curves come with the frequency engine;
// until then each plot shows its axes.
#include "diagrams/QorexView.h"

#include "QorexDoc.h"
#include "diagrams/AxisScale.h"
#include "diagrams/CellGrid.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>

int CQorexView::LoopDimension() const {
  const CSIMsystem& s = GetDocument()->m_system;
  return std::max({s.m_LGK.m_nRows, s.m_LGK.m_nCols, s.m_FLGK.m_nRows, s.m_FLGK.m_nCols});
}

void CQorexView::DrawNyquistGrid(CDC* pDC) {
  DrawCells(pDC, &CQorexView::DrawNyquistCell);
}

void CQorexView::DrawCells(CDC* pDC, void (CQorexView::*drawCell)(CDC*, int, int, int, int)) {
  CRect client;
  GetClientRect(&client);
  const CSIMtrnmx& lgk = GetDocument()->m_system.m_LGK;
  const CellGrid grid = LayoutCellGrid(client.Width(), client.Height(), lgk.m_nRows, lgk.m_nCols);
  if (!grid.Drawable()) return;
  for (int r = 0; r < grid.rows; ++r) {
    for (int c = 0; c < grid.cols; ++c) {
      const CRect cell = grid.Cell(r, c);
      pDC->SetViewportOrg(cell.left, cell.top);
      CRgn region;
      region.CreateRectRgn(cell.left, cell.top, cell.right, cell.bottom);
      pDC->SelectClipRgn(&region);
      (this->*drawCell)(pDC, r, c, grid.cellWidth, grid.cellHeight);
      pDC->SetViewportOrg(0, 0);
    }
  }
  pDC->SelectClipRgn(nullptr);
  for (int r = 1; r < grid.rows; ++r) {
    pDC->MoveTo(0, r * grid.cellHeight - 1);
    pDC->LineTo(client.right, r * grid.cellHeight - 1);
  }
  for (int c = 1; c < grid.cols; ++c) {
    pDC->MoveTo(c * grid.cellWidth - 1, 0);
    pDC->LineTo(c * grid.cellWidth - 1, client.bottom);
  }
}

void CQorexView::DrawNyquistCell(CDC* pDC, int, int, int width, int height) {
  DrawAxisCross(pDC, width, height, m_ptOrigin, m_dScaleX, m_dScaleY);
}

void CQorexView::DrawCellGrid(CDC* pDC) {
  if ((m_wDiagram & kDiagramTypeMask) == kDiagramNichols)
    DrawCells(pDC, &CQorexView::DrawNicholsCell);
  else
    DrawCells(pDC, &CQorexView::DrawBodeCell);
}

void CQorexView::DrawNicholsCell(CDC* pDC, int, int, int width, int height) {
  DrawAxisCross(pDC, width, height, m_ptOrigin, m_dScaleX, m_dScaleY);
}

void CQorexView::DrawBodeCell(CDC* pDC, int, int, int width, int height) {
  DrawAxisCross(pDC, width, height, m_ptOrigin, m_dScaleX, m_dScaleY);
}

void CQorexView::DrawCharNyquist(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  DrawAxisCross(pDC, client.Width(), client.Height(), m_ptOrigin, m_dScaleX, m_dScaleY);
}

void CQorexView::DrawCharBode(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  DrawAxisCross(pDC, client.Width(), client.Height(), m_ptOrigin, m_dScaleX, m_dScaleY);
}
