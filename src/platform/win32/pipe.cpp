// Windows: named pipes under \\.\pipe\ with the Win32 named-pipe calls, asynchronous (overlapped) for
// the handles that ask for it, and the socket layer's select for WaitForData.
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "platform/error.h"
#include "platform/pipe.h"

#ifndef PIPE_REJECT_REMOTE_CLIENTS
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008
#endif

namespace qvo::platform {

static_assert(sizeof(OVERLAPPED) == kPipeIoRecordSize, "the record storage holds one OVERLAPPED");

const int PipeError::notFound = ERROR_FILE_NOT_FOUND;
const int PipeError::accessDenied = ERROR_ACCESS_DENIED;
const int PipeError::noData = ERROR_NO_DATA;
const int PipeError::badHandle = ERROR_INVALID_HANDLE;

namespace {

OVERLAPPED* overlappedOf(void* record) { return static_cast<OVERLAPPED*>(record); }

// Waits for the operation's completion event or `cancel` without limit. Returns 0 (completed),
// 1 (cancelled) or -1 (the wait failed; the last error tells why).
int waitCompletion(OVERLAPPED* o, EventHandle cancel, DWORD timeout) {
  HANDLE events[2] = {o->hEvent, cancel.raw};
  const DWORD n = cancel != kNoEvent ? 2 : 1;
  const DWORD r = ::WaitForMultipleObjects(n, events, FALSE, timeout);
  if (r == WAIT_OBJECT_0) return 0;
  if (r == WAIT_OBJECT_0 + 1) return 1;
  if (r == WAIT_TIMEOUT) return 2;
  return -1;
}

// An operation that is given up must end before its record and buffer may be reused or freed: cancel
// it and wait for the cancellation to complete. (A handle that another thread has closed meanwhile has
// had its operations cancelled by the close.)
void abandon(HANDLE h, OVERLAPPED* o) {
  const DWORD saved = ::GetLastError();
  ::CancelIoEx(h, o);
  DWORD ignored = 0;
  ::GetOverlappedResult(h, o, &ignored, TRUE);
  ::ResetEvent(o->hEvent);
  ::SetLastError(saved);
}

// One asynchronous read or write: started, then waited for without limit. Returns 0 with `count`, or
// the error.
template <typename Start>
int transfer(HANDLE h, void* record, EventHandle cancel, std::uint32_t& count, Start start) {
  count = 0;
  DWORD n = 0;
  if (record == nullptr) {
    if (!start(&n, nullptr)) return static_cast<int>(::GetLastError());
    count = n;
    return 0;
  }
  OVERLAPPED* o = overlappedOf(record);
  if (!start(nullptr, o)) {
    const DWORD e = ::GetLastError();
    if (e != ERROR_IO_PENDING) return static_cast<int>(e);
    const int w = waitCompletion(o, cancel, INFINITE);
    if (w != 0) {
      // Ended by the close event: the operation that started the wait left "pending" as the error.
      const DWORD why = w == 1 ? ERROR_IO_PENDING : ::GetLastError();
      abandon(h, o);
      return static_cast<int>(why);
    }
  }
  // The completion event is left set: ReadFile and WriteFile clear it themselves when they start the
  // next operation, so a reset here would only cost a call per transfer (under Wine a request to its
  // server, as dear as the transfer itself for small pieces).
  const BOOL ok = ::GetOverlappedResult(h, o, &n, FALSE);
  if (!ok) return static_cast<int>(::GetLastError());
  count = n;
  return 0;
}

}  // namespace

PipeHandle invalidPipeHandle() { return PipeHandle{INVALID_HANDLE_VALUE}; }

std::string const& pipeNamePrefix() {
  static const std::string prefix = "\\\\.\\pipe\\";
  return prefix;
}

void pipeIoRecordInit(void* record, EventHandle completionEvent) {
  if (record == nullptr) return;
  OVERLAPPED* o = new (record) OVERLAPPED;
  std::memset(o, 0, sizeof *o);
  o->hEvent = completionEvent.raw;
}

// --- open and create ---------------------------------------------------------------------------------

SysError pipeOpen(char const* nativeName, PipeDirection direction, bool overlapped, PipeHandle& handle) {
  handle.raw = ::CreateFileA(nativeName, direction == PipeDirection::read ? GENERIC_READ : GENERIC_WRITE, 0,
                             nullptr, OPEN_EXISTING, overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  return sysError(handle.raw == INVALID_HANDLE_VALUE ? static_cast<int>(::GetLastError()) : 0);
}

SysError pipeCreate(char const* nativeName, PipeDirection direction, bool overlapped, PipeHandle& handle) {
  // Not inheritable: a child process started while the pipe is open would hold this end too, so that
  // closing it here would never reach the other end, and the name would stay taken until the child ends.
  const DWORD openMode = (direction == PipeDirection::read ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND) |
                         (overlapped ? FILE_FLAG_OVERLAPPED : 0);
  // Byte mode, blocking mode; the library's pipes are always local, so ends on other machines are
  // refused.
  const DWORD pipeMode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  handle.raw = ::CreateNamedPipeA(nativeName, openMode, pipeMode, 1, 4096, 4096, 1000, nullptr);
  return sysError(handle.raw == INVALID_HANDLE_VALUE ? static_cast<int>(::GetLastError()) : 0);
}

// --- connection and transfer -------------------------------------------------------------------------

SysError pipeConnect(PipeHandle pipe, void* record, Timeout timeout, EventHandle cancel) {
  HANDLE const handle = pipe.raw;
  if (record == nullptr) {
    if (::ConnectNamedPipe(handle, nullptr)) return kNoError;
    const DWORD e = ::GetLastError();
    return sysError(e == ERROR_PIPE_CONNECTED ? 0 : static_cast<int>(e));
  }
  OVERLAPPED* o = overlappedOf(record);
  if (::ConnectNamedPipe(handle, o)) return kNoError;
  const DWORD e = ::GetLastError();
  if (e == ERROR_PIPE_CONNECTED) return kNoError;
  if (e != ERROR_IO_PENDING) return sysError(static_cast<int>(e));
  const int w = waitCompletion(o, cancel, static_cast<DWORD>(timeout.windowsWait()));
  if (w == 0) {
    DWORD ignored = 0;
    if (::GetOverlappedResult(handle, o, &ignored, FALSE)) return kNoError;
    return sysError(static_cast<int>(::GetLastError()));
  }
  const DWORD why = w == 1 ? ERROR_NO_DATA : (w == 2 ? ERROR_IO_PENDING : ::GetLastError());
  abandon(handle, o);
  return sysError(static_cast<int>(why));
}

SysError pipeRead(PipeHandle handle, void* buffer, std::uint32_t size, void* record, EventHandle cancel,
                  std::uint32_t& count) {
  return sysError(transfer(handle.raw, record, cancel, count, [&](DWORD* n, OVERLAPPED* o) {
    return ::ReadFile(handle.raw, buffer, size, n, o) != 0;
  }));
}

SysError pipeWrite(PipeHandle handle, void const* buffer, std::uint32_t size, void* record,
                   EventHandle cancel, std::uint32_t& count) {
  return sysError(transfer(handle.raw, record, cancel, count, [&](DWORD* n, OVERLAPPED* o) {
    return ::WriteFile(handle.raw, buffer, size, n, o) != 0;
  }));
}

SysError pipeFlush(PipeHandle handle) {
  return sysError(::FlushFileBuffers(handle.raw) ? 0 : static_cast<int>(::GetLastError()));
}

SysError pipeDisconnect(PipeHandle handle) {
  return sysError(::DisconnectNamedPipe(handle.raw) ? 0 : static_cast<int>(::GetLastError()));
}

void pipeClose(PipeHandle handle) {
  if (isValidPipeHandle(handle)) ::CloseHandle(handle.raw);
}

bool pipeWaitAvailable(char const* nativeName) { return ::WaitNamedPipeA(nativeName, NMPWAIT_USE_DEFAULT_WAIT) != 0; }

bool socketWaitReadable(int socket, Timeout timeout) {
  const long timeoutMs = timeout.isUnlimited() ? -1 : static_cast<long>(timeout.milliseconds());
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(static_cast<SOCKET>(socket), &readable);
  timeval limit;
  limit.tv_sec = timeoutMs < 0 ? 0 : timeoutMs / 1000;
  limit.tv_usec = timeoutMs < 0 ? 0 : (timeoutMs % 1000) * 1000;
  // The count argument is ignored by Windows Sockets.
  return ::select(64, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit) != 0;
}

}  // namespace qvo::platform
