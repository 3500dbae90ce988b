// EQVO::String text operations: search, comparison, hashing, trimming, tokens and replacement.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "QVOString.h"
#include "core/text_alloc.h"
#include "core/text_scan.h"

namespace EQVO {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// The text up to its first NUL, which is what the C-style searches see.
std::string_view cText(char const* buffer) { return std::string_view(buffer); }

constexpr std::ptrdiff_t kNotFound = -1;

// strstr on text + from for a needle of n >= 1 bytes without a NUL: the first occurrence that ends before
// the text's first NUL. Candidates are found by a scan that watches for the NUL in the same pass (the
// terminator at length ends it). A candidate whose n bytes would reach the terminator cannot match, nor
// can any after it; the others are compared byte for byte, and an embedded NUL among them differs from
// the needle's byte there, as strncmp would find.
std::ptrdiff_t searchText(char const* text, std::uint32_t length, std::size_t from, char const* needle,
                          std::size_t n) {
  if (n > length) return kNotFound;
  char const first = needle[0];
  char const* const last = text + length + 1;
  char const* const lastStart = text + (length - n);
  for (char const* p = text + from;; ++p) {
    p = qvo::strings::findByteBeforeNul(p, last, first);
    if (p == nullptr || p > lastStart) return kNotFound;
    std::size_t k = 1;
    while (k < n && p[k] == needle[k]) ++k;
    if (k == n) return p - text;
  }
}

// Copies the first and the last sizeof(Word) bytes of n (sizeof(Word) <= n <= 2 * sizeof(Word)): together
// they cover all n, overlapping in the middle.
template <typename Word>
void copyEnds(char* to, char const* from, std::uint32_t n) {
  Word head;
  Word tail;
  std::memcpy(&head, from, sizeof(Word));
  std::memcpy(&tail, from + n - sizeof(Word), sizeof(Word));
  std::memcpy(to, &head, sizeof(Word));
  std::memcpy(to + n - sizeof(Word), &tail, sizeof(Word));
}

// Copies n <= 16 bytes with at most two overlapping loads and stores, all inside the n bytes.
void copyShort(char* to, char const* from, std::uint32_t n) {
  if (n >= 8) {
    copyEnds<std::uint64_t>(to, from, n);
  } else if (n >= 4) {
    copyEnds<std::uint32_t>(to, from, n);
  } else if (n != 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

int indexResult(std::ptrdiff_t at) { return at < 0 ? -1 : static_cast<int>(at); }

}  // namespace

int String::indexOf(int c, unsigned int from) const {
  if (from > m_length) return -1;
  char const byte = static_cast<char>(c);
  if (byte == '\0') {
    // The first NUL: an embedded one, or the terminator.
    auto nul = static_cast<char const*>(std::memchr(m_buffer + from, 0, m_length - from + std::size_t{1}));
    return static_cast<int>(nul - m_buffer);
  }
  return indexResult(searchText(m_buffer, m_length, from, &byte, 1));
}

int String::indexOf(char const* text, unsigned int from) const {
  if (from > m_length) return -1;
  std::size_t const n = text == nullptr ? 0 : std::strlen(text);
  if (n == 0) return static_cast<int>(from);
  return indexResult(searchText(m_buffer, m_length, from, text, n));
}

int String::indexOf(String const& other, unsigned int from, bool ignoreCase) const {
  if (!ignoreCase) return indexOf(other.m_buffer, from);
  // The part of the text from the start on (empty when the start lies beyond it), compared through tolower.
  std::string_view const hay = from > m_length ? std::string_view() : cText(m_buffer + from);
  std::string_view const needle = cText(other.m_buffer);
  if (needle.size() > hay.size()) return -1;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && lower(hay[i + k]) == lower(needle[k])) ++k;
    if (k == needle.size()) return static_cast<int>(i + from);
  }
  return -1;
}

int String::lastIndexOf(int c, unsigned int from) const {
  if (from > m_length) return -1;
  char const* hit = std::strrchr(m_buffer + from, c);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_buffer);
}

