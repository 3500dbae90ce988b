// CQVOString: the library's string type, a thin adapter over EQVO::String with the interface's names.
#include <algorithm>
#include <cstring>
#include <ostream>

#include "QVOString.h"

CQVOString::CQVOString() = default;
CQVOString::CQVOString(char c) : EQVO::String(c) {}
CQVOString::CQVOString(unsigned char c) : EQVO::String(c) {}
CQVOString::CQVOString(bool value) : EQVO::String(value) {}
CQVOString::CQVOString(char const* text) : EQVO::String(text, -1) {}
// A count of 2^31 or more reads as negative: up to the NUL.
CQVOString::CQVOString(char const* text, unsigned int count) : EQVO::String(text, static_cast<int>(count)) {}
CQVOString::CQVOString(CQVOString const& other) : EQVO::String(other) {}
CQVOString::CQVOString(EQVO::String const& other) : EQVO::String(other) {}
CQVOString::CQVOString(int value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(long value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(unsigned int value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(unsigned long value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(float value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(double value, char const* format) : EQVO::String(value, format) {}
CQVOString::CQVOString(std::string const& text) : EQVO::String(text.c_str(), -1) {}
CQVOString::~CQVOString() = default;

CQVOString& CQVOString::operator=(char c) {
  EQVO::String::operator=(c);
  return *this;
}
CQVOString& CQVOString::operator=(unsigned char c) {
  EQVO::String::operator=(c);
  return *this;
}
CQVOString& CQVOString::operator=(bool value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(char const* text) {
  EQVO::String::operator=(text);
  return *this;
}
CQVOString& CQVOString::operator=(unsigned char* text) {
  EQVO::String::operator=(reinterpret_cast<char const*>(text));
  return *this;
}
CQVOString& CQVOString::operator=(CQVOString const& other) {
  EQVO::String::operator=(other);
  return *this;
}
CQVOString& CQVOString::operator=(EQVO::String const& other) {
  EQVO::String::operator=(other);
  return *this;
}
CQVOString& CQVOString::operator=(int value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(long value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(short value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(unsigned int value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(unsigned long value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(unsigned short value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(float value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(double value) {
  EQVO::String::operator=(value);
  return *this;
}
CQVOString& CQVOString::operator=(std::string const& text) {
  EQVO::String::operator=(text.c_str());
  return *this;
}

CQVOString& CQVOString::operator+=(unsigned char value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(bool value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(CQVOString const& other) {
  EQVO::String::operator+=(other);
  return *this;
}
CQVOString& CQVOString::operator+=(EQVO::String const& other) {
  EQVO::String::operator+=(other);
  return *this;
}
CQVOString& CQVOString::operator+=(int value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(long value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(unsigned int value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(unsigned long value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(float value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(double value) {
  EQVO::String::operator+=(value);
  return *this;
}
CQVOString& CQVOString::operator+=(std::string const& text) {
  EQVO::String::operator+=(text.c_str());
  return *this;
}

namespace {
template <typename T>
CQVOString plus(CQVOString const& self, T value) {
  CQVOString result(self);
  result += value;
  return result;
}
}  // namespace

CQVOString CQVOString::operator+(char c) const { return plus(*this, c); }
CQVOString CQVOString::operator+(unsigned char value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(bool value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(char const* text) const { return plus(*this, text); }
// The other's text up to its first NUL.
CQVOString CQVOString::operator+(CQVOString const& other) const { return plus(*this, other.c_str()); }
CQVOString CQVOString::operator+(EQVO::String const& other) const { return plus(*this, other); }
CQVOString CQVOString::operator+(int value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(long value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(unsigned int value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(unsigned long value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(float value) const { return plus(*this, value); }
CQVOString CQVOString::operator+(double value) const { return plus(*this, value); }

CQVOString operator+(char const* text, CQVOString const& string) {
  CQVOString result;
  result += text;
  result += static_cast<EQVO::String const&>(string);
  return result;
}

bool CQVOString::IsEmpty() const { return empty(); }
bool CQVOString::Replace(char from, char to, bool all) { return replace(from, to, all); }
bool CQVOString::Replace(char from, char const* to, bool all) { return replace(from, to, all); }
bool CQVOString::Replace(char const* from, char to, bool all) { return replace(from, to, all); }
bool CQVOString::Replace(char const* from, char const* to, bool all) { return replace(from, to, all); }
// The token is cut straight into the CQVOString result: no second copy of it.
CQVOString CQVOString::Token(char separator) {
  if (separator == '\0') return CQVOString(token(separator));
  CQVOString result;
  cutToken(result, &separator, 1);
  return result;
}
CQVOString CQVOString::Token(char const* separator) {
  CQVOString result;
  std::size_t const n = separator == nullptr ? 0 : std::strlen(separator);
  cutToken(result, separator, static_cast<std::uint32_t>(std::min<std::size_t>(n, m_length + std::size_t{1})));
  return result;
}
CQVOString CQVOString::Token(CQVOString const& separator) { return Token(separator.c_str()); }

CQVOString& CQVOString::ToUpper() {
  toUpperCase();
  return *this;
}
CQVOString& CQVOString::ToLower() {
  toLowerCase();
  return *this;
}
CQVOString& CQVOString::TrimLeft(char c, bool classMode) {
  trimLeft(c, classMode);
  return *this;
}
CQVOString& CQVOString::TrimRight(char c, bool classMode) {
  trimRight(c, classMode);
  return *this;
}
CQVOString& CQVOString::Trim(char c, bool classMode) {
  trim(c, classMode);
  return *this;
}

namespace {
// Any negative index becomes the all-bits-set position that callers compare against.
unsigned int position(int index) { return index < 0 ? 0xFFFFFFFFu : static_cast<unsigned int>(index); }
}  // namespace

unsigned int CQVOString::find(char c, unsigned int from) const {
  return position(indexOf(static_cast<int>(static_cast<unsigned char>(c)), from));
}
unsigned int CQVOString::find(char const* text, unsigned int from) const { return position(indexOf(text, from)); }
unsigned int CQVOString::find_last_of(char c, unsigned int) const {
  return position(lastIndexOf(static_cast<int>(static_cast<unsigned char>(c)), 0));
}

char* CQVOString::begin() const { return m_buffer; }
char* CQVOString::end() const { return m_buffer + m_length; }
char const* CQVOString::c_str() const { return m_buffer; }

void CQVOString::Hash(unsigned long* const out) const {
  std::uint32_t a = 0x50305735u;
  std::uint32_t b = 0x12345671u;
  std::uint32_t k = 7;
  for (std::uint32_t i = 0; i < m_length; ++i) {
    std::uint32_t const c = static_cast<unsigned char>(m_buffer[i]);
    if (c == ' ' || c == '\t') continue;
    a ^= ((a & 0x3Fu) + k) * c + (a << 8);
    b += (b << 8) ^ a;
    k += c;
  }
  out[0] = a & 0x7FFFFFFFu;
  out[1] = b & 0x7FFFFFFFu;
}

bool CQVOString::OfUnsignedInteger() const { return isUINT(); }

bool CQVOString::DoubleToString(CQVOString& text, double const& value, int decimals) {
  return EQVO::String::toString(value, text, decimals);
}

bool CQVOString::SignedToString(long value) { return EQVO::String::toString(value, *this); }
bool CQVOString::UnsignedToString(unsigned long value) { return EQVO::String::toString(value, *this); }
bool CQVOString::StringToSigned(long& value) const { return EQVO::String::toLong(*this, value); }
bool CQVOString::StringToUnsigned(unsigned long& value) const { return EQVO::String::toUnsignedLong(*this, value); }

bool operator<(CQVOString const& left, CQVOString const& right) {
  return static_cast<EQVO::String const&>(left) < static_cast<EQVO::String const&>(right);
}
bool operator>(CQVOString const& left, CQVOString const& right) {
  return static_cast<EQVO::String const&>(left) > static_cast<EQVO::String const&>(right);
}

std::ostream& operator<<(std::ostream& stream, CQVOString const& string) {
  return stream << std::string(string.c_str());
}
