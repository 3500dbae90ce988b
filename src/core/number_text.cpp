// Number texts shared by the string classes: decimal and fixed-point rendering, strtol-style parsing.
#include "core/number_text.h"

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qvo::strings {

std::size_t renderFixedQuick(double value, int precision, char* out) {
#if defined(__SIZEOF_INT128__)
  if (precision < 1 || precision > 18) return 0;
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bool const negative = (bits >> 63) != 0;
  int const biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return 0;  // infinities and NaN
  int exponent = -1074;           // value = mantissa * 2^exponent
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  std::uint64_t scale = 1;
  for (int i = 0; i < precision; ++i) scale *= 10;
  using Wide = unsigned __int128;
  Wide const scaled = static_cast<Wide>(mantissa) * scale;  // below 2^113
  Wide units;                                              // value * 10^precision, rounded
  if (exponent >= 0) {
    if (exponent > 11 || (scaled >> (64 - exponent)) != 0) return 0;
    units = scaled << exponent;
  } else if (-exponent >= 114) {
    units = 0;  // below half a unit of the last decimal
  } else {
    int const shift = -exponent;
    units = scaled >> shift;
    Wide const rest = scaled & ((Wide{1} << shift) - 1);
    Wide const half = Wide{1} << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
  }
  if ((units >> 64) != 0) return 0;
  std::uint64_t const whole = static_cast<std::uint64_t>(units);
  std::size_t n = 0;
  if (negative) out[n++] = '-';
  n += renderUnsigned(whole / scale, out + n);
  out[n++] = '.';
  std::uint64_t const fraction = whole % scale;
  unsigned const digits = decimalDigits(fraction);
  std::memset(out + n, '0', static_cast<std::size_t>(precision) - digits);
  n += static_cast<std::size_t>(precision);
  writeDecimal(fraction, out + n);
  return n;
#else
  (void)value;
  (void)precision;
  (void)out;
  return 0;
#endif
}

void RenderedText::fixed(double value, int decimals) {
  // "%f" without a precision is 6 decimals.
  int const precision = decimals > 0 ? decimals : 6;
  if (std::size_t const quick = renderFixedQuick(value, precision, m_small)) {
    m_data = m_small;
    m_size = quick;
    return;
  }
  auto r = std::to_chars(m_small, m_small + sizeof m_small, value, std::chars_format::fixed, precision);
  if (r.ec == std::errc()) {
    m_data = m_small;
    m_size = static_cast<std::size_t>(r.ptr - m_small);
    return;
  }
  // A finite double has at most 309 integer digits; a sign and a point complete the text.
  m_large.resize(static_cast<std::size_t>(precision) + 320);
  r = std::to_chars(&m_large[0], &m_large[0] + m_large.size(), value, std::chars_format::fixed, precision);
  m_large.resize(static_cast<std::size_t>(r.ptr - m_large.data()));
  m_data = m_large.data();
  m_size = m_large.size();
}

template <typename T>
void RenderedText::formatAny(char const* fmt, T value) {
  int const n = std::snprintf(m_small, sizeof m_small, fmt, value);
  m_data = m_small;
  if (n < 0) {
    m_size = 0;
    return;
  }
  if (static_cast<std::size_t>(n) < sizeof m_small) {
    m_size = static_cast<std::size_t>(n);
    return;
  }
  // The first pass was cut: render again into a buffer that holds the whole text.
  m_large.resize(static_cast<std::size_t>(n) + 1);
  int const again = std::snprintf(&m_large[0], m_large.size(), fmt, value);
  m_large.resize(again < 0 ? 0 : static_cast<std::size_t>(again));
  m_data = m_large.data();
  m_size = m_large.size();
}

void RenderedText::format(char const* fmt, int value) { formatAny(fmt, value); }
void RenderedText::format(char const* fmt, long value) { formatAny(fmt, value); }
void RenderedText::format(char const* fmt, unsigned int value) { formatAny(fmt, value); }
void RenderedText::format(char const* fmt, unsigned long value) { formatAny(fmt, value); }
void RenderedText::format(char const* fmt, double value) { formatAny(fmt, value); }

namespace {

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char const* skipBlanks(char const* p, char const* last) {
  while (p < last && isBlank(*p)) ++p;
  return p;
}

// Reads the sign and the digits; returns the magnitude, clamped to the largest unsigned long on overflow.
// *stop, when asked for, receives the end of the digits, or the start when there were none.
unsigned long readMagnitude(char const* p, char const* last, bool& negative, bool& overflow, char const** stop) {
  char const* const start = p;
  p = skipBlanks(p, last);
  negative = false;
  if (p < last && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  constexpr unsigned long kMax = ULONG_MAX;
  unsigned long value = 0;
  overflow = false;
  char const* const digitsStart = p;
  // The first digits10 digits cannot overflow: no test needed for them.
  constexpr std::ptrdiff_t kSafe = std::numeric_limits<unsigned long>::digits10;
  char const* const safeEnd = last - p > kSafe ? p + kSafe : last;
  for (; p < safeEnd && *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<unsigned>(*p - '0');
  for (; p < last && *p >= '0' && *p <= '9'; ++p) {
    unsigned const digit = static_cast<unsigned>(*p - '0');
    if (value > (kMax - digit) / 10) {
      overflow = true;
    } else if (!overflow) {
      value = value * 10 + digit;
    }
  }
  if (stop != nullptr) *stop = p > digitsStart ? p : start;
  return overflow ? kMax : value;
}

}  // namespace

namespace {

// strtol's result in T: the magnitude with its sign, or T's limit on that side with ERANGE.
template <typename T>
T signedResult(char const* first, char const* last, int* error, char const** stop) {
  bool negative = false;
  bool overflow = false;
  unsigned long const magnitude = readMagnitude(first, last, negative, overflow, stop);
  constexpr unsigned long kLimit = static_cast<unsigned long>(std::numeric_limits<T>::max());
  if (negative) {
    if (overflow || magnitude > kLimit + 1) {
      *error = ERANGE;
      return std::numeric_limits<T>::min();
    }
    return static_cast<T>(0UL - magnitude);
  }
  if (overflow || magnitude > kLimit) {
    *error = ERANGE;
    return std::numeric_limits<T>::max();
  }
  return static_cast<T>(magnitude);
}

// strtoul's result in T: a magnitude beyond T is T's largest value with ERANGE; a "-" text negates the
// magnitude in T's unsigned arithmetic.
template <typename T>
T unsignedResult(char const* first, char const* last, int* error, char const** stop) {
  bool negative = false;
  bool overflow = false;
  unsigned long const magnitude = readMagnitude(first, last, negative, overflow, stop);
  if (overflow || magnitude > std::numeric_limits<T>::max()) {
    *error = ERANGE;
    return std::numeric_limits<T>::max();
  }
  return negative ? static_cast<T>(0UL - magnitude) : static_cast<T>(magnitude);
}

}  // namespace

long parseSigned(char const* first, char const* last, int* error, char const** stop) {
  return signedResult<long>(first, last, error, stop);
}

unsigned long parseUnsigned(char const* first, char const* last, int* error, char const** stop) {
  return unsignedResult<unsigned long>(first, last, error, stop);
}

int parseSignedInt(char const* first, char const* last, int* error, char const** stop) {
  return signedResult<int>(first, last, error, stop);
}

unsigned int parseUnsignedInt(char const* first, char const* last, int* error, char const** stop) {
  return unsignedResult<unsigned int>(first, last, error, stop);
}

double parseDouble(char const* first, char const* last, int* error) {
  char const* p = skipBlanks(first, last);
  char const* q = p;
  bool negative = false;
  if (q < last && (*q == '+' || *q == '-')) {
    negative = *q == '-';
    ++q;
  }
  bool const decimal = q < last && ((*q >= '0' && *q <= '9') || *q == '.');
  bool const hex = q + 1 < last && q[0] == '0' && (q[1] == 'x' || q[1] == 'X');
  if (decimal && !hex) {
    double value = 0;
    auto r = std::from_chars(q, last, value, std::chars_format::general);
    // Zero, subnormal and out-of-range results are where the runtime may set ERANGE: let it decide.
    if (r.ec == std::errc() && std::isnormal(value)) return negative ? -value : value;
  }
  // The runtime's strtod on a terminated copy (the range may run on into the next element's text).
  char const* end = static_cast<char const*>(std::memchr(p, 0, static_cast<std::size_t>(last - p)));
  std::string copy(p, end ? end : last);
  int const saved = errno;
  errno = 0;
  double const value = std::strtod(copy.c_str(), nullptr);
  if (errno != 0) *error = errno;
  errno = saved;
  return value;
}

}  // namespace qvo::strings
