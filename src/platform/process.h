// The operating-system seam, processes: start a program, wait for its end with a time-out, collect its
// exit status, terminate it, the files that starting a program needs, and ending the calling process
// at once. Everything above the seam (messages, paths, command-line splitting, the
// shared handle state, the results) is portable. Defined in posix/process.cpp and win32/process.cpp.
#ifndef QVOBASE_PLATFORM_PROCESS_H
#define QVOBASE_PLATFORM_PROCESS_H

#include <cstdint>
#include <string>
#include <vector>

#include "QVOProcess.h"
#include "platform/error.h"
#include "platform/time.h"
#include "qvo_internal.h"

namespace qvo::platform {

// A native object as an integer: a Windows HANDLE, or a POSIX descriptor.
using NativeHandle = std::intptr_t;
// No object: NULL on Windows, -1 on POSIX.
extern const NativeHandle kNoHandle;

// --- redirection files ---------------------------------------------------------------------------
// Creates (or truncates) a file that a child's standard output or error will be written to: readable
// and writable, shared for reading and writing, not inheritable on Windows and closed on exec on POSIX
// (the spawn hands it to its own child alone). kNoHandle and *error on failure.
NativeHandle createRedirectionFile(const std::string& path, SysError* error);
void closeNativeHandle(NativeHandle handle);
// The calling process's standard error (GetStdHandle on Windows, descriptor 2 on POSIX).
NativeHandle standardErrorHandle();
// Writes the whole text to the handle; failures are ignored (the text is a last-resort diagnostic).
void writeToNativeHandle(NativeHandle handle, const std::string& text);

// --- processes -----------------------------------------------------------------------------------
// What starting a program needs. stdOutput and stdError are kNoHandle to keep the caller's stream.
struct SpawnRequest {
  std::string commandLine;       // quoted program path, then the arguments (Windows quoting rules)
  // The same command line split with the Windows quoting rules (program first): what POSIX starts.
  std::vector<std::string> arguments;
  std::string workingDirectory;  // the child's current directory
  // The working directory is this process's current directory: the child inherits it, which also
  // holds for a directory too long for the system's calls that take a directory by name.
  bool inheritDirectory = false;
  bool newConsole = false;       // Windows: a console of its own; else a hidden window
  NativeHandle stdOutput = kNoHandle;
  NativeHandle stdError = kNoHandle;
};

// A process reference held by the library: the Windows process handle, or on POSIX a pidfd (kNoHandle
// where the kernel has none, and the parent-child relation stands in for it) with the child's pid.
struct ProcessRef {
  NativeHandle handle = kNoHandle;
  std::uint32_t pid = 0;
  bool child = false;  // started by this library (POSIX: this process must collect it)
};

// What creation returned, the layout of Win32's PROCESS_INFORMATION. On Windows thread is the value of
// the (already closed) thread handle; on POSIX process is the pidfd or 0, thread 0, threadId the pid.
struct SpawnedProcess {
  ProcessRef ref;
  std::uintptr_t process = 0;
  std::uintptr_t thread = 0;
  std::uint32_t threadId = 0;
};

// Starts the program in a new process group. The child receives its standard handles and no other
// handle of this process, also when other threads start children at the same moment (see
// platform/child_handles.h). True with *out filled, or false with *error (a missing working
// directory gives ERROR_DIRECTORY on Windows, ENOTDIR on POSIX).
bool spawnProcess(const SpawnRequest& request, SpawnedProcess* out, SysError* error);

// Takes a reference of the library's own to a process handle that the caller holds (Windows: a
// duplicate of the handle, so the caller's handle is never closed by the library). False when the
// value is no usable process handle; always false on POSIX, where such values carry nothing.
bool adoptProcessHandle(std::uintptr_t process, std::uint32_t pid, ProcessRef* out);

// Opens a reference to the process that has this identifier now, for a process the library did not
// start (OpenProcess with all access; pidfd_open on POSIX). False and *error when there is none.
bool openProcessById(std::uint32_t pid, ProcessRef* out, SysError* error);

enum class WaitResult { Ended, TimedOut, Failed };
// Waits until the time-out for the process to end, without collecting it: a later readExitStatus reads
// the status. Failed sets *error.
WaitResult waitForProcessEnd(const ProcessRef& ref, Timeout timeout, SysError* error);

// Reads the exit status of an ended process: its exit code (Windows: as int, so codes of 0x80000000 and
// above are negative; POSIX: 0-255, or minus the signal's number for a child ended by a signal). With
// reap true the child is collected (POSIX: no zombie remains; the pid may then be reused), with reap
// false it stays waitable. False and *error when the status cannot be read (POSIX: the process
// is not a child of this one, or was collected elsewhere).
bool readExitStatus(const ProcessRef& ref, bool reap, int* status, SysError* error);

// Ends the process at once (TerminateProcess with exit code 1; SIGKILL on POSIX). Only for a process
// not yet collected. False and *error on failure.
bool terminateProcess(const ProcessRef& ref, SysError* error);

// Closes the reference. collected says whether the process's end was collected; on POSIX a child that
// was not is kept on a list that later spawns and releases sweep, collecting it once it has ended, so
// no zombie is left behind.
void releaseProcess(const ProcessRef& ref, bool collected);

// --- process information -------------------------------------------------------------------------
// The library's storage of a PROCESS_INFORMATION: Win32's type is complete only where <windows.h> is
// included, so the conversion (and qvo::pid_t::processInfo(), which returns one) is defined here.
qvo::detail::ProcessInformationStorage storageFromProcessInformation(PROCESS_INFORMATION const& pi);

// Ends the calling process at once with the status: no exit handlers, no flushing of C streams, no
// library unload work (Windows: TerminateProcess on itself, since the runtime's _exit flushes streams
// on unload under some runtimes; POSIX: _exit).
[[noreturn]] void exitProcessNow(int status);

// Linux: whether processes are reached through a pidfd where the kernel has one (the default) or, as
// on kernels without, through the parent-child relation and polling. Tests turn it off to exercise
// that path; it applies to processes started or opened afterwards. Windows: no effect.
QVO_INTERNAL void setProcessDescriptorsEnabled(bool enabled);

// The family of the running system, for callers that refuse what an old one cannot do: Windows NT and
// its successors, Windows 95 and its successors, another Windows (Win32s), or POSIX.
enum class SystemFamily { windowsNT, windows95, otherWindows, posix };
SystemFamily systemFamily();

// Lets this process open processes of other users where the system asks for a privilege to do so
// (Windows: enables the debug privilege; whether it is granted is not reported). POSIX: nothing.
void enableDebugPrivilege();

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_PROCESS_H
