#pragma once
// Reading and spoiling the upper halves of the vector registers from a test.
// The processor reports which register state is in use through XGETBV with
// ECX = 1 (bit 2: the upper halves of YMM0-15), where CPUID leaf 0Dh, sub-leaf
// 1, has EAX bit 2; elsewhere the state cannot be read and the probe says so.
#include "platform/core/VectorState.h"

#include <optional>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace qxtest {

// Whether the upper halves are in use now; nothing where that cannot be read.
inline std::optional<bool> QxUpperVectorStateDirty() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!QxProcessorHasAvx() || !__get_cpuid_count(0xD, 1, &a, &b, &c, &d) || !(a & 4u))
    return std::nullopt;
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
  return (lo & 4u) != 0;
#else
  return std::nullopt;
#endif
}

// Puts ones into the upper half of YMM15, as an AVX routine that does not
// clean up leaves it; false where there is no AVX.
inline bool QxSpoilUpperVectorState() {
#if defined(__x86_64__)
  if (!QxProcessorHasAvx()) return false;
  __asm__ volatile("vcmpps $15, %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");
  return true;
#else
  return false;
#endif
}

}  // namespace qxtest

// Skips the test where the state cannot be read or spoiled.
#define QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP()                                                     \
  do {                                                                                            \
    if (!::qxtest::QxUpperVectorStateDirty().has_value() || !::qxtest::QxSpoilUpperVectorState()) \
      GTEST_SKIP() << "the upper vector state cannot be read here";                               \
    ASSERT_EQ(::qxtest::QxUpperVectorStateDirty(), true) << "the state did not take the spoil";   \
  } while (0)
