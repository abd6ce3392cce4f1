#include "search/QOX_HistVar.h"

#include "GlobalResources.h"
#include "ListGrowth.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/core/Debug.h"
#include "simulation/SIMtrnfn.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// The design as the population sees it: the variable values of the table
// and the closed-loop poles, the zeros of the loop's determinant |I + FLGK|,
// held from index 1.
int ClosedLoopPoles(const CQorexDoc* doc, const McComplex** poles) {
  const CSIMtrnfn& det = doc->m_system.m_detIFLGK;
  const int n = det.m_nNum - 1;
  // Roots the loop could not find, or found for a model's stand-in, are none.
  if (!det.m_bRootsValid || n <= 0 || static_cast<size_t>(n) >= det.m_zeros.size()) {
    *poles = nullptr;
    return 0;
  }
  *poles = &det.m_zeros[1];
  return n;
}

int VariableCount(const CQorexDoc* doc) {
  return doc->m_vars.m_nCount;
}
const double* VariableValues(const CQorexDoc* doc) {
  return doc->m_vars.m_pValue.get();
}

// A file from elsewhere, or an old population whose pole mobility was 0 / 0,
// may hold criteria outside 0 .. 1 or not finite: the strip draws and the
// sorts rank only 0 .. 1, so those read as the worst, 1.0, and the rest are
// clamped.
void SanitiseCriteria(double* criteria) {
  for (int k = 0; k < QOX_HistVar::kCriteria; ++k)
    criteria[k] = std::isfinite(criteria[k]) ? std::clamp(criteria[k], 0.0, 1.0) : 1.0;
}

// Bytes that an entry with no poles takes in the record.
ULONGLONG MinEntryBytes(ULONGLONG nVars) {
  return 4 + 8 * QOX_HistVar::kCriteria + 8 * nVars;
}

}  // namespace

QOX_HistVar::QOX_HistVar(CQorexDoc* doc)
    : m_pDoc(doc),
      m_ppCriteria(new double*[kInitialCapacity]),
      m_ppRoots(new McComplex*[kInitialCapacity]),
      m_ppValues(new double*[kInitialCapacity]),
      m_pFixed(new BYTE[1]{0}),
      m_pRootCounts(new int[kInitialCapacity]),
      m_nVars(1),
      m_nCount(0),
      m_nCapacity(kInitialCapacity) {}

QOX_HistVar::~QOX_HistVar() {
  KillAll();
  delete[] m_ppCriteria;
  delete[] m_ppRoots;
  delete[] m_ppValues;
  delete[] m_pFixed;
  delete[] m_pRootCounts;
}

void QOX_HistVar::Reset() {
  ASSERT(m_pDoc != nullptr);
  KillAll();
  const int nVars = VariableCount(m_pDoc);
  BYTE* fixed = new BYTE[std::max(nVars, 1)]{};
  for (int v = 0; v < nVars; ++v) fixed[v] = m_pDoc->m_signals.ContainsVariable(nullptr, v) ? 1 : 0;
  delete[] m_pFixed;
  m_pFixed = fixed;
  m_nVars = nVars;
}

void QOX_HistVar::Add(const double (&criteria)[kCriteria]) {
  ASSERT(m_pDoc != nullptr);
  if (m_nCount == m_nCapacity) Grow();
  const int e = m_nCount;

  m_ppCriteria[e] = new double[kCriteria];
  std::copy(criteria, criteria + kCriteria, m_ppCriteria[e]);

  const McComplex* poles;
  const int nPoles = ClosedLoopPoles(m_pDoc, &poles);
  m_pRootCounts[e] = nPoles;
  m_ppRoots[e] = new McComplex[nPoles];
  std::copy(poles, poles + nPoles, m_ppRoots[e]);

  // A population loaded from a file may count more variables than the table
  // has now; those values read as 0 rather than past the table.
  m_ppValues[e] = new double[m_nVars]{};
  const int known = std::min(m_nVars, VariableCount(m_pDoc));
  std::copy(VariableValues(m_pDoc), VariableValues(m_pDoc) + known, m_ppValues[e]);

  ++m_nCount;
  if (m_nCount > g_nHistoryLimit) KeepNewest(std::max((3 * g_nHistoryLimit) / 4, 1));
}

void QOX_HistVar::UpdateLast() {
  ASSERT(m_pDoc != nullptr);
  if (m_nCount <= 0) return;  // no entry to update: the recording started after the append
  const int e = m_nCount - 1;
  const McComplex* poles;
  const int nPoles = ClosedLoopPoles(m_pDoc, &poles);
  if (nPoles != m_pRootCounts[e]) {
    delete[] m_ppRoots[e];
    m_ppRoots[e] = new McComplex[nPoles];
    m_pRootCounts[e] = nPoles;
  }
  std::copy(poles, poles + nPoles, m_ppRoots[e]);
}

