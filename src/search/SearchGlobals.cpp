#include "search/SearchGlobals.h"

#include "platform/core/Clock.h"
#include "simulation/SIMsystem.h"

std::atomic<WORD> g_wStatus{0};
CKFinder* g_pKFinder = nullptr;

void RequestStop(WakeWaiters wake) {
  g_pSimDoc = nullptr;
  if (wake == WakeWaiters::kYes) QxWakeSleepers();
}

bool StopRequested() {
  return g_pSimDoc.load() == nullptr;
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
