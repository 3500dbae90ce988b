// The operating-system seam, time and clocks: sleeping, the system clock and local time.
// Defined in posix/time.cpp and win32/time.cpp.
#ifndef QVOBASE_PLATFORM_TIME_H
#define QVOBASE_PLATFORM_TIME_H

#include <cstdint>
#include <ctime>

namespace qvo::platform {

// A wait time in milliseconds that means "no limit".
constexpr unsigned long kInfinite = 0xFFFFFFFFul;

// Sleeps for `milliseconds` (kInfinite: for ever). With `alertable`, the sleep may end early (an I/O
// completion on Windows, a signal on POSIX); returns true when it did.
bool sleepFor(unsigned long milliseconds, bool alertable);

// The system clock: milliseconds since 1970-01-01 00:00 UTC, in 64 bits (no 2038 limit).
std::int64_t currentTimeMs();

// Local broken-down time of `seconds` since 1970-01-01 UTC, 64-bit on both targets (dates after
// January 2038 are right). False when the value cannot be converted.
bool localTime(std::int64_t seconds, std::tm* out);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_TIME_H
