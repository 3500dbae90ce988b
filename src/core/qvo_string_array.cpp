// CQVOString array texts: vectors rendered as "|"-separated elements, and parsed back.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "QVOString.h"
#include "core/number_text.h"
#include "core/text_alloc.h"

const char CQVOString::msc_szArraySeparator[2] = "|";

namespace {

using qvo::strings::kIntTextSize;

constexpr char kBar = '|';
constexpr int kDecimals = 10;

// ---- building -------------------------------------------------------------------------------------------

// The array text under construction: elements are rendered straight into a growing buffer from the string
// allocator, which the string then takes over as its own (CQVOString::adoptText) instead of copying it.
class TextBuilder {
 public:
  explicit TextBuilder(std::size_t estimate)
      : m_capacity(std::max<std::size_t>(estimate, 64)), m_data(EQVO::detail::newText(m_capacity)) {}
  ~TextBuilder() { EQVO::detail::releaseText(m_data, 0); }
  TextBuilder(TextBuilder&& other) noexcept : m_capacity(other.m_capacity), m_data(other.m_data), m_size(other.m_size) {
    other.release();
  }
  TextBuilder& operator=(TextBuilder&&) = delete;

  // Where to write up to n more bytes.
  char* room(std::size_t n) {
    if (m_capacity - m_size < n) {
      std::size_t const capacity = std::max(m_capacity * 2, m_size + n);
      m_data = EQVO::detail::resizeText(m_data, capacity);  // extended in place when the allocator can
      m_capacity = capacity;
    }
    return m_data + m_size;
  }
  void commit(std::size_t n) { m_size += n; }
  std::uint32_t size() const {
    if (m_size >= 0xFFFFFFFFu) throw std::length_error("CQVOString array text too long");
    return static_cast<std::uint32_t>(m_size);
  }
  // Hands the buffer over (its size() bytes of text); the builder is empty afterwards.
  char* release() {
    char* const data = m_data;
    m_data = nullptr;
    m_capacity = 0;
    m_size = 0;
    return data;
  }

 private:
  std::size_t m_capacity;
  char* m_data;
  std::size_t m_size = 0;
};

// Joins the elements with the separator. render(value, out) writes one element of at most maxElement
// bytes at out and returns its length. The buffer is first sized for elements of up to `usual` bytes:
// a generous guess costs little, since pages never written are never faulted in and the string's
// adoption cuts the buffer to size where it lies, while a short one would move the text when it grows.
template <typename T, typename Render>
TextBuilder join(std::vector<T> const& values, std::size_t usual, std::size_t maxElement, Render render) {
  TextBuilder text(values.size() * (usual + 1));
  for (std::size_t i = 0; i < values.size(); ++i) {
    char* out = text.room(maxElement + 1);
    std::size_t n = 0;
    if (i != 0) out[n++] = kBar;
    n += render(values[i], out + n);
    text.commit(n);
  }
  return text;
}

// Integer elements are joined straight into the string's buffer: a first pass adds up the exact length,
// so the buffer is sized once, as the assignment of the finished text would size it.
template <typename T>
std::size_t integerLength(T value) {
  if constexpr (std::is_signed_v<T>) {
    if (value < 0) return 1 + qvo::strings::decimalDigits(0ULL - static_cast<unsigned long long>(value));
  }
  return qvo::strings::decimalDigits(static_cast<unsigned long long>(value));
}

template <typename T>
std::size_t renderInteger(T value, char* out) {
  if constexpr (std::is_signed_v<T>) {
    return qvo::strings::renderSigned(value, out);
  } else {
    return qvo::strings::renderUnsigned(value, out);
  }
}

// A character is "0" and its decimal value, so that it reads back as a number of two bytes or more.
std::size_t renderCharacter(unsigned value, char* out) {
  out[0] = '0';
  return 1 + qvo::strings::renderUnsigned(value, out + 1);
}

// A finite double in fixed-point with 10 decimals takes at most 309 integer digits, a sign, a point and
// the decimals.
constexpr std::size_t kMaxFixed = 330;
// The usual longest: a sign, 12 integer digits, the point and the decimals.
constexpr std::size_t kUsualFixed = 24;

std::size_t renderFixed(double value, char* out) {
  if (std::size_t const quick = qvo::strings::renderFixedQuick(value, kDecimals, out)) return quick;
  auto r = std::to_chars(out, out + kMaxFixed, value, std::chars_format::fixed, kDecimals);
  return static_cast<std::size_t>(r.ptr - out);
}

// ---- parsing --------------------------------------------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return static_cast<signed char>(c) <= ' '; }

// Walks an array text from the front, one element at a time, without changing or copying it: each element
// ends at the next bar before the text's first NUL (past it the rest is one element), "||" stands for a
// literal bar, and a bar at the very end adds no element. Blanks, control bytes and bytes 0x80-0xFF around
// an element are dropped, then one pair of enclosing double quotes.
class ElementWalker {
 public:
  ElementWalker(char const* text, std::uint32_t length) : m_pos(text), m_end(text + length) {}

