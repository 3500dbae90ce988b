// Translation of Windows error codes and socket error codes into errno values.
#include <cerrno>

#include "QVOError.h"

// The errno value of each Windows error code 0 to 267. The entries are the target's own errno
// constants; codes without a closer match give EINVAL. Some entries are kept as they have always
// been although a reader might expect another value: 14 (out of memory) gives EFAULT, 145 (directory
// not empty) gives EEXIST, 13 (invalid data) and 38 (end of file) give EINVAL.
const signed char CQVOBaseNT::WinErrorCodeToErrnoMap[268] = {
    0, EINVAL, ENOENT, ENOENT, EMFILE, EACCES, EBADF, ENOMEM,  // 0-7
    ENOMEM, ENOMEM, E2BIG, ENOEXEC, EACCES, EINVAL, EFAULT, ENOENT,  // 8-15
    EACCES, EXDEV, ENOENT, EROFS, ENXIO, EBUSY, EIO, EIO,  // 16-23
    EIO, EIO, EIO, ENXIO, EBUSY, EIO, EIO, EIO,  // 24-31
    EACCES, EACCES, ENXIO, ENFILE, ENFILE, EINVAL, EINVAL, ENOSPC,  // 32-39
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 40-47
    EINVAL, EINVAL, ENODEV, EBUSY, EEXIST, ENOENT, EBUSY, ENODEV,  // 48-55
    EAGAIN, EIO, EIO, EIO, EINVAL, EFBIG, ENOSPC, ENOENT,  // 56-63
    ENOENT, EACCES, ENODEV, ENOENT, ENFILE, EIO, EAGAIN, EINVAL,  // 64-71
    EAGAIN, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 72-79
    EEXIST, EINVAL, ENOSPC, EIO, ENFILE, EEXIST, EPERM, EINVAL,  // 80-87
    EIO, EAGAIN, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 88-95
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 96-103
    EINVAL, EINVAL, EINVAL, EXDEV, EAGAIN, EPIPE, ENOENT, EINVAL,  // 104-111
    ENOSPC, EMFILE, EBADF, EFAULT, EINVAL, EINVAL, EINVAL, EINVAL,  // 112-119
    EINVAL, EINVAL, EINVAL, ENOENT, EINVAL, EINVAL, EINVAL, ESRCH,  // 120-127
    ECHILD, ECHILD, EBADF, EINVAL, ESPIPE, EINVAL, EINVAL, EINVAL,  // 128-135
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EAGAIN, EINVAL,  // 136-143
    EINVAL, EEXIST, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 144-151
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EACCES, EINVAL,  // 152-159
    EINVAL, ENOENT, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EACCES,  // 160-167
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 168-175
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EEXIST,  // 176-183
    ECHILD, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 184-191
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 192-199
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, ENAMETOOLONG, EINVAL,  // 200-207
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 208-215
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 216-223
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EPIPE, EAGAIN,  // 224-231
    EPIPE, EPIPE, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 232-239
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 240-247
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 248-255
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,  // 256-263
    EINVAL, EINVAL, EINVAL, ENOTDIR,  // 264-267
};

const unsigned int CQVOBaseNT::WinErrorCodeToErrnoMapLen = 268;

// Socket error codes 10035 to 10071 are passed on unchanged.
const int CQVOBaseNT::WinWSAErrorCodeToErrnoMap[37] = {
    10035, 10036, 10037, 10038, 10039, 10040, 10041, 10042, 10043, 10044, 10045, 10046, 10047,
    10048, 10049, 10050, 10051, 10052, 10053, 10054, 10055, 10056, 10057, 10058, 10059, 10060,
    10061, 10062, 10063, 10064, 10065, 10066, 10067, 10068, 10069, 10070, 10071,
};

namespace {
constexpr unsigned long kPipeConnected = 535;
constexpr unsigned long kPipeListening = 536;
constexpr unsigned long kFirstWsaCode = 10035;
constexpr unsigned long kLastWsaCode = 10071;
}  // namespace

void CQVOBaseNT::winConvertError(unsigned long code) {
  if (code < WinErrorCodeToErrnoMapLen) {
    errno = WinErrorCodeToErrnoMap[code];
  } else if (code == kPipeConnected || code == kPipeListening) {
    errno = EPIPE;
  } else {
    errno = EINVAL;
  }
}

void CQVOBaseNT::winConvertWSAError(unsigned long code) {
  if (code >= kFirstWsaCode && code <= kLastWsaCode) {
    errno = WinWSAErrorCodeToErrnoMap[code - kFirstWsaCode];
  } else {
    errno = EINVAL;
  }
}
