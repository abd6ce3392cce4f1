#pragma once
// What held a run up from outside the program, and the period check that
// judges a run net of it. A run is held up only on outside evidence: this
// process stopped, or the threads of the run (the user-interface thread and
// every thread started since the test began: the worker, a tuner's pass,
// the bus's reader) and the test peers' threads waiting for a processor
// (their run delay, which the scheduler counts). The program's own sleeps,
// locks and work are not evidence: a late program must fail.
#include "tools/StallWatch.h"

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qxtest {

// Microseconds of the monotonic clock (the one GetTickCount reads in ms).
inline long long SteadyUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The ids of the tasks of a process (0: this one), or the child processes
// its tasks started.
inline std::vector<long> ListOf(long pid, const char* what) {
  std::vector<long> found;
  const std::string tasks =
      (pid == 0 ? std::string("/proc/self") : "/proc/" + std::to_string(pid)) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return found;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    if (std::string(what) == "task") {
      found.push_back(std::atol(entry->d_name));
      continue;
    }
    std::FILE* file = std::fopen((tasks + "/" + entry->d_name + "/children").c_str(), "r");
    if (!file) continue;
    for (long child = 0; std::fscanf(file, "%ld", &child) == 1;) found.push_back(child);
    std::fclose(file);
  }
  closedir(dir);
  return found;
}

// The threads of this process that are not the run's: those there when the
// test began, but for the user-interface thread. Set by the fixture.
struct TestThreads {
  static TestThreads& Now() {
    static TestThreads threads;
    return threads;
  }
  // Called on the user-interface thread as a test begins.
  void Begin() {
    std::lock_guard guard(lock);
    ui = static_cast<long>(gettid());
    before.clear();
    for (const long tid : ListOf(0, "task"))
      if (tid != ui) before.insert(tid);
  }
  bool Counted(long tid) {
    std::lock_guard guard(lock);
    return before.count(tid) == 0;
  }
  std::mutex lock;
  long ui = 0;
  std::set<long> before;
};

// The outside hold-ups a meter saw, as a sum that only grows, sampled on
// the monotonic clock. Kept after the meter ends, for the judging.
class HoldUpTimeline {
 public:
  // The outside hold-up between two instants (SteadyUs), widened to the
  // samples around them.
  long long HeldUsBetween(long long fromUs, long long toUs) const {
    std::lock_guard guard(m_lock);
    if (m_samples.empty() || toUs <= fromUs) return 0;
    auto after = std::lower_bound(m_samples.begin(), m_samples.end(), toUs,
                                  [](const Sample& s, long long us) { return s.us < us; });
    const long long to = after == m_samples.end() ? m_samples.back().held : after->held;
    auto before = std::upper_bound(m_samples.begin(), m_samples.end(), fromUs,
                                   [](long long us, const Sample& s) { return us < s.us; });
    const long long from = before == m_samples.begin() ? 0 : std::prev(before)->held;
    return to - from;
  }
  // All of it so far.
  long long HeldUs() const {
    std::lock_guard guard(m_lock);
    return m_samples.empty() ? 0 : m_samples.back().held;
  }
  // The most one task of the run or a peer was held up (or this process
  // stopped) within any stretch of `windowUs`; small waits of many tasks
  // do not add up to one long one here.
  long long MostHeldWithinUs(long long windowUs) const {
    std::lock_guard guard(m_lock);
    long long most = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
      while (m_samples[i].us - m_samples[from].us > windowUs) ++from;
      const long long base = from == 0 ? 0 : m_samples[from - 1].peak;
      most = std::max(most, m_samples[i].peak - base);
    }
    return most;
  }
  // How many times this process was stopped for 100 ms or more.
  int Stops() const {
    std::lock_guard guard(m_lock);
    return m_stops;
  }
  std::string Said() const {
    std::lock_guard guard(m_lock);
    return "the run's threads and peers waited " + std::to_string(m_waitedUs / 1000) +
           " ms for a processor, this process was stopped " + std::to_string(m_stoppedUs / 1000) +
           " ms";
  }

  // Made-up hold-ups, for the check's own test: `heldUs` held in all
  // between the two instants.
  void AddHeld(long long fromUs, long long toUs, long long heldUs) {
    std::lock_guard guard(m_lock);
    const long long base = m_samples.empty() ? 0 : m_samples.back().held;
    m_samples.push_back({fromUs, base, base});
    m_samples.push_back({toUs, base + heldUs, base + heldUs});
  }

 private:
  friend class HoldUpMeterCore;
  struct Sample {
    long long us;
    long long held;  // all outside hold-ups so far, every task's wait added
    long long peak;  // the same with each sample's longest wait of one task
  };
  mutable std::mutex m_lock;
  std::vector<Sample> m_samples;
  long long m_waitedUs = 0, m_stoppedUs = 0, m_peakUs = 0;
  int m_stops = 0;
};

// Samples every 4 ms the run delay of the run's threads and the peers'
// (the child processes of this one), and the time this process was
// stopped, into a timeline.
class HoldUpMeterCore {
 public:
  HoldUpMeterCore()
      : m_timeline(std::make_shared<HoldUpTimeline>()),
        m_base(ReadDelays()),
        m_watch(std::chrono::milliseconds(4),
                [this](const qxtool::StallWatch::Wake& wake) { Sample(wake); }) {}
  std::shared_ptr<const HoldUpTimeline> Timeline() const { return m_timeline; }

