#include "platform/core/Debug.h"

#include "platform/core/String.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

// The sink keeps only the newest lines: a trace may be written for every
// malformed bus frame or failed device call, which anything outside the
// program can cause at any rate, so a kept history must not grow with them.
// The text may run to twice the tail before it is cut, so that cutting (a
// move of the kept tail) happens once per tail's worth of text, not per line.
struct DebugSink {
  std::mutex lock;
  std::string text;
  int assertFailures = 0;
};

// Where the newest tail of text begins: after the first line end that leaves
// at most kQxDebugTailBytes, or mid-line when one line alone is longer.
std::size_t TailStart(const std::string& text) {
  if (text.size() <= kQxDebugTailBytes) return 0;
  const std::size_t earliest = text.size() - kQxDebugTailBytes;
  const std::size_t lineEnd = text.find('\n', earliest - 1);
  return lineEnd == std::string::npos || lineEnd + 1 >= text.size() ? earliest : lineEnd + 1;
}

DebugSink& Sink() {
  static DebugSink sink;
  return sink;
}

bool EchoToStderr() {
  static const bool echo = std::getenv("QX_TRACE") != nullptr;
  return echo;
}

}  // namespace

void OutputDebugString(LPCSTR text) {
  if (!text) return;
  DebugSink& sink = Sink();
  std::lock_guard guard(sink.lock);
  sink.text += text;
  if (sink.text.size() > 2 * kQxDebugTailBytes) sink.text.erase(0, TailStart(sink.text));
  if (EchoToStderr()) std::fputs(text, stderr);
}

void AfxTrace(LPCSTR format, ...) {
  if (!format) return;
  va_list args;
  va_start(args, format);
  CString line;
  line.FormatV(format, args);
  va_end(args);
  OutputDebugString(line);
}

void AfxAssertFailedLine(LPCSTR file, int line, LPCSTR expression) {
  {
    DebugSink& sink = Sink();
    std::lock_guard guard(sink.lock);
    ++sink.assertFailures;
  }
  AfxTrace("%s(%d): ASSERT failed: %s\n", file ? file : "?", line, expression ? expression : "");
}

std::string QxDebugOutput() {
  DebugSink& sink = Sink();
  std::lock_guard guard(sink.lock);
  return sink.text.substr(TailStart(sink.text));
}

int QxAssertFailureCount() {
  DebugSink& sink = Sink();
  std::lock_guard guard(sink.lock);
  return sink.assertFailures;
}

void QxClearDebugOutput() {
  DebugSink& sink = Sink();
  std::lock_guard guard(sink.lock);
  sink.text.clear();
  sink.text.shrink_to_fit();
  sink.assertFailures = 0;
}
