// The period check that every run test judges by, on made-up step times,
// and the hold-up meter it is fed by, on threads and a peer kept from a
// processor.
#include "tests/app/RealtimeFixture.h"
#include "tests/support/HoldUps.h"
#include "tests/support/PacedRuns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <climits>
#include <chrono>
#include <thread>

namespace {

// n steps `periodMs` apart from 1 s on, with `lateMs` more before each step
// listed in `late` (every step when empty and lateMs is set).
std::vector<long long> Steps(int n, long long periodMs, long long lateMs = 0,
                             std::vector<int> late = {}) {
  std::vector<long long> us{1000000};
  for (int i = 1; i < n; ++i) {
    const bool isLate = late.empty() || std::find(late.begin(), late.end(), i) != late.end();
    us.push_back(us.back() + 1000 * (periodMs + (isLate ? lateMs : 0)));
  }
  return us;
}

// The steps moved on by `us` more at each gap.
std::vector<long long> Over(std::vector<long long> steps, long long us) {
  for (std::size_t i = 0; i < steps.size(); ++i) steps[i] += static_cast<long long>(i) * us;
  return steps;
}

TEST(LatePeriod, AProgramLateOnceOrAtEverySampleFailsAndAHeldUpProcessorExplainsAGap) {
  const struct {
    const char* what;
    std::vector<long long> us;
    long long periodMs;
    long long heldFromMs, heldMs;  // an outside hold-up of heldMs ending at step 10
    bool late;
  } rows[] = {
      {"on time", Steps(50, 10), 10, 0, 0, false},
      {"on time at 250 ms", Steps(5, 250), 250, 0, 0, false},
      {"one 700 ms gap", Steps(50, 10, 700, {10}), 10, 0, 0, true},
      {"every gap 200 ms late", Steps(50, 10, 200), 10, 0, 0, true},
      {"every gap 200 ms late at 250 ms", Steps(5, 250, 200), 250, 0, 0, true},
      {"every gap 6 ms late: each within its margin, the run not", Steps(50, 10, 6), 10, 0, 0,
       true},
      {"a 700 ms gap the processor was held up for", Steps(50, 10, 700, {10}), 10, 700, 700, false},
      {"a 700 ms gap held up 300 ms of it", Steps(50, 10, 700, {10}), 10, 700, 300, true},
      {"a hold-up elsewhere explains no gap", Steps(50, 10, 700, {30}), 10, 700, 700, true},
      {"each sleep 0.3 ms over", Over(Steps(50, 10), 300), 10, 0, 0, false},
      {"one untraced 100 ms cost in a short run", Steps(5, 20, 100, {2}), 20, 0, 0, false},
      {"25 % late at every sample, 10 ms", Steps(50, 10, 3), 10, 0, 0, true},
      {"25 % late at every sample, 20 ms x 5", Steps(5, 20, 5), 20, 0, 0, true},
      {"25 % late at every sample, 250 ms x 5", Steps(5, 250, 63), 250, 0, 0, true},
      {"10 % late at every sample, 10 ms x 20", Steps(20, 10, 1), 10, 0, 0, true},
      {"10 % late at every sample, 20 ms x 20", Steps(20, 20, 2), 20, 0, 0, true},
      {"10 % late at every sample, 250 ms x 20", Steps(20, 250, 25), 250, 0, 0, true},
  };
  for (const auto& row : rows) {
    qxtest::HoldUpTimeline timeline;
    if (row.heldMs > 0) timeline.AddHeld(row.us[9], row.us[10], 1000 * row.heldMs);
    const std::string said = qxtest::LatePeriod(
        row.us, row.periodMs,
        [&timeline](long long a, long long b) { return timeline.HeldUsBetween(a, b); });
    EXPECT_EQ(!said.empty(), row.late) << row.what << ": " << said;
  }
}

// Every gap of a 20 ms run held up 10 ms before the step that ends it, and
// the meter kept from its processor over the first six: it counted their
// 60 ms at once, just after step 6, and each later wait just after its step.
// Read gap by gap, the first gap takes all 60 ms and the next five none, so
// the median sees 30 ms gaps; the six shared, each kept its period. A
// program 5 ms late at every sample still fails, counted so.
TEST(LatePeriod, WaitsCountedAtOnceAreSharedByTheGapsTheyEnded) {
  for (const long long lateMs : {0, 5}) {
    const std::vector<long long> us = Steps(9, 20, 10 + lateMs);
    qxtest::HoldUpTimeline timeline;
    timeline.AddHeld(us[0] + 1000, us[6] + 1000, 60000);
    for (std::size_t k = 7; k < us.size(); ++k)
      timeline.AddHeld(us[k - 1] + 1000, us[k] + 1000, 10000);
    const qxtest::HeldUs held = [&](long long a, long long b) {
      return timeline.HeldUsBetween(a, b);
    };
    const qxtest::CountedAt countedAt = [&](long long at) { return timeline.CountedAfter(at); };
    EXPECT_EQ(qxtest::LatePeriod(us, 20, held, 0, SIZE_MAX, nullptr, countedAt).empty(),
              lateMs == 0)
        << lateMs;
    EXPECT_NE(qxtest::LatePeriod(us, 20, held), "") << "each gap on its own";
  }
}

// A hand-over posted at 100 and taken up again at 300, the user-interface
// thread waiting half of that time for a processor: a gap is charged its
// part of that wait, a gap without the hand-over none, and the parts add up.
TEST(LatePeriod, TheUserInterfaceThreadsWaitCountsOnlyWhileAPassIsHandedOver) {
  const qxtest::HeldUs samples = [](long long a, long long b) { return (b - a) / 10; };
  const qxtest::HeldUs ui = [](long long a, long long b) { return (b - a) / 2; };
  const qxtest::HeldUs held = qxtest::WithHandOvers(samples, ui, {{100, 300}});
  EXPECT_EQ(held(0, 200), 20 + 50);
  EXPECT_EQ(held(200, 400), 20 + 50);
  EXPECT_EQ(held(400, 600), 20);
  EXPECT_EQ(held(0, 600), held(0, 200) + held(200, 400) + held(400, 600));
  EXPECT_EQ(qxtest::WithHandOvers(samples, ui, {})(0, 600), 60);
}

// Three samples 10 ms apart, one gap with 4 ms no meter saw: a short run
// is late only when most of its gaps are.
TEST(LatePeriod, OneUntracedCostInAShortRunIsNoLatenessAtEverySample) {
  EXPECT_EQ(qxtest::LatePeriod(Steps(3, 10, 4, {2}), 10, nullptr), "");
  EXPECT_NE(qxtest::LatePeriod(Steps(3, 10, 3), 10, nullptr), "") << "25 % late at both";
  EXPECT_NE(qxtest::LatePeriod(Steps(5, 10, 3, {1, 2, 4}), 10, nullptr), "") << "three of four";
}

// A board run's calls: two zeroing writes, a reading and a write each
// sample, the closing zero; the run's length is its readings'.
TEST(LatePeriod, TheRunsLengthCountsTheStepsThatStartASample) {
  std::vector<long long> us;
  std::vector<bool> reading;
  for (int k = 0; k < 40; ++k) {
    us.push_back(1000000 + k * 16000LL);  // a sample every 16 ms at 10 ms
    us.push_back(us.back() + 100);
    reading.push_back(true);
    reading.push_back(false);
  }
  const auto isReading = [&reading](std::size_t i) { return bool(reading[i]); };
  EXPECT_NE(qxtest::LatePeriod(us, 10, nullptr, 0, SIZE_MAX, isReading), "");
  EXPECT_EQ(qxtest::LatePeriod(us, 16, nullptr, 0, SIZE_MAX, isReading), "");
}

// A hold-up excuses the one gap it fell in, not the gaps around it: four
// gaps 3 ms late at 10 ms, 12 ms held up in the second, stay late in the
// median.
TEST(LatePeriod, AHoldUpIsChargedToOneGapOnly) {
  const std::vector<long long> us = Steps(5, 10, 3);
  qxtest::HoldUpTimeline timeline;
  timeline.AddHeld(us[1] + 1000, us[2] + 1000, 12000);
  const qxtest::HeldUs held = [&](long long a, long long b) {
    return timeline.HeldUsBetween(a, b);
  };
  EXPECT_NE(qxtest::LatePeriod(us, 10, held), "");
  // Nor when the meter says when it counted: the hold-up was counted in its own gap.
  EXPECT_NE(qxtest::LatePeriod(us, 10, held, 0, SIZE_MAX, nullptr,
                               [&](long long at) { return timeline.CountedAfter(at); }),
            "");
}

// The frames the emulated unit's companion hears are runs by the thread
// that sent them: the pause between two runs is no run's gap, and a late
// run is judged at its own gaps, whatever runs around it.
// Answers 2 ms after their frames, 20 ms apart, the third (to frame 2) as
// listed; the road held up as much as `heldMs` from frame 2 on, a wait
// that ended 24 ms after it, past its sample.
TEST(AnswerHeldUp, OnlyARoadHeldUpForAllTheSlackExplainsAnAnswerThatMissedItsSample) {
  const std::vector<long long> sent = Steps(8, 20);
  const auto answers = [&](long long thirdMs, bool never = false) {
    std::vector<long long> us;
    for (std::size_t i = 0; i < sent.size(); ++i) us.push_back(sent[i] + 2000);
    us[2] = sent[2] + 1000 * thirdMs;
    if (never) us.resize(2);
    return us;
  };
  const auto road = [&](long long heldMs) -> qxtest::HeldUs {
    return [&sent, heldMs](long long a, long long b) {
      return a <= sent[2] && b >= sent[2] + 24000 ? 1000 * heldMs : 0;
    };
  };
  // In time, however held up.
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(19), 0, road(50)), "");
  // 25 ms after its frame, 5 ms after its sample: the 18 ms it had spent.
  EXPECT_NE(qxtest::AnswerHeldUp(sent, answers(25), 0, road(18)), "");
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(25), 0, road(17)), "") << "the program's";
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(25), 0, nullptr), "");
  // A user-interface thread that takes its turns 10 ms apart leaves less.
  EXPECT_NE(qxtest::AnswerHeldUp(sent, answers(25), 10000, road(8)), "");
  // An answer that never came, and those after it.
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(0, true), 0, road(18)), "")
      << "the later answers' roads were not held up";
  EXPECT_NE(
      qxtest::AnswerHeldUp(sent, answers(0, true), 0, [](long long, long long) { return 20000LL; }),
      "");
  // One its sample is known to have missed is late however soon it came.
  const auto third = [](std::size_t i) { return i == 2; };
  const auto always = [](long long heldMs) -> qxtest::HeldUs {
    return [heldMs](long long, long long) { return 1000 * heldMs; };
  };
  EXPECT_NE(qxtest::AnswerHeldUp(sent, answers(19), 0, always(18), third), "");
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(19), 0, always(17), third), "");
  // Every late answer a sample reads is explained, or the run is judged;
  // the last sample's answer is read by none.
  std::vector<long long> late = answers(25);
  late[6] = sent[7] + 50000;
  EXPECT_NE(qxtest::AnswerHeldUp(sent, late, 0, road(18)), "");
  late[5] = sent[6] + 5000;
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, late, 0, road(18)), "") << "answer 5 is a sample's";
  // A run whose readings may fall three samples behind gives each answer
  // until the third sample after its frame, and reads none of the last three.
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, answers(25), 0, always(100), nullptr, 3), "");
  std::vector<long long> behind = answers(2);
  behind[2] = sent[5] + 1000;
  EXPECT_NE(qxtest::AnswerHeldUp(sent, behind, 0, always(58), nullptr, 3), "");
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, behind, 0, always(57), nullptr, 3), "");
  EXPECT_EQ(qxtest::LateAnswers(sent, answers(2, true), 0, nullptr, nullptr, 3).size(), 2u)
      << "answers 2 and 3; 4 to 6 are read by no sample";
  // An answer lost before others came is late, and only the hold-up before
  // the next one came can explain it: the road was open again by then.
  std::vector<long long> lost = answers(2);
  lost[2] = qxtest::kNeverCame;
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, lost, 0, road(50)), "");
  EXPECT_NE(qxtest::AnswerHeldUp(sent, lost, 0, always(18)), "");
  EXPECT_EQ(qxtest::LateAnswers(sent, lost, 0, nullptr).size(), 1u) << "the others came in time";
  // A program whose every answer takes longer than the period leaves no
  // slack for a hold-up to take.
  std::vector<long long> slow;
  for (const long long us : sent) slow.push_back(us + 21000);
  EXPECT_EQ(qxtest::AnswerHeldUp(sent, slow, 0, always(1000)), "");
}

