#include "platform/core/VectorState.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define QX_X86 1
#endif

namespace {

#ifdef QX_X86
// CPUID.1:ECX bit 27 (the system saves extended state, XGETBV usable) and
// bit 28 (AVX), and XCR0 bits 1 and 2 (the system saves the SSE and AVX
// registers on a switch).
bool DetectAvx() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  constexpr unsigned kOsxsave = 1u << 27, kAvx = 1u << 28;
  if ((c & (kOsxsave | kAvx)) != (kOsxsave | kAvx)) return false;
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (lo & 6u) == 6u;
}
#else
bool DetectAvx() {
  return false;
}
#endif

const bool g_hasAvx = DetectAvx();

}  // namespace

bool QxProcessorHasAvx() {
  return g_hasAvx;
}

void QxCleanVectorState() {
#ifdef QX_X86
  if (g_hasAvx) __asm__ volatile("vzeroupper");
#endif
}
