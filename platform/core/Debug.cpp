#include "platform/core/Debug.h"

#include "platform/core/String.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct DebugSink {
  std::mutex lock;
  std::string text;
  int assertFailures = 0;
};

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
  return sink.text;
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
  sink.assertFailures = 0;
}