int String::lastIndexOf(String const& other, unsigned int from, bool ignoreCase) const {
  if (from > m_length || other.m_length > m_length) return -1;
  for (std::int64_t p = static_cast<std::int64_t>(m_length) - other.m_length; p >= from; --p) {
    char const* at = m_buffer + p;
    bool const match = ignoreCase ? String(at, static_cast<int>(other.m_length)).equalsIgnoreCase(other.m_buffer)
                                  : std::strncmp(at, other.m_buffer, other.m_length) == 0;
    if (match) return static_cast<int>(p);
  }
  return -1;
}

bool String::equals(char const* text) const { return text != nullptr && std::strcmp(m_buffer, text) == 0; }
bool String::equals(String const& other) const { return equals(other.m_buffer); }
bool String::operator==(char const* text) const { return equals(text); }
bool String::operator==(String const& other) const { return equals(other.m_buffer); }
bool String::operator!=(String const& other) const { return !equals(other.m_buffer); }
bool String::operator!=(char const* text) const { return !equals(text); }

bool String::equalsIgnoreCase(char const* text) const {
  if (text == nullptr || std::strlen(text) != m_length) return false;
  for (std::uint32_t i = 0; i < m_length; ++i) {
    if (lower(m_buffer[i]) != lower(text[i])) return false;
  }
  return true;
}

bool String::equalsIgnoreCase(String const& other) const { return equalsIgnoreCase(other.m_buffer); }

bool String::regionMatches(bool, int offset, String other, int otherOffset, int count) const {
  if (offset < 0 || otherOffset < 0) return false;
  if (static_cast<std::int64_t>(offset) + count > m_length) return false;
  if (static_cast<std::int64_t>(otherOffset) + count > other.m_length) return false;
  if (count <= 0) return true;
  return std::memcmp(m_buffer + offset, other.m_buffer + otherOffset, static_cast<std::size_t>(count)) == 0;
}

bool String::startsWith(char const* text) const {
  if (text == nullptr) return false;
  std::size_t const n = std::strlen(text);
  return n <= m_length && std::strncmp(m_buffer, text, n) == 0;
}

bool String::startsWith(String const& other) const {
  return other.m_length <= m_length && std::strncmp(m_buffer, other.m_buffer, other.m_length) == 0;
}

bool String::endsWith(char const* text) {
  if (text == nullptr) return false;
  std::size_t const n = std::strlen(text);
  return n <= m_length && std::strncmp(m_buffer + (m_length - n), text, n) == 0;
}

bool String::endsWith(String const& other) {
  return other.m_length <= m_length &&
         std::strncmp(m_buffer + (m_length - other.m_length), other.m_buffer, other.m_length) == 0;
}

bool String::consistsOfChars(char const* set) const {
  bool member[256] = {};
  if (set != nullptr) {
    for (; *set != '\0'; ++set) member[static_cast<unsigned char>(*set)] = true;
  }
  for (std::uint32_t i = 0; i < m_length; ++i) {
    if (!member[static_cast<unsigned char>(m_buffer[i])]) return false;
  }
  return true;
}

int String::hashCode() const {
  // 32-bit arithmetic with wrap-around; every byte counts as a signed 8-bit value.
  std::uint32_t h = 0;
  auto byteAt = [this](std::uint32_t i) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(m_buffer[i])));
  };
  if (m_length < 16) {
    for (std::uint32_t i = 0; i < m_length; ++i) h = h * 37u + byteAt(i);
  } else {
    std::uint32_t const skip = m_length / 8;
    for (std::uint32_t i = 0; i < m_length; i += skip) h = h * 39u + byteAt(i);
  }
  return static_cast<std::int32_t>(h);
}

String& String::reverse() {
  std::reverse(m_buffer, m_buffer + m_length);
  return *this;
}

String& String::toUpperCase() {
  for (std::uint32_t i = 0; i < m_length; ++i) {
    m_buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(m_buffer[i])));
  }
  return *this;
}

