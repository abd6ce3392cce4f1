// The frequency engine's nodes, diagram coordinates and frequency-domain
// costs, and the searches that minimise them (SIMfreq.h).
#include "simulation/SIMfreq.h"

#include "GlobalResources.h"
#include "ListGrowth.h"
#include "diagrams/DiagramKinds.h"
#include "QorexDoc.h"
#include "platform/core/VectorState.h"
#include "simulation/SIMroots.h"
#include "simulation/SIMsearch.h"
#include "simulation/SIMsystem.h"
#include "simulation/SIMtrnmx.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr McComplex kNaNPair = {kNaN, kNaN};

// The drag cost's neighbours at (1 -+ 0.1) w and the weight of the dragged point.
constexpr double kNeighbour = 0.1;
constexpr double kDragWeight = 6.0;

inline double Gap(McComplex a, McComplex b) {
  const McComplex d = {a.re - b.re, a.im - b.im};
  return Cabs(&d);
}

inline McComplex Mean(McComplex a, McComplex b) {
  return {(a.re + b.re) / 2.0, (a.im + b.im) / 2.0};
}

}  // namespace

// ---- nodes ---------------------------------------------------------------------------

void CSIMfreq::AddNode(double w, int row, int col, double inertia, BYTE diagram,
                       CQorexDoc* /*doc*/) {
  const long long lociNeed = static_cast<long long>(m_nNodes + 1) * m_nDim;
  if (lociNeed > m_nNodeLociCapacity) {
    const int capacity = static_cast<int>(2 * lociNeed);
    const int keep = std::min(m_nNodes * m_nDim, m_nNodeLociCapacity);
    ReallocateKeeping(m_nodeLoci, keep, capacity);
    ReallocateKeeping(m_nodeLociGain, keep, capacity);
    m_nNodeLociCapacity = capacity;
  }
  if (m_nNodes == m_nNodeCapacity) {
    const int capacity = DoubledCapacity(m_nNodeCapacity);
    ReallocateKeeping(m_nodeDirect, m_nNodes, capacity);
    ReallocateKeeping(m_nodeInverse, m_nNodes, capacity);
    ReallocateKeeping(m_nodeInertia, m_nNodes, capacity);
    ReallocateKeeping(m_nodeFlags, m_nNodes, capacity);
    ReallocateKeeping(m_nodeCell, m_nNodes, capacity);
    ReallocateKeeping(m_nodeFreq, m_nNodes, capacity);
    m_nNodeCapacity = capacity;
  }
  const int n = m_nNodes;
  m_nodeFlags[n] = diagram;
  m_nodeInertia[n] = inertia;
  m_nodeFreq[n] = w;
  m_nodeCell[n] = NodeCell(row, col);
  // Unknown until the next sweep.
  m_nodeDirect[n] = m_nodeInverse[n] = kNaNPair;
  std::fill(&m_nodeLoci[static_cast<size_t>(n) * m_nDim],
            &m_nodeLoci[static_cast<size_t>(n + 1) * m_nDim], kNaNPair);
  std::fill(&m_nodeLociGain[static_cast<size_t>(n) * m_nDim],
            &m_nodeLociGain[static_cast<size_t>(n + 1) * m_nDim], kNaNPair);
  m_nNodes = n + 1;
}

void CSIMfreq::RemoveNode(int i) {
  if (i >= m_nNodes) return;
  if (i < 0 || m_nNodes < 2) {
    m_nNodes = 0;
    return;
  }
  const int last = --m_nNodes;
  MoveNode(i, last);
}

