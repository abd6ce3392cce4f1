#pragma once
// Critical sections: recursive mutexes, so the owner may enter again (the
// real-time pass takes the simulation lock around a sample that takes it once
// more). Each Enter needs its Leave on the same thread.
#include "platform/core/Types.h"

#include <mutex>

struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

// Initialize and Delete exist for the callers' sake; the mutex lives and dies
// with the structure.
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

// Holds a critical section for a scope: entered on construction, left at the
// end. The framework's CSingleLock takes a CSyncObject, which a bare
// CRITICAL_SECTION is not. A null section is neither entered nor left, as
// with EnterCriticalSection, so a caller that locks only sometimes passes
// null otherwise.
class QxCriticalSectionLock {
 public:
  explicit QxCriticalSectionLock(LPCRITICAL_SECTION section) : m_section(section) {
    EnterCriticalSection(m_section);
  }
  ~QxCriticalSectionLock() { LeaveCriticalSection(m_section); }
  QxCriticalSectionLock(const QxCriticalSectionLock&) = delete;
  QxCriticalSectionLock& operator=(const QxCriticalSectionLock&) = delete;

 private:
  LPCRITICAL_SECTION m_section;
};

#define INFINITE 0xFFFFFFFFu

class CSyncObject {
 public:
  virtual ~CSyncObject() = default;
  // timeout in milliseconds; INFINITE waits for good. FALSE when it timed out.
  virtual BOOL Lock(DWORD timeout = INFINITE) = 0;
  virtual BOOL Unlock() = 0;
};

class CCriticalSection : public CSyncObject {
 public:
  CCriticalSection() = default;
  BOOL Lock(DWORD timeout = INFINITE) override;
  BOOL Unlock() override;
  operator CRITICAL_SECTION*() { return &m_sect; }

  CRITICAL_SECTION m_sect;
};

// Holds one sync object for a scope; unlocks at the end if still locked.
class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock();
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;

  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return m_bAcquired; }

 private:
  CSyncObject* m_pObject;
  BOOL m_bAcquired = FALSE;
};
