#pragma once
// CLeftBar: the "ProcessView" dialog bar: the loop of the shown design as a
// 200 x 90 block diagram copied from the sprite sheet. It has no controls:
// every item is painted and hit-tested here.
//
// A click on a block or a signal source opens the editing of that item; a
// press on one and a drag opens a picker popup (element, matrix size or
// signal row) whose choice the rebuilders below hand to the document's design
// edits (QorexDocEdits.cpp), which end in the design's road of a change. The bar also
// switches which loop signals the "SimulationView" shows, starts the tuner,
// flips the two run switches of g_wStatus, and shows whether a worker runs.
//
// The frame creates the bar from template 104; the document shows itself in
// it through CDesignBar after every change. The bar reacts to presses only
// while docked; a double click on an item is one click, one away from every
// item floats or docks it.
// Everything here runs on the user-interface thread: a worker that wants the
// bar repainted posts its request.
#include "DesignBar.h"
#include "editing/LeftBarHits.h"
#include "editing/PZMxWnd.h"
#include "editing/SigSetWnd.h"
#include "editing/SizeMxWnd.h"
#include "platform/ui/ControlBar.h"

class CMcBasic;

class CLeftBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CLeftBar)

 public:
  // Sets g_pLeftBar to this bar; no document, no popup windows yet.
  CLeftBar();
  ~CLeftBar() override;

  // The whole design: shown and repainted at once. Its shown signals: the
  // marks repainted.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Paints the diagram, the lamp, the two switches and, with a document, the
  // marks of the shown loop signals.
  void Paint(CDC* pDC);
  // Paints at once on the bar's own context.
  void Redraw();
  // The hit code of a point in client coordinates.
  static WORD HitTest(int x, int y);
  // Acts on an item a popup was opened from and released over again: a block
  // opens the model editing, a source the signal editing, a toggle switches
  // its signal; nothing without a document.
  void DispatchHit(WORD hit);

  // ---- rebuilders: the popups' choices, applied to the shown design -----------
  // Each names the item by the hit code and calls the document's edit of the
  // same name; nothing without a document.
  // Element (row, col) of model (hit's item) becomes 0 (choice 0), 1 (choice
  // 1), or is given a fresh variable named after the model (choice 2).
  void SetElement(WORD hit, int row, int col, int choice);
  // The model of the size popup's hit code takes the popup's rows and columns.
  void ResizeModel();
  // A new zero (Drag1) or pole (Drag2) of element (row, col), where (x, y), in
  // screen coordinates, falls on the root-locus diagram of the shown design's
  // active view; anywhere else a beep and no change.
  void ApplyElementDrag1(WORD hit, int row, int col, int x, int y);
  void ApplyElementDrag2(WORD hit, int row, int col, int x, int y);
  // Row `row` of signal (hit's item, 0 c, 1 v, 2 d, 3 n) takes test shape `kind`.
  void BuildSignal(WORD hit, int row, int kind);

  CQorexDoc* m_pDoc = nullptr;  // the document shown, or null
  CPZMxWnd m_wndElementPopup;   // child 98 of the main frame while open
  CSizeMxWnd m_wndSizePopup;    // child 99
  CSigSetWnd m_wndSignalPopup;  // child 97
  WORD m_wHit = kHitNone;       // the item pressed last

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  void OnPaint();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);

  DECLARE_MESSAGE_MAP()

 private:
  // The pressed picture of an item, at once on the bar's context.
  void DrawPressed(WORD hit);
  // Invalidates, with erasing, the 18 x 18 square of an item.
  void InvalidateItem(WORD hit);
  // Opens the popup of a pressed block, block corner or signal source.
  void OpenPopup(WORD hit);
  // The release over the pressed item.
  void ActOnRelease(WORD hit);
  // The model and signal editing of the clicked item.
  void EditModel(int model);
  void EditSignal(int signal);

  // The pole and zero drops of ApplyElementDrag1 and ApplyElementDrag2: the
  // screen point read on the root-locus diagram, then the document's edit.
  void ApplyRootDrop(bool pole, WORD hit, int row, int col, int x, int y);
};

// The "ProcessView" bar, set by its constructor.
extern CLeftBar* g_pLeftBar;
