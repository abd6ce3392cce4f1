#include "QorexDoc.h"

#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "CommentBar.h"
#include "GlobalResources.h"
#include "Qorex.h"
#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "editing/TimeBoxDlg.h"
#include "editing/VarBar.h"
#include "platform/core/Clock.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/KFinder.h"
#include "search/QOX_HistVar.h"
#include "search/SearchGlobals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

IMPLEMENT_DYNCREATE(CQorexDoc, CDocument)

BEGIN_MESSAGE_MAP(CQorexDoc, CDocument)
ON_COMMAND(ID_TIME_SETTINGS, OnTimeSettings)
END_MESSAGE_MAP()

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
  // The sampled error weight of the default "e_weight(t) = 1", so that a
  // cost read before the tuner fills it weighs every sample once.
  for (int i = 0; i < m_errorWeight.m_nRows * m_errorWeight.m_nColumns; ++i)
    m_errorWeight.m_pSamples[i] = 1.0;
  m_pHistory = new QOX_HistVar(this);
  AddDefaultDefinitions();
  PlaceVarPoint(0, 0);  // the recalculation below draws it
  Recalculate();
  UpdateAll();
  m_pHistory->Reset();
  SetModifiedFlag(FALSE);  // the defaults are no change of the user's
}

CQorexDoc::~CQorexDoc() {
  delete m_pHistory;
  m_models.DeleteAll();
  m_signals.DeleteAll();
  m_modelLibrary.DeleteAll();
  m_signalLibrary.DeleteAll();
  DetachBars();
  if (g_pLeftBar && g_pLeftBar->GetSafeHwnd()) g_pLeftBar->Invalidate(TRUE);
  if (g_pOutputBar && g_pOutputBar->GetSafeHwnd()) g_pOutputBar->Invalidate(TRUE);
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

void CQorexDoc::DetachBars() {
  if (g_pVarBar && (g_pVarBar->m_pDoc == this || g_pVarBar->m_pListedDoc == this)) {
    g_pVarBar->m_pDoc = nullptr;
    if (g_pVarBar->m_pListedDoc == this) g_pVarBar->m_pListedDoc = nullptr;
    g_pVarBar->UpdateBar(FALSE);
  }
  if (g_pCommentBar && g_pCommentBar->m_pDoc == this) g_pCommentBar->SetDocument(nullptr);
  if (g_pOutputBar && g_pOutputBar->m_pDoc == this) g_pOutputBar->m_pDoc = nullptr;
  if (g_pLeftBar && g_pLeftBar->m_pDoc == this) g_pLeftBar->m_pDoc = nullptr;
  if (g_pEqualizerBar && g_pEqualizerBar->m_pDoc == this) {
    g_pEqualizerBar->m_pDoc = nullptr;
    if (g_pEqualizerBar->GetSafeHwnd()) g_pEqualizerBar->Invalidate(TRUE);
  }
}

void CQorexDoc::OnCloseDocument() {
  DetachBars();
  if (g_pSimDoc.load() == this) {
    // Clearing the driven document asks the worker to stop; its waits for
    // the user-interface thread end as soon as it sees that. The wait here
    // is bounded so that a stuck worker cannot hang the program.
    g_pSimDoc.store(nullptr);
    const DWORD start = GetTickCount();
    while (g_pWorkerThread.load() != nullptr && GetTickCount() - start < 5000) Sleep(10);
  }
  CDocument::OnCloseDocument();
}

// ---- recalculation and display ------------------------------------------------

void CQorexDoc::Recalculate() {
  SetModifiedFlag(TRUE);
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
  if (g_pVarBar) g_pVarBar->m_pDoc = this;
  if (g_pCommentBar && g_pCommentBar->m_pDoc != this) g_pCommentBar->SetDocument(this);
  if (g_pLeftBar) g_pLeftBar->m_pDoc = this;
  if (g_pOutputBar) g_pOutputBar->m_pDoc = this;
  if (g_pEqualizerBar) g_pEqualizerBar->m_pDoc = this;
  if (g_pLeftBar) g_pLeftBar->Redraw();
  if (g_pEqualizerBar) g_pEqualizerBar->Refresh();
  if (g_pVarBar) g_pVarBar->UpdateBar(TRUE);
  UpdateMaxSignalSize();
  if (g_pOutputBar) g_pOutputBar->SetPaneCount(m_nMaxSignalSize);
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
  if (g_pVarBar) g_pVarBar->UpdateBar(FALSE);
}

void CQorexDoc::UpdateHistory() {
  if (m_pHistory) m_pHistory->Reset();
  // The history window belongs to the Equalizer bar, which repaints it.
  if (g_pEqualizerBar) g_pEqualizerBar->Refresh();
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
  if (g_pOutputBar) g_pOutputBar->UpdatePanes();
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
  if (!PlaceVarPoint(userVariable, code)) return;
  Recalculate();
  UpdateAll();
}

bool CQorexDoc::PlaceVarPoint(int userVariable, WORD code) {
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
  if (i >= 0 && m_pVarPoints[i].m_wCode == code) return false;
  if (i >= 0) {
    m_pVarPoints[i].m_wCode = code;
  } else {
    CVARpoints& locus = m_pVarPoints[m_nVarPoints++];
    locus.Clear();
    locus.m_nVariable = entry;
    locus.m_wCode = code;
  }
  return true;
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

namespace {
// Exchanges two signals' samples and shapes without copying samples.
void SwapSignals(CSIMsignal& a, CSIMsignal& b) {
  std::swap(a.m_wFlags, b.m_wFlags);
  std::swap(a.m_pSamples, b.m_pSamples);
  std::swap(a.m_nRows, b.m_nRows);
  std::swap(a.m_nColumns, b.m_nColumns);
  std::swap(a.m_nCapacity, b.m_nCapacity);
}
}  // namespace

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
  // The old slots go with this call, so their runs move over uncopied.
  for (int i = 0; i < m_nRuns; ++i) {
    SwapSignals(setpoints[i], m_runSetpoints[i]);
    SwapSignals(controls[i], m_runControls[i]);
    SwapSignals(outputs[i], m_runOutputs[i]);
    ts[i] = m_runTs[i];
  }
  m_runSetpoints = std::move(setpoints);
  m_runControls = std::move(controls);
  m_runOutputs = std::move(outputs);
  m_runTs = std::move(ts);
  m_nRunCapacity = capacity;
}

void CQorexDoc::PushRun() {
  const CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || m_nRunCapacity < 1) return;
  if (m_nRuns >= m_nRunCapacity) {
    // Full: the oldest run goes, the others move down one slot.
    m_nRuns = m_nRunCapacity;
    for (int i = 1; i < m_nRuns; ++i) {
      SwapSignals(m_runSetpoints[i - 1], m_runSetpoints[i]);
      SwapSignals(m_runControls[i - 1], m_runControls[i]);
      SwapSignals(m_runOutputs[i - 1], m_runOutputs[i]);
      m_runTs[i - 1] = m_runTs[i];
    }
    --m_nRuns;
  }
  m_runSetpoints[m_nRuns].Assign(sim->m_c);
  m_runControls[m_nRuns].Assign(sim->m_u);
  m_runOutputs[m_nRuns].Assign(sim->m_yd);
  m_runTs[m_nRuns] = m_dSamplingTime;
  ++m_nRuns;
  SetModifiedFlag(TRUE);
}

