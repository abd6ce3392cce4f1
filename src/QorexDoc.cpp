#include "QorexDoc.h"

#include "GlobalResources.h"
#include "ListGrowth.h"
#include "MC/MC_REAL.h"
#include "MC/McDepthGuard.h"
#include "MC/MXC_TERM.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "Qorex.h"
#include "diagrams/QOX_DragGroup.h"
#include "editing/LeftBarHits.h"
#include "QorexDocDefinitions.h"
#include "platform/core/Clock.h"
#include "res/resource.h"
#include "search/QOX_HistVar.h"
#include "search/SearchGlobals.h"
#include "simulation/SIMfreq.h"

#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <span>
#include <utility>
#include <vector>

IMPLEMENT_DYNCREATE(CQorexDoc, CDocument)

BEGIN_MESSAGE_MAP(CQorexDoc, CDocument)
ON_COMMAND(ID_EDIT_MODELS, OnEditModels)
ON_COMMAND(ID_EDIT_SIGNALS, OnEditSignals)
ON_COMMAND(ID_EFFECTIVE_MODELS, OnEffectiveModels)
ON_COMMAND(ID_TIME_SETTINGS, OnTimeSettings)
ON_COMMAND(ID_INTERACTION, OnInteraction)
ON_COMMAND(ID_BANDWIDTH, OnBandwidth)
ON_COMMAND(ID_CLOSED_LOOP_POLES, OnClosedLoopPoles)
ON_COMMAND(ID_SORT_FINAL_VALUE, OnSortFinalValue)
ON_COMMAND(ID_SORT_TIME_CONSTANT, OnSortTimeConstant)
ON_COMMAND(ID_SORT_OSCILLATIONS, OnSortOscillations)
ON_COMMAND(ID_SORT_INTERACTION, OnSortInteraction)
ON_COMMAND(ID_SORT_V_REJECTION, OnSortVRejection)
ON_COMMAND(ID_SORT_D_REJECTION, OnSortDRejection)
ON_COMMAND(ID_SORT_N_REJECTION, OnSortNRejection)
ON_COMMAND(ID_SORT_CONTROL_ACTION, OnSortControlAction)
ON_COMMAND(ID_SORT_POLE_MOBILITY, OnSortPoleMobility)
ON_COMMAND(ID_SORT_BY_SLIDERS, OnSortBySliders)
ON_COMMAND(ID_KILL_ALL, OnKillAll)
ON_COMMAND(ID_KILL_WORST, OnKillWorst)
ON_COMMAND(ID_OFFSPRING, OnOffspring)
ON_COMMAND(ID_G_ROBUSTNESS, OnGRobustness)
ON_COMMAND(ID_K_ROBUSTNESS, OnKRobustness)
ON_COMMAND(ID_H_ROBUSTNESS, OnHRobustness)
ON_COMMAND(ID_GENETIC_ROOT_LOCUS, OnGeneticRootLocus)
END_MESSAGE_MAP()

namespace qoxdoc {

CMcBasic* NewVariable(const char* name, const char* subscript, WORD entry) {
  auto* v = new CMcVariable(name, subscript, 0);
  v->m_index = entry;
  return v;
}

CMcBasic* NewSignalOfT(const char* name, const char* subscript) {
  return new CMcFunction(NewVariable("t", "", kEntryT), name, subscript, 0);
}

CMcBasic* NewDefinition(bool model, int slot, CMcBasic* rhs) {
  CMcBasic* argument = model ? NewVariable("s", "", kEntryS) : NewVariable("t", "", kEntryT);
  const char* name = model ? kModelWiring[slot].name : kSignalWiring[slot].name;
  const char* subscript = model ? "" : kSignalWiring[slot].subscript;
  return new CMcEquality(new CMcFunction(argument, name, subscript, 0), rhs, 0);
}

}  // namespace qoxdoc

using namespace qoxdoc;

