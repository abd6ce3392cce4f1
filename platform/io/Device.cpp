// The device stand-in (see Device.h).
#include "platform/io/Device.h"

#include "platform/core/Debug.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A wait that may be aborted looks at its abort test this often.
constexpr int kAbortSliceMs = 10;
constexpr DWORD kLongestTimeoutMs = 600000;

struct Device {
  std::mutex io;  // one exchange at a time; guards everything below
  std::string socketPath;
  DWORD timeoutMs = QX_DEVICE_TIMEOUT_MS;
  DWORD retryMs = 0;
  std::function<bool()> abort;
  int fd = -1;  // -1: dropped, connected again by the next call
  bool attempted = false;
  Clock::time_point lastAttempt;  // of connecting again
  ~Device() {
    if (fd >= 0) close(fd);
  }
};

std::mutex g_tableLock;
std::map<HANDLE, std::shared_ptr<Device>>& Table() {
  static auto* table = new std::map<HANDLE, std::shared_ptr<Device>>;
  return *table;
}
UINT_PTR g_nextHandle = 0x5000;

std::shared_ptr<Device> Lookup(HANDLE handle) {
  std::lock_guard<std::mutex> guard(g_tableLock);
  auto found = Table().find(handle);
  return found == Table().end() ? nullptr : found->second;
}

// "\\.\NAME" -> "QX_DEVICE_NAME" (letters upper case, other characters '_').
std::string VariableFor(const char* path) {
  if (!path || std::strncmp(path, "\\\\.\\", 4) != 0 || !path[4]) return {};
  std::string variable = "QX_DEVICE_";
  for (const char* c = path + 4; *c; ++c) {
    unsigned char u = static_cast<unsigned char>(*c);
    variable.push_back(std::isalnum(u) ? static_cast<char>(std::toupper(u)) : '_');
  }
  return variable;
}

// The reply timeout the environment sets, or the default.
DWORD TimeoutFromEnvironment() {
  const char* text = std::getenv("QX_DEVICE_TIMEOUT_MS");
  if (!text || !*text) return QX_DEVICE_TIMEOUT_MS;
  char* end = nullptr;
  const unsigned long ms = std::strtoul(text, &end, 10);
  if (*end != '\0' || ms < 1 || ms > kLongestTimeoutMs) return QX_DEVICE_TIMEOUT_MS;
  return static_cast<DWORD>(ms);
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool Aborted(const std::function<bool()>& abort) {
  return abort && abort();
}

// A connected socket, or -1 when nothing listens at the path by the deadline.
int ConnectTo(const std::string& socketPath, Clock::time_point deadline,
              const std::function<bool()>& abort) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) return -1;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  for (;;) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return fd;
    const int error = errno;
    close(fd);
    // A full backlog clears once the driver accepts; anything else is final.
    if (error != EAGAIN && error != EINTR) return -1;
    const int left = MillisecondsLeft(deadline);
    if (left == 0 || Aborted(abort)) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kAbortSliceMs)));
  }
}

// Waits until fd is ready for events: false at the deadline, on an error, or
// once the abort test holds (looked at every slice while it is set).
bool WaitFor(int fd, short events, Clock::time_point deadline, const std::function<bool()>& abort) {
  for (;;) {
    if (Aborted(abort)) return false;
    int left = MillisecondsLeft(deadline);
    if (abort) left = std::min(left, kAbortSliceMs);
    pollfd waiting{fd, events, 0};
    int ready = poll(&waiting, 1, left);
    if (ready > 0) return (waiting.revents & events) != 0;
    if (ready < 0 && errno != EINTR) return false;
    if (MillisecondsLeft(deadline) == 0) return false;
  }
}

struct Wait {
  Clock::time_point deadline;
  const std::function<bool()>& abort;
};

