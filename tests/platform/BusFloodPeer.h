#pragma once
// A local peer that floods one bus socket with well-formed frames under a
// name of its own, as a program nobody here knows might: about perMs frames
// a millisecond, spread over it, never waiting on a full socket (a frame it
// cannot put there is counted as refused), for at most the count and the
// time given or until stopped. It keeps how long it flooded and how much of
// that it spent waiting for a processor: a peer kept from one sends few
// frames, which says nothing of the socket it floods.
#include "platform/io/Bus.h"
#include "tools/StallWatch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qxtest {

class FloodPeer {
 public:
  FloodPeer(const std::string& target, const char* name, int perMs, long most,
            std::chrono::milliseconds limit) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, target.c_str(), sizeof(address.sun_path) - 1);
    m_socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    m_thread = std::thread([this, address, name = std::string(name), perMs, most, limit] {
      // At most 8 frames at once (fewer than the socket's short queue
      // takes), as many as the time since the last ones asks for: the
      // flood alone never fills the socket at a stroke, and one that fell
      // behind does not make up for it.
      constexpr double kMostAtOnce = 8;
      const auto start = std::chrono::steady_clock::now();
      const long tid = gettid();
      const long long waitedBefore = qxtool::RunDelayNs(tid);
      auto last = start;
      double owed = 0;
      for (long n = 0; !m_stop && n < most && last - start < limit;) {
        const auto now = std::chrono::steady_clock::now();
        owed =
            std::min(kMostAtOnce,
                     owed + perMs * std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        for (; owed >= 1 && n < most; owed -= 1, ++n) {
          const std::vector<BYTE> frame =
              qxbus::EncodeFrame(name.c_str(), 0x7FFF0000u, static_cast<WPARAM>(n), -n);
          if (sendto(m_socket, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&address),
                     sizeof(address)) == static_cast<ssize_t>(frame.size()))
            ++m_sent;
          else
            ++m_refused;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      const long long waitedAfter = qxtool::RunDelayNs(tid);
      if (waitedBefore >= 0 && waitedAfter >= 0) m_waitedNs = waitedAfter - waitedBefore;
      m_floodedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    });
  }
  ~FloodPeer() {
    Stop();
    if (m_socket >= 0) close(m_socket);
  }
  FloodPeer(const FloodPeer&) = delete;
  FloodPeer& operator=(const FloodPeer&) = delete;

  void Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  // Frames the socket took, and frames it had no room for.
  long Sent() const { return m_sent; }
  long Refused() const { return m_refused; }
  // Once stopped: how long it flooded, and of that how long it waited for a
  // processor (0 where the scheduler keeps no count).
  std::chrono::milliseconds Flooded() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::nanoseconds(m_floodedNs.load()));
  }
  std::chrono::milliseconds WaitedForAProcessor() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::nanoseconds(m_waitedNs.load()));
  }
  // Once stopped: how it was kept from a processor, when it waited for one
  // half the time it flooded or more; else empty.
  std::string Starved() const {
    if (WaitedForAProcessor() * 2 < Flooded()) return "";
    return std::to_string(Sent() + Refused()) + " frames in " + std::to_string(Flooded().count()) +
           " ms, of which the peer waited " + std::to_string(WaitedForAProcessor().count()) +
           " ms for a processor";
  }

 private:
  int m_socket = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<long> m_sent{0}, m_refused{0};
  std::atomic<long long> m_floodedNs{0}, m_waitedNs{0};
  std::thread m_thread;
};

}  // namespace qxtest
