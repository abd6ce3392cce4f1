// The frequency-node side of the view: the hit test and the drag of nodes and
// curve points, the double click that adds or removes a node, the node
// commands of the view's menus and "Frequency Diagram Properties". The pick
// lives in the document's frequency engine; what is hit is what is drawn, by
// the same mapping (FreqPlot) and the same frequencies.
#include "diagrams/QorexView.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/CellGrid.h"
#include "diagrams/FreqDiagrams.h"
#include "diagrams/FreqDialogs.h"
#include "editing/AddNodes.h"
#include "simulation/SIMfreq.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kPickRadius = 4.0;

double TwoPi() {
  return 4 * std::asin(1.0);
}

bool PickedNodeExists(const CSIMfreq& f) {
  return f.m_nPickNode >= 0 && f.m_nPickNode < f.m_nNodes;
}

// ---- the node hit test, step by step ------------------------------------------------

// The cell of the grid under the point, the point made relative to the cell;
// false off the grid or when it cannot be drawn.
bool LocateCell(const CellGrid& grid, CPoint* point, int* row, int* col) {
  if (!grid.Drawable() || point->x < 0 || point->y < 0) return false;
  *row = point->y / grid.cellHeight;
  *col = point->x / grid.cellWidth;
  if (*row >= grid.rows || *col >= grid.cols) return false;
  point->x -= *col * grid.cellWidth;
  point->y -= *row * grid.cellHeight;
  return true;
}

// A press tested against the values of one diagram type, through the plot
// that draws them (one cell's for the cell diagrams), the point in its pixels.
class NodeHitTest {
 public:
  NodeHitTest(int type, const FreqPlot& plot, CPoint point)
      : m_type(type), m_plot(plot), m_point(point) {}

  // The first of the one or two positions of a value that is hit: 1 the
  // first, 2 the second (Bode phase, characteristic Bode angle), 0 none.
  int Where(McComplex z, McComplex w, double freq) const {
    switch (m_type) {
      case kDiagramNyquist:
      case kDiagramCharNyquist:
        return Hit(z.re, z.im) ? 1 : 0;
      case kDiagramInverseNyquist:
        return Hit(w.re, w.im) ? 1 : 0;
      case kDiagramNichols:
        return Hit(FreqPhaseDegrees(z) + 180, FreqDecibels(z)) ? 1 : 0;
      case kDiagramBode:
        return Hit(std::log10(freq), FreqDecibels(z))       ? 1
               : Hit(std::log10(freq), FreqPhaseDegrees(z)) ? 2
                                                            : 0;
      default:
        return Hit(std::log10(freq), w.re) ? 1 : Hit(std::log10(freq), w.im) ? 2 : 0;
    }
  }

  // When a position of the value is hit: it becomes the engine's pick (node
  // -1 for a tick point of a curve), with the diagram, the node's flags and
  // the curve it lies on, and the value as the target.
  bool TryPick(CSIMfreq& f, int node, double freq, BYTE flags, McComplex z, McComplex w) const {
    const int at = Where(z, w, freq);
    if (at == 0) return false;
    f.m_nPickNode = node;
    f.m_dPickFreq = freq;
    f.m_nPickDiagram =
        static_cast<BYTE>(m_type | (flags & kNodeMarks) | (at == 2 ? kNodeSecondQuantity : 0));
    f.m_targetDirect = z;
    f.m_targetInverse = w;
    return true;
  }

 private:
  bool Hit(double u, double v) const {
    POINT p;
    return m_plot.PixelOf(u, v, &p) && std::hypot(p.x - m_point.x, p.y - m_point.y) < kPickRadius;
  }

  int m_type;
  FreqPlot m_plot;
  CPoint m_point;
};

// Tick points: every tick step of the sweep, none when the step exceeds it.
int TickCount(const CSIMfreq& f) {
  return f.m_nTickStep >= 1 ? f.m_nFreqs / f.m_nTickStep : 0;
}

// A cell diagram: the cell's nodes first, then the tick points of its curve.
BOOL PickInCell(CSIMfreq& f, const NodeHitTest& test, int row, int col) {
  for (int i = 0; i < f.m_nNodes; ++i) {
    if (IsCharacteristicDiagram(DiagramKindOf(f.m_nodeFlags[i])) ||
        CellRow(f.m_nodeCell[i]) != row || CellCol(f.m_nodeCell[i]) != col)
      continue;
    if (test.TryPick(f, i, f.m_nodeFreq[i], f.m_nodeFlags[i], f.m_nodeDirect[i],
                     f.m_nodeInverse[i]))
      return TRUE;
  }
  const std::vector<double> w = SweepFrequencies(f);
  const int ticks = TickCount(f);
  for (int j = 0; j < ticks; ++j) {
    const size_t e = (static_cast<size_t>(j) * f.m_nTickStep * f.m_nRows + row) * f.m_nCols + col;
    const double freq = w[static_cast<size_t>(j) * f.m_nTickStep];
    if (test.TryPick(f, -1, freq, 0, f.m_pDirect[e], f.m_pInverse[e])) return TRUE;
  }
  return FALSE;
}

