// POSIX: the library's critical sections (a recursive mutex behind the Windows-shaped structure) and
// manual-reset events (a flag under a mutex with a condition variable).
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace {

std::recursive_mutex* mutexOf(CRITICAL_SECTION* cs) { return static_cast<std::recursive_mutex*>(cs->LockSemaphore); }

struct Event {
  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;
};

Event* eventOf(qvo::platform::EventHandle handle) { return static_cast<Event*>(handle); }

}  // namespace

// The exported critical-section calls of the POSIX build. The structure holds the lock by pointer, as
// the Windows one holds its semaphore by handle; it owns it from Initialize to Delete.
void InitializeCriticalSection(CRITICAL_SECTION* cs) {
  *cs = CRITICAL_SECTION{};
  cs->LockSemaphore = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
  delete mutexOf(cs);
  cs->LockSemaphore = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* cs) { mutexOf(cs)->lock(); }
int TryEnterCriticalSection(CRITICAL_SECTION* cs) { return mutexOf(cs)->try_lock() ? 1 : 0; }
void LeaveCriticalSection(CRITICAL_SECTION* cs) { mutexOf(cs)->unlock(); }

namespace qvo::platform {

void csInitialize(CRITICAL_SECTION* cs) { InitializeCriticalSection(cs); }
void csDelete(CRITICAL_SECTION* cs) { DeleteCriticalSection(cs); }
void csEnter(CRITICAL_SECTION* cs) { mutexOf(cs)->lock(); }
bool csTryEnter(CRITICAL_SECTION* cs) { return mutexOf(cs)->try_lock(); }
void csLeave(CRITICAL_SECTION* cs) { mutexOf(cs)->unlock(); }

EventHandle eventCreate() { return new (std::nothrow) Event; }
void eventClose(EventHandle event) { delete eventOf(event); }

void eventSet(EventHandle event) {
  Event* e = eventOf(event);
  {
    std::lock_guard<std::mutex> hold(e->mutex);
    e->set = true;
  }
  e->changed.notify_all();
}

void eventReset(EventHandle event) {
  Event* e = eventOf(event);
  std::lock_guard<std::mutex> hold(e->mutex);
  e->set = false;
}

bool eventWait(EventHandle event, unsigned long milliseconds) {
  Event* e = eventOf(event);
  if (e == nullptr) return false;
  std::unique_lock<std::mutex> hold(e->mutex);
  if (milliseconds >= kInfinite) {
    e->changed.wait(hold, [e] { return e->set; });
    return true;
  }
  return e->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), [e] { return e->set; });
}

}  // namespace qvo::platform
