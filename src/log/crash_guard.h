// Saving the threaded logs when the process crashes: the process-wide list of back-ends whose
// queues a crash handler writes out, and the switch that turns crash handling off.
#ifndef QVOBASE_LOG_CRASH_GUARD_H
#define QVOBASE_LOG_CRASH_GUARD_H

#include "QVOExport.h"

namespace qvo {

class CrashQueue;

// A back-end with a writer thread is enrolled until its writer stops; the crash handlers are
// installed while at least one is enrolled and crash handling is on, and removed otherwise.
// Enrolling twice is harmless. False when the list is full (the queue is then not saved).
bool crashGuardEnrol(CrashQueue* queue);
void crashGuardWithdraw(CrashQueue* queue);
// The same without the list's lock, for the teardown after the system has ended the other threads
// (one of them may have held it); the handlers stay until the process ends.
void crashGuardForget(CrashQueue* queue);

// The "<CRASH_HANDLER>" line of the configuration file. Crash handling starts on, unless the
// environment variable QVO_CRASH_HANDLER (read once, when the library is loaded) starts with N, F,
// 0, n or f: then it stays off whatever the configuration says.
void crashGuardSwitch(bool on);

// Called by the writer thread before it writes each block it took (a no-op unless set).
void runWriterHook();

namespace detail {
// For the library's own tests only: a function that the writer thread calls before it writes each
// block it took, to keep it slow or make it fault while it holds lines. Null removes it.
QVO_API void setLogWriterHook(void (*hook)());
}  // namespace detail

}  // namespace qvo

#endif  // QVOBASE_LOG_CRASH_GUARD_H
