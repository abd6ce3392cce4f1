// The analog I/O device: the message codes, the board through the fake
// driver (and its failures), the emulation's latching and broadcasts, and the
// emulated unit closed by the companion process.
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

#include "platform/core/Clock.h"
#include "platform/io/Bus.h"
#include "platform/io/Device.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

constexpr double kCodeVolts = 20.0 / 65535.0;  // one message code in volts
constexpr double kBoardStep = 10.0 / 2048.0;   // one board code in volts

// ---- message codes ----

TEST(DT2801Codec, VoltsToCodeLimitsAndTruncates) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // code = trunc((v + 10) * 65535 / 20) after limiting to +-10 V, by hand.
  const struct {
    const char* what;
    double volts;
    WORD code;
  } cases[] = {
      {"-10 V is the lowest code", -10.0, 0},
      {"+10 V is the highest code", 10.0, 65535},
      {"0 V truncates to 32767, not 32768", 0.0, 32767},
      {"+5 V: 49151.25 truncates", 5.0, 49151},
      {"-5 V: 16383.75 truncates, does not round", -5.0, 16383},
      {"just under +10 V", 9.9999, 65534},
      {"12.5 V is limited to +10 V", 12.5, 65535},
      {"-12.5 V is limited to -10 V", -12.5, 0},
      {"+infinity", inf, 65535},
      {"-infinity", -inf, 0},
      {"not a number goes out as 0 V", nan, 32767},
  };
  for (const auto& c : cases) EXPECT_EQ(CDT2801::VoltsToCode(c.volts), c.code) << c.what;
}

TEST(DT2801Codec, CodeToVoltsSpansTheRange) {
  EXPECT_DOUBLE_EQ(CDT2801::CodeToVolts(0), -10.0);
  EXPECT_DOUBLE_EQ(CDT2801::CodeToVolts(65535), 10.0);
  EXPECT_NEAR(CDT2801::CodeToVolts(32767), -0.00015259021896696422, 1e-12);
  EXPECT_NEAR(CDT2801::CodeToVolts(32768), 0.00015259021896696422, 1e-12);
  // Linear: every step is one code's worth of volts.
  for (int code : {1, 1000, 40000, 65534})
    EXPECT_NEAR(CDT2801::CodeToVolts(static_cast<WORD>(code)) - CDT2801::CodeToVolts(0),
                code * kCodeVolts, 1e-9);
}

TEST(DT2801Codec, InputMessageExample) {
  // wParam 0x0000FFFF, lParam 0x80000000: +10 V, -10 V, -10 V and
  // 32768 x 20 / 65535 - 10 = 0.000152590 V. The lParam may arrive
  // sign-extended, and bits above the low 32 of either word carry nothing.
  const struct {
    WPARAM wParam;
    LPARAM lParam;
  } forms[] = {
      {0x0000FFFFu, 0x80000000L},
      {0x0000FFFFu, static_cast<LPARAM>(static_cast<std::int32_t>(0x80000000u))},
      {static_cast<WPARAM>(0xABCD00000000FFFFull), static_cast<LPARAM>(0x1234000080000000ll)},
  };
  for (const auto& form : forms) {
    double volts[4] = {1, 1, 1, 1};
    CDT2801::DecodeCodes(form.wParam, form.lParam, volts);
    EXPECT_DOUBLE_EQ(volts[0], 10.0);
    EXPECT_DOUBLE_EQ(volts[1], -10.0);
    EXPECT_DOUBLE_EQ(volts[2], -10.0);
    EXPECT_NEAR(volts[3], 0.000152590219, 1e-12);
  }
}

TEST(DT2801Codec, OutputWordsPackChannelsLowWordFirst) {
  const double volts[4] = {10.0, -10.0, 0.0, 12.5};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  CDT2801::EncodeCodes(volts, &wParam, &lParam);
  EXPECT_EQ(wParam, 0x0000FFFFu);
  EXPECT_EQ(lParam, 0xFFFF7FFFL);
}

