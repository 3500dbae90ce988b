// POSIX: the error result of a native error (the native errors are errno values), socket errors as
// Windows Sockets numbers, and the native error codes.
#include "platform/error.h"

#include <cerrno>
#include <cstddef>

namespace qvo::platform {

namespace {

struct SocketErrno {
  int wsa;
  int err;
};

// errno values with a Windows Sockets counterpart; the first matching row wins in each direction.
constexpr SocketErrno kSocketErrors[] = {
    {10004, EINTR},        {10009, EBADF},           {10013, EACCES},          {10014, EFAULT},
    {10022, EINVAL},       {10024, EMFILE},          {10035, EWOULDBLOCK},     {10035, EAGAIN},
    {10036, EINPROGRESS},  {10037, EALREADY},        {10038, ENOTSOCK},        {10039, EDESTADDRREQ},
    {10040, EMSGSIZE},     {10041, EPROTOTYPE},      {10042, ENOPROTOOPT},     {10043, EPROTONOSUPPORT},
    {10044, ESOCKTNOSUPPORT}, {10045, EOPNOTSUPP},   {10046, EPFNOSUPPORT},    {10047, EAFNOSUPPORT},
    {10048, EADDRINUSE},   {10049, EADDRNOTAVAIL},   {10050, ENETDOWN},        {10051, ENETUNREACH},
    {10052, ENETRESET},    {10053, ECONNABORTED},    {10054, ECONNRESET},      {10055, ENOBUFS},
    {10056, EISCONN},      {10057, ENOTCONN},        {10058, ESHUTDOWN},       {10059, ETOOMANYREFS},
    {10060, ETIMEDOUT},    {10061, ECONNREFUSED},    {10062, ELOOP},           {10063, ENAMETOOLONG},
    {10064, EHOSTDOWN},    {10065, EHOSTUNREACH},    {10066, ENOTEMPTY},       {10068, EUSERS},
    {10069, EDQUOT},       {10070, ESTALE},          {10071, EREMOTE},
};

}  // namespace

SysError sysError(int native) { return SysError{native, native}; }
void setLastNativeError(int nativeError) { errno = nativeError; }

int socketErrorNumber(int nativeError) {
  for (const auto& row : kSocketErrors) {
    if (row.err == nativeError) return row.wsa;
  }
  return nativeError;
}

int lastSocketError() { return socketErrorNumber(errno); }

void setLastSocketError(int wsaCode) {
  for (const auto& row : kSocketErrors) {
    if (row.wsa == wsaCode) {
      errno = row.err;
      return;
    }
  }
  errno = wsaCode;
}

const int NativeError::invalidParameter = EINVAL;
const int NativeError::pipeBusy = EBUSY;
const int NativeError::brokenPipe = EPIPE;
const int NativeError::ioPending = EINPROGRESS;
const int NativeError::operationAborted = ECANCELED;

}  // namespace qvo::platform