CQorexDoc::CQorexDoc() : m_runs(new QoxStoredRun[4]), m_pVarPoints(new CVARpoints[4]) {
  m_diagView[kDiagramRootLocus] = {0, 0, 0, 0};
  m_diagView[kDiagramNyquist] = {50, 50, 100, 100};
  m_diagView[kDiagramInverseNyquist] = {10, 10, 100, 100};
  m_diagView[kDiagramNichols] = {1, 2, 100, 100};
  m_diagView[kDiagramBode] = {80, 2, 100, 100};
  m_diagView[kDiagramCharNyquist] = {50, 50, 200, 150};
  m_diagView[kDiagramCharBode] = {80, 2, 200, 150};
  // The sampled error weight of the default "e_weight(t) = 1", so that a
  // cost read before the tuner fills it weighs every sample once.
  for (int i = 0; i < m_errorWeight.m_nRows * m_errorWeight.m_nColumns; ++i)
    m_errorWeight.m_pSamples[i] = 1.0;
  m_pHistory = new QOX_HistVar(this);
  m_pFreqModel = new CSIMfreq;  // the first recalculation sweeps it
  m_pDragGroup = new QOX_DragGroup(this);
  AddDefaultDefinitions();
  PlaceVarPoint(0, 0);  // the recalculation below draws it
  Recalculate();
  // The bars turn to the design once its window is activated: one that
  // fails to open never takes them from the design the user sees.
  UpdateMaxSignalSize();
  m_pHistory->Reset();
  SetModifiedFlag(FALSE);  // the defaults are no change of the user's
}

CQorexDoc::~CQorexDoc() {
  DetachBars();
  delete m_pHistory;
  delete m_pDragGroup;
  delete m_pFreqModel;
  m_models.DeleteAll();
  m_signals.DeleteAll();
  m_modelLibrary.DeleteAll();
  m_signalLibrary.DeleteAll();
}

void CQorexDoc::AddDefaultDefinitions() {
  const double inf = std::numeric_limits<double>::infinity();
  CMcBasic* const signals[kSignalCount] = {
      McNewNumber(1.0),       McNewNumber(0.0),           McNewNumber(0.0),
      McNewNumber(0.0),       new CMcReal(inf, kMcMinus), new CMcReal(inf, 0),
      NewSignalOfT("u", "1"), NewSignalOfT("y", "1"),     McNewNumber(1.0)};
  for (int i = 0; i < kSignalCount; ++i) m_signals.Add(NewDefinition(false, i, signals[i]));

  auto* sPlusOne = new CMcListsum(0);
  sPlusOne->AppendChild(NewVariable("s", "", kEntryS));
  sPlusOne->AppendChild(McNewNumber(1.0));
  CMcBasic* const models[kModelCount] = {McNewNumber(1.0), McNewNumber(1.0),
                                         new CMcDivision(McNewNumber(1.0), sPlusOne, 0),
                                         McNewNumber(1.0), NewVariable("f", "11", kEntryF11)};
  for (int i = 0; i < kModelCount; ++i) m_models.Add(NewDefinition(true, i, models[i]));
}

BOOL CQorexDoc::OnNewDocument() {
  return CDocument::OnNewDocument();
}

void CQorexDoc::ShowInBars(DesignPart part, int sample) {
  for (CDesignBar* bar : DesignBars()) bar->ShowDesign(this, part, sample);
}

namespace {
// The design the bars were last turned to, until it detaches them.
const CQorexDoc* s_pShown = nullptr;
}  // namespace

bool CQorexDoc::ShownInBars() const {
  return s_pShown == this;
}

void CQorexDoc::DetachBars() {
  if (s_pShown == this) s_pShown = nullptr;
  for (CDesignBar* bar : DesignBars()) bar->ForgetDesign(this);
  SayDesignState();  // for the design the bars show now, if any
}

