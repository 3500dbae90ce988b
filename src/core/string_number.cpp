// EQVO::String number conversion: number texts, parsing, conversion operators and comparisons with numbers.
#include <cctype>
#include <cerrno>
#include <cstring>

#include "QVOString.h"
#include "core/number_text.h"

using qvo::strings::kIntTextSize;
using qvo::strings::RenderedText;

namespace EQVO {

namespace {
constexpr int kDefaultDecimals = 10;

// A number's text (no NUL in it) against this string's text up to its first NUL, as strcmp would.
bool sameText(char const* buffer, char const* text, std::size_t size) {
  return std::strncmp(buffer, text, size) == 0 && buffer[size] == '\0';
}
}  // namespace

void String::assignDecimal(bool negative, unsigned long magnitude) {
  std::uint32_t const length = (negative ? 1u : 0u) + qvo::strings::decimalDigits(magnitude);
  if (length < m_capacity) {
    // The text fits: its digits go straight into the buffer, from the end.
    char* const buffer = m_buffer;
    qvo::strings::writeDecimal(magnitude, buffer + length);
    if (negative) buffer[0] = '-';
    buffer[length] = '\0';
    m_length = length;
    return;
  }
  char digits[kIntTextSize];
  qvo::strings::writeDecimal(magnitude, digits + length);
  if (negative) digits[0] = '-';
  assignBytes(digits, length);
}

bool String::toString(unsigned long value, String& text) {
  text.assignDecimal(false, value);
  return true;
}

bool String::toString(long value, String& text) {
  // The two's-complement negation in unsigned arithmetic also holds the most negative long.
  text.assignDecimal(value < 0, value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value));
  return true;
}

bool String::toString(double value, String& text, int decimals) {
  RenderedText rendered;
  rendered.fixed(value, decimals);
  text.assignBytes(rendered.data(), static_cast<std::uint32_t>(rendered.size()));
  return true;
}

bool String::toLong(String const& text, long& value) {
  errno = 0;
  int error = 0;
  value = qvo::strings::parseSigned(text.m_buffer, text.m_buffer + text.m_length, &error);
  if (error != 0) errno = error;
  return value != 0 || (errno != EINVAL && errno != ERANGE);
}

bool String::toUnsignedLong(String const& text, unsigned long& value) {
  errno = 0;
  int error = 0;
  value = qvo::strings::parseUnsigned(text.m_buffer, text.m_buffer + text.m_length, &error);
  if (error != 0) errno = error;
  return value != 0 || (errno != EINVAL && errno != ERANGE);
}

bool String::toDouble(String const& text, double& value) {
  errno = 0;
  int error = 0;
  value = qvo::strings::parseDouble(text.m_buffer, text.m_buffer + text.m_length, &error);
  if (error != 0) errno = error;
  return value != 0 || (errno != EINVAL && errno != ERANGE);  // NaN is not 0
}

bool String::toFloat(String const& text, float& value) {
  errno = 0;
  int error = 0;
  value = static_cast<float>(qvo::strings::parseDouble(text.m_buffer, text.m_buffer + text.m_length, &error));
  if (error != 0) errno = error;
  return value != 0 || (errno != EINVAL && errno != ERANGE);
}

template <typename Wide, typename Number>
void String::setIntegerText(Number value, char const* format) {
  if (format == nullptr) {
    toString(static_cast<Wide>(value), *this);
    return;
  }
  RenderedText rendered;
  rendered.format(format, value);
  assignBytes(rendered.data(), static_cast<std::uint32_t>(rendered.size()));
}

// Numbers start without storage; their text takes the growth rule.
String::String(int value, char const* format) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  setIntegerText<long>(value, format);
}

String::String(long value, char const* format) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  setIntegerText<long>(value, format);
}

String::String(unsigned int value, char const* format) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  setIntegerText<unsigned long>(value, format);
}

String::String(unsigned long value, char const* format) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  setIntegerText<unsigned long>(value, format);
}

String::String(float value, char const* format) : String(static_cast<double>(value), format) {}

String::String(double value, char const* format) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  RenderedText rendered;
  if (format == nullptr) {
    rendered.fixed(value, kDefaultDecimals);
  } else {
    rendered.format(format, value);
  }
  assignBytes(rendered.data(), static_cast<std::uint32_t>(rendered.size()));
}

