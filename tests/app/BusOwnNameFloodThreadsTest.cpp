// A run of a PI design against the companion while a local peer floods this
// process's bus socket with frames under the name the program sends its own
// outputs under: the program registered that name only to send, so the
// frames are dropped where they are read, the companion's answers reach the
// emulated unit as they would alone, and the outputs the program sends are
// those of the run without the flood.
#include "tests/app/RealtimeFixture.h"
#include "tests/platform/BusFloodPeer.h"

#include "platform/ui/WinApp.h"

#include <QCoreApplication>

#include <cstdlib>
#include <optional>

namespace {

// The main window's part in a run: the inputs the bus hands to it go to the
// emulated unit, as the main frame's handler passes them on.
class CAnswersFrame : public CFrameWnd {
 public:
  LRESULT OnAdc(WPARAM wParam, LPARAM lParam) {
    if (g_pAnalogIo) g_pAnalogIo->ReceiveInputs(wParam, lParam);
    return 0;
  }

 protected:
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAnswersFrame, CFrameWnd)
ON_REGISTERED_MESSAGE(g_msgAdc, OnAdc)
END_MESSAGE_MAP()

// What one run sent, and whether it says anything about the bus.
struct OutputsSeen {
  std::vector<std::vector<int>> sent;  // every output frame, four codes each
  std::vector<LPARAM> ends;
  std::size_t boxes = 0;
  long floodOffered = 0;
  // This process or the companion was held up for half a period or more:
  // an answer may have come a sample late without the bus being at fault.
  bool heldUp = false;
};

class BusOwnNameFloodThreads : public RealtimeThreads {
 protected:
  static constexpr double kTs = 0.05;
  static constexpr int kSamples = 40;
  static constexpr int kBusyMs = 20;

  void SetUp() override {
    RealtimeThreads::SetUp();
    m_instantCompanion.reset();  // the real one answers
    m_bus = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", qxtest::MakeTempDir("ownflood"));
    m_frame = new CAnswersFrame;
    ASSERT_TRUE(m_frame->Create(nullptr, "Answers"));
    m_app->m_pMainWnd = m_frame;
    m_previousReceiver = QxBusSetReceiver(QxPostToMainWnd);
    ASSERT_TRUE(QxBusJoin());
    KeepSentFrames();
  }
  void TearDown() override {
    RealtimeThreads::TearDown();
    QxBusLeave();
    QxBusSetReceiver(m_previousReceiver);
    if (m_frame) m_frame->DestroyWindow();  // deletes itself
    m_bus.reset();
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
    while (g_pWorkerThread.load() != nullptr && std::chrono::steady_clock::now() < limit) {
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
  // companion sends such an answer again for up to 20 ms, still long before
  // the next sample, so that what is judged is what the bus lets through.
  OutputsSeen Run(int perMs) {
    OutputsSeen seen;
    qxtest::PeerProcess companion("qorex_companion", {"--seconds", "60", "--lag", "0.5", "--times",
                                                      "1", "--resend-ms", "20"});
    EXPECT_EQ(companion.ReadLine().rfind("ready", 0), 0u);
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    {
      std::lock_guard guard(m_sentLock);
      m_sent.clear();
      m_sentAt.clear();
    }
    CQorexDoc* doc = PIDesign();
    std::unique_ptr<qxtest::FloodPeer> flood;
    if (perMs > 0)
      flood = std::make_unique<qxtest::FloodPeer>(qxbus::OwnSocketPath(), "ID_DIDIRO_DAC", perMs,
                                                  400000, std::chrono::seconds(20));
    std::optional<HoldUpMeter> meter(std::in_place);
    doc->StartStopSimulation();
    EXPECT_TRUE(TakeTurnsUntilEnded());
    seen.heldUp = meter->Held() >= std::chrono::milliseconds(static_cast<int>(kTs * 500));
    meter.reset();
    if (flood) {
      flood->Stop();
      seen.floodOffered = flood->Sent() + flood->Refused();
    }
    seen.sent = SentFrames();
    seen.ends = RunEnds();
    seen.boxes = Boxes().size();
    // The companion hears a frame every period; a longer gap says it was
    // held up.
    long long lastHeardUs = -1;
    for (std::string line = companion.ReadLine(1000); !line.empty();
         line = companion.ReadLine(1000)) {
      const std::size_t at = line.find(" t=");
      if (line.rfind("DAC", 0) != 0 || at == std::string::npos) continue;
      const long long heardUs = std::atoll(line.c_str() + at + 3);
      if (lastHeardUs >= 0 && heardUs - lastHeardUs > static_cast<long long>(kTs * 1.5e6))
        seen.heldUp = true;
      lastHeardUs = heardUs;
    }
    doc->OnCloseDocument();
    return seen;
  }

  // A run made again, up to four times, while it was held up; the last is
  // judged (a bus at fault fails there too).
  OutputsSeen RunNotHeldUp(int perMs, int* attempts) {
    OutputsSeen seen;
    for (*attempts = 1; (seen = Run(perMs)).heldUp && *attempts < 5; ++*attempts) {
    }
    return seen;
  }

  std::unique_ptr<qxtest::ScopedEnv> m_bus;
  CAnswersFrame* m_frame = nullptr;
  QxBusReceiver m_previousReceiver;
};

}  // namespace

// 50 ms samples for 2 s, once alone and once beside 18 frames a millisecond
// named "ID_DIDIRO_DAC" sent to this process's own socket.
TEST_F(BusOwnNameFloodThreads, AFloodUnderTheOutputsNameLeavesTheOutputsAsTheyWere) {
  int aloneRuns = 0, floodedRuns = 0;
  const OutputsSeen alone = RunNotHeldUp(0, &aloneRuns);
  const OutputsSeen flooded = RunNotHeldUp(18, &floodedRuns);
  EXPECT_GE(flooded.floodOffered, 18000) << "the flood did not happen";
  for (const OutputsSeen* seen : {&alone, &flooded}) {
    EXPECT_EQ(seen->ends, (std::vector<LPARAM>{kRunEndedNormally}));
    EXPECT_EQ(seen->boxes, 0u);
  }
  // The zeroing write, a frame per sample and the closing write.
  ASSERT_EQ(alone.sent.size(), static_cast<std::size_t>(kSamples + 2));
  ASSERT_EQ(flooded.sent.size(), alone.sent.size());
  int furthest = 0, highest = 0;
  for (std::size_t k = 0; k < alone.sent.size(); ++k) {
    highest = std::max(highest, alone.sent[k][0]);
    for (int ch = 0; ch < 4; ++ch)
      furthest = std::max(furthest, std::abs(flooded.sent[k][ch] - alone.sent[k][ch]));
  }
  std::printf(
      "BusOwnNameFloodThreads: %ld frames offered; highest output %d alone; furthest %d codes; "
      "runs %d / %d\n",
      flooded.floodOffered, highest, furthest, aloneRuns, floodedRuns);
  EXPECT_GT(highest, 34000) << "the loop moved (0 V is 32767)";
  EXPECT_LE(furthest, 1) << "codes between the run alone and beside the flood";
}
