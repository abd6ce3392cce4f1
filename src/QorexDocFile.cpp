// The ".qox" file of a design: fields 1 to 21 of the document, little-endian,
// with no magic and no version, written and read in the same order.
//
// Loading stages the whole design first. Every count is checked against the
// capacity it must fit and against the bytes left in the file before anything
// is allocated for it; names, indices and shapes are checked against their
// tables. A damaged file raises the archive exception and leaves the document
// exactly as it was. Models are not judged here: one that does not convert
// opens as stored, and the opening names it once the loop has refused it.
#include "QorexDoc.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/McKinds.h"
#include "MC/Mc_variable.h"
#include "platform/core/Exceptions.h"
#include "platform/core/File.h"
#include "platform/core/MessageBox.h"
#include "search/QOX_HistVar.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

// An equality with the plain "=" relation: the form of every definition.
constexpr WORD kDefinitionType = McTypeWord(kMcEquality, 1);
constexpr int kReservedEntries = 5;  // s, t, j, e, pi
// The user sets at most 10 runs and the loader keeps the stored count; far
// more than that is no file this program wrote.
constexpr int kMaxStoredRuns = 1000;
// Smallest stored run: its sampling time and three empty signal records.
constexpr ULONGLONG kMinRunBytes = 8 + 3 * (4 + 4 + 2);
constexpr ULONGLONG kLocusBytes = 26;

// A list that deletes its trees when it goes (CMXC_BIN itself does not).
struct OwnedList {
  CMXC_BIN list;
  OwnedList() = default;
  OwnedList(const OwnedList&) = delete;
  OwnedList& operator=(const OwnedList&) = delete;
  ~OwnedList() { list.DeleteAll(); }
};

// What the opening says of the models in m_nInvalidModels (bit per slot):
// their titles as "Edit Models" lists them, and why the loop does nothing.
CString UnusableModelsText(unsigned invalid) {
  const bool plural = std::popcount(invalid & ((1u << kModelCount) - 1)) > 1;
  CString text;
  text.Format(
      "The %s model%s of this design cannot be turned into transfer functions.\n"
      "The design is opened as it was stored, but it is not simulated, searched or run until "
      "%s corrected in Edit Models.",
      RefusedModelTitles(invalid).GetString(), plural ? "s" : "", plural ? "they are" : "it is");
  return text;
}

[[noreturn]] void Refuse(CArchive& ar) {
  const CFile* file = ar.GetFile();
  const CString name = file ? file->GetFilePath() : CString();
  // A read past the end says the file is cut short; anything else is damage.
  AfxThrowArchiveException(
      ar.HasFailed() ? CArchiveException::endOfFile : CArchiveException::badSchema,
      name.IsEmpty() ? nullptr : name.GetString());
}

void Check(CArchive& ar, bool sound) {
  if (!sound || ar.HasFailed()) Refuse(ar);
}

// Variable nodes keep the entry they were bound to when saved. Definitions
// are bound again by name after loading; a stored entry beyond the loaded
// table (in the libraries) is unbound, which every reader treats as such.
void UnbindBeyond(CMcBasic* node, int count) {
  if (node == nullptr) return;
  if (McKindOf(node->GetType()) == kMcVariable) {
    auto* var = static_cast<CMcVariable*>(node);
    if (var->m_index != CMcVariable::kUnbound && var->m_index >= count)
      var->m_index = CMcVariable::kUnbound;
  }
  for (int i = 0; i < node->m_count; ++i) UnbindBeyond(node->m_children[i], count);
}

bool AreDefinitions(const CMXC_BIN& list, int count) {
  if (list.GetCount() != count) return false;
  for (int i = 0; i < count; ++i) {
    const CMcBasic* def = list.GetAt(i);
    if (def->GetType() != kDefinitionType || def->m_count != 2) return false;
  }
  return true;
}

// The reserved entries are made by every table and never removed.
bool HasReservedEntries(const CVARvalues& loaded) {
  const CVARvalues fresh;
  if (loaded.m_nCount < kReservedEntries) return false;
  for (int i = 0; i < kReservedEntries; ++i)
    if (std::strcmp(loaded.GetName(i), fresh.GetName(i)) != 0 ||
        std::strcmp(loaded.GetSubscript(i), fresh.GetSubscript(i)) != 0)
      return false;
  return true;
}

bool Positive(double v) {
  return std::isfinite(v) && v > 0.0;
}

void StoreSignal(CArchive& ar, const CSIMsignal& s) {
  ar << s.m_nRows << s.m_nColumns << s.m_wFlags;
  const size_t n = static_cast<size_t>(s.m_nRows) * s.m_nColumns;
  for (size_t i = 0; i < n; ++i) ar << s.m_pSamples[i];
}