String& String::toLowerCase() {
  for (std::uint32_t i = 0; i < m_length; ++i) m_buffer[i] = lower(m_buffer[i]);
  return *this;
}

namespace {
// Which bytes a trim removes: a run of c, or (class mode, and always for the space) every byte that is
// at most c as a signed 8-bit value, so ' ' also takes control bytes and 0x80-0xFF.
struct TrimRule {
  char c;
  bool classMode;
  bool removes(char b) const {
    return classMode ? static_cast<signed char>(b) <= static_cast<signed char>(c) : b == c;
  }
};
TrimRule trimRule(char c, bool classMode) { return TrimRule{c, classMode || c == ' '}; }
}  // namespace

String& String::trimRight(char c, bool classMode) {
  if (m_length == 0) return *this;
  TrimRule const rule = trimRule(c, classMode);
  std::uint32_t end = m_length;
  while (end > 0 && rule.removes(m_buffer[end - 1])) --end;
  if (end == 0) {
    setEmpty();
    return *this;
  }
  std::memset(m_buffer + end, 0, m_length - end);
  m_length = end;
  return *this;
}

String& String::trimLeft(char c, bool classMode) {
  if (m_length == 0) return *this;
  TrimRule const rule = trimRule(c, classMode);
  std::uint32_t begin = 0;
  while (begin < m_length && rule.removes(m_buffer[begin])) ++begin;
  if (begin == m_length) {
    setEmpty();
    return *this;
  }
  if (begin != 0) {
    std::memmove(m_buffer, m_buffer + begin, m_length - begin);
    m_length -= begin;
    m_buffer[m_length] = '\0';
  }
  return *this;
}

String& String::trim(char c, bool classMode) {
  trimRight(c, classMode);
  return trimLeft(c, classMode);
}

void String::cutToken(String& result, char const* separator, std::uint32_t separatorLength) {
  if (separatorLength == 0) {
    result.assignBytes(m_buffer, m_length);
    return;
  }
  // A separator inside this string's own buffer would move under the cut: take a copy of it.
  std::string copy;
  std::less<char const*> const before;
  if (!before(separator, m_buffer) && before(separator, m_buffer + m_capacity)) {
    copy.assign(separator, separatorLength);
    separator = copy.c_str();
  }
  std::ptrdiff_t const at = searchText(m_buffer, m_length, 0, separator, separatorLength);
  if (at < 0) {
    result.assignBytes(m_buffer, m_length);
    setEmpty();
    return;
  }
  std::uint32_t const cut = static_cast<std::uint32_t>(at);
  std::uint32_t const rest = cut + separatorLength;
  if (cut < result.m_capacity && cut <= 16) {
    // The usual short token into the fresh result's zeroed buffer, without a library call.
    copyShort(result.m_buffer, m_buffer, cut);
    result.m_length = cut;
    result.m_buffer[cut] = '\0';
  } else {
    result.assignBytes(m_buffer, cut);
  }
  std::memmove(m_buffer, m_buffer + rest, m_length - rest);
  m_length -= rest;
  m_buffer[m_length] = '\0';
}

String String::token(char const* separator) {
  String result;
  // A separator longer than the text is never found, and neither is its first length + 1 bytes.
  std::size_t const n = separator == nullptr ? 0 : std::strlen(separator);
  cutToken(result, separator, static_cast<std::uint32_t>(std::min<std::size_t>(n, m_length + std::size_t{1})));
  return result;
}

String String::token(String const& separator) { return token(separator.m_buffer); }

String String::token(char separator) {
  String result;
  if (separator == '\0') {
    result.assignBytes(m_buffer, m_length);
    setEmpty();
  } else {
    cutToken(result, &separator, 1);
  }
  return result;
}

