// The run spot's stop while the board keeps a request unanswered, and the
// workers' posts while the user-interface thread's queue is full: the
// user-interface thread never waits on the board, and no worker waits for a
// message that never got into the queue.
#include "GlobalResources.h"
#include "search/KFinder.h"
#include "tests/app/RealtimeFixture.h"

namespace {

// Messages that stand for a flood (of bus frames, say): nobody handles them.
constexpr UINT kFlood = WM_APP + 60;
// A message of the user's, made while a worker ends.
constexpr UINT kUserInput = WM_APP + 61;

const std::string kHandOverLost =
    "A completed pass could not be handed over while the program was flooded with messages; the "
    "run has ended with its outputs at 0 V.";

class RealtimeStopThreads : public RealtimeThreads {
 protected:
  void SetUp() override {
    RealtimeThreads::SetUp();
    m_onPosted = [this](const MSG& msg) {
      if (msg.message == kUserInput) m_inputWhileWorkerRan = g_pWorkerThread.load() != nullptr;
      return msg.message == kFlood || msg.message == kUserInput;
    };
  }

  // The fake board with more arguments (a fault), and the device opened on
  // it with the reply timeout given.
  void StartBoardWith(std::vector<std::string> args, DWORD timeoutMs) {
    m_socket = qxtest::MakeTempDir("rtstop") + "/dt2801.sock";
    std::vector<std::string> all{"--socket", m_socket, "--seconds", "120"};
    all.insert(all.end(), args.begin(), args.end());
    m_board = std::make_unique<qxtest::PeerProcess>("fake_dt2801", all);
    ASSERT_EQ(m_board->ReadLine(), "ready");
    qxtest::ScopedEnv timeout("QX_DEVICE_TIMEOUT_MS", std::to_string(timeoutMs));
    qxtest::ScopedEnv env("QX_DEVICE_DT2801", m_socket);
    delete g_pAnalogIo;
    g_pAnalogIo = new CDT2801;
    ASSERT_EQ(g_pAnalogIo->m_bEmulate, 0);
  }
  // Reads the board's log until a request line numbered n has come.
  bool BoardGotRequest(int n) {
    const std::string mark = "#" + std::to_string(n) + " ";
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (std::chrono::steady_clock::now() < limit)
      for (std::string line = m_board->ReadLine(); !line.empty(); line = m_board->ReadLine())
        if (line.rfind(mark, 0) == 0) return true;
    return false;
  }

