// POSIX (Linux): fixed path texts. No system call lives here.
#include "platform/platform.h"

namespace qvo::platform {

// The Windows text "C:\TEMP\" names no directory here; /tmp/ exists on every POSIX system.
char const* fixedTemporaryDirectory() { return "/tmp/"; }

}  // namespace qvo::platform
