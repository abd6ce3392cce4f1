#pragma once
// CSigSetWnd: the signal picker of the "ProcessView" bar: a popup below a
// signal source with one 37 x 24 row per signal row, each holding six 12 x 12
// generator icons (upper half zero, step, pulse; lower half ramp, sine,
// noise). Releasing the button on an icon gives that row the icon's test
// shape; releasing it back over the source opens the signal editing instead;
// anywhere else, or losing the focus, closes the picker with no change.
#include "QorexDoc.h"  // the test shapes
#include "editing/PickerWnd.h"

class CLeftBar;

class CSigSetWnd : public CPickerWnd {
 public:
  static constexpr int kRowHeight = 24;
  static constexpr int kIcon = 12;

  CSigSetWnd() = default;

  // Opens the picker for the signal source of hit code `hit` with `rows`
  // rows: visible child 97 of parent at anchor (parent client coordinates).
  // FALSE when the window cannot be made.
  BOOL Open(CLeftBar* bar, WORD hit, int rows, CWnd* parent, CPoint anchor);

  // The shape of the icon under a client point (-1: none), by its place in a row.
  static int KindAt(int x, int y);

  CPoint m_ptLast{-40, -100};  // the pointer the picture was drawn for
  int m_nRows = 1;             // the signal's rows
  WORD m_wHit = 0;
  CLeftBar* m_pBar = nullptr;

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnPaint();

  DECLARE_MESSAGE_MAP()

 private:
  // What the picture shows for a pointer: the hovered row and icon, none for
  // a pointer left of or above the rows.
  struct Hover {
    int row = -1;
    int kind = -1;
    bool operator==(const Hover&) const = default;
  };
  Hover HoverAt(CPoint p) const;
  void DrawFor(CDC* dc, CPoint p, bool force);
};
