// fake_dt2801: a stand-in for the analog I/O board's driver, listening on the
// device socket that QX_DEVICE_DT2801 names (see platform/io/Device.h for the
// exchange). It knows the board's two calls on the 8-byte record (byte 0 the
// channel, bytes 4..7 the 12-bit code, little-endian):
//   0x82002004 write output 0 or 1: stores the code, replies with the record
//   0x82002000 read input n: replies with the record holding the input's code
// Input n reads output n % 2 (a wire from each output to two inputs); an
// output never written reads as 2048 (0 V). Anything else is refused.
//
//   fake_dt2801 --socket PATH [--seconds N] [--mode normal|silent|garbage] [--times 1]
//               [--after M --fault drop|exit|silent|garbage [--count N]] [--stalls 1]
//   fake_dt2801 --help
//
// silent: takes requests and never replies; garbage: replies with a length
// beyond the record. A fault strikes after the first M requests (counted over
// every connection): drop closes the connection of request M + 1 without a
// reply and goes on listening; exit ends the board at request M + 1 as a
// killed driver ends, leaving its socket behind; silent leaves requests
// M + 1 .. M + N unanswered (N = 1 by default) and answers again after them;
// garbage answers requests M + 1 .. M + N as the garbage mode does.
// Every request is logged on standard output:
//   ready
//   #<n> code=0x<code> ch=<channel> value=<code in> -> <code out>|refused|dropped|exit|garbage
// (a silent one is logged as answered), and with --times 1 each request line
// ends in " t=<us>", the microseconds since the board started on the
// monotonic clock. With --stalls 1 the board also notes when it was itself
// held up (stopped, or left unscheduled, for more than 100 ms):
//   stalled <ms> ms
// (with the time column as above). On SIGUSR1 it serves every request
// already sent and then logs "mark", so that a reader knows it has read all.
// It ends after N seconds (default 600), on SIGINT or SIGTERM.
#include "CommandLine.h"
#include "StallWatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <thread>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kReadAdc = 0x82002000u;
constexpr std::uint32_t kWriteDac = 0x82002004u;
// The most requests --after and --count name.
constexpr unsigned long kMostRequests = 1000000000ul;

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
  g_stop = 1;
}
// SIGUSR1 asks for a "mark" line once every request already sent is logged.
volatile std::sig_atomic_t g_mark = 0;
void OnMark(int) {
  g_mark = 1;
}

std::uint32_t GetDword(const unsigned char* in) {
  return in[0] | static_cast<std::uint32_t>(in[1]) << 8 | static_cast<std::uint32_t>(in[2]) << 16 |
         static_cast<std::uint32_t>(in[3]) << 24;
}

