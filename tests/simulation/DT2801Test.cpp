// The analog I/O device: the message codes, the board through the fake
// driver and its failures, the emulation's latching, and the emulated unit
// closed by the companion process for a worker.
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

#include "platform/core/Clock.h"
#include "platform/io/Bus.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <thread>

namespace {

constexpr double kCodeVolts = 20.0 / 65535.0;  // one message code

TEST(DT2801Codec, VoltsToCodeLimitsAndTruncates) {
  // code = trunc((v + 10) * 65535 / 20) after limiting to +-10 V, by hand: 0 V is
  // 32767, not 32768, and -5 V 16383.75 truncated.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double volts;
    WORD code;
  } cases[] = {{-10.0, 0},    {10.0, 65535}, {0.0, 32767}, {5.0, 49151}, {-5.0, 16383},
               {12.5, 65535}, {-12.5, 0},    {inf, 65535}, {-inf, 0},    {nan, 32767}};
  for (const auto& c : cases) EXPECT_EQ(CDT2801::VoltsToCode(c.volts), c.code) << c.volts;
  // A code decoded and encoded again stays within the truncation.
  for (int code = 0; code <= 65535; ++code)
    ASSERT_LE(std::abs(CDT2801::VoltsToCode(CDT2801::CodeToVolts(WORD(code))) - code), 1) << code;
}

TEST(DT2801Codec, InputMessageExample) {
  // wParam 0x0000FFFF, lParam 0x80000000: +10 V, -10 V, -10 V and
  // 32768 x 20 / 65535 - 10 = 0.000152590 V; a sign-extended lParam and bits
  // above the low 32 carry nothing else.
  const std::pair<WPARAM, LPARAM> forms[] = {
      {0x0000FFFFu, 0x80000000L},
      {0x0000FFFFu, LPARAM(std::int32_t(0x80000000u))},
      {WPARAM(0xABCD00000000FFFFull), LPARAM(0x1234000080000000ll)}};
  for (auto [wParam, lParam] : forms) {
    double volts[4] = {1, 1, 1, 1};
    CDT2801::DecodeCodes(wParam, lParam, volts);
    EXPECT_DOUBLE_EQ(volts[0], 10.0);
    EXPECT_DOUBLE_EQ(volts[1], -10.0);
    EXPECT_DOUBLE_EQ(volts[2], -10.0);
    EXPECT_NEAR(volts[3], 0.000152590219, 1e-12);
  }
  EXPECT_NEAR(CDT2801::CodeToVolts(32767), -0.000152590219, 1e-12);
  const double out[4] = {10.0, -10.0, 0.0, 12.5};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  CDT2801::EncodeCodes(out, &wParam, &lParam);
  EXPECT_EQ(wParam, 0x0000FFFFu);
  EXPECT_EQ(lParam, 0xFFFF7FFFL);
}

// The fake board on a socket of its own, named for the test's lifetime only.
struct FakeBoard {
  explicit FakeBoard(const char* mode)
      : path(qxtest::MakeTempDir("dt2801") + "/dt2801.sock"),
        board("fake_dt2801", {"--socket", path, "--seconds", "60", "--mode", mode}),
        env("QX_DEVICE_DT2801", path) {}
  std::string path;
  qxtest::PeerProcess board;
  qxtest::ScopedEnv env;
};

