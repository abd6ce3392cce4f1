#include "diagrams/QOX_DragPole.h"

#include "MC/McKinds.h"

#include "MC/MC_BASIC.h"
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "QorexDoc.h"
#include "platform/core/KeyState.h"
#include "simulation/SIMpoly.h"

#include <cmath>
#include <utility>

namespace {

// Children of a division.
constexpr int kNumerator = 0;
constexpr int kDenominator = 1;
constexpr int kMaxRemovals = 100000;

bool IsPlainSum(const CMcBasic* node) {
  return node != nullptr && node->GetType() == McTypeWord(kMcListsum);
}

bool IsSumOrProduct(const CMcBasic* node) {
  return McIsKind(node, kMcListsum) || McIsKind(node, kMcListmult);
}

bool Contains(const CMcBasic* tree, const CMcBasic* node) {
  if (tree == node) return true;
  if (tree == nullptr) return false;
  for (int i = 0; i < tree->m_count; ++i)
    if (Contains(tree->m_children[i], node)) return true;
  return false;
}

}  // namespace

QOX_DragPole::QOX_DragPole() : m_pRoots(1) {}

QOX_DragPole::~QOX_DragPole() = default;

double& QOX_DragPole::Value(int i) const {
  return m_pDoc->m_vars.m_pValue[m_vars.Index(i)];
}

// ---- starting a grab ----------------------------------------------------------------

void QOX_DragPole::Begin(const CSIMtrnfn* function, CMcBasic* element, McComplex root, BOOL isPole,
                         CQorexDoc* doc) {
  m_pDoc = doc;
  m_vars.Clear();
  m_start = m_candidate = root;
  m_pTrnfn = function;
  m_pRoots.assign(std::max(1, function ? function->m_nDen : 1), McComplex{0, 0});
  m_wMode = isPole ? kDragModelPole : 0;
  m_pFactor = nullptr;
  // Every element with poles or zeros is a division; anything else (or an
  // element the right side does not hold) has no factor to move.
  if (function == nullptr || !McIsKind(element, kMcDivision) || element->m_count < 2) return;
  m_pFactor = element->m_children[isPole ? kDenominator : kNumerator];
  CollectVariables(m_pFactor);

  const double sx = doc->m_dRlScaleX, sy = doc->m_dRlScaleY;
  auto nearStart = [&](const McComplex& r) {
    return std::fabs(r.re - m_start.re) * sx + std::fabs(r.im - m_start.im) * sy < 1.0;
  };
  const std::vector<McComplex>& old = isPole ? function->m_poles : function->m_zeros;
  const int oldCount = std::min<int>(isPole ? function->m_nDen - 1 : function->m_nNum - 1,
                                     static_cast<int>(old.size()) - 1);
  int c0 = 0;
  for (int k = 1; k <= oldCount; ++k)
    if (nearStart(old[k])) ++c0;

  // A variable that leaves as many roots at the start when perturbed does
  // not move the grabbed root.
  for (int i = 0; i < m_vars.m_nCount;) {
    double& value = Value(i);
    const double saved = value;
    value = std::fabs(saved) < 0.1 ? 10.0 : saved * -5.0;
    const Poly p = ExprToPoly(doc, m_pFactor);
    int found = 0;
    RootsOf(p.data(), static_cast<int>(p.size()), &found);
    int count = 0;
    for (int k = 1; k <= found; ++k)
      if (nearStart(m_pRoots[k])) ++count;
    value = saved;
    if (count == c0) {
      m_vars.RemoveAt(i);
    } else {
      ++i;
    }
  }
}

void QOX_DragPole::BeginValue(McComplex root, BOOL isPole, CQorexDoc* doc) {
  m_pDoc = doc;
  m_vars.Clear();
  m_start = m_candidate = root;
  m_wMode = isPole ? 0 : kDragTransmissionZero;
  m_pTrnfn = isPole ? &doc->m_system.m_detIFLGK : &doc->m_system.m_detFLGK;
  m_pRoots.assign(std::max(1, 2 * m_pTrnfn->m_nDen), McComplex{0, 0});
  m_pFactor = nullptr;
  CollectLoopVariables();
}

void QOX_DragPole::CollectVariables(const CMcBasic* node) {
  QOX_AddTreeVariables(node, m_pDoc->m_vars.m_nCount, QOX_Repeats::kOnce, m_vars);
}

void QOX_DragPole::CollectLoopVariables() {
  QOX_AddTunableVariables(*m_pDoc, {kModelK, kModelG, kModelL, kModelF}, m_pDoc->m_vars.m_nCount,
                          QOX_Repeats::kOnce, m_vars);
}

// ---- drag steps -------------------------------------------------------------------

void QOX_DragPole::PrepareStep(int x, int y) {
  m_target = {(x - m_pDoc->m_ptRlOrigin.x) / m_pDoc->m_dRlScaleX,
              (m_pDoc->m_ptRlOrigin.y - y) / m_pDoc->m_dRlScaleY};
}

void QOX_DragPole::InitialSteps() {
  m_vars.StartSteps([this](int i) { return Value(i); });
}

// The start point follows the grabbed root, kept in its own half-plane. The
// best root seen may come from a trial the search rejected, up to a pixel or
// more away from where the root of the design it left lies; the next step
// would then find no root at the start and stop following the mouse. So the
// root is taken again at the values the search left.
void QOX_DragPole::FinishStep() {
  m_best = {1e100, 1e100};
  Evaluate();
  if (m_start.im * m_best.im < 0) m_best.im = -m_best.im;
  m_start = m_best;
}