TEST(DT2801Codec, DecodedVoltsReencodeWithinOneCode) {
  // The companion decodes, steps its plant and encodes again; a voltage that
  // went through a code must not drift by more than the code's truncation.
  for (int code = 0; code <= 65535; ++code) {
    WORD again = CDT2801::VoltsToCode(CDT2801::CodeToVolts(static_cast<WORD>(code)));
    ASSERT_LE(std::abs(static_cast<int>(again) - code), 1) << code;
  }
  EXPECT_EQ(CDT2801::VoltsToCode(CDT2801::CodeToVolts(0)), 0);
  EXPECT_EQ(CDT2801::VoltsToCode(CDT2801::CodeToVolts(65535)), 65535);
}

// ---- the board ----

// The fake board on a socket of its own, and the variable that names it for
// the test's lifetime only.
class DT2801Board : public ::testing::Test {
 protected:
  void Start(const char* mode) {
    std::string socketPath = qxtest::MakeTempDir("dt2801") + "/dt2801.sock";
    m_board = std::make_unique<qxtest::PeerProcess>(
        "fake_dt2801",
        std::vector<std::string>{"--socket", socketPath, "--seconds", "60", "--mode", mode});
    ASSERT_TRUE(m_board->Running());
    ASSERT_EQ(m_board->ReadLine(), "ready");
    m_env = std::make_unique<qxtest::ScopedEnv>("QX_DEVICE_DT2801", socketPath);
  }
  // The board's log line for its n-th request: "#n code=... ch=c value=v -> r".
  std::string Logged() { return m_board->ReadLine(3000); }

  std::unique_ptr<qxtest::PeerProcess> m_board;
  std::unique_ptr<qxtest::ScopedEnv> m_env;
};

TEST_F(DT2801Board, WritesOutputsAndReadsThemBackThroughTheWires) {
  Start("normal");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  EXPECT_DOUBLE_EQ(device.m_dDacStep, kBoardStep);
  EXPECT_DOUBLE_EQ(device.m_dAdcStep, kBoardStep);

  // 5 V is code 3072, -10 V code 0; the result is what the record reports back.
  EXPECT_DOUBLE_EQ(device.WriteDAC(0, 5.0), 5.0);
  EXPECT_EQ(Logged(), "#1 code=0x82002004 ch=0 value=3072 -> 3072");
  EXPECT_DOUBLE_EQ(device.WriteDAC(1, -10.0), -10.0);
  EXPECT_EQ(Logged(), "#2 code=0x82002004 ch=1 value=0 -> 0");
  // Output channels beyond the board's two send nothing.
  EXPECT_DOUBLE_EQ(device.WriteDAC(2, 1.0), 0.0);
  EXPECT_DOUBLE_EQ(device.WriteDAC(255, 1.0), 0.0);

  // The fake wires output n % 2 to input n; any input channel goes to the driver.
  const struct {
    BYTE channel;
    double volts;
    DWORD code;
  } reads[] = {{0, 5.0, 3072}, {1, -10.0, 0}, {2, 5.0, 3072}, {7, -10.0, 0}};
  int request = 3;
  for (const auto& r : reads) {
    EXPECT_DOUBLE_EQ(device.ReadADC(r.channel), r.volts) << int(r.channel);
    EXPECT_EQ(Logged(), "#" + std::to_string(request++) + " code=0x82002000 ch=" +
                            std::to_string(r.channel) + " value=0 -> " + std::to_string(r.code));
  }

  // 10 V is code 4096, one beyond the converter, and goes out as such.
  EXPECT_DOUBLE_EQ(device.WriteDAC(0, 10.0), 10.0);
  EXPECT_EQ(Logged(), "#7 code=0x82002004 ch=0 value=4096 -> 4096");
  // A code is truncated toward zero: 1 V is 204.8 codes above 2048.
  EXPECT_DOUBLE_EQ(device.WriteDAC(1, 1.0), 204 * kBoardStep);
  EXPECT_EQ(Logged(), "#8 code=0x82002004 ch=1 value=2252 -> 2252");
}

TEST_F(DT2801Board, LatchAndBroadcastLeaveTheBoardAloneAndZeroingDoesNotWait) {
  Start("normal");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  QxManualClock clock;
  QxClock* previous = QxSetClock(&clock);
  device.Latch();
  device.BroadcastDAC();
  device.ZeroOutputs(500);
  QxSetClock(previous);
  EXPECT_EQ(clock.TotalSlept(), 0u);
  // Only the two outputs were written, both with 0 V.
  EXPECT_EQ(Logged(), "#1 code=0x82002004 ch=0 value=2048 -> 2048");
  EXPECT_EQ(Logged(), "#2 code=0x82002004 ch=1 value=2048 -> 2048");
  device.ReadADC(0);
  EXPECT_EQ(Logged(), "#3 code=0x82002000 ch=0 value=0 -> 2048");
}

