// The device stand-in: the analog board's two calls on the 8-byte record
// against the fake board, and clean failures without it.
#include "platform/io/Device.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

constexpr DWORD kReadAdc = 0x82002000u;
constexpr DWORD kWriteDac = 0x82002004u;
const char kDevice[] = "\\\\.\\DT2801";

// The board's record: channel in byte 0, bytes 1..3 untouched, code at 4..7.
struct Record {
  BYTE bytes[8] = {0, 0xAA, 0xBB, 0xCC, 0, 0, 0, 0};
  Record(BYTE channel, DWORD code) {
    bytes[0] = channel;
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<BYTE>(code >> (8 * i));
  }
  DWORD Code() const {
    return bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<DWORD>(bytes[7]) << 24;
  }
};

HANDLE OpenBoard() {
  return CreateFileA(kDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The fake board on a socket of its own, and the variable that names it.
class DeviceBoard : public ::testing::Test {
 protected:
  void Start(const char* mode, std::vector<std::string> more = {}) {
    m_env.reset();  // puts the variable back before it is set again
    m_board.reset();
    m_socket = qxtest::MakeTempDir("board") + "/dt2801.sock";
    more.insert(more.begin(), {"--mode", mode});
    Restart(more);
    m_env = std::make_unique<qxtest::ScopedEnv>("QX_DEVICE_DT2801", m_socket);
  }
  // A board on the same socket, as a driver started again.
  void Restart(std::vector<std::string> args = {}) {
    m_board.reset();
    args.insert(args.begin(), {"--socket", m_socket, "--seconds", "30"});
    m_board = std::make_unique<qxtest::PeerProcess>("fake_dt2801", args);
    ASSERT_EQ(m_board->ReadLine(), "ready");
  }
  std::string m_socket;
  std::unique_ptr<qxtest::PeerProcess> m_board;
  std::unique_ptr<qxtest::ScopedEnv> m_env;
};

BOOL Read(HANDLE board, BYTE channel) {
  Record in(channel, 0), out(channel, 0);
  DWORD returned = 0;
  return DeviceIoControl(board, kReadAdc, in.bytes, 8, out.bytes, 8, &returned, nullptr);
}

}  // namespace

TEST(Device, WithoutTheBoardOpeningAndCallsFailCleanly) {
  unsetenv("QX_DEVICE_DT2801");
  EXPECT_EQ(OpenBoard(), INVALID_HANDLE_VALUE);
  qxtest::ScopedEnv env("QX_DEVICE_DT2801", qxtest::MakeTempDir("noboard") + "/none.sock");
  EXPECT_EQ(OpenBoard(), INVALID_HANDLE_VALUE);  // nothing listening
  for (const char* path : {"DT2801", "\\\\.\\", "C:\\DT2801", ""}) {
    EXPECT_EQ(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << path;
  }
  Record record(0, 0);
  DWORD returned = 99;
  HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x1234));
  EXPECT_FALSE(
      DeviceIoControl(bogus, kReadAdc, record.bytes, 8, record.bytes, 8, &returned, nullptr));
  EXPECT_EQ(returned, 0u);
  EXPECT_FALSE(CloseHandle(bogus));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(DeviceBoard, WriteThenReadThroughTheWires) {
  Start("normal");
  HANDLE board = OpenBoard();
  ASSERT_NE(board, INVALID_HANDLE_VALUE);
  DWORD returned = 0;

  // 5 V on output 0 is code 3072; the record comes back in place.
  Record write(0, 3072);
  ASSERT_TRUE(
      DeviceIoControl(board, kWriteDac, write.bytes, 8, write.bytes, 8, &returned, nullptr));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(write.Code(), 3072u);
  EXPECT_EQ(write.bytes[0], 0);

  // Inputs 0 and 2 are wired to output 0, inputs 1 and 3 to output 1 (never written: 0 V).
  const std::pair<BYTE, DWORD> reads[] = {{0, 3072}, {2, 3072}, {1, 2048}, {3, 2048}};
  for (auto [channel, code] : reads) {
    Record in(channel, 0), out(channel, 0);
    ASSERT_TRUE(DeviceIoControl(board, kReadAdc, in.bytes, 8, out.bytes, 8, &returned, nullptr));
    EXPECT_EQ(out.Code(), code) << int(channel);
    EXPECT_EQ(out.bytes[0], channel);
  }

  // A call the board refuses fails, and the connection goes on working.
  Record bad(5, 100);
  EXPECT_FALSE(DeviceIoControl(board, kWriteDac, bad.bytes, 8, bad.bytes, 8, &returned, nullptr));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(bad.Code(), 100u);  // a failed call leaves the record alone
  Record again(0, 0);
  EXPECT_TRUE(DeviceIoControl(board, kReadAdc, again.bytes, 8, again.bytes, 8, &returned, nullptr));
  EXPECT_EQ(again.Code(), 3072u);

  EXPECT_TRUE(CloseHandle(board));
  EXPECT_FALSE(
      DeviceIoControl(board, kReadAdc, again.bytes, 8, again.bytes, 8, &returned, nullptr));

  // The board logged every request in order.
  EXPECT_EQ(m_board->ReadLine(), "#1 code=0x82002004 ch=0 value=3072 -> 3072");
  EXPECT_EQ(m_board->ReadLine(), "#2 code=0x82002000 ch=0 value=0 -> 3072");
  for (int i = 3; i <= 5; ++i) EXPECT_EQ(m_board->ReadLine().rfind("#" + std::to_string(i), 0), 0u);
  EXPECT_EQ(m_board->ReadLine(), "#6 code=0x82002004 ch=5 value=100 -> refused");
}

// A silent board times out, a reply longer than the record and a board gone
// midway fail; the record is left alone and a broken connection is not read
// again: the next call is a new request on a new connection.
TEST_F(DeviceBoard, BrokenBoardsFailTheCall) {
  constexpr int kTimeoutMs = 300;
  qxtest::ScopedEnv timeout("QX_DEVICE_TIMEOUT_MS", std::to_string(kTimeoutMs));
  for (const char* mode : {"silent", "garbage", "gone"}) {
    SCOPED_TRACE(mode);
    bool gone = std::string(mode) == "gone";
    Start(gone ? "normal" : mode);
    HANDLE board = OpenBoard();
    ASSERT_NE(board, INVALID_HANDLE_VALUE);
    EXPECT_EQ(QxDeviceTimeout(board), DWORD(kTimeoutMs));
    if (gone) m_board->Stop();
    Record record(1, 0);
    DWORD returned = 7;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        DeviceIoControl(board, kReadAdc, record.bytes, 8, record.bytes, 8, &returned, nullptr));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(record.Code(), 0u);
    EXPECT_LT(took, std::chrono::milliseconds(kTimeoutMs + 2000));
    if (std::string(mode) == "silent") {
      EXPECT_GE(took, std::chrono::milliseconds(kTimeoutMs - 100));
      EXPECT_FALSE(Read(board, 1));
      EXPECT_EQ(m_board->ReadLine().rfind("#1 ", 0), 0u);
      EXPECT_EQ(m_board->ReadLine().rfind("#2 ", 0), 0u);
    }
    CloseHandle(board);
  }
}

