#pragma once
// CSizeMxWnd: the matrix-size picker of the "ProcessView" bar, opened by a
// press on a block's lower-right corner. The window itself stays hidden: it
// holds the capture and draws a grid of 16-pixel cells straight onto its
// parent (the main frame), marking the size under the pointer with a status
// line "rows x columns". The grid grows to follow the pointer and never
// shrinks. Releasing the button within 250 pixels of the grid's corner
// resizes the model to the marked size (1 x 1 to 16 x 16), unless it has
// that size already; beyond, nothing changes. Losing the focus closes it.
#include "platform/core/Geometry.h"
#include "editing/PickerWnd.h"

class CLeftBar;

class CSizeMxWnd : public CPickerWnd {
 public:
  static constexpr int kCell = 16;
  static constexpr int kReach = 250;  // pixels of the grid that choose a size

  CSizeMxWnd() = default;

  // Opens the picker for the block of hit code `hit`, whose matrix is rows x
  // cols: hidden child 99 of parent, 69 x 83 pixels at anchor (parent client
  // coordinates). FALSE when the window cannot be made.
  BOOL Open(CLeftBar* bar, WORD hit, int rows, int cols, CWnd* parent, CPoint anchor);

  int m_nCols = 1;  // the model's size when opened; after a choice the chosen size
  int m_nRows = 1;
  CSize m_sizeMark{0, 0};  // pixels of the marked block last drawn
  struct Grid {
    int left = 0;  // origin in the parent's client coordinates
    int top = 0;
    int width = 0;  // extent in pixels
    int height = 0;
  } m_rcGrid;
  WORD m_wHit = 0;
  CLeftBar* m_pBar = nullptr;

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnPaint();

  DECLARE_MESSAGE_MAP()

 private:
  // The marked size for a pointer in client coordinates: the model's own
  // outside the reach, else the cells up to the pointer.
  CSize MarkFor(CPoint p) const;
  // Draws the grid on the parent for the pointer unless the mark is the one
  // drawn last.
  void DrawFor(CPoint p);
  void DrawGrid(CDC* dc, CSize mark);
};
