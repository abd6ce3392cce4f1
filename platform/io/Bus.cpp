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
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
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

// The bus folder's entries as a broadcast last listed them. A listing is
// trusted while the folder's change time stays the same and the listing was
// taken clearly after that change was stamped: the kernel stamps changes
// with a clock that may lag a tick, so a peer that joined within the same
// tick as the listed change would otherwise go unseen. A steady real-time
// loop thus broadcasts without listing the folder (and without allocating).
struct PeerListing {
  char dir[PATH_MAX] = {};
  dev_t device = 0;
  ino_t inode = 0;
  timespec changed{};
  timespec listedAt{};
  bool valid = false;
  std::vector<sockaddr_un> peers;
};

struct BusState {
  std::mutex lock;  // guards everything below; never held while the receiver runs
  int socket = -1;
  std::string path;
  int sendSocket = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  QxBusReceiver receiver;
  PeerListing listing;
  // The sender of the last frame of each registered message since joining.
  std::map<UINT, DWORD> lastSenders;
};

// How long after a change of the folder its listing is taken again anyway
// (well above the kernel's coarse clock tick).
constexpr long kListingMarginNs = 50'000'000;

BusState& Bus() {
  static BusState* state = new BusState;  // outlives static destructors that may broadcast
  return *state;
}

void PutLE(BYTE* out, ULONGLONG value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}

ULONGLONG GetLE(const BYTE* in, int bytes) {
  ULONGLONG value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<ULONGLONG>(in[i]) << (8 * i);
  return value;
}

// The folder exists, is a real folder (not a link) and belongs to this user;
// its status is left in info.
bool EnsureDirectory(const char* dir, struct stat* info) {
  if (lstat(dir, info) != 0) {
    if (mkdir(dir, 0700) != 0 && errno != EEXIST) return false;
    if (lstat(dir, info) != 0) return false;
  }
  return S_ISDIR(info->st_mode) && info->st_uid == getuid();
}

bool EnsureDirectory(const std::string& dir) {
  struct stat info {};
  return EnsureDirectory(dir.c_str(), &info);
}

// The bus folder (see QxBusDirectory) into out; false when it does not fit.
bool BusDirectoryInto(char* out, std::size_t size) {
  int length;
  if (const char* dir = std::getenv("QX_BUS_DIR"); dir && *dir) {
    length = std::snprintf(out, size, "%s", dir);
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    length = std::snprintf(out, size, "%s/quorvathine-bus", runtime);
  } else {
    length = std::snprintf(out, size, "/tmp/quorvathine-bus-%u", static_cast<unsigned>(getuid()));
  }
  return length > 0 && static_cast<std::size_t>(length) < size;
}

long long Nanoseconds(const timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

bool ListingCurrent(const PeerListing& listing, const char* dir, const struct stat& info) {
  return listing.valid && std::strcmp(listing.dir, dir) == 0 && listing.device == info.st_dev &&
         listing.inode == info.st_ino && listing.changed.tv_sec == info.st_mtim.tv_sec &&
         listing.changed.tv_nsec == info.st_mtim.tv_nsec &&
         Nanoseconds(listing.listedAt) - Nanoseconds(listing.changed) > kListingMarginNs;
}

bool MakeAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof(address->sun_path)) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool MakeAddress(const char* dir, const char* name, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  const int length =
      std::snprintf(address->sun_path, sizeof(address->sun_path), "%s/%s", dir, name);
  return length > 0 && static_cast<std::size_t>(length) < sizeof(address->sun_path);
}

bool IsSocketName(const char* name) {
  std::size_t length = std::strlen(name);
  return length > 5 && std::strcmp(name + length - 5, ".sock") == 0;
}

// Lists the folder's sockets afresh.
bool ListPeers(PeerListing& listing, const char* dir, const struct stat& info) {
  listing.valid = false;
  listing.peers.clear();
  clock_gettime(CLOCK_REALTIME, &listing.listedAt);
  DIR* folder = opendir(dir);
  if (!folder) return false;
  while (dirent* entry = readdir(folder)) {
    sockaddr_un address;
    if (IsSocketName(entry->d_name) && MakeAddress(dir, entry->d_name, &address))
      listing.peers.push_back(address);
  }
  closedir(folder);
  std::snprintf(listing.dir, sizeof listing.dir, "%s", dir);
  listing.device = info.st_dev;
  listing.inode = info.st_ino;
  listing.changed = info.st_mtim;
  listing.valid = true;
  return true;
}