// Every per-node array is listed here once, so a field added to the nodes
// cannot be left behind when a node moves.
void CSIMfreq::MoveNode(int to, int from) {
  if (to == from) return;
  m_nodeFlags[to] = m_nodeFlags[from];
  m_nodeInertia[to] = m_nodeInertia[from];
  m_nodeFreq[to] = m_nodeFreq[from];
  m_nodeCell[to] = m_nodeCell[from];
  m_nodeDirect[to] = m_nodeDirect[from];
  m_nodeInverse[to] = m_nodeInverse[from];
  const size_t dim = static_cast<size_t>(m_nDim);
  std::copy_n(&m_nodeLoci[from * dim], dim, &m_nodeLoci[to * dim]);
  std::copy_n(&m_nodeLociGain[from * dim], dim, &m_nodeLociGain[to * dim]);
}

void CSIMfreq::SetNode(int node, double w, McComplex direct, McComplex inverse, int row, int col,
                       BYTE diagram, CQorexDoc* /*doc*/, int local) {
  if (node >= m_nNodes) return;
  m_nPickNode = node;
  if (node < 0) {
    m_dPickFreq = w;
    m_nPickCol = col;
    m_nPickRow = row;
  } else {
    m_dPickFreq = m_nodeFreq[node];
    m_nodeFlags[node] = diagram;  // the node now belongs to the diagram it was dragged in
  }
  m_nPickDiagram = diagram;
  m_targetDirect = direct;
  m_targetInverse = inverse;
  RunSearch(local ? kSearchFrequencyCost : kSearchFrequencyCost | kSearchGlobal);
}

bool CSIMfreq::NodeInside(int n) const {
  const int row = CellRow(m_nodeCell[n]), col = CellCol(m_nodeCell[n]);
  if (IsCharacteristicDiagram(DiagramKindOf(m_nodeFlags[n]))) return col < m_nDim;
  return row < m_nRows && col < m_nCols;
}

// ---- diagram coordinates ----------------------------------------------------------------

McComplex CSIMfreq::ToDiagram(const CQorexDoc* doc, McComplex z, McComplex w, BYTE diagram) const {
  const int type = DiagramKindOf(diagram);
  if (doc == nullptr || type < kDiagramNyquist || type > kDiagramCharBode) return {0.0, 0.0};
  const double deg = 90.0 / std::asin(1.0);
  const double sx = doc->m_diagView[type].dScaleX, sy = doc->m_diagView[type].dScaleY;
  const bool second = (diagram & kNodeSecondQuantity) != 0;
  auto dB = [](McComplex v) { return 20.0 * std::log(Cabs(&v)) / std::log(10.0); };
  switch (type) {
    case kDiagramNyquist:
    case kDiagramCharNyquist:
      return {sx * z.re, sy * z.im};
    case kDiagramInverseNyquist:
      return {sx * w.re, sy * w.im};
    case kDiagramNichols:
      return {(deg * std::atan2(z.im, z.re) + 180.0) * sx, dB(z) * sy};
    case kDiagramBode:
      return {0.0, second ? deg * std::atan2(z.im, z.re) * sy : dB(z) * sy};
    default:  // characteristic Bode: the gain holds (dB, angle)
      return {0.0, second ? sy * w.im : sy * w.re};
  }
}

// ---- costs ----------------------------------------------------------------------------------

double CSIMfreq::FrequencyCost(CQorexDoc* doc) {
  if (doc == nullptr) return kNaN;
  QxCleanVectorState();  // see VectorState.h: the numerics run clean
  CSIMsystem& sys = doc->m_system;
  for (int slot = kModelK; slot <= kModelF; ++slot)
    (sys.*kModelWiring[slot].block).FromExpr(doc, doc->m_models.RightSideAt(slot));
  sys.LoopProducts();
  const double cost = m_nMode == 0   ? DragCost(doc)
                      : m_nMode == 1 ? InteractionCost(doc)
                                     : BandwidthCost(doc);
  // A run of the loop after the search (the recording of its result) steps
  // the blocks, which need the simulation form that Prepare leaves.
  for (int slot = kModelK; slot <= kModelF; ++slot)
    (sys.*kModelWiring[slot].block).PrepareSimulation();
  return cost;
}

