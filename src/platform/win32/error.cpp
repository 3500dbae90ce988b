// Windows: errno from a Windows error code (the library's error table), the last native and socket
// errors, and the native (Windows) error codes.
#include <winsock2.h>
#include <windows.h>

#include "QVOError.h"
#include "platform/error.h"

namespace qvo::platform {

void setErrnoFromNativeError(unsigned long nativeError) { CQVOBaseNT::winConvertError(nativeError); }
void setLastNativeError(int nativeError) { ::SetLastError(static_cast<DWORD>(nativeError)); }

int lastSocketError() { return ::WSAGetLastError(); }
void setLastSocketError(int wsaCode) { ::WSASetLastError(wsaCode); }

const int NativeError::invalidParameter = ERROR_INVALID_PARAMETER;
const int NativeError::pipeBusy = ERROR_PIPE_BUSY;
const int NativeError::brokenPipe = ERROR_BROKEN_PIPE;
const int NativeError::ioPending = ERROR_IO_PENDING;
const int NativeError::operationAborted = ERROR_OPERATION_ABORTED;

}  // namespace qvo::platform
