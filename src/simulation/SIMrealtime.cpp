// Real-time control: the worker that steps the loop against the analog I/O
// once per sampling period, and its start and stop on the user-interface
// thread.
//
// Every wait here (the pacing sleep, the device's settling time, the
// hand-over handshakes, StopRealtime) goes through SleepUnless on the
// replaceable clock, and whoever ends a wait's reason wakes the sleepers: a
// stop request ends a run within one sample, whatever the period.
#include "simulation/SIMsystem.h"

#include "MC/MC_BASIC.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "WorkerMessages.h"
#include "platform/core/Clock.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/RealtimeTexts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr DWORD kHandOverPollMs = 10;
constexpr DWORD kPassHandOverPollMs = 20;
constexpr DWORD kFindGPollMs = 40;
// Outputs that a refused system zeroes: all the emulation's (the board
// ignores channels beyond its two).
constexpr int kAllOutputs = 4;

// The user-interface thread, as the last StartRealtime saw it: the tuner's
// pass is started from the tuner's thread.
std::atomic<DWORD> s_uiThread{0};

DWORD UiThread() {
  const DWORD id = QxUiThreadId();
  return id != 0 ? id : s_uiThread.load();
}

// A post to the application object; nothing once a stop was asked for, so
// that no hand-over reaches a document that is being closed. Only the slice
// repaints go this way: a lost one costs a stale strip until the run's end
// repaints the panes, and the pacing never waits for room in the queue.
void PostUnlessStopped(UINT message, WPARAM wParam) {
  if (!StopRequested()) PostThreadMessage(UiThread(), message, wParam, 0);
}

// A message that a handler answers is waited for only once it is queued; a
// full queue is given up to giveUpMs to take it (a flood of bus frames
// drains in far less) while the run goes on.
bool PostWhileRunning(UINT message, WPARAM wParam, DWORD giveUpMs) {
  return PostToUi(UiThread(), message, wParam, 0, RetryFor(giveUpMs));
}

// The hand-over handshake: set the pending bit, post, wait for the handler.
// False when the message could not be queued while the run went on; a stop
// asked for meanwhile is no failure.
bool HandOver(UINT message, CQorexDoc* doc, DWORD pollMs, DWORD giveUpMs) {
  if (StopRequested()) return true;
  RequestAnswer(kStatusRunHandOver);
  if (!PostWhileRunning(message, reinterpret_cast<WPARAM>(doc), giveUpMs)) {
    AnswerWorker(kStatusRunHandOver, WakeWaiters::kNo);
    return StopRequested();
  }
  WaitWhileStatus(kStatusRunHandOver, pollMs);
  return true;
}

// Asks for the process identification after a pass, without waiting. One
// that cannot be queued is left out for this pass, its pending bit cleared,
// so that nothing waits for it.
void PostFindG(DWORD giveUpMs) {
  if (StopRequested()) return;
  RequestAnswer(kStatusFindGPending);
  if (!PostWhileRunning(WM_QX_FINDG, 0, giveUpMs))
    AnswerWorker(kStatusFindGPending, WakeWaiters::kNo);
}

// The pass about to be handed over: one within a continuous run (its record
// only, and no identification while the last one is pending), or the last
// one of a run or the tuner's pass (its simulated signals too).
enum class PassIn { kContinuousRun, kLastOfRun, kTunerPass };

// Hands a completed pass over to doc: its simulated signals unless a
// continuous run goes on, its record, then its identification. False when a
// hand-over could not be queued within giveUpMs: the run must end.
bool HandOverPass(CQorexDoc* doc, PassIn pass, DWORD giveUpMs) {
  const DWORD pollMs = pass == PassIn::kTunerPass ? kPassHandOverPollMs : kHandOverPollMs;
  if (pass != PassIn::kContinuousRun && !HandOver(WM_QX_TRANSFERSIM, doc, pollMs, giveUpMs))
    return false;
  if (!HandOver(WM_QX_PUSHUGY, doc, pollMs, giveUpMs)) return false;
  if (pass == PassIn::kContinuousRun && (g_wStatus.load() & kStatusFindGPending)) {
    WaitWhileStatus(kStatusFindGPending, kFindGPollMs);
    return true;
  }
  if (!(g_wStatus.load() & kStatusFindGAfterPass)) return true;
  PostFindG(giveUpMs);
  if (pass == PassIn::kTunerPass) WaitWhileStatus(kStatusFindGPending, kFindGPollMs);
  return true;
}

