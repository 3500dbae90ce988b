// The seam's error primitives: the last socket error as a Windows Sockets number, and the native error
// codes that raw pipe operations negate, named so that tests hold the right number on each target.
#ifndef QVOBASE_PLATFORM_ERROR_H
#define QVOBASE_PLATFORM_ERROR_H

#include "qvo_internal.h"

namespace qvo::platform {

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
