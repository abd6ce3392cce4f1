#pragma once
// Real-time runs end to end against the companion process on a bus folder of
// the test's own.
#include "tests/app/RealtimeFixture.h"

#include "platform/ui/WinApp.h"

#include <cstdlib>
#include <functional>

namespace {

// The main window's part in a run: the inputs the bus posts to it are passed
// on by its handler, as the main frame's is.
class CInputsFrame : public CFrameWnd {
 public:
  LRESULT OnAdc(WPARAM wParam, LPARAM lParam) {
    m_onInputs(wParam, lParam);
    return 0;
  }
  std::function<void(WPARAM, LPARAM)> m_onInputs;

 protected:
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CInputsFrame, CFrameWnd)
ON_REGISTERED_MESSAGE(g_msgAdc, OnAdc)
END_MESSAGE_MAP()

// The emulated unit closed by the companion on a bus folder of the test's own;
// the received inputs go to the device as the main window's handler would.
class RealtimeCompanionThreads : public RealtimeThreads {
 protected:
  // The companion with a plant lag of `lag` and more arguments; the inputs
  // it sends are kept (m_received) and the output frames sent (KeepSentFrames).
  // With m_viaMainWindow the bus posts the inputs to a main window, which
  // hands them on when the user-interface thread delivers its messages, as
  // while the application's loop runs; without, the bus hands them on itself.
  void StartCompanion(std::vector<std::string> more = {}, const char* lag = "0") {
    m_instantCompanion.reset();  // the real one answers
    m_bus = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", qxtest::MakeTempDir("rtbus"));
    ASSERT_TRUE(QxBusJoin());
    if (m_viaMainWindow) {
      m_frame = new CInputsFrame;
      m_frame->m_onInputs = [this](WPARAM w, LPARAM l) { TakeInputs(w, l); };
      ASSERT_TRUE(m_frame->Create(nullptr, "Inputs"));
      m_app->m_pMainWnd = m_frame;
      m_previousReceiver = QxBusSetReceiver(QxPostToMainWnd);
    } else {
      m_previousReceiver = QxBusSetReceiver([this](UINT message, WPARAM w, LPARAM l) {
        if (message == g_msgAdc) TakeInputs(w, l);
      });
    }
    std::vector<std::string> args{"--seconds", "60", "--lag", lag, "--stalls", "1"};
    args.insert(args.end(), more.begin(), more.end());
    m_companion = std::make_unique<qxtest::PeerProcess>("qorex_companion", args);
    ASSERT_EQ(m_companion->ReadLine().rfind("ready", 0), 0u);
    KeepSentFrames();
  }
  // A judged run (JudgedRun) against the companion: `start` starts it and
  // makes a fresh design, which is run to its end with `onPosted` seeing the
  // thread messages meanwhile (m_onPosted); the companion is torn down
  // before a run made again.
  bool JudgedCompanionRun(const std::function<CQorexDoc*()>& start,
                          const std::function<bool(const MSG&)>& onPosted = nullptr) {
    return JudgedRun(
        [&]() -> CQorexDoc* {
          CQorexDoc* doc = start();
          m_onPosted = onPosted;
          doc->StartStopSimulation();
          [&] { ASSERT_TRUE(PumpUntilEnded()); }();
          m_onPosted = nullptr;
          return doc;
        },
        [this] { TearDownCompanion(); });
  }
  // Hands a frame of inputs to the device and keeps it.
  void TakeInputs(WPARAM w, LPARAM l) {
    if (!g_pAnalogIo) return;
    g_pAnalogIo->ReceiveInputs(w, l);
    m_received.push_back(
        {GetTickCount(), CDT2801::CodeToVolts(LOWORD(w)), CDT2801::CodeToVolts(HIWORD(w))});
  }
  void TearDown() override {
    RealtimeThreads::TearDown();
    TearDownCompanion();
  }
  // Held up as the base says, or by the companion's own record of being
  // stopped or starved: its answers then come late, or its queue fills and
  // the bus skips it. Its log is read up to the mark it writes when asked,
  // which one still held up at the end writes once it goes on; when it
  // heard each output frame (with --times 1, on its own clock) is kept in
  // m_heardUs, and the answers it sent are counted in m_answersSent.
  std::string HeldUpBy(const HoldUpMeter& meter) override {
    std::string why = RealtimeThreads::HeldUpBy(meter);
    m_heardUs.clear();
    m_answersSent = 0;
    if (!m_companion) return why;
    ReadToMark(*m_companion, "qorex_companion", [&](const std::string& line) {
      m_answersSent += line.rfind("ADC", 0) == 0 ? 1 : 0;
      if (line.rfind("stalled ", 0) == 0) why += (why.empty() ? "the companion was " : "; ") + line;
      const std::size_t at = line.find(" t=");
      if (line.rfind("DAC", 0) == 0 && at != std::string::npos)
        m_heardUs.push_back(std::atoll(line.c_str() + at + 3));
    });
    return why;
  }
  // The companion ended and the bus left, so that a test may start another.
  void TearDownCompanion() {
    m_companion.reset();
    m_received.clear();
    if (m_bus) {
      QxBusSetReceiver(m_previousReceiver);
      QxBusLeave();
    }
    m_bus.reset();
    if (m_frame) {
      if (m_app) m_app->m_pMainWnd = nullptr;
      m_frame->DestroyWindow();  // deletes itself
      m_frame = nullptr;
    }
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
  QxBusReceiver m_previousReceiver = nullptr;
  bool m_viaMainWindow = false;  // the bus posts the inputs to m_frame
  CInputsFrame* m_frame = nullptr;
  std::vector<long long> m_heardUs;  // when the companion heard each output frame
  int m_answersSent = 0;             // the input frames the companion sent
};

}  // namespace
