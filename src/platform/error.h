// The operating-system seam, errors: errno from a native error, the thread's last native and socket
// errors, and the native codes that raw pipe operations negate, named so that tests hold the right
// number on each target. Defined in posix/error.cpp and win32/error.cpp.
#ifndef QVOBASE_PLATFORM_ERROR_H
#define QVOBASE_PLATFORM_ERROR_H

#include "qvo_internal.h"

namespace qvo::platform {

// Native error codes are Windows error codes on Windows and errno values on POSIX.
// Sets errno from one: through CQVOBaseNT::winConvertError on Windows, the code itself on POSIX.
QVO_INTERNAL void setErrnoFromNativeError(unsigned long nativeError);
// Sets the thread's last native error (Windows: SetLastError, which is also the last socket error;
// POSIX: errno).
QVO_INTERNAL void setLastNativeError(int nativeError);

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
