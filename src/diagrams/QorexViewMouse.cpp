// The view's mouse: pan and zoom with the right button, the hover tip over
// roots of the root locus, the root drag with the left button, the popup
// menu, the deletion of a grabbed pole or zero and the cursor readouts.
//
// Mouse modes (m_nMouseMode, kept after the release for the next double
// click): 1 after a left press, 2 after a right press, 3 after a left press
// that picked a frequency node. m_nMoves counts the captured moves since the
// last press.
#include "DesignBar.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "Tips.h"
#include "diagrams/AxisGesture.h"
#include "diagrams/CellGrid.h"
#include "diagrams/OutputBar.h"
#include "diagrams/QOX_DragGroup.h"
#include "diagrams/QorexView.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Menu.h"
#include "res/resource.h"
#include "simulation/SIMfreq.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr UINT_PTR kHoverTimer = 100;  // ID_TIMER_HOVER
constexpr UINT kHoverDelay = 500;      // ms
constexpr UINT kTipId = 200;
constexpr double kZoomPerPixel = 0.04;
constexpr int kMovesOfADrag = 2;  // this many moves after a right press: no menu
// The tip: text width plus this; its lines are this high; it lies this far
// below the cursor and keeps this far from the client's right edge.
constexpr int kTipExtraWidth = 15;
constexpr int kTipLineHeight = 10;
constexpr int kTipBelowCursor = 24;
constexpr int kTipBottomExtra = 27;
constexpr int kTipRightMargin = 3;
constexpr int kTipAboveShift = 6 + 29;
// A signal pane of the "SimulationView" bar is higher than its sizing grip.
constexpr int kGripHeight = 5;

int ClampPixel(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

// The view's clamp of a zoomed origin: anywhere an int reaches.
LONG PlaceZoomedOrigin(LONG pixel, double offset) {
  return ClampPixel(double(pixel) - std::trunc(offset));
}

}  // namespace

bool CQorexView::OnRootLocus() const {
  return (m_wDiagram & kDiagramTypeMask) == kDiagramRootLocus;
}

// ---- buttons ------------------------------------------------------------------------

void CQorexView::OnRButtonDown(UINT, CPoint point) {
  m_ptAnchor = m_ptLast = point;
  m_nMouseMode = 2;
  m_nMoves = 0;
  KillTimer(kHoverTimer);
  SetCapture();
}

void CQorexView::OnLButtonDown(UINT, CPoint point) {
  CQorexDoc* doc = GetDocument();
  m_nMouseMode = 1;
  m_nMoves = 0;
  if (doc != nullptr) {
    if (OnRootLocus()) {
      if (doc->m_pDragGroup) doc->m_pDragGroup->HitTest(point.x, point.y, FALSE);
    } else if (HitTestNode(doc, point)) {
      m_nMouseMode = 3;
    }
  }
  m_ptAnchor = m_ptLast = point;
  KillTimer(kHoverTimer);
  SetCapture();
}

void CQorexView::OnLButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) return;
  ReleaseCapture();
  CQorexDoc* doc = GetDocument();
  if (doc == nullptr) return;
  const bool shift = (nFlags & MK_SHIFT) != 0;
  if (!OnRootLocus()) {
    if (m_nMouseMode == 3 && m_nMoves > 1) DragNode(doc, point, shift ? 0 : 1);
    return;
  }
  // The moves of a plain drag commit as they go and move the anchor; a click
  // or a release where the last move was handled commits nothing more.
  QOX_DragGroup* group = doc->m_pDragGroup;
  if (m_nMouseMode != 1 || point == m_ptAnchor || group == nullptr || group->m_nCount == 0) return;
  if (shift)
    group->DragToEx(point.x, point.y);
  else
    group->DragTo(point.x, point.y);
  doc->RecordedRecalculate();
}

// ---- moves ----------------------------------------------------------------------------

