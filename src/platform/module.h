// The operating-system seam, module load: the library's life in the process: the work done once when
// it is loaded and undone when it is unloaded, and the process's exit as the library sees it.
// Defined in posix/module.cpp and win32/module.cpp.
#ifndef QVOBASE_PLATFORM_MODULE_H
#define QVOBASE_PLATFORM_MODULE_H

namespace qvo::platform {

// Windows: Windows Sockets 2.2 start-up and the identity of the thread that loaded the library (the
// main thread of the log's records). POSIX: nothing to do.
void moduleLoad();
void moduleUnload();

// True while the process is being torn down after the operating system has already ended its other
// threads (Windows process exit); locks those threads held may stay taken for ever. False on POSIX,
// where exit() runs the library's destructors while other threads still run.
bool processExitInProgress();

// Runs `hook` when the process exits normally (exit() or a return from main), while its other
// threads still run, before the libraries' own teardown. POSIX: atexit. Windows: the C runtime's
// process-wide exit table, with this library kept loaded from then on (the hook lives in it).
void atProcessExit(void (*hook)());

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_MODULE_H