// The period in ms, truncated, or 0 when it lies outside 1 .. 30000 ms (the
// check is made before the conversion, so no sampling time overflows it).
DWORD PeriodMs(double ts) {
  const double ms = std::trunc(ts * 1000.0);
  return ms >= 1.0 && ms <= 30000.0 ? static_cast<DWORD>(ms) : 0;
}

// Sample k of a run with period ms: the step, the slice repaint every third
// sample or every sample of a period above 50 ms, the watch over the peer,
// and a sleep for the rest of the period. Unsigned: a sample that overran its
// period leaves more than ms, and no sleep. False when the peer is gone: the
// run ends at once.
bool PacedSample(CSIMsystem* sys, int k, DWORD ms) {
  const DWORD t0 = GetTickCount();
  sys->RealtimeStep(k);
  if (k % 3 == 0 || ms > 50) PostUnlessStopped(WM_QX_INVALIDATESLICE, static_cast<WPARAM>(k));
  const DWORD t1 = GetTickCount();
  if (g_pAnalogIo->PeerGone(t1)) return false;
  const DWORD rest = ms - (t1 - t0);
  if (rest != 0 && rest <= ms) SleepUnless(rest, StopRequested);
  return true;
}

// How a run that ran samples ended with its peer: lost when the peer went
// during it, or when a pass that ran to its end found the board gone in its
// last sample and its closing write alike; an emulated run that no input
// reached is said to be one.
QxRunEndKind PeerEnd(const CDT2801* io, bool peerWent, bool ranToItsEnd) {
  if (peerWent || (ranToItsEnd && !io->PeerAtEnd()))
    return io->m_bEmulate ? kRunLostCompanion : kRunLostBoard;
  return io->m_bEmulate && !io->InputArrived() ? kRunWithoutInput : kRunEndedNormally;
}

// Whether a pass holds what the process gave: the board is read, or the
// emulation had an answer. Readings nobody sent are no run to keep.
bool Measured(const CDT2801* io) {
  return !io->m_bEmulate || io->InputArrived();
}

// Replaces every bound design variable below node (node included) by a
// number holding its signed value; returns what stands in node's place.
CMcBasic* FreezeVariables(CMcBasic* node, const CQorexDoc* doc) {
  if (McIsKind(node, kMcVariable)) {
    const auto* var = static_cast<const CMcVariable*>(node);
    if (var->IsTimeVariable() || var->m_index == CMcVariable::kUnbound ||
        var->m_index >= doc->m_vars.m_nCount)
      return node;
    McComplex value;
    var->Evaluate(&value, const_cast<CQorexDoc*>(doc), nullptr);
    CMcBasic* number = new CMcReal(std::fabs(value.re), std::signbit(value.re) ? 1 : 0);
    delete node;
    return number;
  }
  for (int i = 0; i < node->m_count; ++i) {
    CMcBasic* child = node->m_children[i];
    CMcBasic* frozen = FreezeVariables(child, doc);
    if (frozen != child) node->SetChildAt(frozen, i);
  }
  return node;
}

CMcBasic* FrozenCopy(const CMcBasic* side, const CQorexDoc* doc) {
  return side != nullptr ? FreezeVariables(side->Clone(), doc) : nullptr;
}

}  // namespace

// ---- the worker's own data -----------------------------------------------------

