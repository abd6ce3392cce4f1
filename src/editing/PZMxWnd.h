#pragma once
// CPZMxWnd: the element picker of the "ProcessView" bar: a popup over a
// model's matrix, one 23 x 23 cell per element with five zones. Releasing the
// button on a cell's left zones sets that element to 0, to 1 or to a fresh
// variable; releasing it on a right zone starts a drag that the next press
// ends, dropping a new zero (upper zone) or pole (lower zone) of the element
// onto the root-locus diagram. Releasing it back over the block opens the
// model editing instead; anywhere else, or losing the focus, closes the
// picker with no change.
//
// The bar owns the object and opens a window for each press; the window
// takes the capture and the focus and destroys itself when it is done.
// During a drag it shrinks to one pixel and keeps the capture, so the drop
// press reaches it wherever it lands.
#include "editing/PickerWnd.h"

class CLeftBar;

// Zones of a cell by the position (px, py) inside it.
enum : int {
  kZoneNone = 0,
  kZoneZero = 1,      // px < 9, py < 8: the element becomes 0
  kZoneOne = 2,       // px < 9, 8 <= py < 15: it becomes 1
  kZoneVariable = 3,  // px < 9, py >= 15: a fresh variable (or times one)
  kZoneAddZero = 4,   // px >= 9, py < 10: drag a new zero
  kZoneAddPole = 5    // px >= 9, py >= 10: drag a new pole
};

class CPZMxWnd : public CPickerWnd {
 public:
  static constexpr int kCell = 23;
  static constexpr int kStripHeight = 14;

  CPZMxWnd() = default;

  // Opens the picker for the block of hit code `hit` with a rows x cols
  // matrix: child 98 of parent with its top-left corner at anchor (parent
  // client coordinates), visible. FALSE when the window cannot be made.
  BOOL Open(CLeftBar* bar, WORD hit, int rows, int cols, CWnd* parent, CPoint anchor);

  // The zone of a client point inside its cell (kZoneZero .. kZoneAddPole).
  static int ZoneAt(int x, int y);

  int m_nDrag = 0;              // 0 no drag, 1 adding a zero, 2 adding a pole
  CPoint m_ptLast{-200, -200};  // the pointer the picture was drawn for
  int m_nRows = 1;              // the matrix's size; during a drag the chosen element
  int m_nCols = 1;
  WORD m_wHit = 0;  // hit code of the block
  CLeftBar* m_pBar = nullptr;

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnPaint();

  DECLARE_MESSAGE_MAP()

 private:
  // What the picture shows for a pointer: the hovered cell and zone, or
  // none (row -1) for a pointer left of or above the cells.
  struct Hover {
    int row = -1;
    int col = -1;
    int zone = kZoneNone;
    bool operator==(const Hover&) const = default;
  };
  static Hover HoverAt(CPoint p);
  // Draws every cell and the status strip for the pointer when what it
  // shows differs from the last picture, or always when forced.
  void DrawFor(CDC* dc, CPoint p, bool force);
};

// The status strip along the bottom kStripHeight pixels of a picker's client
// area of width x height: a silver line, a sunken light-grey field and the
// text (none when null).
void DrawPickerStrip(CDC* dc, int width, int height, const char* text);
