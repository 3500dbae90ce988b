// Windows: manual-reset events. An event that only threads wait on lives in user space (a slim lock, a
// condition variable and a flag), so setting it and waiting for it make no kernel-object calls; an event
// that pipe operations watch is a kernel event, which WaitForMultipleObjects watches beside the pipe's
// own. The handle of a user-space event is its address with the low bit set (a kernel handle is a
// multiple of 4), so every function below tells the two apart.
#include <windows.h>

#include <cstdint>
#include <new>

#include "platform/event.h"

namespace qvo::platform {

namespace {

struct ThreadEvent {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  bool set = false;
};

constexpr std::uintptr_t kThreadEventTag = 1;

ThreadEvent* threadEventOf(EventHandle event) {
  const auto bits = reinterpret_cast<std::uintptr_t>(event.raw);
  return (bits & kThreadEventTag) != 0 ? reinterpret_cast<ThreadEvent*>(bits & ~kThreadEventTag) : nullptr;
}

// A slim lock taken for the length of a scope.
class SrwHold {
 public:
  explicit SrwHold(SRWLOCK* lock) : m_lock(lock) { ::AcquireSRWLockExclusive(lock); }
  ~SrwHold() { ::ReleaseSRWLockExclusive(m_lock); }
  SrwHold(SrwHold const&) = delete;
  SrwHold& operator=(SrwHold const&) = delete;

 private:
  SRWLOCK* m_lock;
};

bool waitThreadEvent(ThreadEvent* e, Timeout timeout) {
  SrwHold hold(&e->lock);
  if (timeout.isUnlimited()) {
    while (!e->set) ::SleepConditionVariableSRW(&e->changed, &e->lock, INFINITE, 0);
    return true;
  }
  // The limit holds across early wake-ups: each sleep gets what is left of it.
  const Deadline deadline(timeout);
  while (!e->set) {
    if (deadline.passed()) break;
    if (!::SleepConditionVariableSRW(&e->changed, &e->lock, static_cast<DWORD>(deadline.windowsWaitMs()), 0) &&
        ::GetLastError() == ERROR_TIMEOUT) {
      break;
    }
  }
  return e->set;
}

}  // namespace

// CreateEventA's failure value is null, which is kNoEvent.
EventHandle eventCreate(EventWaiters waiters) {
  if (waiters == EventWaiters::threadsAndPipes) return EventHandle{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  ThreadEvent* e = new (std::nothrow) ThreadEvent;
  if (e == nullptr) return kNoEvent;
  return EventHandle{reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(e) | kThreadEventTag)};
}

void eventClose(EventHandle event) {
  if (event == kNoEvent) return;
  if (ThreadEvent* e = threadEventOf(event)) {
    delete e;
  } else {
    ::CloseHandle(event.raw);
  }
}

void eventSet(EventHandle event) {
  if (event == kNoEvent) return;
  if (ThreadEvent* e = threadEventOf(event)) {
    // Woken under the lock: a thread that sees the flag may close the event as soon as it has the lock.
    SrwHold hold(&e->lock);
    e->set = true;
    ::WakeAllConditionVariable(&e->changed);
  } else {
    ::SetEvent(event.raw);
  }
}

void eventReset(EventHandle event) {
  if (event == kNoEvent) return;
  if (ThreadEvent* e = threadEventOf(event)) {
    SrwHold hold(&e->lock);
    e->set = false;
  } else {
    ::ResetEvent(event.raw);
  }
}

bool eventIsSet(EventHandle event) { return eventWait(event, Timeout::ms(0)); }

bool eventWait(EventHandle event, Timeout timeout) {
  if (event == kNoEvent) return false;
  if (ThreadEvent* e = threadEventOf(event)) return waitThreadEvent(e, timeout);
  return ::WaitForSingleObject(event.raw, static_cast<DWORD>(timeout.windowsWait())) == WAIT_OBJECT_0;
}

}  // namespace qvo::platform
