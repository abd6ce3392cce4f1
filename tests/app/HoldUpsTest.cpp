// The period check that every run test judges by, on made-up step times.
#include "tests/app/HoldUps.h"

#include <gtest/gtest.h>

namespace {

// n steps `periodMs` apart from 1 s on, with `lateMs` more before each step
// listed in `late` (every step when empty and lateMs is set).
std::vector<long long> Steps(int n, long long periodMs, long long lateMs = 0,
                             std::vector<int> late = {}) {
  std::vector<long long> us{1000000};
  for (int i = 1; i < n; ++i) {
    const bool isLate = late.empty() || std::find(late.begin(), late.end(), i) != late.end();
    us.push_back(us.back() + 1000 * (periodMs + (isLate ? lateMs : 0)));
  }
  return us;
}

TEST(LatePeriod, AProgramLateOnceOrAtEverySampleFailsAndAHeldUpProcessorExplainsAGap) {
  const struct {
    const char* what;
    std::vector<long long> us;
    long long periodMs;
    long long heldFromMs, heldMs;  // an outside hold-up of heldMs ending at step 10
    bool late;
  } rows[] = {
      {"on time", Steps(50, 10), 10, 0, 0, false},
      {"on time at 250 ms", Steps(5, 250), 250, 0, 0, false},
      {"one 700 ms gap", Steps(50, 10, 700, {10}), 10, 0, 0, true},
      {"every gap 200 ms late", Steps(50, 10, 200), 10, 0, 0, true},
      {"every gap 200 ms late at 250 ms", Steps(5, 250, 200), 250, 0, 0, true},
      {"every gap 6 ms late: each within its margin, the run not", Steps(50, 10, 6), 10, 0, 0,
       true},
      {"a 700 ms gap the processor was held up for", Steps(50, 10, 700, {10}), 10, 700, 700, false},
      {"a 700 ms gap held up 300 ms of it", Steps(50, 10, 700, {10}), 10, 700, 300, true},
      {"a hold-up elsewhere explains no gap", Steps(50, 10, 700, {30}), 10, 700, 700, true},
  };
  for (const auto& row : rows) {
    qxtest::HoldUpTimeline timeline;
    if (row.heldMs > 0) timeline.AddHeld(row.us[9], row.us[10], 1000 * row.heldMs);
    const std::string said = qxtest::LatePeriod(
        row.us, row.periodMs,
        [&timeline](long long a, long long b) { return timeline.HeldUsBetween(a, b); });
    EXPECT_EQ(!said.empty(), row.late) << row.what << ": " << said;
  }
}

// A board run's calls: two zeroing writes, a reading and a write each
// sample, the closing zero; the run's length is its readings'.
TEST(LatePeriod, TheRunsLengthCountsTheStepsThatStartASample) {
  std::vector<long long> us;
  std::vector<bool> reading;
  for (int k = 0; k < 40; ++k) {
    us.push_back(1000000 + k * 16000LL);  // a sample every 16 ms at 10 ms
    us.push_back(us.back() + 100);
    reading.push_back(true);
    reading.push_back(false);
  }
  const auto isReading = [&reading](std::size_t i) { return bool(reading[i]); };
  EXPECT_NE(qxtest::LatePeriod(us, 10, nullptr, 0, SIZE_MAX, isReading), "");
  EXPECT_EQ(qxtest::LatePeriod(us, 16, nullptr, 0, SIZE_MAX, isReading), "");
}

}  // namespace