void QOX_HistVar::SortByWeights(const double (&weights)[kCriteria]) {
  Permute(OrderByScore(WeightedScores(weights)));
}

void QOX_HistVar::SortByCriterion(int k) {
  ASSERT(k >= 0 && k < kCriteria);
  std::vector<double> scores(m_nCount);
  for (int e = 0; e < m_nCount; ++e) scores[e] = m_ppCriteria[e][k];
  Permute(OrderByScore(scores));
}

void QOX_HistVar::KillWorst(const double (&weights)[kCriteria]) {
  // The fraction is a setting; whatever it holds, no more than every entry goes.
  const double doomed = std::trunc(m_nCount * g_dKillFraction);
  const int k = doomed >= 0.0 ? static_cast<int>(std::min<double>(doomed, m_nCount)) : 0;
  if (k == 0) return;
  const std::vector<int> order = OrderByScore(WeightedScores(weights));
  std::vector<bool> kill(m_nCount, false);
  for (int i = 0; i < k; ++i) kill[order[i]] = true;
  int kept = 0;
  for (int e = 0; e < m_nCount; ++e) {
    if (kill[e]) {
      FreeEntry(e);
      continue;
    }
    MoveEntry(kept++, e);
  }
  m_nCount = kept;
}

void QOX_HistVar::KillAll() {
  for (int e = 0; e < m_nCount; ++e) FreeEntry(e);
  m_nCount = 0;
}

void QOX_HistVar::Delete(int i) {
  ASSERT(i >= 0 && i < m_nCount);
  FreeEntry(i);
  for (int e = i + 1; e < m_nCount; ++e) MoveEntry(e - 1, e);
  --m_nCount;
}

void QOX_HistVar::DeleteUpTo(int i) {
  ASSERT(i >= 0 && i < m_nCount);
  KeepNewest(m_nCount - (i + 1));
}

void QOX_HistVar::DeleteFrom(int i) {
  ASSERT(i >= 0 && i < m_nCount);
  for (int e = i; e < m_nCount; ++e) FreeEntry(e);
  m_nCount = i;
}

BOOL QOX_HistVar::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    Store(ar);
    return TRUE;
  }
  QOX_HistVar loaded(m_pDoc);
  if (!loaded.Load(ar)) {
    ar.SetFailed();
    return FALSE;
  }
  Swap(loaded);
  return TRUE;
}

void QOX_HistVar::FreeEntry(int e) {
  delete[] m_ppCriteria[e];
  delete[] m_ppRoots[e];
  delete[] m_ppValues[e];
  m_ppCriteria[e] = nullptr;
  m_ppRoots[e] = nullptr;
  m_ppValues[e] = nullptr;
  m_pRootCounts[e] = 0;
}

void QOX_HistVar::MoveEntry(int to, int from) {
  m_ppCriteria[to] = m_ppCriteria[from];
  m_ppRoots[to] = m_ppRoots[from];
  m_ppValues[to] = m_ppValues[from];
  m_pRootCounts[to] = m_pRootCounts[from];
}

void QOX_HistVar::Grow() {
  const int capacity = DoubledCapacity(m_nCapacity);
  ReallocateKeeping(m_ppCriteria, m_nCount, capacity);
  ReallocateKeeping(m_ppRoots, m_nCount, capacity);
  ReallocateKeeping(m_ppValues, m_nCount, capacity);
  ReallocateKeeping(m_pRootCounts, m_nCount, capacity);
  m_nCapacity = capacity;
}

void QOX_HistVar::KeepNewest(int keep) {
  const int drop = m_nCount - keep;
  if (drop <= 0) return;
  for (int e = 0; e < drop; ++e) FreeEntry(e);
  for (int e = 0; e < keep; ++e) MoveEntry(e, e + drop);
  m_nCount = keep;
}

std::vector<double> QOX_HistVar::WeightedScores(const double (&weights)[kCriteria]) const {
  std::vector<double> scores(m_nCount, 0.0);
  for (int e = 0; e < m_nCount; ++e)
    for (int k = 0; k < kCriteria; ++k) scores[e] += weights[k] * m_ppCriteria[e][k];
  return scores;
}

std::vector<int> QOX_HistVar::OrderByScore(const std::vector<double>& scores) const {
  std::vector<int> order(m_nCount);
  for (int e = 0; e < m_nCount; ++e) order[e] = e;
  // A NaN would break the ordering the sort relies on; it ranks as the worst.
  auto key = [&scores](int e) {
    return std::isnan(scores[e]) ? std::numeric_limits<double>::infinity() : scores[e];
  };
  std::sort(order.begin(), order.end(), [&key](int a, int b) { return key(a) > key(b); });
  return order;
}

