// POSIX: sleeping (an alertable sleep ends early when a signal interrupts it), the system clock and
// local time (localtime_r).
#include <time.h>

#include <cerrno>

#include "platform/time.h"

namespace qvo::platform {

bool sleepFor(Timeout timeout, bool alertable) {
  if (timeout.isUnlimited()) {
    // No limit: sleep in long slices; an alertable sleep still ends at the first signal.
    for (;;) {
      timespec slice{3600, 0};
      if (::nanosleep(&slice, nullptr) != 0 && errno == EINTR && alertable) return true;
    }
  }
  const unsigned long milliseconds = timeout.milliseconds();
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0) {
    if (errno != EINTR) return false;
    if (alertable) return true;
  }
  return false;
}

std::int64_t currentTimeMs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool localTime(std::int64_t seconds, std::tm* out) {
  time_t t = static_cast<time_t>(seconds);
  return ::localtime_r(&t, out) != nullptr;
}

}  // namespace qvo::platform
