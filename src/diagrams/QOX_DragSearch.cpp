// The root drag search of QOX_DragPole: the cost of a trial point, the
// closed-loop cost, the coordinate pattern search, the probe and the global
// stage.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/QOX_DragPole.h"
#include "search/MagnitudeKnee.h"
#include "simulation/SIMpoly.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Below this squared pixel distance two roots count as one place.
constexpr double kOnePixel2 = 1.0;
// Where the best root of a step starts: farther than anything found.
constexpr McComplex kFarAway{1e100, 1e100};

// a < b with NaN as +infinity.
bool Less(double a, double b) {
  if (std::isnan(a)) return false;
  return std::isnan(b) || a < b;
}

}  // namespace

double QOX_DragPole::PixelDistance2(McComplex a, McComplex b) const {
  const double dx = (a.re - b.re) * m_pDoc->m_dRlScaleX;
  const double dy = (std::fabs(a.im) - std::fabs(b.im)) * m_pDoc->m_dRlScaleY;
  return dx * dx + dy * dy;
}

double QOX_DragPole::Evaluate() {
  ++m_nEvaluations;
  const double e = m_evaluate ? m_evaluate() : Cost();
  return std::isnan(e) ? kInfinity : e;
}

// ---- roots of a trial point ---------------------------------------------------------

int QOX_DragPole::RootsOf(const double* c, int n, int* found) {
  while (n > 1 && std::fabs(c[n - 1]) <= g_dZeroTol) --n;
  *found = 0;
  if (n < 1) return 0;
  m_pRoots.resize(std::max<size_t>(m_pRoots.size(), size_t(n)));
  if (n >= 2 && PolyRoots(n - 1, c, m_pRoots.data(), false) != nullptr) *found = n - 1;
  return n;
}

void QOX_DragPole::RebuildLoop(bool closedLoop) {
  CSIMsystem& s = m_pDoc->m_system;
  CSIMtrnmx* W = s.m_work;  // W[0] is W1
  CSIMtrnfn* T = s.m_tfWork;
  for (int i = 0; i < 4; ++i) W[i].FromExpr(m_pDoc, m_pDoc->m_models.RightSideAt(kModelK + i));
  W[4].Multiply(W[1], W[0], T[0], T[1], T[2]);
  W[5].Multiply(W[2], W[4], T[0], T[1], T[2]);
  W[6].Multiply(W[3], W[5], T[0], T[1], T[2]);
  const CSIMtrnmx* m = &W[6];
  if (closedLoop) {
    W[7].OnePlus(W[6]);
    m = &W[7];
  }
  if (m->IsSquare())
    s.m_tfSweep.Determinant(m->m_pElements.get(), m->m_nRows, T[0], T[1], T[2], T[3]);
  else
    s.m_tfSweep.SetZero();
}

int QOX_DragPole::NewRoots(int* found) {
  if (m_pFactor != nullptr) {
    const Poly p = ExprToPoly(m_pDoc, m_pFactor);
    return RootsOf(p.data(), static_cast<int>(p.size()), found);
  }
  RebuildLoop((m_wMode & kDragTransmissionZero) == 0);
  const CSIMtrnfn& det = m_pDoc->m_system.m_tfSweep;
  return RootsOf(det.m_num.data(), std::min<int>(det.m_nNum, int(det.m_num.size())), found);
}

// ---- costs ------------------------------------------------------------------------------

double QOX_DragPole::Cost() {
  double largest = 0.0;
  for (int i = 0; i < m_vars.m_nCount; ++i) largest = std::max(largest, std::fabs(Value(i)));
  const double knee = MagnitudeKneeFactor(largest, g_dMagSupKnee);
  if ((m_wMode & kDragImproveMask) == kDragClosedLoopImprove)
    return ApplyMagnitudeKnee(ClosedLoopCost(), knee);

  int found = 0;
  NewRoots(&found);
  McComplex* R = m_pRoots.data();
  const bool modelPole = (m_wMode & kDragModelPole) != 0;
  const std::vector<McComplex>& O = modelPole ? m_pTrnfn->m_poles : m_pTrnfn->m_zeros;
  const int oldCount = std::min<int>(modelPole ? m_pTrnfn->m_nDen - 1 : m_pTrnfn->m_nNum - 1,
                                     static_cast<int>(O.size()) - 1);
  // A trial the numerics could not give roots for is no place to go.
  if (found == 0 && oldCount > 0) return kInfinity;
  const int n = std::min(oldCount, found);  // L - 1 of the consistent case

  // The other roots should stay where they were (inertia).
  int m = 1;
  double S = 0.0;
  auto otherDistance = [&](int k, int j) {
    double d = PixelDistance2(O[k], R[j]);
    if (modelPole) d = std::min(d, PixelDistance2(m_target, R[j]));
    return d;
  };
  for (int k = 1; k <= n && m <= n; ++k) {
    if (PixelDistance2(O[k], m_start) < kOnePixel2) continue;
    double d = otherDistance(k, m);
    for (int j = m + 1; j <= n; ++j) {
      const double dj = otherDistance(k, j);
      if (dj < d) {
        d = dj;
        std::swap(R[m], R[j]);
      }
    }
    S += d;
    ++m;
  }
  S = (g_dRootInertia / 4.0) * S / m;

  // The grabbed root, and the roots that coincide with it, go to the target.
  int c = 0;
  for (int k = 1; k <= n && m <= n; ++k) {
    if (!(PixelDistance2(O[k], m_start) < kOnePixel2)) continue;
    double d = PixelDistance2(m_target, R[m]);
    m_candidate = R[m];
    if (c > 1) {
      bool swapped = false;
      for (int j = m; j <= n; ++j) {
        const double dj = PixelDistance2(R[j], O[k]);
        if (dj < d) {
          d = dj;
          std::swap(R[m], R[j]);
          m_candidate = R[m];
          swapped = true;
        }
      }
      if (swapped) ++m;
    }
    S += d;
    ++c;
  }
  if (Less(PixelDistance2(m_candidate, m_target), PixelDistance2(m_best, m_target)))
    m_best = m_candidate;
  return ApplyMagnitudeKnee(S, knee);
}

