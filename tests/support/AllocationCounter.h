#pragma once
// Counts every allocation the program makes, on every thread and in every
// library: malloc, calloc and realloc, which operator new and Qt's containers
// allocate through. Include it from exactly one source file of a program (it
// defines the allocation functions the whole program then uses).
//
// A sanitizer's allocator must stay its own: there its allocation hook counts
// the same calls.
#include <atomic>
#include <cstddef>

namespace qxtest {
namespace allocation_counter {

inline std::atomic<long> g_count{0};
// Set on a thread whose allocations are the measurement's own, not the
// measured program's.
inline thread_local bool t_ignored = false;

inline void Note() {
  if (!t_ignored) g_count.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace allocation_counter

// Allocations counted since the program started.
inline long AllocationCount() {
  return allocation_counter::g_count.load(std::memory_order_relaxed);
}

// While one lives, the allocations of the thread that made it are not counted
// (a benchmark reading its peers' logs beside the run it measures).
class UncountedThread {
 public:
  UncountedThread() : m_was(allocation_counter::t_ignored) { allocation_counter::t_ignored = true; }
  ~UncountedThread() { allocation_counter::t_ignored = m_was; }
  UncountedThread(const UncountedThread&) = delete;
  UncountedThread& operator=(const UncountedThread&) = delete;

 private:
  bool m_was;
};

}  // namespace qxtest

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             std::size_t),
                                                         void (*free_hook)(const volatile void*));

namespace qxtest::allocation_counter {

inline void NoteMalloc(const volatile void*, std::size_t) {
  Note();
}
inline void NoteFree(const volatile void*) {}
inline const int g_hooked = __sanitizer_install_malloc_and_free_hooks(NoteMalloc, NoteFree);

}  // namespace qxtest::allocation_counter

#else

// glibc's own allocator under the names the rest of the program calls.
extern "C" {
void* __libc_malloc(std::size_t size) noexcept;
void* __libc_calloc(std::size_t count, std::size_t size) noexcept;
void* __libc_realloc(void* block, std::size_t size) noexcept;
void __libc_free(void* block) noexcept;

void* malloc(std::size_t size) noexcept {
  qxtest::allocation_counter::Note();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
  qxtest::allocation_counter::Note();
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
  qxtest::allocation_counter::Note();
  return __libc_realloc(block, size);
}
void free(void* block) noexcept {
  __libc_free(block);
}
}

#endif
