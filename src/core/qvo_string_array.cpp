// CQVOString array texts: vectors rendered as "|"-separated elements, and parsed back.
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "QVOString.h"
#include "core/number_text.h"

const char CQVOString::msc_szArraySeparator[2] = "|";

namespace {

using qvo::strings::kIntTextSize;

constexpr char kBar = '|';
constexpr int kDecimals = 10;

// Joins the rendered elements with the separator; render(value, out) appends one element's text.
template <typename T, typename Render>
std::string join(std::vector<T> const& values, std::size_t perElement, Render render) {
  std::string out;
  out.reserve(values.size() * perElement);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) out.push_back(kBar);
    render(values[i], out);
  }
  if (out.size() >= 0xFFFFFFFFu) throw std::length_error("CQVOString array text too long");
  return out;
}

void appendSigned(long long value, std::string& out) {
  char digits[kIntTextSize];
  out.append(digits, qvo::strings::renderSigned(value, digits));
}

void appendUnsigned(unsigned long long value, std::string& out) {
  char digits[kIntTextSize];
  out.append(digits, qvo::strings::renderUnsigned(value, digits));
}

// A character is "0" and its decimal value, so that it reads back as a number of two bytes or more.
void appendCharacter(unsigned value, std::string& out) {
  out.push_back('0');
  appendUnsigned(value, out);
}

void appendFixed(double value, std::string& out) {
  qvo::strings::RenderedText text;
  text.fixed(value, kDecimals);
  out.append(text.data(), text.size());
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Calls element(first, last) for each element of the array text, in order. The text is walked once from
// the front: each element ends at the next bar seen before the text's first NUL (past it the rest is one
// element), "||" stands for a literal bar, and a bar at the very end adds no element. Blanks, control bytes
// and bytes 0x80-0xFF around an element are dropped, then one pair of enclosing double quotes. An empty text
// is one empty element.
template <typename Element>
void forEachElement(char const* text, std::uint32_t length, Element element) {
  if (length == 0) {
    element(text, text);
    return;
  }
  char const* const end = text + length;
  char const* nul = static_cast<char const*>(std::memchr(text, 0, length));
  char const* const barLimit = nul != nullptr ? nul : end;
  char const* pos = text;
  // The rest's next piece: up to its first bar (which is consumed), or all of it.
  auto nextPiece = [&](char const*& first, char const*& last) {
    char const* bar = pos < barLimit
                          ? static_cast<char const*>(std::memchr(pos, kBar, static_cast<std::size_t>(barLimit - pos)))
                          : nullptr;
    first = pos;
    last = bar != nullptr ? bar : end;
    pos = bar != nullptr ? bar + 1 : end;
  };
  std::string joined;
  for (;;) {
    char const* first;
    char const* last;
    nextPiece(first, last);
    if (pos < end && *pos == kBar) {
      joined.assign(first, last);
      while (pos < end && *pos == kBar) {
        joined.push_back(kBar);
        ++pos;
        char const* pieceFirst;
        char const* pieceLast;
        nextPiece(pieceFirst, pieceLast);
        joined.append(pieceFirst, pieceLast);
      }
      first = joined.data();
      last = first + joined.size();
    }
    auto blank = [](char c) { return static_cast<signed char>(c) <= ' '; };
    while (first < last && blank(*first)) ++first;
    while (last > first && blank(last[-1])) --last;
    if (last > first && *first == '"' && last[-1] == '"') {
      if (last - first == 1) {
        last = first;
      } else {
        ++first;
        --last;
      }
    }
    element(first, last);
    if (pos >= end) return;
  }
}

long elementSigned(char const* first, char const* last) {
  int error = 0;
  long const value = qvo::strings::parseSigned(first, last, &error);
  if (error != 0) errno = error;
  return value;
}

unsigned long elementUnsigned(char const* first, char const* last) {
  int error = 0;
  unsigned long const value = qvo::strings::parseUnsigned(first, last, &error);
  if (error != 0) errno = error;
  return value;
}

double elementDouble(char const* first, char const* last) {
  int error = 0;
  double const value = qvo::strings::parseDouble(first, last, &error);
  if (error != 0) errno = error;
  return value;
}

// A character element: 0 when empty, a single byte as itself, a text that does not start with a digit
// as its first byte, otherwise the low 8 bits of its decimal value.
template <typename Parse>
unsigned char elementCharacter(char const* first, char const* last, Parse parse) {
  if (first == last) return 0;
  if (last - first == 1 || !isDigit(*first)) return static_cast<unsigned char>(*first);
  errno = 0;
  return static_cast<unsigned char>(parse(first, last) & 0xFF);
}

template <typename T, typename Convert>
std::vector<T> parseArray(char const* text, std::uint32_t length, Convert convert) {
  std::vector<T> result;
  forEachElement(text, length, [&](char const* first, char const* last) { result.push_back(convert(first, last)); });
  return result;
}

}  // namespace

