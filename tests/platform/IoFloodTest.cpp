// Floods of bad input from outside: a million malformed and a million
// oversized bus frames through the bus's own receive path, a million refused
// device replies and many broken ones through the device stand-in, and posts
// beyond the queue's quota. None of them may grow the process's memory or the
// debug sink beyond its tail. A flood of well-formed frames under a name
// nobody here registered delays no other frame.
#include "platform/core/Debug.h"
#include "platform/io/Bus.h"
#include "platform/io/Device.h"
#include "platform/ui/Constants.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/BusFloodPeer.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"
#include "tools/StallWatch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <cstring>
#include <dirent.h>
#include <cstdlib>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed blocks in quarantine (up to 256 MB), so the
// resident size says nothing about what the program keeps.
constexpr bool kResidentSizeMeans = false;
#else
constexpr bool kResidentSizeMeans = true;
#endif
constexpr long kResidentSlack = 2 * 1024 * 1024;

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// How far the resident size grew since start; 0 where it means nothing.
long ResidentGrowth(long start) {
  return kResidentSizeMeans ? ResidentBytes() - start : 0;
}

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  return address;
}

// Sends count copies of bytes to this process's bus socket, each waiting
// for room there (the bus's reader empties the socket as frames come).
void SendToOwnSocket(const std::vector<BYTE>& bytes, int count) {
  const sockaddr_un address = Address(qxbus::OwnSocketPath());
  const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const timeval patience{5, 0};  // a bus that stopped reading fails the test, not hangs it
  setsockopt(sender, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof(patience));
  for (int sent = 0; sent < count; ++sent)
    if (sendto(sender, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address),
               sizeof(address)) != static_cast<ssize_t>(bytes.size()))
      break;
  close(sender);
}

// Sends count copies of bytes to this process's bus socket and lets the bus
// read them as it reads every frame; returns how many frames it handed on.
int FloodOwnSocket(const std::vector<BYTE>& bytes, int count) {
  SendToOwnSocket(bytes, count);
  return QxBusPoll(200);
}

TEST(BusFlood, AMillionMalformedAndAMillionOversizedFramesKeepNothing) {
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busflood"));
  ASSERT_TRUE(QxBusJoin());
  QxBusReceiver previous = QxBusSetReceiver([](UINT, WPARAM, LPARAM) { ADD_FAILURE(); });
  // A frame with the bus's magic and a name length that does not match its size.
  std::vector<BYTE> malformed = qxbus::EncodeFrame("ID_FLOOD", 1, 2, 3);
  malformed.resize(41, 'Z');
  const std::vector<BYTE> oversized(QX_BUS_MAX_NAME + 64, 'Q');
  QxClearDebugOutput();
  const long start = ResidentBytes();

  EXPECT_EQ(FloodOwnSocket(malformed, 1000000), 0);
  EXPECT_LE(ResidentGrowth(start), kResidentSlack);
  std::string out = QxDebugOutput();
  EXPECT_LE(out.size(), kQxDebugTailBytes);
  EXPECT_EQ(out.rfind("Bus: a malformed frame of 41 bytes was ignored\n", 0), 0u);

  EXPECT_EQ(FloodOwnSocket(oversized, 1000000), 0);
  EXPECT_LE(ResidentGrowth(start), kResidentSlack);
  out = QxDebugOutput();
  EXPECT_LE(out.size(), kQxDebugTailBytes);
  EXPECT_EQ(out.rfind("Bus: an oversized frame was ignored\n", 0), 0u);

  QxBusSetReceiver(previous);
  QxBusLeave();
  QxClearDebugOutput();
}

// How long each thread of this process has waited for a processor (ns), by
// thread id, from the scheduler's own count: time the machine, not the
// program, cost it.
std::map<long, long long> ThreadsRunDelayNs() {
  std::map<long, long long> delays;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* task = readdir(tasks))
      if (task->d_name[0] != '.') {
        const long tid = std::atol(task->d_name);
        delays[tid] = std::max(qxtool::RunDelayNs(tid), 0LL);
      }
    closedir(tasks);
  }
  return delays;
}
// What the threads running at both times waited for a processor in between,
// summed: a frame may be late by the waits of every thread on its way.
long long RunDelaySinceNs(const std::map<long, long long>& before) {
  long long waited = 0;
  for (const auto& [tid, now] : ThreadsRunDelayNs()) {
    const auto then = before.find(tid);
    waited += now - (then != before.end() ? then->second : 0);
  }
  return waited;
}

