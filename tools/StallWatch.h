#pragma once
// A test peer's own record of being held up: a thread that wakes every
// 10 ms on the monotonic clock and notes each wake that came more than
// 100 ms late, as when the process was stopped (SIGSTOP) or left
// unscheduled. A test that finds the peer's answers late can then tell a
// held-up peer from a late program.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace qxtool {

class StallWatch {
 public:
  // note(ms) is called on the watcher's thread with how late the wake was.
  explicit StallWatch(std::function<void(long long)> note)
      : m_note(std::move(note)), m_thread([this] { Run(); }) {}
  ~StallWatch() {
    m_stop = true;
    m_thread.join();
  }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

 private:
  static constexpr auto kPeriod = std::chrono::milliseconds(10);
  static constexpr long long kLateMs = 100;

  void Run() {
    auto last = std::chrono::steady_clock::now();
    while (!m_stop) {
      std::this_thread::sleep_for(kPeriod);
      const auto now = std::chrono::steady_clock::now();
      const long long late =
          std::chrono::duration_cast<std::chrono::milliseconds>(now - last - kPeriod).count();
      if (late > kLateMs) m_note(late);
      last = now;
    }
  }

  std::function<void(long long)> m_note;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;  // last: it starts once the rest is there
};

}  // namespace qxtool
