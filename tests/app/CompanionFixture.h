#pragma once
// Real-time runs end to end against the companion process on a bus folder of
// the test's own.
#include "tests/app/RealtimeFixture.h"

namespace {

// The emulated unit closed by the companion on a bus folder of the test's own;
// the received inputs go to the device as the main window's handler would.
class RealtimeCompanionThreads : public RealtimeThreads {
 protected:
  // The companion with a plant lag of `lag` and more arguments; the inputs
  // it sends are kept (m_received) and the output frames sent (KeepSentFrames).
  void StartCompanion(std::vector<std::string> more = {}, const char* lag = "0") {
    m_instantCompanion.reset();  // the real one answers
    m_bus = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", qxtest::MakeTempDir("rtbus"));
    ASSERT_TRUE(QxBusJoin());
    m_previousReceiver = QxBusSetReceiver([this](UINT message, WPARAM w, LPARAM l) {
      if (message != g_msgAdc || !g_pAnalogIo) return;
      g_pAnalogIo->ReceiveInputs(w, l);
      m_received.push_back(
          {GetTickCount(), CDT2801::CodeToVolts(LOWORD(w)), CDT2801::CodeToVolts(HIWORD(w))});
    });
    std::vector<std::string> args{"--seconds", "60", "--lag", lag, "--stalls", "1"};
    args.insert(args.end(), more.begin(), more.end());
    m_companion = std::make_unique<qxtest::PeerProcess>("qorex_companion", args);
    ASSERT_EQ(m_companion->ReadLine().rfind("ready", 0), 0u);
    KeepSentFrames();
  }
  void TearDown() override {
    RealtimeThreads::TearDown();
    TearDownCompanion();
  }
  // Held up as the base says, or by the companion's own record of being
  // stopped or starved: its answers then come late, or its queue fills and
  // the bus skips it.
  std::string HeldUpBy(const HoldUpMeter& meter) override {
    std::string why = RealtimeThreads::HeldUpBy(meter);
    if (!m_companion) return why;
    ReadToMark(*m_companion, "qorex_companion", [&why](const std::string& line) {
      if (line.rfind("stalled ", 0) == 0) why += (why.empty() ? "the companion was " : "; ") + line;
    });
    return why;
  }
  // The companion ended and the bus left, so that a test may start another.
  void TearDownCompanion() {
    m_companion.reset();
    m_received.clear();
    if (m_bus) QxBusSetReceiver(m_previousReceiver);
    QxBusLeave();
    m_bus.reset();
  }
  // The inputs that reached the program on channel 0 (and 1), each with the tick
  // count it came at (the user-interface thread hands them to the device).
  struct Received {
    DWORD time;
    double volts;
    double volts1 = 0.0;  // on channel 1
  };
  // Whether sample k of the run, whose repaint was posted (every sample of
  // a period above 50 ms), read y: the input the device held when the
  // previous sample's repaint went, or one that came in between.
  bool ReadableAt(int k, double y) const {
    DWORD from = 0, to = 0;
    for (const Posted& p : m_posted) {
      if (p.message != WM_QX_INVALIDATESLICE) continue;
      if (static_cast<int>(p.wParam) == k - 1) from = p.time;
      if (static_cast<int>(p.wParam) == k) to = p.time;
    }
    double held = 0.0;
    for (const Received& r : m_received) {
      if (static_cast<LONG>(r.time - to) > 0) break;
      if (static_cast<LONG>(r.time - from) < 0) {
        held = r.volts;
      } else if (r.volts == y) {
        return true;
      }
    }
    return held == y;
  }

  std::unique_ptr<qxtest::ScopedEnv> m_bus;
  std::unique_ptr<qxtest::PeerProcess> m_companion;
  std::vector<Received> m_received;
  QxBusReceiver m_previousReceiver;
};

}  // namespace
