// Number texts shared by the string classes: decimal and fixed-point rendering, strtol-style parsing.
#ifndef QVOBASE_CORE_NUMBER_TEXT_H
#define QVOBASE_CORE_NUMBER_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvo::strings {

// Room for the decimal text of any integer up to 64 bits, with its sign.
constexpr std::size_t kIntTextSize = 24;

// Plain decimal into out (kIntTextSize bytes or more, no terminator); returns the number of bytes.
std::size_t renderSigned(long long value, char* out);
std::size_t renderUnsigned(unsigned long long value, char* out);

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
// strtod: decimal forms are read with std::from_chars; hexadecimal, infinities, NaN, zero and results that
// underflow or overflow go through the runtime's strtod so that its value and its errno are kept.
double parseDouble(char const* first, char const* last, int* error);
// The common case of parseDouble without any runtime call: a decimal number starting right at first (a
// digit, "-" or ".") whose value is a normal double. Returns false, leaving the work to parseDouble, for
// anything else; on success *stop is the end of the number.
bool parsePlainDouble(char const* first, char const* last, double& value, char const** stop);

}  // namespace qvo::strings

#endif  // QVOBASE_CORE_NUMBER_TEXT_H
