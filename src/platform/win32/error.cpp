// Windows: the error result of a Windows error code (its errno value from the library's table), the
// last native and socket errors, and the native (Windows) error codes.
#include <winsock2.h>
#include <windows.h>

#include "common/windows_errors.h"
#include "platform/error.h"

namespace qvo::platform {

SysError sysError(int native) {
  return SysError{native, common::errnoOfWindowsError(static_cast<unsigned long>(static_cast<DWORD>(native)))};
}
void setLastNativeError(int nativeError) { ::SetLastError(static_cast<DWORD>(nativeError)); }
int socketErrorNumber(int nativeError) { return nativeError; }

int lastSocketError() { return ::WSAGetLastError(); }
void setLastSocketError(int wsaCode) { ::WSASetLastError(wsaCode); }

const int NativeError::invalidParameter = ERROR_INVALID_PARAMETER;
const int NativeError::pipeBusy = ERROR_PIPE_BUSY;
const int NativeError::brokenPipe = ERROR_BROKEN_PIPE;
const int NativeError::ioPending = ERROR_IO_PENDING;
const int NativeError::operationAborted = ERROR_OPERATION_ABORTED;

}  // namespace qvo::platform
