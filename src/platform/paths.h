// The operating-system seam, paths: fixed path texts that differ between the targets.
#ifndef QVOBASE_PLATFORM_PATHS_H
#define QVOBASE_PLATFORM_PATHS_H

namespace qvo::platform {

// The fixed temporary directory of the target, with a trailing separator ("C:\TEMP\" on Windows,
// "/tmp/" on POSIX). A constant: no environment variable or system call is consulted.
char const* fixedTemporaryDirectory();

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_PATHS_H