TEST_F(DT2801Board, SilentBoardReadsAsTheFailureValue) {
  Start("silent");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_DOUBLE_EQ(device.ReadADC(0), 308.75);
  // The connection is dropped after the timeout; later calls fail at once.
  EXPECT_DOUBLE_EQ(device.WriteDAC(1, 2.0), 308.75);
  EXPECT_DOUBLE_EQ(device.ReadADC(3), 308.75);
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(QX_DEVICE_TIMEOUT_MS + 2000));
}

TEST_F(DT2801Board, OverlongRepliesReadAsTheFailureValue) {
  Start("garbage");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  EXPECT_DOUBLE_EQ(device.ReadADC(1), 308.75);
  EXPECT_DOUBLE_EQ(device.WriteDAC(0, -3.0), 308.75);
}

TEST_F(DT2801Board, BoardGoneAfterOpeningReadsAsTheFailureValue) {
  Start("normal");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 0);
  m_board->Stop();
  EXPECT_DOUBLE_EQ(device.ReadADC(0), 308.75);
  EXPECT_DOUBLE_EQ(device.WriteDAC(0, 1.0), 308.75);
}

// ---- the emulation ----

TEST(DT2801Emulation, ChosenWhenNoBoardAnswers) {
  {
    qxtest::ScopedEnv env("QX_DEVICE_DT2801", qxtest::MakeTempDir("noboard") + "/none.sock");
    CDT2801 device;
    EXPECT_EQ(device.m_bEmulate, 1);
    EXPECT_EQ(device.m_hDevice, INVALID_HANDLE_VALUE);
  }
  unsetenv("QX_DEVICE_DT2801");
  CDT2801 device;
  EXPECT_EQ(device.m_bEmulate, 1);
  for (int ch = 0; ch < 4; ++ch) {
    EXPECT_EQ(device.m_inputs[ch], 0.0);
    EXPECT_EQ(device.m_latched[ch], 0.0);
    EXPECT_EQ(device.m_outputs[ch], 0.0);
  }
}

TEST(DT2801Emulation, FourChannelsEachWayOthersIgnored) {
  unsetenv("QX_DEVICE_DT2801");
  CDT2801 device;
  // Outputs are stored unlimited until they are broadcast.
  const double volts[4] = {1.5, -2.0, 12.5, -0.25};
  for (BYTE ch = 0; ch < 4; ++ch) EXPECT_DOUBLE_EQ(device.WriteDAC(ch, volts[ch]), volts[ch]);
  EXPECT_DOUBLE_EQ(device.WriteDAC(4, 3.0), 0.0);
  EXPECT_DOUBLE_EQ(device.m_outputs[2], 12.5);

  device.ReceiveInputs(0x0000FFFFu, 0x80000000L);
  device.Latch();
  EXPECT_DOUBLE_EQ(device.ReadADC(0), 10.0);
  EXPECT_DOUBLE_EQ(device.ReadADC(1), -10.0);
  EXPECT_DOUBLE_EQ(device.ReadADC(2), -10.0);
  EXPECT_NEAR(device.ReadADC(3), 0.000152590219, 1e-12);
  EXPECT_DOUBLE_EQ(device.ReadADC(4), 0.0);
  EXPECT_DOUBLE_EQ(device.ReadADC(255), 0.0);
}

TEST(DT2801Emulation, SampleReadsTheInputsLatchedAtItsStart) {
  unsetenv("QX_DEVICE_DT2801");
  CDT2801 device;
  device.ReceiveInputs(0xFFFFFFFFu, 0xFFFFFFFFL);  // all +10 V
  EXPECT_DOUBLE_EQ(device.ReadADC(2), 0.0);        // not latched yet
  device.Latch();
  device.ReceiveInputs(0, 0);  // arrives during the sample
  EXPECT_DOUBLE_EQ(device.ReadADC(2), 10.0);
  EXPECT_DOUBLE_EQ(device.m_inputs[2], -10.0);
  device.Latch();  // the next sample sees it
  EXPECT_DOUBLE_EQ(device.ReadADC(2), -10.0);
}