  bool atEnd() const { return m_pos >= m_end; }
  char const* front() const { return m_pos; }
  char const* end() const { return m_end; }

  // Takes [front(), stop) as the next element when it is one whole, plain element: the text before the
  // next single bar, or all of the rest. The caller has read a number there, which has neither blanks nor
  // quotes to remove.
  bool takePlain(char const* stop) {
    if (m_pastNul || stop == m_pos) return false;
    if (stop == m_end) {
      m_pos = m_end;
      return true;
    }
    if (*stop != kBar || (stop + 1 < m_end && stop[1] == kBar)) return false;
    m_pos = stop + 1;
    return true;
  }

  // The next element's text, trimmed and unquoted.
  void next(char const*& first, char const*& last) {
    piece(first, last);
    if (m_pos < m_end && *m_pos == kBar) {
      // A doubled bar: the pieces are joined with one literal bar.
      m_joined.assign(first, last);
      while (m_pos < m_end && *m_pos == kBar) {
        m_joined.push_back(kBar);
        ++m_pos;
        char const* pieceFirst;
        char const* pieceLast;
        piece(pieceFirst, pieceLast);
        m_joined.append(pieceFirst, pieceLast);
      }
      first = m_joined.data();
      last = first + m_joined.size();
    }
    while (first < last && isBlank(*first)) ++first;
    while (last > first && isBlank(last[-1])) --last;
    if (last > first && *first == '"' && last[-1] == '"') {
      if (last - first == 1) {
        last = first;
      } else {
        ++first;
        --last;
      }
    }
  }

 private:
  // The rest's next piece: up to its first bar (which is consumed), or all of it. Elements are short, so a
  // byte loop that also watches for the NUL beats a memchr call per element.
  void piece(char const*& first, char const*& last) {
    first = m_pos;
    if (!m_pastNul) {
      char const* q = m_pos;
      while (q < m_end && *q != kBar && *q != '\0') ++q;
      if (q < m_end && *q == kBar) {
        last = q;
        m_pos = q + 1;
        return;
      }
      m_pastNul = q < m_end;
    }
    last = m_end;
    m_pos = m_end;
  }

  char const* m_pos;
  char const* const m_end;
  bool m_pastNul = false;  // bars after the first NUL are not separators
  std::string m_joined;
};

constexpr std::size_t kSampleBytes = 4096;

// How many elements `bytes` more of text may hold when `elements` took `seen` bytes: the same density
// and a sixteenth more, at least a few.
std::size_t expectedElements(std::size_t bytes, std::size_t seen, std::size_t elements) {
  double const perByte = seen == 0 ? 0.5 : static_cast<double>(elements) / static_cast<double>(seen);
  double const guess = static_cast<double>(bytes) * perByte * 1.0625 + 8;
  return static_cast<std::size_t>(std::min(guess, static_cast<double>(bytes / 2 + 2)));
}

// Parses every element: plain(first, last, value, stop) may read a number right at the front of the rest
// (returning false when it cannot); convert(first, last) turns any element text into a value.
template <typename T, typename Plain, typename Convert>
std::vector<T> parseArray(char const* text, std::uint32_t length, Plain plain, Convert convert) {
  std::vector<T> result;
  if (length == 0) {
    result.push_back(convert(text, text));
    return result;
  }
  ElementWalker walker(text, length);
  if constexpr (std::is_arithmetic_v<T>) {
    // Sized from the elements of a first stretch of the text rather than by counting every bar, which
    // would read a long text twice. Each time the guess runs out, the same guess over the rest of the
    // text, from the element length seen so far, sizes it again, by half its size at least, so that a
    // text whose elements shorten as it goes still costs a bounded number of moves.
    std::size_t const sample = std::min<std::size_t>(length, kSampleBytes);
    result.reserve(expectedElements(length, sample, static_cast<std::size_t>(std::count(text, text + sample, kBar)) + 1));
  }
  do {
    if constexpr (std::is_arithmetic_v<T>) {
      if (result.size() == result.capacity()) {
        std::size_t const read = static_cast<std::size_t>(walker.front() - text);
        std::size_t const more = std::max(result.size() / 2, expectedElements(length - read, read, result.size()));
        result.reserve(result.size() + more);
      }
    }
    T value{};
    char const* stop = nullptr;
    if (plain(walker.front(), walker.end(), value, &stop) && walker.takePlain(stop)) {
      result.push_back(value);
      continue;
    }
    char const* first;
    char const* last;
    walker.next(first, last);
    result.push_back(convert(first, last));
  } while (!walker.atEnd());
  return result;
}

// Element conversions: strtol / strtoul / strtod, which set errno to ERANGE on overflow.
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

// Plain-number readers for the front of the rest: a sign or a digit first, as the element's own
// conversion would read it.
template <typename T, typename Narrow>
auto plainInteger(Narrow narrow) {
  return [narrow](char const* first, char const* last, T& value, char const** stop) {
    if (first == last || !(isDigit(*first) || *first == '-' || *first == '+')) return false;
    int error = 0;
    value = narrow(first, last, &error, stop);
    if (error != 0) errno = error;
    return true;
  };
}

template <typename T>
bool noPlain(char const*, char const*, T&, char const**) {
  return false;
}

}  // namespace

