#pragma once
// CSizeWnd: the 5-pixel grip along the top edge of the "SimulationView" bar.
// Dragging it changes the docked bar's height (g_nOutputBarHeight, kept within
// 50 ... 400 pixels); while the button is down an XOR outline on the main
// frame shows where the top edge will go, and it is erased before the frame
// lays its bars out again.
#include "platform/core/Geometry.h"
#include "platform/ui/Wnd.h"

class CSizeWnd : public CWnd {
 public:
  CSizeWnd() = default;

  CPoint m_ptStart;  // the press point in the grip's client coordinates
  CRect m_rcDrag;    // the outline in the main frame's client coordinates

 protected:
  void OnPaint();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);

  DECLARE_MESSAGE_MAP()

 private:
  // The frame the bar is docked in (the outline is drawn on it), or null.
  CFrameWnd* Frame() const;
  // The outline for the grip's row y: the bar's width, 4 pixels high.
  CRect OutlineAt(int y) const;
  // Draws the outline rect and erases last (either may be null).
  void DrawOutline(const CRect* rect, const CRect* last);
};
