// The local message bus: the frame codec, two processes exchanging the analog
// I/O frames through the companion, dead and full peers, malformed frames.
#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <tuple>

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A private bus folder, this process joined to it, and the frames it receives.
class Bus : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = qxtest::MakeTempDir("bus");
    m_env = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", m_dir);
    m_previous = QxBusSetReceiver([this](UINT message, WPARAM w, LPARAM l) {
      m_received.push_back({message, w, l});
    });
    ASSERT_TRUE(QxBusJoin());
  }
  void TearDown() override {
    QxBusLeave();
    QxBusSetReceiver(m_previous);
  }

  // Runs the event loop until count frames came or the time is up.
  bool WaitForFrames(std::size_t count, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_received.size() < count && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return m_received.size() >= count;
  }

  std::string m_dir;
  std::unique_ptr<qxtest::ScopedEnv> m_env;
  QxBusReceiver m_previous;
  std::vector<Received> m_received;
};

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  return address;
}

// A datagram socket bound in the bus folder, as another process's would be.
struct RawPeer {
  int fd = -1;
  std::string path;
  RawPeer(const std::string& dir, const std::string& name) : path(dir + "/" + name) {
    fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_un address = Address(path);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  }
  ~RawPeer() { Close(); }
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int Pending() const {
    int count = 0;
    char buffer[1024];
    while (recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT) >= 0) ++count;
    return count;
  }
  void SendTo(const std::string& target, const std::vector<BYTE>& bytes) const {
    sockaddr_un address = Address(target);
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
           sizeof(address));
  }
};

bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

}  // namespace

TEST(BusFrame, LayoutIsLittleEndianByteByByte) {
  std::vector<BYTE> frame = qxbus::EncodeFrame("AB", 0x01020304u, 0x1122334455667788ull, -2);
  const std::vector<BYTE> expected = {'Q',  'X',  'B',  '1',  0x04, 0x03, 0x02, 0x01,  // pid
                                      0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11,  // wParam
                                      0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // lParam
                                      0x02, 0x00, 'A',  'B',  0x00};
  EXPECT_EQ(frame, expected);
  qxbus::Frame decoded;
  ASSERT_TRUE(qxbus::DecodeFrame(frame.data(), frame.size(), &decoded));
  EXPECT_TRUE(decoded.name == "AB" && decoded.senderPid == 0x01020304u &&
              decoded.wParam == 0x1122334455667788ull && decoded.lParam == -2);
}

TEST(BusFrame, MalformedFramesAndUnframableNamesAreRefused) {
  const std::string longest(255, 'x'), tooLong(256, 'x');
  for (const char* name : {static_cast<const char*>(nullptr), "", tooLong.c_str()})
    EXPECT_TRUE(qxbus::EncodeFrame(name, 1, 0, 0).empty());
  EXPECT_FALSE(qxbus::EncodeFrame(longest.c_str(), 1, 0, 0).empty());
  const std::vector<BYTE> good = qxbus::EncodeFrame("ID_DIDIRO_DAC", 7, 1, 2);
  auto with = [&](std::size_t at, BYTE value) {
    std::vector<BYTE> bytes = good;
    bytes[at] = value;
    return bytes;
  };
  std::vector<BYTE> longer = good;
  longer.push_back(0);
  const std::vector<std::tuple<const char*, std::vector<BYTE>>> cases = {
      {"empty", {}},
      {"header only", std::vector<BYTE>(good.begin(), good.begin() + 26)},
      {"truncated name", std::vector<BYTE>(good.begin(), good.end() - 2)},
      {"trailing byte", longer},
      {"bad magic", with(0, 'X')},
      {"length too long", with(24, 14)},
      {"length too short", with(24, 12)},
      {"length zero", with(24, 0)},
      {"no terminating zero", with(good.size() - 1, 'x')},
      {"zero inside the name", with(28, 0)},
      {"oversized", std::vector<BYTE>(300, 'Q')},
  };
  for (const auto& [what, bytes] : cases) {
    qxbus::Frame frame;
    EXPECT_FALSE(qxbus::DecodeFrame(bytes.data(), bytes.size(), &frame)) << what;
  }
}