void CQorexView::OnMouseMove(UINT nFlags, CPoint point) {
  KillTimer(kHoverTimer);
  CQorexDoc* doc = GetDocument();
  if (GetCapture() != this) {
    if (doc != nullptr && doc->m_pDragGroup && m_pTips && OnRootLocus()) {
      m_pTips->m_nLines =
          doc->m_pDragGroup->GetLabel(point.x, point.y, m_pTips->m_strLines, m_pTips->m_wSymbols);
      if (m_pTips->m_nLines > 0) {
        SetTimer(kHoverTimer, kHoverDelay, nullptr);
        if (GetFocus() != this) SetFocus();
        m_ptAnchor = point;
        return;
      }
    }
    CScrollView::OnMouseMove(nFlags, point);
    return;
  }
  ++m_nMoves;
  const bool shift = (nFlags & MK_SHIFT) != 0;
  if (m_nMouseMode == 2) {
    PanOrZoom(nFlags, point);
  } else if (m_nMouseMode == 3 && !shift) {
    if (doc != nullptr) DragNode(doc, point, 1);
  } else if (m_nMouseMode == 1 && !shift && OnRootLocus() && doc != nullptr) {
    if (doc->m_pDragGroup) doc->m_pDragGroup->DragTo(point.x, point.y);
    m_ptAnchor = point;
    if (CDesignRecorder* recorder = GetDesignRecorder()) recorder->RecordDesign(kRecordMoveAppend);
    doc->Recalculate();
    if (CDesignRecorder* recorder = GetDesignRecorder()) recorder->RecordDesign(kRecordMoveRoots);
    doc->UpdateAll();
    CScrollView::OnMouseMove(nFlags, point);
  } else {
    CScrollView::OnMouseMove(nFlags, point);
  }
}

void CQorexView::PanOrZoom(UINT nFlags, CPoint point) {
  CQorexDoc* doc = GetDocument();
  if (doc == nullptr) return;
  SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
  const bool rootLocus = OnRootLocus();
  CPoint& origin = rootLocus ? doc->m_ptRlOrigin : m_ptOrigin;
  double& scaleX = rootLocus ? doc->m_dRlScaleX : m_dScaleX;
  double& scaleY = rootLocus ? doc->m_dRlScaleY : m_dScaleY;
  const int dx = m_ptAnchor.x - point.x;
  const int dy = m_ptAnchor.y - point.y;
  if (nFlags & MK_CONTROL) {
    if (!ZoomBeyondDeadZone(dx, dy)) return;
    // A grid diagram's origin counts from the corner of the cell under the
    // pivot; the other diagrams' from the client's.
    CPoint cell(0, 0);
    const int type = m_wDiagram & kDiagramTypeMask;
    if (type >= kDiagramNyquist && type <= kDiagramBode) {
      const CellGrid grid = FreqCellGrid();
      if (grid.Drawable())
        cell =
            grid.Cell(std::clamp(static_cast<int>(m_ptLast.y / grid.cellHeight), 0, grid.rows - 1),
                      std::clamp(static_cast<int>(m_ptLast.x / grid.cellWidth), 0, grid.cols - 1))
                .TopLeft();
    }
    ZoomAxis({false, kZoomPerPixel, cell.x, PlaceZoomedOrigin}, point.x, m_ptAnchor.x, m_ptLast.x,
             origin.x, scaleX, &m_zoomPivot[0]);
    ZoomAxis({true, kZoomPerPixel, cell.y, PlaceZoomedOrigin}, point.y, m_ptAnchor.y, m_ptLast.y,
             origin.y, scaleY, &m_zoomPivot[1]);
  } else {
    if (!PanStep(point, m_ptAnchor, m_ptLast)) return;
    origin.x = ClampPixel(double(origin.x) - dx);
    origin.y = ClampPixel(double(origin.y) - dy);
  }
  StoreDiagramView();
  Redraw();
}

void CQorexView::StoreDiagramView() {
  const int type = m_wDiagram & kDiagramTypeMask;
  if (type < kDiagramNyquist || type > kDiagramCharBode) return;
  QoxDiagView& settings = GetDocument()->m_diagView[type];
  settings.nOriginX = m_ptOrigin.x;
  settings.nOriginY = m_ptOrigin.y;
  settings.dScaleX = m_dScaleX;
  settings.dScaleY = m_dScaleY;
}

