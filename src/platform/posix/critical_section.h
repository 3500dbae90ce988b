// POSIX: the critical-section primitives of the seam. Like the Windows critical section, the structure
// holds a lock word (LockCount: 0 free, 1 held, 2 held with threads asleep), the owning thread and a
// recursion count. Taking a free lock or re-entering it is a few inline atomic operations; only a
// contended lock calls into sync.cpp, which sleeps on a futex. Every hand-over
// of the lock is an acquire/release pair on the lock word, so ThreadSanitizer sees it.
//
// While the process has a single thread (glibc's __libc_single_threaded, which turns false for good
// when a second thread is created), nobody can contend and the lock word is read and written without
// locked instructions, as glibc does for its own mutexes. A thread's creation orders those writes
// before anything the new thread does.
#ifndef QVOBASE_PLATFORM_POSIX_CRITICAL_SECTION_H
#define QVOBASE_PLATFORM_POSIX_CRITICAL_SECTION_H

#include <sys/single_threaded.h>

#include "QVOThread.h"

namespace qvo::platform {

// sync.cpp: take a lock word that another thread holds; wake one thread asleep on the word.
void csEnterContended(CRITICAL_SECTION* cs);
void csWakeOne(CRITICAL_SECTION* cs);

// An identity of the calling thread that is unique among running threads and costs one register read.
inline void* csSelf() { return __builtin_thread_pointer(); }

// No spinning before a sleep (SpinCount stays 0): on current processors a spin of even a few hundred
// pause instructions costs more than the sleep it avoids, and it slows the hand-over between a waker
// and the thread it wakes.
inline void csInitialize(CRITICAL_SECTION* cs) { *cs = CRITICAL_SECTION{}; }

inline void csDelete(CRITICAL_SECTION* cs) { *cs = CRITICAL_SECTION{}; }

inline bool csAlone() { return __libc_single_threaded != 0; }

inline bool csTakeFree(CRITICAL_SECTION* cs) {
  if (csAlone()) {
    if (__atomic_load_n(&cs->LockCount, __ATOMIC_RELAXED) != 0) return false;
    __atomic_store_n(&cs->LockCount, 1, __ATOMIC_RELAXED);
    return true;
  }
  int expected = 0;
  return __atomic_compare_exchange_n(&cs->LockCount, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED);
}

// Only the owner ever stores its own identity in OwningThread, and it clears it before letting go, so
// a thread that reads its own identity there owns the lock.
inline bool csOwnedByCaller(CRITICAL_SECTION* cs, void* self) {
  return __atomic_load_n(&cs->OwningThread, __ATOMIC_RELAXED) == self;
}

inline void csBecomeOwner(CRITICAL_SECTION* cs, void* self) {
  __atomic_store_n(&cs->OwningThread, self, __ATOMIC_RELAXED);
  cs->RecursionCount = 1;
}

inline void csEnter(CRITICAL_SECTION* cs) {
  void* self = csSelf();
  if (csOwnedByCaller(cs, self)) {
    ++cs->RecursionCount;
    return;
  }
  if (!csTakeFree(cs)) csEnterContended(cs);
  csBecomeOwner(cs, self);
}

inline bool csTryEnter(CRITICAL_SECTION* cs) {
  void* self = csSelf();
  if (csOwnedByCaller(cs, self)) {
    ++cs->RecursionCount;
    return true;
  }
  if (!csTakeFree(cs)) return false;
  csBecomeOwner(cs, self);
  return true;
}

inline void csLeave(CRITICAL_SECTION* cs) {
  if (--cs->RecursionCount > 0) return;
  __atomic_store_n(&cs->OwningThread, nullptr, __ATOMIC_RELAXED);
  if (csAlone()) {
    __atomic_store_n(&cs->LockCount, 0, __ATOMIC_RELAXED);  // no other thread, so nobody asleep
    return;
  }
  if (__atomic_exchange_n(&cs->LockCount, 0, __ATOMIC_RELEASE) == 2) csWakeOne(cs);
}

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_POSIX_CRITICAL_SECTION_H
