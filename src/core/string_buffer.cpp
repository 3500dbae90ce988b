// EQVO::String storage: construction, growth, assignment, index access, appending, insertion, erasure.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "QVOString.h"
#include "core/text_alloc.h"

namespace EQVO {

unsigned int String::ms_defaultCapacity = 16;

namespace {

constexpr std::uint64_t kMaxCapacity = 0xFFFFFFFFu;

// New length of a text that grows by count bytes; the length and its terminator must fit 32 bits.
std::uint32_t grownLength(std::uint32_t length, std::uint64_t count) {
  std::uint64_t const total = length + count;
  if (total + 1 > kMaxCapacity) throw std::length_error("EQVO::String too long");
  return static_cast<std::uint32_t>(total);
}

// Text capacity for a string built from a text and a count: the default, or exactly what it needs.
std::uint32_t capacityFor(std::uint32_t length, std::uint32_t defaultCapacity) {
  return length < defaultCapacity ? defaultCapacity : length + 1;
}

}  // namespace

String::String() : m_length(0), m_capacity(ms_defaultCapacity), m_buffer(detail::newText(m_capacity)) {
  if (m_capacity == 16) {
    std::memset(m_buffer, 0, 16);  // the usual size: cleared inline
  } else {
    std::memset(m_buffer, 0, m_capacity);
  }
}

String::String(char const* text, int count) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  std::size_t n = 0;
  if (text != nullptr) n = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
  std::uint32_t const length = grownLength(0, n);
  m_capacity = capacityFor(length, ms_defaultCapacity);
  m_buffer = detail::newText(m_capacity);
  if (length != 0) std::memcpy(m_buffer, text, length);
  std::memset(m_buffer + length, 0, m_capacity - length);  // the unused room reads as zeros
  m_length = length;
}

String::String(String const& other) : m_length(0), m_capacity(0), m_buffer(nullptr) {
  m_capacity = std::max(other.m_capacity, other.m_length + 1);
  m_buffer = detail::newText(m_capacity);
  std::memcpy(m_buffer, other.m_buffer, other.m_length);
  std::memset(m_buffer + other.m_length, 0, m_capacity - other.m_length);
  m_length = other.m_length;
}

// A character starts without storage: its first text takes the growth rule (capacity 3).
String::String(char c) : m_length(0), m_capacity(0), m_buffer(nullptr) { *this = c; }

String::String(unsigned char c) : m_length(0), m_capacity(0), m_buffer(nullptr) { *this = c; }

String::~String() { detail::releaseText(m_buffer, m_capacity); }

void String::grow(std::uint32_t needed) {
  if (needed <= m_capacity) return;
  std::uint32_t const capacity = detail::grownCapacity(m_capacity, needed);
  // Extending in place spares the copy of the text, and a long text that grows step by step keeps its
  // pages instead of faulting in a fresh buffer at each step.
  m_buffer = detail::resizeText(m_buffer, capacity);
  m_capacity = capacity;
  std::memset(m_buffer + m_length, 0, capacity - m_length);
}

void String::ensureCapacity(unsigned int needed) { grow(needed); }

void String::takeBuffer(char* buffer, std::uint32_t capacity, std::uint32_t used) {
  std::memset(buffer + used, 0, capacity - used);
  detail::releaseText(m_buffer, m_capacity);
  m_buffer = buffer;
  m_capacity = capacity;
}

void String::initBuffer(unsigned int size) {
  if (size > m_capacity) {
    takeBuffer(detail::newText(size), size, 0);
  } else if (m_buffer != nullptr) {
    std::memset(m_buffer, 0, m_capacity);
  }
}

void String::assignBytes(char const* bytes, std::uint32_t count) {
  if (count < m_capacity) {
    if (count != 0) std::memmove(m_buffer, bytes, count);
  } else {
    // Growth by the usual rule, without copying the text that is about to be replaced. The source may lie
    // in the old buffer: it is released only after the copy.
    std::uint32_t const needed = grownLength(0, count) + 1;
    std::uint32_t const capacity = detail::grownCapacity(m_capacity, needed);
    char* const fresh = detail::newText(capacity);
    std::memcpy(fresh, bytes, count);
    takeBuffer(fresh, capacity, count);
  }
  m_length = count;
  m_buffer[count] = '\0';
}

void String::appendBytes(char const* bytes, std::size_t count) {
  std::uint32_t const length = grownLength(m_length, count);
  if (length < m_capacity) {
    // Fits: memmove, since a source inside this string may lie anywhere in its buffer.
    std::memmove(m_buffer + m_length, bytes, count);
  } else {
    // A source inside this string's buffer is copied first: growth may move the buffer.
    std::string const own = ownBytes(bytes, count) ? std::string(bytes, count) : std::string();
    if (!own.empty()) bytes = own.data();
    grow(length + 1);
    std::memcpy(m_buffer + m_length, bytes, count);
  }
  m_length = length;
  m_buffer[length] = '\0';
}

bool String::ownBytes(char const* bytes, std::size_t count) const {
  std::less<char const*> const before;
  return count != 0 && m_buffer != nullptr && !before(bytes, m_buffer) && before(bytes, m_buffer + m_capacity);
}

void String::appendGrowing(char c) { appendBytes(&c, 1); }

int String::getChars(int begin, int end, char* destination, int offset) {
  if (begin < 0 || end < 0 || static_cast<std::uint32_t>(begin) >= m_length ||
      static_cast<std::uint32_t>(end) > m_length || begin >= end) {
    return 0;
  }
  std::memcpy(destination + offset, m_buffer + begin, static_cast<std::size_t>(end - begin));
  return 1;
}

