#include "platform/core/Sync.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Whether another thread finds the section free just now.
bool OtherThreadCanEnter(CRITICAL_SECTION& section) {
  return std::async(std::launch::async,
                    [&] {
                      BOOL entered = TryEnterCriticalSection(&section);
                      if (entered) LeaveCriticalSection(&section);
                      return entered;
                    })
      .get();
}

}  // namespace

TEST(CriticalSectionThreads, ReentrantForOwnerExclusiveForOthers) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  auto otherCanEnter = [&] { return OtherThreadCanEnter(section); };
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);  // the owner enters again without blocking
  EXPECT_FALSE(otherCanEnter());
  LeaveCriticalSection(&section);
  EXPECT_FALSE(otherCanEnter());  // still held once
  LeaveCriticalSection(&section);
  EXPECT_TRUE(otherCanEnter());
  DeleteCriticalSection(&section);
}

TEST(CriticalSectionThreads, AScopedLockHoldsItsSectionToTheEndOfItsScope) {
  CRITICAL_SECTION section;
  {
    QxCriticalSectionLock lock(&section);
    {
      QxCriticalSectionLock again(&section);  // the owner enters again
      EXPECT_FALSE(OtherThreadCanEnter(section));
    }
    EXPECT_FALSE(OtherThreadCanEnter(section)) << "still held once";
  }
  EXPECT_TRUE(OtherThreadCanEnter(section));
  {
    QxCriticalSectionLock none(nullptr);  // enters nothing, so leaves nothing
  }
  EXPECT_TRUE(OtherThreadCanEnter(section));
}

TEST(CriticalSectionThreads, NestedLocksKeepCountExactAndATimedLockGivesUp) {
  CCriticalSection section;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        CSingleLock outer(&section, TRUE);
        CSingleLock inner(&section, TRUE);
        ++counter;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 20000);
  section.Lock();
  EXPECT_FALSE(std::async(std::launch::async, [&] { return section.Lock(20); }).get());  // gives up
  section.Unlock();
}

namespace {

struct ThreadReport {
  std::promise<void> done;
  std::atomic<DWORD> id{0};
  std::atomic<UINT_PTR> self{0};
  std::atomic<int> param{0};
};

UINT RecordThread(LPVOID param) {
  auto* report = static_cast<ThreadReport*>(param);
  report->id = GetCurrentThreadId();
  report->self = reinterpret_cast<UINT_PTR>(AfxGetThread());
  report->param = 1;
  report->done.set_value();
  return 1;
}

std::atomic<int> g_destroyed{0};

class CountedThread : public CWinThread {
 public:
  CountedThread(AFX_THREADPROC proc, LPVOID param) : CWinThread(proc, param) {}
  ~CountedThread() override { ++g_destroyed; }
};

}  // namespace

