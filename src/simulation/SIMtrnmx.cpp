#include "simulation/SIMtrnmx.h"

#include "MC/MC_BASIC.h"
#include "MC/McComplex.h"
#include "MC/Mc_matrix.h"
#include "QorexDoc.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"

#include <algorithm>

CSIMtrnmx::CSIMtrnmx()
    : m_wFlags(kBlockShowRoots), m_pElements(new CSIMtrnfn[1]), m_nCols(1), m_nRows(1) {}

CSIMtrnmx::~CSIMtrnmx() = default;

void CSIMtrnmx::Size(int rows, int cols) {
  rows = std::max(rows, 1);
  cols = std::max(cols, 1);
  if (rows * cols > m_nRows * m_nCols) m_pElements.reset(new CSIMtrnfn[rows * cols]);
  m_nRows = rows;
  m_nCols = cols;
}

template <class Convert>
void CSIMtrnmx::Build(const CMcBasic* expr, Convert convert) {
  if (McIsKind(expr, kMcMatrix) && expr->m_count > 0) {
    const auto* matrix = static_cast<const CMcMatrix*>(expr);
    const int k = matrix->m_count;
    const int c = std::max(1, matrix->GetColumns());
    // A column count that does not divide the element count would leave
    // elements without a place; only whole rows are taken.
    const int rows = std::max(1, k / c);
    Size(rows, std::min(c, k));
    for (int i = 0; i < m_nRows * m_nCols; ++i) convert(m_pElements[i], matrix->m_children[i]);
    return;
  }
  m_nRows = m_nCols = 1;
  if (expr == nullptr) {
    g_bEvalError = 1;
    m_pElements[0].SetZero();
    return;
  }
  convert(m_pElements[0], expr);
}

void CSIMtrnmx::FromExpr(CQorexDoc* doc, const CMcBasic* expr) {
  double* maxModulus = doc ? &doc->m_dMaxPoleModulus : nullptr;
  Build(expr, [&](CSIMtrnfn& e, const CMcBasic* node) { e.FromExpr(doc, node, maxModulus); });
}

void CSIMtrnmx::FromExprCoefs(CQorexDoc* doc, const CMcBasic* expr) {
  Build(expr, [&](CSIMtrnfn& e, const CMcBasic* node) { e.FromExprCoefs(doc, node); });
}

void CSIMtrnmx::PrepareSimulation() {
  for (int i = 0; i < m_nRows * m_nCols; ++i) m_pElements[i].PrepareSimulation();
}

void CSIMtrnmx::ResetStates() {
  for (int i = 0; i < m_nRows * m_nCols; ++i) m_pElements[i].ResetState();
}

CSIMtrnmx& CSIMtrnmx::operator=(const CSIMtrnmx& src) {
  if (this == &src) return *this;
  const int n = std::min(m_nRows * m_nCols, src.m_nRows * src.m_nCols);
  for (int i = 0; i < n; ++i) m_pElements[i] = src.m_pElements[i];
  return *this;
}

namespace {
// A static gain has no state: the product CSIMtrnfn::Step forms for it, without
// the call (identity and zero elements fill most blocks).
inline double StepElement(CSIMtrnfn& e, double u, double h) {
  if (e.m_nDen == 1) return e.m_den[0] * e.m_num[0] * u;
  return e.Step(u, u, u, h);
}
}  // namespace

void CSIMtrnmx::Step(const CSIMsignal& in, CSIMsignal& out, int t, double h) {
  const int n = in.m_nColumns;
  const double* x = in.m_pSamples;
  double* y = out.m_pSamples;
  for (int r = 0; r < m_nRows; ++r) {
    CSIMtrnfn* row = &m_pElements[r * m_nCols];
    const double u0 = x[t];
    double sum = StepElement(row[0], u0, h);
    for (int c = 1; c < m_nCols; ++c) {
      const double u = x[c * n + t];
      sum = StepElement(row[c], u, h) + sum;
    }
    y[r * n + t] = sum;
  }
}

bool CSIMtrnmx::Multiply(const CSIMtrnmx& A, const CSIMtrnmx& B, CSIMtrnfn& w1, CSIMtrnfn& w2,
                         CSIMtrnfn& w3) {
  Size(A.m_nRows, B.m_nCols);
  if (A.m_nCols != B.m_nRows) {
    for (int i = 0; i < m_nRows * m_nCols; ++i) m_pElements[i].SetZero();
    g_bEvalError = 1;
    return false;
  }
  bool ok = true;
  for (int r = 0; r < m_nRows; ++r) {
    for (int c = 0; c < m_nCols; ++c) {
      ok = w2.Series(A.At(r, 0), B.At(0, c)) && ok;
      for (int k = 1; k < A.m_nCols; ++k) {
        ok = w1.Series(A.At(r, k), B.At(k, c)) && ok;
        ok = w3.Parallel(w1, w2) && ok;
        w2.CopyModel(w3);
      }
      At(r, c).CopyModel(w2);
    }
  }
  return ok;
}

void CSIMtrnmx::OnePlus(const CSIMtrnmx& M) {
  if (this == &M) {
    for (int i = 0; i < std::min(m_nRows, m_nCols); ++i) {
      CSIMtrnfn copy(At(i, i));
      At(i, i).OnePlus(copy);
    }
    return;
  }
  Size(M.m_nRows, M.m_nCols);
  for (int r = 0; r < m_nRows; ++r)
    for (int c = 0; c < m_nCols; ++c) {
      if (r == c)
        At(r, c).OnePlus(M.At(r, c));
      else
        At(r, c).CopyModel(M.At(r, c));
    }
}

namespace {
template <class ToExpr>
CMcBasic* MatrixExpr(const CSIMtrnmx& m, ToExpr toExpr) {
  if (m.m_nRows * m.m_nCols == 1) return toExpr(m.m_pElements[0]);
  auto* matrix = new CMcMatrix(0);
  for (int i = 0; i < m.m_nRows * m.m_nCols; ++i) matrix->AppendChild(toExpr(m.m_pElements[i]));
  matrix->SetColumns(static_cast<WORD>(m.m_nCols));
  return matrix;
}
}  // namespace

CMcBasic* CSIMtrnmx::ToPolyExpr() const {
  return MatrixExpr(*this, [](const CSIMtrnfn& e) { return e.ToPolyExpr(); });
}

CMcBasic* CSIMtrnmx::ToFactoredExpr() const {
  return MatrixExpr(*this, [](const CSIMtrnfn& e) { return e.ToFactoredExpr(); });
}