namespace {
// "Save changes?" questions open now, of any design: a box that opened over
// one would be answered by the keys meant for it.
int s_nSaveQuestions = 0;
}  // namespace

BOOL CQorexDoc::SaveModified() {
  // What is still typed into a bar goes to the design it was typed for
  // before any design is asked about, as leaving the edit would: File >
  // Close and File > Exit reached by keys leave the keyboard in the edit, and
  // the answer must cover what the user typed (a design the value alone
  // changed is asked about at all). It is taken with the design counted as
  // leaving: its recalculation asks no accuracy question in the middle of a
  // close or quit. A prompt about text that is no value comes before the
  // question, never over it.
  if (s_nSaveQuestions++ == 0)
    for (CDesignBar* bar : DesignBars()) bar->TakePendingEdit(nullptr);
  const BOOL goOn = CDocument::SaveModified();
  // A run's end that came meanwhile is said now, before the way out goes on.
  if (--s_nSaveQuestions == 0)
    if (auto* app = dynamic_cast<CQorexApp*>(AfxGetApp())) app->SayEndsHeldForQuestion();
  return goOn;
}

bool CQorexDoc::SaveQuestionOpen() {
  return s_nSaveQuestions > 0;
}

bool CQorexDoc::Leaving() const {
  return m_bClosing || SaveQuestionOpen();
}

void CQorexDoc::OnCloseDocument() {
  // From here on a box of the stop below may deliver a worker's end; it must
  // start nothing for a design that goes.
  m_bClosing = true;
  // A design is never freed while a worker may use it: the worker ends
  // within one sample and its closing writes, with its outputs at 0 V or
  // said otherwise. The end of a worker that has ended but is not yet said
  // is said now too: a program that quits delivers no message after. Before
  // the bars are detached: what a box delivers meanwhile (the tuner's end)
  // may point them at this design again.
  bool workerEnded = true;
  if (g_pSimDoc.load() == this || WorkerEndUntold()) {
    if (g_pSimulator.load() != nullptr)
      workerEnded = StopWorkerAndWait();
    else
      RequestStop(WakeWaiters::kNo);  // no simulator, so no worker to wait for
  }
  DetachBars();
  if (workerEnded) {
    CDocument::OnCloseDocument();
    return;
  }
  // The worker did not end within its bound (the wait said so): the
  // design's windows close and it leaves the open designs, as the user
  // asked, but it is freed only once no worker runs.
  const BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  CDocument::OnCloseDocument();
  m_bAutoDelete = autoDelete;
  if (autoDelete) KeepDesignUntilWorkerEnds(this);
}

// ---- recalculation and display ------------------------------------------------

void CQorexDoc::Recalculate() {
  SetModifiedFlag(TRUE);
  {
    McDepthGuard nesting(m_nRecalculateDepth);
    // A recalculation started from a question of an outer one keeps the
    // outer's copy: the loop's signals hold its trial now.
    if (m_nRecalculateDepth == 1) KeepShownRun();
    m_system.Resimulate(this);
  }
  m_bRunComplete = true;
  m_bRunStandIn = m_system.m_nError == kSimModelInvalid;
  m_bRunOverflowed = m_system.m_bOverflowed;
  CSIMsystem* sim = g_pSimulator.load();
  if (this != g_pSimDoc.load() || sim == nullptr || sim == &m_system) return;
  // Only this thread reshapes the simulator: whether the new design fits
  // is asked without the lock, and a set-up afresh takes the lock only to
  // hand its result over, so that the worker's samples keep their period.
  bool setUpAfresh = !sim->CanCopyFrom(m_system);
  if (!setUpAfresh) {
    QxCriticalSectionLock lock(g_pcsSimulation);
    setUpAfresh = !sim->CopyFrom(m_system);
  }
  if (setUpAfresh) sim->SetUpDuringRun(this);
  // The worker goes on with signals of the new shape, and the runs it stores
  // from now on have it (the pass under way is not stored): the runs of the
  // old shape go. With nothing running, a reshape keeps every run: they are
  // measured data, and the shape may well come back.
  if (setUpAfresh) DropRunsThatNoLongerFit();
}