// A dropped connection is made again by a later call, at most once in the
// retry interval; QxDeviceReconnect makes it at once, and reaches a board
// started again on the same socket.
TEST_F(DeviceBoard, ADroppedConnectionIsMadeAgainByALaterCall) {
  Start("normal", {"--after", "1", "--fault", "drop"});
  HANDLE board = OpenBoard();
  ASSERT_NE(board, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(QxDeviceSetRetryInterval(board, 60000));
  EXPECT_TRUE(Read(board, 0));
  EXPECT_FALSE(Read(board, 0));  // dropped by the board
  EXPECT_TRUE(Read(board, 0));   // connected again: the first try since
  m_board->Stop();
  EXPECT_FALSE(Read(board, 0));  // the board went away
  EXPECT_FALSE(Read(board, 0));  // nothing listens: this was the try
  Restart();
  EXPECT_FALSE(Read(board, 0)) << "no second try within the interval";
  EXPECT_TRUE(QxDeviceReconnect(board));
  EXPECT_TRUE(Read(board, 0));
  EXPECT_EQ(m_board->ReadLine(), "#1 code=0x82002000 ch=0 value=0 -> 2048");
  m_board->Stop();
  EXPECT_FALSE(QxDeviceReconnect(board));
  CloseHandle(board);
  HANDLE unknown = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x1234));
  EXPECT_FALSE(QxDeviceReconnect(unknown));
  EXPECT_FALSE(QxDeviceSetRetryInterval(unknown, 1));
}

// The abort test ends a wait for a silent board long before its timeout.
TEST_F(DeviceBoard, AnAbortTestEndsTheWait) {
  qxtest::ScopedEnv timeout("QX_DEVICE_TIMEOUT_MS", "20000");
  Start("silent");
  HANDLE board = OpenBoard();
  ASSERT_NE(board, INVALID_HANDLE_VALUE);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(QxDeviceSetAbortTest(board, [start] {
    return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(100);
  }));
  EXPECT_FALSE(Read(board, 0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
  CloseHandle(board);
}
