// Definition dimensions: a changed model or signal makes every definition
// that shares one of its sizes fit it. Which sizes meet where is the loop's
// wiring (SIMsystem.h); this file only reads it.
#include "QorexDoc.h"

#include "GlobalResources.h"
#include "MC/McDepthGuard.h"
#include "MC/MXC_TERM.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "QorexDocDefinitions.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace qoxdoc;

namespace {
// An equality with the plain "=" relation: the form of every definition.
constexpr WORD kDefinitionType = McTypeWord(kMcEquality, 1);
// Square checks start a nested adjustment; every one of them ends with a
// square block, so a sound design needs a few levels at most.
constexpr int kMaxAdjustDepth = 12;
// A column vector holds at most this many elements (the child count is a word).
constexpr int kMaxElements = 0xFFFF;

CMcBasic* RightOf(CMcBasic* def) {
  return def != nullptr && def->m_count >= 2 ? def->m_children[1] : nullptr;
}

CMcMatrix* AsMatrix(CMcBasic* node) {
  return node != nullptr && McKindOf(node->GetType()) == kMcMatrix ? static_cast<CMcMatrix*>(node)
                                                                   : nullptr;
}

void SizeOf(CMcBasic* def, int* rows, int* columns) {
  const CMcMatrix* m = AsMatrix(RightOf(def));
  *columns = m ? std::max<int>(1, m->GetColumns()) : 1;
  *rows = m ? m->m_count / *columns : 1;
}

// The right side as a 1 x 1 matrix in its place.
CMcMatrix* WrapRightSide(CMcBasic* def) {
  CMcMatrix* m = new CMcMatrix(0);
  CMcBasic* old = def->SetChildAt(m, 1);
  m->AppendChild(old);
  m->SetColumns(1);
  return m;
}

// The matrix a resizer works on, or null when nothing is to change: a right
// side that is no matrix stays as it is for a wanted size of 1 x 1.
CMcMatrix* MatrixToResize(CMcBasic* def, int rows, int columns) {
  CMcBasic* rhs = RightOf(def);
  if (rhs == nullptr || rows < 1 || columns < 1) return nullptr;
  if (CMcMatrix* m = AsMatrix(rhs)) return m;
  return rows == 1 && columns == 1 ? nullptr : WrapRightSide(def);
}

void SetRows(CMcMatrix* m, int rows) {
  const int now = m->GetRows();
  if (rows > now) m->AddRows(rows - now);
  if (rows < now) m->RemoveRows(now - rows);
}

void SetColumns(CMcMatrix* m, int columns) {
  const int now = m->GetColumns();
  if (columns > now) m->AddColumns(columns - now);
  if (columns < now) m->RemoveColumns(now - columns);
}

// Element k (1-based row) of a grown signal.
CMcBasic* NewSignalElement(CMcBasic* def, CMcMatrix* m, int k) {
  const CMcBasic* left = def->m_children[0];
  if (left != nullptr && left->GetType() == McTypeWord(kMcFunction)) {
    const auto* f = static_cast<const CMcFunction*>(left);
    const std::string name = f->GetFunctionName();
    if (name == "y" || (name == "u" && f->GetSubscript()[0] == 'p')) {
      char subscript[16];
      std::snprintf(subscript, sizeof subscript, "%d", k);
      return NewSignalOfT(name.c_str(), subscript);
    }
  }
  CMcBasic* copy = m->m_count > 0 ? m->m_children[m->m_count - 1]->Clone() : nullptr;
  return copy ? copy : McNewNumber(0.0);
}

void SetSignalRows(CMcBasic* def, int rows) {
  CMcMatrix* m = MatrixToResize(def, rows, 1);
  if (m == nullptr) return;
  const int nc = std::max<int>(1, m->GetColumns());
  if (m->m_count % nc != 0 || static_cast<long long>(rows) * nc > kMaxElements) return;
  for (int k = m->m_count / nc + 1; k <= rows; ++k)
    for (int c = 0; c < nc; ++c) m->AppendChild(NewSignalElement(def, m, k));
  while (m->m_count > rows * nc) delete m->RemoveChildAt(m->m_count - 1);
}

// The sizes one change fixes, with their values.
struct FixedSizes {
  bool fixed[kDimCount] = {};
  int value[kDimCount] = {};
  void Fix(SIMdim d, int n) {
    if (d == kDimNone) return;
    fixed[d] = true;
    value[d] = n;
  }
};
}  // namespace

int CQorexDoc::MatchRowsToRows(CMcBasic* def, int a, int /*b*/) {
  if (CMcMatrix* m = MatrixToResize(def, a, 1)) SetRows(m, a);
  return 0;
}

