// CQVOLockableObject, the recursive lock with a timed unlock, and CQVOGuard, its scoped lock.
#include "QVOThread.h"
#include "platform/lock.h"
#include "platform/time.h"

namespace platform = qvo::platform;

CQVOLockableObject::CQVOLockableObject() : m_criticalSection{} {
  platform::csInitialize(criticalSection());
  InitializeConditionVariable(&m_condition);
}

// A copy is a new lock: a live critical section cannot be shared or duplicated.
CQVOLockableObject::CQVOLockableObject(CQVOLockableObject const&) : CQVOLockableObject() {}

CQVOLockableObject& CQVOLockableObject::operator=(CQVOLockableObject const&) { return *this; }

CQVOLockableObject::~CQVOLockableObject() { platform::csDelete(criticalSection()); }

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
  if (m_condition.hasWaiters()) WakeConditionVariable(&m_condition);
  return true;
}

// The guard is on the hot path of every class that locks: it goes to the critical section and the
// condition variable directly rather than through the exported operations.
CQVOGuard::CQVOGuard(CQVOLockableObject& lock) : m_bFreed(false), m_pLock(&lock) {
  platform::csEnter(lock.criticalSection());
}

// A copy holds the lock in its own right (it is recursive), so the two guards release it once each.
CQVOGuard::CQVOGuard(CQVOGuard const& other) : m_bFreed(other.m_bFreed), m_pLock(other.m_pLock) {
  if (!m_bFreed) platform::csEnter(m_pLock->criticalSection());
}

// The wake comes before the release, while the lock is still held: the woken thread gets the lock only
// after this guard has let it go.
CQVOGuard::~CQVOGuard() {
  if (m_pLock->m_condition.hasWaiters()) WakeConditionVariable(&m_pLock->m_condition);
  if (!m_bFreed) platform::csLeave(m_pLock->criticalSection());
}

void CQVOGuard::Free() {
  if (m_bFreed) return;
  platform::csLeave(m_pLock->criticalSection());
  m_bFreed = true;
}
