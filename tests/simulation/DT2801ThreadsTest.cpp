// The emulated analog unit used as the real-time loop uses it: a worker
// latches, reads, writes and broadcasts while the user-interface thread takes
// in the input messages.
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

#include "platform/io/Bus.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

// Messages whose four codes are all equal: a sample that saw a torn update
// would read different volts on different channels.
TEST(DT2801Threads, SampleSeesOneWholeInputMessage) {
  unsetenv("QX_DEVICE_DT2801");
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 1);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0}, moved{0};
  std::thread worker([&] {
    for (int sample = 0; sample < 2000; ++sample) {
      device.Latch();
      double first = device.ReadADC(0);
      for (BYTE ch = 1; ch < 4; ++ch)
        if (device.ReadADC(ch) != first) ++torn;
      std::this_thread::yield();
      if (device.ReadADC(3) != first) ++moved;  // inputs arrived meanwhile: not seen
      device.WriteDAC(0, first);
      device.BroadcastDAC();
    }
    done = true;
  });
  for (DWORD code = 0; !done; code = (code + 4099) & 0xFFFF)
    device.ReceiveInputs(code | code << 16, static_cast<LPARAM>(code | code << 16));
  worker.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(moved.load(), 0);
}

// The companion closes the loop for a worker that paces like the real-time
// loop: what the worker writes comes back, through the user-interface
// thread's input messages, as what it latches a few samples later.
TEST(DT2801Threads, CompanionClosesTheLoopForAWorker) {
  unsetenv("QX_DEVICE_DT2801");
  qxtest::ScopedEnv busDir("QX_BUS_DIR", qxtest::MakeTempDir("dt2801loop"));
  ASSERT_TRUE(QxBusJoin());
  CDT2801 device;
  ASSERT_EQ(device.m_bEmulate, 1);
  QxBusReceiver previous = QxBusSetReceiver([&device](UINT message, WPARAM w, LPARAM l) {
    if (message == g_msgAdc) device.ReceiveInputs(w, l);
  });
  qxtest::PeerProcess companion("qorex_companion", {"--seconds", "60", "--lag", "0"});
  ASSERT_TRUE(companion.Running());
  ASSERT_EQ(companion.ReadLine().rfind("ready", 0), 0u);

  std::atomic<bool> stop{false}, closed{false};
  std::thread worker([&] {
    device.ZeroOutputs(20);
    while (!stop && !closed) {
      device.Latch();
      // The loop's answer to -3.75 V on channel 1 and +6 V on channel 2.
      if (std::abs(device.ReadADC(1) + 3.75) < 0.001 && std::abs(device.ReadADC(2) - 6.0) < 0.001)
        closed = true;
      device.WriteDAC(1, -3.75);
      device.WriteDAC(2, 6.0);
      device.BroadcastDAC();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    device.ZeroOutputs(0);
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!closed && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  stop = true;
  worker.join();
  QxBusSetReceiver(previous);
  QxBusLeave();
  EXPECT_TRUE(closed.load());
  EXPECT_NEAR(device.ReadADC(0), 0.0, 0.001);  // never written: 0 V from the first zeroing
}

}  // namespace
