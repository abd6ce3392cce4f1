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
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Device {
  std::mutex io;  // one exchange at a time on the connection
  int fd = -1;
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

int ConnectTo(const char* socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::strlen(socketPath) >= sizeof(address.sun_path)) return -1;
  std::strcpy(address.sun_path, socketPath);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd waiting{fd, events, 0};
    int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
    if (ready > 0) return (waiting.revents & events) != 0;
    if (ready == 0 || errno != EINTR) return false;
  }
}

bool SendAll(int fd, const BYTE* bytes, std::size_t size, Clock::time_point deadline) {
  while (size > 0) {
    if (!WaitFor(fd, POLLOUT, deadline)) return false;
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

bool ReceiveAll(int fd, BYTE* bytes, std::size_t size, Clock::time_point deadline) {
  while (size > 0) {
    if (!WaitFor(fd, POLLIN, deadline)) return false;
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

enum class Outcome { Broken, Refused, Done };

// One request and its reply. Broken: the connection cannot be trusted any more.
Outcome Exchange(Device& device, DWORD code, const BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                 DWORD* returned) {
  if (device.fd < 0) return Outcome::Broken;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(QX_DEVICE_TIMEOUT_MS);
  CallBuffer request(12 + inSize);
  PutDword(request.data(), code);
  PutDword(request.data() + 4, inSize);
  PutDword(request.data() + 8, outSize);
  if (inSize) std::memcpy(request.data() + 12, in, inSize);
  BYTE header[8];
  if (!SendAll(device.fd, request.data(), 12 + inSize, deadline) ||
      !ReceiveAll(device.fd, header, sizeof(header), deadline)) {
    return Outcome::Broken;
  }
  DWORD status = GetDword(header), length = GetDword(header + 4);
  if (length > outSize || !ReceiveAll(device.fd, out, length, deadline)) return Outcome::Broken;
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
  int fd = ConnectTo(socketPath);
  if (fd < 0) {
    TRACE("Device %s: nothing listens on %s\n", fileName, socketPath);
    return INVALID_HANDLE_VALUE;
  }
  auto device = std::make_shared<Device>();
  device->fd = fd;
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
  DWORD got = 0;
  // The reply is read into a buffer first: in and out may be the same record.
  CallBuffer reply(outSize);
  Outcome outcome = Exchange(*device, controlCode, static_cast<const BYTE*>(in), inSize,
                             reply.data(), outSize, &got);
  if (outcome == Outcome::Broken) {
    // Whatever is left of a broken exchange must not be read as the next reply.
    close(device->fd);
    device->fd = -1;
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
