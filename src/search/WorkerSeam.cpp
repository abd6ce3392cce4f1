#include "search/WorkerSeam.h"

#include "QorexDoc.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/RealtimeTexts.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

std::atomic<CWinThread*> g_pWorkerThread{nullptr};

namespace {

// The one poll of the user-interface thread's wait for a worker: every stop
// and end wakes it sooner.
constexpr DWORD kStopPollMs = 20;
// How long an end message the full queue refuses is tried again.
constexpr DWORD kLastPostMs = 10000;

// Workers numbered as they start; the one running (or last run); the last
// whose end message is posted (or given up).
std::atomic<unsigned> s_workersStarted{0};
std::atomic<unsigned> s_endsPosted{0};

// The end slot: the end of the worker that ended last, until taken.
std::mutex s_endLock;
std::optional<QxWorkerEnd> s_end;

std::mutex s_hookLock;
std::function<void(const QxWorkerEnd&)> s_teller;
std::function<void()> s_beforeLastPost;

// User-interface thread only.
std::vector<CQorexDoc*> s_keptDesigns;

}  // namespace

// ---- start ----------------------------------------------------------------------------

unsigned StartWorker(CQorexDoc* doc, AFX_THREADPROC proc, LPVOID param,
                     const std::function<bool(unsigned worker)>& prepare) {
  // No worker starts beside one that has not ended.
  if (!StopWorkerAndWait() || doc == nullptr) return 0;
  const unsigned number = s_workersStarted.load() + 1;
  if (!prepare(number)) return 0;
  CWinThread* worker = AfxBeginThread(proc, param, THREAD_PRIORITY_HIGHEST, 0, CREATE_SUSPENDED);
  if (worker == nullptr) return 0;
  s_workersStarted = number;
  // Both are set before the worker runs: one that ends at once clears them.
  g_pSimDoc = doc;
  g_pWorkerThread = worker;
  worker->ResumeThread();
  return number;
}

// ---- stop -----------------------------------------------------------------------------

void RequestStop(WakeWaiters wake) {
  g_pSimDoc = nullptr;
  if (wake == WakeWaiters::kYes) QxWakeSleepers();
}

bool StopRequested() {
  return g_pSimDoc.load() == nullptr;
}

bool StopWorkerAndWait(SayWorkerEnd say) {
  CDT2801* io = g_pAnalogIo;
  {
    CDT2801::EndWait wait(io);
    RequestStop();
    const auto ended = [] { return WorkerEndPosted(); };
    // Bounded in real time: a replaced clock (the tests') may run ahead of
    // the worker or stand still. Without the analog unit (the application
    // is going) a worker still gets the emulation's bound to end in.
    constexpr DWORD kWithoutUnitMs = 2000;
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(io != nullptr ? io->EndBound() : kWithoutUnitMs);
    while (!ended() && std::chrono::steady_clock::now() < limit) SleepUnless(kStopPollMs, ended);
    if (!ended()) {
      if (say == SayWorkerEnd::kSay)
        MessageBox(nullptr, kRealtimeNotEndedText, kRealtimeCaption, MB_OK);
      return false;
    }
  }
  FreeDesignsKeptForWorker();
  // The end is said before whatever waited goes on: a program that quits
  // delivers no message after.
  std::unique_ptr<QxWorkerEnd> end = TakeWorkerEnd(0);
  if (end && say == SayWorkerEnd::kSay) TellWorkerEnd(*end);
  return true;
}

// ---- end ------------------------------------------------------------------------------

void FinishWorker(DWORD uiThread, UINT message, QxWorkerEnd end) {
  end.worker = s_workersStarted.load();
  {
    std::lock_guard guard(s_endLock);
    s_end = end;
  }
  // The handler's recalculation never sees a driven document.
  RequestStop(WakeWaiters::kNo);
  g_pWorkerThread = nullptr;
  QxWakeSleepers();
  std::function<void()> hook;
  {
    std::lock_guard guard(s_hookLock);
    hook = s_beforeLastPost;
  }
  if (hook) hook();
  // A user-interface thread that waits for this worker waits for this first
  // attempt too, so that nothing of the worker is left once it goes on (the
  // program may end). Through a full queue it does not wait for the retries:
  // it takes no messages meanwhile, and finds the end in the slot.
  const WPARAM number = end.worker;
  const LPARAM how = QxRunEndParam(end.end);
  const bool queued = PostToUi(uiThread, message, number, how, [] { return false; });
  s_endsPosted = end.worker;
  QxWakeSleepers();
  if (!queued) PostToUi(uiThread, message, number, how, RetryFor(kLastPostMs, false));
}

bool WorkerEndPosted() {
  return g_pWorkerThread.load() == nullptr && s_endsPosted.load() >= s_workersStarted.load();
}

std::unique_ptr<QxWorkerEnd> TakeWorkerEnd(unsigned worker) {
  std::lock_guard guard(s_endLock);
  if (!s_end || (worker != 0 && s_end->worker != worker)) return nullptr;
  auto taken = std::make_unique<QxWorkerEnd>(*s_end);
  s_end.reset();
  return taken;
}

bool WorkerEndUntold() {
  std::lock_guard guard(s_endLock);
  return s_end.has_value();
}

void TellWorkerEnd(const QxWorkerEnd& end) {
  std::function<void(const QxWorkerEnd&)> teller;
  {
    std::lock_guard guard(s_hookLock);
    teller = s_teller;
  }
  if (teller) {
    teller(end);
    return;
  }
  const std::string text = WorkerEndBoxText(end);
  if (!text.empty()) MessageBox(nullptr, text.c_str(), kRealtimeCaption, MB_OK);
}

void SetWorkerEndTeller(std::function<void(const QxWorkerEnd&)> teller) {
  std::lock_guard guard(s_hookLock);
  s_teller = std::move(teller);
}

// ---- designs kept for a worker --------------------------------------------------------

void KeepDesignUntilWorkerEnds(CQorexDoc* doc) {
  if (doc != nullptr && !DesignKeptForWorker(doc)) s_keptDesigns.push_back(doc);
}

void FreeDesignsKeptForWorker() {
  if (s_keptDesigns.empty() || g_pWorkerThread.load() != nullptr) return;
  std::vector<CQorexDoc*> kept;
  kept.swap(s_keptDesigns);
  for (CQorexDoc* doc : kept) delete doc;
}

bool DesignKeptForWorker(const CQorexDoc* doc) {
  return std::find(s_keptDesigns.begin(), s_keptDesigns.end(), doc) != s_keptDesigns.end();
}

// ---- for tests ------------------------------------------------------------------------

void SetBeforeLastPostForTest(std::function<void()> hook) {
  std::lock_guard guard(s_hookLock);
  s_beforeLastPost = std::move(hook);
}
