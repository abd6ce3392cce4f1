#include "platform/core/Clock.h"

#include <chrono>
#include <thread>

namespace {

class SystemClock : public QxClock {
 public:
  DWORD TickCount() override {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(static_cast<ULONGLONG>(ms));
  }
  void Sleep(DWORD ms) override {
    if (ms == 0)
      std::this_thread::yield();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

SystemClock g_systemClock;
std::atomic<QxClock*> g_clock{nullptr};

QxClock& CurrentClock() {
  QxClock* clock = g_clock.load();
  return clock ? *clock : g_systemClock;
}

}  // namespace

QxClock* QxSetClock(QxClock* clock) {
  return g_clock.exchange(clock);
}

void QxManualClock::Sleep(DWORD ms) {
  m_now.fetch_add(ms);
  m_slept.fetch_add(ms);
  std::this_thread::yield();
}

DWORD GetTickCount() {
  return CurrentClock().TickCount();
}

void Sleep(DWORD ms) {
  CurrentClock().Sleep(ms);
}
