// The operating-system seam, time and clocks: sleeping, the system clock and local time.
// Defined in posix/time.cpp and win32/time.cpp.
#ifndef QVOBASE_PLATFORM_TIME_H
#define QVOBASE_PLATFORM_TIME_H

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>

namespace qvo::platform {

// A wait time in milliseconds that means "no limit" (Windows' INFINITE).
constexpr unsigned long kInfinite = 0xFFFFFFFFul;

// How long a wait may last: no limit, or a number of milliseconds. Every wait of the seam takes one, and
// the library's two spellings of a time-out are turned into one here, once.
class Timeout {
 public:
  static constexpr Timeout unlimited() { return Timeout(true, 0); }
  static constexpr Timeout ms(unsigned long milliseconds) { return Timeout(false, milliseconds); }
  // A signed count where any negative value means no limit (the pipes', the processes' spelling).
  static constexpr Timeout fromSigned(long milliseconds) {
    return milliseconds < 0 ? unlimited() : ms(static_cast<unsigned long>(milliseconds));
  }
  // An unsigned count where kInfinite or more means no limit (the Windows waits' spelling).
  static constexpr Timeout fromUnsigned(unsigned long milliseconds) {
    return milliseconds >= kInfinite ? unlimited() : ms(milliseconds);
  }

  constexpr bool isUnlimited() const { return m_unlimited; }
  // The milliseconds as a Windows wait takes them: kInfinite for no limit, else at most kInfinite - 1.
  constexpr unsigned long windowsWait() const {
    return m_unlimited ? kInfinite : m_ms < kInfinite ? m_ms : kInfinite - 1;
  }
  constexpr unsigned long milliseconds() const { return m_ms; }

 private:
  constexpr Timeout(bool unlimited, unsigned long milliseconds) : m_unlimited(unlimited), m_ms(milliseconds) {}
  bool m_unlimited;
  unsigned long m_ms;
};

// The moment a wait that began now must end, on the monotonic clock (changes of the wall clock neither
// stretch nor cut it). A wait that is woken early, interrupted or split into system calls of a bounded
// length asks it what is left; the arithmetic of deadlines is written here only. Time-outs beyond ten
// years are ten years, which the clock's arithmetic holds.
class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Deadline(Timeout timeout)
      : m_unlimited(timeout.isUnlimited()),
        m_at(m_unlimited ? Clock::time_point::max()
                         : Clock::now() + std::chrono::milliseconds(std::min<std::uint64_t>(
                                              timeout.milliseconds(), kTenYearsMs))) {}

  bool isUnlimited() const { return m_unlimited; }
  // True once the deadline has come (never without a limit).
  bool passed() const { return !m_unlimited && Clock::now() >= m_at; }
  // What is left (zero once passed); without a limit, the largest duration.
  Clock::duration left() const {
    if (m_unlimited) return Clock::duration::max();
    const Clock::duration left = m_at - Clock::now();
    return left > Clock::duration::zero() ? left : Clock::duration::zero();
  }
  // What is left in whole milliseconds, rounded up so that a wait of that length reaches the deadline,
  // at most `cap`; -1 without a limit (what poll takes).
  int pollMs(int cap = INT_MAX) const {
    if (m_unlimited) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left()).count();
    return ms < cap ? static_cast<int>(ms) : cap;
  }
  // The same for the Windows waits: kInfinite without a limit, else at most kInfinite - 1.
  unsigned long windowsWaitMs() const {
    if (m_unlimited) return kInfinite;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left()).count();
    return static_cast<unsigned long long>(ms) < kInfinite ? static_cast<unsigned long>(ms) : kInfinite - 1;
  }

 private:
  static constexpr std::uint64_t kTenYearsMs = 315360000000ull;
  bool m_unlimited;
  Clock::time_point m_at;
};

// Sleeps for `timeout` (no limit: for ever). With `alertable`, the sleep may end early (an I/O
// completion on Windows, a signal on POSIX); returns true when it did.
bool sleepFor(Timeout timeout, bool alertable);

// The system clock: milliseconds since 1970-01-01 00:00 UTC, in 64 bits (no 2038 limit).
std::int64_t currentTimeMs();

// Local broken-down time of `seconds` since 1970-01-01 UTC, 64-bit on both targets (dates after
// January 2038 are right). False when the value cannot be converted.
bool localTime(std::int64_t seconds, std::tm* out);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_TIME_H
