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

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qxtest {

// Microseconds of the monotonic clock (the one GetTickCount reads in ms).
long long SteadyUs();

// The ids of the tasks of a process (0: this one), or the child processes
// its tasks started.
std::vector<long> ListOf(long pid, const char* what);

// The threads of this process a sample runs on: every thread but the
// user-interface thread that reads the program's clock (SampleClock) since
// the test began: the real-time worker, a tuner and its passes.
struct TestThreads {
  static TestThreads& Now();
  // Called on the user-interface thread as a test begins.
  void Begin();
  // Called by every thread that reads the clock.
  void NoteClockReader();
  bool RunsSamples(long tid);
  std::mutex lock;
  long ui = 0;
  std::set<long> samples;
};

// The clock the program paces its samples by, as the system's: the tick
// count of the monotonic clock and sleeps a wake cuts short; it notes which
// threads read it (TestThreads).
class SampleClock : public QxClock {
 public:
  DWORD TickCount() override;
  void Sleep(DWORD ms) override;
  void SleepUnless(DWORD ms, const std::function<bool()>& stop) override;
  void Wake() override;
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
bool SampleWaitedOn(const WatchedTask& task);

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
                          const WaitedOn& waitedOn = SampleWaitedOn) const;
  // All of it so far.
  long long HeldUs(const WaitedOn& waitedOn = SampleWaitedOn) const;
  // The most the tasks waited on were held up (or this process stopped)
  // within any stretch of `windowUs`.
  long long MostHeldWithinUs(long long windowUs, const WaitedOn& waitedOn = SampleWaitedOn) const;
  // When the last sample was taken (0: none yet).
  long long LastSampleUs() const;
  // When the first sample at or after `us` was taken (LLONG_MAX: none yet):
  // the waits that ended before it and after the one before are known only
  // from it, all at once.
  long long CountedAfter(long long us) const;
  // Waits until the meter has looked past `us` (SteadyUs), 200 ms at most:
  // a stop that ended just before it is counted at the meter's first wake
  // after it, which may come later.
  void AwaitSampleAfter(long long us) const;
  // How many times this process was stopped for 100 ms or more.
  int Stops() const;
  std::string Said(const WaitedOn& waitedOn = SampleWaitedOn) const;
  // Every watched task that waited for a processor between two instants,
  // charged or not, with how long, and how long this process was stopped
  // then: what tells whose wait a late gap was.
  std::string WaitsBetween(long long fromUs, long long toUs) const;

  // A made-up hold-up, for the check's own test: `heldUs` held in all
  // between the two instants, as a stop would be.
  void AddHeld(long long fromUs, long long toUs, long long heldUs);

 private:
  friend class HoldUpMeterCore;
  struct ByTask {
    bool operator()(const WatchedTask& a, const WatchedTask& b) const {
      return std::pair(a.pid, a.tid) < std::pair(b.pid, b.tid);
    }
  };
  // A task's wait so far (us), at the samples where it grew.
  using Series = std::vector<std::pair<std::size_t, long long>>;
  // A series' sum at sample i.
  static long long WaitAt(const Series& series, std::size_t i);
  // The samples that count what happened between two instants: the first
  // after the one, and the first at or after the other (the last when none).
  std::pair<std::size_t, std::size_t> SpanLocked(long long fromUs, long long toUs) const;
  // The stops and the waits of the tasks picked up to sample i.
  long long HeldAtLocked(std::size_t i, const WaitedOn& waitedOn) const;
  mutable std::mutex m_lock;
  std::vector<long long> m_us;       // when each sample was taken
  std::vector<long long> m_stopped;  // this process stopped so far (us), at each sample
  std::map<WatchedTask, Series, ByTask> m_waits;  // each watched task's wait
  int m_stops = 0;
};

// Samples every 4 ms the run delay of this process's threads and its child
// processes' (the peers), and the time this process was stopped, into a
// timeline.
class HoldUpMeterCore {
 public:
  HoldUpMeterCore();
  std::shared_ptr<const HoldUpTimeline> Timeline() const { return m_timeline; }

 private:
  // Each watched task's run delay (ns).
  using Delays = std::map<WatchedTask, long long, HoldUpTimeline::ByTask>;
  Delays ReadDelays();
  static std::string NameOf(long pid);
  void Sample(const qxtool::StallWatch::Wake& wake);

  std::shared_ptr<HoldUpTimeline> m_timeline;
  std::vector<std::pair<long, std::string>> m_peers;
  int m_sinceList = 0;
  long m_watchTid = 0;
  Delays m_base;
  qxtool::StallWatch m_watch;  // last: it starts once the rest is there
};

// How long a run was held up from outside while the meter lives: this
// process stopped, and the threads its samples waited on (the worker's, the
// answering peer's) waiting for a processor. Bounds on the time a run took
// subtract it, as a held-up program could not have done otherwise; the
// period check judges each gap net of what of it fell in that gap.
class HoldUpMeter {
 public:
  HoldUpMeter() = default;
  HoldUpMeter(const HoldUpMeter&) = delete;
  HoldUpMeter& operator=(const HoldUpMeter&) = delete;
  std::chrono::milliseconds Held() const;
  // Held between two instants (SteadyUs), once the meter has looked past
  // the second (HoldUpTimeline::AwaitSampleAfter).
  std::chrono::milliseconds HeldBetween(long long fromUs, long long toUs) const;
  // How many times it was held up for 100 ms or more: stops of this
  // process, and a stretch of 300 ms in which the threads the samples
  // waited on waited that long for a processor.
  int HoldUps() const;
  std::shared_ptr<const HoldUpTimeline> Timeline() const { return m_core.Timeline(); }
  // When it started (SteadyUs).
  long long StartedUs() const { return m_startedUs; }

 private:
  long long m_startedUs = SteadyUs();
  HoldUpMeterCore m_core;
};

// The outside hold-up between two instants of the steps' clock, as a
// period check takes it (null: none).
using HeldUs = std::function<long long(long long, long long)>;
// When the hold-up that ended at an instant of the steps' clock was counted
// (HoldUpTimeline::CountedAfter; null: not known). Two steps whose waits
// were counted at one instant cannot tell whose wait was whose.
using CountedAt = std::function<long long(long long)>;

// The median rule of the period check (LatePeriod) alone, over the gaps
// listed (pairs of steps, in order, none overlapping): the gaps between
// samples of one run, where a test's steps hold several runs or faults
// that are no sample's. Empty when they kept it, or are fewer than two:
// one gap has no median apart from its own costs; of an even count the
// lower middle gap is the median, so that more than half must be late. Successive gaps whose
// ends' waits were counted at one instant (`countedAt`) share what was
// counted there: each is judged at their mean, net.
std::string LateMedian(const std::vector<long long>& us, long long periodMs, const HeldUs& heldUs,
                       const std::vector<std::pair<std::size_t, std::size_t>>& gaps,
                       const CountedAt& countedAt = nullptr);

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
//   which the task it held got its processor back, or, when the meter
//   counted the waits of several gaps at once (`countedAt`), shared by them;
// - the run's length no longer than 1.1 times its periods, a period and
//   100 ms, net: many gaps late, however the median falls.
// Empty when the steps kept their period; else what broke it.
std::string LatePeriod(const std::vector<long long>& us, long long periodMs, const HeldUs& heldUs,
                       std::size_t from = 0, std::size_t to = SIZE_MAX,
                       const std::function<bool(std::size_t)>& counted = nullptr,
                       const CountedAt& countedAt = nullptr);

}  // namespace qxtest
