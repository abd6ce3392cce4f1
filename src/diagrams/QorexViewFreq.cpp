// The frequency diagrams of the view: the grid of one plot per element of the
// swept loop (Nyquist, inverse Nyquist, Nichols, Bode) and the characteristic
// diagrams over the whole client area. The drawing itself is FreqDiagrams;
// the view lays out the cells from the engine's own sizes and hands each the
// view's origin, scales and type.
#include "diagrams/QorexView.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/CellGrid.h"
#include "diagrams/FreqDiagrams.h"
#include "platform/gdi/Gdi.h"
#include "simulation/SIMfreq.h"

// The shape of the last sweep decides the drawing and the menus alike.
int CQorexView::LoopDimension() const {
  const CSIMfreq* freq = GetDocument()->m_pFreqModel;
  return freq ? freq->m_nDim : 1;
}

CellGrid CQorexView::FreqCellGrid() const {
  CRect client;
  GetClientRect(&client);
  const CSIMfreq* freq = GetDocument()->m_pFreqModel;
  if (!freq) return CellGrid();
  return LayoutCellGrid(client.Width(), client.Height(), freq->m_nRows, freq->m_nCols);
}

void CQorexView::DrawNyquistGrid(CDC* pDC) {
  DrawCells(pDC, &CQorexView::DrawNyquistCell);
}

void CQorexView::DrawCells(CDC* pDC, void (CQorexView::*drawCell)(CDC*, int, int, int, int)) {
  CRect client;
  GetClientRect(&client);
  const CellGrid grid = FreqCellGrid();
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

void CQorexView::DrawNyquistCell(CDC* pDC, int row, int col, int width, int height) {
  const CQorexDoc* doc = GetDocument();
  FreqPlot plot(pDC, m_ptOrigin, m_dScaleX, m_dScaleY, width, height, g_bClipboardDrawing != 0);
  DrawNyquistCellOf(plot, *doc->m_pFreqModel, m_wDiagram & kDiagramTypeMask, row, col,
                    FeedbackGain(doc->m_system, row), g_bFreqFlags);
}

void CQorexView::DrawCellGrid(CDC* pDC) {
  if ((m_wDiagram & kDiagramTypeMask) == kDiagramNichols)
    DrawCells(pDC, &CQorexView::DrawNicholsCell);
  else if ((m_wDiagram & kDiagramTypeMask) == kDiagramBode)
    DrawCells(pDC, &CQorexView::DrawBodeCell);
  else
    DrawCells(pDC, &CQorexView::DrawNyquistCell);
}

void CQorexView::DrawNicholsCell(CDC* pDC, int row, int col, int width, int height) {
  FreqPlot plot(pDC, m_ptOrigin, m_dScaleX, m_dScaleY, width, height, g_bClipboardDrawing != 0);
  DrawNicholsCellOf(plot, *GetDocument()->m_pFreqModel, row, col);
}

void CQorexView::DrawBodeCell(CDC* pDC, int row, int col, int width, int height) {
  FreqPlot plot(pDC, m_ptOrigin, m_dScaleX, m_dScaleY, width, height, g_bClipboardDrawing != 0);
  DrawBodeCellOf(plot, *GetDocument()->m_pFreqModel, row, col);
}

void CQorexView::DrawCharNyquist(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  FreqPlot plot(pDC, m_ptOrigin, m_dScaleX, m_dScaleY, client.Width(), client.Height(),
                g_bClipboardDrawing != 0);
  DrawCharNyquistOf(plot, *GetDocument()->m_pFreqModel);
}

void CQorexView::DrawCharBode(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  FreqPlot plot(pDC, m_ptOrigin, m_dScaleX, m_dScaleY, client.Width(), client.Height(),
                g_bClipboardDrawing != 0);
  DrawCharBodeOf(plot, *GetDocument()->m_pFreqModel);
}

void CQorexView::DrawNodeMarker(CDC* pDC, int x, int y, double frequency, BYTE flags) {
  DrawFreqNode(pDC, x, y, frequency, flags, g_bClipboardDrawing != 0);
}
