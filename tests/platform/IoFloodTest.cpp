// Floods of bad input from outside: a million malformed and a million
// oversized bus frames through the bus's own receive path, a million refused
// device replies and many broken ones through the device stand-in, and posts
// beyond the queue's quota. None of them may grow the process's memory or the
// debug sink beyond its tail.
#include "platform/core/Debug.h"
#include "platform/io/Bus.h"
#include "platform/io/Device.h"
#include "platform/ui/Constants.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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

// Sends count copies of bytes to this process's bus socket and lets the bus
// read them as it reads every frame; returns how many frames it handed on.
int FloodOwnSocket(const std::vector<BYTE>& bytes, int count) {
  const sockaddr_un address = Address(qxbus::OwnSocketPath());
  const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int handed = 0;
  for (int sent = 0; sent < count;) {
    // Fill the socket's queue, then empty it through the bus.
    while (sent < count && sendto(sender, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&address),
                                  sizeof(address)) == static_cast<ssize_t>(bytes.size()))
      ++sent;
    handed += QxBusPoll(0);
  }
  close(sender);
  return handed;
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