// A private bus folder, this process joined to it, and a listener socket in
// it that records every frame the device broadcasts.
class DT2801Bus : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("QX_DEVICE_DT2801");
    m_dir = qxtest::MakeTempDir("dt2801bus");
    m_env = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", m_dir);
    ASSERT_TRUE(QxBusJoin());
  }
  void TearDown() override {
    if (m_listener >= 0) close(m_listener);
    QxBusLeave();
  }
  void Listen() {
    m_listener = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = m_dir + "/listener.sock";
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    timeval wait{3, 0};
    setsockopt(m_listener, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
  }
  // The next frame the listener got (a failed decode leaves the name empty).
  qxbus::Frame NextFrame() {
    qxbus::Frame frame;
    BYTE bytes[512];
    ssize_t got = recv(m_listener, bytes, sizeof(bytes), 0);
    if (got > 0) qxbus::DecodeFrame(bytes, static_cast<std::size_t>(got), &frame);
    return frame;
  }

  std::string m_dir;
  std::unique_ptr<qxtest::ScopedEnv> m_env;
  int m_listener = -1;
};

TEST_F(DT2801Bus, BroadcastLimitsTheOutputsAndSendsTheirCodes) {
  Listen();
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 1);
  device.WriteDAC(0, 12.5);
  device.WriteDAC(1, -11.0);
  device.WriteDAC(2, 0.0);
  device.WriteDAC(3, 5.0);
  device.BroadcastDAC();
  EXPECT_DOUBLE_EQ(device.m_outputs[0], 10.0);  // the stored value is limited too
  EXPECT_DOUBLE_EQ(device.m_outputs[1], -10.0);
  EXPECT_DOUBLE_EQ(device.m_outputs[3], 5.0);
  qxbus::Frame frame = NextFrame();
  EXPECT_EQ(frame.name, "ID_DIDIRO_DAC");
  EXPECT_EQ(frame.wParam, 65535u | 0u << 16);
  EXPECT_EQ(frame.lParam, 32767L | 49151L << 16);
}

TEST_F(DT2801Bus, ZeroingBroadcastsZeroAndGivesTheCompanionOnePeriod) {
  Listen();
  CDT2801 device;
  for (BYTE ch = 0; ch < 4; ++ch) device.WriteDAC(ch, 7.0);
  QxManualClock clock;
  QxClock* previous = QxSetClock(&clock);
  device.ZeroOutputs(250);
  QxSetClock(previous);
  EXPECT_EQ(clock.TotalSlept(), 250u);
  for (double volts : device.m_outputs) EXPECT_EQ(volts, 0.0);
  qxbus::Frame frame = NextFrame();
  EXPECT_EQ(frame.name, "ID_DIDIRO_DAC");
  EXPECT_EQ(frame.wParam, 32767u | 32767u << 16);
  EXPECT_EQ(frame.lParam, 32767L | 32767L << 16);
}

TEST_F(DT2801Bus, CompanionAnswersWithTheInputsTheDeviceLatches) {
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 1);
  int received = 0;
  QxBusReceiver previous = QxBusSetReceiver([&](UINT message, WPARAM w, LPARAM l) {
    if (message != g_msgAdc) return;
    device.ReceiveInputs(w, l);
    ++received;
  });
  // With no lag the companion's plant passes the outputs straight back.
  qxtest::PeerProcess companion("qorex_companion", {"--seconds", "60", "--lag", "0"});
  ASSERT_TRUE(companion.Running());
  ASSERT_EQ(companion.ReadLine().rfind("ready", 0), 0u);

  const double volts[4] = {5.0, -2.5, 12.5, 0.0};
  for (BYTE ch = 0; ch < 4; ++ch) device.WriteDAC(ch, volts[ch]);
  device.BroadcastDAC();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (received == 0 && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QxBusSetReceiver(previous);
  ASSERT_EQ(received, 1);
  EXPECT_EQ(companion.ReadLine(), "DAC #1 49151 24575 65535 32767");

  device.Latch();
  const double expected[4] = {5.0, -2.5, 10.0, 0.0};  // 12.5 V went out limited
  for (BYTE ch = 0; ch < 4; ++ch)
    EXPECT_NEAR(device.ReadADC(ch), expected[ch], 2 * kCodeVolts) << int(ch);
}

}  // namespace