void QOX_DragPole::DragTo(int x, int y) {
  if (m_pDoc == nullptr) return;
  PrepareStep(x, y);
  if (m_vars.m_nCount == 0) return;
  InitialSteps();
  m_best = {1e100, 1e100};
  Search();
  FinishStep();
}

void QOX_DragPole::DragToEx(int x, int y, double tolerance) {
  if (m_pDoc == nullptr) return;
  PrepareStep(x, y);
  if (m_vars.m_nCount == 0) return;
  InitialSteps();
  m_best = {1e100, 1e100};
  const double e = Search();
  if (e != 0.0) GlobalStage(e, tolerance);
  FinishStep();
}

void QOX_DragPole::MoveClosedLoopPoles(CQorexDoc* doc) {
  m_wMode = kDragClosedLoopImprove;
  m_pDoc = doc;
  m_vars.Clear();
  CollectLoopVariables();
  if (m_vars.m_nCount == 0) {
    m_wMode = 0;
    return;
  }
  InitialSteps();
  const double e = Search();
  if ((GetKeyState(VK_SHIFT) & 0x8000) != 0 && e != 0.0) GlobalStage(e, -1e100);
  m_wMode = 0;
}

// ---- deleting the grabbed factor -----------------------------------------------------

bool QOX_DragPole::InModels(const CMcBasic* node) const {
  const CMXC_BIN& models = m_pDoc->m_models;
  for (int i = 0; i < models.GetCount(); ++i)
    if (Contains(models.GetAt(i), node)) return true;
  return false;
}

BOOL QOX_DragPole::DeleteFactor() {
  // A factor grabbed before the models changed may be gone: look before touching it.
  if (m_pFactor == nullptr || m_pDoc == nullptr || !InModels(m_pFactor)) return FALSE;
  CMcBasic* division = m_pFactor->GetParent();
  if (division == nullptr || division->GetType() != McTypeWord(kMcDivision)) return FALSE;
  CMcBasic* factor = FindFactor(m_pFactor, m_pFactor);
  if (factor == nullptr) return FALSE;
  m_pFactor = nullptr;  // about to be deleted
  RemoveTerm(factor, division);
  // Every removal takes a node out of a finite tree; the bound only guards
  // against a removal that could not find its place.
  for (int side : {kNumerator, kDenominator})
    for (int guard = 0; guard < kMaxRemovals; ++guard)
      if (!RemoveVariableTerm(division->m_children[side], division)) break;
  const int nD = static_cast<int>(ExprToPoly(m_pDoc, division->m_children[kDenominator]).size());
  const int nN = static_cast<int>(ExprToPoly(m_pDoc, division->m_children[kNumerator]).size());
  if (nN > nD) delete division->SetChildAt(new CMcReal(1.0, 0), kNumerator);
  if (division->m_children[kDenominator]->GetType() == McTypeWord(kMcReal)) {
    CMcBasic* parent = division->GetParent();
    CMcBasic* numerator = division->SetChildAt(new CMcNull(0), kNumerator);
    if (parent != nullptr && parent->ReplaceChild(numerator, division) == division) {
      delete division;
    } else {
      delete division->SetChildAt(numerator, kNumerator);  // nowhere to go: keep the division
    }
  }
  return TRUE;
}

CMcBasic* QOX_DragPole::FirstListedVariable(CMcBasic* node) const {
  if (node == nullptr) return nullptr;
  const int entry = QOX_FreeEntryOf(node);
  if (entry >= 0 && m_vars.Contains(entry)) return node;
  for (int i = 0; i < node->m_count; ++i)
    if (CMcBasic* found = FirstListedVariable(node->m_children[i])) return found;
  return nullptr;
}

// The plain sum that holds the first free variable: the factor itself, or a
// direct factor of a product.
CMcBasic* QOX_DragPole::FindFactor(CMcBasic* node, CMcBasic* stop) {
  CMcBasic* n = FirstListedVariable(node);
  while (n != nullptr && n != stop &&
         !(IsPlainSum(n) && n->GetParent() == stop && McIsKind(stop, kMcListmult)))
    n = n->GetParent();
  return IsPlainSum(n) ? n : nullptr;
}

void QOX_DragPole::RemoveTerm(CMcBasic* node, CMcBasic* root) {
  CMcBasic* p = node->GetParent();
  if (p == nullptr) return;
  if (p == root) {
    delete p->ReplaceChild(new CMcReal(1.0, 0), node);
  } else if (IsSumOrProduct(p) && p->m_count == 2) {
    CMcBasic* other = p->m_children[p->m_children[0] == node ? 1 : 0];
    p->RemoveChild(other);
    other->m_flags = McWithSign(other->m_flags, McMergedSign(other->m_flags, p->m_flags));
    CMcBasic* grand = p->GetParent();
    if (grand != nullptr && grand->ReplaceChild(other, p) == p) {
      delete p;
    } else {
      p->AppendChild(other);  // a sum at the top of no tree: leave it whole
    }
  } else if (IsSumOrProduct(p)) {
    delete p->RemoveChild(node);
  } else {
    RemoveTerm(p, root);
  }
}

BOOL QOX_DragPole::RemoveVariableTerm(CMcBasic* node, CMcBasic* root) {
  CMcBasic* variable = FirstListedVariable(node);
  if (variable == nullptr) return FALSE;
  RemoveTerm(variable, root);
  return TRUE;
}
