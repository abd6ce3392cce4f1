#include "simulation/SIMsystem.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/McComplex.h"
#include "MC/McDepthGuard.h"
#include "MC/McKinds.h"
#include "QorexDoc.h"
#include "VARpoints.h"
#include "platform/core/VectorState.h"
#include "simulation/SIMfreq.h"
#include "simulation/SIMwatchdog.h"

#include <algorithm>
#include <cmath>

std::atomic<CSIMsystem*> g_pSimulator{nullptr};
std::atomic<CQorexDoc*> g_pSimDoc{nullptr};
static CRITICAL_SECTION s_csSimulation;
LPCRITICAL_SECTION g_pcsSimulation = &s_csSimulation;

namespace {
// The watchdog's follow-up may prepare again while the user keeps accepting
// settings that are still too coarse; a bound keeps a runaway answerer (or a
// test) from exhausting the stack.
constexpr int kMaxPrepareDepth = 8;

// The type word of a definition: an equality with the plain "=" relation.
constexpr WORD kDefinitionType = McTypeWord(kMcEquality, 1);

// |M| for a square M, else the zero function (no closed-loop poles to show).
void DeterminantOf(CSIMtrnfn& det, const CSIMtrnmx& m, CSIMtrnfn* w) {
  if (!m.IsSquare()) {
    det.SetZero();
    return;
  }
  det.Determinant(m.m_pElements.get(), m.m_nRows, w[0], w[1], w[2], w[3]);
}

// The constant 1: order 0, no zeros.
void SetOne(CSIMtrnfn& t) {
  t.Adopt({1.0}, {1.0});
  t.FindRoots();
}

// The right side that sizes a loop signal (see SizeSignals).
const CMcBasic* SizingSide(const CQorexDoc* doc, const SIMloopSignal& s) {
  if (s.definition >= 0) return doc->m_signals.RightSideAt(s.definition);
  const SIMdimSource& source = kDimSources[s.rows];
  return (source.model ? doc->m_models : doc->m_signals).RightSideAt(source.slot);
}
}  // namespace

SIMrunTimes JudgeRunTimes(double ts, double tf) {
  if (!std::isfinite(ts) || !std::isfinite(tf) || !(ts > 0.0) || !(tf > 0.0))
    return {SIMtimes::kNotPositive, 0};
  // Compared before the conversion: a quotient of any size is no int. A
  // final time equal to the sampling time is a run of one sample, as the
  // end marker of a signal pane can make it.
  const double n = std::trunc(tf / ts);
  if (!(n >= 1.0)) return {SIMtimes::kFinalBelowTs, 0};
  if (!(n <= g_nMaxSamples)) return {SIMtimes::kTooManySamples, 0};
  return {SIMtimes::kRun, static_cast<int>(n)};
}

CSIMsystem::CSIMsystem() : m_dTs(0.0), m_nSteps(0), m_nStep(0), m_pDoc(nullptr), m_nError(kSimOk) {
  m_c.m_wFlags |= kSignalShown;
  m_yd.m_wFlags |= kSignalShown;
  m_P.m_wFlags = kBlockShowRoots | kBlockEnsureSquare;
  m_F.m_wFlags = kBlockShowRoots | kBlockEnsureSquare;
  m_K.m_wFlags = kBlockShowRoots | kBlockTunable;
  m_L.m_wFlags = kBlockShowRoots | kBlockTunable;
}

CSIMsystem::~CSIMsystem() = default;

// ---- preparing a run ---------------------------------------------------------

void CSIMsystem::SizeSignals(CQorexDoc* doc, int columns) {
  for (const SIMloopSignal& s : kLoopSignals)
    (this->*s.signal).Build(doc, SizingSide(doc, s), columns, false);
}

void CSIMsystem::FillInputs(CQorexDoc* doc) {
  for (const SIMloopSignal& s : kLoopSignals)
    if (s.definition >= 0)
      (this->*s.signal).Build(doc, doc->m_signals.RightSideAt(s.definition), m_nSteps, true);
}

void CSIMsystem::ZeroSignals() {
  for (const SIMloopSignal& s : kLoopSignals) (this->*s.signal).Zero();
}

