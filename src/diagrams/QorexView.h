#pragma once
// CQorexView: the window of one design. It shows one diagram of its document
// at a time (the root locus, or one of the six frequency diagrams), redrawn in
// full off screen after every change and copied in one block, so panning and
// dragging never flicker. The numbers come from the document; the view only
// draws them. The picture can be put on the clipboard and printed.
//
// The diagram types are one table (QorexView.cpp): each type's command, the
// suffix of its picture title, the type a single loop shows instead and its
// drawing routine. The commands, the picture title and OnDraw all read it, so
// a new diagram is one row and its routine. The frequency diagrams' routines
// live in QorexViewFreq.cpp.
//
// The mouse (QorexViewMouse.cpp): a right drag pans the diagram, with Ctrl
// it zooms about the press point; a right click opens the view's menu; a
// resting mouse over roots of the root locus opens the hover tip; a left
// drag on a root of the root locus makes the design follow it (the
// document's pole drag group), redrawn at every move; a left press on a
// frequency node picks and drags it. The status bar's two panes read the
// diagram coordinates (or a signal pane's) under the cursor.
#include "diagrams/AxisGesture.h"
#include "diagrams/DiagramKinds.h"
#include "platform/core/String.h"
#include "platform/ui/View.h"

#include <vector>

class CCmdUI;
class CQorexDoc;
class CTips;
struct CellGrid;

class CQorexView : public CScrollView {
  DECLARE_DYNCREATE(CQorexView)

 public:
  CQorexDoc* GetDocument() const;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void OnInitialUpdate() override;
  // Any change of the document: the whole diagram again.
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
  // Draws the current diagram into the context over the view's client size,
  // also for the printer and the clipboard picture.
  void OnDraw(CDC* pDC) override;
  BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
  void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
  void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override;
  // The diagram commands of the table go to OnDiagram; everything else is
  // routed as usual.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  // Every redraw the program starts itself: the diagram into the shared
  // off-screen context, then one block copy to the window.
  void Redraw();

  // The picture title's suffix of a diagram type (the root locus's for codes
  // without a diagram of their own).
  static const char* DiagramTitleSuffix(int type);

  // ---- frequency nodes (QorexViewNodes.cpp) -------------------------------------
  // Whether a node or a tick point of a curve of the current frequency
  // diagram lies within 4 pixels of the point; fills the engine's pick (node
  // -1 and the cell under the point when nothing is hit).
  BOOL HitTestNode(CQorexDoc* pDoc, CPoint point);
  // The picked node or curve point dragged to the point: the value drawn
  // there becomes the engine's target, and its search runs (local 1: the
  // local search, 0: the global one).
  void DragNode(CQorexDoc* pDoc, CPoint point, int local);
  // After a press that picked something: a node is removed, a curve point
  // gets a new node of inertia 1.
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  // "Remove node" and "Edit node..." act only while the picked node exists.
  void OnRemoveAllNodes();
  void OnRemoveNode();
  void OnEditNode();
  void OnAddNodes();
  // "Frequency Diagram Properties": the sweep and the bands, then recalculate.
  void OnFreqProperties();

  CPoint m_ptOrigin{100, 100};  // current frequency diagram: origin in pixels
  double m_dScaleX = 50.0;      // and pixels per unit
  double m_dScaleY = 50.0;
  CPoint m_ptLast;
  int m_nMoves = 0;
  WORD m_wDiagram = kDiagramRootLocus;  // low 4 bits: the diagram type
  CTips* m_pTips = nullptr;             // the hover popup, from WM_CREATE to WM_DESTROY
  int m_nMouseMode = 0;
  CPoint m_ptAnchor;

 protected:
  CQorexView() = default;
  ~CQorexView() override;

  // The frequency diagrams (QorexViewFreq.cpp, drawn by FreqDiagrams).
  void DrawNyquistCell(CDC* pDC, int row, int col, int width, int height);
  // Nichols (type 3) or Bode (type 4), by the view's type: one cell each.
  void DrawCellGrid(CDC* pDC);
  void DrawNicholsCell(CDC* pDC, int row, int col, int width, int height);
  void DrawBodeCell(CDC* pDC, int row, int col, int width, int height);
  void DrawCharNyquist(CDC* pDC);
  void DrawCharBode(CDC* pDC);
  // One frequency node with its label (flags 0x20) in hertz (0x40) or rad/s.
  void DrawNodeMarker(CDC* pDC, int x, int y, double frequency, BYTE flags);

  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnKillFocus(CWnd* pNewWnd);
  void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) override;
  // The seven type commands: the type into m_wDiagram (the whole word), then
  // Redraw. The loop dimension is checked when drawing, not here.
  void OnDiagram(WORD type);
  void OnRLProperties();
  // "Copy image": the diagram as a titled, framed picture on the clipboard.
  void OnEditCopy();

  // ---- the mouse (QorexViewMouse.cpp) ------------------------------------------
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  // The popup menu, unless the right press panned or zoomed.
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  // The hover delay ran out: the tip, when the mouse still rests there.
  void OnTimer(UINT_PTR nIDEvent);
  // "Delete pole/zero": the grabbed root's factor out of its model.
  void OnDeletePole();
  void OnUpdateIndicatorX(CCmdUI* pCmdUI);
  void OnUpdateIndicatorY(CCmdUI* pCmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  // One row of the table of diagram types.
  struct DiagramType {
    WORD type;
    UINT command;
    const char* titleSuffix;
    WORD singleLoopType;  // shown instead while the loop has one channel
    void (CQorexView::*draw)(CDC* pDC);
  };
  static const DiagramType kDiagramTypes[];
  // The row of a type code; the root locus's for codes without a diagram of
  // their own.
  static const DiagramType& DiagramOf(WORD type);
  // The row of a command, or null.
  static const DiagramType* DiagramOfCommand(UINT command);

  // The root locus over the client area (the clipboard's variant while
  // g_bClipboardDrawing is set).
  void DrawRootLocusDiagram(CDC* pDC);
  // Nyquist and inverse Nyquist: DrawNyquistCell per cell.
  void DrawNyquistGrid(CDC* pDC);
  // One plot per element of the engine's last sweep; drawCell draws a cell
  // with the viewport at its corner and clipped to it; then the lines
  // between the cells.
  void DrawCells(CDC* pDC, void (CQorexView::*drawCell)(CDC*, int, int, int, int));
  // The loop dimension of the frequency engine's last sweep: 1 for a single
  // loop, which has no characteristic loci of its own.
  int LoopDimension() const;
  // The cells of the current client area for the engine's last sweep.
  CellGrid FreqCellGrid() const;
  // The picture of OnEditCopy, recorded; null when recording failed.
  HMETAFILE RecordPicture(int width, int height);

  // The mouse's helpers (QorexViewMouse.cpp).
  bool OnRootLocus() const;
  // One captured move of a right drag: a pan, or a zoom with Ctrl.
  void PanOrZoom(UINT nFlags, CPoint point);
  // The current diagram's origin and scales into the document's settings.
  void StoreDiagramView();
  // The popup's items for the point, in order.
  struct MenuItem {
    const char* text;  // null: a separator
    UINT id;
    UINT flags;
  };
  std::vector<MenuItem> PopupItems(CPoint point);
  void ShowTip();

  ZoomPivot m_zoomPivot[2];
  // The text of a readout pane: coordinate 0 (x) or 1 (y) under the cursor,
  // or nothing. *enable: whether the pane is enabled.
  CString CursorReadout(int axis, BOOL* enable);
};