void QOX_HistVar::Permute(const std::vector<int>& order) {
  const std::vector<double*> criteria(m_ppCriteria, m_ppCriteria + m_nCount);
  const std::vector<McComplex*> roots(m_ppRoots, m_ppRoots + m_nCount);
  const std::vector<double*> values(m_ppValues, m_ppValues + m_nCount);
  const std::vector<int> counts(m_pRootCounts, m_pRootCounts + m_nCount);
  for (int i = 0; i < m_nCount; ++i) {
    m_ppCriteria[i] = criteria[order[i]];
    m_ppRoots[i] = roots[order[i]];
    m_ppValues[i] = values[order[i]];
    m_pRootCounts[i] = counts[order[i]];
  }
}

void QOX_HistVar::Store(CArchive& ar) const {
  ar << static_cast<DWORD>(m_nCount) << static_cast<DWORD>(m_nCapacity)
     << static_cast<DWORD>(m_nVars);
  for (int v = 0; v < m_nVars; ++v) ar << m_pFixed[v];
  for (int e = 0; e < m_nCount; ++e) {
    ar << static_cast<DWORD>(m_pRootCounts[e]);
    for (int r = 0; r < m_pRootCounts[e]; ++r) ar << m_ppRoots[e][r].re << m_ppRoots[e][r].im;
    for (int k = 0; k < kCriteria; ++k) ar << m_ppCriteria[e][k];
    for (int v = 0; v < m_nVars; ++v) ar << m_ppValues[e][v];
  }
}

BOOL QOX_HistVar::Load(CArchive& ar) {
  DWORD count, capacity, nVars;
  ar >> count >> capacity >> nVars;
  if (ar.HasFailed() || count > capacity || capacity > static_cast<DWORD>(kMaxLoadedCapacity))
    return FALSE;
  // Every entry takes at least MinEntryBytes, so the whole count must fit in
  // what is left before anything is made for it. A DWORD nVars times 8 stays
  // far inside 64 bits, and count is below 2^17 here.
  const ULONGLONG entryBytes = MinEntryBytes(nVars);
  if (nVars > static_cast<DWORD>(INT_MAX) || nVars + count * entryBytes > ar.GetBytesRemaining())
    return FALSE;

  // A population that has never had room cannot grow by doubling; as for
  // every saved capacity, 0 loads as at least the count and 1.
  const int slots = std::max(static_cast<int>(capacity), 1);
  delete[] m_ppCriteria;
  delete[] m_ppRoots;
  delete[] m_ppValues;
  delete[] m_pRootCounts;
  delete[] m_pFixed;
  m_ppCriteria = new double*[slots];
  m_ppRoots = new McComplex*[slots];
  m_ppValues = new double*[slots];
  m_pRootCounts = new int[slots];
  m_pFixed = new BYTE[std::max<DWORD>(nVars, 1)]{};
  m_nCapacity = slots;
  m_nVars = static_cast<int>(nVars);
  for (int v = 0; v < m_nVars; ++v) ar >> m_pFixed[v];

  for (int e = 0; e < static_cast<int>(count); ++e) {
    DWORD nRoots;
    ar >> nRoots;
    if (ar.HasFailed() || nRoots > static_cast<DWORD>(INT_MAX) ||
        16ULL * nRoots + entryBytes - 4 > ar.GetBytesRemaining())
      return FALSE;
    // The entry belongs to the population from here on, so a failure below
    // frees it with the rest.
    m_ppRoots[e] = new McComplex[nRoots];
    m_ppCriteria[e] = new double[kCriteria];
    m_ppValues[e] = new double[m_nVars];
    m_pRootCounts[e] = static_cast<int>(nRoots);
    m_nCount = e + 1;
    for (DWORD r = 0; r < nRoots; ++r) ar >> m_ppRoots[e][r].re >> m_ppRoots[e][r].im;
    for (int k = 0; k < kCriteria; ++k) ar >> m_ppCriteria[e][k];
    for (int v = 0; v < m_nVars; ++v) ar >> m_ppValues[e][v];
    SanitiseCriteria(m_ppCriteria[e]);
  }
  return !ar.HasFailed();
}

void QOX_HistVar::Swap(QOX_HistVar& other) {
  std::swap(m_pDoc, other.m_pDoc);
  std::swap(m_ppCriteria, other.m_ppCriteria);
  std::swap(m_ppRoots, other.m_ppRoots);
  std::swap(m_ppValues, other.m_ppValues);
  std::swap(m_pFixed, other.m_pFixed);
  std::swap(m_pRootCounts, other.m_pRootCounts);
  std::swap(m_nVars, other.m_nVars);
  std::swap(m_nCount, other.m_nCount);
  std::swap(m_nCapacity, other.m_nCapacity);
}