CSIMfreq::Pair CSIMfreq::PairAt(const CSIMsystem& sys, int row, int col, double w, BYTE diagram) {
  Pair p;
  if (!IsCharacteristicDiagram(DiagramKindOf(diagram))) {
    LoopAtFrequency(sys, row, col, w, &p.z, &p.w);
    return p;
  }
  // The first loci entries serve as scratch; the next sweep restores them.
  const int n = sys.m_FLGK.m_nCols;
  if (!sys.m_FLGK.IsSquare() || col < 0 || col >= n || n > m_nLociCapacity)
    return {kNaNPair, kNaNPair};
  CharacteristicLoci(sys, w, m_pLoci.get(), m_pLociGain.get(), nullptr);
  return {m_pLoci[col], m_pLociGain[col]};
}

double CSIMfreq::Distance(const CQorexDoc* doc, const Pair& a, const Pair& b, BYTE diagram) const {
  return Gap(ToDiagram(doc, a.z, a.w, diagram), ToDiagram(doc, b.z, b.w, diagram));
}

// |D(p) - D(m)|, m the mean of the pairs at (1 - 0.1) w and (1 + 0.1) w:
// how far the point leaves the middle of its neighbours.
double CSIMfreq::Smoothness(CQorexDoc* doc, const CSIMsystem& sys, const Pair& p, int row, int col,
                            double w, BYTE diagram) {
  const Pair below = PairAt(sys, row, col, (1.0 - kNeighbour) * w, diagram);
  const Pair above = PairAt(sys, row, col, (1.0 + kNeighbour) * w, diagram);
  const Pair mean = {Mean(below.z, above.z), Mean(below.w, above.w)};
  return Distance(doc, p, mean, diagram);
}

// The dragged point towards its target and smooth between its neighbours
// (weight 6, times the node's inertia), every other node held at its
// recalculated value and smooth (weight its inertia).
double CSIMfreq::DragCost(CQorexDoc* doc) {
  const CSIMsystem& sys = doc->m_system;
  const BYTE byte = m_nPickDiagram;
  const Pair p = PairAt(sys, m_nPickRow, m_nPickCol, m_dPickFreq, byte);
  double cost = Distance(doc, p, {m_targetDirect, m_targetInverse}, byte);
  cost += Smoothness(doc, sys, p, m_nPickRow, m_nPickCol, m_dPickFreq, byte);
  const int picked = m_nPickNode >= 0 && m_nPickNode < m_nNodes ? m_nPickNode : -1;
  if (picked >= 0) cost *= m_nodeInertia[picked];
  cost *= kDragWeight;
  for (int n = 0; n < m_nNodes; ++n) {
    if (n == picked || !NodeInside(n)) continue;
    const int row = CellRow(m_nodeCell[n]), col = CellCol(m_nodeCell[n]);
    const BYTE flags = m_nodeFlags[n];
    const Pair q = PairAt(sys, row, col, m_nodeFreq[n], flags);
    const Pair q0 = !IsCharacteristicDiagram(DiagramKindOf(flags))
                        ? Pair{m_nodeDirect[n], m_nodeInverse[n]}
                        : Pair{m_nodeLoci[static_cast<size_t>(n) * m_nDim + col],
                               m_nodeLociGain[static_cast<size_t>(n) * m_nDim + col]};
    cost += m_nodeInertia[n] * Distance(doc, q0, q, flags);
    cost += m_nodeInertia[n] * Smoothness(doc, sys, q, row, col, m_nodeFreq[n], flags);
  }
  return cost;
}

const McComplex* CSIMfreq::Stored(int k, int row, int col) const {
  if (k < 0 || k >= m_nFreqs || row >= m_nRows || col >= m_nCols) return nullptr;
  return &m_pDirect[(static_cast<size_t>(k) * m_nRows + row) * m_nCols + col];
}

