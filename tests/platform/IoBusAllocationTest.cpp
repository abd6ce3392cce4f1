// The road a real-time sample takes allocates nothing once warm: a run hears
// an answer every sample and posts to the user-interface thread besides, and
// a flood of received frames must cost the process a few allocations in all,
// however many frames it brings.
#include "platform/io/Bus.h"
#include "platform/ui/Constants.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A peer's socket aimed at this process's own bus socket.
struct OwnSocketSender {
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};

  OwnSocketSender() {
    address.sun_family = AF_UNIX;
    const std::string own = qxbus::OwnSocketPath();
    std::strncpy(address.sun_path, own.c_str(), sizeof(address.sun_path) - 1);
  }
  ~OwnSocketSender() { close(fd); }
  bool Send(const std::vector<BYTE>& frame) const {
    return sendto(fd, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                  sizeof(address)) == static_cast<ssize_t>(frame.size());
  }
};

TEST(BusThreads, FramesAreHandedOverWithoutAnAllocationEach) {
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busalloc"));
  ASSERT_TRUE(QxBusReceive(RegisterWindowMessage("ID_TEST_COUNTED")));
  ASSERT_TRUE(QxBusJoin());  // the reader's thread, as in the program
  long handed = 0;
  QxBusReceiver previous = QxBusSetReceiver([&handed](UINT, WPARAM, LPARAM) { ++handed; });
  const std::vector<BYTE> frame = qxbus::EncodeFrame("ID_TEST_COUNTED", 1000010, 5, 6);
  const OwnSocketSender sender;
  // Batches well within one message's share of the frames that may wait,
  // each handed over before the next is sent.
  constexpr int kBatch = 32, kBatches = 600;
  const auto sendBatch = [&](long& expected) {
    for (int n = 0; n < kBatch; ++n) expected += sender.Send(frame);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (handed < expected && std::chrono::steady_clock::now() < limit) QxBusPoll(100);
  };
  long expected = 0;
  sendBatch(expected);  // whatever the first hand-over sets up
  const long before = qxtest::AllocationCount();
  for (int batch = 0; batch < kBatches; ++batch) sendBatch(expected);
  const long allocations = qxtest::AllocationCount() - before;
  QxBusSetReceiver(previous);
  QxBusLeave();

  EXPECT_EQ(handed, expected);
  EXPECT_EQ(expected, kBatch * (kBatches + 1));
  // A queue that grows in blocks allocates one every few dozen frames (over
  // 900 here).
  EXPECT_LE(allocations, 8) << "for " << kBatch * kBatches << " frames";
  std::printf("BusThreads: %ld allocations for %d frames handed over\n", allocations,
              kBatch * kBatches);
}

// What the user-interface thread saw of the samples, and what the worker
// waits for.
struct Road {
  UINT answer = 0, repaint = 0;
  std::mutex lock;
  std::condition_variable delivered;
  long answers = 0, repaints = 0;
  bool inOrder = true;  // each answer came with the sample it answers, in turn
};