TEST(WinThreadThreads, BeginThreadRunsTheFunctionOnItsOwnThread) {
  ThreadReport report;
  auto done = report.done.get_future();
  CWinThread* thread =
      AfxBeginThread(RecordThread, &report, THREAD_PRIORITY_HIGHEST, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  DWORD id = thread->m_nThreadID;
  auto self = reinterpret_cast<UINT_PTR>(thread);
  EXPECT_EQ(thread->GetThreadPriority(), THREAD_PRIORITY_HIGHEST);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  thread->ResumeThread();  // from here on the thread may delete itself at any time
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(report.param, 1);
  EXPECT_EQ(report.id, id);
  EXPECT_EQ(report.self, self);
}

TEST(WinThreadThreads, ThreadObjectDeletesItselfWhenTheFunctionReturns) {
  int before = g_destroyed;
  std::vector<std::unique_ptr<ThreadReport>> reports;
  for (int i = 0; i < 3; ++i) {
    reports.push_back(std::make_unique<ThreadReport>());
    auto* thread = new CountedThread(RecordThread, reports.back().get());
    ASSERT_TRUE(thread->CreateThread());
  }
  for (auto& report : reports) report->done.get_future().wait();
  for (int spin = 0; spin < 1000 && g_destroyed < before + 3; ++spin)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(g_destroyed, before + 3);
  EXPECT_NE(reports[0]->id, reports[1]->id);
  EXPECT_NE(reports[1]->id, reports[2]->id);
}

// Above normal the thread gets a lower nice value where the system lets it
// (never a higher one); normal keeps the process's.
TEST(WinThreadThreads, TheHighestPriorityLowersTheNiceValueWherePermitted) {
  errno = 0;
  const int process = getpriority(PRIO_PROCESS, 0);
  ASSERT_EQ(errno, 0);
  for (int priority : {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST}) {
    std::promise<int> seen;
    std::future<int> nice = seen.get_future();
    ASSERT_NE(AfxBeginThread(
                  [](LPVOID p) -> UINT {
                    static_cast<std::promise<int>*>(p)->set_value(getpriority(PRIO_PROCESS, 0));
                    return 0;
                  },
                  &seen, priority),
              nullptr);
    const int value = nice.get();
    if (priority == THREAD_PRIORITY_NORMAL)
      EXPECT_EQ(value, process);
    else
      EXPECT_LE(value, process);
  }
  // Refused or not, the number is kept.
  CWinThread self;
  EXPECT_TRUE(self.SetThreadPriority(THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(self.GetThreadPriority(), THREAD_PRIORITY_HIGHEST);
}

namespace {

struct NiceAsk {
  int priority;
  bool viaCreator;
  std::promise<int> nice;
};

UINT ReportNice(LPVOID p) {
  auto* ask = static_cast<NiceAsk*>(p);
  if (!std::exchange(ask->viaCreator, false))
    ask->nice.set_value(getpriority(PRIO_PROCESS, 0));
  else if (!AfxBeginThread(ReportNice, ask, ask->priority))
    ask->nice.set_value(1000);
  return 0;
}

// The nice value a new thread of this priority runs at, made by the calling
// thread or, given a creator's priority, by a new thread of that priority.
int NiceOfNewThread(int priority, std::optional<int> creator = {}) {
  NiceAsk ask{priority, creator.has_value(), {}};
  std::future<int> nice = ask.nice.get_future();
  if (!AfxBeginThread(ReportNice, &ask, creator.value_or(priority))) return 1000;
  return nice.get();
}

// Why this process may not give a thread the lowest nice value (-20), or
// nothing when it may; asked of the system in a thread of its own, which
// takes the value with it when it ends.
std::optional<std::string> RaiseRefused() {
  return std::async(std::launch::async,
                    []() -> std::optional<std::string> {
                      if (setpriority(PRIO_PROCESS, 0, -20) == 0) return std::nullopt;
                      return std::string(std::strerror(errno));
                    })
      .get();
}

}  // namespace

// A thread's nice value follows from its priority and the process's alone:
// the workers a raised worker starts are raised no further than the main
// thread's, and its normal ones run at the process's. Without the privilege
// to raise, every thread runs at the process's value whoever made it, so the
// test cannot tell and says so.
TEST(WinThreadThreads, AThreadsNiceValueIsItsPrioritysWhoeverCreatedIt) {
  if (const std::optional<std::string> refused = RaiseRefused())
    GTEST_SKIP() << "this process may not raise a thread to nice -20 (" << *refused
                 << "); every thread runs at the process's nice value, compounding or not";
  const int process = getpriority(PRIO_PROCESS, 0);
  int previous = process;
  for (int priority : {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL,
                       THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL}) {
    SCOPED_TRACE(priority);
    const int fromMain = NiceOfNewThread(priority);
    EXPECT_LE(fromMain, previous);
    if (priority == THREAD_PRIORITY_NORMAL) {
      EXPECT_EQ(fromMain, process);
    }
    for (int creator :
         {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL}) {
      SCOPED_TRACE(creator);
      EXPECT_EQ(NiceOfNewThread(priority, creator), fromMain);
    }
    previous = fromMain;
  }
}

// A thread its owner keeps: Join returns once the system thread is gone, and
// deleting it afterwards (or without a Join) is safe.
TEST(WinThreadThreads, AnOwnedThreadIsJoinedThenDeleted) {
  struct Report {
    std::atomic<long> tid{0};
    std::atomic<bool> ran{false};
  };
  // The kernel clears a thread's id, which ends the join, a moment before it
  // takes the thread out of /proc; on a loaded machine that moment can be a
  // preemption long. A thread still running its function never leaves.
  const auto alive = [](long tid) {
    const std::string task = "/proc/self/task/" + std::to_string(tid);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::filesystem::exists(task) && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::filesystem::exists(task);
  };
  for (const bool join : {true, false}) {
    Report report;
    CWinThread* thread = AfxBeginThread(
        [](LPVOID p) -> UINT {
          auto* r = static_cast<Report*>(p);
          r->tid = static_cast<long>(gettid());
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          r->ran = true;
          return 0;
        },
        &report, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
    if (join) {
      thread->Join();
      EXPECT_TRUE(report.ran.load());
      EXPECT_FALSE(alive(report.tid.load()));
      thread->Join();  // a second wait returns at once
    }
    delete thread;  // waits for a thread not yet joined
    EXPECT_TRUE(report.ran.load());
    EXPECT_FALSE(alive(report.tid.load()));
  }
}
