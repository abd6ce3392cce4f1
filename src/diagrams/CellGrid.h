#pragma once
// The cell grid of the frequency diagrams: the client area divided into
// rows x columns cells by integer division, cell (r, c) at (c w, r h). A grid
// that would have empty cells (a client smaller than the grid, or no rows or
// columns) is not drawable: the view then draws nothing, instead of cells of
// width 0 or a division by zero.
#include "platform/core/Geometry.h"

struct CellGrid {
  int rows = 0;
  int cols = 0;
  int cellWidth = 0;
  int cellHeight = 0;

  bool Drawable() const { return rows > 0 && cols > 0 && cellWidth > 0 && cellHeight > 0; }
  CRect Cell(int row, int col) const {
    return CRect(col * cellWidth, row * cellHeight, (col + 1) * cellWidth, (row + 1) * cellHeight);
  }
};

CellGrid LayoutCellGrid(int clientWidth, int clientHeight, int rows, int cols);
