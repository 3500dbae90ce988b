// The operating-system seam, pipes and sockets: native names and open/create/connect/read/write/flush/
// disconnect/close of one native pipe, and the readable wait of a socket. The waits take an event of
// platform/event.h that ends them. The shared algorithms (retry with the opposite direction, channel
// inversion, message reads, error accounting) live above the seam in src/pipe/. Defined in
// posix/pipe.cpp and win32/pipe.cpp.
#ifndef QVOBASE_PLATFORM_PIPE_H
#define QVOBASE_PLATFORM_PIPE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/event.h"
#include "platform/handle.h"
#include "platform/time.h"
#include "qvo_internal.h"

namespace qvo::platform {

// A native pipe handle (the pipe classes store its `raw` pointer): a Windows HANDLE, or on POSIX a number
// that names an entry of the seam's own table. All bits set is the invalid handle.
using PipeHandle = Handle<struct PipeKind>;
QVO_INTERNAL PipeHandle invalidPipeHandle();
inline bool isValidPipeHandle(PipeHandle h) { return h != invalidPipeHandle(); }

// What this end does with a channel: it reads from it or writes to it.
enum class PipeDirection { read, write };

// Size of one asynchronous-operation record: the storage of an OVERLAPPED on Windows (the pipe classes
// keep two of them as members); unused on POSIX. Three pointers and two 32-bit words.
constexpr std::size_t kPipeIoRecordSize = 3 * sizeof(void*) + 8;

// Native error codes that the pipe primitives return besides those of platform/error.h, as the system numbers
// them: Windows error codes on Windows, errno values on POSIX.
struct QVO_INTERNAL PipeError {
  static const int notFound;      // no pipe of that name (2 / ENOENT)
  static const int accessDenied;  // the pipe exists with the other direction (5 / EACCES)
  static const int noData;        // the pipe is being closed (232 / EPIPE)
  static const int badHandle;     // not a handle of an open pipe (6 / EBADF)
};

// The prefix of every native pipe name: "\\.\pipe\" on Windows; on POSIX the per-user directory
// "$XDG_RUNTIME_DIR/qvo-pipes/" (when that variable names a directory) or "/tmp/qvo-pipes-<uid>/".
QVO_INTERNAL std::string const& pipeNamePrefix();

// Clears an operation record and names the event that its operation signals when it completes.
QVO_INTERNAL void pipeIoRecordInit(void* record, EventHandle completionEvent);

// Opens an existing pipe by native name for the given direction. `overlapped`: the handle serves
// asynchronous operations (the records and cancel events of the calls below). Returns 0 with the handle,
// or the native error: PipeError::notFound, PipeError::accessDenied (the pipe's creator uses the same
// direction; on POSIX also: the pipe directory is not the user's own private one, or another user
// listens on the pipe), NativeError::pipeBusy (its one instance is taken), or another system error.
QVO_INTERNAL SysError pipeOpen(char const* nativeName, PipeDirection direction, bool overlapped,
                               PipeHandle& handle);
// Creates the one instance of a pipe; this end uses it in `direction`. Returns 0 with the handle, or
// NativeError::pipeBusy when an instance of the name exists, or another system error (on POSIX EACCES
// when the pipe directory is not the user's own private one). The creator then waits for the other end
// with pipeConnect, which on POSIX drops connections of other users.
QVO_INTERNAL SysError pipeCreate(char const* nativeName, PipeDirection direction, bool overlapped,
                                 PipeHandle& handle);

// Waits until the other end has opened a created pipe (at once when it already has). `record`: the
// operation record (overlapped handles; null otherwise); `timeout` bounds the wait; `cancel`, a
// set event that ends the wait (kNoEvent: none). Returns 0 when connected, PipeError::noData when ended by
// `cancel`, the system's time-out or pending code when the time ran out, or another system error.
QVO_INTERNAL SysError pipeConnect(PipeHandle handle, void* record, Timeout timeout, EventHandle cancel);

// Reads up to `size` bytes, waiting without limit until at least one byte has come, the pipe fails or
// `cancel` is set. Returns 0 with `count` > 0; on failure the native error: NativeError::brokenPipe when
// the other end has gone, NativeError::ioPending when `cancel` ended the wait.
QVO_INTERNAL SysError pipeRead(PipeHandle handle, void* buffer, std::uint32_t size, void* record,
                               EventHandle cancel, std::uint32_t& count);
// Writes all `size` bytes, waiting without limit until the other end has room for them, the pipe fails
// or `cancel` is set. Returns 0 with `count` == size, or the native error (NativeError::ioPending when
// `cancel` ended the wait; `count` then holds what was written).
QVO_INTERNAL SysError pipeWrite(PipeHandle handle, void const* buffer, std::uint32_t size, void* record,
                                EventHandle cancel, std::uint32_t& count);

// Waits until the other end has read everything this end wrote (or has gone). Returns 0 or the error.
QVO_INTERNAL SysError pipeFlush(PipeHandle handle);
// Created pipes: ends the other end's connection; what this end has not read is discarded.
QVO_INTERNAL SysError pipeDisconnect(PipeHandle handle);
// Releases the handle; a creator's pipe name disappears. A wait of another thread on the handle ends.
QVO_INTERNAL void pipeClose(PipeHandle handle);

// True when an instance of the name waits for a connection, waiting up to the pipes' default time-out
// (1000 ms) for one to become free; false at once when no pipe of the name exists.
QVO_INTERNAL bool pipeWaitAvailable(char const* nativeName);

// Waits until `socket` is readable: true when it is, also when the wait fails or `socket` is not an open
// socket; false when the time-out ran out.
QVO_INTERNAL bool socketWaitReadable(int socket, Timeout timeout);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_PIPE_H