namespace {
// The design the bars are being turned to, while UpdateAll turns them.
const CQorexDoc* s_pTurningTo = nullptr;
unsigned long s_nBarTurns = 0;
}  // namespace

unsigned long CQorexDoc::BarTurns() {
  return s_nBarTurns;
}

bool BarsTurning() {
  return s_pTurningTo != nullptr;
}

void CQorexDoc::UpdateAll() {
  // Another design changed while the bars turn to this one (something a bar
  // did on its way): its views show the change, and the bars go on to the
  // design they were turning to, never some to one and some to the other.
  if (s_pTurningTo != nullptr && s_pTurningTo != this) {
    UpdateAllViews(nullptr, 0);
    UpdateMaxSignalSize();
    return;
  }
  // What was typed into a bar goes to the design it was typed for before
  // any bar turns; that design may well be recalculated and shown in full
  // on the way, with the bars still on it.
  ++s_nBarTurns;
  const std::span<CDesignBar* const> bars = DesignBars();
  for (CDesignBar* bar : bars) bar->TakePendingEdit(this);
  UpdateAllViews(nullptr, 0);
  UpdateMaxSignalSize();
  {
    const CQorexDoc* const outer = std::exchange(s_pTurningTo, this);
    const auto restore = qScopeGuard([outer] { s_pTurningTo = outer; });
    s_pShown = this;
    ShowInBars(DesignPart::kWhole);
    SayDesignState();
  }
  for (CDesignBar* bar : bars) bar->SayHeldPrompt();
}

CString RefusedModelTitles(unsigned invalid) {
  std::vector<const char*> titles;
  for (int i = 0; i < kModelCount; ++i)
    if (invalid & (1u << i)) titles.push_back(kModelWiring[i].title);
  CString names;
  for (size_t i = 0; i < titles.size(); ++i) {
    if (i > 0) names += i + 1 == titles.size() ? " and " : ", ";
    names += titles[i];
  }
  return names;
}

namespace {
// What the status line says of a design whose times give no run, by why.
CString BadTimesText(SIMtimes verdict) {
  CString why;
  if (verdict == SIMtimes::kTooManySamples)
    why.Format("The final time holds more than %d samples of the sampling time", g_nMaxSamples);
  else if (verdict == SIMtimes::kFinalBelowTs)
    why = "The final time is shorter than the sampling time";
  else
    why = "The sampling time or the final time is not a positive number";
  return why +
         ": the design is not simulated until its times are corrected in Simulator "
         "Properties.";
}
}  // namespace

CString CQorexDoc::LoopStateText() const {
  CString text;
  const unsigned invalid = m_system.m_nInvalidModels;
  if (invalid != 0) {
    const bool plural = (invalid & (invalid - 1)) != 0;
    text.Format(
        "The %s model%s cannot be turned into transfer functions: the design is not simulated "
        "until %s corrected in Edit Models.",
        RefusedModelTitles(invalid).GetString(), plural ? "s" : "", plural ? "they are" : "it is");
  } else if (const SIMtimes times = JudgeRunTimes(m_dSamplingTime, m_dFinalTime).verdict;
             times != SIMtimes::kRun) {
    // The design's own times, as the run spot and the tuner judge them: a
    // sampling time taken over with a recalled run changes them before the
    // next simulation does.
    text = BadTimesText(times);
  } else if (m_system.m_bOverflowed) {
    text =
        "The simulation overflowed: the loop's signals grew beyond every number, and no curve "
        "is drawn past that point.";
  }
  return text;
}

