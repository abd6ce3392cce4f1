#pragma once
// What held a run up from outside the program, and the period check that
// judges a run net of it. A run is held up only on outside evidence: this
// process stopped, or a thread a sample waited on (the thread that runs it,
// and the answering peer's) waiting for a processor (its run delay, which
// the scheduler counts). Another thread's wait explains nothing of a
// sample's lateness, and the program's own sleeps, locks and work are not
// evidence: a late program must fail.
#include "platform/core/Clock.h"
#include "tools/StallWatch.h"

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
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

// The threads of this process a sample runs on: every thread but the
// user-interface thread that reads the program's clock (SampleClock) since
// the test began: the real-time worker, a tuner and its passes.
struct TestThreads {
  static TestThreads& Now() {
    static TestThreads threads;
    return threads;
  }
  // Called on the user-interface thread as a test begins.
  void Begin() {
    std::lock_guard guard(lock);
    ui = static_cast<long>(gettid());
    samples.clear();
  }
  // Called by every thread that reads the clock.
  void NoteClockReader() {
    const long tid = static_cast<long>(gettid());
    std::lock_guard guard(lock);
    if (tid != ui) samples.insert(tid);
  }
  bool RunsSamples(long tid) {
    std::lock_guard guard(lock);
    return samples.count(tid) != 0;
  }
  std::mutex lock;
  long ui = 0;
  std::set<long> samples;
};

// The clock the program paces its samples by, as the system's: the tick
// count of the monotonic clock and sleeps a wake cuts short; it notes which
// threads read it (TestThreads).
class SampleClock : public QxClock {
 public:
  DWORD TickCount() override {
    TestThreads::Now().NoteClockReader();
    return QxSystemClock().TickCount();
  }
  void Sleep(DWORD ms) override {
    TestThreads::Now().NoteClockReader();
    QxSystemClock().Sleep(ms);
  }
  void SleepUnless(DWORD ms, const std::function<bool()>& stop) override {
    TestThreads::Now().NoteClockReader();
    QxSystemClock().SleepUnless(ms, stop);
  }
  void Wake() override { QxSystemClock().Wake(); }
};

// A task a meter watched: a thread of this process or of a child process.
struct WatchedTask {
  long pid = 0, tid = 0;
  bool ours = false;  // of this process
  std::string name;   // its process's
};
// Which watched tasks a sample waited on.
using WaitedOn = std::function<bool(const WatchedTask&)>;

// The tasks a paced sample waits on: the thread that runs it (TestThreads)
// and the answering peer's serving thread (the main thread of the fake
// board or the companion). Not the user-interface thread, the bus's reader,
// a flooding peer or the peers' stall watches.
inline bool SampleWaitedOn(const WatchedTask& task) {
  if (task.ours) return TestThreads::Now().RunsSamples(task.tid);
  return task.tid == task.pid && (task.name == "fake_dt2801" || task.name == "qorex_companion");
}