// A peer floods this process's socket with 20 frames a millisecond under a
// name no part of it registered, while another sends a registered frame
// every 5 ms, and the user-interface thread is busy for 5 ms between its
// turns at the events: nobody receives a foreign frame, and the registered
// ones all find room on the socket and arrive in order, each soon after it
// was sent.
TEST(BusFloodThreads, AForeignNameIsDroppedWhereItIsReadAndDelaysNoRegisteredFrame) {
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busforeign"));
  const UINT wanted = RegisterWindowMessage("ID_TEST_WANTED_AMID_FLOOD");
  ASSERT_TRUE(QxBusReceive(wanted));
  ASSERT_TRUE(QxBusJoin());
  using Clock = std::chrono::steady_clock;
  struct Arrival {
    UINT message;
    WPARAM wParam;
    Clock::time_point at;
  };
  std::vector<Arrival> arrivals;  // the user-interface thread's
  QxBusReceiver previous = QxBusSetReceiver([&](UINT message, WPARAM w, LPARAM) {
    arrivals.push_back({message, w, Clock::now()});
  });
  const std::string own = qxbus::OwnSocketPath();

  constexpr int kWanted = 120;
  std::vector<Clock::time_point> sentAt(kWanted);
  std::atomic<int> refused{0};
  std::atomic<bool> done{false};
  std::atomic<long long> senderWaitedNs{0};
  const std::map<long, long long> runDelayBefore = ThreadsRunDelayNs();
  qxtest::FloodPeer flood(own, "id_test_nobody_here_knows", 20, 40000, std::chrono::seconds(4));
  std::thread sender([&] {
    const long long waitedBefore = std::max(qxtool::RunDelayNs(gettid()), 0LL);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = Address(own);
    for (int n = 0; n < kWanted; ++n) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const std::vector<BYTE> frame =
          qxbus::EncodeFrame("ID_TEST_WANTED_AMID_FLOOD", 1000042, static_cast<WPARAM>(n), 0);
      sentAt[static_cast<std::size_t>(n)] = Clock::now();
      if (sendto(fd, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&address),
                 sizeof(address)) != static_cast<ssize_t>(frame.size()))
        ++refused;
    }
    close(fd);
    senderWaitedNs = std::max(qxtool::RunDelayNs(gettid()), 0LL) - waitedBefore;
    done = true;
  });
  const auto limit = Clock::now() + std::chrono::seconds(20);
  while (!done && Clock::now() < limit) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // busy elsewhere
  }
  sender.join();
  const auto taken = static_cast<std::size_t>(kWanted - refused.load());
  std::size_t wantedArrived = 0;
  for (const auto last = Clock::now() + std::chrono::seconds(2);
       Clock::now() < last && wantedArrived < taken;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    wantedArrived = static_cast<std::size_t>(std::count_if(
        arrivals.begin(), arrivals.end(), [&](const Arrival& a) { return a.message == wanted; }));
  }
  // The sender has ended: its own wait is counted apart.
  const auto heldUp =
      std::chrono::nanoseconds(RunDelaySinceNs(runDelayBefore) + senderWaitedNs.load());
  flood.Stop();
  QxBusSetReceiver(previous);
  QxBusLeave();

  // A loaded machine gives the flooding peer fewer turns; thousands still fill
  // the queue many times over. Beside busy loops on its cores the peer may
  // not get the turns for a flood at all: kept from a processor for half its
  // time or more, it says nothing of the bus. Otherwise so few frames mean
  // the flood did not happen.
  const long flooded = flood.Sent() + flood.Refused();
  if (flooded < 2000) {
    ASSERT_GE(flood.WaitedForAProcessor() * 2, flood.Flooded())
        << "the flood did not happen: " << flooded << " frames in " << flood.Flooded().count()
        << " ms, of which the peer waited " << flood.WaitedForAProcessor().count()
        << " ms for a processor";
    GTEST_SKIP() << "the flooding peer got the turns for only " << flooded << " frames in "
                 << flood.Flooded().count() << " ms, having waited "
                 << flood.WaitedForAProcessor().count()
                 << " ms for a processor: no flood to judge the bus by";
  }
  const char kForeign[] = "ID_TEST_NOBODY_HERE_KNOWS";
  EXPECT_EQ(qxui::FindRegisteredMessage(kForeign, sizeof(kForeign) - 1), 0u)
      << "arriving registers nothing";
  // A busy machine may keep the bus from reading for a moment; the flood
  // then fills the socket's short queue, and a frame sent just then finds
  // no room. Read only on the user-interface thread's turns, nearly all do
  // (113 to 115 of 120).
  EXPECT_LE(refused.load(), kWanted / 2);
  ASSERT_EQ(arrivals.size(), taken) << "only the registered frames arrive, every one taken";
  Clock::duration slowest{};
  WPARAM expected = 0;
  for (const Arrival& arrival : arrivals) {
    ASSERT_EQ(arrival.message, wanted);
    EXPECT_GE(arrival.wParam, expected) << "in order";
    expected = arrival.wParam + 1;
    slowest = std::max(slowest, arrival.at - sentAt[arrival.wParam]);
  }
  // Without a flood a frame waits for the thread's next turn: 5 ms here. A
  // loaded machine keeps this process's threads from a processor for a
  // while: that, as they count it, is not the program's lateness; beyond it
  // only a flood that takes the frames' room or turns is this late.
  EXPECT_LE(slowest, std::chrono::milliseconds(1500) + heldUp)
      << "the threads of this process waited "
      << std::chrono::duration_cast<std::chrono::milliseconds>(heldUp).count()
      << " ms for a processor meanwhile";
  std::printf(
      "BusFloodThreads: %ld foreign frames taken (%ld refused), %d of %d registered "
      "refused, slowest registered %lld us\n",
      flood.Sent(), flood.Refused(), refused.load(), kWanted,
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::microseconds>(slowest).count()));
}

