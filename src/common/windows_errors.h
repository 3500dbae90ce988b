// The errno value of a Windows error code: the library's one translation, portable (both targets
// number their errno values with their own constants), used by the seam for the codes it reports and
// by CQVOBaseNT::winConvertError.
#ifndef QVOBASE_COMMON_WINDOWS_ERRORS_H
#define QVOBASE_COMMON_WINDOWS_ERRORS_H

#include <cerrno>

#include "qvo_internal.h"

// The errno value of each Windows error code 0 to 267, eight to a line, written once for the table of
// errnoOfWindowsError and CQVOBaseNT's exported copy. The entries are the target's own errno constants;
// codes without a closer match give EINVAL. Some entries are kept as they have always been although a
// reader might expect another value: 14 (out of memory) gives EFAULT, 145 (directory not empty) gives
// EEXIST, 13 (invalid data) and 38 (end of file) give EINVAL.
#define QVO_ERRNO_OF_WINDOWS_ERRORS \
    0, EINVAL, ENOENT, ENOENT, EMFILE, EACCES, EBADF, ENOMEM,             \
    ENOMEM, ENOMEM, E2BIG, ENOEXEC, EACCES, EINVAL, EFAULT, ENOENT,       \
    EACCES, EXDEV, ENOENT, EROFS, ENXIO, EBUSY, EIO, EIO,                 \
    EIO, EIO, EIO, ENXIO, EBUSY, EIO, EIO, EIO,                           \
    EACCES, EACCES, ENXIO, ENFILE, ENFILE, EINVAL, EINVAL, ENOSPC,        \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, ENODEV, EBUSY, EEXIST, ENOENT, EBUSY, ENODEV,         \
    EAGAIN, EIO, EIO, EIO, EINVAL, EFBIG, ENOSPC, ENOENT,                 \
    ENOENT, EACCES, ENODEV, ENOENT, ENFILE, EIO, EAGAIN, EINVAL,          \
    EAGAIN, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EEXIST, EINVAL, ENOSPC, EIO, ENFILE, EEXIST, EPERM, EINVAL,           \
    EIO, EAGAIN, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,          \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EXDEV, EAGAIN, EPIPE, ENOENT, EINVAL,         \
    ENOSPC, EMFILE, EBADF, EFAULT, EINVAL, EINVAL, EINVAL, EINVAL,        \
    EINVAL, EINVAL, EINVAL, ENOENT, EINVAL, EINVAL, EINVAL, ESRCH,        \
    ECHILD, ECHILD, EBADF, EINVAL, ESPIPE, EINVAL, EINVAL, EINVAL,        \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EAGAIN, EINVAL,       \
    EINVAL, EEXIST, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EACCES, EINVAL,       \
    EINVAL, ENOENT, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EACCES,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EEXIST,       \
    ECHILD, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, ENAMETOOLONG, EINVAL, \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EPIPE, EAGAIN,        \
    EPIPE, EPIPE, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,         \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL, EINVAL,       \
    EINVAL, EINVAL, EINVAL, ENOTDIR,

namespace qvo::common {

// How many Windows error codes the table holds (0 to 267).
constexpr unsigned kWindowsErrorsInTable = 268;

// errnoOfWindowsError(2) is ENOENT, (267) ENOTDIR, (535) and (536) EPIPE (a pipe connected or
// listening), any other code beyond the table EINVAL.
QVO_INTERNAL int errnoOfWindowsError(unsigned long code);

}  // namespace qvo::common

#endif  // QVOBASE_COMMON_WINDOWS_ERRORS_H