double QOX_DragPole::ClosedLoopCost() {
  RebuildLoop(true);
  const CSIMtrnfn& det = m_pDoc->m_system.m_tfSweep;
  int found = 0;
  const int n = RootsOf(det.m_num.data(), std::min<int>(det.m_nNum, int(det.m_num.size())), &found);
  const McComplex* r = m_pRoots.data();
  double rmax = found > 0 ? r[1].re : 1e300;
  double D = 0.0;
  int c = 1;
  for (int k = 1; k <= found; ++k) {
    rmax = std::max(rmax, r[k].re);
    // Outside the sector |im| <= 0.5 |re| (damping below about 0.894).
    const double excess = std::fabs(r[k].im) - std::fabs(0.5 * r[k].re);
    if (excess > 0) {
      D += excess;
      ++c;
    }
  }
  if (rmax > 0) rmax *= 4.0;
  const int nDoc = m_pDoc->m_system.m_detIFLGK.m_nNum;
  return 100.0 * std::abs(n - nDoc) + D / c + rmax;
}

// ---- the local search -------------------------------------------------------------------

double QOX_DragPole::Search() {
  return SearchFrom(Evaluate());
}

double QOX_DragPole::SearchFrom(double e) {
  for (int iteration = 0; iteration < g_nLocalIterations && e != 0.0; ++iteration) {
    for (int i = 0; i < m_vars.m_nCount; ++i) {
      const double x0 = Value(i);
      QOX_PatternAxis& axis = m_vars.Axis(i);
      double& up = axis.up;
      double& down = axis.down;
      const BYTE state = axis.direction;
      double eUp, eDown;
      if (state == QOX_PatternAxis::kDown) {
        Value(i) = x0 - down;
        eDown = Evaluate();
        if (eDown >= e) {
          Value(i) = x0 + up;
          eUp = Evaluate();
        } else {
          eUp = e + 1.0;
        }
      } else {
        Value(i) = x0 + up;
        eUp = Evaluate();
        if (eUp >= e) {
          Value(i) = x0 - down;
          eDown = Evaluate();
        } else {
          eDown = e + 1.0;
        }
      }
      if (eUp < e && eUp <= eDown) {
        Value(i) = x0 + up;
        e = eUp;
        down = up / 2;
        if (state == QOX_PatternAxis::kUp) up *= 2;
        axis.direction = QOX_PatternAxis::kUp;
      } else if ((eUp < e && eDown < eUp) || (eUp >= e && eDown < e)) {
        Value(i) = x0 - down;
        e = eDown;
        up = down / 2;
        if (state == QOX_PatternAxis::kDown) down *= 2;
        axis.direction = QOX_PatternAxis::kDown;
      } else if (eDown == e) {
        Value(i) = x0;
        down *= 1.5;
        up = eUp == e ? up * 1.5 : up / 2;
        axis.direction = QOX_PatternAxis::kNone;
      } else {
        Value(i) = x0;
        up /= 2;
        down /= 2;
        axis.direction = QOX_PatternAxis::kNone;
      }
    }
  }
  return e;
}

// ---- the global stage ---------------------------------------------------------------------

double QOX_DragPole::Probe(double* a, double* b, double e, double best, int i, int direction) {
  const double v = Value(i);
  double h = std::fabs(v) >= 10.0 ? 0.1 * std::fabs(v) : 0.1;
  if (direction == 1) h = -h;
  double r = e;
  bool descent = false;
  for (int step = 0; step < 8; ++step) {
    Value(i) += h;
    const double e1 = Evaluate();
    if (e1 < r) {
      descent = true;
      break;
    }
    r = e1;
    h *= 2;
  }
  if (!descent) {
    Value(i) = a[i];
    return best;
  }
  for (int j = 0; j < m_vars.m_nCount; ++j) {
    const double s = j == i                    ? std::fabs(h) / 3
                     : std::fabs(a[j]) >= 10.0 ? 0.1 * std::fabs(a[j])
                                               : 1.0;
    m_vars.Axis(j) = {s, s, QOX_PatternAxis::kNone};
  }
  const double e2 = SearchFrom(Evaluate());
  if (e2 < best) {
    for (int j = 0; j < m_vars.m_nCount; ++j) b[j] = Value(j);
    best = e2;
  }
  for (int j = 0; j < m_vars.m_nCount; ++j) Value(j) = a[j];
  return best;
}

void QOX_DragPole::GlobalStage(double e0, double tolerance) {
  std::vector<double> a(m_vars.m_nCount);
  for (int i = 0; i < m_vars.m_nCount; ++i) a[i] = Value(i);
  std::vector<double> b = a, c = a;
  double best = 1e300, cur = e0, kept = e0;
  for (int pass = 0; pass < g_nGlobalIterations; ++pass) {
    for (int i = 0; i < m_vars.m_nCount; ++i) {
      best = Probe(a.data(), b.data(), cur, best, i, 0);
      best = Probe(a.data(), b.data(), cur, best, i, 1);
    }
    for (int i = 0; i < m_vars.m_nCount; ++i) Value(i) = b[i];
    a = b;
    if (best < tolerance) return;
    if (best < kept) {
      kept = best;
      c = b;
    }
    cur = best;
  }
  for (int i = 0; i < m_vars.m_nCount; ++i) Value(i) = c[i];
}