bool String::replace(char const* from, char const* to, bool all) {
  if (from == nullptr || to == nullptr) return false;
  // Copies first: either text may lie in this string's own buffer.
  std::string const f(from);
  std::string const t(to);
  if (f == t) return true;
  // An empty search text would match at every position for ever: it matches nothing.
  if (f.empty()) return false;

  // Occurrences are found, left to right, in the text up to its first NUL; bytes after it are kept.
  std::string_view const text = cText(m_buffer);
  std::size_t first = text.find(f);
  if (first == std::string_view::npos) return false;

  std::vector<std::uint32_t> hits;
  for (std::size_t at = first; at != std::string_view::npos; at = text.find(f, at + f.size())) {
    hits.push_back(static_cast<std::uint32_t>(at));
    if (!all) break;
  }

  // Each replacement assigns the rebuilt text in turn, so the capacity follows the growth rule through
  // every intermediate length; jump from one growth to the next instead of walking every match.
  std::int64_t const delta = static_cast<std::int64_t>(t.size()) - static_cast<std::int64_t>(f.size());
  std::int64_t const finalLength = static_cast<std::int64_t>(m_length) + delta * static_cast<std::int64_t>(hits.size());
  if (finalLength + 1 > 0xFFFFFFFFLL) throw std::length_error("EQVO::String too long");
  std::uint64_t capacity = m_capacity;
  if (delta > 0) {
    std::uint64_t const count = hits.size();
    std::uint64_t k = 0;
    while (k < count) {
      // Smallest step k' > k whose length no longer fits: m_length + k' * delta + 1 > capacity.
      std::uint64_t const fits = capacity > m_length ? (capacity - 1 - m_length) / static_cast<std::uint64_t>(delta) : 0;
      std::uint64_t const next = std::max(k + 1, fits + 1);
      if (next > count) break;
      std::uint64_t const needed = m_length + next * static_cast<std::uint64_t>(delta) + 1;
      capacity = detail::grownCapacity(capacity, needed);
      k = next;
    }
  }

  std::uint32_t const newLength = static_cast<std::uint32_t>(finalLength);
  auto build = [&](char* out) {
    std::size_t read = 0;
    for (std::uint32_t at : hits) {
      std::memcpy(out, m_buffer + read, at - read);
      out += at - read;
      std::memcpy(out, t.data(), t.size());
      out += t.size();
      read = at + f.size();
    }
    std::memcpy(out, m_buffer + read, m_length - read);
  };
  if (capacity != m_capacity) {
    char* const fresh = detail::newText(capacity);
    build(fresh);
    takeBuffer(fresh, static_cast<std::uint32_t>(capacity), newLength);
  } else if (delta <= 0) {
    // Shrinking or equal: writing never overtakes reading, so the text is rebuilt in place.
    char* out = m_buffer;
    std::size_t read = 0;
    for (std::uint32_t at : hits) {
      std::memmove(out, m_buffer + read, at - read);
      out += at - read;
      std::memcpy(out, t.data(), t.size());
      out += t.size();
      read = at + f.size();
    }
    std::memmove(out, m_buffer + read, m_length - read);
  } else {
    detail::TextOwner const scratch(detail::newText(newLength), detail::TextFree{newLength});
    build(scratch.get());
    std::memcpy(m_buffer, scratch.get(), newLength);
  }
  m_length = newLength;
  m_buffer[newLength] = '\0';
  return true;
}

namespace {
// A character stands for its one-byte text, the NUL character for the empty text.
struct CharText {
  explicit CharText(char c) : text{c, '\0'} {}
  char text[2];
};
}  // namespace

bool String::replace(char from, char to, bool all) {
  return replace(CharText(from).text, CharText(to).text, all);
}

bool String::replace(char from, char const* to, bool all) { return replace(CharText(from).text, to, all); }

bool String::replace(char const* from, char to, bool all) { return replace(from, CharText(to).text, all); }

bool operator<(String const& left, String const& right) { return std::strcmp(left.str(), right.str()) < 0; }

bool operator>(String const& left, String const& right) { return std::strcmp(left.str(), right.str()) > 0; }

}  // namespace EQVO