void CSIMsystem::RebuildBlocks(CQorexDoc* doc) {
  m_nInvalidModels = 0;
  for (int i = 0; i < kModelCount; ++i) {
    const CMcBasic* definition = i < doc->m_models.GetCount() ? doc->m_models.GetAt(i) : nullptr;
    if (!BuildModel(doc, definition, this->*kModelWiring[i].block)) m_nInvalidModels |= 1u << i;
  }
}

void CSIMsystem::HideStandInResults(CQorexDoc* doc) {
  for (int i = 0; i < kModelCount; ++i) {
    if (!(m_nInvalidModels & (1u << i))) continue;
    CSIMtrnmx& block = this->*kModelWiring[i].block;
    for (int e = 0; e < block.m_nRows * block.m_nCols; ++e)
      block.m_pElements[e].m_bRootsValid = false;
  }
  m_detIFLGK.m_bRootsValid = false;
  m_detFLGK.m_bRootsValid = false;
  if (doc->m_pVarPoints)
    for (int i = 0; i < doc->m_nVarPoints; ++i) doc->m_pVarPoints[i].Clear();
}

bool CSIMsystem::ShapesAgree(bool realtime) const {
  // The rows of each shared size, taken from its first signal.
  int rows[kDimCount] = {-1, -1, -1, -1, -1};
  for (const SIMloopSignal& s : kLoopSignals) {
    const CSIMsignal& signal = this->*s.signal;
    if (signal.m_nColumns != m_c.m_nColumns) return false;
    if (s.limit) continue;
    // Signals of one size are combined column by column: equal rows.
    if (rows[s.rows] < 0) rows[s.rows] = signal.m_nRows;
    if (signal.m_nRows != rows[s.rows]) return false;
  }
  for (const SIMmodelWiring& b : kModelWiring) {
    const CSIMtrnmx& block = this->*b.block;
    if (block.m_nRows != rows[b.rows] || block.m_nCols != rows[b.columns]) return false;
  }
  if (realtime)
    for (const SIMloopSignal& s : kLoopSignals)
      if (s.limit && (this->*s.signal).m_nRows < rows[s.rows]) return false;
  return true;
}

void CSIMsystem::Prepare(CQorexDoc* doc, bool rebuild) {
  if (doc == nullptr) return;
  QxCleanVectorState();  // see VectorState.h: the numerics run clean
  const SIMrunTimes times = JudgeRunTimes(doc->m_dSamplingTime, doc->m_dFinalTime);
  m_nError = times.verdict == SIMtimes::kRun ? kSimOk : kSimBadTimes;
  m_nSteps = times.steps;
  if (times.verdict == SIMtimes::kRun) m_dTs = doc->m_dSamplingTime;
  m_pDoc = doc;
  doc->m_dMaxPoleModulus = 1.0;
  SizeSignals(doc, m_nSteps);
  if (rebuild) {
    RebuildBlocks(doc);
    LoopProducts();
    if (m_nInvalidModels != 0)
      HideStandInResults(doc);
    else
      ParameterLoci(doc);
    // The document's engine sweeps its own loop (never another system
    // prepared from the same document), while the products are in normal form.
    if (doc->m_pFreqModel != nullptr && this == &doc->m_system) {
      if (m_nInvalidModels != 0)
        doc->m_pFreqModel->ComputeNothing(doc);
      else
        doc->m_pFreqModel->ComputeResponses(doc);
    }
    for (const SIMmodelWiring& b : kModelWiring) (this->*b.block).PrepareSimulation();
  }
  if (!ShapesAgree(false)) m_nError = kSimShapeMismatch;
  if (m_nInvalidModels != 0) m_nError = kSimModelInvalid;
  if (m_nError != kSimOk) {
    ZeroSignals();
    ResetStates();
    return;
  }
  // A design on its way out is asked nothing: the question and the dialog
  // after it would open in the middle of a close or quit.
  if (doc != g_pSimDoc.load() && !doc->Leaving() && m_yd.m_nColumns >= 3 * g_nMinSamples &&
      g_nMinSamples > 0 && AccuracyWatchdog(doc) == 1 && AdjustSettings(doc))
    return;
  FillInputs(doc);
  ResetStates();
}

bool CSIMsystem::AdjustSettings(CQorexDoc* doc) {
  McDepthGuard guard(m_nPrepareDepth, kMaxPrepareDepth);
  CSIMwatchdogUi* ui = GetWatchdogUi();
  if (ui == nullptr || !guard.Ok()) return false;
  SIMtimeSettings settings = doc->GetTimeSettings();
  if (!ui->ShowSimulatorProperties(settings)) return false;
  doc->ApplyTimeSettings(settings);
  Prepare(doc, false);
  return true;
}