// ---- the hover tip ----------------------------------------------------------------------

void CQorexView::OnTimer(UINT_PTR nIDEvent) {
  KillTimer(nIDEvent);
  if (nIDEvent != kHoverTimer || m_pTips == nullptr || m_pTips->m_nLines == 0) {
    CScrollView::OnTimer(nIDEvent);
    return;
  }
  CPoint cursor;
  GetCursorPos(&cursor);
  ScreenToClient(&cursor);
  if (GetCapture() != nullptr || cursor != m_ptAnchor) return;
  ShowTip();
}

void CQorexView::ShowTip() {
  CPoint p = m_ptAnchor;
  const int n = std::clamp(m_pTips->m_nLines, 0, CTips::kMaxLines);
  int width = 0;
  if (g_pMemDC) {
    QxSelectGuard font(g_pMemDC, g_pFontArial12);
    for (int i = 0; i < n; ++i)
      width = std::max<int>(width, g_pMemDC->GetTextExtent(m_pTips->m_strLines[i]).cx);
  }
  width += kTipExtraWidth;
  CRect client;
  GetClientRect(&client);
  if (p.x + width + kTipRightMargin > client.right) p.x = client.right - width - kTipRightMargin;
  if (p.y + kTipLineHeight * n + kTipBottomExtra > client.bottom)
    p.y -= kTipLineHeight * n + kTipAboveShift;
  if (m_pTips->GetSafeHwnd()) m_pTips->DestroyWindow();
  LPCSTR tipClass =
      AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr);
  const CRect rect(p.x, p.y + kTipBelowCursor, p.x + width,
                   p.y + kTipLineHeight * n + kTipBottomExtra);
  if (!m_pTips->Create(tipClass, "hello", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this, kTipId))
    return;
  m_pTips->SetFocus();
  m_pTips->SetCapture();
}

// ---- the popup menu -----------------------------------------------------------------------

std::vector<CQorexView::MenuItem> CQorexView::PopupItems(CPoint point) {
  CQorexDoc* doc = GetDocument();
  CSIMfreq* freq = doc->m_pFreqModel;
  const bool rootLocus = OnRootLocus();
  if (!rootLocus && freq != nullptr && HitTestNode(doc, point) && freq->m_nPickNode >= 0) {
    return {{"Edit node...", EDITNODE, MF_STRING},
            {"Add nodes...", ADDNODES, MF_STRING},
            {"Remove node", REMNODE, MF_STRING},
            {"Remove all nodes", REMNODES, UINT(freq->m_nNodes != 0 ? MF_STRING : MF_GRAYED)}};
  }
  if (rootLocus && doc->m_pDragGroup && doc->m_pDragGroup->HitTest(point.x, point.y, FALSE) > 0)
    return {{"Delete pole/zero", DELETEPOLE, MF_STRING}};

  std::vector<MenuItem> items;
  const WORD type = m_wDiagram & kDiagramTypeMask;
  auto typeItem = [&](const char* text, UINT id, WORD itemType) {
    items.push_back({text, id, UINT(type == itemType ? MF_CHECKED : MF_UNCHECKED)});
  };
  typeItem("Root Locus", RLOCUS, kDiagramRootLocus);
  typeItem("Nyquist", NYQUIST, kDiagramNyquist);
  typeItem("Inverse Nyquist", INYQUIST, kDiagramInverseNyquist);
  typeItem("Nichols", NICHOLS, kDiagramNichols);
  typeItem("Bode", BODE, kDiagramBode);
  // The same loop dimension that decides what the drawing shows.
  if (LoopDimension() > 1) {
    typeItem("Characteristic Nyquist", CHNYQUIST, kDiagramCharNyquist);
    typeItem("Characteristic Bode", CHBODE, kDiagramCharBode);
  }
  items.push_back({nullptr, 0, MF_SEPARATOR});
  if (!rootLocus) {
    const bool nodes = freq != nullptr && freq->m_nNodes != 0;
    items.push_back({"Add nodes...", ADDNODES, MF_STRING});
    items.push_back({"Remove all nodes", REMNODES, UINT(nodes ? MF_STRING : MF_GRAYED)});
    items.push_back({nullptr, 0, MF_SEPARATOR});
  }
  items.push_back({"Copy image", ID_EDIT_COPY, MF_STRING});
  items.push_back({nullptr, 0, MF_SEPARATOR});
  items.push_back({"Properties", UINT(rootLocus ? RLPROPERTIES : FREQPROPERTIES), MF_STRING});
  return items;
}