namespace {
// The fifteen loop signals of a system, in one order for both sides.
std::array<CSIMsignal*, 15> LoopSignals(CSIMsystem& s) {
  return {&s.m_c,  &s.m_r, &s.m_v,  &s.m_d, &s.m_n,  &s.m_e,    &s.m_w,   &s.m_u,
          &s.m_uv, &s.m_y, &s.m_yd, &s.m_z, &s.m_zn, &s.m_uMin, &s.m_uMax};
}

// Copies the overlap of src into dst, which keeps its shape; the rest is 0.
void CopyKeepingShape(CSIMsignal& dst, const CSIMsignal& src) {
  dst.Zero();
  const int columns = std::min(dst.m_nColumns, src.m_nColumns);
  for (int r = 0; r < std::min(dst.m_nRows, src.m_nRows); ++r)
    for (int k = 0; k < columns; ++k) dst.At(r, k) = src.At(r, k);
}
}  // namespace

void CQorexDoc::TransferSimSignals() {
  CSIMsystem* sim = g_pSimulator.load();
  if (sim == nullptr || sim == &m_system) return;
  const auto from = LoopSignals(*sim);
  const auto to = LoopSignals(m_system);
  for (size_t i = 0; i < from.size(); ++i) to[i]->Assign(*from[i]);
  // The views read the run length with the signals; keep them together.
  m_system.m_nSteps = sim->m_nSteps;
  m_system.m_dTs = sim->m_dTs;
}

