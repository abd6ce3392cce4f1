// Paced runs judged at their period (PacedRuns.h).
#include "tests/support/PacedRuns.h"

#include "platform/testing/TestHooks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <thread>
#include <utility>

namespace qxtest {

std::string HeldUpBy(const HoldUpMeter& meter, std::chrono::milliseconds least) {
  const auto timeline = meter.Timeline();
  const long long windowUs = 3000LL * least.count();
  const long long most = timeline->MostHeldWithinUs(windowUs);
  if (most < 1000LL * least.count()) return "";
  return "held up " + std::to_string(most / 1000) + " ms within " +
         std::to_string(windowUs / 1000) + " ms (" + timeline->Said() + ")";
}

bool HeldUpRunAgain(std::string& heldUp, const std::function<std::string()>& late, int& runs) {
  if (heldUp.empty()) return false;
  // What held the run up does not account for its lateness: the program's.
  if (const std::string said = late(); !said.empty()) {
    std::fprintf(stderr, "[ JUDGED   ] held up (%s) but late beyond it: %s\n", heldUp.c_str(),
                 said.c_str());
    heldUp.clear();
    return false;
  }
  if (++runs == kMostRuns) return false;
  std::fprintf(stderr, "[ HELD UP  ] run %d made again: %s\n", runs, heldUp.c_str());
  return true;
}

bool JudgedRuns(const std::function<void()>& run,
                const std::function<bool(const HoldUpMeter&, int&)>& again,
                const std::function<void()>& between, const std::function<void()>& prepare) {
  for (int runs = 0;;) {
    bool more = false;
    {
      if (prepare) prepare();
      if (::testing::Test::HasFatalFailure()) return false;
      const HoldUpMeter meter;
      run();
      if (::testing::Test::HasFatalFailure()) return false;
      more = again(meter, runs);
    }
    if (!more) return true;
    if (between) between();
  }
}

std::vector<LateAnswer> LateAnswers(const std::vector<long long>& sentUs,
                                    const std::vector<long long>& answeredUs, long long turnUs,
                                    const HeldUs& heldUs,
                                    const std::function<bool(std::size_t)>& missed,
                                    std::size_t lag) {
  std::vector<LateAnswer> late;
  // The answers to the 0 V start and to each sample but the last `lag`.
  const std::size_t read = sentUs.size() < lag + 2 ? 0 : sentUs.size() - 1 - lag;
  long long best = LLONG_MAX;
  for (std::size_t i = 0; i < std::min(read, answeredUs.size()); ++i) {
    if (answeredUs[i] == kNeverCame) continue;
    // An answer before its frame is another frame's: they cannot be told apart.
    if (answeredUs[i] < sentUs[i])
      return {{i, true, answeredUs[i] - sentUs[i + lag], 0, LLONG_MAX}};
    best = std::min(best, answeredUs[i] - sentUs[i]);
  }
  if (best == LLONG_MAX) best = 0;
  for (std::size_t i = 0; i < read; ++i) {
    const long long readUs = sentUs[i + lag];
    const bool came = i < answeredUs.size() && answeredUs[i] != kNeverCame;
    if (came && answeredUs[i] <= readUs && !(missed && missed(i))) continue;
    // Over its whole way: a wait is known only once the thread runs again,
    // and the one that kept the answer from its sample ends when it comes;
    // for one that never came, when the next one came, its road open again.
    long long cameUs = came ? answeredUs[i] : sentUs.back();
    for (std::size_t j = i + 1; !came && j < answeredUs.size(); ++j)
      if (answeredUs[j] != kNeverCame) {
        cameUs = std::min(cameUs, answeredUs[j]);
        break;
      }
    late.push_back({i, came, came ? answeredUs[i] - readUs : 0,
                    heldUs ? heldUs(sentUs[i], cameUs) : 0, readUs - sentUs[i] - best - turnUs});
  }
  return late;
}

std::string Said(const LateAnswer& late) {
  return "the answer to frame " + std::to_string(late.frame) +
         (late.came ? " came " + std::to_string(late.afterSampleUs / 1000) + " ms after its sample"
                    : " never came") +
         ", its road held up " + std::to_string(late.heldUs / 1000) + " ms of the " +
         std::to_string(std::max(0LL, late.slackUs) / 1000) + " it had";
}

std::string AnswerHeldUp(const std::vector<long long>& sentUs,
                         const std::vector<long long>& answeredUs, long long turnUs,
                         const HeldUs& heldUs, const std::function<bool(std::size_t)>& missed,
                         std::size_t lag) {
  const std::vector<LateAnswer> late = LateAnswers(sentUs, answeredUs, turnUs, heldUs, missed, lag);
  // Where even the run's quickest answer leaves no slack, the lateness is
  // the program's however its road was held up.
  for (const LateAnswer& answer : late)
    if (answer.slackUs <= 0 || answer.heldUs < answer.slackUs) return "";
  return late.empty() ? "" : Said(late.front());
}

HeldUs WithHandOvers(HeldUs samples, HeldUs ui,
                     std::vector<std::pair<long long, long long>> handOvers) {
  return [samples = std::move(samples), ui = std::move(ui), handOvers = std::move(handOvers)](
             long long a, long long b) {
    long long held = samples ? samples(a, b) : 0;
    for (const auto& [postedUs, deliveredUs] : handOvers)
      if (ui && postedUs < b && deliveredUs > a)
        held += ui(std::max(a, postedUs), std::min(b, deliveredUs));
    return held;
  };
}

std::string HeldUpEveryTime(const std::string& heldUp) {
  return "held up in each of " + std::to_string(kMostRuns) + " runs, the last: " + heldUp;
}

void KeepClock(std::unique_ptr<QxClock> clock) {
  static auto* kept = new std::vector<std::unique_ptr<QxClock>>;  // not even at exit
  kept->push_back(std::move(clock));
}

// ---- the frames heard ----------------------------------------------------------------

void HeardFrames::Note() {
  Note(SteadyUs(), static_cast<long>(gettid()));
}

void HeardFrames::Note(long long us, long tid) {
  std::lock_guard guard(m_lock);
  m_us.push_back(us);
  m_tids.push_back(tid);
}

std::size_t HeardFrames::Count() const {
  std::lock_guard guard(m_lock);
  return m_us.size();
}

std::vector<long long> HeardFrames::Us() const {
  std::lock_guard guard(m_lock);
  return m_us;
}

std::vector<std::vector<long long>> HeardFrames::Runs(std::size_t from, std::size_t to) const {
  std::lock_guard guard(m_lock);
  std::vector<std::vector<long long>> runs;
  std::map<long, std::size_t> runOf;  // by thread
  for (std::size_t i = from; i < std::min(to, m_us.size()); ++i) {
    const auto [at, first] = runOf.try_emplace(m_tids[i], runs.size());
    if (first) runs.emplace_back();
    runs[at->second].push_back(m_us[i]);
  }
  return runs;
}

std::string HeardFrames::LateRuns(long long periodMs, const HeldUs& held, std::size_t from,
                                  std::size_t to, const CountedAt& countedAt) const {
  for (const std::vector<long long>& run : Runs(from, to))
    if (std::string late = LatePeriod(run, periodMs, held, 0, SIZE_MAX, nullptr, countedAt);
        !late.empty())
      return late;
  return "";
}

std::string HeardFrames::LateMedianOfRuns(long long periodMs, const HeldUs& held,
                                          const CountedAt& countedAt) const {
  std::vector<long long> us;
  std::vector<std::pair<std::size_t, std::size_t>> gaps;
  for (const std::vector<long long>& run : Runs(0, SIZE_MAX)) {
    for (std::size_t k = 0; k < run.size(); ++k) {
      if (k > 0) gaps.push_back({us.size() - 1, us.size()});
      us.push_back(run[k]);
    }
  }
  return LateMedian(us, periodMs, held, gaps, countedAt);
}

// ---- a test's watch ------------------------------------------------------------------

PacedRunWatch::PacedRunWatch() {
  TestThreads::Now().Begin();
  m_previousClock = QxSetClock(nullptr);
  QxSetClock(m_previousClock);
  // Tells which threads run the samples.
  InstallClock<SampleClock>();
  m_testMeter = std::make_unique<HoldUpMeterCore>();
}

PacedRunWatch::~PacedRunWatch() {
  m_testMeter.reset();
  QxSetClock(m_previousClock);
}

PacedRunWatch::Verdict PacedRunWatch::JudgeTheRunGoingOn(long long periodMs, std::size_t samples) {
  Verdict verdict;
  std::size_t from = 0, to = 0;
  std::shared_ptr<const HoldUpTimeline> holdUps;
  const auto late = [&] {
    return m_frames.LateRuns(
        periodMs, [&holdUps](long long a, long long b) { return holdUps->HeldUsBetween(a, b); },
        from, to, [&holdUps](long long us) { return holdUps->CountedAfter(us); });
  };
  const auto limit = std::chrono::milliseconds(periodMs) * samples + std::chrono::seconds(20);
  const bool made = JudgedRuns(
      [&] {
        from = m_frames.Count();
        const auto until = std::chrono::steady_clock::now() + limit;
        while (m_frames.Count() < from + samples && std::chrono::steady_clock::now() < until) {
          QxTest::PumpEvents();
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        to = m_frames.Count();
        ASSERT_GE(to, from + samples) << "the run goes on";
      },
      [&](const HoldUpMeter& meter, int& runs) {
        meter.Timeline()->AwaitSampleAfter(m_frames.Us()[to - 1]);
        verdict.heldUp = HeldUpBy(meter);
        holdUps = meter.Timeline();
        return HeldUpRunAgain(verdict.heldUp, late, runs);
      });
  if (!made) return verdict;
  if (verdict.heldUp.empty())
    verdict.late = late();
  else
    verdict.heldUp = HeldUpEveryTime(verdict.heldUp);
  return verdict;
}

std::string PacedRunWatch::LateOverTheTest(long long periodMs) const {
  const auto timeline = m_testMeter->Timeline();
  if (const std::vector<long long> us = m_frames.Us(); !us.empty())
    timeline->AwaitSampleAfter(us.back());
  return m_frames.LateMedianOfRuns(
      periodMs, [timeline](long long a, long long b) { return timeline->HeldUsBetween(a, b); },
      [timeline](long long us) { return timeline->CountedAfter(us); });
}

}  // namespace qxtest
