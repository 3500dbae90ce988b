// Windows: the alertable sleep of kernel32, the C runtime's 64-bit clock with milliseconds and its
// 64-bit local time.
#include <windows.h>
#include <sys/timeb.h>

#include <ctime>

#include "platform/time.h"

namespace qvo::platform {

bool sleepFor(Timeout timeout, bool alertable) {
  return ::SleepEx(static_cast<DWORD>(timeout.windowsWait()), alertable ? TRUE : FALSE) == WAIT_IO_COMPLETION;
}

std::int64_t currentTimeMs() {
  __timeb64 now{};
  ::_ftime64(&now);
  return static_cast<std::int64_t>(now.time) * 1000 + now.millitm;
}

bool localTime(std::int64_t seconds, std::tm* out) {
  __time64_t t = static_cast<__time64_t>(seconds);
  return ::_localtime64_s(out, &t) == 0;
}

}  // namespace qvo::platform
