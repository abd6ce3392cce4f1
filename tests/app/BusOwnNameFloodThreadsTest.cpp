// A run of a PI design against the companion while a local peer floods this
// process's bus socket with frames under the name the program sends its own
// outputs under: the program registered that name only to send, so the
// frames are dropped where they are read, the companion's answers reach the
// emulated unit as they would alone, and the outputs the program sends are
// those of the run without the flood.
#include "tests/app/CompanionFixture.h"
#include "tests/platform/BusFloodPeer.h"

#include <QCoreApplication>

#include <climits>

namespace {

// What one run sent, and whether it says anything about the bus.
struct OutputsSeen {
  std::vector<std::vector<int>> sent;  // every output frame, four codes each
  std::vector<LPARAM> ends;
  std::size_t boxes = 0;
  long floodOffered = 0;
  int runs = 0;  // made, the held-up ones included
  // The first pair of output frames sent further apart than a period and
  // the margin; empty when the program kept its period.
  std::string lateFrame;
  std::string lateAnswers;  // the answers its samples missed, and why
  int answersMissed = 0;
};

class BusOwnNameFloodThreads : public RealtimeCompanionThreads {
 protected:
  static constexpr double kTs = 0.05;
  static constexpr int kSamples = 40;
  static constexpr int kBusyMs = 20;
  static constexpr long long kHeardLateMs = 20;

  void SetUp() override {
    RealtimeCompanionThreads::SetUp();
    // This process held up for half a period or more may take an answer a
    // sample late without the bus being at fault.
    m_heldUpFrom = std::chrono::milliseconds(static_cast<int>(kTs * 500));
    m_viaMainWindow = true;
    // An answer that missed its sample moves every output after it.
    m_answersJudged = true;
    m_answerTurnUs = kBusyMs * 1000;
  }

  // A PI controller, u = 0.25 e + 2 * integral of e, keeping the output of
  // the companion's plant (y := 0.5 y + 0.5 u a frame) at the command, 1 V.
  CQorexDoc* PIDesign() {
    CQorexDoc* doc = NewDesign(kTs, kTs * kSamples);
    delete doc->m_models.GetAt(kModelK)->SetChildAt(Tf({2.0, 0.25}, {0.0, 1.0}), 1);
    doc->Recalculate();
    return doc;
  }

  // Delivers messages until the worker has ended, one turn at the
  // application's events every kBusyMs: a user-interface thread that draws
  // or lays out between its turns, and still takes each answer long before
  // the next sample.
  static bool TakeTurnsUntilEnded() {
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      qxui::DeliverPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(kBusyMs));
    }
    QxTest::PumpEvents();
    return g_pWorkerThread.load() == nullptr;
  }

  // One run against a fresh companion, beside a flood of perMs frames a
  // millisecond under the program's output name (0: none). The socket's
  // queue is short: while the bus's reader waits for a core (a loaded
  // machine) the flood fills it, and an answer sent then finds no room. The
  // companion sends such an answer again for up to 40 ms, still before
  // the next sample, so that what is judged is what the bus lets through.
  // A run held up from outside is made again, on a fresh design and
  // companion (JudgedRun); m_heldUp says why when every run was.
  OutputsSeen Run(int perMs) {
    OutputsSeen seen;
    CQorexDoc* doc = nullptr;
    std::unique_ptr<qxtest::FloodPeer> flood;
    TearDownCompanion();  // the last run's
    const auto prepare = [&] {
      ++seen.runs;
      doc = nullptr;
      StartCompanion({"--resend-ms", "40", "--times", "1"}, "0.5");
      ForgetTheRun();
      doc = PIDesign();
      if (perMs > 0)
        flood = std::make_unique<qxtest::FloodPeer>(qxbus::OwnSocketPath(), "ID_DIDIRO_DAC", perMs,
                                                    400000, std::chrono::seconds(20));
    };
    JudgedRun(
        [&]() -> CQorexDoc* {
          // A sample that read anything but the answer to the frame before
          // its own missed that answer.
          m_answerMissed = [this, doc](std::size_t i) {
            const Received* answer = AnswerTo(i);
            return answer && doc->m_system.m_y.At(0, static_cast<int>(i)) != answer->volts;
          };
          doc->StartStopSimulation();
          EXPECT_TRUE(TakeTurnsUntilEnded());
          if (flood) {
            flood->Stop();
            seen.floodOffered = flood->Sent() + flood->Refused();
            m_floodStarved = flood->Starved();
            flood.reset();
          }
          return doc;
        },
        [&] { TearDownCompanion(); }, prepare);
    if (!doc || HasFatalFailure()) return seen;
    if (m_holdUps)
      for (const qxtest::LateAnswer& late :
           qxtest::LateAnswers(SentTimesUs(), AnsweredUs(), m_answerTurnUs,
                               AnswerRoadHeld(*m_holdUps), m_answerMissed)) {
        seen.lateAnswers += qxtest::Said(late) + "; ";
        ++seen.answersMissed;
      }
    m_answerMissed = nullptr;
    seen.sent = SentFrames();
    seen.lateFrame = LateStep(SentTimesUs(), static_cast<DWORD>(kTs * 1000));
    seen.ends = RunEnds();
    seen.boxes = Boxes().size();
    doc->OnCloseDocument();
    return seen;
  }

  // Held up as the fixture says, or by the companion's having heard an
  // output frame late for a reason outside the program (HeardLate).
  std::string HeldUpBy(const HoldUpMeter& meter) override {
    std::string why = RealtimeCompanionThreads::HeldUpBy(meter);
    if (!m_companion) return why;
    const std::string late = HeardLate(CompanionLog().heardUs, *meter.Timeline());
    if (!late.empty()) why += (why.empty() ? "" : "; ") + late;
    return why;
  }
  // The companion's having read an output frame late: later after it was
  // handed to the bus than the frame it read soonest, by more than the part
  // of a period the user-interface thread's turns leave an answer, while
  // the worker or the companion waited for a processor (or this process was
  // stopped) as long as that. A frame read late without such a hold-up is
  // the program's lateness, judged with the run; frames not read at all
  // count only by the companion's own stall note. Stalls too short for the
  // companion's own note cost an answer here.
  std::string HeardLate(const std::vector<long long>& heardUs,
                        const qxtest::HoldUpTimeline& holdUps) {
    const std::vector<long long> sent = SentTimesUs();
    if (heardUs.size() != sent.size()) return "";
    long long soonest = LLONG_MAX;
    for (std::size_t k = 0; k < sent.size(); ++k) soonest = std::min(soonest, heardUs[k] - sent[k]);
    for (std::size_t k = 0; k < sent.size(); ++k) {
      const long long late = heardUs[k] - sent[k] - soonest;
      if (late <= kHeardLateMs * 1000) continue;
      const long long held = holdUps.HeldUsBetween(sent[k], sent[k] + late + kHeardLateMs * 1000);
      if (held >= late - kHeardLateMs * 1000)
        return "the companion read output frame " + std::to_string(k) + " " +
               std::to_string(late / 1000) + " ms late, held up " + std::to_string(held / 1000) +
               " ms meanwhile";
    }
    return "";
  }
};

}  // namespace