void CSIMsystem::TakeRealtimeSides(const CQorexDoc* doc) {
  if (doc == nullptr) return;
  m_pRealtimeU.reset(FrozenCopy(doc->m_signals.RightSideAt(kSigUProc), doc));
  m_pRealtimeY.reset(FrozenCopy(doc->m_signals.RightSideAt(kSigYProc), doc));
}

bool CSIMsystem::SoundForRealtime() const {
  return m_nError == kSimOk && m_nSteps >= 1 && ShapesAgree(true);
}

void CSIMsystem::ZeroProcessInputs() {
  CDT2801* io = g_pAnalogIo;
  io->BeginClosing();
  int rows = kAllOutputs;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    if (SoundForRealtime()) rows = m_uv.m_nRows;
  }
  // Written outside the lock: a silent board keeps the closing write waiting
  // its reply timeout, and the signal panes paint under the lock meanwhile.
  // Writes the board did not take go again, all of them, while it may still
  // take them.
  do {
    for (int ch = 0; ch < rows && ch < 256; ++ch) io->WriteDAC(static_cast<BYTE>(ch), 0.0);
  } while (io->RetryClosing());
  io->BroadcastDAC();
}

// ---- start and stop (user-interface thread) ------------------------------------------

void CSIMsystem::StartRealtime(CQorexDoc* doc, double Ts, double Tf) {
  StartWorker(doc, RealtimeThread, this, [&](unsigned worker) {
    s_uiThread = GetCurrentThreadId();
    // Times that give no run leave Setup in the bad-times state, which the
    // worker refuses.
    SetRunTimes(Ts, Tf);
    Setup(doc);
    for (int t = 0; t < m_nSteps; ++t) SimulateStep(t);
    ResetStates();
    m_nRealtimeRun = worker;
    return true;
  });
}

bool CSIMsystem::StopRealtime() {
  return StopWorkerAndWait();
}

CWinThread* CSIMsystem::ContinueRealtime(CQorexDoc* doc, bool laterPass) {
  // The sampling time stays as the document's set-up left it: the caller's
  // thread does not read the document, which its user may be editing.
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    m_nSteps = m_c.m_nColumns;
    m_nLiveSamples = 0;  // the pass simulates nothing first
  }
  m_passReport = {};
  m_bLaterPass = laterPass;
  CWinThread* pass = nullptr;
  // A stop asked for before the pass began stays asked: the pass never
  // brings the driven document back.
  if (doc != nullptr && g_pSimDoc.load() == doc)
    pass =
        AfxBeginThread(RealtimeThreadContinue, this, THREAD_PRIORITY_HIGHEST, 0, CREATE_SUSPENDED);
  if (pass == nullptr) {
    AnswerWorker(kStatusTunerPassRunning);
    return nullptr;
  }
  pass->m_bAutoDelete = FALSE;
  pass->ResumeThread();
  return pass;
}

// ---- one sample (worker) ----------------------------------------------------------

