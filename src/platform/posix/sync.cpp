// POSIX (Linux): the contended half of the critical section and manual-reset events, both on futexes,
// and the exported critical-section calls over the inline primitives of critical_section.h.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <new>

#include "platform/platform.h"

// The exported critical-section calls of the POSIX build, for callers that wait on the library's
// condition variable with a critical section of their own.
void InitializeCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csInitialize(cs); }
void DeleteCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csDelete(cs); }
void EnterCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csEnter(cs); }
int TryEnterCriticalSection(CRITICAL_SECTION* cs) { return qvo::platform::csTryEnter(cs) ? 1 : 0; }
void LeaveCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csLeave(cs); }

namespace qvo::platform {

namespace {

// Sleeps while *word holds `expected`, at most `timeout` when one is given; returns at once if the word
// holds something else. Wakes may also come early: callers look at the word again.
void futexWait(int* word, int expected, const timespec* timeout) {
  ::syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, timeout, nullptr, 0);
}

void futexWake(int* word, int count) { ::syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0); }

// A manual-reset event: one word, 0 not set, 1 set, 2 not set with a thread asleep on it. Setting
// exchanges in 1 (release) and makes the wake system call only when someone sleeps; a wait reads the
// word with acquire and marks it 2 before it sleeps.
constexpr int kUnset = 0;
constexpr int kSet = 1;
constexpr int kUnsetWithSleeper = 2;

struct Event {
  int state = kUnset;
};

// One step of a wait: true once the event is set; otherwise sleeps (at most `timeout`) and returns false.
bool setOrSleep(Event* e, const timespec* timeout) {
  int seen = __atomic_load_n(&e->state, __ATOMIC_ACQUIRE);
  if (seen == kSet) return true;
  if (seen == kUnset &&
      !__atomic_compare_exchange_n(&e->state, &seen, kUnsetWithSleeper, false, __ATOMIC_ACQUIRE, __ATOMIC_ACQUIRE)) {
    return seen == kSet;  // changed meanwhile: set, or marked by another sleeper
  }
  futexWait(&e->state, kUnsetWithSleeper, timeout);
  return false;
}

Event* eventOf(EventHandle handle) { return static_cast<Event*>(handle); }

}  // namespace

// The lock word goes to 2 ("held, with sleepers") whenever a thread is about to sleep, so the thread
// that lets go knows to wake one. A woken thread sets 2 again, since others may still sleep.
void csEnterContended(CRITICAL_SECTION* cs) {
  while (__atomic_exchange_n(&cs->LockCount, 2, __ATOMIC_ACQUIRE) != 0) futexWait(&cs->LockCount, 2, nullptr);
}

void csWakeOne(CRITICAL_SECTION* cs) { futexWake(&cs->LockCount, 1); }

EventHandle eventCreate() { return new (std::nothrow) Event; }
void eventClose(EventHandle event) { delete eventOf(event); }

void eventSet(EventHandle event) {
  Event* e = eventOf(event);
  if (__atomic_exchange_n(&e->state, kSet, __ATOMIC_RELEASE) == kUnsetWithSleeper) futexWake(&e->state, INT_MAX);
}

void eventReset(EventHandle event) { __atomic_store_n(&eventOf(event)->state, kUnset, __ATOMIC_RELAXED); }

bool eventWait(EventHandle event, unsigned long milliseconds) {
  Event* e = eventOf(event);
  if (e == nullptr) return false;
  if (milliseconds >= kInfinite) {
    while (!setOrSleep(e, nullptr)) {
    }
    return true;
  }
  // Measured on the monotonic clock, so changes of the wall clock neither stretch nor cut the wait.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      return __atomic_load_n(&e->state, __ATOMIC_ACQUIRE) == kSet;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    if (setOrSleep(e, &wait)) return true;
  }
}

}  // namespace qvo::platform