BOOL CQorexDoc::RecallRun(int i) {
  if (i < 0 || i >= m_nRuns || i >= m_nRunCapacity) return FALSE;
  const CSIMsignal& c = m_runSetpoints[i];
  const CSIMsignal& u = m_runControls[i];
  const CSIMsignal& yd = m_runOutputs[i];
  CSIMsystem& s = m_system;
  if (c.m_nRows != s.m_c.m_nRows || u.m_nRows != s.m_u.m_nRows || yd.m_nRows != s.m_yd.m_nRows ||
      yd.m_nRows != s.m_y.m_nRows)
    return FALSE;
  CopyKeepingShape(s.m_c, c);
  CopyKeepingShape(s.m_u, u);
  CopyKeepingShape(s.m_y, yd);
  CopyKeepingShape(s.m_yd, yd);
  return TRUE;
}

void CQorexDoc::RedrawOutput(int sample) {
  if (g_pOutputBar) g_pOutputBar->InvalidateSamples(sample);
}

void CQorexDoc::PrepareSimulation() {
  Recalculate();
  UpdateAll();
  if (CSIMsystem* sim = g_pSimulator.load(); sim != nullptr && sim != &m_system) {
    sim->m_dTs = m_dSamplingTime;
    // Setup refuses times outside 0 < Ts < Tf and more than g_nMaxSamples
    // samples; the quotient is only converted when it fits an int.
    const double steps = m_dFinalTime / m_dSamplingTime;
    sim->m_nSteps = std::isfinite(steps) && std::fabs(steps) < 1e9 ? static_cast<int>(steps) : 0;
    sim->Setup(this);
  }
  if (g_pKFinder) g_pKFinder->ComputeCost(&m_system, true);
  g_wStatus.fetch_and(static_cast<WORD>(~kStatusTunerWaitsForDoc));
}

void CQorexDoc::OnTimeSettings() {
  CQorexDoc* doc = g_pOutputBar ? g_pOutputBar->m_pDoc : nullptr;
  if (doc == nullptr || doc == g_pSimDoc.load()) return;
  CTimeBoxDlg dlg(AfxGetMainWnd());
  dlg.m_dSamplingTime = doc->m_dSamplingTime;
  dlg.m_dFinalTime = doc->m_dFinalTime;
  dlg.m_dTolerance = g_dWatchdogTol * 100.0;
  dlg.m_nBufferSize = doc->m_nRunCapacity;
  dlg.DoModal();
  if (!dlg.m_bAccepted) return;
  doc->m_dSamplingTime = dlg.m_dSamplingTime;
  doc->m_dFinalTime = dlg.m_dFinalTime;
  g_dWatchdogTol = dlg.m_dTolerance / 100.0;
  doc->Recalculate();
  doc->UpdateAll();
  doc->SetRunCapacity(dlg.m_nBufferSize);
}

