#pragma once
// CZevHISTWnd: the history strip inside the "Performance Equalizer" bar. It
// plots the nine criteria of every recorded design of the bar's document as
// nine coloured curves over the entries, oldest (or, after a sort, worst)
// on the left, each criterion c (0 best, 1 worst) at row 70 - trunc(70 c).
//
// Left button: a press recalls the design under it into the document, a drag
// recalls each design it passes. Right button: a drag scrolls (with Ctrl it
// changes the spacing of the entries, 3 .. 20 pixels); a click opens the
// strip's menu: delete entries, copy the strip as a picture, or the
// "Equalizer properties" dialog.
//
// User-interface thread only.
#include "platform/core/Geometry.h"
#include "platform/ui/Wnd.h"

class CDC;
class CQorexDoc;
class QOX_HistVar;

class CZevHISTWnd : public CWnd {
 public:
  static constexpr int kPictureWidth = 200;
  static constexpr int kPictureHeight = 90;
  static constexpr int kMinStep = 3;
  static constexpr int kMaxStep = 20;

  CZevHISTWnd();

  // The nine curves from m_nFirst on (m_nFirst corrected first); nothing
  // without a document or entries.
  void Draw(CDC* dc);
  // White, Draw into the shared off-screen picture, then one block copy to
  // the window.
  void RedrawHistory();
  // Keeps the newest entries in view.
  void ScrollToEnd();
  // The entry under client x, clamped to the entries (count >= 1).
  int EntryAt(int x, int count) const;

  CPoint m_ptPress;  // press point; its x follows a right-button scroll
  int m_nMode = 0;   // 0 after a left press (recall), 1 after a right press (scroll)
  int m_nMoves = 0;  // moves while the window holds the capture
  int m_nStep = 6;   // pixels per entry
  int m_nFirst = 0;  // entry drawn at x = 0

 protected:
  void OnPaint();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnDeleteThis();
  void OnDeleteLeft();
  void OnDeleteRight();
  void OnEditCopy();
  void OnProperties();
  DECLARE_MESSAGE_MAP()

 private:
  // The bar's document, or null.
  static CQorexDoc* Doc();
  // The bar's population when it has entries, else null.
  static QOX_HistVar* Population();
  // Writes entry e's values into the document (never a variable a signal
  // definition uses), then recalculates and shows the design.
  void Recall(int e);
  // The entry under the press point for the delete commands, or -1.
  int PressedEntry() const;
  // After a deletion: the population is saved with the design.
  void AfterDelete();
  HMETAFILE RecordPicture(int width, int height);
};