  // Whether this thread may take the simulation lock now, as a paint of the
  // live signals does.
  static bool SimulationLockFree() {
    if (!TryEnterCriticalSection(g_pcsSimulation)) return false;
    LeaveCriticalSection(g_pcsSimulation);
    return true;
  }
  // Posts until the queue refuses: it then holds as many messages as it takes.
  static int FillQueue() {
    int posted = 0;
    while (PostThreadMessage(QxUiThreadId(), kFlood, 0, 0)) ++posted;
    EXPECT_TRUE(qxui::QueueFull());
    return posted;
  }
  // Waits without taking a message, as a user-interface thread busy with a
  // flood does, until the worker has ended.
  static bool WorkerEndsUnpumped() {
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (g_pWorkerThread.load() != nullptr && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return g_pWorkerThread.load() == nullptr;
  }
  // Delivers messages until the message has been handled.
  bool PumpUntilHandled(UINT message) {
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (Count(message) == 0 && std::chrono::steady_clock::now() < limit) {
      QxTest::PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Count(message) > 0;
  }

  std::string m_socket;
  std::unique_ptr<qxtest::PeerProcess> m_board;
  bool m_inputWhileWorkerRan = false;
};

}  // namespace

// The board takes requests from #23 on and never answers them. The stop is
// asked while sample 10's reading waits; the worker then waits its closing
// write's reply timeout, during which the user goes on.
TEST_F(RealtimeStopThreads, TheRunSpotStopsAtOnceWhileTheBoardIsSilent) {
  constexpr DWORD kTimeoutMs = 4000;
  StartBoardWith({"--after", "22", "--fault", "silent", "--count", "100000"}, kTimeoutMs);
  CQorexDoc* doc = NewDesign(0.2, 30.0);
  doc->StartStopSimulation();
  ASSERT_TRUE(BoardGotRequest(23));
  // A paint of the live signals takes the simulation lock while the reading waits.
  EXPECT_TRUE(SimulationLockFree());

  // Less any time this process was held up meanwhile.
  const HoldUpMeter meter;
  const auto asked = std::chrono::steady_clock::now();
  doc->StartStopSimulation();
  const auto stopTook = std::chrono::steady_clock::now() - asked - meter.Held();
  EXPECT_LT(stopTook, std::chrono::milliseconds(100));
  EXPECT_EQ(g_pSimDoc.load(), nullptr);

  // The closing zero is the next request, left unanswered.
  ASSERT_TRUE(BoardGotRequest(24));
  EXPECT_NE(g_pWorkerThread.load(), nullptr);
  EXPECT_TRUE(SimulationLockFree());
  // And the user's input is handled meanwhile.
  ASSERT_TRUE(PostThreadMessage(QxUiThreadId(), kUserInput, 0, 0));
  EXPECT_TRUE(PumpUntilHandled(kUserInput));
  EXPECT_TRUE(m_inputWhileWorkerRan);

  // The run spot goes dark once the worker has ended.
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_EQ(Count(WM_QX_RUNENDED), 1);
  EXPECT_TRUE(HandOvers().empty());
  EXPECT_EQ(doc->m_nRuns, 0);
}

// A completed pass meets a queue that stays full for longer than the loss
// bound (1 s at 20 ms): the run ends with its outputs at 0 V, keeps nothing,
// and says so once the queue has room again. A continuous run ends at its
// first pass the same way.
TEST_F(RealtimeStopThreads, AHandOverTheFullQueueNeverTakesEndsTheRunAtZeroVolts) {
  for (const WORD status : {WORD(0), kStatusRealtimeLoop}) {
    SCOPED_TRACE(status);
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    g_wStatus = status;
    CQorexDoc* doc = NewDesign(0.02, 0.1);  // 5 samples
    ASSERT_GT(FillQueue(), 0);
    doc->StartStopSimulation();
    const bool ended = WorkerEndsUnpumped();
    if (!ended) RequestStop();  // the worker waits for what never came
    ASSERT_TRUE(ended);
    EXPECT_TRUE(AllOutputsZero());
    EXPECT_EQ(g_wStatus.load() & kStatusRunHandOver, 0);
    ASSERT_TRUE(PumpUntilHandled(WM_QX_RUNENDED));
    EXPECT_TRUE(HandOvers().empty());
    EXPECT_EQ(doc->m_nRuns, 0);
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kHandOverLost);
    EXPECT_EQ(boxes[0].caption, "Realtime process control error");
    g_wStatus = 0;
    doc->OnCloseDocument();
  }
}

// The queue is full when the pass ends and drains while the worker waits
// for room: the hand-over goes through and the run is kept as usual, its
// identification included.
TEST_F(RealtimeStopThreads, AHandOverWaitsForRoomInAQueueThatDrains) {
  g_wStatus = kStatusFindGAfterPass;
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  ASSERT_GT(FillQueue(), 0);
  doc->StartStopSimulation();
  // The worker has asked for the hand-over and found no room.
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (!(g_wStatus.load() & kStatusRunHandOver) && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_NE(g_wStatus.load() & kStatusRunHandOver, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool ended = PumpUntilEnded();
  if (!ended) RequestStop();
  ASSERT_TRUE(ended);
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush, kFindG}));
  EXPECT_EQ(doc->m_nRuns, 1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(g_wStatus.load() & (kStatusRunHandOver | kStatusFindGPending), 0);
  g_wStatus = 0;
}

// The identification after a pass meets a queue that the user-interface
// thread leaves full for longer than the loss bound: it is left out, and its
// pending bit does not stay set for the next run to wait on.
TEST_F(RealtimeStopThreads, AnIdentificationTheFullQueueNeverTakesIsNotWaitedFor) {
  g_wStatus = kStatusFindGAfterPass;
  CQorexDoc* doc = NewDesign(0.02, 0.1);
  m_onPosted = [this](const MSG& msg) {
    if (msg.message != WM_QX_PUSHUGY) return msg.message == kFlood;
    // Answered with the queue full; then busy until the worker has ended.
    EXPECT_GT(FillQueue(), 0);
    MSG answered = msg;
    m_app->PreTranslateMessage(&answered);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (g_pWorkerThread.load() != nullptr && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
  };
  doc->StartStopSimulation();
  ASSERT_TRUE(PumpUntilEnded());
  EXPECT_EQ(g_wStatus.load() & kStatusFindGPending, 0);
  ASSERT_TRUE(PumpUntilHandled(WM_QX_RUNENDED));
  m_onPosted = nullptr;
  EXPECT_EQ(HandOvers(), (std::vector<UINT>{kTransfer, kPush}));
  EXPECT_EQ(doc->m_nRuns, 1);
  g_wStatus = 0;
}

// The tuner's request for its first candidate meets a full queue: it is
// tried again until there is room, and the tuning goes on to its end.
TEST_F(RealtimeStopThreads, TheTunersRequestWaitsForRoomInAQueueThatDrains) {
  const int iterations = g_nLocalIterations;
  g_nLocalIterations = 1;
  CQorexDoc* doc = TunableDesign(0.02, 0.1);
  ASSERT_GT(FillQueue(), 0);
  g_pKFinder->Start(doc);
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (!(g_wStatus.load() & kStatusTunerWaitsForDoc) && g_pWorkerThread.load() != nullptr &&
         std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool ended = PumpUntilEnded();
  if (!ended) RequestStop();
  g_nLocalIterations = iterations;
  ASSERT_TRUE(ended);
  EXPECT_GE(Count(WM_QX_DOCTOKFINDER), 2);  // the first candidate and a probe
  EXPECT_EQ(Count(WM_QX_UPDATEALL), 1);
}