// Sends to one peer without waiting. A socket nobody is bound to any more is
// removed; a full queue or any other failure only skips the peer.
bool SendToPeer(int sender, const sockaddr_un& address, const BYTE* frame, std::size_t size) {
  ssize_t sent = sendto(sender, frame, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  if (sent == static_cast<ssize_t>(size)) return true;
  if (sent < 0 && errno == ECONNREFUSED) {
    TRACE("Bus: removing the stale socket %s\n", address.sun_path);
    unlink(address.sun_path);
  }
  return false;
}

// The frame into out (at least kMaxFrame bytes); its size, or 0 when the
// name cannot be framed.
std::size_t EncodeFrameInto(BYTE* out, const char* name, DWORD senderPid, WPARAM wParam,
                            LPARAM lParam) {
  if (!name) return 0;
  const std::size_t length = std::strlen(name);
  if (length == 0 || length > QX_BUS_MAX_NAME) return 0;
  std::memcpy(out, kMagic, 4);
  PutLE(out + 4, senderPid, 4);
  PutLE(out + 8, static_cast<ULONGLONG>(wParam), 8);
  PutLE(out + 16, static_cast<ULONGLONG>(lParam), 8);
  PutLE(out + 24, length, 2);
  std::memcpy(out + kHeaderSize, name, length);
  out[kHeaderSize + length] = 0;
  return kHeaderSize + length + 1;
}

bool DispatchFrame(const BYTE* bytes, std::size_t size) {
  qxbus::Frame frame;
  if (!qxbus::DecodeFrame(bytes, size, &frame)) {
    TRACE("Bus: a malformed frame of %zu bytes was ignored\n", size);
    return false;
  }
  const UINT message = RegisterWindowMessage(frame.name.c_str());
  QxBusReceiver receiver;
  {
    std::lock_guard<std::mutex> guard(Bus().lock);
    receiver = Bus().receiver;
    if (message != 0) Bus().lastSenders[message] = frame.senderPid;
  }
  if (message == 0 || !receiver) return false;
  receiver(message, frame.wParam, frame.lParam);
  return true;
}

// How many frames one wake-up of the user-interface thread reads: a peer
// that sends without pause must not keep it from its windows; the notifier
// wakes it again for the rest.
constexpr int kFramesPerWakeUp = 256;

// Reads the waiting frames (the socket is non-blocking), at most limit of
// them (0: all), and dispatches them.
int DrainSocket(int socket, int limit) {
  int handed = 0;
  BYTE buffer[kMaxFrame + 1];
  for (int read = 0; limit == 0 || read < limit; ++read) {
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
  char dir[PATH_MAX];
  return BusDirectoryInto(dir, sizeof dir) ? dir : "";
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
  bus.lastSenders.clear();
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    bus.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(bus.notifier.get(), &QSocketNotifier::activated,
                     [fd] { DrainSocket(fd, kFramesPerWakeUp); });
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
  // Everything on the stack: a real-time sample broadcasts its outputs.
  BYTE frame[kMaxFrame];
  const std::size_t size =
      EncodeFrameInto(frame, name, static_cast<DWORD>(getpid()), wParam, lParam);
  char dir[PATH_MAX];
  if (size == 0 || !BusDirectoryInto(dir, sizeof dir)) return -1;
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  struct stat info {};
  if (!EnsureDirectory(dir, &info)) return -1;
  if (bus.sendSocket < 0) {
    bus.sendSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (bus.sendSocket < 0) return -1;
  }
  if (!ListingCurrent(bus.listing, dir, info) && !ListPeers(bus.listing, dir, info)) return -1;
  int reached = 0;
  for (const sockaddr_un& peer : bus.listing.peers) {
    if (bus.path == peer.sun_path) continue;
    if (SendToPeer(bus.sendSocket, peer, frame, size)) ++reached;
  }
  return reached;
}

DWORD QxBusLastSender(UINT message) {
  std::lock_guard<std::mutex> guard(Bus().lock);
  const auto found = Bus().lastSenders.find(message);
  return found == Bus().lastSenders.end() ? 0 : found->second;
}

BOOL QxBusPeerPresent(DWORD pid) {
  char dir[PATH_MAX];
  char name[24];
  sockaddr_un address;
  std::snprintf(name, sizeof name, "%u.sock", static_cast<unsigned>(pid));
  if (!BusDirectoryInto(dir, sizeof dir) || !MakeAddress(dir, name, &address)) return FALSE;
  const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return TRUE;
  // Connecting a datagram socket only names its peer: nothing is sent, and
  // it fails at once when no socket is there or nobody is bound to it.
  const int result = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  const int error = errno;
  close(probe);
  return result == 0 || (error != ENOENT && error != ECONNREFUSED) ? TRUE : FALSE;
}

int QxBusPoll(int timeoutMs) {
  int fd = OwnSocket();
  if (fd < 0) return -1;
  pollfd waiting{fd, POLLIN, 0};
  int ready = poll(&waiting, 1, timeoutMs < 0 ? 0 : timeoutMs);
  if (ready <= 0) return 0;
  return DrainSocket(fd, 0);
}

namespace qxbus {

std::vector<BYTE> EncodeFrame(const char* name, DWORD senderPid, WPARAM wParam, LPARAM lParam) {
  BYTE frame[kMaxFrame];
  const std::size_t size = EncodeFrameInto(frame, name, senderPid, wParam, lParam);
  return std::vector<BYTE>(frame, frame + size);
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
