#include "platform/core/Clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// Installs a manual clock for one test and puts the previous clock back.
class ManualClock : public testing::Test {
 protected:
  void SetUp() override { previous = QxSetClock(&clock); }
  void TearDown() override { QxSetClock(previous); }

  QxManualClock clock{1000};
  QxClock* previous = nullptr;
};

}  // namespace

TEST_F(ManualClock, SleepAdvancesTicksInstantly) {
  auto wallStart = std::chrono::steady_clock::now();
  EXPECT_EQ(GetTickCount(), 1000u);
  for (int i = 0; i < 100; ++i) Sleep(20000);
  EXPECT_EQ(GetTickCount(), 2001000u);
  EXPECT_EQ(clock.TotalSlept(), 2000000u);
  EXPECT_LT(std::chrono::steady_clock::now() - wallStart, std::chrono::seconds(5));
}

TEST_F(ManualClock, TicksWrapAndDifferencesStayRight) {
  clock.Set(0xFFFFFFF0u);
  DWORD t0 = GetTickCount();
  Sleep(0x30);
  DWORD t1 = GetTickCount();
  EXPECT_EQ(t1, 0x20u);
  // The pacing arithmetic: elapsed time in unsigned 32-bit differences.
  EXPECT_EQ(t1 - t0, 0x30u);
}

TEST(SystemClock, SleepTakesAtLeastItsTime) {
  DWORD t0 = GetTickCount();
  auto wallStart = std::chrono::steady_clock::now();
  Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - wallStart, std::chrono::milliseconds(30));
  EXPECT_GE(GetTickCount() - t0, 29u);
}