// Three thousand frames under one name reach this process's socket while
// the user-interface thread takes none, then fifty answers under a name it
// receives: every answer is handed over. A name it only sends under (its own
// outputs) or one nobody registered is dropped where it is read and takes no
// room; a flood under another name it receives fills no more than that
// name's share of the frames that may wait.
TEST(BusFloodThreads, NoFloodUnderAnotherNameTakesTheAnswersRoom) {
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busanswers"));
  const UINT answer = RegisterWindowMessage("ID_TEST_ANSWER");
  const UINT otherNews = RegisterWindowMessage("ID_TEST_OTHER_NEWS");
  ASSERT_NE(RegisterWindowMessage("ID_TEST_OUR_OUTPUTS"), 0u);  // to send under, not received
  ASSERT_TRUE(QxBusReceive(answer) && QxBusReceive(otherNews));
  ASSERT_TRUE(QxBusJoin());
  std::vector<UINT> got;
  QxBusReceiver previous =
      QxBusSetReceiver([&got](UINT message, WPARAM, LPARAM) { got.push_back(message); });
  const struct {
    const char* flooded;
    bool received;
  } cases[] = {
      {"ID_TEST_OUR_OUTPUTS", false},
      {"ID_TEST_NOBODY_REGISTERED", false},
      {"ID_TEST_OTHER_NEWS", true},
  };
  constexpr int kFlood = 3000, kAnswers = 50;
  DWORD sender = 2000000;
  for (const auto& c : cases) {
    got.clear();
    SendToOwnSocket(qxbus::EncodeFrame(c.flooded, 1999999, 1, 2), kFlood);
    for (int n = 0; n < kAnswers; ++n)
      SendToOwnSocket(qxbus::EncodeFrame("ID_TEST_ANSWER", ++sender, 3, 4), 1);
    // The reader notes an answer's sender when it reads it, taken or not.
    for (const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         QxBusLastSender(answer) != sender && std::chrono::steady_clock::now() < limit;)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(QxBusLastSender(answer), sender) << c.flooded << ": the reader read every frame";
    while (QxBusPoll(0) > 0) {
    }
    const auto count = [&got](UINT message) { return std::count(got.begin(), got.end(), message); };
    EXPECT_EQ(count(answer), kAnswers) << c.flooded;
    if (c.received) {
      EXPECT_GT(count(otherNews), 0) << c.flooded;
      EXPECT_LE(count(otherNews), 1024 / 2) << c.flooded << ": no more than its share";
    }
    EXPECT_EQ(static_cast<long>(got.size()), kAnswers + (c.received ? count(otherNews) : 0))
        << c.flooded;
  }
  QxBusSetReceiver(previous);
  QxBusLeave();
}

constexpr DWORD kReadAdc = 0x82002000u;

void PutDword(std::vector<BYTE>& out, DWORD value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// The board's end of the device stand-in: a listening socket that nobody
// serves; the test writes the replies itself.
class SilentBoard {
 public:
  SilentBoard() : m_path(qxtest::MakeTempDir("deviceflood") + "/dt2801.sock") {
    const sockaddr_un address = Address(m_path);
    m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    listen(m_listener, 8);
  }
  ~SilentBoard() { close(m_listener); }
  const std::string& Path() const { return m_path; }
  int Accept() const { return accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC); }

 private:
  std::string m_path;
  int m_listener = -1;
};

