// Feeds arbitrary bytes as the analog board's answer: the first byte picks
// the call (bit 7 clear: read input channel n, set: write output channel n,
// n = the low bits), the rest is what the board's socket sends back, then the
// board hangs up. A CDT2801 opened on that socket makes the call, so its
// reply check in src/simulation/DT2801.cpp and the device stand-in's exchange
// read it. Checks that the call returns, without waiting, the volts of the
// reply's code exactly when the reply is a whole successful record for the
// channel asked; for anything else a read keeps the channel's last good
// reading (0 V on a new board) and a write reads back the code it sent.
#include "fuzz/FuzzSupport.h"

#include "platform/io/Device.h"
#include "simulation/DT2801.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qxfuzz::device_reply {
namespace {

constexpr int kBoardOutputs = 2;

DWORD GetDword(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | static_cast<DWORD>(in[1]) << 8 |
         static_cast<DWORD>(in[2]) << 16 | static_cast<DWORD>(in[3]) << 24;
}

// The board's end: a listening socket in a folder of its own, named to the
// device stand-in by QX_DEVICE_DT2801 while a run lasts.
class Board {
 public:
  Board() {
    m_folder = (std::filesystem::temp_directory_path() / "qx-fuzz-board-XXXXXX").string();
    if (mkdtemp(m_folder.data()) == nullptr) QX_FUZZ_FAIL("no folder for the board's socket");
    m_path = m_folder + "/dt2801.sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.c_str(), sizeof(address.sun_path) - 1);
    m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(m_listener, 4) != 0)
      QX_FUZZ_FAIL("the board's socket cannot listen");
  }
  ~Board() {
    close(m_listener);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  const std::string& Path() const { return m_path; }
  // The connection the device stand-in opened (it is queued, so this does not wait).
  int Accept() const { return accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC); }

 private:
  std::string m_folder, m_path;
  int m_listener = -1;
};

// A variable of the device stand-in's for a scope: QX_DEVICE_DT2801 names
// the board, QX_DEVICE_TIMEOUT_MS sets how long a call waits for its reply.
class DeviceVariable {
 public:
  DeviceVariable(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old, m_had = true;
    setenv(name, value.c_str(), 1);
  }
  ~DeviceVariable() {
    if (m_had) {
      setenv(m_name, m_old.c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }
  DeviceVariable(const DeviceVariable&) = delete;
  DeviceVariable& operator=(const DeviceVariable&) = delete;

 private:
  const char* m_name;
  std::string m_old;
  bool m_had = false;
};

// A call that waits for a reply waits this long before it fails; under the
// fuzzer's 2 s a run. A call that took the whole of it waited; anything
// shorter, however a loaded machine stretched it, did not.
constexpr int kReplyTimeoutMs = 1500;

// The code a call must yield: the reply's, when its header says success and
// its record is whole and for the channel asked; else the failed call's.
// The code of a whole successful record for the channel asked; false for
// anything else (the call fails).
bool ReplyCode(const BYTE* reply, std::size_t size, BYTE channel, DWORD* code) {
  if (size < 16 || GetDword(reply) != 0 || GetDword(reply + 4) != 8 || reply[8] != channel)
    return false;
  *code = GetDword(reply + 12);
  return true;
}

// Made once; its socket and folder go when the process ends.
Board& TheBoard() {
  static Board board;
  return board;
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool write = (data[0] & 0x80) != 0;
  const BYTE channel = data[0] & 0x7F;
  const BYTE* reply = data + 1;
  const std::size_t replySize = size - 1;

  Board& board = TheBoard();
  DeviceVariable variable("QX_DEVICE_DT2801", board.Path());
  DeviceVariable timeout("QX_DEVICE_TIMEOUT_MS", std::to_string(kReplyTimeoutMs));
  CDT2801 device;
  QX_FUZZ_CHECK(device.m_bEmulate == 0);
  const int connection = board.Accept();
  QX_FUZZ_CHECK(connection >= 0);
  // The whole answer is queued before the call; what the socket cannot hold
  // is never read anyway. Hanging up ends a short answer at once.
  if (replySize > 0) send(connection, reply, replySize, MSG_DONTWAIT | MSG_NOSIGNAL);
  shutdown(connection, SHUT_WR);

  const auto start = std::chrono::steady_clock::now();
  double volts;
  DWORD code = 0;
  if (write) {
    volts = device.WriteDAC(channel, 1.25);
    const bool answered = ReplyCode(reply, replySize, channel, &code);
    if (channel >= kBoardOutputs) {
      QX_FUZZ_CHECK(volts == 0.0);
    } else if (answered) {
      QX_FUZZ_CHECK(volts == (static_cast<double>(code) - device.m_dDacOffset) * device.m_dDacStep);
    } else {
      // A failed write reads back the code it sent.
      QX_FUZZ_CHECK(std::fabs(volts - 1.25) <= std::fabs(device.m_dDacStep));
    }
  } else {
    volts = device.ReadADC(channel);
    if (ReplyCode(reply, replySize, channel, &code)) {
      QX_FUZZ_CHECK(volts == (static_cast<double>(code) - device.m_dAdcOffset) * device.m_dAdcStep);
    } else {
      // A failed read keeps the channel's last good reading: none yet, 0 V.
      QX_FUZZ_CHECK(volts == 0.0);
    }
  }
  // A reply that is there, or a board that hung up, is never waited for.
  QX_FUZZ_CHECK(std::chrono::steady_clock::now() - start <
                std::chrono::milliseconds(kReplyTimeoutMs));
  close(connection);
  return 0;
}

}  // namespace qxfuzz::device_reply

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::device_reply::Run(data, size);
}
#endif
