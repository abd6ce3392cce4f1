#pragma once
// Diagnostics: ASSERT/VERIFY report a failed condition with its file and line,
// TRACE writes printf-style lines; both go to one debug sink that tests read
// and clear. Nothing here aborts: a failed ASSERT is reported and execution
// goes on, in every build. With QX_TRACE set in the environment the sink is
// echoed to stderr.
#include "platform/core/Types.h"

#include <cstddef>
#include <string>

// Appends text to the debug sink as it is (no newline is added).
void OutputDebugString(LPCSTR text);
inline void OutputDebugStringA(LPCSTR text) {
  OutputDebugString(text);
}
void AfxTrace(LPCSTR format, ...) __attribute__((format(printf, 1, 2)));
// Reports "file(line): ASSERT failed: expression" to the sink; returns nothing
// and never stops the program.
void AfxAssertFailedLine(LPCSTR file, int line, LPCSTR expression);

// How much of the newest text the sink keeps; older whole lines are dropped.
constexpr std::size_t kQxDebugTailBytes = 64 * 1024;

// The sink's text since it was last cleared (at most its last
// kQxDebugTailBytes, beginning at a line), and how many ASSERTs failed.
std::string QxDebugOutput();
int QxAssertFailureCount();
void QxClearDebugOutput();

#define TRACE(...) AfxTrace(__VA_ARGS__)
#define TRACE0(text) AfxTrace("%s", text)
#define TRACE1(format, a) AfxTrace(format, a)
#define TRACE2(format, a, b) AfxTrace(format, a, b)
#define TRACE3(format, a, b, c) AfxTrace(format, a, b, c)

// The condition is evaluated in every build, so ASSERT and VERIFY behave alike.
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(p) ((void)0)
#define ASSERT_KINDOF(cls, p) ASSERT((p) != nullptr && (p)->IsKindOf(RUNTIME_CLASS(cls)))
