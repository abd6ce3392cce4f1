// Real-time runs end to end against the companion: the frames the program
// sent, the answers it read, and a companion that goes or falls quiet.
#include "tests/app/CompanionFixture.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

// A run this process (by more than a sample) or the companion was held up
// in is made again: a held-up worker may run a sample before the
// user-interface thread has handed it the answer that came meanwhile, and
// reads what it held. So is one whose answer came after its sample while
// the bus's reader or the user-interface thread waited for a processor.
TEST_F(RealtimeCompanionThreads, EveryFrameCarriesItsSampleAndTheReadingsFollowTheAnswers) {
  m_heldUpFrom = std::chrono::milliseconds(20);
  m_answersJudged = true;
  CQorexDoc* doc = nullptr;
  if (!JudgedCompanionRun([&] {
        StartCompanion();
        m_posted.clear();
        doc = NewDesign(0.02, 0.4);  // 20 samples
        return doc;
      }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 20), "");
  // As sent, and as received: a stalled companion may hear fewer, and a
  // stalled program find fewer answers.
  const auto dac = SentFrames();
  const std::vector<Received> adc = m_received;
  // The zeroing frame, one per sample, the last zeroing frame.
  ASSERT_EQ(dac.size(), 22u);
  EXPECT_EQ(dac.front(), (std::vector<int>{32767, 32767, 32767, 32767}));
  EXPECT_EQ(dac.back(), (std::vector<int>{32767, 32767, 32767, 32767}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  ASSERT_EQ(doc->m_nRuns, 1);
  EXPECT_EQ(doc->m_runs[0].output.m_nColumns, 20);
  const CSIMsystem& run = doc->m_system;
  int latest = 0;  // the newest answer a sample read
  for (int k = 0; k < 20; ++k) {
    EXPECT_LE(std::abs(dac[k + 1][0] - CDT2801::VoltsToCode(run.m_uv.At(0, k))), 1) << k;
    // The reading is the plant's answer to a frame before sample k's own (the first
    // is the zeroing one), never to an older one than the last sample's.
    int j = -1;
    for (int i = std::min<int>(k, int(adc.size()) - 1); i >= latest && j < 0; --i)
      if (std::abs(adc[i].volts - run.m_y.At(0, k)) < 1e-12) j = i;
    if (k > 0) {
      ASSERT_GE(j, 0) << k;
      latest = j;
    }
  }
  // The document's signals are the simulator's.
  const CSIMsystem* sim = g_pSimulator.load();
  for (int k = 0; k < 20; ++k) EXPECT_EQ(run.m_uv.At(0, k), sim->m_uv.At(0, k));
}

// The companion goes after sample 1 of 5 at 250 ms, the rest of the run
// well inside the loss bound (2.5 s) even if the program is held up meanwhile:
// the run goes on to its end on the inputs it last sent.
TEST_F(RealtimeCompanionThreads, AKilledCompanionLeavesTheRunOnItsLastInputs) {
  CQorexDoc* doc = nullptr;
  DWORD gone = 0;
  if (!JudgedCompanionRun(
          [&] {
            StartCompanion();
            doc = NewDesign(0.25, 1.25);
            gone = 0;
            return doc;
          },
          [&](const MSG& msg) {
            if (msg.message == WM_QX_INVALIDATESLICE && msg.wParam == 1) {
              m_companion->Stop();
              gone = GetTickCount();
            }
            return false;
          }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 250), "") << "a gone companion does not hold the run up";
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{kRunEndedNormally}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_TRUE(Boxes().empty());
  ASSERT_NE(gone, 0u);
  EXPECT_TRUE(std::any_of(m_posted.begin(), m_posted.end(), [gone](const Posted& p) {
    return p.message == WM_QX_INVALIDATESLICE && static_cast<LONG>(p.time - gone) > 0;
  })) << "samples ran after the companion went";
  const CSIMsystem& run = doc->m_system;
  ASSERT_EQ(run.m_y.m_nColumns, 5);
  EXPECT_NE(run.m_y.At(0, 4), 0.0);
  EXPECT_TRUE(ReadableAt(4, run.m_y.At(0, 4))) << run.m_y.At(0, 4);
}

// The companion answers the zeroing frame and 19 samples' (0.4 s), and then
// leaves the bus (ended) or dies with its socket left behind (killed): the
// run ends one loss bound (1 s) after, says so once and keeps nothing.
// Timed on the program's own clock: from the last input that reached it, and
// from the companion's end less any time this process was held up.
TEST_F(RealtimeCompanionThreads, ACompanionGoneFromTheBusEndsTheRunWithinTheBoundAndSaysSo) {
  for (int run = 1, variant = 0; variant < 2; ++run) {
    const bool killed = variant == 1;
    SCOPED_TRACE(killed ? "killed" : "ended");
    StartCompanion();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    m_posted.clear();
    CQorexDoc* doc = NewDesign(0.02, 30.0);
    std::atomic<DWORD> gone{0};  // when the companion had ended
    long long goingUs = 0;       // just before the companion was told to go
    // The companion is told to go, and waited for, on a thread of its own:
    // the user-interface thread hands the program its inputs, and one kept
    // waiting for an exit that a loaded machine makes slow would starve the
    // run of its inputs and make it lost by itself.
    std::thread going;
    const HoldUpMeter meter;
    m_onPosted = [&](const MSG& msg) {
      if (msg.message == WM_QX_INVALIDATESLICE && msg.wParam == 18 && !going.joinable()) {
        goingUs = qxtest::SteadyUs();
        going = std::thread([&] {
          killed ? m_companion->Kill() : static_cast<void>(m_companion->Stop());
          gone = GetTickCount();
        });
      }
      return false;
    };
    doc->StartStopSimulation();
    const bool pumped = PumpUntilEnded();
    if (going.joinable()) going.join();
    ASSERT_TRUE(pumped);
    m_onPosted = nullptr;
    ASSERT_NE(gone, 0u);
    ASSERT_FALSE(m_received.empty());
    const DWORD ended = RunEndedAt();
    // From the last input that reached the program before the end: a frame
    // the companion sent before it went may still come after, or in the tick
    // the run ended in, when a processor was kept from the bus's reader or
    // from the companion, or this process was stopped (the worker, let go
    // on, ends the run as the reader takes the frame).
    DWORD lastBefore = m_received.front().time;
    for (const Received& r : m_received)
      if (static_cast<LONG>(r.time - ended) < 0) lastBefore = r.time;
    // A companion kept from a processor before it was told to go falls
    // silent by itself, and the run rightly ends one bound later: that run
    // says nothing of the bound after a companion's going; so does one whose
    // inputs were kept from the unit while the bus's reader or the
    // user-interface thread that hands them over waited for a processor.
    // It is made again only when the wait for a processor of the worker or
    // an answer's road, or a stop of this process, accounts for that
    // silence, and the silence was the bound's: a program that ended the
    // run on its own, or sooner than a bound after the last input (less what
    // held it up between its reading the clock and asking), is judged.
    if (1000LL * ended + 999 < goingUs) {
      const LONG silence = static_cast<LONG>(ended - lastBefore);
      const auto held = meter.HeldBetween(1000LL * lastBefore, 1000LL * ended + 999);
      ASSERT_GE(silence + held.count() + 2, 1000)
          << "the run ended " << silence << " ms after its last input, held up " << held.count()
          << " ms meanwhile: sooner than the loss bound";
      const long long roadHeld =
          AnswerRoadHeld(*meter.Timeline())(1000LL * lastBefore, 1000LL * ended + 999) / 1000;
      ASSERT_GE(std::max<long long>(held.count(), roadHeld) + 100, silence)
          << "the run ended " << (goingUs - 1000LL * ended) / 1000
          << " ms before the companion was told to go, after " << silence
          << " ms without an input, held up " << held.count() << " ms meanwhile, the inputs' road "
          << roadHeld << " ms";
      doc->OnCloseDocument();
      TearDownCompanion();
      if (run == kMostRuns)
        GTEST_SKIP() << "the companion was kept from a processor before it went in each of "
                     << kMostRuns << " runs";
      std::fprintf(stderr,
                   "[ HELD UP  ] run %d made again: the companion fell silent %ld ms "
                   "before it was told to go, held up %lld ms meanwhile, its road %lld ms\n",
                   run, static_cast<long>(silence), static_cast<long long>(held.count()), roadHeld);
      continue;
    }
    EXPECT_GE(static_cast<LONG>(ended - lastBefore), 1000);
    // What held this process or the worker up from the going on (a stop
    // while the companion went included) to the end, or to an input that
    // came after it.
    const DWORD last =
        static_cast<LONG>(m_received.back().time - ended) > 0 ? m_received.back().time : ended;
    const auto held = meter.HeldBetween(goingUs, 1000LL * last + 999);
    if (static_cast<LONG>(m_received.back().time - ended) >= 0) {
      EXPECT_GT(held.count(), 0) << "an input came after the end with nothing held up: "
                                 << static_cast<LONG>(m_received.back().time - ended)
                                 << " ms after it, the one before "
                                 << static_cast<LONG>(ended - lastBefore) << " ms before it, "
                                 << m_received.size() << " inputs in all, the companion gone "
                                 << static_cast<LONG>(ended - gone) << " ms before the end";
    }
    EXPECT_LE(static_cast<LONG>(ended - gone), LONG(1000 + 500 + held.count()));
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCompanionLost);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_TRUE(HandOvers().empty());
    EXPECT_EQ(doc->m_nRuns, 0);
    EXPECT_TRUE(AllOutputsZero());
    doc->OnCloseDocument();
    TearDownCompanion();
    ++variant;
    run = 0;
  }
}

// The companion answers the zeroing frame only and then just listens, for
// longer than the loss bound: the run goes on to its end on that answer.
// What it hears is not counted: a stalled companion's queue takes a few
// frames and the bus skips it while full.
TEST_F(RealtimeCompanionThreads, AQuietCompanionKeepsTheRunGoingOnTheInputsItLastSent) {
  CQorexDoc* doc = nullptr;
  if (!JudgedCompanionRun([&] {
        StartCompanion({"--silent-after", "1"});
        doc = NewDesign(0.02, 1.6);  // 80 samples
        return doc;
      }))
    GTEST_SKIP() << HeldUpEveryTime();
  EXPECT_EQ(LateStep(SentTimesUs(), 20), "") << "a quiet companion does not hold the run up";
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(RunEnds(), (std::vector<LPARAM>{kRunEndedNormally}));
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
  ASSERT_EQ(m_received.size(), 1u);
  EXPECT_EQ(doc->m_system.m_y.At(0, 79), m_received[0].volts);
  // Every frame went out: the zeroing one, one per sample, the last zeroing one.
  EXPECT_EQ(SentFrames().size(), 82u);
}

// The road an answer takes to the samples: the user-interface thread that
// hands it over and the bus's reader, a thread that lives while the bus is
// joined, which a run whose answers are judged charges its waits to.
TEST_F(RealtimeCompanionThreads, AnAnswersRoadIsTheBussReaderAndTheHandOver) {
  StartCompanion();
  const std::set<long> road = m_answerRoad;
  EXPECT_EQ(road.count(static_cast<long>(gettid())), 1u);
  ASSERT_GE(road.size(), 2u) << "the bus's reader";
  TearDownCompanion();
  for (const long tid : qxtest::ListOf(0, "task"))
    EXPECT_TRUE(tid == static_cast<long>(gettid()) || road.count(tid) == 0)
        << tid << " outlived the bus";
}
