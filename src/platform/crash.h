// The operating-system primitives of crash handling: catching the fatal ends of the process, and
// writing from there with nothing but the plain system write call.
#ifndef QVOBASE_PLATFORM_CRASH_H
#define QVOBASE_PLATFORM_CRASH_H

#include <cstddef>

namespace qvo::platform {

// Called once, on the thread that crashed, with how the process ends ("signal 11 (SIGSEGV)",
// "unhandled exception 0xC0000005"). It may use only what is safe in a signal handler.
using CrashSaver = void (*)(char const* how);

// Installs the library's handlers of the fatal ends and remembers the handlers they replace.
// POSIX: sigaction for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT (abort() and std::terminate
// end there). Windows: the unhandled-exception filter, and the C runtime's SIGABRT handler
// (abort() and std::terminate end there).
// On a crash the handler takes a one-shot guard, puts every replaced handler back, calls `saver`,
// then lets the crash go on as it would have without the library: the previous handler runs, or the
// default action ends the process with the same signal, exception code or exit code. A crash on a
// second thread meanwhile waits until the saver is done, then goes on the same way; a fault inside
// the saver itself ends the process at once (the signal is blocked there, so the system ends it).
void installCrashHandlers(CrashSaver saver);
// Puts back the handlers replaced by installCrashHandlers, each only while the library's own is
// still the one installed (a handler installed after the library's stays).
void removeCrashHandlers();

// Writes all `size` bytes to a descriptor of platform::openOutputFile, 0 (nothing) or the standard
// output (1) or error (2), with the plain system call only (no lock, no allocation): usable from a
// signal handler. Windows: a line feed is written as carriage return + line feed, as the log's
// text-mode writes store it, and a file's writes go to its end. False on the first failure.
bool crashWrite(int fd, char const* data, std::size_t size);
// Sleeps about a millisecond; safe in a signal handler.
void crashPause();

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_CRASH_H