// A run's samples as the program takes them with the bus joined to the event
// loop: the peer's answer comes alone, the bus's reader wakes the
// user-interface thread, whose hand-over posts it on as the main window's
// receiver does, and the worker posts a repaint every third sample; the
// event loop delivers all of it. Once the first samples have made what the
// road keeps, no sample allocates, on any thread.
TEST(BusThreads, ASampleTakesTheEventLoopRoadWithoutAllocating) {
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busroad"));
  static Road road;  // the hooks below capture nothing, so copying them allocates nothing
  road.answers = road.repaints = 0;
  road.inOrder = true;
  road.answer = RegisterWindowMessage("ID_TEST_ROAD_ANSWER");
  road.repaint = WM_APP + 9;
  ASSERT_TRUE(QxBusReceive(road.answer));
  ASSERT_TRUE(QxBusJoin());
  const DWORD ui = QxUiThreadId();
  ASSERT_NE(ui, 0u);
  QxBusReceiver previous = QxBusSetReceiver([](UINT message, WPARAM wParam, LPARAM lParam) {
    PostThreadMessage(QxUiThreadId(), message, wParam, lParam);
  });
  qxui::SetPreTranslateHook([](MSG* msg) {
    {
      std::lock_guard<std::mutex> guard(road.lock);
      if (msg->message == road.answer) {
        road.inOrder = road.inOrder && msg->wParam == static_cast<WPARAM>(road.answers);
        ++road.answers;
      } else if (msg->message == road.repaint) {
        ++road.repaints;
      }
    }
    road.delivered.notify_all();
    return TRUE;
  });

  // The thread's event list keeps the room its busiest moment needed; a
  // program has had a burst of events (its windows shown) long before a run.
  {
    QObject burst;
    for (int n = 0; n < 128; ++n) QCoreApplication::postEvent(&burst, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents();
  }
  constexpr long kWarmUp = 30, kSamples = 600;
  std::atomic<bool> finished{false};
  long counted = -1;
  bool timedOut = false;
  std::thread worker([&] {
    const OwnSocketSender peer;
    std::vector<std::vector<BYTE>> answers;
    for (long k = 0; k < kSamples; ++k)
      answers.push_back(qxbus::EncodeFrame("ID_TEST_ROAD_ANSWER", 1000011, k, 0));
    long from = 0;
    for (long k = 0; k < kSamples && !timedOut; ++k) {
      if (k == kWarmUp) from = qxtest::AllocationCount();
      const long repaints = k / 3 + 1;
      if (k % 3 == 0) PostThreadMessage(ui, road.repaint, k, 0);
      peer.Send(answers[k]);
      std::unique_lock<std::mutex> guard(road.lock);
      // A bound only a broken road meets.
      timedOut = !road.delivered.wait_for(guard, std::chrono::seconds(20), [&] {
        return road.answers > k && road.repaints >= repaints;
      });
    }
    counted = qxtest::AllocationCount() - from;
    finished = true;
    QCoreApplication::eventDispatcher()->wakeUp();
  });
  while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  worker.join();
  qxui::SetPreTranslateHook(nullptr);
  QxBusSetReceiver(previous);
  QxBusLeave();

  ASSERT_FALSE(timedOut) << "sample " << road.answers << " never reached the event loop";
  EXPECT_TRUE(road.inOrder);
  EXPECT_EQ(road.repaints, (kSamples + 2) / 3);
  EXPECT_EQ(counted, 0) << "allocations in " << kSamples - kWarmUp << " samples";
}

// What a message handler's own loops delivered, in order.
struct Nesting {
  static constexpr WPARAM kDeepest = 40;
  std::array<WPARAM, kDeepest + 1> order{};
  std::size_t delivered = 0;
  long plain = 0;
};
Nesting g_nesting;
constexpr UINT kNest = WM_APP + 41, kPlain = WM_APP + 42;

// Gives the loop the time a fault alone would take to run out.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < limit)
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  return done();
}

// Each handler posts the next message and runs a loop of its own until that
// one came, forty deep: far more wakes in the queue or being delivered at once
// than the ones made in advance. Every message still comes, in turn, and once
// the loops have returned the wakes made in advance serve again: the next
// posts allocate nothing.
TEST(UiMessageWake, LoopsNestedBeyondTheWakesMadeInAdvanceDeliverAndGiveThemBack) {
  g_nesting = Nesting{};
  const DWORD ui = QxUiThreadId();
  ASSERT_NE(ui, 0u);
  qxui::SetPreTranslateHook([](MSG* msg) {
    if (msg->message == kPlain) {
      ++g_nesting.plain;
    } else if (msg->message == kNest && g_nesting.delivered < g_nesting.order.size()) {
      g_nesting.order[g_nesting.delivered++] = msg->wParam;
      if (msg->wParam < Nesting::kDeepest) {
        const std::size_t deeper = g_nesting.delivered + 1;
        PostThreadMessage(QxUiThreadId(), kNest, msg->wParam + 1, 0);
        ProcessEventsUntil([deeper] { return g_nesting.delivered >= deeper; });
      }
    }
    return TRUE;
  });
  ASSERT_TRUE(PostThreadMessage(ui, kNest, 0, 0));
  ProcessEventsUntil([] { return g_nesting.delivered == g_nesting.order.size(); });
  std::array<WPARAM, Nesting::kDeepest + 1> inTurn{};
  for (WPARAM depth = 0; depth <= Nesting::kDeepest; ++depth) inTurn[depth] = depth;
  EXPECT_EQ(g_nesting.order, inTurn);

  long plainPosts = 0;
  ASSERT_TRUE(PostThreadMessage(ui, kPlain, 0, 0));
  ProcessEventsUntil([] { return g_nesting.plain == 1; });
  const long before = qxtest::AllocationCount();
  for (plainPosts = 1; plainPosts < 200; ++plainPosts) {
    if (!PostThreadMessage(ui, kPlain, plainPosts, 0)) break;
    if (!ProcessEventsUntil([plainPosts] { return g_nesting.plain > plainPosts; })) break;
  }
  const long allocations = qxtest::AllocationCount() - before;
  qxui::SetPreTranslateHook(nullptr);
  EXPECT_EQ(g_nesting.plain, 200);
  // A window system's own events (the earlier tests' windows going, the
  // focus) come through the same loop and allocate as they come: the posts'
  // own road is counted where only they come.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) return;
  EXPECT_EQ(allocations, 0) << "for " << plainPosts - 1 << " posts delivered by the loop";
}

}  // namespace