String::String(bool value) : m_length(0), m_capacity(0), m_buffer(nullptr) { *this = value; }

String& String::operator=(bool value) {
  assignBytes(value ? "1" : "0", 1);
  return *this;
}

String& String::operator=(int value) { return *this = static_cast<long>(value); }
String& String::operator=(short value) { return *this = static_cast<long>(value); }

String& String::operator=(long value) {
  toString(value, *this);
  return *this;
}

String& String::operator=(unsigned int value) { return *this = static_cast<unsigned long>(value); }
String& String::operator=(unsigned short value) { return *this = static_cast<unsigned long>(value); }

String& String::operator=(unsigned long value) {
  toString(value, *this);
  return *this;
}

String& String::operator=(float value) { return *this = static_cast<double>(value); }

String& String::operator=(double value) {
  toString(value, *this, kDefaultDecimals);
  return *this;
}

namespace {
// Decimal texts appended without a temporary string.
template <typename Append>
void appendSigned(long value, Append append) {
  char digits[kIntTextSize];
  append(digits, qvo::strings::renderSigned(value, digits));
}
template <typename Append>
void appendUnsigned(unsigned long value, Append append) {
  char digits[kIntTextSize];
  append(digits, qvo::strings::renderUnsigned(value, digits));
}
}  // namespace

String& String::operator+=(unsigned int value) { return *this += static_cast<unsigned long>(value); }
String& String::append(unsigned int value) { return *this += value; }

String& String::operator+=(unsigned long value) {
  appendUnsigned(value, [this](char const* p, std::size_t n) { appendBytes(p, static_cast<std::uint32_t>(n)); });
  return *this;
}

String& String::append(unsigned long value) { return *this += value; }
String& String::operator+=(int value) { return *this += static_cast<long>(value); }
String& String::append(int value) { return *this += value; }

String& String::operator+=(long value) {
  appendSigned(value, [this](char const* p, std::size_t n) { appendBytes(p, static_cast<std::uint32_t>(n)); });
  return *this;
}

String& String::append(long value) { return *this += value; }
String& String::operator+=(unsigned char value) { return *this += static_cast<unsigned long>(value); }

String& String::operator+=(bool value) {
  appendBytes(value ? "1" : "0", 1);
  return *this;
}

String& String::append(bool value) { return *this += value; }
String& String::operator+=(float value) { return *this += static_cast<double>(value); }

String& String::operator+=(double value) {
  RenderedText rendered;
  rendered.fixed(value, kDefaultDecimals);
  appendBytes(rendered.data(), static_cast<std::uint32_t>(rendered.size()));
  return *this;
}

namespace {
template <typename T>
String plus(String const& self, T value) {
  String result(self);
  result += value;
  return result;
}
}  // namespace

String String::operator+(unsigned int value) const { return plus(*this, value); }
String String::operator+(unsigned long value) const { return plus(*this, value); }
String String::operator+(int value) const { return plus(*this, value); }
String String::operator+(long value) const { return plus(*this, value); }
String String::operator+(unsigned char value) const { return plus(*this, value); }
String String::operator+(bool value) const { return plus(*this, value); }
String String::operator+(float value) const { return plus(*this, value); }
String String::operator+(double value) const { return plus(*this, value); }

bool String::operator==(char c) const {
  char const text[2] = {c, '\0'};
  return equals(text);
}

bool String::operator==(unsigned char c) const { return *this == static_cast<char>(c); }
bool String::operator==(bool value) const { return equals(value ? "1" : "0"); }
bool String::operator==(int value) const { return *this == static_cast<long>(value); }

bool String::operator==(long value) const {
  char digits[kIntTextSize];
  return sameText(m_buffer, digits, qvo::strings::renderSigned(value, digits));
}

bool String::operator==(unsigned int value) const { return *this == static_cast<unsigned long>(value); }

bool String::operator==(unsigned long value) const {
  char digits[kIntTextSize];
  return sameText(m_buffer, digits, qvo::strings::renderUnsigned(value, digits));
}