// ---- definition dimensions ----------------------------------------------------------

namespace {
constexpr WORD kTypeEquality = 0x1301;
constexpr int kKindMatrix = 0x05;
// Square checks start a nested adjustment; every one of them ends with a
// square block, so a sound design needs a few levels at most.
constexpr int kMaxAdjustDepth = 12;
// A column vector holds at most this many elements (the child count is a word).
constexpr int kMaxElements = 0xFFFF;

enum { kP, kK, kG, kL, kF };
enum { kSigC, kSigV, kSigD, kSigN, kSigMin, kSigMax, kSigU, kSigY, kSigWeight };

struct SlotName {
  const char* name;
  const char* subscript;
};
constexpr SlotName kModelNames[5] = {{"P", ""}, {"K", ""}, {"G", ""}, {"L", ""}, {"F", ""}};
constexpr SlotName kSignalNames[9] = {{"c", ""},     {"v", ""},         {"d", ""},
                                      {"n", ""},     {"u", "clip min"}, {"u", "clip max"},
                                      {"u", "proc"}, {"y", "proc"},     {"e", "weight"}};

CMcBasic* RightOf(CMcBasic* def) {
  return def != nullptr && def->m_count >= 2 ? def->m_children[1] : nullptr;
}

CMcMatrix* AsMatrix(CMcBasic* node) {
  return node != nullptr && (node->GetType() >> 8) == kKindMatrix ? static_cast<CMcMatrix*>(node)
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
  if (left != nullptr && left->GetType() == 0x0200) {
    const auto* f = static_cast<const CMcFunction*>(left);
    const std::string name = f->GetFunctionName();
    if (name == "y" || (name == "u" && f->GetSubscript()[0] == 'p')) {
      char subscript[16];
      std::snprintf(subscript, sizeof subscript, "%d", k);
      return SignalOfT(name.c_str(), subscript);
    }
  }
  CMcBasic* copy = m->m_count > 0 ? m->m_children[m->m_count - 1]->Clone() : nullptr;
  return copy ? copy : Real(0.0);
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

// Depth of AdjustDimensions, restored however it returns.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
  ~DepthGuard() { --m_depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& m_depth;
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
  const CSIMtrnmx* blocks[] = {&m_system.m_P, &m_system.m_K, &m_system.m_G, &m_system.m_L,
                               &m_system.m_F};
  if ((blocks[block]->m_wFlags & 0x02) == 0) return;
  CMcMatrix* m = AsMatrix(RightOf(pModels[block]));
  if (m == nullptr || m->GetRows() == m->GetColumns()) return;
  ResizeToMatrix(pModels[block], n, n);
  AdjustDimensions(block, TRUE, pModels, pSignals);
}

int CQorexDoc::AdjustDimensions(int i, BOOL model, CMcBasic** pModels, CMcBasic** pSignals) {
  if (pModels == nullptr || pSignals == nullptr || i < 0 || i >= (model ? 5 : 9)) return 0;
  if (m_nAdjustDepth >= kMaxAdjustDepth) return 0;
  DepthGuard guard(m_nAdjustDepth);
  CMcBasic*& changed = model ? pModels[i] : pSignals[i];
  if (changed == nullptr) return 0;
  for (int k = 0; k < (model ? 9 : 5); ++k)
    if ((model ? pSignals[k] : pModels[k]) == nullptr) return 0;
  for (int k = 0; k < (model ? 5 : 9); ++k)
    if ((model ? pModels[k] : pSignals[k]) == nullptr) return 0;

  if (changed->GetType() != kTypeEquality) {
    const SlotName& slot = model ? kModelNames[i] : kSignalNames[i];
    CMcBasic* argument = model ? Var("s", "", kEntryS) : Var("t", "", kEntryT);
    CMcBasic* parent = changed->m_parent;
    CMcBasic* old = changed;
    CMcBasic* def =
        new CMcEquality(new CMcFunction(argument, slot.name, slot.subscript, 0), old, 0);
    if (parent) parent->ReplaceChild(def, old);
    changed = def;
    if (g_pMemDC) argument->Layout(g_pMemDC, 0);
  }
  int nr = 1, nc = 1;
  SizeOf(changed, &nr, &nc);
  CMcBasic** M = pModels;
  CMcBasic** S = pSignals;
  if (model) {
    switch (i) {
      case kP:
        MatchSignalRowsToColumns(S[kSigC], nr, nc);
        MatchColumnsToRows(M[kK], nr, nc);
        MatchRowsToRows(M[kF], nr, nc);
        EnsureSquare(kK, nr, M, S);
        EnsureSquare(kF, nr, M, S);
        break;
      case kK:
        for (int s : {kSigV, kSigMin, kSigMax, kSigU}) MatchSignalRowsToRows(S[s], nr, nc);
        MatchRowsToColumns(M[kP], nr, nc);
        MatchRowsToColumns(M[kF], nr, nc);
        MatchColumnsToRows(M[kG], nr, nc);
        EnsureSquare(kP, nc, M, S);
        EnsureSquare(kF, nc, M, S);
        EnsureSquare(kG, nr, M, S);
        break;
      case kG:
        for (int s : {kSigV, kSigMin, kSigMax, kSigU}) MatchSignalRowsToColumns(S[s], nr, nc);
        for (int s : {kSigD, kSigY}) MatchSignalRowsToRows(S[s], nr, nc);
        MatchRowsToColumns(M[kK], nr, nc);
        MatchColumnsToRows(M[kL], nr, nc);
        EnsureSquare(kK, nc, M, S);
        EnsureSquare(kL, nr, M, S);
        break;
      case kL:
        for (int s : {kSigD, kSigY}) MatchSignalRowsToColumns(S[s], nr, nc);
        MatchSignalRowsToRows(S[kSigN], nr, nc);
        MatchRowsToColumns(M[kG], nr, nc);
        MatchColumnsToRows(M[kF], nr, nc);
        EnsureSquare(kG, nc, M, S);
        EnsureSquare(kF, nr, M, S);
        break;
      case kF:
        MatchSignalRowsToColumns(S[kSigN], nr, nc);
        MatchRowsToColumns(M[kL], nr, nc);
        MatchColumnsToRows(M[kK], nr, nc);
        MatchRowsToRows(M[kP], nr, nc);
        EnsureSquare(kL, nc, M, S);
        EnsureSquare(kP, nr, M, S);
        EnsureSquare(kK, nr, M, S);
        break;
    }
    return 0;
  }
  switch (i) {
    case kSigC:
      MatchColumnsToRows(M[kP], nr, nr);
      EnsureSquare(kP, nr, M, S);
      break;
    case kSigV:
    case kSigMin:
    case kSigMax:
    case kSigU:
      for (int s : {kSigV, kSigMin, kSigMax, kSigU})
        if (s != i) MatchSignalRowsToRows(S[s], nr, nr);
      MatchRowsToRows(M[kK], nr, nr);
      MatchColumnsToRows(M[kG], nr, nr);
      EnsureSquare(kK, nr, M, S);
      EnsureSquare(kG, nr, M, S);
      break;
    case kSigD:
    case kSigY:
      MatchSignalRowsToRows(S[i == kSigD ? kSigY : kSigD], nr, nr);
      MatchRowsToRows(M[kG], nr, nr);
      MatchColumnsToRows(M[kL], nr, nr);
      EnsureSquare(kG, nr, M, S);
      EnsureSquare(kL, nr, M, S);
      break;
    case kSigN:
      MatchRowsToRows(M[kL], nr, nr);
      MatchColumnsToRows(M[kF], nr, nr);
      EnsureSquare(kL, nr, M, S);
      EnsureSquare(kF, nr, M, S);
      break;
    default:  // the error weight meets no other definition
      break;
  }
  return 0;
}