void CQorexView::OnRButtonUp(UINT, CPoint point) {
  if (GetCapture() != this) return;
  CQorexDoc* doc = GetDocument();
  ReleaseCapture();
  if (doc == nullptr || m_nMoves >= kMovesOfADrag) return;
  CMenu menu;
  menu.CreatePopupMenu();
  for (const MenuItem& item : PopupItems(point)) {
    if (item.text == nullptr)
      menu.AppendMenu(MF_SEPARATOR);
    else
      menu.AppendMenu(MF_STRING | item.flags, item.id, item.text);
  }
  CPoint screen = point;
  ClientToScreen(&screen);
  menu.TrackPopupMenu(TPM_RIGHTBUTTON, screen.x, screen.y, this);
  menu.DestroyMenu();
}

void CQorexView::OnDeletePole() {
  CQorexDoc* doc = GetDocument();
  if (doc == nullptr || doc->m_pDragGroup == nullptr) return;
  if (doc->m_pDragGroup->DeleteGrabbed()) {
    doc->UpdateUsedVariables();
    doc->Recalculate();
    doc->UpdateAll();
    doc->UpdateHistory();
  } else {
    MessageBox("Unable to delete the specified pole/zero.\nTry editing the models manually.",
               "Note", MB_OK);
  }
}

// ---- cursor readouts ------------------------------------------------------------------------

CString CQorexView::CursorReadout(int axis, BOOL* enable) {
  *enable = FALSE;
  CQorexDoc* doc = GetDocument();
  CPoint cursor;
  GetCursorPos(&cursor);
  CWnd* under = CWnd::WindowFromPoint(cursor);
  if (doc == nullptr || under == nullptr) return CString();
  CPoint p = cursor;
  under->ScreenToClient(&p);
  CRect client;
  under->GetClientRect(&client);
  double value[2];
  if (under == this) {
    if (OnRootLocus()) {
      value[0] = (p.x - doc->m_ptRlOrigin.x) / doc->m_dRlScaleX;
      value[1] = -(p.y - doc->m_ptRlOrigin.y) / doc->m_dRlScaleY;
    } else {
      const WORD type = m_wDiagram & kDiagramTypeMask;
      if (type < kDiagramCharNyquist) {
        // The cells as drawn; none drawable: no reading, rather than a cell of 0.
        const CellGrid grid = FreqCellGrid();
        if (!grid.Drawable()) return CString();
        p.x %= grid.cellWidth;
        p.y %= grid.cellHeight;
      }
      value[0] = (p.x - m_ptOrigin.x) / m_dScaleX;
      value[1] = -(p.y - m_ptOrigin.y) / m_dScaleY;
    }
  } else if (g_pOutputBar != nullptr && under->GetParent() == g_pOutputBar &&
             client.Height() > kGripHeight) {
    value[0] = (p.x - doc->m_ptSigOrigin.x) / doc->m_dSigScaleX * doc->m_dSamplingTime;
    value[1] = -(p.y - doc->m_ptSigOrigin.y) / doc->m_dSigScaleY;
  } else {
    return CString();
  }
  CString text;
  text.Format("%.3g", value[axis]);
  *enable = TRUE;
  return text;
}

void CQorexView::OnUpdateIndicatorX(CCmdUI* pCmdUI) {
  BOOL enable = FALSE;
  pCmdUI->SetText(CursorReadout(0, &enable));
  if (enable) pCmdUI->Enable(TRUE);
}

void CQorexView::OnUpdateIndicatorY(CCmdUI* pCmdUI) {
  BOOL enable = FALSE;
  pCmdUI->SetText(CursorReadout(1, &enable));
  if (enable) pCmdUI->Enable(TRUE);
}