void PutDword(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

// What happens to request n: answered, or the fault's.
enum class Fate { kAnswer, kSilent, kDrop, kExit, kGarbage };

struct Board {
  std::uint32_t dac[2] = {2048, 2048};
  std::string mode = "normal";
  unsigned long requests = 0;
  int times = 0;  // 1: log when each request came
  unsigned long faultAfter = 0;
  std::string fault;  // empty: none
  unsigned long faultCount = 1;
  int stalls = 0;      // 1: note when the board itself was held up
  std::mutex logLock;  // a log line is written whole, whichever thread writes it

  Fate FateOf(unsigned long n) const {
    if (mode == "silent") return Fate::kSilent;
    if (mode == "garbage") return Fate::kGarbage;
    if (fault.empty() || n <= faultAfter) return Fate::kAnswer;
    if (fault == "silent") return n <= faultAfter + faultCount ? Fate::kSilent : Fate::kAnswer;
    if (fault == "garbage") return n <= faultAfter + faultCount ? Fate::kGarbage : Fate::kAnswer;
    if (n != faultAfter + 1) return Fate::kAnswer;
    return fault == "exit" ? Fate::kExit : fault == "drop" ? Fate::kDrop : Fate::kAnswer;
  }
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  // Ends a log line: the time column when asked for, then the newline.
  // Called with logLock held.
  void EndLine() {
    if (times) {
      const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
      std::printf(" t=%lld", static_cast<long long>(us.count()));
    }
    std::printf("\n");
    std::fflush(stdout);
  }

  // Answers one request; the reply is empty when the board stays silent.
  // False: the connection is dropped without a reply.
  bool Answer(std::uint32_t code, const std::vector<unsigned char>& in, std::uint32_t outSize,
              std::vector<unsigned char>& reply) {
    ++requests;
    const Fate fate = FateOf(requests);
    std::lock_guard guard(logLock);
    if (fate == Fate::kDrop || fate == Fate::kExit) {
      const bool exits = fate == Fate::kExit;
      std::printf("#%lu code=0x%08X ch=%u value=%u -> %s", requests, code, in.empty() ? 0u : in[0],
                  in.size() >= 8 ? GetDword(in.data() + 4) : 0u, exits ? "exit" : "dropped");
      EndLine();
      // A killed driver leaves its socket behind: nothing listens there now.
      if (exits) std::_Exit(0);
      return false;
    }
    bool known = (code == kReadAdc || code == kWriteDac) && in.size() == 8 && outSize >= 8;
    unsigned channel = in.size() >= 1 ? in[0] : 0;
    std::uint32_t value = in.size() >= 8 ? GetDword(in.data() + 4) : 0;
    if (known && code == kWriteDac && channel > 1) known = false;
    reply.assign(8, 0);
    if (!known) {
      PutDword(reply.data(), 1);
      std::printf("#%lu code=0x%08X ch=%u value=%u -> refused", requests, code, channel, value);
      EndLine();
      return true;
    }
    unsigned char record[8];
    std::memcpy(record, in.data(), 8);
    if (code == kWriteDac) {
      dac[channel] = value;
    } else {
      PutDword(record + 4, dac[channel % 2]);
    }
    if (fate == Fate::kGarbage) {
      std::printf("#%lu code=0x%08X ch=%u value=%u -> garbage", requests, code, channel, value);
    } else {
      std::printf("#%lu code=0x%08X ch=%u value=%u -> %u", requests, code, channel, value,
                  GetDword(record + 4));
    }
    EndLine();
    if (fate == Fate::kSilent) {
      reply.clear();
      return true;
    }
    PutDword(reply.data() + 4, fate == Fate::kGarbage ? outSize + 100 : 8);
    reply.insert(reply.end(), record, record + 8);
    return true;
  }
};

bool ReadExactly(int fd, unsigned char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t got = read(fd, bytes, size);
    if (got <= 0) {
      if (got < 0 && errno == EINTR && !g_stop) continue;
      return false;
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

// Reads one request and answers it; false when the connection broke or closed.
bool ServeRequest(Board& board, int fd) {
  unsigned char header[12];
  if (!ReadExactly(fd, header, sizeof(header))) return false;
  std::uint32_t code = GetDword(header), inSize = GetDword(header + 4),
                outSize = GetDword(header + 8);
  if (inSize > 65536) return false;
  std::vector<unsigned char> in(inSize);
  if (!ReadExactly(fd, in.data(), inSize)) return false;
  std::vector<unsigned char> reply;
  if (!board.Answer(code, in, outSize, reply)) return false;
  return reply.empty() ||
         send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(reply.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  double seconds = 600.0;
  Board board;
  const char* synopsis =
      "fake_dt2801 --socket PATH [--seconds N] [--mode normal|silent|garbage] [--times 1]\n"
      "                   [--after M --fault drop|exit|silent|garbage [--count N]] [--stalls 1]";
  const std::vector<qxtool::Option> options = {
      {"--socket", "PATH", "the device socket to listen on (default: $QX_DEVICE_DT2801)",
       [&](const char* v) {
         path = v;
         return std::string();
       }},
      {"--seconds", "N", "ends after N seconds, 0.1 to 86400 (default 600)",
       [&](const char* v) { return qxtool::ReadNumber(v, 0.1, 86400.0, &seconds); }},
      {"--mode", "MODE", "normal; silent: never replies; garbage: replies beyond the record",
       [&](const char* v) {
         board.mode = v;
         return qxtool::OneOf(v, {"normal", "silent", "garbage"});
       }},
      {"--times", "1", "1: each request line ends in t=<microseconds since start>",
       [&](const char* v) { return qxtool::ReadNumber(v, 0, 1, &board.times); }},
      {"--after", "M", "the fault strikes after the first M requests (default 0)",
       [&](const char* v) { return qxtool::ReadNumber(v, 0ul, kMostRequests, &board.faultAfter); }},
      {"--fault", "FAULT",
       "drop: closes the connection unanswered; exit: ends; silent: answers nothing; garbage: "
       "replies beyond the record",
       [&](const char* v) {
         board.fault = v;
         return qxtool::OneOf(v, {"drop", "exit", "silent", "garbage"});
       }},
      {"--count", "N", "requests a silent or garbage fault strikes (default 1)",
       [&](const char* v) { return qxtool::ReadNumber(v, 1ul, kMostRequests, &board.faultCount); }},
      {"--stalls", "1", "1: logs \"stalled <ms> ms\" when the board itself was held up",
       [&](const char* v) { return qxtool::ReadNumber(v, 0, 1, &board.stalls); }},
  };
  const int parsed = qxtool::ParseCommandLine("fake_dt2801", synopsis, argc, argv, options);
  if (parsed != qxtool::kGoOn) return parsed;
  if (path.empty() && std::getenv("QX_DEVICE_DT2801")) path = std::getenv("QX_DEVICE_DT2801");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) {
    std::fprintf(stderr, "fake_dt2801: --socket PATH is required (at most %zu bytes)\n",
                 sizeof(address.sun_path) - 1);
    qxtool::PrintUsage(stderr, synopsis, options);
    return qxtool::kUsageError;
  }
  std::strcpy(address.sun_path, path.c_str());
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  struct sigaction mark {};
  mark.sa_handler = OnMark;
  sigaction(SIGUSR1, &mark, nullptr);

  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  unlink(path.c_str());
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 4) != 0) {
    std::fprintf(stderr, "fake_dt2801: cannot listen on %s\n", path.c_str());
    return 1;
  }
  // A client that stops in the middle of a request must not keep the board
  // alive past its time: the alarm's default action ends the process.
  alarm(static_cast<unsigned>(seconds) + 5);
  std::printf("ready\n");
  std::fflush(stdout);
  std::unique_ptr<qxtool::StallWatch> watch;
  if (board.stalls)
    watch = std::make_unique<qxtool::StallWatch>([&board](long long ms) {
      std::lock_guard guard(board.logLock);
      std::printf("stalled %lld ms", ms);
      board.EndLine();
    });

  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::vector<pollfd> fds{{listener, POLLIN, 0}};
  while (!g_stop && std::chrono::steady_clock::now() < end) {
    if (g_mark) {
      g_mark = 0;
      // Every request already sent is served (and logged) first, and a
      // stall just ended is noted.
      while (poll(fds.data() + 1, fds.size() - 1, 0) > 0) {
        bool served = false;
        for (std::size_t i = fds.size(); i-- > 1;) {
          if (!fds[i].revents) continue;
          served = true;
          if (!ServeRequest(board, fds[i].fd)) {
            close(fds[i].fd);
            fds.erase(fds.begin() + static_cast<long>(i));
          }
        }
        if (!served) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      std::lock_guard guard(board.logLock);
      std::printf("mark");
      board.EndLine();
    }
    if (poll(fds.data(), fds.size(), 100) <= 0) continue;
    for (std::size_t i = fds.size(); i-- > 1;) {
      if (fds[i].revents && !ServeRequest(board, fds[i].fd)) {
        close(fds[i].fd);
        fds.erase(fds.begin() + static_cast<long>(i));
      }
    }
    if (fds[0].revents & POLLIN) {
      int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) fds.push_back({client, POLLIN, 0});
    }
  }
  for (const pollfd& fd : fds) close(fd.fd);
  unlink(path.c_str());
  return 0;
}
