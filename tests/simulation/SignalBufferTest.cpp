// Every sample a signal holds is defined: a new signal, and one grown past
// its array, read 0.0 wherever nothing was written, whatever the heap held
// there before. A run that ends early, or a loop set up afresh during a run,
// is read (and may be stored) where nothing wrote it.
#include "simulation/SIMsignal.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Leaves the heap a freed block of n doubles, each holding 7.0, for the next
// allocation of that size to find.
void LeaveStaleBlock(int n) {
  auto* stale = new double[n];
  std::fill(stale, stale + n, 7.0);
  asm volatile("" : : "r"(stale) : "memory");  // the fill and the block are kept
  delete[] stale;
}

int NonZero(const CSIMsignal& s) {
  return static_cast<int>(std::count_if(s.m_pSamples, s.m_pSamples + s.m_nRows * s.m_nColumns,
                                        [](double v) { return v != 0.0; }));
}

}  // namespace

TEST(SignalBuffer, ANewOrGrownSignalHoldsZerosWhereNothingWasWritten) {
  LeaveStaleBlock(300);
  const CSIMsignal fresh;
  EXPECT_EQ(NonZero(fresh), 0);

  const struct { int rows, columns; } sizes[] = {{1, 301}, {2, 600}, {3, 2000}, {1, 10000}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.rows << " x " << size.columns);
    CSIMsignal grown;
    LeaveStaleBlock(size.rows * size.columns);
    ASSERT_TRUE(grown.Resize(size.rows, size.columns));
    EXPECT_EQ(NonZero(grown), 0);
  }
}