void CSIMsystem::Resimulate(CQorexDoc* doc) {
  m_bOverflowed = false;
  Prepare(doc, true);
  if (m_nError != kSimOk) return;
  QxCleanVectorState();  // a question of the watchdog may have shown a dialog
  for (int t = 0; t < m_nSteps; ++t) SimulateStep(t);
  const auto finite = [](const CSIMsignal& s) {
    const double* p = s.m_pSamples;
    return std::all_of(p, p + static_cast<long long>(s.m_nRows) * s.m_nColumns,
                       [](double v) { return std::isfinite(v); });
  };
  // The computed signals only: the inputs are the user's, and the limits of
  // the control action may well be infinite.
  for (const SIMloopSignal& s : kLoopSignals)
    if (s.definition < 0 && !finite(this->*s.signal)) m_bOverflowed = true;
}

void CSIMsystem::SetRunTimes(double ts, double tf) {
  m_dTs = ts;
  m_nSteps = JudgeRunTimes(ts, tf).steps;
}

void CSIMsystem::Setup(CQorexDoc* doc) {
  if (doc == nullptr) return;
  doc->m_dMaxPoleModulus = 1.0;
  m_pDoc = doc;
  m_nStep = 0;
  m_nLiveSamples = 0;
  m_nShapeFrom = 0;
  const bool timesOk =
      std::isfinite(m_dTs) && m_dTs > 0.0 && m_nSteps >= 1 && m_nSteps <= g_nMaxSamples;
  if (!timesOk) m_nSteps = 0;
  SizeSignals(doc, m_nSteps);
  FillInputs(doc);
  RebuildBlocks(doc);
  for (const SIMmodelWiring& b : kModelWiring) (this->*b.block).PrepareSimulation();
  ResetStates();
  TakeRealtimeSides(doc);
  m_nError = m_nInvalidModels != 0 ? kSimModelInvalid
             : !timesOk            ? kSimBadTimes
             : ShapesAgree(true)   ? kSimOk
                                   : kSimShapeMismatch;
  if (m_nError != kSimOk) ZeroSignals();
}

void CSIMsystem::SetUpDuringRun(CQorexDoc* doc) {
  if (doc == nullptr) return;
  // The new loop is set up and simulated aside: the worker keeps sampling
  // the old one meanwhile. Its times are this system's, which only this
  // thread changes. Signals sized afresh hold no run yet: the new loop's
  // simulation fills them, and the states start from rest again for the
  // samples to come.
  auto fresh = std::make_unique<CSIMsystem>();
  fresh->m_dTs = m_dTs;
  fresh->m_nSteps = m_nSteps;
  fresh->Setup(doc);
  for (int t = 0; t < fresh->m_nSteps; ++t) fresh->SimulateStep(t);
  fresh->ResetStates();
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    // Exchanged, not copied; each keeps its own show flags.
    for (const SIMloopSignal& s : kLoopSignals) {
      CSIMsignal &mine = this->*s.signal, &theirs = fresh.get()->*s.signal;
      const WORD flags = mine.m_wFlags;
      mine.Swap(theirs);
      mine.m_wFlags = flags;
    }
    for (const SIMmodelWiring& b : kModelWiring) {
      CSIMtrnmx &mine = this->*b.block, &theirs = fresh.get()->*b.block;
      std::swap(mine.m_pElements, theirs.m_pElements);
      std::swap(mine.m_nRows, theirs.m_nRows);
      std::swap(mine.m_nCols, theirs.m_nCols);
    }
    m_pRealtimeU.swap(fresh->m_pRealtimeU);
    m_pRealtimeY.swap(fresh->m_pRealtimeY);
    m_pDoc = doc;
    m_nSteps = fresh->m_nSteps;
    m_nInvalidModels = fresh->m_nInvalidModels;
    m_nError = fresh->m_nError.load();
    // The worker's last sample was computed in the old shape; its next one
    // is the first of the new.
    const int step = m_nStep;
    m_nLiveSamples = std::min(m_nLiveSamples.load(), m_nSteps);
    m_nShapeFrom = step + 1;
  }
  // The old loop goes with `fresh`, outside the lock.
}