void CQorexDoc::KeepShownRun() {
  for (size_t i = 0; i < std::size(kLoopSignals); ++i) {
    const CSIMsignal& signal = m_system.*kLoopSignals[i].signal;
    std::unique_ptr<CSIMsignal>& kept = m_pShownRun[i];
    // Every curve's samples are counted against the command's length.
    const bool shown =
        (signal.m_wFlags & kSignalShown) != 0 || kLoopSignals[i].signal == &CSIMsystem::m_c;
    if (m_bRunComplete && shown) {
      if (!kept) kept = std::make_unique<CSIMsignal>();
      kept->Assign(signal);
    } else if (kept) {
      kept->Resize(0, 0);
    }
  }
}

const CSIMsignal& CQorexDoc::SignalAsShown(CSIMsignal CSIMsystem::*signal) const {
  if (m_nRecalculateDepth > 0)
    for (size_t i = 0; i < std::size(kLoopSignals); ++i)
      if (kLoopSignals[i].signal == signal && m_pShownRun[i]) return *m_pShownRun[i];
  return m_system.*signal;
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
  ShowInBars(DesignPart::kVariables);
}

void CQorexDoc::UpdateHistory() {
  if (m_pHistory) m_pHistory->Reset();
  ShowInBars(DesignPart::kHistory);
}

// ---- signal show flags --------------------------------------------------------

WORD CQorexDoc::GetShowMask() const {
  WORD mask = 0;
  for (const SIMloopSignal& s : kLoopSignals)
    if (s.showBit >= 0 && ((m_system.*s.signal).m_wFlags & kSignalShown))
      mask |= static_cast<WORD>(1u << s.showBit);
  return mask;
}

void CQorexDoc::ToggleSignalShow(int code) {
  const int kind = code & kHitKindMask;
  const SIMtoggleGroup group = kind == kHitSource   ? SIMtoggleGroup::kSource
                               : kind == kHitToggle ? SIMtoggleGroup::kDisplay
                                                    : SIMtoggleGroup::kNone;
  if (const SIMloopSignal* s = LoopSignalOfToggle(group, code & kHitItemMask))
    (m_system.*s->signal).m_wFlags ^= kSignalShown;
  ShowInBars(DesignPart::kShownSignals);
}

// ---- loci ---------------------------------------------------------------------

int CQorexDoc::FindVarPoint(int entry) const {
  for (int i = 0; i < m_nVarPoints; ++i)
    if (m_pVarPoints[i].m_nVariable == entry) return i;
  return -1;
}

void CQorexDoc::GetVarPointCell(int userVariable, int* mode, int* colour) const {
  const int i = FindVarPoint(userVariable + CVARvalues::kFirstFreeEntry);
  const WORD code = i >= 0 ? m_pVarPoints[i].m_wCode : 0;
  if (mode) *mode = i >= 0 ? CVARpoints::ModeOf(code) + 1 : 0;
  if (colour) *colour = i >= 0 ? CVARpoints::ColourOf(code) + 1 : 0;
}

void CQorexDoc::SetVarPoint(int userVariable, WORD code) {
  if (!PlaceVarPoint(userVariable, code)) return;
  Recalculate();
  UpdateAll();
}

bool CQorexDoc::PlaceVarPoint(int userVariable, WORD code) {
  if (m_nVarPoints >= m_nVarPointCapacity) {
    const int capacity = DoubledCapacity(m_nVarPointCapacity);
    std::unique_ptr<CVARpoints[]> points(new CVARpoints[capacity]);
    for (int i = 0; i < m_nVarPoints; ++i) {
      points[i].m_nVariable = m_pVarPoints[i].m_nVariable;
      points[i].m_wCode = m_pVarPoints[i].m_wCode;
    }
    m_pVarPoints = std::move(points);
    m_nVarPointCapacity = capacity;
  }
  const int entry = userVariable + CVARvalues::kFirstFreeEntry;
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
  const int i = FindVarPoint(userVariable + CVARvalues::kFirstFreeEntry);
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
