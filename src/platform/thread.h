// The operating-system seam for locks, events, threads, sleeping and the clock. Definitions live in
// src/platform/{posix,win32}/sync.cpp (critical sections, events), thread.cpp (threads) and time.cpp
// (sleep, clock); each target defines every function declared here. On POSIX the critical-section
// primitives are inline (posix/critical_section.h): they are on the path of every lock.
#ifndef QVOBASE_PLATFORM_THREAD_H
#define QVOBASE_PLATFORM_THREAD_H

#include <cstdint>

#include "QVOThread.h"  // CRITICAL_SECTION: the system's on Windows, the library's own on POSIX

namespace qvo::platform {

// A wait time in milliseconds that means "no limit".
constexpr unsigned long kInfinite = 0xFFFFFFFFul;

// --- critical sections (win32/sync.cpp; inline in posix/critical_section.h) -----------------------
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
#endif

// --- events (sync.cpp) ---------------------------------------------------------------------------
// A manual-reset event: once set it stays set, waking every wait, until it is reset.
using EventHandle = void*;
// A new non-signalled event, or null when the system cannot create one.
EventHandle eventCreate();
void eventClose(EventHandle event);
void eventSet(EventHandle event);
void eventReset(EventHandle event);
// Waits until the event is set or `milliseconds` pass (kInfinite: no limit). True only when the wait
// ended because the event was set; false on time-out or failure.
bool eventWait(EventHandle event, unsigned long milliseconds);

// --- threads (thread.cpp) ------------------------------------------------------------------------
using ThreadHandle = void*;
using ThreadEntry = unsigned int (*)(void* argument);
// Creates a thread that will run entry(argument) once resumed, and returns its handle with its
// system identifier in `id`; null (and `id` untouched) when the system refuses the thread.
ThreadHandle threadCreateSuspended(ThreadEntry entry, void* argument, unsigned long& id);
void threadResume(ThreadHandle thread);
// Applies a Windows thread priority level (-15, -2, -1, 0, 1, 2, 15); the result is ignored.
void threadSetPriority(ThreadHandle thread, int level);
// Waits without limit for the thread's end: true once it has ended (at once for an ended thread),
// false when the wait fails (a null handle, for instance).
bool threadWait(ThreadHandle thread);
// Releases the handle; a thread still running goes on without it.
void threadClose(ThreadHandle thread);

// --- time (time.cpp) -----------------------------------------------------------------------------
// Sleeps for `milliseconds` (kInfinite: for ever). With `alertable`, the sleep may end early (an I/O
// completion on Windows, a signal on POSIX); returns true when it did.
bool sleepFor(unsigned long milliseconds, bool alertable);
// The system clock: milliseconds since 1970-01-01 00:00 UTC, in 64 bits (no 2038 limit).
std::int64_t currentTimeMs();

}  // namespace qvo::platform

#if !defined(_WIN32)
#include "platform/posix/critical_section.h"
#endif

#endif  // QVOBASE_PLATFORM_THREAD_H
