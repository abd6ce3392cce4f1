#pragma once
// Paced runs judged at their period (HoldUps.h). A run is judged unless
// something outside the program held it up and that accounts for the
// lateness it showed: such a run is made again, kMostRuns runs at most, and
// a test whose every run was held up is skipped, saying why. Whether a run
// was held up is told from outside evidence only, never from how long the
// run took or how late its calls came; and a run still late net of what held
// it up is judged, whatever the load: a late program must fail.
#include "platform/core/Clock.h"
#include "tests/support/HoldUps.h"

#include <chrono>
#include <climits>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qxtest {

inline constexpr int kMostRuns = 5;
// Held up this long or more within three times as long (the meter's count)
// may have made a call wait past its reply timeout.
inline constexpr std::chrono::milliseconds kHeldUp{100};

// Why the run the meter measured cannot be judged: a thread its samples
// waited on was kept from a processor, or this process stopped, `least` or
// more within three times that; empty when nothing was.
std::string HeldUpBy(const HoldUpMeter& meter, std::chrono::milliseconds least = kHeldUp);

// Whether a run just made is to be made again: it was held up (`heldUp`
// says why; empty: it was not) and kept its period net of that (`late`,
// asked only then, says what broke it), and it was not the last of
// kMostRuns (`runs` counts the runs made again). A run late beyond what
// held it up is judged: `heldUp` is cleared.
bool HeldUpRunAgain(std::string& heldUp, const std::function<std::string()>& late, int& runs);

// The run-and-repeat loop: `run` makes a run under a meter of its own, until
// `again` (HeldUpRunAgain's judgement of the run the meter measured, which
// then forgets it; `runs` as there) says it is not to be made again;
// `between` then ends what the run made again leaves (a peer). `prepare`,
// before each run, readies what is not judged (a peer started) before the
// meter starts: a peer just started waits for a processor, which says
// nothing of the run. False when making a run failed fatally.
bool JudgedRuns(const std::function<void()>& run,
                const std::function<bool(const HoldUpMeter&, int&)>& again,
                const std::function<void()>& between = nullptr,
                const std::function<void()>& prepare = nullptr);

// The answers of a peer that reached the samples too late to be read.
// Answer i, to output frame i (sentUs[i]; the first is the run's 0 V
// start), handed to the unit at answeredUs[i] (kNeverCame, or past the
// end, for one that never came), is read by the sample that
// sends frame i + `lag` (the next one, unless the run lets its readings
// fall further behind): it has until then, less what an answer takes at
// best and the `turnUs` its hand-over may wait for the user-interface
// thread's turn. An answer handed over later, or never, or one that sample
// is known to have missed (`missed`, from what the samples read: a sample
// may read before its frame goes), is late. Only answers some sample
// reads are counted: the last frames' answers are read by none (the
// run's last frame is its closing zero). An answer handed over before its
// own frame went cannot be told from another's: it is listed as late
// beyond any hold-up.
// An answer that never came, before others that did.
constexpr long long kNeverCame = LLONG_MAX;
struct LateAnswer {
  std::size_t frame = 0;
  bool came = false;
  long long afterSampleUs = 0;  // from its sample's frame to its coming
  // The hold-up of the threads on its road from its frame to its coming
  // (the run's last frame, for one that never came), and the slack it had.
  long long heldUs = 0, slackUs = 0;
};
std::vector<LateAnswer> LateAnswers(const std::vector<long long>& sentUs,
                                    const std::vector<long long>& answeredUs, long long turnUs,
                                    const HeldUs& heldUs,
                                    const std::function<bool(std::size_t)>& missed = nullptr,
                                    std::size_t lag = 1);
std::string Said(const LateAnswer& late);

// Why a peer's answers reached the samples too late for a reason outside
// the program: every late answer (LateAnswers) came while the threads on
// its road were held up (`heldUs`) for all the slack it had. Empty when
// every answer came in time, or when one came late that no hold-up
// explains, or with no slack at all: that answer is the program's, and the
// run is judged.
std::string AnswerHeldUp(const std::vector<long long>& sentUs,
                         const std::vector<long long>& answeredUs, long long turnUs,
                         const HeldUs& heldUs,
                         const std::function<bool(std::size_t)>& missed = nullptr,
                         std::size_t lag = 1);