// The outside hold-ups a meter saw, sampled on the monotonic clock: each
// watched task's wait for a processor and the time this process was
// stopped, as sums that only grow. Kept after the meter ends, for the
// judging. Whatever is asked counts the stops and the waits of the tasks
// `waitedOn` picks (SampleWaitedOn unless told), never another's.
class HoldUpTimeline {
 public:
  // The hold-up between two instants (SteadyUs), widened to the samples
  // around them: a wait is counted when the task gets its processor back.
  long long HeldUsBetween(long long fromUs, long long toUs,
                          const WaitedOn& waitedOn = SampleWaitedOn) const {
    std::lock_guard guard(m_lock);
    if (m_us.empty() || toUs <= fromUs) return 0;
    const std::size_t to = std::min<std::size_t>(
        std::lower_bound(m_us.begin(), m_us.end(), toUs) - m_us.begin(), m_us.size() - 1);
    const std::size_t after = std::upper_bound(m_us.begin(), m_us.end(), fromUs) - m_us.begin();
    return HeldAtLocked(to, waitedOn) - (after == 0 ? 0 : HeldAtLocked(after - 1, waitedOn));
  }
  // All of it so far.
  long long HeldUs(const WaitedOn& waitedOn = SampleWaitedOn) const {
    std::lock_guard guard(m_lock);
    return m_us.empty() ? 0 : HeldAtLocked(m_us.size() - 1, waitedOn);
  }
  // The most the tasks waited on were held up (or this process stopped)
  // within any stretch of `windowUs`.
  long long MostHeldWithinUs(long long windowUs, const WaitedOn& waitedOn = SampleWaitedOn) const {
    std::lock_guard guard(m_lock);
    std::vector<long long> held(m_us.size());
    for (std::size_t i = 0; i < m_us.size(); ++i) held[i] = HeldAtLocked(i, waitedOn);
    long long most = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i < m_us.size(); ++i) {
      while (m_us[i] - m_us[from] > windowUs) ++from;
      most = std::max(most, held[i] - (from == 0 ? 0 : held[from - 1]));
    }
    return most;
  }
  // When the last sample was taken (0: none yet).
  long long LastSampleUs() const {
    std::lock_guard guard(m_lock);
    return m_us.empty() ? 0 : m_us.back();
  }
  // How many times this process was stopped for 100 ms or more.
  int Stops() const {
    std::lock_guard guard(m_lock);
    return m_stops;
  }
  std::string Said(const WaitedOn& waitedOn = SampleWaitedOn) const {
    std::lock_guard guard(m_lock);
    long long waited = 0;
    for (const auto& [task, series] : m_waits)
      if (waitedOn(task)) waited += series.back().second;
    return "the threads the samples waited on waited " + std::to_string(waited / 1000) +
           " ms for a processor, this process was stopped " +
           std::to_string((m_stopped.empty() ? 0 : m_stopped.back()) / 1000) + " ms";
  }

  // A made-up hold-up, for the check's own test: `heldUs` held in all
  // between the two instants, as a stop would be.
  void AddHeld(long long fromUs, long long toUs, long long heldUs) {
    std::lock_guard guard(m_lock);
    const long long base = m_stopped.empty() ? 0 : m_stopped.back();
    m_us.push_back(fromUs);
    m_stopped.push_back(base);
    m_us.push_back(toUs);
    m_stopped.push_back(base + heldUs);
  }

 private:
  friend class HoldUpMeterCore;
  struct ByTask {
    bool operator()(const WatchedTask& a, const WatchedTask& b) const {
      return std::pair(a.pid, a.tid) < std::pair(b.pid, b.tid);
    }
  };
  // The stops and the waits of the tasks picked up to sample i.
  long long HeldAtLocked(std::size_t i, const WaitedOn& waitedOn) const {
    long long held = m_stopped[i];
    for (const auto& [task, series] : m_waits) {
      if (!waitedOn(task)) continue;
      // The last change at or before sample i.
      auto at =
          std::upper_bound(series.begin(), series.end(), i,
                           [](std::size_t n, const auto& change) { return n < change.first; });
      if (at != series.begin()) held += std::prev(at)->second;
    }
    return held;
  }
  mutable std::mutex m_lock;
  std::vector<long long> m_us;       // when each sample was taken
  std::vector<long long> m_stopped;  // this process stopped so far (us), at each sample
  // Each task's wait so far (us), at the samples where it grew.
  std::map<WatchedTask, std::vector<std::pair<std::size_t, long long>>, ByTask> m_waits;
  int m_stops = 0;
};

// Samples every 4 ms the run delay of this process's threads and its child
// processes' (the peers), and the time this process was stopped, into a
// timeline.
class HoldUpMeterCore {
 public:
  HoldUpMeterCore()
      : m_timeline(std::make_shared<HoldUpTimeline>()),
        m_base(ReadDelays()),
        m_watch(std::chrono::milliseconds(4),
                [this](const qxtool::StallWatch::Wake& wake) { Sample(wake); }) {}
  std::shared_ptr<const HoldUpTimeline> Timeline() const { return m_timeline; }

 private:
  // Each watched task's run delay (ns).
  using Delays = std::map<WatchedTask, long long, HoldUpTimeline::ByTask>;
  Delays ReadDelays() {
    const long self = getpid();
    Delays now;
    for (const long tid : ListOf(0, "task"))
      if (tid != m_watchTid)
        if (const long long ns = qxtool::RunDelayNs(tid); ns >= 0) now[{self, tid, true, ""}] = ns;
    if (m_peers.empty() || ++m_sinceList >= 25) {
      m_peers.clear();
      for (const long pid : ListOf(0, "children")) m_peers.push_back({pid, NameOf(pid)});
      m_sinceList = 0;
    }
    for (const auto& [pid, name] : m_peers)
      for (const long tid : ListOf(pid, "task"))
        if (const long long ns = qxtool::RunDelayNs(tid, pid); ns >= 0)
          now[{pid, tid, false, name}] = ns;
    return now;
  }
  static std::string NameOf(long pid) {
    std::string name;
    if (std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "r")) {
      char line[64] = {};
      if (std::fgets(line, sizeof line, file)) name = line;
      std::fclose(file);
    }
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
  }
  void Sample(const qxtool::StallWatch::Wake& wake) {
    m_watchTid = m_watch.ThreadId();
    const Delays now = ReadDelays();
    // A wake a few ms late without a wait for a processor is the timer's own slack.
    const long long stoppedUs = wake.StoppedUs() > 5000 ? wake.StoppedUs() : 0;
    std::lock_guard guard(m_timeline->m_lock);
    HoldUpTimeline& t = *m_timeline;
    const std::size_t i = t.m_us.size();
    for (const auto& [task, ns] : now) {
      const auto was = m_base.find(task);
      // A task first seen now started meanwhile: all its wait is new.
      const long long addedUs = (was == m_base.end() ? ns : std::max(0LL, ns - was->second)) / 1000;
      if (addedUs == 0) continue;
      auto& series = t.m_waits[task];
      series.push_back({i, (series.empty() ? 0 : series.back().second) + addedUs});
    }
    m_base = now;
    t.m_us.push_back(SteadyUs());
    t.m_stopped.push_back((t.m_stopped.empty() ? 0 : t.m_stopped.back()) + stoppedUs);
    t.m_stops += stoppedUs >= 100000;
  }

  std::shared_ptr<HoldUpTimeline> m_timeline;
  std::vector<std::pair<long, std::string>> m_peers;
  int m_sinceList = 0;
  long m_watchTid = 0;
  Delays m_base;
  qxtool::StallWatch m_watch;  // last: it starts once the rest is there
};

