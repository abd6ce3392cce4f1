#include "platform/core/Thread.h"

#include <atomic>
#include <cerrno>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

IMPLEMENT_DYNAMIC(CWinThread, CObject)

namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;
thread_local CWinThread* t_thread = nullptr;

// The nice value below the process's that a priority above normal asks for.
int NiceLowering(int priority) {
  if (priority >= THREAD_PRIORITY_TIME_CRITICAL) return 15;
  if (priority >= THREAD_PRIORITY_HIGHEST) return 10;
  if (priority >= THREAD_PRIORITY_ABOVE_NORMAL) return 5;
  return 0;
}

// The process's nice value, read once from the main thread (whose id is the
// process's), which this layer never changes. A thread
// inherits its creator's nice value, so measuring from the creator would
// compound: a raised worker's own worker would be raised twice.
int BaseNice() {
  static const int base = [] {
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    return errno == 0 ? value : 0;
  }();
  return base;
}

// On Linux a thread's nice value is its own. Every thread of a priority gets
// the same one whoever made it; where a raise is refused (no privilege) the
// thread runs at the process's base instead, which is always allowed when
// it only undoes an inherited raise.
void ApplyNice(long nativeId, int priority) {
  if (nativeId <= 0) return;
  const auto who = static_cast<id_t>(nativeId);
  const int base = BaseNice();
  if (setpriority(PRIO_PROCESS, who, base - NiceLowering(priority)) != 0)
    setpriority(PRIO_PROCESS, who, base);
}

DWORD NewThreadId() {
  DWORD id;
  do id = g_nextThreadId.fetch_add(1);
  while (id == 0);  // 0 means "no thread"; skip it when the counter wraps
  return id;
}

}  // namespace

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = NewThreadId();
  return t_threadId;
}

CWinThread* AfxGetThread() {
  return t_thread;
}

void AfxSetThread(CWinThread* thread) {
  t_thread = thread;
  if (thread && thread->m_nThreadID == 0) thread->m_nThreadID = GetCurrentThreadId();
}

CWinThread::CWinThread() : m_nThreadID(GetCurrentThreadId()) {}

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param)
    : m_pfnThreadProc(proc), m_pThreadParams(param) {}

CWinThread::~CWinThread() {
  if (t_thread == this) t_thread = nullptr;
  // An owned thread that was never waited for is waited for here; a
  // self-deleting one has detached itself already.
  if (m_thread.joinable()) {
    if (m_thread.get_id() == std::this_thread::get_id())
      m_thread.detach();
    else
      m_thread.join();
  }
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT, LPSECURITY_ATTRIBUTES) {
  m_bSuspended = (createFlags & CREATE_SUSPENDED) != 0;
  m_nThreadID = NewThreadId();
  // The thread waits for the start lock before it looks at itself, so the
  // object holds its std::thread before the thread can end.
  std::lock_guard guard(m_startLock);
  try {
    m_thread = std::thread([this] { ThreadMain(); });
  } catch (const std::system_error&) {
    m_nThreadID = 0;
    return FALSE;
  }
  return TRUE;
}

DWORD CWinThread::ResumeThread() {
  std::lock_guard guard(m_startLock);
  DWORD previous = m_bSuspended ? 1 : 0;
  m_bSuspended = false;
  m_startSignal.notify_all();
  return previous;
}

BOOL CWinThread::SetThreadPriority(int priority) {
  m_nPriority = priority;
  // A running thread takes the change at once, a waiting one when it starts.
  ApplyNice(m_nativeId.load(), priority);
  return TRUE;
}

void CWinThread::ApplyPriority() {
  m_nativeId = static_cast<long>(gettid());
  ApplyNice(m_nativeId.load(), m_nPriority);
}

BOOL CWinThread::InitInstance() {
  return FALSE;
}

int CWinThread::Run() {
  return ExitInstance();
}

int CWinThread::ExitInstance() {
  return 0;
}

void CWinThread::ThreadMain() {
  {
    std::unique_lock guard(m_startLock);
    m_startSignal.wait(guard, [this] { return !m_bSuspended; });
  }
  t_threadId = m_nThreadID;
  t_thread = this;
  ApplyPriority();
  if (m_pfnThreadProc) {
    m_pfnThreadProc(m_pThreadParams);
  } else if (InitInstance()) {
    Run();
  } else {
    ExitInstance();
  }
  t_thread = nullptr;
  m_nativeId = 0;
  if (m_bAutoDelete) {
    m_thread.detach();
    delete this;
  }
}

void CWinThread::Join() {
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
  if (!proc) return nullptr;
  auto* thread = new CWinThread(proc, param);
  thread->SetThreadPriority(priority);
  if (!thread->CreateThread(createFlags, stackSize, security)) {
    delete thread;
    return nullptr;
  }
  // The thread may already have ended and deleted itself: touch nothing more.
  return thread;
}