CQVOString::CQVOString(std::vector<char> values, char const*) {
  std::string const text = join(values, 4, [](char v, std::string& out) {
    appendCharacter(static_cast<unsigned short>(static_cast<short>(static_cast<signed char>(v))), out);
  });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<unsigned char> values, char const*) {
  std::string const text = join(values, 4, [](unsigned char v, std::string& out) { appendCharacter(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<short> values, char const*) {
  std::string const text = join(values, 6, [](short v, std::string& out) { appendSigned(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<unsigned short> values, char const*) {
  std::string const text = join(values, 6, [](unsigned short v, std::string& out) { appendUnsigned(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<long> values, char const*) {
  std::string const text = join(values, 8, [](long v, std::string& out) { appendSigned(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<unsigned long> values, char const*) {
  std::string const text = join(values, 8, [](unsigned long v, std::string& out) { appendUnsigned(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<float> values, char const*) {
  std::string const text = join(values, 16, [](float v, std::string& out) { appendFixed(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<double> values, char const*) {
  std::string const text = join(values, 16, [](double v, std::string& out) { appendFixed(v, out); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

CQVOString::CQVOString(std::vector<std::string> values, char const*) {
  std::string const text = join(values, 8, [](std::string const& v, std::string& out) { out.append(v.c_str()); });
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

std::vector<char> CQVOString::ConvertToCharVector() const {
  return parseArray<char>(m_buffer, m_length, [](char const* first, char const* last) {
    return static_cast<char>(elementCharacter(first, last, [](char const* f, char const* l) {
      return static_cast<unsigned long>(elementSigned(f, l));
    }));
  });
}

std::vector<unsigned char> CQVOString::ConvertToUCharVector() const {
  return parseArray<unsigned char>(m_buffer, m_length, [](char const* first, char const* last) {
    return elementCharacter(first, last, elementUnsigned);
  });
}

std::vector<short> CQVOString::ConvertToShortVector() const {
  return parseArray<short>(m_buffer, m_length, [](char const* first, char const* last) {
    return static_cast<short>(static_cast<unsigned short>(elementSigned(first, last) & 0xFFFF));
  });
}

std::vector<unsigned short> CQVOString::ConvertToUShortVector() const {
  return parseArray<unsigned short>(m_buffer, m_length, [](char const* first, char const* last) {
    return static_cast<unsigned short>(elementUnsigned(first, last) & 0xFFFF);
  });
}

std::vector<long> CQVOString::ConvertToLongVector() const {
  return parseArray<long>(m_buffer, m_length, elementSigned);
}

std::vector<unsigned long> CQVOString::ConvertToULongVector() const {
  return parseArray<unsigned long>(m_buffer, m_length, elementUnsigned);
}

std::vector<float> CQVOString::ConvertToFloatVector() const {
  return parseArray<float>(m_buffer, m_length, [](char const* first, char const* last) {
    errno = 0;
    return static_cast<float>(elementDouble(first, last));
  });
}

std::vector<double> CQVOString::ConvertToDoubleVector() const {
  return parseArray<double>(m_buffer, m_length, elementDouble);
}

std::vector<std::string> CQVOString::ConvertToStringVector() const {
  return parseArray<std::string>(m_buffer, m_length, [](char const* first, char const* last) {
    // The element's text up to its first NUL.
    char const* nul = static_cast<char const*>(std::memchr(first, 0, static_cast<std::size_t>(last - first)));
    return std::string(first, nul != nullptr ? nul : last);
  });
}
