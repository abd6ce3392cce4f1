#pragma once
// QxFileReplacement: replaces a file as a whole so that a crash or a power cut
// at any moment leaves either the old file or the new one, never a mix of the
// two or an empty file. Documents and the profile store save through it.
//
// Begin makes a temporary file in the target's folder; Write appends to it;
// Commit writes it through to the disk (fsync), renames it over the target and
// then syncs the folder, so that the rename itself outlives a power cut. A
// failure at any step removes the temporary file and leaves the target as it
// was; so does a replacement that is destroyed without being committed.
//
// A target that is a symbolic link is followed: the file it ends at is the
// one replaced, and the link stays. Only a regular file (or none) is
// replaced: Begin refuses a directory (EISDIR), a loop of links (ELOOP) and
// a device, FIFO or socket (EINVAL), and leaves them as they are. An existing target keeps its
// mode; a new one gets 0666 less the process's umask, as any program's new file does.
#include <cstddef>
#include <functional>
#include <string>

class QxFileReplacement {
 public:
  explicit QxFileReplacement(std::string target);
  ~QxFileReplacement();
  QxFileReplacement(const QxFileReplacement&) = delete;
  QxFileReplacement& operator=(const QxFileReplacement&) = delete;

  // Each returns 0, or the errno of the step that failed (the replacement is
  // then abandoned and every later call fails with the same errno).
  int Begin();
  int Write(const void* data, std::size_t size);
  int Commit();
  // Removes the temporary file; the target stays as it was.
  void Abandon();

  // The file that Commit replaces (the end of the link chain).
  const std::string& GetTargetPath() const { return m_target; }
  // Empty before Begin and after Commit or Abandon.
  const std::string& GetTemporaryPath() const { return m_temporary; }

  // For tests: called before every step that can fail ("create", "write" for
  // each write call, "sync", "close", "rename") with its name; a nonzero
  // result fails that step with this errno. Set it only while no save runs.
  using FaultHook = std::function<int(const char* step)>;
  static FaultHook SetFaultHook(FaultHook hook);

 private:
  int Fail(int error);

  std::string m_target;
  std::string m_temporary;
  int m_fd = -1;
  int m_error = 0;
  bool m_begun = false;
};