bool String::operator==(float value) const { return *this == static_cast<double>(value); }

bool String::operator==(double value) const {
  RenderedText rendered;
  rendered.fixed(value, kDefaultDecimals);
  return sameText(m_buffer, rendered.data(), rendered.size());
}

bool String::operator!=(char c) const { return !(*this == c); }
bool String::operator!=(unsigned char c) const { return !(*this == c); }
bool String::operator!=(bool value) const { return !(*this == value); }
bool String::operator!=(int value) const { return !(*this == value); }
bool String::operator!=(long value) const { return !(*this == value); }
bool String::operator!=(unsigned int value) const { return !(*this == value); }
bool String::operator!=(unsigned long value) const { return !(*this == value); }
bool String::operator!=(float value) const { return !(*this == value); }
bool String::operator!=(double value) const { return !(*this == value); }

namespace {
// strtol / strtoul over the buffer into the type of `parse`: overflow sets errno to ERANGE as the runtime does.
template <typename T>
T runtimeParse(T (*parse)(char const*, char const*, int*, char const**), char const* p, std::uint32_t n) {
  int error = 0;
  T const value = parse(p, p + n, &error, nullptr);
  if (error != 0) errno = error;
  return value;
}
long runtimeLong(char const* p, std::uint32_t n) { return runtimeParse(qvo::strings::parseSigned, p, n); }
unsigned long runtimeULong(char const* p, std::uint32_t n) { return runtimeParse(qvo::strings::parseUnsigned, p, n); }
int runtimeInt(char const* p, std::uint32_t n) { return runtimeParse(qvo::strings::parseSignedInt, p, n); }
unsigned int runtimeUInt(char const* p, std::uint32_t n) { return runtimeParse(qvo::strings::parseUnsignedInt, p, n); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

String::operator bool() const { return runtimeLong(m_buffer, m_length) != 0; }

String::operator char() const {
  if (m_length == 0) return '\0';
  if (m_length == 1 || !isDigit(m_buffer[0])) return m_buffer[0];
  long value = 0;
  toLong(*this, value);
  return static_cast<char>(static_cast<unsigned char>(value & 0xFF));
}

String::operator unsigned char() const {
  if (m_length == 0) return 0;
  if (m_length == 1 || !isDigit(m_buffer[0])) return static_cast<unsigned char>(m_buffer[0]);
  unsigned long value = 0;
  toUnsignedLong(*this, value);
  return static_cast<unsigned char>(value & 0xFF);
}

String::operator short() const {
  return static_cast<short>(static_cast<unsigned short>(runtimeLong(m_buffer, m_length) & 0xFFFF));
}

String::operator unsigned short() const {
  return static_cast<unsigned short>(runtimeULong(m_buffer, m_length) & 0xFFFF);
}

String::operator int() const { return runtimeInt(m_buffer, m_length); }
String::operator long() const { return runtimeLong(m_buffer, m_length); }
String::operator unsigned int() const { return runtimeUInt(m_buffer, m_length); }
String::operator unsigned long() const { return runtimeULong(m_buffer, m_length); }

String::operator float() const {
  float value = 0;
  toFloat(*this, value);
  return value;
}

String::operator double() const {
  int error = 0;
  double const value = qvo::strings::parseDouble(m_buffer, m_buffer + m_length, &error);
  if (error != 0) errno = error;
  return value;
}

bool String::isUINT() const {
  // Blanks, control bytes and bytes 0x80-0xFF at either end are ignored, as a class-mode trim removes them.
  auto blank = [](char c) { return static_cast<signed char>(c) <= ' '; };
  std::uint32_t begin = 0;
  std::uint32_t end = m_length;
  while (begin < end && blank(m_buffer[begin])) ++begin;
  while (end > begin && blank(m_buffer[end - 1])) --end;
  for (std::uint32_t i = begin; i < end; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(m_buffer[i]))) return false;
  }
  return true;
}

String String::ConvertToString() {
  if (m_length >= 1 && m_buffer[0] == '"' && m_buffer[m_length - 1] == '"') {
    return String(m_buffer + 1, m_length >= 2 ? static_cast<int>(m_length - 2) : 0);
  }
  return String(*this);
}

}  // namespace EQVO
