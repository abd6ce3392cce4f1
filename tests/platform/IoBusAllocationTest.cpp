// The bus's reader hands frames over without allocating for each: a real-time
// run hears an answer every sample, and a flood of received frames must cost
// the process a few allocations in all, however many frames it brings.
#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Every allocation of this test program is counted (the sanitizers keep
// their own allocator, and are left to it).
#define QX_COUNT_ALLOCATIONS 1
namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#endif

namespace {

TEST(BusThreads, FramesAreHandedOverWithoutAnAllocationEach) {
#ifndef QX_COUNT_ALLOCATIONS
  GTEST_SKIP() << "a sanitizer's allocator cannot be counted here";
#else
  qxtest::ScopedEnv env("QX_BUS_DIR", qxtest::MakeTempDir("busalloc"));
  ASSERT_TRUE(QxBusReceive(RegisterWindowMessage("ID_TEST_COUNTED")));
  ASSERT_TRUE(QxBusJoin());  // the reader's thread, as in the program
  long handed = 0;
  QxBusReceiver previous = QxBusSetReceiver([&handed](UINT, WPARAM, LPARAM) { ++handed; });
  const std::vector<BYTE> frame = qxbus::EncodeFrame("ID_TEST_COUNTED", 1000010, 5, 6);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string own = qxbus::OwnSocketPath();
  std::strncpy(address.sun_path, own.c_str(), sizeof(address.sun_path) - 1);
  const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  // Batches well within one message's share of the frames that may wait,
  // each handed over before the next is sent.
  constexpr int kBatch = 32, kBatches = 600;
  const auto sendBatch = [&](long& expected) {
    for (int n = 0; n < kBatch; ++n)
      expected +=
          sendto(sender, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                 sizeof(address)) == static_cast<ssize_t>(frame.size());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (handed < expected && std::chrono::steady_clock::now() < limit) QxBusPoll(100);
  };
  long expected = 0;
  sendBatch(expected);  // whatever the first hand-over sets up
  const long before = g_allocations.load();
  for (int batch = 0; batch < kBatches; ++batch) sendBatch(expected);
  const long allocations = g_allocations.load() - before;
  close(sender);
  QxBusSetReceiver(previous);
  QxBusLeave();

  EXPECT_EQ(handed, expected);
  EXPECT_EQ(expected, kBatch * (kBatches + 1));
  // A queue that grows in blocks allocates one every few dozen frames (over
  // 900 here).
  EXPECT_LE(allocations, 8) << "for " << kBatch * kBatches << " frames";
  std::printf("BusThreads: %ld allocations for %d frames handed over\n", allocations,
              kBatch * kBatches);
#endif
}

}  // namespace
