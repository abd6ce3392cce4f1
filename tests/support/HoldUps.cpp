// The hold-up meter and the period check (HoldUps.h).
#include "tests/support/HoldUps.h"

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <thread>

namespace qxtest {

long long SteadyUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::vector<long> ListOf(long pid, const char* what) {
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

// ---- the threads and the clock of the samples ------------------------------------------

TestThreads& TestThreads::Now() {
  static TestThreads threads;
  return threads;
}

void TestThreads::Begin() {
  std::lock_guard guard(lock);
  ui = static_cast<long>(gettid());
  samples.clear();
}

void TestThreads::NoteClockReader() {
  const long tid = static_cast<long>(gettid());
  std::lock_guard guard(lock);
  if (tid != ui) samples.insert(tid);
}

bool TestThreads::RunsSamples(long tid) {
  std::lock_guard guard(lock);
  return samples.count(tid) != 0;
}

DWORD SampleClock::TickCount() {
  TestThreads::Now().NoteClockReader();
  return QxSystemClock().TickCount();
}

void SampleClock::Sleep(DWORD ms) {
  TestThreads::Now().NoteClockReader();
  QxSystemClock().Sleep(ms);
}

void SampleClock::SleepUnless(DWORD ms, const std::function<bool()>& stop) {
  TestThreads::Now().NoteClockReader();
  QxSystemClock().SleepUnless(ms, stop);
}

void SampleClock::Wake() {
  QxSystemClock().Wake();
}

bool SampleWaitedOn(const WatchedTask& task) {
  if (task.ours) return TestThreads::Now().RunsSamples(task.tid);
  return task.tid == task.pid && (task.name == "fake_dt2801" || task.name == "qorex_companion");
}

// ---- the timeline ------------------------------------------------------------------------

long long HoldUpTimeline::HeldUsBetween(long long fromUs, long long toUs,
                                        const WaitedOn& waitedOn) const {
  std::lock_guard guard(m_lock);
  if (m_us.empty() || toUs <= fromUs) return 0;
  const auto [after, to] = SpanLocked(fromUs, toUs);
  return HeldAtLocked(to, waitedOn) - (after == 0 ? 0 : HeldAtLocked(after - 1, waitedOn));
}

long long HoldUpTimeline::HeldUs(const WaitedOn& waitedOn) const {
  std::lock_guard guard(m_lock);
  return m_us.empty() ? 0 : HeldAtLocked(m_us.size() - 1, waitedOn);
}

long long HoldUpTimeline::MostHeldWithinUs(long long windowUs, const WaitedOn& waitedOn) const {
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

long long HoldUpTimeline::LastSampleUs() const {
  std::lock_guard guard(m_lock);
  return m_us.empty() ? 0 : m_us.back();
}

long long HoldUpTimeline::CountedAfter(long long us) const {
  std::lock_guard guard(m_lock);
  const auto at = std::lower_bound(m_us.begin(), m_us.end(), us);
  return at == m_us.end() ? LLONG_MAX : *at;
}

void HoldUpTimeline::AwaitSampleAfter(long long us) const {
  for (int i = 0; i < 100 && LastSampleUs() < us; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

int HoldUpTimeline::Stops() const {
  std::lock_guard guard(m_lock);
  return m_stops;
}

std::string HoldUpTimeline::Said(const WaitedOn& waitedOn) const {
  std::lock_guard guard(m_lock);
  long long waited = 0;
  for (const auto& [task, series] : m_waits)
    if (waitedOn(task)) waited += series.back().second;
  return "the threads the samples waited on waited " + std::to_string(waited / 1000) +
         " ms for a processor, this process was stopped " +
         std::to_string((m_stopped.empty() ? 0 : m_stopped.back()) / 1000) + " ms";
}

std::string HoldUpTimeline::WaitsBetween(long long fromUs, long long toUs) const {
  std::lock_guard guard(m_lock);
  if (m_us.empty() || toUs <= fromUs) return "nothing was watched then";
  const auto [after, to] = SpanLocked(fromUs, toUs);
  std::string said;
  for (const auto& [task, series] : m_waits) {
    const long long waited = WaitAt(series, to) - (after == 0 ? 0 : WaitAt(series, after - 1));
    if (waited < 1000) continue;
    said += (said.empty() ? "" : ", ") + std::string("thread ") + std::to_string(task.tid) +
            " of " + (task.ours ? "this process" : task.name) +
            (SampleWaitedOn(task) ? " (a sample's)" : "") + " waited " +
            std::to_string(waited / 1000) + " ms";
  }
  const long long stopped = m_stopped[to] - (after == 0 ? 0 : m_stopped[after - 1]);
  return (said.empty() ? "no thread waited a millisecond" : said) + "; this process was stopped " +
         std::to_string(stopped / 1000) + " ms";
}

void HoldUpTimeline::AddHeld(long long fromUs, long long toUs, long long heldUs) {
  std::lock_guard guard(m_lock);
  const long long base = m_stopped.empty() ? 0 : m_stopped.back();
  m_us.push_back(fromUs);
  m_stopped.push_back(base);
  m_us.push_back(toUs);
  m_stopped.push_back(base + heldUs);
}

long long HoldUpTimeline::WaitAt(const Series& series, std::size_t i) {
  // The last change at or before sample i.
  auto at = std::upper_bound(series.begin(), series.end(), i,
                             [](std::size_t n, const auto& change) { return n < change.first; });
  return at == series.begin() ? 0 : std::prev(at)->second;
}

std::pair<std::size_t, std::size_t> HoldUpTimeline::SpanLocked(long long fromUs,
                                                               long long toUs) const {
  const std::size_t to = std::min<std::size_t>(
      std::lower_bound(m_us.begin(), m_us.end(), toUs) - m_us.begin(), m_us.size() - 1);
  const std::size_t after = std::upper_bound(m_us.begin(), m_us.end(), fromUs) - m_us.begin();
  return {after, to};
}

long long HoldUpTimeline::HeldAtLocked(std::size_t i, const WaitedOn& waitedOn) const {
  long long held = m_stopped[i];
  for (const auto& [task, series] : m_waits)
    if (waitedOn(task)) held += WaitAt(series, i);
  return held;
}

// ---- the meter -------------------------------------------------------------------------

HoldUpMeterCore::HoldUpMeterCore()
    : m_timeline(std::make_shared<HoldUpTimeline>()),
      m_base(ReadDelays()),
      m_watch(std::chrono::milliseconds(4),
              [this](const qxtool::StallWatch::Wake& wake) { Sample(wake); }) {}

HoldUpMeterCore::Delays HoldUpMeterCore::ReadDelays() {
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

std::string HoldUpMeterCore::NameOf(long pid) {
  std::string name;
  if (std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "r")) {
    char line[64] = {};
    if (std::fgets(line, sizeof line, file)) name = line;
    std::fclose(file);
  }
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

void HoldUpMeterCore::Sample(const qxtool::StallWatch::Wake& wake) {
  // The sample's instant is its wake's: a stop that lands while the tasks'
  // waits are read is the next wake's to count, and stamped after the reading
  // this sample would already stand after the steps the stop held up, so
  // that they would be charged nothing.
  const long long wokeUs = SteadyUs();
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
  t.m_us.push_back(wokeUs);
  t.m_stopped.push_back((t.m_stopped.empty() ? 0 : t.m_stopped.back()) + stoppedUs);
  t.m_stops += stoppedUs >= 100000;
}

std::chrono::milliseconds HoldUpMeter::Held() const {
  return std::chrono::milliseconds(m_core.Timeline()->HeldUs() / 1000);
}

std::chrono::milliseconds HoldUpMeter::HeldBetween(long long fromUs, long long toUs) const {
  const auto timeline = m_core.Timeline();
  timeline->AwaitSampleAfter(toUs);
  return std::chrono::milliseconds(timeline->HeldUsBetween(fromUs, toUs) / 1000);
}

int HoldUpMeter::HoldUps() const {
  const auto timeline = m_core.Timeline();
  return timeline->Stops() + (timeline->MostHeldWithinUs(300000) >= 100000);
}

// ---- the period check ----------------------------------------------------------------

std::string LateMedian(const std::vector<long long>& us, long long periodMs, const HeldUs& heldUs,
                       const std::vector<std::pair<std::size_t, std::size_t>>& gaps,
                       const CountedAt& countedAt) {
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
  // A meter kept from its processor may count the waits that ended several
  // gaps at once: all go to the first of them, and the others would show
  // their waits as the program's own lateness.
  for (std::size_t g = 0; countedAt && g < gaps.size();) {
    std::size_t end = g + 1;
    long long sum = nets[g];
    for (; end < gaps.size() && gaps[end].first == gaps[end - 1].second &&
           countedAt(us[gaps[end].second]) == countedAt(us[gaps[end - 1].second]);
         ++end)
      sum += nets[end];
    std::fill(nets.begin() + static_cast<std::ptrdiff_t>(g),
              nets.begin() + static_cast<std::ptrdiff_t>(end),
              sum / static_cast<long long>(end - g));
    g = end;
  }
  std::sort(nets.begin(), nets.end());
  const std::size_t half = nets.size() / 2;
  // Of an even count, the lower middle one: late only when most gaps are,
  // so that in a short run one gap's untraced cost cannot carry the rule.
  const long long median = nets.size() % 2 ? nets[half] : nets[half - 1];
  const long long periodUs = periodMs * 1000;
  if (median <= periodUs + periodUs / 20 + 200) return "";
  return std::to_string(nets.size() + 1) + " samples came " + std::to_string(median) +
         " us apart in the median, net of outside hold-ups, at a period of " +
         std::to_string(periodMs) + " ms";
}

std::string LatePeriod(const std::vector<long long>& us, long long periodMs, const HeldUs& heldUs,
                       std::size_t from, std::size_t to,
                       const std::function<bool(std::size_t)>& counted,
                       const CountedAt& countedAt) {
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
  if (std::string late = LateMedian(us, periodMs, heldUs, gaps, countedAt); !late.empty())
    return late;
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
