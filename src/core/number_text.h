// Number texts shared by the string classes: decimal and fixed-point rendering, strtol-style parsing.
#ifndef QVOBASE_CORE_NUMBER_TEXT_H
#define QVOBASE_CORE_NUMBER_TEXT_H

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace qvo::strings {

// Room for the decimal text of any integer up to 64 bits, with its sign.
constexpr std::size_t kIntTextSize = 24;

// Number of decimal digits of the value (1 for 0): the bit width gives the count or one less, and one
// comparison with a power of ten tells which.
inline constexpr std::uint64_t kPowersOfTen[] = {1ULL,
                                                 10ULL,
                                                 100ULL,
                                                 1000ULL,
                                                 10000ULL,
                                                 100000ULL,
                                                 1000000ULL,
                                                 10000000ULL,
                                                 100000000ULL,
                                                 1000000000ULL,
                                                 10000000000ULL,
                                                 100000000000ULL,
                                                 1000000000000ULL,
                                                 10000000000000ULL,
                                                 100000000000000ULL,
                                                 1000000000000000ULL,
                                                 10000000000000000ULL,
                                                 100000000000000000ULL,
                                                 1000000000000000000ULL,
                                                 10000000000000000000ULL};

inline unsigned decimalDigits(unsigned long long value) {
  value |= 1;  // 0 has one digit, as 1 has
  unsigned const bits = value <= 0xFFFFFFFFu
                            ? 32u - static_cast<unsigned>(__builtin_clz(static_cast<std::uint32_t>(value)))
                            : 64u - static_cast<unsigned>(__builtin_clzll(value));
  unsigned const guess = (bits * 1233u) >> 12;  // floor(log10(2^bits))
  return guess + (value >= kPowersOfTen[guess] ? 1u : 0u);
}

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the digits of the value backwards, two at a time, so that the last one lands just before end.
// T is 32-bit whenever the value allows, so that 32-bit targets never divide 64-bit numbers needlessly.
template <typename T>
inline void digitsBackwards(T value, char* end) {
  char* p = end;
  while (value >= 100) {
    unsigned const pair = static_cast<unsigned>(value % 100) * 2;
    value /= 100;
    p -= 2;
    p[0] = kDigitPairs[pair];
    p[1] = kDigitPairs[pair + 1];
  }
  if (value >= 10) {
    unsigned const pair = static_cast<unsigned>(value) * 2;
    p[-2] = kDigitPairs[pair];
    p[-1] = kDigitPairs[pair + 1];
  } else {
    p[-1] = static_cast<char>('0' + value);
  }
}

// Four digits of a value below 10000 at p.
inline void fourDigits(std::uint32_t value, char* p) {
  unsigned const high = (value / 100) * 2;
  unsigned const low = (value % 100) * 2;
  p[0] = kDigitPairs[high];
  p[1] = kDigitPairs[high + 1];
  p[2] = kDigitPairs[low];
  p[3] = kDigitPairs[low + 1];
}

// A 32-bit value cut into groups of eight and four digits first: the divisions of the groups do not wait
// for each other, so a long number takes about as long as a short one.
inline void digitsBackwards32(std::uint32_t value, char* end) {
  if (value >= 100000000u) {
    std::uint32_t const low = value % 100000000u;
    fourDigits(low % 10000u, end - 4);
    fourDigits(low / 10000u, end - 8);
    digitsBackwards(value / 100000000u, end - 8);
  } else if (value >= 10000u) {
    fourDigits(value % 10000u, end - 4);
    digitsBackwards(value / 10000u, end - 4);
  } else {
    digitsBackwards(value, end);
  }
}

// Writes the decimal text of the value, exactly decimalDigits(value) bytes, ending at end.
inline void writeDecimal(unsigned long long value, char* end) {
  if (value <= 0xFFFFFFFFu) {
    digitsBackwards32(static_cast<std::uint32_t>(value), end);
  } else {
    // The eight lowest digits apart, then the rest (at most twelve digits) in groups the same way.
    unsigned long long const high = value / 100000000u;
    std::uint32_t const low = static_cast<std::uint32_t>(value % 100000000u);
    fourDigits(low % 10000u, end - 4);
    fourDigits(low / 10000u, end - 8);
    if (high <= 0xFFFFFFFFu) {
      digitsBackwards32(static_cast<std::uint32_t>(high), end - 8);
    } else {
      digitsBackwards(high, end - 8);
    }
  }
}

// Plain decimal into out (kIntTextSize bytes or more, no terminator); returns the number of bytes.
inline std::size_t renderUnsigned(unsigned long long value, char* out) {
  unsigned const n = decimalDigits(value);
  writeDecimal(value, out + n);
  return n;
}

inline std::size_t renderSigned(long long value, char* out) {
  if (value >= 0) return renderUnsigned(static_cast<unsigned long long>(value), out);
  // The two's-complement negation in unsigned arithmetic also holds the most negative value.
  out[0] = '-';
  return 1 + renderUnsigned(0ULL - static_cast<unsigned long long>(value), out + 1);
}

// "%.<precision>f" of a finite value whose text has at most 19 significant digits once scaled (in practice
// |value| * 10^precision below 2^64), with 1 to 18 decimals, into out (64 bytes or more, no terminator):
// the exact binary value times 10^precision in 128-bit integers, rounded half to even as the runtime's
// formatter rounds. Returns the number of bytes, or 0 for a value or precision it leaves to the general
// formatter (and on targets without 128-bit integers).
std::size_t renderFixedQuick(double value, int precision, char* out);

// A rendered number: short texts stay on the stack, any longer one is kept whole on the heap.
class RenderedText {
 public:
  RenderedText() = default;
  RenderedText(RenderedText const&) = delete;
  RenderedText& operator=(RenderedText const&) = delete;

  // Fixed-point with the given number of decimals, as "%.<decimals>f"; 0 or fewer decimals give "%f"
  // (6 decimals). Exact and identical on every target; NaN and infinities as "nan", "-nan", "inf", "-inf".
  void fixed(double value, int decimals);
  // The C runtime's snprintf of one value with the caller's format; an invalid format gives "".
  void format(char const* fmt, int value);
  void format(char const* fmt, long value);
  void format(char const* fmt, unsigned int value);
  void format(char const* fmt, unsigned long value);
  void format(char const* fmt, double value);

  char const* data() const { return m_data; }
  std::size_t size() const { return m_size; }

 private:
  template <typename T>
  void formatAny(char const* fmt, T value);

  char m_small[128];
  std::string m_large;
  char const* m_data = m_small;
  std::size_t m_size = 0;
};

// Parsers over [first, last) with the C runtime's base-10 rules: leading white space (space, \t \n \v \f \r)
// and one sign are accepted, the number ends at the first byte that cannot continue it (a NUL included),
// no digits give 0. Overflow gives the clamped value and sets *error to ERANGE; otherwise *error is left
// alone. parseUnsigned negates a value written with "-" in unsigned arithmetic, as strtoul does.
// *stop, when given, receives the end of the number, or first when there was none (as strtol's endptr).
long parseSigned(char const* first, char const* last, int* error, char const** stop = nullptr);
unsigned long parseUnsigned(char const* first, char const* last, int* error, char const** stop = nullptr);
// The same into an int and an unsigned int: a text beyond their range gives the clamped value with ERANGE
// also where long is wider, as the runtime does where long and int are one size.
int parseSignedInt(char const* first, char const* last, int* error, char const** stop = nullptr);
unsigned int parseUnsignedInt(char const* first, char const* last, int* error, char const** stop = nullptr);

// Eight bytes read as one little-endian word: whether all are digits, and their value as a number of
// eight decimal digits (the first byte the most significant), by pairs, then fours, then all eight.
inline bool eightDigits(std::uint64_t word) {
  return (((word + 0x4646464646464646ull) | (word - 0x3030303030303030ull)) & 0x8080808080808080ull) == 0;
}
inline std::uint32_t eightDigitsValue(std::uint64_t word) {
  word -= 0x3030303030303030ull;
  word = word * 10 + (word >> 8);  // each byte pair's low byte: its two digits' value
  constexpr std::uint64_t kPairs = 0x000000FF000000FFull;
  word = (((word & kPairs) * 0x000F424000000064ull) + (((word >> 16) & kPairs) * 0x0000271000000001ull)) >> 32;
  return static_cast<std::uint32_t>(word);
}

// The common case of parseSigned and parseUnsigned without a call: at most 18 digits right at first (after
// a "-" for the signed form), not followed by another digit, of a value that fits. Returns false, leaving
// the work to the full parser, for anything else; on success *stop is the end of the number.
template <typename T>
inline bool parsePlainInteger(char const* first, char const* last, T& value, char const** stop) {
  char const* p = first;
  bool const negative = std::numeric_limits<T>::is_signed && p < last && *p == '-';
  if (negative) ++p;
  char const* const digits = p;
  char const* const limit = last - p > 18 ? p + 18 : last;
  unsigned long long magnitude = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Eight digits at a time while eight more lie inside the limit.
  while (limit - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (!eightDigits(word)) break;
    magnitude = magnitude * 100000000u + eightDigitsValue(word);
    p += 8;
  }
#endif
  for (; p < limit && static_cast<unsigned>(*p - '0') < 10; ++p) {
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
  }
  if (p == digits || (p < last && static_cast<unsigned>(*p - '0') < 10)) return false;
  unsigned long long const largest = static_cast<unsigned long long>(std::numeric_limits<T>::max());
  if (magnitude > largest + (negative ? 1 : 0)) return false;
  value = negative ? static_cast<T>(0ULL - magnitude) : static_cast<T>(magnitude);
  if (stop != nullptr) *stop = p;
  return true;
}

inline long parseSignedQuick(char const* first, char const* last, int* error, char const** stop) {
  long value = 0;
  if (parsePlainInteger(first, last, value, stop)) return value;
  return parseSigned(first, last, error, stop);
}

inline unsigned long parseUnsignedQuick(char const* first, char const* last, int* error, char const** stop) {
  unsigned long value = 0;
  if (parsePlainInteger(first, last, value, stop)) return value;
  return parseUnsigned(first, last, error, stop);
}

// strtod: decimal forms are read with std::from_chars; hexadecimal, infinities, NaN, zero and results that
// underflow or overflow go through the runtime's strtod so that its value and its errno are kept.
double parseDouble(char const* first, char const* last, int* error);

// Exact powers of ten as doubles: 10^22 is the largest that a double holds exactly.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Whether one division of doubles rounds once: doubles are computed in their own precision, not in the
// x87's wider registers, which would round twice.
inline constexpr bool kDivisionRoundsOnce = FLT_EVAL_METHOD == 0;

// The usual array element, "[-]digits[.digits]" with at most 15 digits in all and no exponent, read
// without a library call: its digits make an integer that a double holds exactly, and one division by
// an exact power of ten rounds correctly, so the value is the one strtod gives (where kDivisionRoundsOnce).
inline bool parseShortDecimal(char const* first, char const* last, double& value, char const** stop) {
  std::uint64_t mantissa = 0;
  auto digitsFrom = [&mantissa, last](char const* p) {
    for (; p < last && static_cast<unsigned>(*p - '0') < 10; ++p)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    return p;
  };
  bool const negative = *first == '-';
  char const* const integer = negative ? first + 1 : first;
  char const* p = digitsFrom(integer);
  std::ptrdiff_t digits = p - integer;
  std::ptrdiff_t decimals = 0;
  if (p < last && *p == '.') {
    char const* const fraction = p + 1;
    p = digitsFrom(fraction);
    decimals = p - fraction;
    digits += decimals;
  }
  if (digits == 0 || digits > 15 || mantissa == 0 || (p < last && (*p == 'e' || *p == 'E'))) return false;
  double const magnitude = static_cast<double>(mantissa) / kExactPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  *stop = p;
  return true;
}

// The common case of parseDouble without any runtime call: a decimal number starting right at first (a
// digit, "-" or ".") whose value is a normal double. Returns false, leaving the work to parseDouble, for
// anything else; on success *stop is the end of the number. Inline: the array parse calls it per element.
inline bool parsePlainDouble(char const* first, char const* last, double& value, char const** stop) {
  if (first == last || !((*first >= '0' && *first <= '9') || *first == '-' || *first == '.')) return false;
  if constexpr (kDivisionRoundsOnce) {
    if (parseShortDecimal(first, last, value, stop)) return true;
  }
  auto r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec != std::errc() || !std::isnormal(value)) return false;
  *stop = r.ptr;
  return true;
}

}  // namespace qvo::strings

#endif  // QVOBASE_CORE_NUMBER_TEXT_H
