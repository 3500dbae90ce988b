// Shared fixtures of the concurrency tests: a critical section owned by the test, and a hang guard that
// polls a condition (tests wait for what happened, never for how long it took).
#ifndef QVOBASE_TESTS_THREAD_SUPPORT_H
#define QVOBASE_TESTS_THREAD_SUPPORT_H

#include <functional>

#include "QVOThread.h"

namespace qvotest {

// A critical section built with the system's calls on Windows and the library's on POSIX.
class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  CRITICAL_SECTION* get();
  void enter();
  void leave();
  bool tryEnter();

 private:
  qvo::detail::CriticalSectionStorage m_storage;
};

// Polls `done` until it is true or a generous limit (30 s) passes; true when it became true. The limit
// only keeps a broken build from hanging the suite.
bool eventually(const std::function<bool()>& done);

// True when another thread cannot take the lock now (tried from a helper thread).
bool lockedForOthers(CriticalSection& cs);
bool lockedForOthers(CQVOLockableObject& lock);

}  // namespace qvotest

#endif  // QVOBASE_TESTS_THREAD_SUPPORT_H
