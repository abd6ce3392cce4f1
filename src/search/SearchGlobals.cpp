#include "search/SearchGlobals.h"

#include "platform/core/Clock.h"
#include "simulation/SIMsystem.h"

std::atomic<WORD> g_wStatus{0};
CKFinder* g_pKFinder = nullptr;

bool StopRequested() {
  return g_pSimDoc.load() == nullptr;
}

void WaitWhileStatus(WORD bits, DWORD pollMs) {
  const auto over = [bits] { return (g_wStatus.load() & bits) == 0 || StopRequested(); };
  while (!over()) SleepUnless(pollMs, over);
}
