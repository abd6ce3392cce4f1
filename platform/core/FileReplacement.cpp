#include "platform/core/FileReplacement.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Deeper chains than this are loops (the kernel's own limit).
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;

QxFileReplacement::FaultHook& Hook() {
  static QxFileReplacement::FaultHook hook;
  return hook;
}

int Injected(const char* step) {
  const QxFileReplacement::FaultHook& hook = Hook();
  return hook ? hook(step) : 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at; a link to nothing yet names
// the file to be made. A loop ends the walk where it stands, on a link,
// which Begin then refuses.
std::string FollowLinks(std::string path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
    const ssize_t length = readlink(path.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<size_t>(length) >= link.size()) return path;
    link.resize(static_cast<size_t>(length));
    path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
  }
  return path;
}

// A name for the temporary file that no other save picks at the same time.
std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{std::random_device{}()};
  const unsigned n = counter.fetch_add(0x9E3779B9u);
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".saving-%ld-%08x", static_cast<long>(getpid()), n);
  return target + suffix;
}

// The rename is only lasting once the folder's entry is on the disk. The new
// file's data is there already, so a folder that cannot be synced (some file
// systems refuse) costs at worst the old file after a power cut, never an
// empty one: nothing is reported.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

QxFileReplacement::QxFileReplacement(std::string target) : m_target(std::move(target)) {}

QxFileReplacement::~QxFileReplacement() {
  Abandon();
}

QxFileReplacement::FaultHook QxFileReplacement::SetFaultHook(FaultHook hook) {
  std::swap(Hook(), hook);
  return hook;
}

int QxFileReplacement::Begin() {
  if (m_error) return m_error;
  if (m_begun || m_target.empty()) return Fail(EINVAL);
  m_begun = true;
  m_target = FollowLinks(m_target);
  struct stat old {};
  const bool exists = lstat(m_target.c_str(), &old) == 0;
  // Only a regular file is replaced: the rename would put a file in place of
  // a device, a FIFO or a socket (and fail late on a directory), and a loop
  // of links would lose its last link.
  if (exists && !S_ISREG(old.st_mode))
    return Fail(S_ISDIR(old.st_mode) ? EISDIR : S_ISLNK(old.st_mode) ? ELOOP : EINVAL);
  if (int error = Injected("create")) return Fail(error);
  for (int attempt = 0; attempt < kNameAttempts && m_fd < 0; ++attempt) {
    std::string name = TemporaryName(m_target);
    // Mode 0666 through the umask is exactly what a new file should get.
    m_fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
      m_temporary = std::move(name);
    } else if (errno != EEXIST) {
      return Fail(errno);
    }
  }
  if (m_fd < 0) return Fail(EEXIST);
  if (exists && fchmod(m_fd, old.st_mode & 07777) != 0) return Fail(errno);
  return 0;
}

int QxFileReplacement::Write(const void* data, std::size_t size) {
  if (m_error) return m_error;
  if (m_fd < 0) return Fail(EBADF);
  if (int error = Injected("write")) return Fail(error);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(m_fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Fail(errno);
    if (written == 0) return Fail(ENOSPC);  // no progress: never spin
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int QxFileReplacement::Commit() {
  if (m_error) return m_error;
  if (m_fd < 0) return Fail(EBADF);
  if (int error = Injected("sync")) return Fail(error);
  if (fsync(m_fd) != 0) return Fail(errno);
  if (int error = Injected("close")) return Fail(error);
  const int fd = m_fd;
  m_fd = -1;
  if (close(fd) != 0) return Fail(errno);
  if (int error = Injected("rename")) return Fail(error);
  if (rename(m_temporary.c_str(), m_target.c_str()) != 0) return Fail(errno);
  m_temporary.clear();
  SyncFolder(FolderOf(m_target));
  return 0;
}

void QxFileReplacement::Abandon() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  if (!m_temporary.empty()) unlink(m_temporary.c_str());
  m_temporary.clear();
}

int QxFileReplacement::Fail(int error) {
  m_error = error ? error : EIO;
  Abandon();
  return m_error;
}