void LoadSignal(CArchive& ar, CSIMsignal& s) {
  int rows = 0, columns = 0;
  WORD flags = 0;
  ar >> rows >> columns >> flags;
  Check(ar, rows >= 0 && columns >= 0 && rows <= 0xFFFF && columns <= g_nMaxSamples);
  const ULONGLONG samples = static_cast<ULONGLONG>(rows) * static_cast<ULONGLONG>(columns);
  Check(ar, samples * 8 <= ar.GetBytesRemaining() && s.Resize(rows, columns));
  s.m_wFlags = flags;
  for (ULONGLONG i = 0; i < samples; ++i) ar >> s.m_pSamples[i];
  Check(ar, true);
}

// Everything a file holds, read before any of it replaces the document's.
struct StagedDesign {
  explicit StagedDesign(CQorexDoc* doc)
      : history(new QOX_HistVar(doc)), runCapacity(doc->m_nRunCapacity) {}
  CString comment;
  double finalTime = 0, samplingTime = 0, maxPoleModulus = 0;
  OwnedList modelList, signalList, modelLibrary, signalLibrary;
  std::unique_ptr<QOX_HistVar> history;
  CVARvalues vars;
  int nVarPoints = 0, nVarPointCapacity = 0;
  std::unique_ptr<CVARpoints[]> varPoints;
  CPoint rlOrigin, sigOrigin;
  double rlScaleX = 0, rlScaleY = 0, sigScaleX = 0, sigScaleY = 0;
  double rlSpare[3] = {};
  int runCapacity;  // the document's, which a load never shrinks
  int nRuns = 0;
  std::unique_ptr<QoxStoredRun[]> runs;
};

void LoadHeaderAndLists(CArchive& ar, StagedDesign& d) {
  ar >> d.comment >> d.finalTime >> d.samplingTime >> d.maxPoleModulus;
  // Only times no path of the program writes are damage. The end marker at
  // the first sample (Tf = Ts) and a run's sampling time taken over (any
  // Tf / Ts) give times without a run, and n * Ts may divide back to just
  // above n: all open as saved, and the loop judges them as it judged them
  // before the save; it sizes nothing by Tf / Ts before bounding it.
  Check(ar, Positive(d.samplingTime) && Positive(d.finalTime));
  Check(ar, d.modelList.list.Load(ar) && AreDefinitions(d.modelList.list, kModelCount));
  Check(ar, d.signalList.list.Load(ar) && AreDefinitions(d.signalList.list, kSignalCount));
  Check(ar, d.modelLibrary.list.Load(ar));
  Check(ar, d.signalLibrary.list.Load(ar));
}

void LoadTables(CArchive& ar, StagedDesign& d) {
  Check(ar, d.history->Serialize(ar));
  Check(ar, d.vars.Serialize(ar) && HasReservedEntries(d.vars));
  // A population is reset to the table's count and the table never shrinks.
  Check(ar, d.history->m_nVars <= d.vars.m_nCount);

  int count = 0, capacity = 0;
  ar >> count >> capacity;
  // A locus belongs to one user variable, and the array only doubles when
  // full, so a sound capacity stays within twice the table.
  const int limit = std::max(4, 2 * d.vars.m_nCount);
  Check(ar, count >= 0 && capacity >= 0 && count <= limit && capacity <= limit &&
                (capacity == 0 || count <= capacity) &&
                count * kLocusBytes <= ar.GetBytesRemaining());
  // A capacity of 0 could never grow by doubling.
  d.nVarPointCapacity = std::max({capacity, count, 1});
  d.nVarPoints = count;
  d.varPoints.reset(new CVARpoints[d.nVarPointCapacity]);
  for (int i = 0; i < count; ++i) {
    CVARpoints& p = d.varPoints[i];
    Check(ar,
          p.Serialize(ar) && p.m_nVariable >= kReservedEntries && p.m_nVariable < d.vars.m_nCount);
  }
}