TEST(HeardFrames, EachThreadsFramesAreARunOfItsOwn) {
  // n frames gapMs apart on thread `tid`, from `fromMs` on; the next run
  // starts 300 ms after the last frame.
  long long fromMs = 1000;
  const auto run = [&fromMs](qxtest::HeardFrames& frames, long tid, int n, int gapMs) {
    for (int i = 0; i < n; ++i) frames.Note(1000 * (fromMs + i * gapMs), tid);
    fromMs += (n - 1) * gapMs + 300;
  };
  qxtest::HeardFrames frames;
  run(frames, 101, 6, 20);
  run(frames, 102, 6, 20);
  EXPECT_EQ(frames.LateRuns(20, nullptr), "") << "the pause between the runs counted";
  EXPECT_EQ(frames.LateMedianOfRuns(20, nullptr), "");
  const std::size_t onTime = frames.Count();
  run(frames, 103, 6, 30);
  EXPECT_EQ(frames.LateRuns(20, nullptr, 0, onTime), "");
  EXPECT_NE(frames.LateRuns(20, nullptr), "") << "the third run came 50 % late";
  EXPECT_NE(frames.LateRuns(20, nullptr, onTime), "");
  // One thread's frames are one run, however long it paused.
  qxtest::HeardFrames oneThread;
  run(oneThread, 101, 6, 20);
  run(oneThread, 101, 6, 20);
  EXPECT_NE(oneThread.LateRuns(20, nullptr), "");
  EXPECT_EQ(oneThread.LateRuns(20, nullptr, 6), "") << "its second run alone";
}

