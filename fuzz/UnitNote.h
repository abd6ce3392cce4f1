#pragma once
// The note of the unit a fuzz target is about to run, on its own so that the
// test of the fuzz stage's script builds a throwaway target with the very
// note the real targets keep.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// The unit about to run, kept for the test command in the file that
// QX_FUZZ_UNIT_FILE names: a fuzzer stuck in libFuzzer's timeout handler (or
// stopped past its time) is killed before it writes the unit, and the unit is
// then read from here. The file is mapped, so the copy costs no system call
// and outlives the kill: 8 bytes of the unit's size (all ones while it is
// copied, or for a unit too large to keep), then the unit.
namespace qxfuzz {

inline void NoteUnit(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kRoom = std::size_t{1} << 20;
  static std::uint64_t* const note = []() -> std::uint64_t* {
    const char* path = std::getenv("QX_FUZZ_UNIT_FILE");
    const int fd = path != nullptr ? open(path, O_RDWR | O_CREAT | O_TRUNC, 0644) : -1;
    if (fd < 0) return nullptr;
    void* mapped = MAP_FAILED;
    if (ftruncate(fd, sizeof(std::uint64_t) + kRoom) == 0)
      mapped =
          mmap(nullptr, sizeof(std::uint64_t) + kRoom, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<std::uint64_t*>(mapped);
  }();
  if (note == nullptr) return;
  note[0] = ~std::uint64_t{0};
  if (size > kRoom) return;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (size > 0) std::memcpy(note + 1, data, size);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  note[0] = size;
}

}  // namespace qxfuzz
