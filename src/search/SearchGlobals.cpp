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

std::function<bool()> RetryFor(DWORD ms, bool endOnStop) {
  const DWORD start = GetTickCount();
  return [start, ms, endOnStop] {
    return !(endOnStop && StopRequested()) && GetTickCount() - start < ms;
  };
}