void CSIMsystem::ResetStates() {
  for (const SIMmodelWiring& b : kModelWiring) (this->*b.block).ResetStates();
}

// ---- one sample --------------------------------------------------------------

void CSIMsystem::SimulateStep(int t) {
  if (m_nError != kSimOk || t < 0 || t >= m_c.m_nColumns) return;
  const double h = m_dTs;
  m_nStep = t;
  m_P.Step(m_c, m_r, t, h);
  m_uv.DelayedSum(m_u, m_v, t);
  m_G.Step(m_uv, m_y, t, h);
  m_yd.Add(m_y, m_d, t);
  m_L.Step(m_yd, m_z, t, h);
  m_zn.Add(m_z, m_n, t);
  m_F.Step(m_zn, m_w, t, h);
  m_e.Subtract(m_r, m_w, t);
  m_K.Step(m_e, m_u, t, h);
  m_uv.Add(m_u, m_v, t);
  if (m_nLiveSamples.load(std::memory_order_relaxed) == t)
    m_nLiveSamples.store(t + 1, std::memory_order_relaxed);
}

// ---- products, determinants and loci -----------------------------------------

void CSIMsystem::LoopProducts() {
  CSIMtrnfn* w = m_tfWork;
  m_GK.Multiply(m_G, m_K, w[0], w[1], w[2]);
  m_LGK.Multiply(m_L, m_GK, w[0], w[1], w[2]);
  m_FLGK.Multiply(m_F, m_LGK, w[0], w[1], w[2]);
  m_IFLGK.OnePlus(m_FLGK);
  DeterminantOf(m_detIFLGK, m_IFLGK, w);
  // A single-channel loop has no transmission-zero determinant; the constant
  // 1 reads as "no zeros" wherever it is looked at.
  if (m_FLGK.IsSquare() && m_FLGK.m_nCols >= 2)
    DeterminantOf(m_detFLGK, m_FLGK, w);
  else
    SetOne(m_detFLGK);
}

void CSIMsystem::SweepPoint(CQorexDoc* doc, int mask) {
  CSIMtrnfn* w = m_tfWork;
  CSIMtrnmx* W = m_work;  // W[0] is W1
  const CMXC_BIN& models = doc->m_models;
  // Only the blocks that hold the variable are rebuilt (bit 0 K, 1 G, 2 L,
  // 3 F); the others, and the products below the first rebuilt one, are the
  // loop's own.
  const CSIMtrnmx* blocks[] = {&m_K, &m_G, &m_L, &m_F};
  for (int i = 0; i < 4; ++i)
    if (mask & (1 << i)) {
      W[i].FromExpr(doc, models.RightSideAt(kModelK + i));
      blocks[i] = &W[i];
    }
  const CSIMtrnmx* gk = &m_GK;
  if (mask & 3) {
    W[4].Multiply(*blocks[1], *blocks[0], w[0], w[1], w[2]);
    gk = &W[4];
  }
  const CSIMtrnmx* lgk = &m_LGK;
  if (mask & 7) {
    W[5].Multiply(*blocks[2], *gk, w[0], w[1], w[2]);
    lgk = &W[5];
  }
  W[6].Multiply(*blocks[3], *lgk, w[0], w[1], w[2]);
  W[7].OnePlus(W[6]);
  DeterminantOf(m_tfSweep, W[7], w);
}