// 50 ms samples for 2 s, once alone and once beside 18 frames a millisecond
// named "ID_DIDIRO_DAC" sent to this process's own socket.
TEST_F(BusOwnNameFloodThreads, AFloodUnderTheOutputsNameLeavesTheOutputsAsTheyWere) {
  const OutputsSeen alone = Run(0);
  if (!m_heldUp.empty()) GTEST_SKIP() << "alone: " << HeldUpEveryTime();
  const OutputsSeen flooded = Run(18);
  if (!m_heldUp.empty()) GTEST_SKIP() << "beside the flood: " << HeldUpEveryTime();
  for (const OutputsSeen* seen : {&alone, &flooded}) {
    EXPECT_EQ(seen->ends, (std::vector<LPARAM>{kRunEndedNormally}));
    EXPECT_EQ(seen->boxes, 0u);
    EXPECT_EQ(seen->lateFrame, "");
  }
  // A flood kept from a processor cannot be made, and says nothing of the bus.
  if (flooded.floodOffered < 18000 && !m_floodStarved.empty())
    GTEST_SKIP() << "the flood could not be made: " << m_floodStarved;
  EXPECT_GE(flooded.floodOffered, 18000) << "the flood did not happen";
  // The zeroing write, a frame per sample and the closing write.
  ASSERT_EQ(alone.sent.size(), static_cast<std::size_t>(kSamples + 2));
  ASSERT_EQ(flooded.sent.size(), alone.sent.size());
  constexpr int kMostCodesApart = 40;
  int furthest = 0, highest = 0, firstApart = -1;  // the first frame more than a code apart
  for (std::size_t k = 0; k < alone.sent.size(); ++k) {
    highest = std::max(highest, alone.sent[k][0]);
    for (int ch = 0; ch < 4; ++ch) {
      const int apart = std::abs(flooded.sent[k][ch] - alone.sent[k][ch]);
      furthest = std::max(furthest, apart);
      if (apart > 1 && firstApart < 0) firstApart = static_cast<int>(k);
    }
  }
  std::printf(
      "BusOwnNameFloodThreads: %ld frames offered; highest output %d alone; furthest %d codes, "
      "first at frame %d; runs %d / %d; answers missed %d / %d\n",
      flooded.floodOffered, highest, furthest, firstApart, alone.runs, flooded.runs,
      alone.answersMissed, flooded.answersMissed);
  EXPECT_GT(highest, 34000) << "the loop moved (0 V is 32767)";
  // One code on a quiet machine. A loaded one can deliver an answer a sample
  // late now and then even with the companion's resend (seen: 4 codes, once
  // in a dozen loaded passes); a flood that takes the answers' room moves the
  // outputs by 150 codes and more.
  EXPECT_LE(furthest, kMostCodesApart)
      << "codes between the run alone and beside the flood; the answers the samples missed, "
      << "alone: " << alone.lateAnswers << "beside the flood: " << flooded.lateAnswers;
}