// Spins until `until`, pinned to `cpu` when it is not negative.
void SpinOn(int cpu, std::chrono::steady_clock::time_point until) {
  if (cpu >= 0) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
  }
  for (volatile unsigned long n = 0; std::chrono::steady_clock::now() < until;) n = n + 1;
}

// A processor this process may run on.
int OneOfOurProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  sched_getaffinity(0, sizeof set, &set);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &set)) return cpu;
  return 0;
}

// Only the thread that runs a sample and the answering peer's are charged:
// a thread of this process kept from its processor as long is not.
TEST(HoldUpMeter, ChargesTheThreadThatRunsTheSampleAndNoOther) {
  qxtest::TestThreads::Now().Begin();
  qxtest::SampleClock clock;
  const int cpu = OneOfOurProcessors();
  std::atomic<long> sampler{0}, other{0};
  std::shared_ptr<const qxtest::HoldUpTimeline> timeline;
  {
    const qxtest::HoldUpMeterCore meter;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    // Three threads on one processor: each waits for it about two thirds of the time.
    std::thread runsSamples([&] {
      sampler = static_cast<long>(gettid());
      clock.TickCount();
      SpinOn(cpu, until);
    });
    std::thread notWaitedOn([&] {
      other = static_cast<long>(gettid());
      SpinOn(cpu, until);
    });
    std::thread competitor([&] { SpinOn(cpu, until); });
    runsSamples.join();
    notWaitedOn.join();
    competitor.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    timeline = meter.Timeline();
  }
  const auto only = [](long tid) {
    return [tid](const qxtest::WatchedTask& task) { return task.ours && task.tid == tid; };
  };
  const long long charged = timeline->HeldUs();
  EXPECT_GE(timeline->HeldUs(only(sampler)), 300000) << "the sample's thread waited";
  EXPECT_GE(timeline->HeldUs(only(other)), 300000) << "the other thread waited as long";
  EXPECT_EQ(charged, timeline->HeldUs(only(sampler))) << timeline->Said();
  EXPECT_GE(timeline->MostHeldWithinUs(300000), 100000);
  // What a late gap says names each wait, the uncharged one too.
  const std::string told = timeline->WaitsBetween(0, LLONG_MAX);
  EXPECT_THAT(told, testing::ContainsRegex("thread " + std::to_string(other.load()) +
                                           " of this process waited [0-9]{3,} ms"));
  EXPECT_THAT(told,
              testing::ContainsRegex("thread " + std::to_string(sampler.load()) +
                                     " of this process \\(a sample's\\) waited [0-9]{3,} ms"));
  qxtest::TestThreads::Now().Begin();
}

