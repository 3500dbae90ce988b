// The operating-system seam, errors: the one error result of the seam's primitives, the thread's last
// native and socket errors, and the native codes that raw pipe operations negate, named so that tests
// hold the right number on each target. Defined in posix/error.cpp and win32/error.cpp.
#ifndef QVOBASE_PLATFORM_ERROR_H
#define QVOBASE_PLATFORM_ERROR_H

#include <cerrno>

#include "qvo_internal.h"

namespace qvo::platform {

// What a primitive reports: its native code as the system numbers it (a Windows error code on
// Windows, an errno value on POSIX; 0 for success) and the errno value the library gives for it,
// translated once, here at the seam (the library's table of Windows codes on Windows; the same number on
// POSIX). Callers above the seam test it, hand on its native code, and set errno from it; they never
// translate a code themselves.
struct SysError {
  int native;
  int errnoValue;

  constexpr bool failed() const { return native != 0; }
  explicit constexpr operator bool() const { return native != 0; }
  // Sets the calling thread's errno to the library's value.
  void setErrno() const { errno = errnoValue; }

  friend constexpr bool operator==(SysError e, int native) { return e.native == native; }
  friend constexpr bool operator!=(SysError e, int native) { return e.native != native; }
  friend constexpr bool operator==(int native, SysError e) { return e.native == native; }
  friend constexpr bool operator!=(int native, SysError e) { return e.native != native; }
};
constexpr SysError kNoError{0, 0};

// The result of a native code (0: kNoError). For codes that code above the seam gives itself
// (NativeError::invalidParameter) and for the seam's own files.
QVO_INTERNAL SysError sysError(int native);

// Sets the thread's last native error (Windows: SetLastError, which is also the last socket error;
// POSIX: errno).
QVO_INTERNAL void setLastNativeError(int nativeError);
// The number under which the socket layer reports a native error (what lastSocketError gives once it
// is the thread's last error): the code itself on Windows, its Windows Sockets number on POSIX where
// one exists (ECONNREFUSED is 10061), the errno value otherwise.
QVO_INTERNAL int socketErrorNumber(int nativeError);

// The calling thread's last socket error as a Windows Sockets number: WSAGetLastError() on Windows;
// on POSIX errno, translated to its Windows Sockets number where one exists (ECONNREFUSED is 10061),
// unchanged otherwise.
QVO_INTERNAL int lastSocketError();
// Sets the calling thread's last socket error from a Windows Sockets number (for tests and for code
// that reports a socket failure it detected itself). On POSIX errno receives the matching value.
QVO_INTERNAL void setLastSocketError(int wsaCode);

// Native error codes, as the operating system numbers them: Windows error codes on Windows, errno
// values on POSIX. Raw pipe reads and writes return these negated.
struct QVO_INTERNAL NativeError {
  static const int invalidParameter;
  static const int pipeBusy;
  static const int brokenPipe;
  static const int ioPending;
  static const int operationAborted;
};

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_ERROR_H
