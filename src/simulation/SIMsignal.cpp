#include "simulation/SIMsignal.h"

#include "MC/MC_BASIC.h"
#include "MC/McComplex.h"
#include "MC/Mc_matrix.h"
#include "QorexDoc.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace {
bool IsMatrix(const CMcBasic* node) {
  return McIsKind(node, kMcMatrix);
}

// Rows of a signal sized from expr, and the element that feeds row r.
int RowsOf(const CMcBasic* expr) {
  if (!IsMatrix(expr) || expr->m_count == 0) return 1;
  const int c = std::max(1, static_cast<const CMcMatrix*>(expr)->GetColumns());
  return std::max(1, expr->m_count / c);
}

const CMcBasic* RowExpr(const CMcBasic* expr, int r) {
  if (!IsMatrix(expr)) return expr;
  const int c = std::max(1, static_cast<const CMcMatrix*>(expr)->GetColumns());
  const int i = r * c;
  return i < expr->m_count ? expr->m_children[i] : nullptr;
}
}  // namespace

CSIMsignal::CSIMsignal()
    : m_wFlags(0), m_pSamples(new double[300]()), m_nRows(1), m_nColumns(300), m_nCapacity(300) {}

CSIMsignal::~CSIMsignal() {
  delete[] m_pSamples;
}

bool CSIMsignal::Resize(int rows, int columns) {
  if (rows < 0 || columns < 0) return false;
  const long long n = static_cast<long long>(rows) * columns;
  if (n > INT_MAX) return false;
  if (n > m_nCapacity) {
    delete[] m_pSamples;
    // Zeros, not whatever the heap held: a sample no fill writes (a run that
    // ended early, a loop set up afresh during a run) is read and stored.
    m_pSamples = new double[n]();
    m_nCapacity = static_cast<int>(n);
  }
  m_nRows = rows;
  m_nColumns = columns;
  return true;
}

void CSIMsignal::Zero() {
  std::fill(m_pSamples, m_pSamples + m_nRows * m_nColumns, 0.0);
}

void CSIMsignal::Swap(CSIMsignal& other) {
  std::swap(m_wFlags, other.m_wFlags);
  std::swap(m_pSamples, other.m_pSamples);
  std::swap(m_nRows, other.m_nRows);
  std::swap(m_nColumns, other.m_nColumns);
  std::swap(m_nCapacity, other.m_nCapacity);
}

void CSIMsignal::Assign(const CSIMsignal& src) {
  if (this == &src) return;
  Resize(src.m_nRows, src.m_nColumns);
  std::copy(src.m_pSamples, src.m_pSamples + src.m_nRows * src.m_nColumns, m_pSamples);
}

void CSIMsignal::CopyFrom(const CSIMsignal& src, int from) {
  if (this == &src) return;
  Resize(src.m_nRows, src.m_nColumns);
  if (from < 0) from = 0;
  if (from >= m_nColumns) return;
  for (int ch = 0; ch < m_nRows; ++ch) {
    const double* s = src.m_pSamples + ch * m_nColumns;
    std::copy(s + from, s + m_nColumns, m_pSamples + ch * m_nColumns + from);
  }
}

void CSIMsignal::Subtract(const CSIMsignal& a, const CSIMsignal& b, int t) {
  for (int ch = 0, i = t; ch < m_nRows; ++ch, i += m_nColumns)
    m_pSamples[i] = a.m_pSamples[i] - b.m_pSamples[i];
}

void CSIMsignal::Add(const CSIMsignal& a, const CSIMsignal& b, int t) {
  for (int ch = 0, i = t; ch < m_nRows; ++ch, i += m_nColumns)
    m_pSamples[i] = a.m_pSamples[i] + b.m_pSamples[i];
}

void CSIMsignal::Copy(const CSIMsignal& a, int t) {
  for (int ch = 0, i = t; ch < m_nRows; ++ch, i += m_nColumns) m_pSamples[i] = a.m_pSamples[i];
}

void CSIMsignal::DelayedSum(const CSIMsignal& a, const CSIMsignal& b, int t) {
  for (int ch = 0, i = t; ch < m_nRows; ++ch, i += m_nColumns)
    m_pSamples[i] = t > 0 ? a.m_pSamples[i - 1] + b.m_pSamples[i - 1] : 0.0;
}

void CSIMsignal::Clamp(const CSIMsignal& lo, const CSIMsignal& hi, int t) {
  for (int ch = 0, i = t; ch < m_nRows; ++ch, i += m_nColumns) {
    const double x = m_pSamples[i];
    if (x > hi.m_pSamples[i])
      m_pSamples[i] = hi.m_pSamples[i];
    else if (!(x >= lo.m_pSamples[i]))  // below lo, or unordered
      m_pSamples[i] = lo.m_pSamples[i];
  }
}

void CSIMsignal::Evaluate(CQorexDoc* doc, CSIMsystem* system, int index) {
  EvaluateSide(doc ? doc->m_signals.RightSideAt(index) : nullptr, doc, system);
}

void CSIMsignal::EvaluateSide(const CMcBasic* rhs, CQorexDoc* doc, CSIMsystem* system) {
  const int t = system ? system->m_nStep.load() : 0;
  if (t < 0 || t >= m_nColumns) return;
  const double sign = IsMatrix(rhs) && (rhs->m_flags & kMcMinus) ? -1.0 : 1.0;
  for (int ch = 0; ch < m_nRows; ++ch) {
    const CMcBasic* e = RowExpr(rhs, ch);
    McComplex v{0.0, 0.0};
    if (e != nullptr)
      e->Evaluate(&v, doc, system);
    else
      g_bEvalError = 1;
    At(ch, t) = sign * v.re;
  }
}

void CSIMsignal::Build(CQorexDoc* doc, const CMcBasic* expr, int columns, bool fill) {
  if (!Resize(RowsOf(expr), std::max(columns, 0)) || !fill) return;
  const double sign = IsMatrix(expr) && (expr->m_flags & kMcMinus) ? -1.0 : 1.0;
  const int available = std::min(m_nColumns, McStepCount(doc));
  for (int r = 0; r < m_nRows; ++r) {
    const CMcBasic* e = RowExpr(expr, r);
    double* row = m_pSamples + r * m_nColumns;
    if (e == nullptr) {
      g_bEvalError = 1;
      std::fill(row, row + m_nColumns, 0.0);
      continue;
    }
    McComplex* vec = e->EvaluateVector(doc);
    for (int i = 0; i < available; ++i) row[i] = sign * vec[i].re;
    std::fill(row + available, row + m_nColumns, 0.0);
    delete[] vec;
  }
}