// A characteristic diagram: the nodes, each drawn on its own branch only,
// then the tick points of every branch; the branch hit is the picked column.
BOOL PickOnBranches(CSIMfreq& f, const NodeHitTest& test) {
  const int n = f.m_nDim;
  for (int i = 0; i < f.m_nNodes; ++i) {
    const int l = f.m_nodeCell[i];
    if (!IsCharacteristicDiagram(DiagramKindOf(f.m_nodeFlags[i])) || l >= n) continue;
    const size_t e = static_cast<size_t>(i) * n + l;
    if (test.TryPick(f, i, f.m_nodeFreq[i], f.m_nodeFlags[i], f.m_nodeLoci[e],
                     f.m_nodeLociGain[e])) {
      f.m_nPickCol = l;
      return TRUE;
    }
  }
  const std::vector<double> w = SweepFrequencies(f);
  const int ticks = TickCount(f);
  for (int j = 0; j < ticks; ++j)
    for (int l = 0; l < n; ++l) {
      const size_t e = static_cast<size_t>(j) * f.m_nTickStep * n + l;
      const double freq = w[static_cast<size_t>(j) * f.m_nTickStep];
      if (test.TryPick(f, -1, freq, 0, f.m_pLoci[e], f.m_pLociGain[e])) {
        f.m_nPickCol = l;
        return TRUE;
      }
    }
  return FALSE;
}

}  // namespace

void AddFrequencyNodes(CSIMfreq& freq, double start, double stop, int spacing, double inertia,
                       BYTE flags, int row, int col) {
  if (!(std::isfinite(start) && start > 0) || !std::isfinite(stop)) return;
  auto add = [&](double w) { freq.AddNode(w, row, col, inertia, flags, nullptr); };
  for (double f = start; f <= stop; f *= 10) {
    if (f > start) {
      if (spacing == 1) add(f / 2);
      if (spacing == 2)
        for (int i = 1; i <= 4; ++i) add(i * f / 5);
      if (spacing == 3)
        for (int i = 2; i <= 9; ++i) add(i * f / 10);
    }
    add(f);
  }
}

BOOL CQorexView::HitTestNode(CQorexDoc* pDoc, CPoint point) {
  if (!pDoc || !pDoc->m_pFreqModel) return FALSE;
  CSIMfreq& f = *pDoc->m_pFreqModel;
  f.m_nPickNode = -1;
  const int type = m_wDiagram & kDiagramTypeMask;
  if (type < kDiagramNyquist || type > kDiagramCharBode) return FALSE;
  CRect client;
  GetClientRect(&client);
  int width = client.Width(), height = client.Height(), row = 0, col = 0;
  const bool cells = type <= kDiagramBode;
  if (cells) {
    const CellGrid grid = FreqCellGrid();
    if (!LocateCell(grid, &point, &row, &col)) return FALSE;
    width = grid.cellWidth;
    height = grid.cellHeight;
  }
  f.m_nPickRow = row;
  f.m_nPickCol = col;
  const NodeHitTest test(
      type, FreqPlot(nullptr, m_ptOrigin, m_dScaleX, m_dScaleY, width, height, false), point);
  return cells ? PickInCell(f, test, row, col) : PickOnBranches(f, test);
}

void CQorexView::DragNode(CQorexDoc* pDoc, CPoint point, int local) {
  if (!pDoc || !pDoc->m_pFreqModel) return;
  CSIMfreq& f = *pDoc->m_pFreqModel;
  const int type = m_wDiagram & kDiagramTypeMask;
  if (type < kDiagramNyquist || type > kDiagramCharBode) return;
  double dx = point.x - m_ptOrigin.x, dy = m_ptOrigin.y - point.y;
  if (type <= kDiagramBode) {
    const CellGrid grid = FreqCellGrid();
    dx -= f.m_nPickCol * grid.cellWidth;
    dy += f.m_nPickRow * grid.cellHeight;
  }
  const double a = dx / m_dScaleX, b = dy / m_dScaleY;
  const bool second = (f.m_nPickDiagram & kNodeSecondQuantity) != 0;
  const double radians = TwoPi() / 360;
  McComplex target;
  switch (type) {
    case kDiagramNichols: {
      const double phi = (a - 180) * radians, m = std::pow(10.0, b / 20);
      target = {m * std::cos(phi), m * std::sin(phi)};
      break;
    }
    case kDiagramBode:
      target = second ? McComplex{std::cos(b * radians), std::sin(b * radians)}
                      : McComplex{0.0, std::pow(10.0, b / 20)};
      break;
    case kDiagramCharBode:
      // The engine reads the gain from the real part and the angle from the
      // imaginary part, each on the vertical axis.
      target = second ? McComplex{a, b} : McComplex{b, 0.0};
      break;
    default:
      target = {a, b};
      break;
  }
  f.m_targetDirect = target;
  f.m_targetInverse = target;
  f.SetNode(f.m_nPickNode, f.m_dPickFreq, target, target, f.m_nPickRow, f.m_nPickCol,
            f.m_nPickDiagram, pDoc, local);
}