void String::setChars(char const* text, unsigned int position) {
  std::uint32_t const n = grownLength(0, std::strlen(text));
  std::uint32_t const end = grownLength(position, n);
  std::string const own = end + 1 > m_capacity && ownBytes(text, n) ? std::string(text, n) : std::string();
  if (!own.empty()) text = own.data();
  grow(end + 1);
  std::memmove(m_buffer + position, text, n);
  if (end > m_length) {
    m_length = end;
    m_buffer[end] = '\0';
  }
}

String& String::operator=(char const* text) {
  if (text == nullptr) text = "";
  assignBytes(text, grownLength(0, std::strlen(text)));
  return *this;
}

String& String::operator=(String const& other) {
  if (this != &other) assignBytes(other.m_buffer, other.m_length);
  return *this;
}

String& String::operator=(char c) {
  assignBytes(&c, c == '\0' ? 0 : 1);
  return *this;
}

String& String::operator=(unsigned char c) { return *this = static_cast<char>(c); }

void String::setEmpty() {
  if (m_buffer == nullptr) return;
  m_length = 0;
  m_buffer[0] = '\0';
}

unsigned int String::length() const { return m_length; }
unsigned int String::capacity() const { return m_capacity; }
bool String::empty() const { return m_length == 0; }
char const* String::str() const { return m_buffer; }
String::operator char const*() const { return m_buffer; }

namespace {
// A negative index names the last byte; on an empty string that is the terminator, never before the buffer.
std::uint32_t fromEnd(long index, std::uint32_t length) {
  if (index >= 0) return static_cast<std::uint32_t>(index);
  return length == 0 ? 0 : length - 1;
}
}  // namespace

char String::charAt(long index) const { return m_buffer[fromEnd(index, m_length)]; }
char& String::charAt(long index) { return m_buffer[fromEnd(index, m_length)]; }
char String::charAt(unsigned long index) const { return m_buffer[index]; }
char& String::charAt(unsigned long index) { return m_buffer[index]; }
char const& String::operator[](unsigned int index) const { return m_buffer[index]; }
char& String::operator[](unsigned int index) { return m_buffer[index]; }
char const& String::operator[](unsigned long index) const { return m_buffer[index]; }
char& String::operator[](unsigned long index) { return m_buffer[index]; }
char const& String::operator[](int index) const { return m_buffer[fromEnd(index, m_length)]; }
char& String::operator[](int index) { return m_buffer[fromEnd(index, m_length)]; }
char const& String::operator[](long index) const { return m_buffer[fromEnd(index, m_length)]; }
char& String::operator[](long index) { return m_buffer[fromEnd(index, m_length)]; }

String& String::operator+=(String const& other) {
  appendBytes(other.m_buffer, other.m_length);
  return *this;
}

String& String::append(String const& other) { return *this += other; }

String String::operator+(String const& other) const {
  String result(*this);
  result += other;
  return result;
}

String String::operator+(char const* text) const {
  String result(*this);
  result += text;
  return result;
}

String String::operator+(char c) const {
  String result(*this);
  result += c;
  return result;
}

String operator+(char const* text, String const& string) {
  String result;
  result += text;
  result += string;
  return result;
}

bool String::insert(unsigned int position, String const& other) {
  if (position > m_length) return false;
  // Inserting the string into itself: the bytes move while they are read, so take a copy first.
  std::string const self = (&other == this) ? std::string(m_buffer, m_length) : std::string();
  char const* bytes = (&other == this) ? self.data() : other.m_buffer;
  std::uint32_t const count = other.m_length;
  std::uint32_t const length = grownLength(m_length, count);
  grow(length + 1);
  std::memmove(m_buffer + position + count, m_buffer + position, m_length - position);
  if (count != 0) std::memcpy(m_buffer + position, bytes, count);
  m_length = length;
  m_buffer[length] = '\0';
  return true;
}

bool String::insert(unsigned int position, char const* text) { return insert(position, String(text)); }

bool String::insert(unsigned int position, char c) { return insert(position, String(c)); }

bool String::eraseRange(unsigned int begin, int end) {
  std::int64_t const first = begin;
  std::int64_t last = end;
  if (end == -1) {
    last = first + 1;
  } else if (end < 0) {
    return false;
  }
  if (first >= m_length || last > m_length || first > last) return false;
  if (first == last) return true;
  std::memmove(m_buffer + first, m_buffer + last, m_length - static_cast<std::uint32_t>(last));
  m_length -= static_cast<std::uint32_t>(last - first);
  m_buffer[m_length] = '\0';
  return true;
}

bool String::erase(unsigned int position, int count) {
  if (count < -1) return false;
  // -1 erases to the end; the span is computed wide so that no position + count wraps.
  std::int64_t const end = count == -1 ? m_length : static_cast<std::int64_t>(position) + count;
  if (position >= m_length || end > m_length) return false;
  if (end == position) return true;
  std::memmove(m_buffer + position, m_buffer + end, m_length - static_cast<std::uint32_t>(end));
  m_length -= static_cast<std::uint32_t>(end - position);
  m_buffer[m_length] = '\0';
  return true;
}

String String::substring(unsigned int start, unsigned int count) const {
  String result;
  if (start >= m_length) return result;
  std::uint32_t const n = std::min(m_length - start, count);
  if (n >= result.m_capacity) {
    // Built from a text and a count: exactly the room it needs.
    result.takeBuffer(detail::newText(n + 1), n + 1, n);
  }
  std::memcpy(result.m_buffer, m_buffer + start, n);
  result.m_buffer[n] = '\0';
  result.m_length = n;
  return result;
}

String String::operator()(unsigned int start, unsigned int count) const { return substring(start, count); }

}  // namespace EQVO