int CQorexDoc::MatchRowsToColumns(CMcBasic* def, int /*a*/, int b) {
  if (CMcMatrix* m = MatrixToResize(def, b, 1)) SetRows(m, b);
  return 0;
}

int CQorexDoc::MatchColumnsToRows(CMcBasic* def, int a, int /*b*/) {
  if (CMcMatrix* m = MatrixToResize(def, 1, a)) SetColumns(m, a);
  return 0;
}

int CQorexDoc::MatchSignalRowsToColumns(CMcBasic* def, int /*a*/, int b) {
  SetSignalRows(def, b);
  return 0;
}

int CQorexDoc::MatchSignalRowsToRows(CMcBasic* def, int a, int /*b*/) {
  SetSignalRows(def, a);
  return 0;
}

int CQorexDoc::ResizeToMatrix(CMcBasic* def, int rows, int columns) {
  if (CMcMatrix* m = MatrixToResize(def, rows, columns)) {
    SetColumns(m, columns);
    SetRows(m, rows);
  }
  return 0;
}

void CQorexDoc::EnsureSquare(int block, int n, CMcBasic** pModels, CMcBasic** pSignals) {
  if (((m_system.*kModelWiring[block].block).m_wFlags & kBlockEnsureSquare) == 0) return;
  CMcMatrix* m = AsMatrix(RightOf(pModels[block]));
  if (m == nullptr || m->GetRows() == m->GetColumns()) return;
  ResizeToMatrix(pModels[block], n, n);
  AdjustDimensions(block, TRUE, pModels, pSignals);
}

int CQorexDoc::AdjustDimensions(int i, BOOL model, CMcBasic** pModels, CMcBasic** pSignals) {
  const int count = model ? int{kModelCount} : int{kSignalCount};
  if (pModels == nullptr || pSignals == nullptr || i < 0 || i >= count) return 0;
  McDepthGuard guard(m_nAdjustDepth, kMaxAdjustDepth);
  if (!guard.Ok()) return 0;
  CMcBasic*& changed = model ? pModels[i] : pSignals[i];
  if (changed == nullptr) return 0;
  for (int k = 0; k < kModelCount; ++k)
    if (pModels[k] == nullptr) return 0;
  for (int k = 0; k < kSignalCount; ++k)
    if (pSignals[k] == nullptr) return 0;

  if (changed->GetType() != kDefinitionType) {
    CMcBasic* parent = changed->m_parent;
    CMcBasic* old = changed;
    CMcBasic* def = NewDefinition(model, i, old);
    if (parent) parent->ReplaceChild(def, old);
    changed = def;
    // The new left side's argument (s or t) is the one node not laid out yet.
    if (g_pMemDC) def->m_children[0]->m_children[0]->Layout(g_pMemDC, kMcLayoutFromTop);
  }
  int nr = 1, nc = 1;
  SizeOf(changed, &nr, &nc);
  // The sizes the change fixes: a block's rows and columns, a signal's rows.
  // A changed block spreads across its columns first, then its rows.
  FixedSizes sizes;
  SIMdim order[2] = {kDimNone, kDimNone};
  if (model) {
    order[0] = kModelWiring[i].columns;
    order[1] = kModelWiring[i].rows;
    sizes.Fix(order[0], nc);
    sizes.Fix(order[1], nr);
  } else {
    order[0] = kSignalWiring[i].rows;
    sizes.Fix(order[0], nr);
  }

  // Every other signal of a fixed size follows it.
  for (int s = 0; s < kSignalCount; ++s) {
    const SIMdim d = kSignalWiring[s].rows;
    if ((model || s != i) && d != kDimNone && sizes.fixed[d])
      MatchSignalRowsToRows(pSignals[s], sizes.value[d], sizes.value[d]);
  }
  // Every other block takes a fixed size on the side it meets it; then the
  // blocks marked square are made square, each spreading further.
  for (SIMdim d : order) {
    if (d == kDimNone) continue;
    const int n = sizes.value[d];
    for (int b = 0; b < kModelCount; ++b) {
      if (model && b == i) continue;
      if (kModelWiring[b].rows == d) MatchRowsToRows(pModels[b], n, n);
      if (kModelWiring[b].columns == d) MatchColumnsToRows(pModels[b], n, n);
    }
  }
  for (SIMdim d : order) {
    if (d == kDimNone) continue;
    for (int b = 0; b < kModelCount; ++b)
      if (!(model && b == i) && (kModelWiring[b].rows == d || kModelWiring[b].columns == d))
        EnsureSquare(b, sizes.value[d], pModels, pSignals);
  }
  return 0;
}
