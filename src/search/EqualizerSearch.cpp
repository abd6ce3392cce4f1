// The Equalizer's free variables, its weights, the local and global pattern
// searches with their driver, and the recording of designs into the
// population (EqualizerEngine.h).
#include "search/EqualizerEngine.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "QorexDoc.h"
#include "search/PatternStep.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kSlotOfCriterion[CEqualizerEngine::kCriteria] = {0, 2, 3, 4, 6, 5, 7, 1, 8};
constexpr int kClimbSteps = 7;
constexpr double kClimbStep = 0.1;

// Keeps a flag set for the life of the guard.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
  ~FlagGuard() { m_flag = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

// ---- life cycle and weights ------------------------------------------------------------

CEqualizerEngine::CEqualizerEngine() = default;
CEqualizerEngine::~CEqualizerEngine() = default;

double CEqualizerEngine::Weight(int criterion) const {
  return criterion >= 0 && criterion < kCriteria ? m_weights[kSlotOfCriterion[criterion]] : 0.0;
}

void CEqualizerEngine::SetWeight(int criterion, double weight) {
  if (criterion >= 0 && criterion < kCriteria) m_weights[kSlotOfCriterion[criterion]] = weight;
}

void CEqualizerEngine::CriterionWeights(double (&weights)[kCriteria]) const {
  for (int c = 0; c < kCriteria; ++c) weights[c] = Weight(c);
}

double CEqualizerEngine::Value(int i) const {
  return m_pDoc->m_vars.m_pValue[m_freeVars.Index(i)];
}

void CEqualizerEngine::SetValue(int i, double x) {
  m_pDoc->m_vars.m_pValue[m_freeVars.Index(i)] = x;
}

// ---- collecting the free variables -------------------------------------------------------

void CEqualizerEngine::CollectFreeVariables() {
  m_freeVars.Clear();
  if (m_pDoc == nullptr) return;
  QOX_AddTunableVariables(*m_pDoc, {kModelP, kModelK, kModelG, kModelL, kModelF}, kAnyTableEntry,
                          QOX_Repeats::kOnce, m_freeVars);
  DropFixedVariables();
}

void CEqualizerEngine::DropFixedVariables() {
  for (int slot = 0; slot < kModelCount; ++slot)
    if (!QOX_ModelTunable(m_pDoc->m_system, slot))
      RemoveModelVariables(m_pDoc->m_models.RightSideAt(slot));
  // A variable whose entry the table no longer has cannot be searched.
  for (int i = m_freeVars.m_nCount - 1; i >= 0; --i)
    if (m_freeVars.Index(i) >= m_pDoc->m_vars.m_nCount) m_freeVars.Remove(m_freeVars.Index(i));
}

void CEqualizerEngine::AddModelVariables(const CMcBasic* node) {
  QOX_AddTreeVariables(node, kAnyTableEntry, QOX_Repeats::kOnce, m_freeVars);
}

void CEqualizerEngine::RemoveModelVariables(const CMcBasic* node) {
  if (node == nullptr) return;
  const int entry = QOX_FreeEntryOf(node);
  if (entry >= 0 && m_freeVars.Contains(entry)) {
    m_freeVars.Remove(entry);
    return;
  }
  for (int i = 0; i < node->m_count; ++i) RemoveModelVariables(node->m_children[i]);
}

// ---- the searches -------------------------------------------------------------------------

void CEqualizerEngine::Optimize(WORD mode) {
  if (m_pDoc == nullptr || m_bSearching) return;
  // Held through the recording and showing too: a slider moved while the
  // watchdog's question is open must not start a search inside this one.
  FlagGuard searching(m_bSearching);
  m_freeVars.StartSteps([this](int i) { return Value(i); });
  m_wMode = mode;
  if (mode & kSearchGlobal)
    GlobalSearch();
  else
    LocalSearch(TRUE);
  CQorexDoc* doc = m_pDoc;
  RecordDesign(kRecordAppend);
  doc->Recalculate();
  RecordDesign(kRecordRoots);
  doc->UpdateAll();
}

double CEqualizerEngine::LocalSearch(BOOL build) {
  double f0 = ComputeCost(build);
  for (int iteration = 0; iteration < g_nLocalIterations; ++iteration)
    for (int i = 0; i < m_freeVars.m_nCount; ++i) {
      QOX_PatternAxis axis = m_freeVars.Axis(i);
      double x = Value(i);
      f0 = PatternStep(x, f0, axis, [&](double v) {
        SetValue(i, v);
        return ComputeCost(FALSE);
      });
      SetValue(i, x);
      m_freeVars.Axis(i) = axis;
    }
  return f0;
}

double CEqualizerEngine::GlobalSearch() {
  double fBest = LocalSearch(TRUE);
  if (m_wMode & kEqualizerShowSearch) RepaintTestRun();
  const int n = m_freeVars.m_nCount;
  std::vector<double> start(n), best(n), passBest(n);
  for (int i = 0; i < n; ++i) start[i] = best[i] = passBest[i] = Value(i);
  double fPass = kFailedCost;
  double fRef = fBest;
  for (int iteration = 0; iteration < g_nGlobalIterations; ++iteration) {
    for (int i = 0; i < n; ++i) {
      fPass = GlobalProbe(start.data(), passBest.data(), fRef, fPass, i, 0);
      fPass = GlobalProbe(start.data(), passBest.data(), fRef, fPass, i, 1);
    }
    fRef = fPass;
    for (int i = 0; i < n; ++i) SetValue(i, start[i] = passBest[i]);
    if (fPass < fBest) {
      fBest = fPass;
      best = passBest;
    }
  }
  for (int i = 0; i < n; ++i) SetValue(i, best[i]);
  return fBest;
}

double CEqualizerEngine::GlobalProbe(const double* start, double* passBest, double fRef,
                                     double fBestIn, int i, int side) {
  const int n = m_freeVars.m_nCount;
  const double x = Value(i);
  double s = std::fabs(x) >= 10.0 ? kClimbStep * std::fabs(x) : kClimbStep;
  if (side != 0) s = -s;
  double previous = fRef;
  bool stopped = false;
  for (int step = 0; step < kClimbSteps && !stopped; ++step) {
    SetValue(i, Value(i) + s);
    const double f = ComputeCost(FALSE);
    if (f < previous || f >= kFailedCost) {
      stopped = true;
    } else {
      previous = f;
      s *= 2;
    }
  }
  if (!stopped) {
    SetValue(i, start[i]);
    return fBestIn;
  }
  for (int j = 0; j < n; ++j) {
    const double step =
        j == i ? std::fabs(s) / 3 : (std::fabs(start[j]) < 10.0 ? 1.0 : 0.1 * std::fabs(start[j]));
    m_freeVars.Axis(j) = {step, step, QOX_PatternAxis::kNone};
  }
  const double f = LocalSearch(FALSE);
  if (m_wMode & kEqualizerShowSearch) RepaintTestRun();
  double result = fBestIn;
  if (f < fBestIn) {
    for (int j = 0; j < n; ++j) passBest[j] = Value(j);
    result = f;
  }
  for (int j = 0; j < n; ++j) SetValue(j, start[j]);
  return result;
}

// ---- recording -----------------------------------------------------------------------------

namespace {
// Turns the recording switch on for a scope and puts it back as it was.
class ForcedRecording {
 public:
  explicit ForcedRecording(WORD& record) : m_record(record), m_saved(record) {
    m_record |= kRecordingOn;
  }
  ~ForcedRecording() { m_record = m_saved; }
  ForcedRecording(const ForcedRecording&) = delete;
  ForcedRecording& operator=(const ForcedRecording&) = delete;

 private:
  WORD& m_record;
  const WORD m_saved;
};
}  // namespace

void CEqualizerEngine::RecordDesignForced(int flags) {
  const ForcedRecording on(m_wRecord);
  RecordDesign(flags);
}

void CEqualizerEngine::RecordDesign(int flags) {
  if (!(m_wRecord & kRecordingOn) || m_pDoc == nullptr || m_pDoc->m_pHistory == nullptr) return;
  if (flags & kRecordRoots) {
    m_pDoc->m_pHistory->UpdateLast();
    return;
  }
  CollectFreeVariables();
  m_wMode = kEqualizerRecording;
  CEqualizerEngine::ComputeCost(TRUE);  // the test run itself, whatever cost a search uses
  double criteria[kCriteria];
  MeasureCriteria(criteria);
  m_pDoc->m_pHistory->Add(criteria);
  ShowRecorded();
}