void CSIMsystem::RealtimeStep(int k) {
  CDT2801* io = g_pAnalogIo;
  io->Latch();
  // The device is read and written outside g_pcsSimulation, which guards
  // only the signals: the panes paint the live samples under it, and must
  // never wait for a board that is slow to answer.
  constexpr int kChannels = 256;
  std::array<double, kChannels> readings;
  std::array<double, kChannels> sent;
  const auto sound = [this, k] {
    return m_nError == kSimOk && k >= 0 && k < m_c.m_nColumns && ShapesAgree(true);
  };
  int inputs = 0;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    if (sound()) inputs = std::min(m_y.m_nRows, kChannels);
  }
  for (int ch = 0; ch < inputs; ++ch) readings[ch] = io->ReadADC(static_cast<BYTE>(ch));
  int outputs = kAllOutputs;
  {
    QxCriticalSectionLock lock(g_pcsSimulation);
    // Inside the lock: a hand-over's Setup resets the step.
    m_nStep = k;
    // A pass begins in the loop's present shape.
    if (k == 0) m_nShapeFrom = 0;
    // A hand-over may have changed the loop since the readings were taken.
    if (!sound() || std::min(m_y.m_nRows, kChannels) != inputs) {
      // Nothing sound to compute: the process gets 0 V until the next
      // hand-over.
      std::fill(sent.begin(), sent.begin() + kAllOutputs, 0.0);
    } else {
      const double h = m_dTs;
      m_P.Step(m_c, m_r, k, h);
      for (int ch = 0; ch < m_y.m_nRows; ++ch)
        m_y.At(ch, k) = readings[std::min(ch, kChannels - 1)];
      m_yd.EvaluateSide(m_pRealtimeY.get(), nullptr, this);
      m_yd.Add(m_yd, m_d, k);
      m_L.Step(m_yd, m_z, k, h);
      m_zn.Add(m_z, m_n, k);
      m_F.Step(m_zn, m_w, k, h);
      m_e.Subtract(m_r, m_w, k);
      m_K.Step(m_e, m_u, k, h);
      m_uv.Copy(m_u, k);
      m_uv.EvaluateSide(m_pRealtimeU.get(), nullptr, this);
      m_uv.Clamp(m_uMin, m_uMax, k);
      m_uv.Add(m_uv, m_v, k);
      outputs = std::min(m_uv.m_nRows, kChannels);
      for (int ch = 0; ch < outputs; ++ch) sent[ch] = m_uv.At(ch, k);
      if (m_nLiveSamples.load() == k) m_nLiveSamples = k + 1;
    }
  }
  for (int ch = 0; ch < outputs; ++ch) io->WriteDAC(static_cast<BYTE>(ch), sent[ch]);
  io->BroadcastDAC();
}

// ---- the workers --------------------------------------------------------------------

const char* CSIMsystem::NoRunText(double ts, double tf) {
  if (JudgeRunTimes(ts, tf).verdict == SIMtimes::kRun) return nullptr;
  return PeriodMs(ts) == 0 ? kRealtimePeriodText : kRealtimeUnsoundText;
}

int CSIMsystem::PassSetUp(DWORD* ms, int* n) const {
  QxCriticalSectionLock lock(g_pcsSimulation);
  *ms = PeriodMs(m_dTs);
  *n = m_nSteps;
  if (*ms == 0) return kPassPeriodRefused;
  return SoundForRealtime() ? kPassRan : kPassSystemRefused;
}

QxRunEndKind CSIMsystem::RunPaced(int n, DWORD ms, bool tunerPass, int* samples) {
  CDT2801* io = g_pAnalogIo;
  const auto continuous = [tunerPass] {
    return !tunerPass && (g_wStatus.load() & kStatusRealtimeLoop) != 0;
  };
  // A hand-over the queue does not take within the loss bound ends the run
  // as a lost peer would: the process is not left on held outputs.
  const DWORD giveUpMs = CDT2801::LossBound(ms);
  int k = 0;
  bool peerWent = false;
  bool handOverLost = false;
  while (!peerWent && !StopRequested() && (k < n || continuous())) {
    if (k >= n) {
      // A continuous pass has completed: store it and go on with the block
      // states as they are; unless its board went silent at its end, and
      // has not come back.
      if (!io->PassEndReached()) {
        peerWent = true;
        break;
      }
      if (Measured(io) && !HandOverPass(g_pSimDoc.load(), PassIn::kContinuousRun, giveUpMs)) {
        handOverLost = true;
        break;
      }
      if (StopRequested()) break;
      k = 0;
    }
    peerWent = !PacedSample(this, k++, ms);
  }
  ZeroProcessInputs();
  *samples = k;
  if (handOverLost) return kRunHandOverLost;
  const QxRunEndKind end = PeerEnd(io, peerWent, !peerWent && !StopRequested() && k == n);
  // A pass that ended without its peer, or that no input reached, holds
  // readings the process never gave: it is neither stored nor identified.
  if (CQorexDoc* doc = g_pSimDoc.load();
      doc != nullptr && k == n && end == kRunEndedNormally &&
      !HandOverPass(doc, tunerPass ? PassIn::kTunerPass : PassIn::kLastOfRun, giveUpMs))
    return kRunHandOverLost;
  return end;
}

