#include "diagrams/CellGrid.h"

CellGrid LayoutCellGrid(int clientWidth, int clientHeight, int rows, int cols) {
  CellGrid grid;
  if (rows <= 0 || cols <= 0 || clientWidth <= 0 || clientHeight <= 0) return grid;
  grid.rows = rows;
  grid.cols = cols;
  grid.cellWidth = clientWidth / cols;
  grid.cellHeight = clientHeight / rows;
  return grid;
}
