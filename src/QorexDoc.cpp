#include "QorexDoc.h"

#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"

#include <algorithm>
#include <cmath>
#include <limits>

IMPLEMENT_DYNCREATE(CQorexDoc, CDocument)

namespace {
// Table entries of the variables the default definitions name.
constexpr WORD kEntryS = 0;
constexpr WORD kEntryT = 1;
constexpr WORD kEntryF11 = 5;
constexpr int kFirstUserEntry = 5;

CMcBasic* Var(const char* name, const char* subscript, WORD entry) {
  auto* v = new CMcVariable(name, subscript, 0);
  v->m_index = entry;
  return v;
}

CMcBasic* Real(double value) {
  return new CMcReal(std::fabs(value), value < 0 ? 1 : 0);
}

// name_subscript(argument) = rhs, the argument "s" for models and "t" for signals.
CMcBasic* Definition(const char* name, const char* subscript, bool model, CMcBasic* rhs) {
  CMcBasic* arg = model ? Var("s", "", kEntryS) : Var("t", "", kEntryT);
  return new CMcEquality(new CMcFunction(arg, name, subscript, 0), rhs, 0);
}

CMcBasic* SignalOfT(const char* name, const char* subscript) {
  return new CMcFunction(Var("t", "", kEntryT), name, subscript, 0);
}
}  // namespace

CQorexDoc::CQorexDoc()
    : m_runSetpoints(new CSIMsignal[4]),
      m_runControls(new CSIMsignal[4]),
      m_runOutputs(new CSIMsignal[4]),
      m_runTs(new double[4]()),
      m_pVarPoints(new CVARpoints[4]),
      m_diagView{{0, 0, 0, 0},      {50, 50, 100, 100}, {10, 10, 100, 100}, {1, 2, 100, 100},
                 {80, 2, 100, 100}, {50, 50, 200, 150}, {80, 2, 200, 150}} {
  AddDefaultDefinitions();
  SetVarPoint(0, 0);
  m_nMaxSignalSize = 1;
  Recalculate();
  UpdateAll();
}

CQorexDoc::~CQorexDoc() {
  m_models.DeleteAll();
  m_signals.DeleteAll();
  m_modelLibrary.DeleteAll();
  m_signalLibrary.DeleteAll();
  m_nMaxSignalSize = 1;
}

void CQorexDoc::AddDefaultDefinitions() {
  const double inf = std::numeric_limits<double>::infinity();
  m_signals.Add(Definition("c", "", false, Real(1.0)));
  m_signals.Add(Definition("v", "", false, Real(0.0)));
  m_signals.Add(Definition("d", "", false, Real(0.0)));
  m_signals.Add(Definition("n", "", false, Real(0.0)));
  m_signals.Add(Definition("u", "clip min", false, new CMcReal(inf, 1)));
  m_signals.Add(Definition("u", "clip max", false, new CMcReal(inf, 0)));
  m_signals.Add(Definition("u", "proc", false, SignalOfT("u", "1")));
  m_signals.Add(Definition("y", "proc", false, SignalOfT("y", "1")));
  m_signals.Add(Definition("e", "weight", false, Real(1.0)));

  auto* sPlusOne = new CMcListsum(0);
  sPlusOne->AppendChild(Var("s", "", kEntryS));
  sPlusOne->AppendChild(Real(1.0));
  m_models.Add(Definition("P", "", true, Real(1.0)));
  m_models.Add(Definition("K", "", true, Real(1.0)));
  m_models.Add(Definition("G", "", true, new CMcDivision(Real(1.0), sPlusOne, 0)));
  m_models.Add(Definition("L", "", true, Real(1.0)));
  m_models.Add(Definition("F", "", true, Var("f", "11", kEntryF11)));
}

BOOL CQorexDoc::OnNewDocument() {
  return CDocument::OnNewDocument();
}

// ---- recalculation and display ------------------------------------------------

void CQorexDoc::Recalculate() {
  m_system.Resimulate(this);
  CSIMsystem* sim = g_pSimulator.load();
  if (this != g_pSimDoc.load() || sim == nullptr || sim == &m_system) return;
  EnterCriticalSection(g_pcsSimulation);
  const CSIMsignal* mine[] = {&m_system.m_c, &m_system.m_e, &m_system.m_u, &m_system.m_yd,
                              &m_system.m_zn};
  const CSIMsignal* theirs[] = {&sim->m_c, &sim->m_e, &sim->m_u, &sim->m_yd, &sim->m_zn};
  bool same = true;
  for (int i = 0; i < 5; ++i) same = same && mine[i]->m_nRows == theirs[i]->m_nRows;
  // CopyFrom checks the rest of the shapes itself and refuses what does not fit.
  if (!same || !sim->CopyFrom(m_system)) {
    sim->Setup(this);
    m_nRuns = 0;
  }
  LeaveCriticalSection(g_pcsSimulation);
}

void CQorexDoc::UpdateAll() {
  UpdateAllViews(nullptr, 0);
  UpdateMaxSignalSize();
}

void CQorexDoc::UpdateMaxSignalSize() {
  const CSIMsystem& s = m_system;
  m_nMaxSignalSize =
      std::max({s.m_c.m_nRows, s.m_e.m_nRows, s.m_v.m_nRows, s.m_d.m_nRows, s.m_n.m_nRows});
}