TEST(DT2801Board, WritesOutputsAndReadsThemThroughTheWires) {
  FakeBoard fake("normal");
  ASSERT_EQ(fake.board.ReadLine(), "ready");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  // 5 V is code 3072, -10 V code 0; 10 V and beyond, which would wrap round
  // to -10 V at 4096, go out as 4095, below -10 V as 0, not a number as 0 V;
  // 1 V is 204.8 codes, truncated. The result is the volts the record reports
  // back.
  const struct {
    BYTE channel;
    double volts, result;
    const char* logged;
  } writes[] = {{0, 5.0, 5.0, "ch=0 value=3072 -> 3072"},
                {1, -10.0, -10.0, "ch=1 value=0 -> 0"},
                {0, 10.0, 4095 * 10.0 / 2048 - 10.0, "ch=0 value=4095 -> 4095"},
                {1, 12.0, 4095 * 10.0 / 2048 - 10.0, "ch=1 value=4095 -> 4095"},
                {1, -1e300, -10.0, "ch=1 value=0 -> 0"},
                {1, std::nan(""), 0.0, "ch=1 value=2048 -> 2048"},
                {1, -10.0, -10.0, "ch=1 value=0 -> 0"},
                {0, 1.0, 204 * 10.0 / 2048, "ch=0 value=2252 -> 2252"}};
  for (const auto& w : writes) {
    EXPECT_DOUBLE_EQ(device.WriteDAC(w.channel, w.volts), w.result);
    EXPECT_NE(fake.board.ReadLine().find(std::string("code=0x82002004 ") + w.logged),
              std::string::npos);
  }
  EXPECT_DOUBLE_EQ(device.WriteDAC(2, 1.0), 0.0);  // nothing sent beyond the two outputs
  device.Latch();                                  // nor by the emulation's calls
  device.BroadcastDAC();
  // Input n is wired to output n % 2; any input channel goes to the driver.
  EXPECT_DOUBLE_EQ(device.ReadADC(2), 204 * 10.0 / 2048);
  EXPECT_NE(fake.board.ReadLine().find("code=0x82002000 ch=2 value=0 -> 2252"), std::string::npos);
  EXPECT_DOUBLE_EQ(device.ReadADC(7), -10.0);
  fake.board.ReadLine();
  // Zeroing writes both outputs and does not wait.
  QxManualClock clock;
  QxClock* previous = QxSetClock(&clock);
  device.ZeroOutputs(500);
  QxSetClock(previous);
  EXPECT_EQ(clock.TotalSlept(), 0u);
  EXPECT_EQ(fake.board.ReadLine(), "#11 code=0x82002004 ch=0 value=2048 -> 2048");
  EXPECT_EQ(fake.board.ReadLine(), "#12 code=0x82002004 ch=1 value=2048 -> 2048");
  EXPECT_EQ(device.Calls(), 12);
  EXPECT_EQ(device.FailedCalls(), 0);
}

TEST(DT2801Board, FailedReadsKeepTheLastGoodReadingAndAreCounted) {
  // normal, then the board is killed: the reading of each channel stays.
  {
    FakeBoard fake("normal");
    ASSERT_EQ(fake.board.ReadLine(), "ready");
    CDT2801 device;
    ASSERT_EQ(device.m_bEmulate, 0);
    device.WriteDAC(0, 5.0);
    EXPECT_DOUBLE_EQ(device.ReadADC(0), 5.0);
    EXPECT_DOUBLE_EQ(device.ReadADC(3), 0.0);  // output 1, never written
    fake.board.Stop();
    device.ResetCallCounts();
    EXPECT_DOUBLE_EQ(device.ReadADC(0), 5.0);
    EXPECT_DOUBLE_EQ(device.ReadADC(3), 0.0);
    EXPECT_DOUBLE_EQ(device.ReadADC(1), 0.0);                      // never read: 0 V
    EXPECT_DOUBLE_EQ(device.WriteDAC(1, 2.0), 409 * 10.0 / 2048);  // the code sent
    EXPECT_EQ(device.Calls(), 4);
    EXPECT_EQ(device.FailedCalls(), 4);
  }
  // silent: no reply within the timeout, then the connection is dropped;
  // garbage: a reply longer than the record. No reading came before.
  qxtest::ScopedEnv timeout("QX_DEVICE_TIMEOUT_MS", "300");
  for (const char* mode : {"silent", "garbage"}) {
    FakeBoard fake(mode);
    ASSERT_EQ(fake.board.ReadLine(), "ready");
    CDT2801 device;
    ASSERT_EQ(device.m_bEmulate, 0) << mode;
    EXPECT_DOUBLE_EQ(device.ReadADC(0), 0.0) << mode;
    EXPECT_DOUBLE_EQ(device.ReadADC(0), 0.0) << mode;
    EXPECT_EQ(device.FailedCalls(), 2) << mode;
  }
}

