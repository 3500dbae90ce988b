// The operating-system seam, locks: the recursive critical section under CQVOLockableObject, the
// condition variable and the exported critical-section calls. Windows: the system's critical section
// (win32/lock.cpp). POSIX: the library's own structure of the same fields, taken and left inline here
// because it is on the path of every lock; only a contended lock calls into posix/lock.cpp, which sleeps
// on a futex.
//
// POSIX: like the Windows critical section, the structure holds a lock word (LockCount: 0 free, 1 held,
// 2 held with threads asleep), the owning thread and a recursion count. Every hand-over of the lock is an
// acquire/release pair on the lock word, so ThreadSanitizer sees it. While the process has a single
// thread (glibc's __libc_single_threaded, which turns false for good when a second thread is created),
// nobody can contend and the lock word is read and written without locked instructions, as glibc does
// for its own mutexes. A thread's creation orders those writes before anything the new thread does.
#ifndef QVOBASE_PLATFORM_LOCK_H
#define QVOBASE_PLATFORM_LOCK_H

#include "QVOThread.h"  // CRITICAL_SECTION: the system's on Windows, the library's own on POSIX

#if !defined(_WIN32)
// glibc's flag, declared here as <sys/single_threaded.h> declares it, so that no system header reaches
// the portable files that take locks.
extern "C" char __libc_single_threaded;
#endif

namespace qvo::platform {

// A recursive lock: the owning thread may enter again and leaves once per entry.
//   void csInitialize(CRITICAL_SECTION* cs);
//   void csDelete(CRITICAL_SECTION* cs);
//   void csEnter(CRITICAL_SECTION* cs);
//   bool csTryEnter(CRITICAL_SECTION* cs);   true when taken (also when the caller already holds it)
//   void csLeave(CRITICAL_SECTION* cs);
#if defined(_WIN32)
void csInitialize(CRITICAL_SECTION* cs);
void csDelete(CRITICAL_SECTION* cs);
void csEnter(CRITICAL_SECTION* cs);
bool csTryEnter(CRITICAL_SECTION* cs);
void csLeave(CRITICAL_SECTION* cs);
#else
// posix/lock.cpp: take a lock word that another thread holds; wake one thread asleep on the word.
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

#endif

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_LOCK_H
