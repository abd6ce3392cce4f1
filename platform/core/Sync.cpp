#include "platform/core/Sync.h"

#include <chrono>
#include <thread>

void InitializeCriticalSection(LPCRITICAL_SECTION) {}
void DeleteCriticalSection(LPCRITICAL_SECTION) {}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section) section->mutex.lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return section && section->mutex.try_lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (section) section->mutex.unlock();
}

BOOL CCriticalSection::Lock(DWORD timeout) {
  if (timeout == INFINITE) {
    m_sect.mutex.lock();
    return TRUE;
  }
  // std::recursive_mutex has no timed lock; poll, which is rare and short here.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
  while (!m_sect.mutex.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return FALSE;
    std::this_thread::yield();
  }
  return TRUE;
}

BOOL CCriticalSection::Unlock() {
  m_sect.mutex.unlock();
  return TRUE;
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_pObject(object) {
  if (initialLock) Lock();
}

CSingleLock::~CSingleLock() {
  if (m_bAcquired) Unlock();
}

BOOL CSingleLock::Lock(DWORD timeout) {
  if (!m_pObject || m_bAcquired) return m_bAcquired;
  m_bAcquired = m_pObject->Lock(timeout);
  return m_bAcquired;
}

BOOL CSingleLock::Unlock() {
  if (m_pObject && m_bAcquired) m_bAcquired = !m_pObject->Unlock();
  return !m_bAcquired;
}
