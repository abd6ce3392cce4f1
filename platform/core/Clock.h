#pragma once
// Sleep and GetTickCount go through one replaceable clock, so tests can run
// time-driven code (pacing, polling loops) instantly and deterministically.
#include "platform/core/Types.h"

#include <atomic>
#include <functional>

class QxClock {
 public:
  virtual ~QxClock() = default;
  // Milliseconds, wrapping at 2^32 like the framework's tick count.
  virtual DWORD TickCount() = 0;
  virtual void Sleep(DWORD ms) = 0;
  // Sleeps up to ms, ending early once stop() holds; stop is tested before
  // the sleep and after every QxWakeSleepers. The default tests it once and
  // then sleeps the whole time.
  virtual void SleepUnless(DWORD ms, const std::function<bool()>& stop);
  // Makes the sleeps of SleepUnless test their condition again now.
  virtual void Wake() {}
};

// Installs a clock (null restores the system clock) and returns the previous
// one, or null when that was the system clock. The caller keeps ownership and
// must keep the clock alive while it is installed.
QxClock* QxSetClock(QxClock* clock);
// The system's own clock, for a clock that watches it and passes the calls on.
QxClock& QxSystemClock();

// A clock that stands still until told: Sleep advances it by the time asked
// (and yields the thread, so polling loops let others run). Thread-safe.
class QxManualClock : public QxClock {
 public:
  explicit QxManualClock(DWORD start = 0) : m_now(start) {}
  DWORD TickCount() override { return m_now.load(); }
  void Sleep(DWORD ms) override;
  void Advance(DWORD ms) { m_now.fetch_add(ms); }
  void Set(DWORD now) { m_now.store(now); }
  // Milliseconds slept through this clock so far.
  ULONGLONG TotalSlept() const { return m_slept.load(); }

 private:
  std::atomic<DWORD> m_now;
  std::atomic<ULONGLONG> m_slept{0};
};

// Milliseconds since an arbitrary start, wrapping after about 49.7 days.
DWORD GetTickCount();
void Sleep(DWORD ms);
// A sleep that a request can cut short: up to ms on the current clock, ended
// early once stop() holds. Whoever makes stop() hold calls QxWakeSleepers.
void SleepUnless(DWORD ms, const std::function<bool()>& stop);
void QxWakeSleepers();