TEST_F(Bus, CompanionAnswersTheOutputsWithThePlantOutputs) {
  qxtest::PeerProcess companion("qorex_companion", {"--seconds", "30", "--lag", "0.5"});
  ASSERT_TRUE(companion.Running());
  ASSERT_EQ(companion.ReadLine().rfind("ready", 0), 0u);
  const UINT adc = RegisterWindowMessage("ID_DIDIRO_ADC");
  ASSERT_TRUE(QxBusReceive(adc));

  // Outputs +10 V, -10 V, 0 V (code 32767) and +10 V, sent twice: the first
  // broadcast straight on the bus, the second through PostMessage.
  const WPARAM w = 0xFFFFu | 0x0000u << 16;
  const LPARAM l = 0x7FFF | 0xFFFFL << 16;
  EXPECT_EQ(QxBusBroadcast("ID_DIDIRO_DAC", w, l), 1);
  ASSERT_TRUE(WaitForFrames(1));
  EXPECT_TRUE(PostMessage(HWND_BROADCAST, RegisterWindowMessage("ID_DIDIRO_DAC"), w, l));
  ASSERT_TRUE(WaitForFrames(2));

  // y1 = u / 2 and y2 = 3u / 4 for a plant at rest; code = (y + 10) * 65535 / 20.
  const int expected[2][4] = {{49151, 16383, 32767, 49151}, {57343, 8191, 32767, 57343}};
  for (int pass = 0; pass < 2; ++pass) {
    const Received& got = m_received[static_cast<std::size_t>(pass)];
    EXPECT_EQ(got.message, adc);
    const int codes[4] = {LOWORD(got.wParam), HIWORD(got.wParam), LOWORD(got.lParam),
                          HIWORD(got.lParam)};
    for (int ch = 0; ch < 4; ++ch) EXPECT_NEAR(codes[ch], expected[pass][ch], 1) << pass << ch;
  }
  // Each answer this process took, so none is logged as untaken.
  EXPECT_EQ(companion.ReadLine(), "DAC #1 65535 0 32767 65535");
  EXPECT_THAT(companion.ReadLine(), testing::MatchesRegex("ADC #1 [0-9 ]*"));
  EXPECT_EQ(companion.ReadLine(), "DAC #2 65535 0 32767 65535");
  EXPECT_THAT(companion.ReadLine(), testing::MatchesRegex("ADC #2 [0-9 ]*"));
  int status = companion.Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A frame from outside the bus folder, with no peer left in it: the answer
// goes to nobody, and the companion's log says so, which is how a reader of
// that log tells the answers that came from those that never could.
TEST_F(Bus, AnAnswerNoPeerTakesIsLoggedAsUntaken) {
  qxtest::PeerProcess companion("qorex_companion", {"--seconds", "30"});
  ASSERT_TRUE(companion.Running());
  const std::string ready = companion.ReadLine();
  ASSERT_EQ(ready.rfind("ready pid=", 0), 0u) << ready;
  const std::string companionSocket = m_dir + "/" + ready.substr(10) + ".sock";
  QxBusLeave();
  const RawPeer outside(qxtest::MakeTempDir("notbus"), "sender.sock");
  outside.SendTo(companionSocket, qxbus::EncodeFrame("ID_DIDIRO_DAC", 1, 0xFFFFu, 0));
  EXPECT_EQ(companion.ReadLine(), "DAC #1 65535 0 0 0");
  EXPECT_THAT(companion.ReadLine(), testing::MatchesRegex("ADC #1 [0-9 ]* untaken"));
  EXPECT_EQ(companion.Stop(), 0);
}

TEST_F(Bus, JoinedOnceSkipsADeadPeerAndLeavesWithoutATrace) {
  std::string own = qxbus::OwnSocketPath();
  EXPECT_EQ(own, m_dir + "/" + std::to_string(getpid()) + ".sock");
  EXPECT_TRUE(QxBusJoin());  // joining again changes nothing
  EXPECT_EQ(qxbus::OwnSocketPath(), own);
  EXPECT_TRUE(Exists(own));
  RawPeer live(m_dir, "1000001.sock");
  RawPeer dead(m_dir, "1000002.sock");
  dead.Close();  // its file stays, as after a crash
  ASSERT_TRUE(Exists(dead.path));
  EXPECT_EQ(QxBusBroadcast("ID_TEST_PEERS", 5, 6), 1);  // not back to its sender either
  EXPECT_FALSE(Exists(dead.path));
  EXPECT_TRUE(Exists(live.path));
  EXPECT_EQ(live.Pending(), 1);
  // Peers that bind between two broadcasts close together (the folder's
  // change may carry the same time stamp as the last) get the second.
  for (int i = 0; i < 20; ++i) {
    QxBusBroadcast("ID_TEST_PEERS", 7, 8);
    RawPeer late(m_dir, std::to_string(1000100 + i) + ".sock");
    EXPECT_EQ(QxBusBroadcast("ID_TEST_PEERS", 7, 8), 2) << i;
    EXPECT_EQ(late.Pending(), 1) << i;
    EXPECT_EQ(live.Pending(), 2) << i;
    late.Close();
    unlink(late.path.c_str());
  }
  QxBusLeave();
  EXPECT_FALSE(Exists(own));
  EXPECT_FALSE(QxBusIsJoined());
}

// Polling hands frames over without an event loop; malformed ones are dropped.
TEST_F(Bus, MalformedFramesAreIgnoredAndTheNextOneArrives) {
  const UINT after = RegisterWindowMessage("ID_TEST_AFTER");
  ASSERT_TRUE(QxBusReceive(after));
  RawPeer sender(m_dir, "1000004.sock");
  std::vector<BYTE> good = qxbus::EncodeFrame("ID_TEST_AFTER", 1000004, 42, -42);
  std::vector<BYTE> unterminated = good;
  unterminated.back() = 'x';
  for (const auto& bytes :
       {std::vector<BYTE>{1, 2, 3}, unterminated, std::vector<BYTE>(4000, 'Q'), good})
    sender.SendTo(qxbus::OwnSocketPath(), bytes);
  EXPECT_EQ(QxBusPoll(1000), 1);  // only the good one counts
  EXPECT_EQ(QxBusPoll(0), 0);     // all read
  ASSERT_EQ(m_received.size(), 1u);
  EXPECT_EQ(m_received[0].message, after);
  EXPECT_EQ(m_received[0].wParam, 42u);
  EXPECT_EQ(m_received[0].lParam, -42);
}

// A peer is known by the process id its frames carry, and is on the bus
// while its socket is bound; closed (as after a crash) or removed, it is not.
TEST_F(Bus, TheLastSenderOfAMessageAndWhetherAPeerIsPresent) {
  const UINT message = RegisterWindowMessage("ID_TEST_SENDER");
  const UINT other = RegisterWindowMessage("ID_TEST_OTHER");
  ASSERT_TRUE(QxBusReceive(message) && QxBusReceive(other));
  EXPECT_EQ(QxBusLastSender(message), 0u);
  RawPeer first(m_dir, "1000005.sock"), second(m_dir, "1000006.sock");
  first.SendTo(qxbus::OwnSocketPath(), qxbus::EncodeFrame("ID_TEST_SENDER", 1000005, 1, 1));
  second.SendTo(qxbus::OwnSocketPath(), qxbus::EncodeFrame("ID_TEST_OTHER", 1000006, 2, 2));
  ASSERT_EQ(QxBusPoll(1000) + QxBusPoll(100), 2);
  EXPECT_EQ(QxBusLastSender(message), 1000005u);
  EXPECT_EQ(QxBusLastSender(other), 1000006u);
  EXPECT_TRUE(QxBusPeerPresent(1000005));
  EXPECT_TRUE(QxBusPeerPresent(static_cast<DWORD>(getpid())));
  first.Close();
  EXPECT_FALSE(QxBusPeerPresent(1000005));
  EXPECT_TRUE(Exists(first.path)) << "the probe removes nothing";
  unlink(first.path.c_str());
  EXPECT_FALSE(QxBusPeerPresent(1000005));
  EXPECT_FALSE(QxBusPeerPresent(1000007));
  EXPECT_EQ(second.Pending(), 0) << "the probe sends nothing";
  // Joined afresh, nothing is known of earlier senders.
  QxBusLeave();
  ASSERT_TRUE(QxBusJoin());
  EXPECT_EQ(QxBusLastSender(message), 0u);
}

// A full peer is skipped without waiting, and is not taken for dead.
TEST(BusThreads, BroadcastsFromTwoThreadsFillAFullPeerWithoutWaiting) {
  std::string dir = qxtest::MakeTempDir("busthreads");
  qxtest::ScopedEnv env("QX_BUS_DIR", dir);
  RawPeer full(dir, "1000006.sock");
  std::atomic<int> delivered{0};
  auto send = [&] {
    for (int i = 0; i < 1000; ++i) delivered += QxBusBroadcast("ID_TEST_THREADS", i, 0);
  };
  auto start = std::chrono::steady_clock::now();
  std::thread worker(send);
  send();
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_GT(delivered.load(), 0);
  EXPECT_LT(delivered.load(), 2000);  // the queue filled up
  EXPECT_TRUE(Exists(full.path));
  EXPECT_EQ(full.Pending(), delivered.load());
}