void CQorexView::OnLButtonDblClk(UINT, CPoint) {
  CQorexDoc* doc = GetDocument();
  if (m_nMouseMode != 3 || !doc || !doc->m_pFreqModel) return;
  CSIMfreq& f = *doc->m_pFreqModel;
  if (f.m_nPickNode < 0) {
    f.AddNode(f.m_dPickFreq, f.m_nPickRow, f.m_nPickCol, 1.0, f.m_nPickDiagram, doc);
    doc->Recalculate();
    doc->UpdateAll();
  } else if (PickedNodeExists(f)) {
    f.RemoveNode(f.m_nPickNode);
    Redraw();
  }
}

// ---- node commands --------------------------------------------------------------------

void CQorexView::OnRemoveAllNodes() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !doc->m_pFreqModel) return;
  doc->m_pFreqModel->m_nNodes = 0;
  Redraw();
}

void CQorexView::OnRemoveNode() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !doc->m_pFreqModel || !PickedNodeExists(*doc->m_pFreqModel)) return;
  doc->m_pFreqModel->RemoveNode(doc->m_pFreqModel->m_nPickNode);
  Redraw();
}

void CQorexView::OnEditNode() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !doc->m_pFreqModel || !PickedNodeExists(*doc->m_pFreqModel)) return;
  CSIMfreq& f = *doc->m_pFreqModel;
  const int i = f.m_nPickNode;
  CEditNodesDlg dlg(nullptr);
  const bool hertz = (f.m_nodeFlags[i] & kNodeHertz) != 0;
  dlg.m_bRadians = !hertz;
  dlg.m_dFrequency = hertz ? f.m_nodeFreq[i] / TwoPi() : f.m_nodeFreq[i];
  dlg.m_bShowLabel = (f.m_nodeFlags[i] & kNodeShowLabel) != 0;
  dlg.m_dInertia = f.m_nodeInertia[i];
  if (dlg.DoModal() != IDOK || !PickedNodeExists(f) || f.m_nPickNode != i) return;
  BYTE flags = f.m_nodeFlags[i];
  flags = static_cast<BYTE>(dlg.m_bRadians ? flags & ~kNodeHertz : flags | kNodeHertz);
  flags = static_cast<BYTE>(dlg.m_bShowLabel ? flags | kNodeShowLabel : flags & ~kNodeShowLabel);
  f.m_nodeFreq[i] = dlg.m_bRadians ? dlg.m_dFrequency : dlg.m_dFrequency * TwoPi();
  f.m_nodeFlags[i] = flags;
  f.m_nodeInertia[i] = dlg.m_dInertia;
  doc->Recalculate();
  doc->UpdateAll();
}

// "Add nodes..." adds the dialog's decades of nodes to the cell of the last
// pick (the cell under the right click that opened the menu).
void CQorexView::OnAddNodes() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !doc->m_pFreqModel) return;
  CSIMfreq& f = *doc->m_pFreqModel;
  const int type = m_wDiagram & kDiagramTypeMask;
  BYTE flags =
      static_cast<BYTE>(type == kDiagramCharNyquist || type == kDiagramCharBode ? type : 1);
  CAddNodes dlg;
  if (dlg.DoModal() != IDOK) return;
  double start = dlg.m_dStart, stop = dlg.m_dStop;
  if (dlg.m_bShowLabels) flags |= kNodeShowLabel;
  if (!dlg.m_bRadians) {
    start *= TwoPi();
    stop *= TwoPi();
    flags |= kNodeHertz;
  }
  AddFrequencyNodes(f, start, stop, dlg.m_nSpacing, dlg.m_dInertia, flags, f.m_nPickRow,
                    f.m_nPickCol);
  doc->Recalculate();
  doc->UpdateAll();
}

void CQorexView::OnFreqProperties() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !EditFrequencyProperties(nullptr)) return;
  doc->Recalculate();
  doc->UpdateAll();
}
