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

TEST_F(ManualClock, SleepAdvancesTicksInstantlyAndTheyWrap) {
  auto wallStart = std::chrono::steady_clock::now();
  EXPECT_EQ(GetTickCount(), 1000u);
  for (int i = 0; i < 100; ++i) Sleep(20000);
  EXPECT_EQ(GetTickCount(), 2001000u);
  EXPECT_EQ(clock.TotalSlept(), 2000000u);
  EXPECT_LT(std::chrono::steady_clock::now() - wallStart, std::chrono::seconds(5));
  // The pacing arithmetic: elapsed time in unsigned 32-bit differences across the wrap.
  clock.Set(0xFFFFFFF0u);
  DWORD t0 = GetTickCount();
  Sleep(0x30);
  EXPECT_EQ(GetTickCount(), 0x20u);
  EXPECT_EQ(GetTickCount() - t0, 0x30u);
}

TEST(SystemClock, SleepTakesAtLeastItsTime) {
  DWORD t0 = GetTickCount();
  auto wallStart = std::chrono::steady_clock::now();
  Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - wallStart, std::chrono::milliseconds(30));
  EXPECT_GE(GetTickCount() - t0, 29u);
}