void CSIMsystem::ParameterLoci(CQorexDoc* doc) {
  QxCleanVectorState();
  if (doc == nullptr || !doc->m_pVarPoints) return;
  for (int i = 0; i < doc->m_nVarPoints; ++i) {
    CVARpoints& locus = doc->m_pVarPoints[i];
    locus.Clear();
    const int var = locus.m_nVariable;
    if (var < 0 || var >= doc->m_vars.m_nCount) continue;
    int mask = 0;
    for (int m = kModelK; m <= kModelF; ++m) {
      const CMcBasic* side = doc->m_models.RightSideAt(m);
      if (side != nullptr && doc->m_models.ContainsVariable(side, var)) mask |= 1 << (m - 1);
    }
    if (mask == 0) continue;

    const int mode = locus.Mode();
    locus.m_dMinGain = g_dRlMinGain;
    locus.m_dMaxGain = g_dRlMaxGain;
    locus.m_nSteps = g_nRlLogSteps;
    double x = locus.m_dMinGain;
    const double factor = locus.m_nSteps > 0
                              ? std::pow(locus.m_dMaxGain / locus.m_dMinGain, 1.0 / locus.m_nSteps)
                              : 1.0;
    double step = 0.0;
    int n = locus.m_nSteps;
    const double v = doc->m_vars.m_pValue[var];
    if (mode != 0) {
      n = g_nRlLinSteps;
      if (n > 1) {
        const double span[] = {0.0, 0.2, 0.5, 1.0, 2.0};
        const double start[] = {0.0, 0.9, 0.75, 0.5, 0.0};
        const int k = mode < 4 ? mode : 4;
        x = start[k] * v;
        step = span[k] * v / (n - 1);
        // 0 .. 2v collapses to one point for a value at 0; such a value is
        // swept over -1 .. 1 instead.
        if (k == 4 && std::fabs(v) <= g_dZeroTol) {
          x = -1.0;
          step = 2.0 / (n - 1);
        }
      }
    }
    for (int j = 0; j < n; ++j) {
      doc->m_vars.m_pValue[var] = x;
      SweepPoint(doc, mask);
      locus.AddRoots(m_tfSweep.m_num.data(), m_tfSweep.m_nNum);
      x = mode == 0 ? x * factor : x + step;
    }
    doc->m_vars.m_pValue[var] = v;
  }
}

// ---- hand-over to a running system -------------------------------------------

bool CSIMsystem::CanCopyFrom(const CSIMsystem& src) const {
  if (&src == this || src.m_nError != kSimOk) return false;
  for (const SIMloopSignal& s : kLoopSignals) {
    const CSIMsignal &mine = this->*s.signal, &theirs = src.*s.signal;
    if (mine.m_nRows != theirs.m_nRows || mine.m_nColumns != theirs.m_nColumns) return false;
  }
  for (const SIMmodelWiring& b : kModelWiring) {
    const CSIMtrnmx &mine = this->*b.block, &theirs = src.*b.block;
    if (mine.m_nRows != theirs.m_nRows || mine.m_nCols != theirs.m_nCols) return false;
  }
  return src.ShapesAgree(true);
}

bool CSIMsystem::CopyFrom(const CSIMsystem& src) {
  if (!CanCopyFrom(src)) return false;
  const int from = m_nStep + 1;
  for (const SIMloopSignal& s : kLoopSignals) (this->*s.signal).CopyFrom(src.*s.signal, from);
  for (const SIMmodelWiring& b : kModelWiring) this->*b.block = src.*b.block;
  if (src.m_pDoc != nullptr) TakeRealtimeSides(src.m_pDoc);
  // Everything now fits: a system that an earlier hand-over left refused runs again.
  m_nError = kSimOk;
  return true;
}

// ---- checks for the editing dialogs ------------------------------------------

namespace {
bool IsDefinition(const CMcBasic* d) {
  return d != nullptr && d->GetType() == kDefinitionType && d->m_count >= 2 &&
         d->m_children[0]->GetType() == McTypeWord(kMcFunction);
}
}  // namespace

int CSIMsystem::CanBuildSignal(CQorexDoc* doc, const CMcBasic* definition) {
  if (!IsDefinition(definition)) return 0;
  g_bEvalError = 0;
  CSIMsignal probe;
  probe.Build(doc, definition->m_children[1], 5, true);
  return g_bEvalError ? 0 : 1;
}

int CSIMsystem::CanBuildModel(CQorexDoc* doc, const CMcBasic* definition) {
  g_bEvalError = 0;
  CSIMtrnmx probe;
  return BuildModel(doc, definition, probe) ? 1 : 0;
}

bool CSIMsystem::BuildModel(CQorexDoc* doc, const CMcBasic* definition, CSIMtrnmx& block) {
  // The block is built from the right side whatever the definition's form,
  // so that a refused model still has a stand-in of the right shape.
  const int before = g_bEvalError;
  g_bEvalError = 0;
  block.FromExpr(
      doc, definition != nullptr && definition->m_count >= 2 ? definition->m_children[1] : nullptr);
  const bool built = g_bEvalError == 0 && IsDefinition(definition);
  g_bEvalError = before || !built;
  return built;
}
