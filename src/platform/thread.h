// The operating-system seam, threads: threads created suspended, their priorities, waits and handles,
// and the identity of the calling process and thread. Defined in posix/thread.cpp and win32/thread.cpp.
#ifndef QVOBASE_PLATFORM_THREAD_H
#define QVOBASE_PLATFORM_THREAD_H

#include "platform/handle.h"

namespace qvo::platform {

// A thread's handle: a Windows thread handle, or on POSIX the seam's own record of the thread. Null
// (kNoThread) is none.
using ThreadHandle = Handle<struct ThreadKind>;
constexpr ThreadHandle kNoThread{nullptr};
using ThreadEntry = unsigned int (*)(void* argument);

// Creates a thread that will run entry(argument) once resumed, and returns its handle with its
// system identifier in `id`; kNoThread (and `id` untouched) when the system refuses the thread.
ThreadHandle threadCreateSuspended(ThreadEntry entry, void* argument, unsigned long& id);
void threadResume(ThreadHandle thread);
// Applies a Windows thread priority level (-15, -2, -1, 0, 1, 2, 15); the result is ignored.
void threadSetPriority(ThreadHandle thread, int level);
// Waits without limit for the thread's end: true once it has ended (at once for an ended thread),
// false when the wait fails (kNoThread, for instance).
bool threadWait(ThreadHandle thread);
// Releases the handle; a thread still running goes on without it.
void threadClose(ThreadHandle thread);

// Identifier of the calling process.
unsigned long currentProcessId();
// Operating-system identifier of the calling thread.
unsigned long currentThreadId();
// True on the process's main thread (on Windows, the thread that loaded the library).
bool isMainThread();
// Has `reset` called in the child of a fork, on its one thread, before the child goes on: for caches of
// what the child does not share with its parent (its process and thread identifiers). Windows has no
// fork: nothing is called there.
void atForkInChild(void (*reset)());

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_THREAD_H
