// POSIX (Linux): the contended half of the critical section on a futex, the futex calls that the events
// share, and the exported critical-section calls over the inline primitives of platform/lock.h.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "platform/lock.h"
#include "platform/posix/internal.h"

// The exported critical-section calls of the POSIX build, for callers that wait on the library's
// condition variable with a critical section of their own.
void InitializeCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csInitialize(cs); }
void DeleteCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csDelete(cs); }
void EnterCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csEnter(cs); }
int TryEnterCriticalSection(CRITICAL_SECTION* cs) { return qvo::platform::csTryEnter(cs) ? 1 : 0; }
void LeaveCriticalSection(CRITICAL_SECTION* cs) { qvo::platform::csLeave(cs); }

namespace qvo::platform {

void futexWait(int* word, int expected, const timespec* timeout) {
  ::syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, timeout, nullptr, 0);
}

void futexWake(int* word, int count) { ::syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0); }

// The lock word goes to 2 ("held, with sleepers") whenever a thread is about to sleep, so the thread
// that lets go knows to wake one. A woken thread sets 2 again, since others may still sleep.
void csEnterContended(CRITICAL_SECTION* cs) {
  while (__atomic_exchange_n(&cs->LockCount, 2, __ATOMIC_ACQUIRE) != 0) futexWait(&cs->LockCount, 2, nullptr);
}

void csWakeOne(CRITICAL_SECTION* cs) { futexWake(&cs->LockCount, 1); }

}  // namespace qvo::platform
