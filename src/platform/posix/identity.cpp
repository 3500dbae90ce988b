// POSIX (Linux): process and thread identifiers.
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/platform.h"

namespace qvo::platform {

unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }

unsigned long currentThreadId() {
  thread_local const unsigned long tid = static_cast<unsigned long>(::syscall(SYS_gettid));
  return tid;
}

// On Linux the main thread's identifier equals the process identifier.
bool isMainThread() { return currentThreadId() == currentProcessId(); }

}  // namespace qvo::platform
