// Windows: the alertable sleep of kernel32 and the C runtime's 64-bit clock with milliseconds.
#include <windows.h>
#include <sys/timeb.h>

#include "platform/platform.h"

namespace qvo::platform {

bool sleepFor(unsigned long milliseconds, bool alertable) {
  const DWORD wait = milliseconds >= kInfinite ? INFINITE : static_cast<DWORD>(milliseconds);
  return ::SleepEx(wait, alertable ? TRUE : FALSE) == WAIT_IO_COMPLETION;
}

std::int64_t currentTimeMs() {
  __timeb64 now{};
  ::_ftime64(&now);
  return static_cast<std::int64_t>(now.time) * 1000 + now.millitm;
}

}  // namespace qvo::platform
