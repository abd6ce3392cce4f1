#pragma once
// A process's own record of being held up: a thread that wakes on a period
// of the monotonic clock and tells, for each wake, how late it came and how
// much of that lateness it spent waiting for a processor (its run delay).
// Lateness it did not spend waiting for a processor is time the whole
// process was stopped (SIGSTOP) or frozen. The test peers note each wake
// more than 100 ms late, so that a test that finds their answers late can
// tell a held-up peer from a late program; the tests' own meter
// (tests/support/HoldUps.h) reads the same wakes.
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace qxtool {

// The nanoseconds thread `tid` of process `pid` (0: this process) has spent
// runnable but waiting for a processor, from the scheduler's own count
// (second field of /proc/PID/task/TID/schedstat); -1 when it cannot be read
// (the thread has gone).
inline long long RunDelayNs(long tid, long pid = 0) {
  const std::string path = (pid == 0 ? std::string("/proc/self") : "/proc/" + std::to_string(pid)) +
                           "/task/" + std::to_string(tid) + "/schedstat";
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return -1;
  unsigned long long ran = 0, waited = 0;
  const bool read = std::fscanf(file, "%llu %llu", &ran, &waited) == 2;
  std::fclose(file);
  return read ? static_cast<long long>(waited) : -1;
}

class StallWatch {
 public:
  struct Wake {
    long long lateUs = 0;    // past the period since the previous wake
    long long waitedUs = 0;  // of that, runnable and waiting for a processor
    // Late without waiting for a processor: the process was stopped.
    long long StoppedUs() const { return lateUs > waitedUs ? lateUs - waitedUs : 0; }
  };
  // onWake is called on the watcher's thread after every wake.
  StallWatch(std::chrono::microseconds period, std::function<void(const Wake&)> onWake)
      : m_period(period), m_onWake(std::move(onWake)), m_thread([this] { Run(); }) {}
  // The peers' record: note(ms) with how late each wake more than 100 ms
  // late came, on a period of 10 ms.
  explicit StallWatch(std::function<void(long long)> note)
      : StallWatch(std::chrono::milliseconds(10), [note = std::move(note)](const Wake& wake) {
          if (wake.lateUs > kLateMs * 1000) note(wake.lateUs / 1000);
        }) {}
  ~StallWatch() {
    m_stop = true;
    m_thread.join();
  }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

  // The watcher's own thread, which a meter leaves out of what it counts.
  long ThreadId() const { return m_tid.load(); }

 private:
  static constexpr long long kLateMs = 100;

  void Run() {
    m_tid = static_cast<long>(gettid());
    auto last = std::chrono::steady_clock::now();
    long long delay = RunDelayNs(m_tid);
    while (!m_stop) {
      std::this_thread::sleep_for(m_period);
      const auto now = std::chrono::steady_clock::now();
      const long long nowDelay = RunDelayNs(m_tid);
      Wake wake;
      wake.lateUs =
          std::chrono::duration_cast<std::chrono::microseconds>(now - last - m_period).count();
      if (delay >= 0 && nowDelay >= delay) wake.waitedUs = (nowDelay - delay) / 1000;
      m_onWake(wake);
      last = now;
      delay = nowDelay;
    }
  }

  std::chrono::microseconds m_period;
  std::function<void(const Wake&)> m_onWake;
  std::atomic<long> m_tid{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;  // last: it starts once the rest is there
};

}  // namespace qxtool