// The median rule of the period check (LatePeriod) alone, over the gaps
// listed (pairs of steps, in order, none overlapping): the gaps between
// samples of one run, where a test's steps hold several runs or faults
// that are no sample's. Empty when they kept it, or are fewer than two:
// one gap has no median apart from its own costs.
inline std::string LateMedian(const std::vector<long long>& us, long long periodMs,
                              const std::function<long long(long long, long long)>& heldUs,
                              const std::vector<std::pair<std::size_t, std::size_t>>& gaps) {
  if (gaps.size() < 2) return "";
  // At a period of a few ticks the pacing's millisecond tick decides the
  // gaps: a sample's work that ends in the tick it began in adds to its gap,
  // and under the sanitizers the work outlasts a tick and stands for the
  // sleep. Such runs keep the gap and length rules alone.
  if (periodMs < 5) return "";
  // Each gap net of the hold-ups since the first step: a wait counted at the
  // meter's sample after a step is charged to the gap that step ends.
  const long long first = us[gaps.front().first];
  const auto heldSince = [&](long long at) { return heldUs ? heldUs(first, at) : 0; };
  std::vector<long long> nets;
  for (const auto& [a, b] : gaps)
    nets.push_back(us[b] - us[a] - (heldSince(us[b]) - heldSince(us[a])));
  std::sort(nets.begin(), nets.end());
  const std::size_t half = nets.size() / 2;
  const long long median = nets.size() % 2 ? nets[half] : (nets[half - 1] + nets[half]) / 2;
  const long long periodUs = periodMs * 1000;
  if (median <= periodUs + periodUs / 20 + 200) return "";
  return std::to_string(nets.size() + 1) + " samples came " + std::to_string(median) +
         " us apart in the median, net of outside hold-ups, at a period of " +
         std::to_string(periodMs) + " ms";
}

// The period check of a run's steps (microseconds of one clock, from..to-1),
// each net of the outside hold-up in it (`heldUs(from, to)` of the steps'
// clock, widened to the meter's samples around them; none when null):
// - no gap longer than the period, as much again and 100 ms for what a
//   loaded machine costs without a trace in the scheduler's counts (a disk
//   read of the bus's folder, a processor the host took);
// - the gaps between the steps that start a sample (`counted`; all when
//   null), net, no longer in the median than the period and 5 % of it and
//   0.2 ms (the sleep's own overshoot): a program late at every sample fails
//   however short the run, and the 100 ms above are spent on single gaps,
//   never on the whole run; each hold-up is charged to one gap, the one in
//   which the task it held got its processor back;
// - the run's length no longer than 1.1 times its periods, a period and
//   100 ms, net: many gaps late, however the median falls.
// Empty when the steps kept their period; else what broke it.
inline std::string LatePeriod(const std::vector<long long>& us, long long periodMs,
                              const std::function<long long(long long, long long)>& heldUs,
                              std::size_t from = 0, std::size_t to = SIZE_MAX,
                              const std::function<bool(std::size_t)>& counted = nullptr) {
  to = std::min(to, us.size());
  const long long periodUs = periodMs * 1000;
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
  std::vector<std::size_t> samples;
  for (std::size_t i = from; i < to; ++i)
    if (!counted || counted(i)) samples.push_back(i);
  if (samples.size() < 2) return "";
  std::vector<std::pair<std::size_t, std::size_t>> gaps;
  for (std::size_t k = 1; k < samples.size(); ++k) gaps.push_back({samples[k - 1], samples[k]});
  if (std::string late = LateMedian(us, periodMs, heldUs, gaps); !late.empty()) return late;
  const long long first = us[samples.front()];
  const long long heldBefore = held(first, us[samples.back()]);
  const std::string samplesSaid = std::to_string(samples.size()) + " samples";
  const long long length = us[samples.back()] - first;
  const long long net = length - heldBefore;
  const long long allowed =
      static_cast<long long>(samples.size() - 1) * periodUs * 11 / 10 + periodUs + untracedUs;
  if (net > allowed)
    return samplesSaid + " took " + std::to_string(length / 1000) + " ms (" +
           std::to_string(net / 1000) + " ms net of outside hold-ups), at a period of " +
           std::to_string(periodMs) + " ms";
  return "";
}

}  // namespace qxtest
