// qorex_companion: the process on the other end of the emulated analog I/O
// unit. It joins the local bus, and answers every "ID_DIDIRO_DAC" frame (four
// output voltages) by stepping one first-order plant per channel and
// broadcasting the plant outputs as "ID_DIDIRO_ADC". Codes are 16-bit, 0 for
// -10 V and 65535 for +10 V.
//
//   qorex_companion [--seconds N] [--lag A] [--times 1] [--silent-after N]
//                   [--resend-ms N] [--stalls 1]
//   qorex_companion --help
//
// A plant channel follows y := A * y + (1 - A) * u (A = 0: the outputs loop
// straight back to the inputs). With --silent-after N it answers the first N
// frames only and then falls silent, still logging the frames it receives:
// it stays on the bus, as a companion that sends its inputs only when they
// change. With --resend-ms N an answer that no peer took (its socket had no
// room, as while a flood fills it) is sent again every 0.2 ms for up to N ms.
// Each frame is logged on standard output:
//   ready pid=<pid>
//   DAC #<n> <code0> <code1> <code2> <code3>
//   ADC #<n> <code0> <code1> <code2> <code3>[ untaken]
// An answer no peer took, however often sent, ends in " untaken".
// With --times 1 each DAC line ends in " t=<us>", the microseconds since the
// companion started on the monotonic clock, taken when the frame arrived.
// With --stalls 1 it also notes when it was itself held up (stopped, or left
// unscheduled, for more than 100 ms), with the time column as above:
//   stalled <ms> ms
// On SIGUSR1 it logs "mark" once the frames already sent are answered. It
// ends after N seconds (default 600), on SIGINT or SIGTERM.
#include "CommandLine.h"
#include "StallWatch.h"
#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
  g_stop = 1;
}
// SIGUSR1 asks for a "mark" line once the frames already sent are answered.
volatile std::sig_atomic_t g_mark = 0;
void OnMark(int) {
  g_mark = 1;
}

double CodeToVolts(WORD code) {
  return code * 20.0 / 65535.0 - 10.0;
}

WORD VoltsToCode(double volts) {
  volts = std::clamp(volts, -10.0, 10.0);
  return static_cast<WORD>((volts + 10.0) * 65535.0 / 20.0);
}

struct Companion {
  UINT dac = RegisterWindowMessage("ID_DIDIRO_DAC");
  double lag = 0.5;
  double state[4] = {0.0, 0.0, 0.0, 0.0};
  unsigned long sequence = 0;
  unsigned long answered = 0;
  unsigned long silentAfter = 0;  // 0: never falls silent
  int times = 0;                  // 1: log when each output frame came
  double resendMs = 0;            // how long an answer nobody took is sent again
  int stalls = 0;                 // 1: note when the companion itself was held up
  std::mutex logLock;             // a log line is written whole, whichever thread writes it
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  // Ends a log line: the time column when asked for, then the newline.
  void EndLine() {
    if (times) {
      const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
      std::printf(" t=%lld", static_cast<long long>(us.count()));
    }
    std::printf("\n");
  }
  void NoteMark() {
    std::lock_guard guard(logLock);
    std::printf("mark");
    EndLine();
    std::fflush(stdout);
  }
  void NoteStall(long long ms) {
    std::lock_guard guard(logLock);
    std::printf("stalled %lld ms", ms);
    EndLine();
    std::fflush(stdout);
  }

  void OnFrame(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != dac) return;
    std::lock_guard guard(logLock);
    ++sequence;
    WORD in[4] = {LOWORD(wParam), HIWORD(wParam), LOWORD(lParam), HIWORD(lParam)};
    std::printf("DAC #%lu %u %u %u %u", sequence, in[0], in[1], in[2], in[3]);
    EndLine();
    if (silentAfter != 0 && answered >= silentAfter) {
      std::fflush(stdout);
      return;
    }
    ++answered;
    WORD out[4];
    for (int ch = 0; ch < 4; ++ch) {
      state[ch] = lag * state[ch] + (1.0 - lag) * CodeToVolts(in[ch]);
      out[ch] = VoltsToCode(state[ch]);
    }
    WPARAM w = static_cast<WPARAM>(out[0]) | static_cast<WPARAM>(out[1]) << 16;
    LPARAM l = static_cast<LPARAM>(out[2]) | static_cast<LPARAM>(out[3]) << 16;
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(resendMs);
    bool taken = QxBusBroadcast("ID_DIDIRO_ADC", w, l) != 0;
    while (!taken && std::chrono::steady_clock::now() < until) {
      usleep(200);
      taken = QxBusBroadcast("ID_DIDIRO_ADC", w, l) != 0;
    }
    std::printf("ADC #%lu %u %u %u %u%s\n", sequence, out[0], out[1], out[2], out[3],
                taken ? "" : " untaken");
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  double seconds = 600.0;
  Companion companion;
  const char* synopsis =
      "qorex_companion [--seconds N] [--lag A] [--times 1] [--silent-after N] [--resend-ms N] "
      "[--stalls 1]";
  const std::vector<qxtool::Option> options = {
      {"--seconds", "N", "ends after N seconds, 0.1 to 86400 (default 600)",
       [&](const char* v) { return qxtool::ReadNumber(v, 0.1, 86400.0, &seconds); }},
      {"--lag", "A", "each plant follows y := A y + (1 - A) u, A 0 to 1 (default 0.5)",
       [&](const char* v) { return qxtool::ReadNumber(v, 0.0, 1.0, &companion.lag); }},
      {"--times", "1", "1: each DAC line ends in t=<microseconds since start>",
       [&](const char* v) { return qxtool::ReadNumber(v, 0, 1, &companion.times); }},
      {"--silent-after", "N", "answers the first N frames only, then stays silent on the bus",
       [&](const char* v) {
         return qxtool::ReadNumber(v, 0ul, 1000000000ul, &companion.silentAfter);
       }},
      {"--resend-ms", "N",
       "sends an answer no peer took again every 0.2 ms for up to N ms, 0 to 1000 (default 0)",
       [&](const char* v) { return qxtool::ReadNumber(v, 0.0, 1000.0, &companion.resendMs); }},
      {"--stalls", "1", "1: logs \"stalled <ms> ms\" when the companion itself was held up",
       [&](const char* v) { return qxtool::ReadNumber(v, 0, 1, &companion.stalls); }},
  };
  const int parsed = qxtool::ParseCommandLine("qorex_companion", synopsis, argc, argv, options);
  if (parsed != qxtool::kGoOn) return parsed;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  struct sigaction mark {};
  mark.sa_handler = OnMark;
  sigaction(SIGUSR1, &mark, nullptr);

  QxBusReceive(companion.dac);  // the program's outputs; the inputs sent back are not read
  QxBusSetReceiver(
      [&companion](UINT message, WPARAM w, LPARAM l) { companion.OnFrame(message, w, l); });
  if (!QxBusJoin()) {
    std::fprintf(stderr, "qorex_companion: cannot join the bus in %s\n", QxBusDirectory().c_str());
    return 1;
  }
  std::printf("ready pid=%d\n", static_cast<int>(getpid()));
  std::fflush(stdout);
  std::unique_ptr<qxtool::StallWatch> watch;
  if (companion.stalls)
    watch = std::make_unique<qxtool::StallWatch>(
        [&companion](long long ms) { companion.NoteStall(ms); });
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!g_stop && std::chrono::steady_clock::now() < end) {
    QxBusPoll(100);
    if (!g_mark) continue;
    g_mark = 0;
    // A stall just ended is noted first.
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    QxBusPoll(0);
    companion.NoteMark();
  }
  QxBusLeave();
  return 0;
}
