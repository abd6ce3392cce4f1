// A throwaway fuzz target for the test of the fuzz stage's script. The seeds
// begin with 's' and pass; what any other unit does is chosen by
// QX_PROBE_MODE, so that the stage meets each kind of stall it must tell
// apart:
//   stop  the first such unit stops its fuzzer for good (SIGSTOP), once, as
//         one stops it by its name: any parent process whose command line
//         names this program is stopped with it; the marker file
//         QX_PROBE_MARK says it happened, and the replay passes;
//   hang  every such unit hangs where libFuzzer's timeout cannot reach it
//         (the alarm blocked), as a fuzzer stuck in its timeout handler does;
//   busy  every such unit computes QX_PROBE_BUSY_MS of its own processor time;
//   slow  every such unit computes 3 s of its own processor time.
// It keeps the running unit with the note the real targets use.
#include "UnitNote.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

double OwnSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Spins until this thread has had the processor for SECONDS: a machine that
// keeps it waiting stretches the wall time, never the work.
void Compute(double seconds) {
  const double end = OwnSeconds() + seconds;
  volatile std::uint64_t sink = 0;
  while (OwnSeconds() < end)
    for (int i = 0; i < 10000; ++i) sink = sink + static_cast<std::uint64_t>(i);
}

// Whether the command line of process PID names this program.
bool NamesThisProgram(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
  const std::string line{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return line.find("qx_fuzz_probe") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  if (size == 0 || data[0] == 's') return 0;
  const char* env = std::getenv("QX_PROBE_MODE");
  const char* mode = env != nullptr ? env : "";
  if (std::strcmp(mode, "stop") == 0) {
    const char* mark = std::getenv("QX_PROBE_MARK");
    const int fd = mark != nullptr ? open(mark, O_WRONLY | O_CREAT | O_EXCL, 0644) : -1;
    if (fd >= 0) {
      close(fd);
      if (NamesThisProgram(getppid())) kill(getppid(), SIGSTOP);
      raise(SIGSTOP);
    }
  } else if (std::strcmp(mode, "hang") == 0) {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, nullptr);
    for (;;) sleep(60);
  } else if (std::strcmp(mode, "busy") == 0) {
    const char* ms = std::getenv("QX_PROBE_BUSY_MS");
    Compute((ms != nullptr ? std::atof(ms) : 150.0) / 1000.0);
  } else if (std::strcmp(mode, "slow") == 0) {
    Compute(3.0);
  }
  return 0;
}