void LoadPlotsAndRuns(CArchive& ar, StagedDesign& d) {
  ar >> d.rlOrigin.x >> d.rlOrigin.y >> d.rlScaleX >> d.rlScaleY;
  for (double& v : d.rlSpare) ar >> v;
  ar >> d.sigOrigin.x >> d.sigOrigin.y >> d.sigScaleX >> d.sigScaleY;
  Check(ar, Positive(d.rlScaleX) && Positive(d.rlScaleY) && Positive(d.sigScaleX) &&
                Positive(d.sigScaleY));

  ar >> d.nRuns;
  Check(ar, d.nRuns >= 0 && d.nRuns <= kMaxStoredRuns &&
                d.nRuns * kMinRunBytes <= ar.GetBytesRemaining());
  // As many slots as the document keeps, so the staged buffer replaces its own.
  const int slots = std::max({d.nRuns, d.runCapacity, 1});
  d.runs.reset(new QoxStoredRun[slots]);
  // The sampling times of all runs first, then each run's signals.
  for (int i = 0; i < d.nRuns; ++i) {
    ar >> d.runs[i].dTs;
    Check(ar, Positive(d.runs[i].dTs));
  }
  for (int i = 0; i < d.nRuns; ++i) {
    QoxStoredRun& run = d.runs[i];
    for (CSIMsignal QoxStoredRun::*signal : kStoredRunSignals) LoadSignal(ar, run.*signal);
    // The three signals of a run come from one pass.
    Check(ar, run.setpoint.m_nColumns == run.control.m_nColumns &&
                  run.setpoint.m_nColumns == run.output.m_nColumns);
  }
}

}  // namespace

void CQorexDoc::Serialize(CArchive& ar) {
  if (ar.IsLoading()) {
    Load(ar);
    return;
  }
  ar << m_strComment << m_dFinalTime << m_dSamplingTime << m_dMaxPoleModulus;
  m_models.Store(ar);
  m_signals.Store(ar);
  m_modelLibrary.Store(ar);
  m_signalLibrary.Store(ar);
  m_pHistory->Serialize(ar);
  m_vars.Serialize(ar);
  ar << m_nVarPoints << m_nVarPointCapacity;
  for (int i = 0; i < m_nVarPoints; ++i) m_pVarPoints[i].Serialize(ar);
  ar << static_cast<int>(m_ptRlOrigin.x) << static_cast<int>(m_ptRlOrigin.y) << m_dRlScaleX
     << m_dRlScaleY;
  for (double v : m_dRlSpare) ar << v;
  ar << static_cast<int>(m_ptSigOrigin.x) << static_cast<int>(m_ptSigOrigin.y) << m_dSigScaleX
     << m_dSigScaleY;
  ar << m_nRuns;
  for (int i = 0; i < m_nRuns; ++i) ar << m_runs[i].dTs;
  for (int i = 0; i < m_nRuns; ++i)
    for (CSIMsignal QoxStoredRun::*signal : kStoredRunSignals) StoreSignal(ar, m_runs[i].*signal);
}

void CQorexDoc::Load(CArchive& ar) {
  StagedDesign d(this);
  LoadHeaderAndLists(ar, d);
  LoadTables(ar, d);
  LoadPlotsAndRuns(ar, d);
  for (const CMXC_BIN* list : {&d.modelLibrary.list, &d.signalLibrary.list})
    for (int i = 0; i < list->GetCount(); ++i) UnbindBeyond(list->GetAt(i), d.vars.m_nCount);

  // Sound: the staged design replaces the document's; the old contents go
  // with the staging.
  m_strComment = d.comment;
  m_dFinalTime = d.finalTime;
  m_dSamplingTime = d.samplingTime;
  m_dMaxPoleModulus = d.maxPoleModulus;
  m_models.Swap(d.modelList.list);
  m_signals.Swap(d.signalList.list);
  m_modelLibrary.Swap(d.modelLibrary.list);
  m_signalLibrary.Swap(d.signalLibrary.list);
  QOX_HistVar* history = d.history.release();
  d.history.reset(m_pHistory);
  m_pHistory = history;
  m_vars.Swap(d.vars);
  m_nVarPoints = d.nVarPoints;
  m_nVarPointCapacity = d.nVarPointCapacity;
  m_pVarPoints = std::move(d.varPoints);
  m_ptRlOrigin = d.rlOrigin;
  m_dRlScaleX = d.rlScaleX;
  m_dRlScaleY = d.rlScaleY;
  std::copy(std::begin(d.rlSpare), std::end(d.rlSpare), m_dRlSpare);
  m_ptSigOrigin = d.sigOrigin;
  m_dSigScaleX = d.sigScaleX;
  m_dSigScaleY = d.sigScaleY;
  m_runs = std::move(d.runs);
  m_nRunCapacity = std::max(m_nRunCapacity, d.nRuns);
  m_nRuns = d.nRuns;

  // The bars forget the design they showed; the coming UpdateAll shows them
  // the loaded one, its comment included.
  DetachBars();
  UpdateUsedVariables();
  Recalculate();
  UpdateAll();
  // The file opens whatever its models hold; the user is told which of them
  // the loop cannot use, and mends them in Edit Models.
  if (m_system.m_nInvalidModels != 0)
    MessageBox(nullptr, UnusableModelsText(m_system.m_nInvalidModels), "Warning",
               MB_OK | MB_ICONEXCLAMATION);
}
