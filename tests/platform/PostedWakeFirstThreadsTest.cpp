// A wake first posted by another thread (the bus's reader, in a program that
// has posted nothing yet) reaches the user-interface thread through objects
// that thread made itself. Only a fresh process has posted nothing, so the
// test runs itself again with the one case; under the thread checker a
// target made by the posting thread is a race the child reports. Elsewhere
// that goes unseen, and the test says so.
#include "platform/ui/PostedWake.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

std::atomic<int> g_calls{0};
void Called() {
  g_calls.fetch_add(1);
}

// Reads every receiver as the layer's own application filters do.
class ReadsReceivers : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    (void)watched->metaObject()->className();
    (void)event->type();
    return false;
  }
};

constexpr const char* kChild = "QX_WAKE_FIRST_POST_CHILD";

TEST(PostedWakeThreads, AWakeFirstPostedByAnotherThreadIsTheUserInterfaceThreadsToDeliver) {
  if (std::getenv(kChild)) {
    ReadsReceivers filter;
    QCoreApplication::instance()->installEventFilter(&filter);
    static const qxui::PostedWake wake(&Called);
    // Joined only after the delivery: the join would order the two threads
    // by itself and hide what the queue alone hands across.
    std::atomic<bool> posted{false};
    std::thread poster([&posted] { posted.store(wake.Post(), std::memory_order_relaxed); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (g_calls.load() == 0 && std::chrono::steady_clock::now() < limit)
      QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&filter);
    poster.join();
    EXPECT_TRUE(posted.load());
    EXPECT_EQ(g_calls.load(), 1) << "the wake never came";
    return;
  }
  const std::string command = std::string(kChild) + "=1 '" +
                              std::filesystem::read_symlink("/proc/self/exe").string() +
                              "' --gtest_brief=1 "
                              "--gtest_filter=PostedWakeThreads."
                              "AWakeFirstPostedByAnotherThreadIsTheUserInterfaceThreadsToDeliver";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "the fresh process did not end by itself";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the fresh process failed (its output is above)";
#ifndef __SANITIZE_THREAD__
  // The wake came; whose objects it went through only the thread checker sees.
  GTEST_SKIP() << "built without the thread checker: the wake's delivery was judged, not whether "
                  "it went through objects the user-interface thread made (run it under "
                  "ThreadSanitizer)";
#endif
}

}  // namespace