// The hold-up of a run whose worker also waits for the user-interface
// thread while it takes a pass over: `samples`' between two instants, and
// `ui`'s (that thread's own waits) over the part of each hand-over, from
// its post to its delivery (`handOvers`, on the steps' clock), between them.
HeldUs WithHandOvers(HeldUs samples, HeldUs ui,
                     std::vector<std::pair<long long, long long>> handOvers);

// Why a test whose every run was held up, the last by `heldUp`, is skipped.
std::string HeldUpEveryTime(const std::string& heldUp);

// Keeps a clock for as long as the program lives.
void KeepClock(std::unique_ptr<QxClock> clock);

// Installs a clock for the rest of the test. A worker that has just ended
// may still read the clock on its way out (its last post), and no one can
// join it: the clocks live as long as the program.
template <class C, class... Args>
C& InstallClock(Args... args) {
  auto clock = std::make_unique<C>(args...);
  C& installed = *clock;
  QxSetClock(&installed);
  KeepClock(std::move(clock));
  return installed;
}

// The output frames of the emulated unit that its companion heard, each
// with when (SteadyUs) and the thread that sent it: the steps of a test's
// runs, a run's being the frames one thread sent (a run's worker, a
// tuner's pass): its 0 V start, its samples, its closing 0 V.
class HeardFrames {
 public:
  // Notes a frame, on the thread that sends it.
  void Note();
  // Notes a frame thread `tid` sent at `us` (SteadyUs).
  void Note(long long us, long tid);
  std::size_t Count() const;
  // The times of the frames heard so far, of every run.
  std::vector<long long> Us() const;
  // The period check (LatePeriod) of each run among frames from..to-1,
  // each judged whole, net of `held` (counted as `countedAt` says); what
  // broke it first, or empty.
  std::string LateRuns(long long periodMs, const HeldUs& held, std::size_t from = 0,
                       std::size_t to = SIZE_MAX, const CountedAt& countedAt = nullptr) const;
  // The median rule (LateMedian) over the gaps of every run heard, net of
  // `held`.
  std::string LateMedianOfRuns(long long periodMs, const HeldUs& held,
                               const CountedAt& countedAt = nullptr) const;

 private:
  // The times of each run among frames from..to-1.
  std::vector<std::vector<long long>> Runs(std::size_t from, std::size_t to) const;
  mutable std::mutex m_lock;
  std::vector<long long> m_us;
  std::vector<long> m_tids;
};

// What a test of paced runs on the emulated unit watches from its start to
// its end, for a fixture that is no real-time fixture: which threads run
// the samples (the sample clock, installed while it lives), what held the
// test up (a meter), and the output frames heard (Heard, for an
// InstantCompanion). Made on the user-interface thread as the test begins.
class PacedRunWatch {
 public:
  PacedRunWatch();
  ~PacedRunWatch();
  PacedRunWatch(const PacedRunWatch&) = delete;
  PacedRunWatch& operator=(const PacedRunWatch&) = delete;

  // Notes each output frame heard, on the sending thread.
  std::function<void()> Heard() {
    return [this] { m_frames.Note(); };
  }
  const HeardFrames& Frames() const { return m_frames; }

  // What a judged stretch came to: what broke its period (empty: kept), or
  // why no stretch could be judged (HeldUpEveryTime; empty: one was).
  struct Verdict {
    std::string late, heldUp;
  };
  // Judges the run going on over its next `samples` frames, delivering the
  // user-interface thread's messages meanwhile (a tuner waits for its
  // candidates): a stretch held up and on time net of it is made again on
  // the run's next frames, as a run is made again (JudgedRuns).
  Verdict JudgeTheRunGoingOn(long long periodMs, std::size_t samples);
  // The median rule over every run of the test, net of what held the test
  // up: a program late at every sample fails whatever else a test looks at.
  std::string LateOverTheTest(long long periodMs) const;

 private:
  HeardFrames m_frames;
  QxClock* m_previousClock = nullptr;
  std::unique_ptr<HoldUpMeterCore> m_testMeter;  // from the test's start to its end
};

}  // namespace qxtest
