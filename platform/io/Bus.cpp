// The local message bus (see Bus.h).
#include "platform/io/Bus.h"

#include "platform/core/Debug.h"
#include "platform/ui/MessageQueue.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::size_t kHeaderSize = 26;
constexpr std::size_t kMaxFrame = kHeaderSize + QX_BUS_MAX_NAME + 1;
const char kMagic[4] = {'Q', 'X', 'B', '1'};

struct BusState {
  std::mutex lock;  // guards everything below; never held while the receiver runs
  int socket = -1;
  std::string path;
  int sendSocket = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  QxBusReceiver receiver;
};

BusState& Bus() {
  static BusState* state = new BusState;  // outlives static destructors that may broadcast
  return *state;
}

void PutLE(std::vector<BYTE>& out, ULONGLONG value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

ULONGLONG GetLE(const BYTE* in, int bytes) {
  ULONGLONG value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<ULONGLONG>(in[i]) << (8 * i);
  return value;
}

// The folder exists, is a real folder (not a link) and belongs to this user.
bool EnsureDirectory(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(dir.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

bool MakeAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof(address->sun_path)) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool IsSocketName(const char* name) {
  std::size_t length = std::strlen(name);
  return length > 5 && std::strcmp(name + length - 5, ".sock") == 0;
}

// Sends to one peer without waiting. A socket nobody is bound to any more is
// removed; a full queue or any other failure only skips the peer.
bool SendToPeer(int sender, const std::string& path, const std::vector<BYTE>& frame) {
  sockaddr_un address;
  if (!MakeAddress(path, &address)) return false;
  ssize_t sent = sendto(sender, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  if (sent == static_cast<ssize_t>(frame.size())) return true;
  if (sent < 0 && errno == ECONNREFUSED) {
    TRACE("Bus: removing the stale socket %s\n", path.c_str());
    unlink(path.c_str());
  }
  return false;
}

bool DispatchFrame(const BYTE* bytes, std::size_t size) {
  qxbus::Frame frame;
  if (!qxbus::DecodeFrame(bytes, size, &frame)) {
    TRACE("Bus: a malformed frame of %zu bytes was ignored\n", size);
    return false;
  }
  QxBusReceiver receiver;
  {
    std::lock_guard<std::mutex> guard(Bus().lock);
    receiver = Bus().receiver;
  }
  UINT message = RegisterWindowMessage(frame.name.c_str());
  if (message == 0 || !receiver) return false;
  receiver(message, frame.wParam, frame.lParam);
  return true;
}

// Reads every waiting frame (the socket is non-blocking) and dispatches it.
int DrainSocket(int socket) {
  int handed = 0;
  BYTE buffer[kMaxFrame + 1];
  for (;;) {
    // MSG_TRUNC reports the datagram's real length, so an oversized frame is seen as such.
    ssize_t got = recv(socket, buffer, sizeof(buffer), MSG_DONTWAIT | MSG_TRUNC);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (static_cast<std::size_t>(got) > sizeof(buffer)) {
      TRACE("Bus: an oversized frame was ignored\n");
      continue;
    }
    if (DispatchFrame(buffer, static_cast<std::size_t>(got))) ++handed;
  }
  return handed;
}

int OwnSocket() {
  std::lock_guard<std::mutex> guard(Bus().lock);
  return Bus().socket;
}

}  // namespace

std::string QxBusDirectory() {
  if (const char* dir = std::getenv("QX_BUS_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/quorvathine-bus";
  }
  return "/tmp/quorvathine-bus-" + std::to_string(getuid());
}

BOOL QxBusJoin() {
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  if (bus.socket >= 0) return TRUE;
  std::string dir = QxBusDirectory();
  if (!EnsureDirectory(dir)) return FALSE;
  std::string path = dir + "/" + std::to_string(getpid()) + ".sock";
  sockaddr_un address;
  if (!MakeAddress(path, &address)) return FALSE;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return FALSE;
  unlink(path.c_str());  // left behind by an earlier process with our id
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return FALSE;
  }
  bus.socket = fd;
  bus.path = path;
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    bus.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(bus.notifier.get(), &QSocketNotifier::activated, [fd] { DrainSocket(fd); });
  }
  qxui::SetBroadcastHook([](UINT message, WPARAM wParam, LPARAM lParam) {
    QxBusBroadcast(qxui::RegisteredMessageName(message), wParam, lParam);
  });
  return TRUE;
}

void QxBusLeave() {
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  if (bus.socket < 0) return;
  qxui::SetBroadcastHook(nullptr);
  bus.notifier.reset();
  close(bus.socket);
  unlink(bus.path.c_str());
  bus.socket = -1;
  bus.path.clear();
}

BOOL QxBusIsJoined() {
  return OwnSocket() >= 0;
}

QxBusReceiver QxBusSetReceiver(QxBusReceiver receiver) {
  std::lock_guard<std::mutex> guard(Bus().lock);
  std::swap(Bus().receiver, receiver);
  return receiver;
}

int QxBusBroadcast(const char* name, WPARAM wParam, LPARAM lParam) {
  std::vector<BYTE> frame = qxbus::EncodeFrame(name, static_cast<DWORD>(getpid()), wParam, lParam);
  if (frame.empty()) return -1;
  std::string dir = QxBusDirectory();
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  if (!EnsureDirectory(dir)) return -1;
  if (bus.sendSocket < 0) {
    bus.sendSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (bus.sendSocket < 0) return -1;
  }
  DIR* folder = opendir(dir.c_str());
  if (!folder) return -1;
  std::vector<std::string> peers;
  while (dirent* entry = readdir(folder)) {
    if (IsSocketName(entry->d_name)) peers.push_back(dir + "/" + entry->d_name);
  }
  closedir(folder);
  int reached = 0;
  for (const std::string& peer : peers) {
    if (peer == bus.path) continue;
    if (SendToPeer(bus.sendSocket, peer, frame)) ++reached;
  }
  return reached;
}

int QxBusPoll(int timeoutMs) {
  int fd = OwnSocket();
  if (fd < 0) return -1;
  pollfd waiting{fd, POLLIN, 0};
  int ready = poll(&waiting, 1, timeoutMs < 0 ? 0 : timeoutMs);
  if (ready <= 0) return 0;
  return DrainSocket(fd);
}

namespace qxbus {

std::vector<BYTE> EncodeFrame(const char* name, DWORD senderPid, WPARAM wParam, LPARAM lParam) {
  std::vector<BYTE> out;
  if (!name) return out;
  std::size_t length = std::strlen(name);
  if (length == 0 || length > QX_BUS_MAX_NAME) return out;
  out.reserve(kHeaderSize + length + 1);
  out.insert(out.end(), kMagic, kMagic + 4);
  PutLE(out, senderPid, 4);
  PutLE(out, static_cast<ULONGLONG>(wParam), 8);
  PutLE(out, static_cast<ULONGLONG>(lParam), 8);
  PutLE(out, length, 2);
  out.insert(out.end(), name, name + length);
  out.push_back(0);
  return out;
}

BOOL DecodeFrame(const BYTE* bytes, std::size_t size, Frame* frame) {
  if (!bytes || size < kHeaderSize + 2 || size > kMaxFrame) return FALSE;
  if (std::memcmp(bytes, kMagic, 4) != 0) return FALSE;
  std::size_t length = static_cast<std::size_t>(GetLE(bytes + 24, 2));
  if (length == 0 || length > QX_BUS_MAX_NAME || size != kHeaderSize + length + 1) return FALSE;
  const char* name = reinterpret_cast<const char*>(bytes + kHeaderSize);
  if (bytes[kHeaderSize + length] != 0 || std::memchr(name, 0, length) != nullptr) return FALSE;
  frame->senderPid = static_cast<DWORD>(GetLE(bytes + 4, 4));
  frame->wParam = static_cast<WPARAM>(GetLE(bytes + 8, 8));
  frame->lParam = static_cast<LPARAM>(GetLE(bytes + 16, 8));
  frame->name.assign(name, length);
  return TRUE;
}

std::string OwnSocketPath() {
  std::lock_guard<std::mutex> guard(Bus().lock);
  return Bus().path;
}

}  // namespace qxbus