bool SendAll(int fd, const BYTE* bytes, std::size_t size, const Wait& wait) {
  while (size > 0) {
    if (!WaitFor(fd, POLLOUT, wait.deadline, wait.abort)) return false;
    ssize_t sent = send(fd, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return false;
    }
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(int fd, BYTE* bytes, std::size_t size, const Wait& wait) {
  while (size > 0) {
    if (!WaitFor(fd, POLLIN, wait.deadline, wait.abort)) return false;
    ssize_t got = recv(fd, bytes, size, MSG_DONTWAIT);
    if (got == 0) return false;  // the device went away
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return false;
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

void PutDword(BYTE* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}

// A byte buffer on the stack for the small records of a device's calls (a
// real-time sample makes several and must not allocate), on the heap beyond.
class CallBuffer {
 public:
  explicit CallBuffer(std::size_t size) {
    if (size > sizeof(m_small)) m_large.reset(new BYTE[size]);
  }
  BYTE* data() { return m_large ? m_large.get() : m_small; }

 private:
  BYTE m_small[64];
  std::unique_ptr<BYTE[]> m_large;
};

DWORD GetDword(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | static_cast<DWORD>(in[1]) << 8 |
         static_cast<DWORD>(in[2]) << 16 | static_cast<DWORD>(in[3]) << 24;
}

void Drop(Device& device) {
  if (device.fd >= 0) close(device.fd);
  device.fd = -1;
}

// Connects the device's socket afresh; a throttled attempt is not made
// within the retry interval of the last one. Under device.io.
bool Reconnect(Device& device, bool throttled) {
  const Clock::time_point now = Clock::now();
  if (throttled && device.attempted &&
      now - device.lastAttempt < std::chrono::milliseconds(device.retryMs)) {
    return false;
  }
  Drop(device);
  device.attempted = true;
  device.lastAttempt = now;
  device.fd =
      ConnectTo(device.socketPath, now + std::chrono::milliseconds(device.timeoutMs), device.abort);
  return device.fd >= 0;
}

enum class Outcome { Broken, Refused, Done };

// One request and its reply. Broken: the connection cannot be trusted any
// more (it failed, the reply was late or malformed, or the wait was aborted).
Outcome Exchange(Device& device, DWORD code, const BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                 DWORD* returned) {
  if (device.fd < 0) return Outcome::Broken;
  const Wait wait{Clock::now() + std::chrono::milliseconds(device.timeoutMs), device.abort};
  CallBuffer request(12 + inSize);
  PutDword(request.data(), code);
  PutDword(request.data() + 4, inSize);
  PutDword(request.data() + 8, outSize);
  if (inSize) std::memcpy(request.data() + 12, in, inSize);
  BYTE header[8];
  if (!SendAll(device.fd, request.data(), 12 + inSize, wait) ||
      !ReceiveAll(device.fd, header, sizeof(header), wait)) {
    return Outcome::Broken;
  }
  DWORD status = GetDword(header), length = GetDword(header + 4);
  if (length > outSize || !ReceiveAll(device.fd, out, length, wait)) return Outcome::Broken;
  *returned = length;
  return status == 0 ? Outcome::Done : Outcome::Refused;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                   DWORD flagsAndAttributes, HANDLE) {
  constexpr DWORD kOverlapped = 0x40000000u;  // FILE_FLAG_OVERLAPPED: not offered
  std::string variable = VariableFor(fileName);
  if (variable.empty() || (flagsAndAttributes & kOverlapped)) return INVALID_HANDLE_VALUE;
  const char* socketPath = std::getenv(variable.c_str());
  if (!socketPath || !*socketPath) return INVALID_HANDLE_VALUE;
  auto device = std::make_shared<Device>();
  device->socketPath = socketPath;
  device->timeoutMs = TimeoutFromEnvironment();
  device->fd = ConnectTo(device->socketPath,
                         Clock::now() + std::chrono::milliseconds(device->timeoutMs), nullptr);
  if (device->fd < 0) {
    TRACE("Device %s: nothing listens on %s\n", fileName, socketPath);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> guard(g_tableLock);
  HANDLE handle = reinterpret_cast<HANDLE>(g_nextHandle);
  g_nextHandle += 4;
  Table().emplace(handle, std::move(device));
  return handle;
}

BOOL DeviceIoControl(HANDLE handle, DWORD controlCode, LPVOID in, DWORD inSize, LPVOID out,
                     DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
  if (returned) *returned = 0;
  std::shared_ptr<Device> device = Lookup(handle);
  if (!device || overlapped || inSize > QX_DEVICE_MAX_RECORD || outSize > QX_DEVICE_MAX_RECORD ||
      (inSize && !in) || (outSize && !out)) {
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(device->io);
  if (device->fd < 0 && !Reconnect(*device, true)) return FALSE;
  DWORD got = 0;
  // The reply is read into a buffer first: in and out may be the same record.
  CallBuffer reply(outSize);
  Outcome outcome = Exchange(*device, controlCode, static_cast<const BYTE*>(in), inSize,
                             reply.data(), outSize, &got);
  if (outcome == Outcome::Broken) {
    // Whatever is left of a broken exchange must not be read as the next
    // reply: the next call starts on a new connection.
    Drop(*device);
  }
  if (outcome != Outcome::Done) return FALSE;
  if (got) std::memcpy(out, reply.data(), got);
  if (returned) *returned = got;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  std::lock_guard<std::mutex> guard(g_tableLock);
  return Table().erase(handle) ? TRUE : FALSE;
}

BOOL QxDeviceReconnect(HANDLE handle) {
  std::shared_ptr<Device> device = Lookup(handle);
  if (!device) return FALSE;
  std::lock_guard<std::mutex> guard(device->io);
  return Reconnect(*device, false) ? TRUE : FALSE;
}

BOOL QxDeviceSetRetryInterval(HANDLE handle, DWORD ms) {
  std::shared_ptr<Device> device = Lookup(handle);
  if (!device) return FALSE;
  std::lock_guard<std::mutex> guard(device->io);
  device->retryMs = ms;
  return TRUE;
}

BOOL QxDeviceSetAbortTest(HANDLE handle, std::function<bool()> abort) {
  std::shared_ptr<Device> device = Lookup(handle);
  if (!device) return FALSE;
  std::lock_guard<std::mutex> guard(device->io);
  device->abort = std::move(abort);
  return TRUE;
}

DWORD QxDeviceTimeout(HANDLE handle) {
  std::shared_ptr<Device> device = Lookup(handle);
  if (!device) return 0;
  std::lock_guard<std::mutex> guard(device->io);
  return device->timeoutMs;
}
