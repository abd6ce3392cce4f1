#pragma once
// Worker threads on std::thread. AfxBeginThread starts the function at once
// (or on ResumeThread with CREATE_SUSPENDED); when it returns, the thread
// object deletes itself if m_bAutoDelete is set. One without it belongs to
// its owner, who waits for its end with Join and then deletes it. Priorities are best effort:
// a priority above normal gives the thread a nice value a fixed step below
// the process's own (its main thread's), whichever thread created it, where the system
// permits it (never a real-time scheduling class); otherwise, and for the
// other priorities, the thread runs at the process's nice value and only the
// number is recorded.
#include "platform/core/Object.h"
#include "platform/core/Types.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CWnd;

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define CREATE_SUSPENDED 0x00000004u

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread : public CObject {
  DECLARE_DYNAMIC(CWinThread)

 public:
  // A thread object for the calling thread (the application's user-interface
  // thread): it takes the caller's thread id and starts nothing.
  CWinThread();
  CWinThread(AFX_THREADPROC proc, LPVOID param);
  ~CWinThread() override;

  // Starts the thread; with CREATE_SUSPENDED it waits for ResumeThread.
  BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0,
                    LPSECURITY_ATTRIBUTES security = nullptr);
  // Lets a suspended thread run; returns the previous suspend count (1 or 0).
  DWORD ResumeThread();
  // Returns once the thread has ended, system thread included. Only for a
  // thread without m_bAutoDelete, from another thread; at once when it never
  // started.
  void Join();
  int GetThreadPriority() const { return m_nPriority; }
  BOOL SetThreadPriority(int priority);

  // For thread objects without a function: the framework's initialise, run, exit.
  virtual BOOL InitInstance();
  virtual int Run();
  virtual int ExitInstance();

  BOOL m_bAutoDelete = TRUE;
  // Unique per thread for the life of the process; the windows layer maps it
  // to the thread's message queue.
  DWORD m_nThreadID = 0;
  CWnd* m_pMainWnd = nullptr;

 private:
  void ThreadMain();
  // Gives the calling thread the nice value of its priority.
  void ApplyPriority();

  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;
  int m_nPriority = THREAD_PRIORITY_NORMAL;
  std::mutex m_startLock;
  std::condition_variable m_startSignal;
  bool m_bSuspended = false;
  // The system thread; detached at the end of a self-deleting one.
  std::thread m_thread;
  // The system's id of the running thread (0 before it runs, and after).
  std::atomic<long> m_nativeId{0};
};

// Null when the thread cannot be started.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0,
                           LPSECURITY_ATTRIBUTES security = nullptr);
// The thread object of the calling thread, or null for a thread the layer did
// not start (the application object registers itself with AfxSetThread).
CWinThread* AfxGetThread();
void AfxSetThread(CWinThread* thread);
// The calling thread's id; the same numbering as CWinThread::m_nThreadID.
DWORD GetCurrentThreadId();
