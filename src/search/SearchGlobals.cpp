#include "search/SearchGlobals.h"

#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/RealtimeTexts.h"
#include "simulation/SIMsystem.h"

#include <chrono>

std::atomic<WORD> g_wStatus{0};
CKFinder* g_pKFinder = nullptr;

void RequestStop(WakeWaiters wake) {
  g_pSimDoc = nullptr;
  if (wake == WakeWaiters::kYes) QxWakeSleepers();
}

bool StopRequested() {
  return g_pSimDoc.load() == nullptr;
}

bool StopWorkerAndWait(DWORD pollMs, SayOutputsDriven say) {
  CDT2801* io = g_pAnalogIo;
  CDT2801::EndWait wait(io);
  RequestStop();
  const auto ended = [] { return g_pWorkerThread.load() == nullptr; };
  // Bounded in real time: a replaced clock (the tests') may run ahead of
  // the worker or stand still.
  // Without the analog unit (the application is going) a worker still gets
  // the emulation's bound to end in.
  constexpr DWORD kWithoutUnitMs = 2000;
  const auto limit = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(io != nullptr ? io->EndBound() : kWithoutUnitMs);
  while (!ended() && std::chrono::steady_clock::now() < limit) SleepUnless(pollMs, ended);
  if (!ended()) return false;
  if (say == SayOutputsDriven::kSay && wait.OutputsLeftDriven())
    MessageBox(nullptr, kRealtimeOutputsDrivenText, kRealtimeCaption, MB_OK);
  return true;
}

void RequestAnswer(WORD bits) {
  g_wStatus.fetch_or(bits);
}

void AnswerWorker(WORD bits, WakeWaiters wake) {
  g_wStatus.fetch_and(static_cast<WORD>(~bits));
  if (wake == WakeWaiters::kYes) QxWakeSleepers();
}

void WaitWhileStatus(WORD bits, DWORD pollMs) {
  const auto over = [bits] { return (g_wStatus.load() & bits) == 0 || StopRequested(); };
  while (!over()) SleepUnless(pollMs, over);
}

bool PostToUi(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam,
              const std::function<bool()>& keepTrying) {
  constexpr DWORD kRetryMs = 10;
  // A queue drained between the refusal and the look at it gets one more
  // try at once.
  bool triedAgain = false;
  for (;;) {
    if (PostThreadMessage(thread, message, wParam, lParam)) return true;
    if (!qxui::QueueFull()) {
      if (triedAgain) return false;
      triedAgain = true;
      continue;
    }
    triedAgain = false;
    if (!keepTrying()) return false;
    SleepUnless(kRetryMs, [&keepTrying] { return !keepTrying(); });
  }
}

void PostLastMessage(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam,
                     const std::function<void()>& clearWorker) {
  constexpr DWORD kLastPostMs = 10000;
  const bool queued = PostToUi(thread, message, wParam, lParam, [] { return false; });
  clearWorker();
  QxWakeSleepers();
  if (!queued) PostToUi(thread, message, wParam, lParam, RetryFor(kLastPostMs, false));
}

std::function<bool()> RetryFor(DWORD ms, bool endOnStop) {
  const DWORD start = GetTickCount();
  return [start, ms, endOnStop] {
    return !(endOnStop && StopRequested()) && GetTickCount() - start < ms;
  };
}