CQVOString::CQVOString(std::vector<char> values, char const*) {
  TextBuilder text = join(values, 6, 8, [](char v, char* out) {
    return renderCharacter(static_cast<unsigned short>(static_cast<short>(static_cast<signed char>(v))), out);
  });
  std::uint32_t const length = text.size();
  adoptText(text.release(), length);
}

CQVOString::CQVOString(std::vector<unsigned char> values, char const*) {
  TextBuilder text = join(values, 4, 8, [](unsigned char v, char* out) { return renderCharacter(v, out); });
  std::uint32_t const length = text.size();
  adoptText(text.release(), length);
}

void CQVOString::adoptText(char* text, std::uint32_t length) {
  EQVO::detail::TextOwner owned(text, EQVO::detail::TextFree{0});
  if (length < m_capacity) {
    // Fits the buffer this string has: copied, as an assignment would.
    std::memcpy(m_buffer, text, length);
  } else {
    // The capacity an assignment gives; the builder's buffer is cut or extended to it where it lies.
    std::uint32_t const capacity = EQVO::detail::grownCapacity(m_capacity, std::uint64_t{length} + 1);
    char* const fitted = EQVO::detail::resizeText(owned.get(), capacity);
    owned.release();
    takeBuffer(fitted, capacity, length);
  }
  m_length = length;
  m_buffer[length] = '\0';
}

char* CQVOString::prepareText(std::uint32_t length) {
  if (length >= m_capacity) {
    // The growth of an assignment, without copying the text that is replaced.
    std::uint32_t const capacity = EQVO::detail::grownCapacity(m_capacity, std::uint64_t{length} + 1);
    takeBuffer(EQVO::detail::newText(capacity), capacity, length);
  }
  m_length = length;
  m_buffer[length] = '\0';
  return m_buffer;
}

namespace {
template <typename T>
std::uint32_t joinedIntegerLength(std::vector<T> const& values) {
  std::uint64_t total = values.empty() ? 0 : values.size() - 1;
  for (T v : values) total += integerLength(v);
  if (total >= 0xFFFFFFFFu) throw std::length_error("CQVOString array text too long");
  return static_cast<std::uint32_t>(total);
}

template <typename T>
void renderJoinedIntegers(std::vector<T> const& values, char* out) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) *out++ = kBar;
    out += renderInteger(values[i], out);
  }
}
}  // namespace

CQVOString::CQVOString(std::vector<short> values, char const*) {
  renderJoinedIntegers(values, prepareText(joinedIntegerLength(values)));
}

CQVOString::CQVOString(std::vector<unsigned short> values, char const*) {
  renderJoinedIntegers(values, prepareText(joinedIntegerLength(values)));
}

CQVOString::CQVOString(std::vector<long> values, char const*) {
  renderJoinedIntegers(values, prepareText(joinedIntegerLength(values)));
}

CQVOString::CQVOString(std::vector<unsigned long> values, char const*) {
  renderJoinedIntegers(values, prepareText(joinedIntegerLength(values)));
}