// A peer kept from a processor is seen: its serving thread's wait is
// charged, and no more than it waited.
TEST(HoldUpMeter, SeesAPeerKeptFromAProcessor) {
  const int cpu = OneOfOurProcessors();
  const auto spinner = [cpu] {
    const pid_t pid = fork();
    if (pid == 0) {
      SpinOn(cpu, std::chrono::steady_clock::now() + std::chrono::seconds(10));
      _exit(0);
    }
    return pid;
  };
  const pid_t peer = spinner();
  ASSERT_GT(peer, 0);
  const pid_t competitor = spinner();
  std::shared_ptr<const qxtest::HoldUpTimeline> timeline;
  const long long before = qxtool::RunDelayNs(peer, peer);
  {
    const qxtest::HoldUpMeterCore meter;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    timeline = meter.Timeline();
  }
  // Read once the meter has ended: all it saw, and more.
  const long long peerWaitedNs = qxtool::RunDelayNs(peer, peer) - before;
  for (const pid_t pid : {peer, competitor}) {
    if (pid <= 0) continue;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  const auto thePeer = [peer](const qxtest::WatchedTask& task) { return task.pid == peer; };
  const auto nothing = [](const qxtest::WatchedTask&) { return false; };
  EXPECT_GE(timeline->HeldUs(thePeer), 250000) << timeline->Said(thePeer);
  // Its wait and no more, beside the stops of this process every row holds.
  EXPECT_LE(timeline->HeldUs(thePeer), peerWaitedNs / 1000 + timeline->HeldUs(nothing) + 20000);
  EXPECT_LT(timeline->HeldUs(nothing), 50000) << "this process was not stopped";
  EXPECT_EQ(timeline->HeldUs(), timeline->HeldUs(nothing))
      << "a child that is not an answering peer is not charged";
}

// The user-interface thread kept from its processor while it takes a pass
// over, and as long again after the worker's next step: a run's gap is
// charged the first wait, never the second.
TEST_F(RealtimeThreads, AHandOverChargesTheUserInterfaceThreadsWaitToItsGapAlone) {
  const int cpu = OneOfOurProcessors();
  cpu_set_t was;
  sched_getaffinity(0, sizeof was, &was);
  const long tid = static_cast<long>(gettid());
  std::vector<long long> steps;
  {
    const HoldUpMeter meter;
    // Shares one processor with this thread until told: this thread waits
    // for it, and until it has waited 150 ms more, however long a stop of
    // the whole process holds both up.
    std::atomic<bool> done{false};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::thread competitor([&] {
      while (!done && std::chrono::steady_clock::now() < end)
        SpinOn(cpu, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
    });
    const auto waitFor150Ms = [&] {
      const long long from = qxtool::RunDelayNs(tid);
      while (qxtool::RunDelayNs(tid) - from < 150000000 && std::chrono::steady_clock::now() < end)
        SpinOn(cpu, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
    };
    steps.push_back(qxtest::SteadyUs());
    const long long postedUs = qxtest::SteadyUs();
    waitFor150Ms();
    m_posted.push_back({kTransfer, 0, 0, static_cast<DWORD>(postedUs / 1000), qxtest::SteadyUs()});
    steps.push_back(qxtest::SteadyUs());
    waitFor150Ms();
    steps.push_back(qxtest::SteadyUs());
    done = true;
    competitor.join();
    sched_setaffinity(0, sizeof was, &was);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_holdUps = meter.Timeline();
  }
  const auto held = HeldBetween(0, 0, steps);
  // Stops of the whole process are charged to every gap they fall in.
  const auto stops = [this](long long a, long long b) {
    return m_holdUps->HeldUsBetween(a, b, [](const qxtest::WatchedTask&) { return false; });
  };
  const auto isUi = [tid](const qxtest::WatchedTask& task) { return task.ours && task.tid == tid; };
  EXPECT_GE(held(steps[0], steps[1]) - stops(steps[0], steps[1]), 100000) << m_holdUps->Said(isUi);
  EXPECT_LT(held(steps[1], steps[2]) - stops(steps[1], steps[2]), 20000) << m_holdUps->Said(isUi);
  EXPECT_LE(held(steps[0], steps[2]), m_holdUps->HeldUsBetween(steps[0], steps[2], isUi));
}

}  // namespace
