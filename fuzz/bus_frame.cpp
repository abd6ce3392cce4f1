// Feeds arbitrary bytes as one datagram to this process's own bus socket and
// lets the bus receive it as it receives every frame (QxBusPoll, so the
// frame check and decode of platform/io/Bus.cpp). Checks that exactly the
// well-formed frames under a name this process receives reach the receiver,
// with the registered message of their name and their wParam and lParam (a
// name only registered, as one sent under, reaches nobody), and that a
// well-formed frame encodes back to the very bytes received.
#include "fuzz/FuzzSupport.h"

#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qxfuzz::bus_frame {
namespace {

struct Received {
  int count = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Joins the bus for one run unless the process has joined already, with a
// receiver of its own; the old receiver and membership are put back after.
class OwnBus {
 public:
  OwnBus() : m_joined(QxBusIsJoined()) {
    if (!m_joined) QX_FUZZ_CHECK(QxBusJoin());
    m_old = QxBusSetReceiver([this](UINT message, WPARAM wParam, LPARAM lParam) {
      ++m_received.count;
      m_received.message = message;
      m_received.wParam = wParam;
      m_received.lParam = lParam;
    });
  }
  ~OwnBus() {
    QxBusSetReceiver(std::move(m_old));
    if (!m_joined) QxBusLeave();
  }
  OwnBus(const OwnBus&) = delete;
  OwnBus& operator=(const OwnBus&) = delete;
  const Received& Got() const { return m_received; }

 private:
  bool m_joined;
  QxBusReceiver m_old;
  Received m_received;
};

// Sends bytes as one datagram to path, as a peer's broadcast would.
bool SendDatagram(const std::string& path, const BYTE* bytes, std::size_t size) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  static const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return sendto(sender, bytes, size, 0, reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) == static_cast<ssize_t>(size);
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  OwnBus bus;
  qxbus::Frame frame;
  const bool wellFormed = qxbus::DecodeFrame(data, size, &frame);
  // Only a name the process receives is handed on; a third of the inputs
  // register theirs and receive it first, a third only register it, so that
  // every road is taken. The registry of names is bounded; a name it can no
  // longer take reaches nobody. A name received once stays received.
  UINT message = 0;
  const bool known =
      wellFormed && qxui::FindRegisteredMessage(frame.name.data(), frame.name.size()) != 0;
  if (wellFormed && size % 3 != 2) message = RegisterWindowMessage(frame.name.c_str());
  if (wellFormed && size % 3 == 0 && message != 0) QX_FUZZ_CHECK(QxBusReceive(message));
  // Registering a name is not receiving it.
  if (!known && size % 3 == 1 && message != 0) QX_FUZZ_CHECK(!QxBusReceives(message));
  if (wellFormed && message == 0)
    message = qxui::FindRegisteredMessage(frame.name.data(), frame.name.size());
  QX_FUZZ_CHECK(SendDatagram(qxbus::OwnSocketPath(), data, size));
  const int expected = message != 0 && QxBusReceives(message) ? 1 : 0;
  // Where the bus reads on a thread of its own (with an application), the
  // frame may still be on its way.
  const int handed = QxBusPoll(expected ? 1000 : 0);
  QX_FUZZ_CHECK(handed == expected && bus.Got().count == expected);
  // A name nobody registered is dropped where it is read, and stays unknown.
  if (wellFormed && message == 0)
    QX_FUZZ_CHECK(qxui::FindRegisteredMessage(frame.name.data(), frame.name.size()) == 0);
  if (!wellFormed) return 0;
  const Bytes encoded =
      qxbus::EncodeFrame(frame.name.c_str(), frame.senderPid, frame.wParam, frame.lParam);
  QX_FUZZ_CHECK(encoded == Bytes(data, data + size));
  if (expected) {
    QX_FUZZ_CHECK(bus.Got().message == message && bus.Got().wParam == frame.wParam &&
                  bus.Got().lParam == frame.lParam);
  }
  return 0;
}

}  // namespace qxfuzz::bus_frame

#ifndef QX_FUZZ_REPLAY
#include <cstdlib>
#include <filesystem>

// A bus folder of this process's own, so no other copy of the program hears
// the frames; removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string folder =
      (std::filesystem::temp_directory_path() / "qx-fuzz-bus-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 1;
  setenv("QX_BUS_DIR", folder.c_str(), 1);
  std::atexit([] {
    QxBusLeave();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  QX_FUZZ_CHECK(QxBusJoin());  // once, for every run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::bus_frame::Run(data, size);
}
#endif