 private:
  // Each watched task's run delay (ns), keyed by process and task.
  using Delays = std::map<std::pair<long, long>, long long>;
  Delays ReadDelays() {
    const long self = getpid();
    Delays now;
    for (const long tid : ListOf(0, "task"))
      if (TestThreads::Now().Counted(tid) && tid != m_watchTid)
        if (const long long ns = qxtool::RunDelayNs(tid); ns >= 0) now[{self, tid}] = ns;
    if (m_peers.empty() || ++m_sinceList >= 25) {
      m_peers = ListOf(0, "children");
      m_sinceList = 0;
    }
    for (const long pid : m_peers)
      for (const long tid : ListOf(pid, "task"))
        if (const long long ns = qxtool::RunDelayNs(tid, pid); ns >= 0) now[{pid, tid}] = ns;
    return now;
  }
  void Sample(const qxtool::StallWatch::Wake& wake) {
    m_watchTid = m_watch.ThreadId();
    const Delays now = ReadDelays();
    long long waitedNs = 0, peakNs = 0;
    for (const auto& [task, ns] : now) {
      const auto was = m_base.find(task);
      // A task first seen now started meanwhile: all its wait is new.
      const long long added = was == m_base.end() ? ns : std::max(0LL, ns - was->second);
      waitedNs += added;
      peakNs = std::max(peakNs, added);
    }
    m_base = now;
    // A wake a few ms late without a wait for a processor is the timer's own slack.
    const long long stoppedUs = wake.StoppedUs() > 5000 ? wake.StoppedUs() : 0;
    std::lock_guard guard(m_timeline->m_lock);
    HoldUpTimeline& t = *m_timeline;
    t.m_waitedUs += waitedNs / 1000;
    t.m_stoppedUs += stoppedUs;
    t.m_peakUs += peakNs / 1000;
    t.m_stops += stoppedUs >= 100000;
    t.m_samples.push_back({SteadyUs(), t.m_waitedUs + t.m_stoppedUs, t.m_peakUs + t.m_stoppedUs});
  }

  std::shared_ptr<HoldUpTimeline> m_timeline;
  std::vector<long> m_peers;
  int m_sinceList = 0;
  long m_watchTid = 0;
  Delays m_base;
  qxtool::StallWatch m_watch;  // last: it starts once the rest is there
};

// The period check of a run's steps (microseconds of one clock, from..to-1):
// no gap longer than the period and a margin scaled to it, and the whole
// stretch from the first counted step to the last no longer than its
// periods allow, each net of the outside hold-up in it (`heldUs(from, to)`
// of the steps' clock; none when null). `counted` picks the steps that
// start a sample (all when null): the run's length is judged by those.
// Empty when the steps kept their period; else what broke it.
inline std::string LatePeriod(const std::vector<long long>& us, long long periodMs,
                              const std::function<long long(long long, long long)>& heldUs,
                              std::size_t from = 0, std::size_t to = SIZE_MAX,
                              const std::function<bool(std::size_t)>& counted = nullptr) {
  to = std::min(to, us.size());
  const long long periodUs = periodMs * 1000;
  // A gap: the period and as much again, and 100 ms for what a loaded
  // machine costs without a trace in the scheduler's counts (a disk read
  // of the bus's folder, a processor the host took); the run, where a
  // program late at every sample shows: 10 % of its periods, a period and
  // the same 100 ms, which a short run would otherwise spend on one such
  // cost that each of its gaps is allowed.
  const long long untracedUs = 100000;
  const long long gapMarginUs = periodUs + untracedUs;
  auto held = [&](long long a, long long b) { return heldUs ? heldUs(a, b) : 0; };
  for (std::size_t i = from + 1; i < to; ++i) {
    const long long gap = us[i] - us[i - 1];
    const long long net = gap - held(us[i - 1], us[i]);
    if (net > periodUs + gapMarginUs)
      return "steps " + std::to_string(i - 1) + " and " + std::to_string(i) + " came " +
             std::to_string(gap / 1000) + " ms apart (" + std::to_string(net / 1000) +
             " ms net of outside hold-ups), at a period of " + std::to_string(periodMs) + " ms";
  }
  std::size_t first = to, last = to, samples = 0;
  for (std::size_t i = from; i < to; ++i) {
    if (counted && !counted(i)) continue;
    if (first == to) first = i;
    last = i;
    ++samples;
  }
  if (samples < 2) return "";
  const long long length = us[last] - us[first];
  const long long net = length - held(us[first], us[last]);
  const long long allowed = (samples - 1) * periodUs * 11 / 10 + periodUs + untracedUs;
  if (net > allowed)
    return std::to_string(samples) + " samples took " + std::to_string(length / 1000) + " ms (" +
           std::to_string(net / 1000) + " ms net of outside hold-ups), at a period of " +
           std::to_string(periodMs) + " ms";
  return "";
}

}  // namespace qxtest