HANDLE OpenBoard() {
  return CreateFileA("\\\\.\\DT2801", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Every call gets a reply the call must fail on: a refusal with any status
// and up to a record of bytes (the connection stays), or a reply longer than
// the record asked for, or one cut short by a hang-up (the next call
// connects again). The refusals are written ahead in batches, so a million
// of them take seconds.
TEST(DeviceFlood, AMillionRefusedAndManyBrokenRepliesKeepNothing) {
  SilentBoard board;
  qxtest::ScopedEnv env("QX_DEVICE_DT2801", board.Path());
  HANDLE device = OpenBoard();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  const int connection = board.Accept();
  ASSERT_GE(connection, 0);
  QxClearDebugOutput();
  const long start = ResidentBytes();

  constexpr int kBatch = 32;  // requests the board leaves unread fill its socket
  std::vector<BYTE> replies;
  BYTE requests[kBatch * 20];
  int failed = 0;
  for (int done = 0; done < 1000000; done += kBatch) {
    replies.clear();
    for (int i = 0; i < kBatch; ++i) {
      const DWORD length = static_cast<DWORD>((done + i) % 9);
      PutDword(replies, 1u + static_cast<DWORD>(done + i) * 2654435761u % 0xFFFFFFFEu);
      PutDword(replies, length);
      replies.insert(replies.end(), length, static_cast<BYTE>(i));
    }
    ASSERT_EQ(send(connection, replies.data(), replies.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(replies.size()));
    for (int i = 0; i < kBatch; ++i) {
      BYTE record[8] = {0, 1, 2, 3, 4, 5, 6, 7};
      DWORD returned = 99;
      failed += !DeviceIoControl(device, kReadAdc, record, 8, record, 8, &returned, nullptr) &&
                returned == 0 && record[7] == 7;
    }
    ASSERT_EQ(recv(connection, requests, sizeof(requests), MSG_WAITALL),
              static_cast<ssize_t>(sizeof(requests)));
  }
  close(connection);
  EXPECT_EQ(failed, 1000000);
  EXPECT_LE(ResidentGrowth(start), kResidentSlack);

  // Broken replies: a board that answers every connection once, badly.
  std::atomic<bool> stop{false};
  std::thread server([&] {
    for (int n = 0; !stop; ++n) {
      const int peer = board.Accept();
      if (peer < 0) continue;
      BYTE request[20];
      if (recv(peer, request, sizeof(request), MSG_WAITALL) == sizeof(request)) {
        std::vector<BYTE> reply;
        PutDword(reply, 0);
        PutDword(reply, n % 2 ? 9u : QX_DEVICE_MAX_RECORD + 1);  // longer than asked
        reply.resize(n % 3 ? 16 : 5, 0);                         // or cut short
        send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      close(peer);
    }
  });
  int brokenFailed = 0;
  for (int i = 0; i < 20000; ++i) {
    BYTE record[8] = {};
    DWORD returned = 99;
    brokenFailed += !DeviceIoControl(device, kReadAdc, record, 8, record, 8, &returned, nullptr) &&
                    returned == 0;
  }
  stop = true;
  // Wakes the server from its last accept.
  const int waker = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = Address(board.Path());
  connect(waker, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  close(waker);
  server.join();
  EXPECT_EQ(brokenFailed, 20000);
  EXPECT_LE(ResidentGrowth(start), kResidentSlack);
  EXPECT_LE(QxDebugOutput().size(), kQxDebugTailBytes);
  EXPECT_TRUE(CloseHandle(device));
}

// Posts beyond the quota fail instead of growing the queue; once it is
// delivered, posts succeed again.
TEST(MessageFlood, PostsBeyondTenThousandWaitingFail) {
  const DWORD ui = QxUiThreadId();
  ASSERT_NE(ui, 0u);
  qxui::DeliverPendingMessages();
  int accepted = 0;
  for (int i = 0; i < 12000; ++i) accepted += PostThreadMessage(ui, WM_APP + 11, i, 0) ? 1 : 0;
  EXPECT_EQ(accepted, 10000);
  EXPECT_EQ(qxui::PendingMessageCount(), 10000);
  EXPECT_EQ(qxui::DeliverPendingMessages(), 10000);
  EXPECT_TRUE(PostThreadMessage(ui, WM_APP + 11, 0, 0));
  EXPECT_EQ(qxui::DeliverPendingMessages(), 1);
}

}  // namespace