TEST(DT2801Emulation, ChosenWithoutABoardAndReadsTheLatchedInputs) {
  qxtest::ScopedEnv env("QX_DEVICE_DT2801", qxtest::MakeTempDir("noboard") + "/none.sock");
  CDT2801 device;
  EXPECT_EQ(device.m_bEmulate, 1);
  EXPECT_DOUBLE_EQ(device.WriteDAC(3, 12.5), 12.5);  // unlimited until broadcast
  EXPECT_DOUBLE_EQ(device.WriteDAC(4, 1.0), 0.0);
  device.ReceiveInputs(0x0000FFFFu, 0x80000000L);
  EXPECT_DOUBLE_EQ(device.ReadADC(0), 0.0);  // not latched yet
  device.Latch();
  device.ReceiveInputs(0, 0);  // arrives during the sample: not seen by it
  const double latched[5] = {10.0, -10.0, -10.0, 0.000152590219, 0.0};
  for (BYTE ch = 0; ch < 5; ++ch) EXPECT_NEAR(device.ReadADC(ch), latched[ch], 1e-12) << int(ch);
  device.Latch();
  EXPECT_DOUBLE_EQ(device.ReadADC(0), -10.0);
}

// The watch over the companion, whose inputs come over the bus from a socket
// of its own: gone once it has answered during the run (or an earlier pass
// of it) and its socket has been closed (refusing) or removed for the loss
// bound (the longer of 1 s and ten periods); never while the socket is
// there, however long it stays quiet, nor when it has not answered at all.
TEST(DT2801Emulation, ACompanionIsGoneOnlyOnceItAnsweredAndLeftTheBusForTheLossBound) {
  unsetenv("QX_DEVICE_DT2801");
  const std::string dir = qxtest::MakeTempDir("dt2801watch");
  qxtest::ScopedEnv busDir("QX_BUS_DIR", dir);
  ASSERT_TRUE(QxBusJoin());
  CDT2801* receiving = nullptr;
  QxBusReceiver previous = QxBusSetReceiver([&receiving](UINT message, WPARAM w, LPARAM l) {
    if (message == g_msgAdc && receiving) receiving->ReceiveInputs(w, l);
  });
  QxManualClock clock(5000);
  QxClock* previousClock = QxSetClock(&clock);
  enum Left { kStays, kClosed, kRemoved };
  const struct {
    UINT ms;
    bool answers, laterPass;
    Left left;
    DWORD silence;
    bool gone;
  } rows[] = {{10, true, false, kStays, 100000, false}, {10, true, false, kClosed, 999, false},
              {10, true, false, kClosed, 1000, true},   {200, true, false, kRemoved, 1999, false},
              {200, true, false, kRemoved, 2000, true}, {10, false, false, kRemoved, 100000, false},
              {10, false, true, kClosed, 1000, true},   {10, false, true, kStays, 100000, false}};
  int pid = 3000000;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.ms << " ms, left " << row.left << ", " << row.silence << " ms");
    CDT2801 device;
    ASSERT_EQ(device.m_bEmulate, 1);
    receiving = &device;
    // The companion: a socket named by the process id its frames carry.
    ++pid;
    const std::string path = dir + "/" + std::to_string(pid) + ".sock";
    const int companion = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(companion, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    sockaddr_un own{};
    own.sun_family = AF_UNIX;
    std::snprintf(own.sun_path, sizeof own.sun_path, "%s", qxbus::OwnSocketPath().c_str());
    const auto answer = [&] {
      const std::vector<BYTE> frame = qxbus::EncodeFrame("ID_DIDIRO_ADC", DWORD(pid), 0, 0);
      sendto(companion, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&own),
             sizeof own);
      ASSERT_EQ(QxBusPoll(1000), 1);
    };
    device.BeginRun(row.ms);
    answer();  // an earlier run, or pass, was answered
    device.PeerGone(5000);
    device.BeginRun(row.ms, row.laterPass);
    if (row.answers) answer();
    EXPECT_FALSE(device.PeerGone(5000));
    if (row.left != kStays) close(companion);
    if (row.left == kRemoved) unlink(path.c_str());
    EXPECT_EQ(device.PeerGone(5000 + row.silence), row.gone);
    EXPECT_EQ(device.InputArrived(), row.answers);
    if (row.left == kStays) close(companion);
    receiving = nullptr;
  }
  QxSetClock(previousClock);
  QxBusSetReceiver(previous);
  QxBusLeave();
}

