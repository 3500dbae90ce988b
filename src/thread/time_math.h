// Wrapping arithmetic for the seconds of NanoTime: on targets with a 32-bit long, seconds since 1970
// pass the top of long in January 2038; computed modulo the width of long, differences stay right.
#ifndef QVOBASE_THREAD_TIME_MATH_H
#define QVOBASE_THREAD_TIME_MATH_H

#include <cstdint>

namespace qvo::timemath {

// The low bits of a 64-bit count as a long (modulo 2^bits of long).
inline long wrapToLong(std::int64_t value) {
  return static_cast<long>(static_cast<unsigned long>(static_cast<std::uint64_t>(value)));
}

inline long wrappingAdd(long a, long b) {
  return static_cast<long>(static_cast<unsigned long>(a) + static_cast<unsigned long>(b));
}

inline long wrappingSubtract(long a, long b) {
  return static_cast<long>(static_cast<unsigned long>(a) - static_cast<unsigned long>(b));
}

// Seconds and nanoseconds since 1970 for a clock reading in milliseconds.
inline void splitMilliseconds(std::int64_t ms, long& seconds, long& nanoseconds) {
  std::int64_t s = ms / 1000;
  std::int64_t rest = ms % 1000;
  if (rest < 0) {  // before 1970: keep the nanoseconds within 0..999,999,999
    rest += 1000;
    --s;
  }
  seconds = wrapToLong(s);
  nanoseconds = static_cast<long>(rest * 1000000);
}

}  // namespace qvo::timemath

#endif  // QVOBASE_THREAD_TIME_MATH_H
