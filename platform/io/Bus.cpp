// The local message bus (see Bus.h).
#include "platform/io/Bus.h"

#include "platform/core/Debug.h"
#include "platform/ui/Constants.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/PostedWake.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
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

// A frame of a received message, read and waiting to be handed over.
struct Arrival {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Registered messages have the ids from WM_REGISTERED_FIRST to 0xFFFF; the
// bus keeps what it knows of each in a table indexed by id.
constexpr std::size_t kRegisteredIds = 0x10000 - WM_REGISTERED_FIRST;

bool RegisteredIndex(UINT message, std::size_t* index) {
  if (message < WM_REGISTERED_FIRST || message > 0xFFFF) return false;
  *index = message - WM_REGISTERED_FIRST;
  return true;
}

// How many frames one hand-over gives the receiver: a peer that sends
// without pause must not keep the user-interface thread from its windows;
// the next hand-over follows in the application's queue.
constexpr int kFramesPerWakeUp = 256;
// How many read frames may wait for the user-interface thread; a peer that
// sends received frames faster than it takes them loses the rest, as it
// would on a full socket. Each received message may hold an equal share.
constexpr std::size_t kMostArrivals = 1024;

void HandOverArrivals();

struct BusState {
  std::mutex lock;  // guards everything below; never held while the receiver runs
  int socket = -1;
  std::string path;
  int sendSocket = -1;
  QxBusReceiver receiver;
  PeerListing listing;
  // The registered messages whose frames this process takes (QxBusReceive).
  std::bitset<kRegisteredIds> received;
  std::size_t receivedCount = 0;
  // The sender of the last frame of each received message since joining.
  std::array<DWORD, kRegisteredIds> lastSenders{};
  // With an application object, a thread of the bus's own reads the socket
  // as fast as frames come, so that the socket's short queue never fills
  // with frames nobody here wants, and hands the rest over on the
  // application's thread.
  std::thread reader;
  int readerWake = -1;     // an event that ends the reader
  bool handsOver = false;  // the reader hands frames over on the application's thread
  // Made once: the frames of a run come one at a time, and each one's
  // hand-over is a wake of its own.
  qxui::PostedWake handOver{HandOverArrivals};
  // The frames waiting, oldest first: a ring made once, so that the reader
  // puts a frame there without allocating; and how many of each message.
  std::array<Arrival, kMostArrivals> arrivals{};
  std::size_t firstArrival = 0, arrivalCount = 0;
  std::array<std::uint16_t, kRegisteredIds> waitingOf{};
  bool handOverDue = false;  // a hand-over waits in the application's queue
  bool arrivalsFull = false;
  std::condition_variable arrived;
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

// Where a frame keeps the name, when it is well formed.
bool FrameName(const BYTE* bytes, std::size_t size, const char** name, std::size_t* length) {
  if (!bytes || size < kHeaderSize + 2 || size > kMaxFrame) return false;
  if (std::memcmp(bytes, kMagic, 4) != 0) return false;
  *length = static_cast<std::size_t>(GetLE(bytes + 24, 2));
  if (*length == 0 || *length > QX_BUS_MAX_NAME || size != kHeaderSize + *length + 1) return false;
  *name = reinterpret_cast<const char*>(bytes + kHeaderSize);
  return bytes[kHeaderSize + *length] == 0 && std::memchr(*name, 0, *length) == nullptr;
}

// A frame as it was read: a frame of a message this process receives into
// *arrival (its sender noted); anything else is dropped here, and a frame
// under a name it only sends, or one nobody registered, costs no more than
// the look at its name.
bool TakeFrame(const BYTE* bytes, std::size_t size, Arrival* arrival) {
  const char* name = nullptr;
  std::size_t length = 0;
  if (!FrameName(bytes, size, &name, &length)) {
    TRACE("Bus: a malformed frame of %zu bytes was ignored\n", size);
    return false;
  }
  const UINT message = qxui::FindRegisteredMessage(name, length);
  std::size_t index = 0;
  if (!RegisteredIndex(message, &index)) return false;
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  if (!bus.received[index]) return false;
  arrival->message = message;
  arrival->wParam = static_cast<WPARAM>(GetLE(bytes + 8, 8));
  arrival->lParam = static_cast<LPARAM>(GetLE(bytes + 16, 8));
  bus.lastSenders[index] = static_cast<DWORD>(GetLE(bytes + 4, 4));
  return true;
}

// Reads one waiting frame into buffer (kMaxFrame + 1 bytes): its size, or
// -1 when none waits. An oversized one is dropped and reads as 0 bytes.
ssize_t ReadFrame(int socket, BYTE* buffer) {
  for (;;) {
    // MSG_TRUNC reports the datagram's real length, so an oversized frame is seen as such.
    const ssize_t got = recv(socket, buffer, kMaxFrame + 1, MSG_DONTWAIT | MSG_TRUNC);
    if (got < 0 && errno == EINTR) continue;
    if (got > static_cast<ssize_t>(kMaxFrame)) {
      TRACE("Bus: an oversized frame was ignored\n");
      return 0;
    }
    return got;
  }
}

bool HandTo(const Arrival& arrival) {
  QxBusReceiver receiver;
  {
    std::lock_guard<std::mutex> guard(Bus().lock);
    receiver = Bus().receiver;
  }
  if (!receiver) return false;
  receiver(arrival.message, arrival.wParam, arrival.lParam);
  return true;
}

// Puts a hand-over into the application's queue unless one is there; called
// with the lock held.
void DueHandOverLocked(BusState& bus) {
  if (bus.handOverDue || !bus.handsOver || bus.arrivalCount == 0) return;
  bus.handOverDue = bus.handOver.Post();
}

// The oldest waiting frame into *arrival, off the ring; false when none
// waits. Called with the lock held.
bool TakeArrivalLocked(BusState& bus, Arrival* arrival) {
  if (bus.arrivalCount == 0) return false;
  *arrival = bus.arrivals[bus.firstArrival];
  bus.firstArrival = (bus.firstArrival + 1) % kMostArrivals;
  --bus.arrivalCount;
  --bus.waitingOf[arrival->message - WM_REGISTERED_FIRST];
  return true;
}

void ClearArrivalsLocked(BusState& bus) {
  bus.firstArrival = 0;
  bus.arrivalCount = 0;
  bus.waitingOf.fill(0);
}

// Gives the receiver the frames the reader took, at most limit of them (0:
// all); returns how many it got.
int HandArrivalsOver(int limit) {
  BusState& bus = Bus();
  int handed = 0;
  for (int taken = 0; limit == 0 || taken < limit; ++taken) {
    Arrival arrival;
    {
      std::lock_guard<std::mutex> guard(bus.lock);
      if (!TakeArrivalLocked(bus, &arrival)) break;
    }
    if (HandTo(arrival)) ++handed;
  }
  std::lock_guard<std::mutex> guard(bus.lock);
  DueHandOverLocked(bus);
  return handed;
}

void HandOverArrivals() {
  {
    std::lock_guard<std::mutex> guard(Bus().lock);
    Bus().handOverDue = false;
  }
  HandArrivalsOver(kFramesPerWakeUp);
}

// Puts a read frame on the ring, unless the ring or its message's share of
// it is full: a flood under one received name leaves the others their room.
void Arrive(const Arrival& arrival) {
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  std::uint16_t& waiting = bus.waitingOf[arrival.message - WM_REGISTERED_FIRST];
  const std::size_t share = std::max<std::size_t>(1, kMostArrivals / bus.receivedCount);
  if (bus.arrivalCount >= kMostArrivals || waiting >= share) {
    if (!bus.arrivalsFull)
      TRACE("Bus: frames are dropped while %zu wait, %u of them of message 0x%X\n",
            bus.arrivalCount, static_cast<unsigned>(waiting), arrival.message);
    bus.arrivalsFull = true;
    return;
  }
  bus.arrivalsFull = false;
  bus.arrivals[(bus.firstArrival + bus.arrivalCount) % kMostArrivals] = arrival;
  ++bus.arrivalCount;
  ++waiting;
  bus.arrived.notify_all();
  DueHandOverLocked(bus);
}

// The reader thread: waits for frames or the end, and reads whatever waits.
void ReadUntilLeft(int socket, int wake) {
  // Looks for the end between so many frames of a peer that never pauses.
  constexpr int kFramesPerLook = 1024;
  BYTE buffer[kMaxFrame + 1];
  for (;;) {
    pollfd waiting[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
    if (poll(waiting, 2, -1) < 0 && errno != EINTR) return;
    if (waiting[1].revents != 0) return;
    for (int n = 0; n < kFramesPerLook; ++n) {
      const ssize_t got = ReadFrame(socket, buffer);
      if (got < 0) break;
      Arrival arrival;
      if (got > 0 && TakeFrame(buffer, static_cast<std::size_t>(got), &arrival)) Arrive(arrival);
    }
  }
}

// Reads the waiting frames on the calling thread (no reader), at most limit
// of them (0: all), and hands them over.
int DrainSocket(int socket, int limit) {
  int handed = 0;
  BYTE buffer[kMaxFrame + 1];
  for (int read = 0; limit == 0 || read < limit; ++read) {
    const ssize_t got = ReadFrame(socket, buffer);
    if (got < 0) break;
    Arrival arrival;
    if (got > 0 && TakeFrame(buffer, static_cast<std::size_t>(got), &arrival) && HandTo(arrival))
      ++handed;
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
  bus.lastSenders.fill(0);
  ClearArrivalsLocked(bus);
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    bus.readerWake = eventfd(0, EFD_CLOEXEC);
    if (bus.readerWake >= 0) {
      bus.handsOver = true;
      bus.reader = std::thread(ReadUntilLeft, fd, bus.readerWake);
    }
  }
  qxui::SetBroadcastHook([](UINT message, WPARAM wParam, LPARAM lParam) {
    QxBusBroadcast(qxui::RegisteredMessageName(message), wParam, lParam);
  });
  return TRUE;
}

void QxBusLeave() {
  BusState& bus = Bus();
  std::thread reader;
  int wake = -1;
  {
    std::lock_guard<std::mutex> guard(bus.lock);
    if (bus.socket < 0) return;
    qxui::SetBroadcastHook(nullptr);
    reader = std::move(bus.reader);
    wake = bus.readerWake;
  }
  // The reader takes the lock for what it reads: it ends outside it.
  if (reader.joinable()) {
    const std::uint64_t one = 1;
    while (write(wake, &one, sizeof(one)) < 0 && errno == EINTR) {
    }
    reader.join();
  }
  std::lock_guard<std::mutex> guard(bus.lock);
  if (wake >= 0) close(wake);
  bus.readerWake = -1;
  bus.handsOver = false;
  ClearArrivalsLocked(bus);
  bus.arrived.notify_all();
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

BOOL QxBusReceive(UINT message) {
  std::size_t index = 0;
  if (!RegisteredIndex(message, &index) || *qxui::RegisteredMessageName(message) == '\0')
    return FALSE;
  BusState& bus = Bus();
  std::lock_guard<std::mutex> guard(bus.lock);
  if (!bus.received[index]) {
    bus.received[index] = true;
    ++bus.receivedCount;
  }
  return TRUE;
}

BOOL QxBusReceives(UINT message) {
  std::size_t index = 0;
  if (!RegisteredIndex(message, &index)) return FALSE;
  std::lock_guard<std::mutex> guard(Bus().lock);
  return Bus().received[index] ? TRUE : FALSE;
}

DWORD QxBusLastSender(UINT message) {
  std::size_t index = 0;
  if (!RegisteredIndex(message, &index)) return 0;
  std::lock_guard<std::mutex> guard(Bus().lock);
  return Bus().lastSenders[index];
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
  BusState& bus = Bus();
  int fd;
  {
    std::unique_lock<std::mutex> guard(bus.lock);
    fd = bus.socket;
    if (fd < 0) return -1;
    if (bus.reader.joinable()) {
      bus.arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                           [&bus] { return bus.arrivalCount != 0 || bus.socket < 0; });
      fd = -1;
    }
  }
  if (fd < 0) return HandArrivalsOver(0);
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
  const char* name = nullptr;
  std::size_t length = 0;
  if (!FrameName(bytes, size, &name, &length)) return FALSE;
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