namespace {

// The coarse grid of the interaction and bandwidth costs: M = N div T points
// (of the current settings) from w_min by the ratio (w_max / w_min)^(1/M)
// while w < w_max, the stored grid index k growing by the tick step of the
// last sweep. At most M + 1 points, so that a range whose ratio rounds to 1
// still ends; M = 0 visits w_min alone.
template <class Visit>
void CoarseGrid(int storedTick, Visit visit) {
  const int steps = std::max(0, g_nFreqSteps);
  const int M = g_nFreqTickStep >= 1 ? steps / g_nFreqTickStep : 0;
  const double r = CSIMfreq::GridRatio(g_dFreqMin, g_dFreqMax, M);
  double w = g_dFreqMin;
  int k = 0;
  for (int i = 0; i <= M && w < g_dFreqMax; ++i) {
    visit(w, k);
    w *= r;
    k += storedTick;
  }
}

}  // namespace

double CSIMfreq::InteractionCost(CQorexDoc* doc) {
  if (doc == nullptr) return kNaN;
  const CSIMtrnmx& lgk = doc->m_system.m_LGK;
  const double nc = lgk.m_nCols;
  double total = 0.0;
  CoarseGrid(m_nTickStep, [&](double w, int k) {
    double D = 0.0, A = 0.0, X = 0.0;
    for (int r = 0; r < lgk.m_nRows; ++r)
      for (int c = 0; c < lgk.m_nCols; ++c) {
        const McComplex q = Response(lgk.At(r, c), w);
        const double modulus = Cabs(&q);
        if (r != c) {
          A += modulus / nc;
          if (modulus > X) X = modulus;
          continue;
        }
        D -= modulus;
        if (const McComplex* q0 = Stored(k, r, c)) D += Gap(*q0, q);
        // The first threshold subtracts from +0.2: the penalty jumps to 4 nc.
        if (q.re < -0.2) D += (0.2 - q.re) * nc * 10.0;
        if (q.im > 0.2) D += (q.im - 0.2) * nc * 10.0;
      }
    total += A + D + X;
  });
  return total;
}

double CSIMfreq::BandwidthCost(CQorexDoc* doc) {
  if (doc == nullptr) return kNaN;
  const CSIMtrnmx& lgk = doc->m_system.m_LGK;
  const int T = m_nTickStep;
  double cost = 0.0;
  CoarseGrid(T, [&](double w, int k) {
    const int lower = std::max(k - T, 0);
    if (lower >= m_nFreqs) return;
    for (int r = 0; r < lgk.m_nRows; ++r)
      for (int c = 0; c < lgk.m_nCols; ++c) {
        const McComplex q = Response(lgk.At(r, c), w);
        if (r == c) {
          // Pulled towards the stored value one coarse step lower.
          if (const McComplex* q0 = Stored(lower, r, c)) cost += Gap(*q0, q);
          if (q.re < 0.0) cost += -q.re;
          if (q.im > 0.0) cost += q.im;
        } else if (const McComplex* q0 = Stored(k, r, c)) {
          cost += Gap(*q0, q);
        }
      }
  });
  return cost;
}

// ---- the searches ---------------------------------------------------------------------------

void CSIMfreq::RunSearch(WORD mode) {
  CSIMsearchUi* ui = GetSearchUi();
  if (ui == nullptr) return;
  ui->CollectFreeVariables();
  ui->Optimize(mode);
}

void CSIMfreq::MinimizeInteraction(CQorexDoc* /*doc*/, int global) {
  m_nMode = 1;
  RunSearch(global ? kSearchFrequencyCost | kSearchGlobal : kSearchFrequencyCost);
  m_nMode = 0;
}

void CSIMfreq::ImproveBandwidth(CQorexDoc* /*doc*/, int global) {
  m_nMode = 2;
  RunSearch(global ? kSearchFrequencyCost | kSearchGlobal : kSearchFrequencyCost);
  m_nMode = 0;
}