// Messages whose four codes are equal: a sample that saw a torn update, or
// an update during the sample, would read different volts.
TEST(DT2801Threads, SampleSeesOneWholeInputMessage) {
  unsetenv("QX_DEVICE_DT2801");
  CDT2801 device;
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread worker([&] {
    for (int sample = 0; sample < 2000; ++sample) {
      device.Latch();
      double first = device.ReadADC(0);
      std::this_thread::yield();
      for (BYTE ch = 1; ch < 4; ++ch) torn += device.ReadADC(ch) != first;
    }
    done = true;
  });
  for (DWORD code = 0; !done; code = (code + 4099) & 0xFFFF)
    device.ReceiveInputs(code | code << 16, LPARAM(code | code << 16));
  worker.join();
  EXPECT_EQ(torn.load(), 0);
}

// A worker paced like the real-time loop broadcasts its outputs; the
// companion (no lag) sends them back, the user-interface thread takes them in,
// and the worker latches what it wrote.
TEST(DT2801Threads, CompanionClosesTheLoopForAWorker) {
  unsetenv("QX_DEVICE_DT2801");
  qxtest::ScopedEnv busDir("QX_BUS_DIR", qxtest::MakeTempDir("dt2801bus"));
  ASSERT_TRUE(QxBusJoin());
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 1);
  QxBusReceiver previous = QxBusSetReceiver([&device](UINT message, WPARAM w, LPARAM l) {
    if (message == g_msgAdc) device.ReceiveInputs(w, l);
  });
  qxtest::PeerProcess companion("qorex_companion", {"--seconds", "60", "--lag", "0"});
  ASSERT_EQ(companion.ReadLine().rfind("ready", 0), 0u);

  std::atomic<bool> stop{false}, closed{false};
  std::thread worker([&] {
    for (BYTE ch = 0; ch < 4; ++ch) device.WriteDAC(ch, 4.0);
    device.ZeroOutputs(20);
    while (!stop && !closed) {
      device.Latch();
      closed = std::abs(device.ReadADC(1) + 2.5) < 2 * kCodeVolts &&
               std::abs(device.ReadADC(3) - 10.0) < 2 * kCodeVolts;
      device.WriteDAC(1, -2.5);
      device.WriteDAC(3, 12.5);
      device.BroadcastDAC();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!closed && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  stop = true;
  worker.join();
  QxBusSetReceiver(previous);
  QxBusLeave();
  EXPECT_TRUE(closed.load());
  EXPECT_DOUBLE_EQ(device.m_outputs[3], 10.0);  // the stored output is limited too
  EXPECT_EQ(companion.ReadLine(), "DAC #1 32767 32767 32767 32767");  // zeroed first
  EXPECT_EQ(companion.ReadLine().rfind("ADC #1 ", 0), 0u);
  EXPECT_EQ(companion.ReadLine(), "DAC #2 32767 24575 32767 65535");
}

}  // namespace