void CQorexDoc::UpdateUsedVariables() {
  std::fill(m_vars.m_pUsed.get(), m_vars.m_pUsed.get() + m_vars.m_nCount, BYTE{0});
  for (int i = 0; i < m_models.GetCount(); ++i) m_vars.BindVariables(m_models.GetAt(i));
  for (int i = 0; i < m_signals.GetCount(); ++i) m_vars.BindVariables(m_signals.GetAt(i));
}

// ---- signal show flags --------------------------------------------------------

namespace {
CSIMsignal* ShownSignal(CSIMsystem& s, int bit) {
  CSIMsignal* bySignal[] = {&s.m_c,  &s.m_v, &s.m_d,  &s.m_n, &s.m_r,  &s.m_e, &s.m_u,
                            &s.m_uv, &s.m_y, &s.m_yd, &s.m_z, &s.m_zn, &s.m_w};
  return bySignal[bit];
}
}  // namespace

WORD CQorexDoc::GetShowMask() const {
  auto& s = const_cast<CSIMsystem&>(m_system);
  WORD mask = 0;
  for (int bit = 0; bit < 13; ++bit)
    if (ShownSignal(s, bit)->m_wFlags & 1) mask |= static_cast<WORD>(1u << bit);
  return mask;
}

void CQorexDoc::ToggleSignalShow(int code) {
  const int item = code & 0xFF;
  static const int kGroupInputs[] = {0, 1, 2, 3};         // c, v, d, n
  static const int kGroupInner[] = {4, 5, 6, 9, 10, 12};  // r, e, u, y+d, z, w
  int bit = -1;
  if ((code & 0xF00) == 0x200 && item < 4) bit = kGroupInputs[item];
  if ((code & 0xF00) == 0x400 && item < 6) bit = kGroupInner[item];
  if (bit >= 0) ShownSignal(m_system, bit)->m_wFlags ^= 1;
}

// ---- loci ---------------------------------------------------------------------

int CQorexDoc::FindVarPoint(int entry) const {
  for (int i = 0; i < m_nVarPoints; ++i)
    if (m_pVarPoints[i].m_nVariable == entry) return i;
  return -1;
}

void CQorexDoc::GetVarPointCell(int userVariable, int* mode, int* colour) const {
  const int i = FindVarPoint(userVariable + kFirstUserEntry);
  const WORD code = i >= 0 ? m_pVarPoints[i].m_wCode : 0;
  if (mode) *mode = i >= 0 ? (code & 0xF) + 1 : 0;
  if (colour) *colour = i >= 0 ? (code >> 12) + 1 : 0;
}

void CQorexDoc::SetVarPoint(int userVariable, WORD code) {
  if (m_nVarPoints >= m_nVarPointCapacity) {
    const int capacity = std::max(1, m_nVarPointCapacity * 2);
    std::unique_ptr<CVARpoints[]> points(new CVARpoints[capacity]);
    for (int i = 0; i < m_nVarPoints; ++i) {
      points[i].m_nVariable = m_pVarPoints[i].m_nVariable;
      points[i].m_wCode = m_pVarPoints[i].m_wCode;
    }
    m_pVarPoints = std::move(points);
    m_nVarPointCapacity = capacity;
  }
  const int entry = userVariable + kFirstUserEntry;
  const int i = FindVarPoint(entry);
  if (i >= 0 && m_pVarPoints[i].m_wCode == code) return;
  if (i >= 0) {
    m_pVarPoints[i].m_wCode = code;
  } else {
    CVARpoints& locus = m_pVarPoints[m_nVarPoints++];
    locus.Clear();
    locus.m_nVariable = entry;
    locus.m_wCode = code;
  }
  Recalculate();
  UpdateAll();
}

void CQorexDoc::RemoveVarPoint(int userVariable) {
  const int i = FindVarPoint(userVariable + kFirstUserEntry);
  if (i < 0) return;
  for (int j = i; j + 1 < m_nVarPoints; ++j) {
    m_pVarPoints[j].m_nVariable = m_pVarPoints[j + 1].m_nVariable;
    m_pVarPoints[j].m_wCode = m_pVarPoints[j + 1].m_wCode;
  }
  --m_nVarPoints;
  m_pVarPoints[m_nVarPoints].Clear();
  Recalculate();
  UpdateAll();
}

// ---- run buffer -----------------------------------------------------------------

void CQorexDoc::SetRunCapacity(int capacity) {
  if (capacity < 1 || capacity == m_nRunCapacity) return;
  if (capacity < m_nRunCapacity) {
    m_nRunCapacity = capacity;
    m_nRuns = std::min(m_nRuns, capacity);
    return;
  }
  std::unique_ptr<CSIMsignal[]> setpoints(new CSIMsignal[capacity]);
  std::unique_ptr<CSIMsignal[]> controls(new CSIMsignal[capacity]);
  std::unique_ptr<CSIMsignal[]> outputs(new CSIMsignal[capacity]);
  std::unique_ptr<double[]> ts(new double[capacity]());
  for (int i = 0; i < m_nRuns; ++i) {
    setpoints[i].Assign(m_runSetpoints[i]);
    setpoints[i].m_wFlags = m_runSetpoints[i].m_wFlags;
    controls[i].Assign(m_runControls[i]);
    controls[i].m_wFlags = m_runControls[i].m_wFlags;
    outputs[i].Assign(m_runOutputs[i]);
    outputs[i].m_wFlags = m_runOutputs[i].m_wFlags;
    ts[i] = m_runTs[i];
  }
  m_runSetpoints = std::move(setpoints);
  m_runControls = std::move(controls);
  m_runOutputs = std::move(outputs);
  m_runTs = std::move(ts);
  m_nRunCapacity = capacity;
}