UINT CSIMsystem::RealtimeThread(LPVOID param) {
  auto* sys = static_cast<CSIMsystem*>(param);
  CDT2801* io = g_pAnalogIo;
  io->ResetCallCounts();
  // Fixed before the worker started: the hand-overs keep both.
  DWORD ms = 0;
  int n = 0;
  const int refused = sys->PassSetUp(&ms, &n);
  UINT result = 1;
  QxWorkerEnd end;
  if (refused != kPassRan) {
    end.refusal = refused == kPassPeriodRefused ? kRealtimePeriodText : kRealtimeUnsoundText;
    sys->ZeroProcessInputs();
    result = 0;
  } else if (!io->BeginRun(ms)) {
    // The board's driver does not answer: the run is refused, and the
    // program stays on the board.
    sys->ZeroProcessInputs();
    end.end.kind = kRunLostBoard;
    result = 0;
  } else {
    io->ZeroOutputs(ms);
    int samples = 0;
    end.end.kind = sys->RunPaced(n, ms, false, &samples);
    if (end.end.kind == kRunWithoutInput && samples == 0)
      end.end.kind = kRunEndedNormally;  // stopped before a sample
    end.calls = io->Calls();
    end.failedWrites = io->FailedWrites();
    end.failedReads = io->FailedCalls() - end.failedWrites;
  }
  end.end.outputsDriven = io->OutputsMayBeDriven();
  // The run spot and the signal panes are repainted on their own thread, and
  // the end said there, or by a wait for this worker that came first. The
  // system is no longer touched once the worker is cleared: StopRealtime
  // may return, and the application delete it.
  FinishWorker(UiThread(), WM_QX_RUNENDED, end);
  return result;
}

UINT CSIMsystem::RealtimeThreadContinue(LPVOID param) {
  auto* sys = static_cast<CSIMsystem*>(param);
  CDT2801* io = g_pAnalogIo;
  io->ResetCallCounts();
  // Read under the lock: a recalculation of the driven document may hand
  // the system a new set-up meanwhile.
  DWORD ms = 0;
  int n = 0;
  PassReport& report = sys->m_passReport;
  report.refused = sys->PassSetUp(&ms, &n);
  if (report.refused == kPassPeriodRefused) {
    // The period is the design's, whatever the candidate: no pass of this
    // tuning could run. Said once with the tuning's end, and the stop
    // request ends the tuning.
    report.refusal = kRealtimePeriodText;
    sys->ZeroProcessInputs();
    RequestStop(WakeWaiters::kNo);
    AnswerWorker(kStatusTunerPassRunning);
    return 0;
  }
  if (report.refused != kPassRan) {
    // A candidate the loop cannot run: the process is not touched (every run
    // and pass ends it at 0 V), and the tuner scores it and goes on.
    AnswerWorker(kStatusTunerPassRunning);
    return 0;
  }
  if (!io->BeginRun(ms, sys->m_bLaterPass)) {
    // The board's driver does not answer: the tuner says so once it has
    // ended, and this stops it.
    report.end = kRunLostBoard;
    sys->ZeroProcessInputs();
    RequestStop(WakeWaiters::kNo);
    AnswerWorker(kStatusTunerPassRunning);
    return 0;
  }
  int samples = 0;
  report.end = sys->RunPaced(n, ms, true, &samples);
  report.calls = io->Calls();
  report.failedCalls = io->FailedCalls();
  report.failedWrites = io->FailedWrites();
  // A lost peer ends the tuning run: the stop request.
  if (RunEndIsLoss(report.end)) RequestStop(WakeWaiters::kNo);
  AnswerWorker(kStatusTunerPassRunning);
  return 1;
}
