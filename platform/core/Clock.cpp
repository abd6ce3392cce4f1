#include "platform/core/Clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
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
  void SleepUnless(DWORD ms, const std::function<bool()>& stop) override {
    // The waker takes the lock before it notifies, so a condition that turns
    // true between the test and the wait is not missed.
    std::unique_lock guard(m_lock);
    m_wake.wait_for(guard, std::chrono::milliseconds(ms), [&] { return stop(); });
  }
  void Wake() override {
    { std::lock_guard guard(m_lock); }
    m_wake.notify_all();
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
};

// Never destroyed: a detached worker may still wake the sleepers while the
// program's statics are being destroyed.
SystemClock& TheSystemClock() {
  static SystemClock* clock = new SystemClock;
  return *clock;
}
std::atomic<QxClock*> g_clock{nullptr};

QxClock& CurrentClock() {
  QxClock* clock = g_clock.load();
  return clock ? *clock : TheSystemClock();
}

}  // namespace

QxClock& QxSystemClock() {
  return TheSystemClock();
}

void QxClock::SleepUnless(DWORD ms, const std::function<bool()>& stop) {
  if (!stop()) Sleep(ms);
}

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

void SleepUnless(DWORD ms, const std::function<bool()>& stop) {
  CurrentClock().SleepUnless(ms, stop);
}

void QxWakeSleepers() {
  CurrentClock().Wake();
}