CQVOString::CQVOString(std::vector<float> values, char const*) {
  TextBuilder text = join(values, kUsualFixed, kMaxFixed, [](float v, char* out) { return renderFixed(v, out); });
  std::uint32_t const length = text.size();
  adoptText(text.release(), length);
}

CQVOString::CQVOString(std::vector<double> values, char const*) {
  TextBuilder text = join(values, kUsualFixed, kMaxFixed, [](double v, char* out) { return renderFixed(v, out); });
  std::uint32_t const length = text.size();
  adoptText(text.release(), length);
}

CQVOString::CQVOString(std::vector<std::string> values, char const*) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) text.push_back(kBar);
    text.append(values[i].c_str());  // up to the element's first NUL
  }
  if (text.size() >= 0xFFFFFFFFu) throw std::length_error("CQVOString array text too long");
  assignBytes(text.data(), static_cast<std::uint32_t>(text.size()));
}

std::vector<char> CQVOString::ConvertToCharVector() const {
  return parseArray<char>(m_buffer, m_length, noPlain<char>, [](char const* first, char const* last) {
    return static_cast<char>(elementCharacter(first, last, [](char const* f, char const* l) {
      return static_cast<unsigned long>(elementSigned(f, l));
    }));
  });
}

std::vector<unsigned char> CQVOString::ConvertToUCharVector() const {
  return parseArray<unsigned char>(m_buffer, m_length, noPlain<unsigned char>,
                                   [](char const* first, char const* last) {
                                     return elementCharacter(first, last, elementUnsigned);
                                   });
}

namespace {
short lowShort(long v) { return static_cast<short>(static_cast<unsigned short>(v & 0xFFFF)); }
unsigned short lowUShort(unsigned long v) { return static_cast<unsigned short>(v & 0xFFFF); }
}  // namespace

std::vector<short> CQVOString::ConvertToShortVector() const {
  return parseArray<short>(
      m_buffer, m_length,
      plainInteger<short>([](char const* f, char const* l, int* e, char const** s) {
        return lowShort(qvo::strings::parseSignedQuick(f, l, e, s));
      }),
      [](char const* first, char const* last) { return lowShort(elementSigned(first, last)); });
}

std::vector<unsigned short> CQVOString::ConvertToUShortVector() const {
  return parseArray<unsigned short>(
      m_buffer, m_length,
      plainInteger<unsigned short>([](char const* f, char const* l, int* e, char const** s) {
        return lowUShort(qvo::strings::parseUnsignedQuick(f, l, e, s));
      }),
      [](char const* first, char const* last) { return lowUShort(elementUnsigned(first, last)); });
}

std::vector<long> CQVOString::ConvertToLongVector() const {
  return parseArray<long>(m_buffer, m_length, plainInteger<long>([](char const* f, char const* l, int* e, char const** s) {
                            return qvo::strings::parseSignedQuick(f, l, e, s);
                          }),
                          elementSigned);
}

std::vector<unsigned long> CQVOString::ConvertToULongVector() const {
  return parseArray<unsigned long>(
      m_buffer, m_length, plainInteger<unsigned long>([](char const* f, char const* l, int* e, char const** s) {
        return qvo::strings::parseUnsignedQuick(f, l, e, s);
      }),
      elementUnsigned);
}

std::vector<float> CQVOString::ConvertToFloatVector() const {
  return parseArray<float>(
      m_buffer, m_length,
      [](char const* first, char const* last, float& value, char const** stop) {
        double wide = 0;
        if (!qvo::strings::parsePlainDouble(first, last, wide, stop)) return false;
        errno = 0;  // the element's conversion (toFloat) starts from a clear errno
        value = static_cast<float>(wide);
        return true;
      },
      [](char const* first, char const* last) {
        errno = 0;
        return static_cast<float>(elementDouble(first, last));
      });
}

std::vector<double> CQVOString::ConvertToDoubleVector() const {
  return parseArray<double>(m_buffer, m_length, qvo::strings::parsePlainDouble, elementDouble);
}

std::vector<std::string> CQVOString::ConvertToStringVector() const {
  return parseArray<std::string>(m_buffer, m_length, noPlain<std::string>, [](char const* first, char const* last) {
    // The element's text up to its first NUL.
    char const* nul = static_cast<char const*>(std::memchr(first, 0, static_cast<std::size_t>(last - first)));
    return std::string(first, nul != nullptr ? nul : last);
  });
}
