// CQVOLockableObject, the recursive lock with a timed unlock, and CQVOGuard, its scoped lock.
#include "platform/platform.h"

namespace platform = qvo::platform;

CQVOLockableObject::CQVOLockableObject() : m_criticalSection{} {
  platform::csInitialize(criticalSection());
  InitializeConditionVariable(&m_condition);
}

// A copy is a new lock: a live critical section cannot be shared or duplicated.
CQVOLockableObject::CQVOLockableObject(CQVOLockableObject const&) : CQVOLockableObject() {}

CQVOLockableObject& CQVOLockableObject::operator=(CQVOLockableObject const&) { return *this; }

CQVOLockableObject::~CQVOLockableObject() { platform::csDelete(criticalSection()); }

CRITICAL_SECTION* CQVOLockableObject::criticalSection() {
  return reinterpret_cast<CRITICAL_SECTION*>(&m_criticalSection);
}

bool CQVOLockableObject::Lock() {
  platform::csEnter(criticalSection());
  return true;
}

bool CQVOLockableObject::TryLock() { return platform::csTryEnter(criticalSection()); }

void CQVOLockableObject::Unlock() { platform::csLeave(criticalSection()); }

bool CQVOLockableObject::Unlock(long& timeout) {
  unsigned long wait = platform::kInfinite;
  if (timeout >= 0 && static_cast<unsigned long>(timeout) < platform::kInfinite) {
    wait = static_cast<unsigned long>(timeout);
  }
  SleepConditionVariableCS(&m_condition, criticalSection(), wait);
  return true;
}

bool CQVOLockableObject::CancelTimedUnlock() {
  WakeConditionVariable(&m_condition);
  return true;
}

CQVOGuard::CQVOGuard(CQVOLockableObject& lock) : m_bFreed(false), m_pLock(&lock) { m_pLock->Lock(); }

// A copy holds the lock in its own right (it is recursive), so the two guards release it once each.
CQVOGuard::CQVOGuard(CQVOGuard const& other) : m_bFreed(other.m_bFreed), m_pLock(other.m_pLock) {
  if (!m_bFreed) m_pLock->Lock();
}

// The wake comes before the release, while the lock is still held: the woken thread gets the lock only
// after this guard has let it go.
CQVOGuard::~CQVOGuard() {
  m_pLock->CancelTimedUnlock();
  if (!m_bFreed) m_pLock->Unlock();
}

void CQVOGuard::Free() {
  if (m_bFreed) return;
  m_pLock->Unlock();
  m_bFreed = true;
}
