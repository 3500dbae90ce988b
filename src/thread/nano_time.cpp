// NanoTime: seconds and nanoseconds from the system clock, with wrapping arithmetic on the seconds.
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

#include "QVOThread.h"
#include "platform/time.h"
#include "thread/time_math.h"

using qvo::timemath::wrappingAdd;
using qvo::timemath::wrappingSubtract;
using qvo::timemath::wrapToLong;

NanoTime::NanoTime() : m_seconds(0), m_nanoseconds(0) {}
NanoTime::NanoTime(long seconds, long nanoseconds) : m_seconds(seconds), m_nanoseconds(nanoseconds) {}

NanoTime& NanoTime::operator=(NanoTime const& other) {
  m_seconds = other.m_seconds;
  m_nanoseconds = other.m_nanoseconds;
  return *this;
}

NanoTime NanoTime::getCurrentTime() {
  NanoTime now;
  qvo::timemath::splitMilliseconds(qvo::platform::currentTimeMs(), now.m_seconds, now.m_nanoseconds);
  return now;
}

bool NanoTime::isNull() const { return m_seconds == 0 && m_nanoseconds == 0; }
void NanoTime::reset() { m_seconds = m_nanoseconds = 0; }
long NanoTime::seconds() const { return m_seconds; }
long NanoTime::nanoseconds() const { return m_nanoseconds; }

NanoTime NanoTime::operator+(long milliseconds) const {
  const long q = milliseconds / 1000;
  const long seconds = wrappingAdd(m_seconds, q);
  std::int64_t nanoseconds = static_cast<std::int64_t>(milliseconds - q * 1000) * 1000000 + m_nanoseconds;
  long carry = 0;
  if (milliseconds >= 0 && nanoseconds >= 1000000000) {
    nanoseconds -= 1000000000;
    carry = 1;
  }
  return NanoTime(wrappingAdd(seconds, carry), wrapToLong(nanoseconds));
}

NanoTime NanoTime::operator-(NanoTime const& other) const {
  long ds = wrappingSubtract(m_seconds, other.m_seconds);
  long dn = wrappingSubtract(m_nanoseconds, other.m_nanoseconds);
  if (ds < 0 && dn > 0) {
    ds += 1;
    dn -= 1000000000;
  } else if (ds > 0 && dn < 0) {
    ds -= 1;
    dn += 1000000000;
  }
  return NanoTime(ds, dn);
}

int NanoTime::operator<(NanoTime const& other) const {
  const NanoTime d = *this - other;
  return (d.m_seconds < 0 || d.m_nanoseconds < 0) ? 1 : 0;
}

int NanoTime::operator==(NanoTime const& other) const {
  const NanoTime d = *this - other;
  return (d.m_seconds == 0 && d.m_nanoseconds == 0) ? 1 : 0;
}

int NanoTime::operator>(NanoTime const& other) {
  const NanoTime d = other - *this;
  return (d.m_seconds < 0 || d.m_nanoseconds < 0) ? 1 : 0;
}

long NanoTime::differenceWith_ms(NanoTime const& other) const {
  const NanoTime d = *this - other;
  // In 64 bits: a 32-bit long would overflow after 24 days of seconds x 1000. A difference beyond the
  // range of long gives its largest (or most negative) value, never a wrapped one.
  std::int64_t const ms = static_cast<std::int64_t>(d.m_seconds) * 1000 + d.m_nanoseconds / 1000000;
  if (ms > std::numeric_limits<long>::max()) return std::numeric_limits<long>::max();
  if (ms < std::numeric_limits<long>::min()) return std::numeric_limits<long>::min();
  return static_cast<long>(ms);
}

long NanoTime::elapsed_ms() const { return getCurrentTime().differenceWith_ms(*this); }

void NanoTime::dump(std::ostream& stream) const { stream << m_seconds << ' ' << m_nanoseconds; }

namespace {
// A non-negative double truncated toward zero into an unsigned long; values beyond its range give its
// largest value instead of an undefined conversion.
unsigned long truncateSaturated(double value) {
  const double top = static_cast<double>(std::numeric_limits<unsigned long>::max());
  if (!(value > 0)) return 0;
  if (value >= top) return std::numeric_limits<unsigned long>::max();
  return static_cast<unsigned long>(value);
}
}  // namespace

bool NanoTime::convertSecondsSinceMidnightToClock(unsigned long long seconds, unsigned long& hours,
                                                  unsigned long& minutes, unsigned long& secs) {
  hours = truncateSaturated(static_cast<double>(seconds) / 3600.0);
  const unsigned long long hourSeconds = static_cast<unsigned long long>(hours) * 3600;
  const unsigned long long rest = seconds >= hourSeconds ? seconds - hourSeconds : 0;
  minutes = truncateSaturated(static_cast<double>(rest) / 60.0);
  const unsigned long long clockSeconds =
      (static_cast<unsigned long long>(hours) * 60 + minutes) * 60;
  secs = static_cast<std::uint32_t>(static_cast<std::uint32_t>(seconds) - static_cast<std::uint32_t>(clockSeconds));
  return hours <= 23 && minutes <= 59 && secs <= 59;
}
