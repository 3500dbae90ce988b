// Strings: the byte string EQVO::String and the library's string type CQVOString, with number and array texts.
#ifndef QVOBASE_QVOSTRING_H
#define QVOBASE_QVOSTRING_H

#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <vector>

#include "QVOExport.h"

namespace EQVO {

// String is a byte string with an owned heap buffer, an explicit length and capacity, and a NUL byte
// always stored behind the text. Bytes carry no encoding. Operations that work like the C runtime's
// string functions (search, equality, order, assignment from a text) see the text up to its first NUL;
// appending, insertion, erasure and substrings use the stored length, so embedded NULs survive them.
//
// Storage: a string built empty has capacity 16; a string built from a text and a count has capacity 16,
// or length + 1 when the text is longer; a copy has the source's capacity; a string built from a character,
// a number or a bool starts without storage and takes the growth rule on its first text. Growth, when a
// text no longer fits, takes max(2 * capacity + 2, needed) + 1 bytes (needed = new length + 1); the buffer
// never shrinks. Length and capacity are 32-bit on every target; a text that would need more than
// 4294967295 bytes throws std::length_error. When memory runs out, the operation throws std::bad_alloc
// and the string keeps its old text and capacity (the new buffer is taken before anything changes).
//
// Arguments may point into the string itself (s += s.str(), s.insert(1, s), s.replace(s.str(), "x", true)):
// every operation gives the result it would give with a copy of its argument. A null text where a text is
// expected is read as the empty text.
//
// Numbers: the default text of an integer is plain decimal, of a float or double fixed-point with 10
// decimals ("%.10f"), of a bool "1" or "0". Comparisons with numbers compare that text with this one.
//
// Thread safety: no internal locking. Any number of threads may call const operations at once; a
// modification needs exclusive access.
class QVO_API String {
 public:
  // Empty text, capacity 16.
  String();
  // The text up to its NUL when count is negative, else exactly count bytes (embedded NULs included).
  // A null text gives the empty string. String("abc", 2) is "ab".
  String(char const* text, int count = -1);
  // Same text, length and capacity.
  String(String const& other);
  // The one-character text; the NUL character gives the empty string.
  String(char c);
  String(unsigned char c);
  // The number rendered with the printf format (which takes one argument of the value's type: an int,
  // a long, an unsigned int or long, and a double for float and double), or its default text when the
  // format is null. String(5, "%03d") is "005"; String(2.5, nullptr) is "2.5000000000". A rendering of
  // any length is kept whole.
  String(int value, char const* format = nullptr);
  String(long value, char const* format = nullptr);
  String(unsigned int value, char const* format = nullptr);
  String(unsigned long value, char const* format = nullptr);
  String(float value, char const* format = nullptr);
  String(double value, char const* format = nullptr);
  // "1" or "0".
  String(bool value);
  virtual ~String();

  // Assignment keeps the capacity when the new text fits. Each returns *this.
  // The text up to its NUL (null: the empty text).
  String& operator=(char const* text);
  // All of the other's stored bytes, embedded NULs included, and its length. Self-assignment does nothing.
  String& operator=(String const& other);
  // The one-character text (the NUL character: the empty text).
  String& operator=(char c);
  String& operator=(unsigned char c);
  // The default text of the value.
  String& operator=(bool value);
  String& operator=(int value);
  String& operator=(long value);
  String& operator=(short value);
  String& operator=(unsigned int value);
  String& operator=(unsigned long value);
  String& operator=(unsigned short value);
  String& operator=(float value);
  String& operator=(double value);

  // Length 0, terminator at index 0; the capacity stays.
  void setEmpty();
  unsigned int length() const;
  unsigned int capacity() const;
  bool empty() const;
  // The buffer: the text followed by its NUL. Never null.
  char const* str() const;
  operator char const*() const;

  // The byte at the index. A negative index means the last byte (the terminator of an empty string).
  // Other indices are not checked: keep them at or below the length.
  char charAt(long index) const;
  char& charAt(long index);
  char charAt(unsigned long index) const;
  char& charAt(unsigned long index);
  char const& operator[](unsigned int index) const;
  char& operator[](unsigned int index);
  char const& operator[](unsigned long index) const;
  char& operator[](unsigned long index);
  char const& operator[](int index) const;  // negative: the last byte
  char& operator[](int index);
  char const& operator[](long index) const;  // negative: the last byte
  char& operator[](long index);

  // Appending; each returns *this. A string appends all of its stored bytes (s += s doubles s), a text
  // its bytes up to the NUL, a char one byte (the NUL character adds an embedded NUL).
  String& operator+=(String const& other);
  String& append(String const& other);
  // The appends of texts and characters are inline: a piece that fits is copied in place by the caller.
  String& operator+=(char const* text) {
    if (text != nullptr) appendFitting(text, std::strlen(text));
    return *this;
  }
  String& append(char const* text) { return *this += text; }
  String& operator+=(char c) {
    std::uint32_t const length = m_length;
    if (m_capacity - length > 1) {
      // The byte and the new terminator in one two-byte store, the pair made as a number so that no
      // iteration of an appending loop waits for the previous one's register.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      std::uint16_t const pair = static_cast<unsigned char>(c);
      std::memcpy(m_buffer + length, &pair, 2);
#else
      m_buffer[length] = c;
      m_buffer[length + 1] = '\0';
#endif
      m_length = length + 1;
    } else {
      appendGrowing(c);
    }
    return *this;
  }
  String& append(char c) { return *this += c; }
  // Numbers append their default text; an unsigned char appends its decimal value: s += (unsigned char)65
  // appends "65", not "A".
  String& operator+=(unsigned int value);
  String& append(unsigned int value);
  String& operator+=(unsigned long value);
  String& append(unsigned long value);
  String& operator+=(int value);
  String& append(int value);
  String& operator+=(long value);
  String& append(long value);
  String& operator+=(unsigned char value);
  String& operator+=(bool value);
  String& append(bool value);
  String& operator+=(float value);
  String& operator+=(double value);

  // A copy of this string (same capacity) with the argument appended as by operator+=.
  String operator+(String const& other) const;
  String operator+(char const* text) const;
  String operator+(char c) const;
  String operator+(unsigned int value) const;
  String operator+(unsigned long value) const;
  String operator+(int value) const;
  String operator+(long value) const;
  String operator+(unsigned char value) const;
  String operator+(bool value) const;
  String operator+(float value) const;
  String operator+(double value) const;

  // Inserts the other's stored bytes before the position; a position beyond the length gives false and
  // changes nothing; at the length it appends. The text forms insert the text (null: nothing).
  bool insert(unsigned int position, String const& other);
  bool insert(unsigned int position, char const* text);
  bool insert(unsigned int position, char c);
  // Removes the bytes from begin up to, not including, end. An end of -1 means begin + 1; any other
  // negative end, begin >= length, end > length or begin > end give false and change nothing.
  // "abc".eraseRange(1, -1) gives "ac".
  bool eraseRange(unsigned int begin, int end);
  // Removes count bytes from the position; a count of -1 removes up to the end, another negative count
  // gives false. "abc".erase(1, -1) gives "a"; "abc".erase(3, 1) gives false.
  bool erase(unsigned int position, int count);

  // A new string of at most count bytes from start; empty when start is at or beyond the length.
  String substring(unsigned int start, unsigned int count) const;
  String operator()(unsigned int start, unsigned int count) const;

  // Searches return the index in the whole text, or -1. A start beyond the length gives -1.
  // First byte c at or after from; searching for 0 finds the terminator: "abc".indexOf('\0', 0) is 3.
  int indexOf(int c, unsigned int from = 0) const;
  // First occurrence of the text at or after from; the empty (or null) text is found at from.
  int indexOf(char const* text, unsigned int from = 0) const;
  // As the text form with the other's text; with ignoreCase, bytes are compared through tolower, and a
  // start beyond the length searches an empty text: "abc".indexOf("", 4, true) is 4.
  int indexOf(String const& other, unsigned int from, bool ignoreCase = false) const;
  // The last byte c in the part of the text that starts at from: "abca".lastIndexOf('a', 1) is 3.
  int lastIndexOf(int c, unsigned int from = 0) const;
  // The rightmost occurrence that starts at or after from; the empty string is found at the length.
  int lastIndexOf(String const& other, unsigned int from = 0, bool ignoreCase = false) const;

  // Equal texts, compared up to the first NUL. A null text gives false (operator!=: true).
  bool equals(char const* text) const;
  bool equals(String const& other) const;
  bool operator==(char const* text) const;
  bool operator==(String const& other) const;
  bool operator!=(String const& other) const;
  bool operator!=(char const* text) const;
  // Equal length and equal bytes after tolower; null gives false.
  bool equalsIgnoreCase(char const* text) const;
  bool equalsIgnoreCase(String const& other) const;
  // True when count bytes of this string from offset equal count bytes of other from otherOffset; false
  // when an offset is negative or a region runs past its string's end; true when count <= 0. The
  // comparison is exact whatever the flag.
  bool regionMatches(bool ignoreCase, int offset, String other, int otherOffset, int count) const;
  // The text begins (ends) with the argument; null gives false; the empty text is always found.
  bool startsWith(char const* text) const;
  bool startsWith(String const& other) const;
  bool endsWith(char const* text);
  bool endsWith(String const& other);
  // Every byte of the text is one of the bytes of the set: "2024" and "" consist of "0123456789",
  // "20-24" does not. A null or empty set holds nothing.
  bool consistsOfChars(char const* set) const;
  // Signed 32-bit hash: h = h * 37 + c over every byte (signed) below 16 bytes, else h = h * 39 + c over
  // every (length / 8)th byte. "abc" hashes to 136518.
  int hashCode() const;

  // In-place transformations; each returns *this.
  String& reverse();
  // Every byte through the runtime's toupper / tolower.
  String& toUpperCase();
  String& toLowerCase();
  // Strip bytes at the start, the end or both. With c != ' ' and classMode false, the run of bytes equal
  // to c; otherwise the run of bytes that, read as signed 8-bit values, are <= c (with ' ': blanks, control
  // characters and bytes 0x80-0xFF). trim(' ') of " \t ab \r\n" gives "ab".
  String& trimLeft(char c = ' ', bool classMode = false);
  String& trimRight(char c = ' ', bool classMode = false);
  String& trim(char c = ' ', bool classMode = false);

  // Returns the text before the first separator and keeps only the text after it in this string; without
  // a separator returns the whole text and empties this string; an empty (or null) separator returns the
  // whole text and leaves this string alone. String s("a,b,c"); s.token(",") returns "a" and leaves "b,c".
  String token(char const* separator);
  String token(String const& separator);
  String token(char separator);  // the NUL character: the whole text, this string emptied

  // Replaces the first (all false) or every (all true) occurrence of from, left to right, never searching
  // inside an inserted replacement; occurrences are found in the text up to its first NUL. Returns true
  // when something was replaced, or when from equals to (nothing changes); false when from is not found,
  // is empty, or either text is null. A NUL character stands for the empty text.
  // "aa".replace("a", "ba", true) gives "baba".
  bool replace(char const* from, char const* to, bool all);
  bool replace(char from, char to, bool all);
  bool replace(char from, char const* to, bool all);
  bool replace(char const* from, char to, bool all);

  // Number conversion. The render functions assign the text and return true.
  // Decimal text; toString(-2147483648L, s) gives "-2147483648".
  static bool toString(unsigned long value, String& text);
  static bool toString(long value, String& text);
  // Fixed-point with the given number of decimals; 0 or a negative count gives 6 ("%f").
  static bool toString(double value, String& text, int decimals);
  // Parse like strtol / strtoul / strtod (leading white space and a sign accepted, text after the number
  // ignored) and store the value in every case. False only when the value is 0 and errno is EINVAL or
  // ERANGE: "42abc" gives 42 and true, "x" gives 0 and true, an out-of-range number the clamped value.
  // errno is set to 0 first and then as the runtime's function sets it.
  static bool toLong(String const& text, long& value);
  static bool toUnsignedLong(String const& text, unsigned long& value);
  static bool toFloat(String const& text, float& value);
  static bool toDouble(String const& text, double& value);

  // Comparisons with a character or a number compare texts: String("007") == 7 is false,
  // String("5.0000000000") == 5.0 is true, String("1") == true is true.
  bool operator==(char c) const;
  bool operator==(unsigned char c) const;
  bool operator==(bool value) const;
  bool operator==(int value) const;
  bool operator==(long value) const;
  bool operator==(unsigned int value) const;
  bool operator==(unsigned long value) const;
  bool operator==(float value) const;
  bool operator==(double value) const;
  bool operator!=(char c) const;
  bool operator!=(unsigned char c) const;
  bool operator!=(bool value) const;
  bool operator!=(int value) const;
  bool operator!=(long value) const;
  bool operator!=(unsigned int value) const;
  bool operator!=(unsigned long value) const;
  bool operator!=(float value) const;
  bool operator!=(double value) const;

  // Conversions. Integers parse like strtol / strtoul in base 10 (0 when there is no number); short and
  // unsigned short keep the low 16 bits ("70000" gives 4464). bool: the strtol value is not 0 ("true" is
  // false). char and unsigned char: 0 for the empty text, the byte of a one-byte text ("7" gives '7'), the
  // first byte when it is not a digit ("ab" gives 'a'), else the low 8 bits of the decimal value ("65"
  // gives 65). float and double parse like strtod.
  operator bool() const;
  operator char() const;
  operator unsigned char() const;
  operator short() const;
  operator unsigned short() const;
  operator int() const;
  operator long() const;
  operator unsigned int() const;
  operator unsigned long() const;
  operator float() const;
  operator double() const;

  // True when the text, trimmed of blanks and control bytes, holds decimal digits only ("" and "  " too);
  // "+5" and "1 2" give false.
  bool isUINT() const;
  // A copy of the text with one pair of enclosing double quotes removed; a lone double quote gives "".
  String ConvertToString();

 protected:
  std::uint32_t m_length;    // bytes of text
  std::uint32_t m_capacity;  // bytes allocated for m_buffer
  char* m_buffer;            // owned array: the text, then a NUL at m_length

  // Assigns (appends) count bytes, embedded NULs included; the bytes may lie in this string's buffer.
  void assignBytes(char const* bytes, std::uint32_t count);
  void appendBytes(char const* bytes, std::size_t count);
  // Sets the text of an integer: its decimal text (as Wide) without a format, else the format's rendering.
  template <typename Wide, typename Number>
  void setIntegerText(Number value, char const* format);
  // Makes `buffer` (from the string allocator, `capacity` bytes, its first `used` bytes set) this string's
  // buffer: the bytes from `used` on are cleared and the old buffer is released. The length stays.
  void takeBuffer(char* buffer, std::uint32_t capacity, std::uint32_t used);
  // appendBytes with the case that fits inline: m_length + count + 1 <= m_capacity.
  void appendFitting(char const* bytes, std::size_t count) {
    std::uint32_t const length = m_length;
    if (count < m_capacity - length) {
      char* const buffer = m_buffer;
      std::memmove(buffer + length, bytes, count);
      buffer[length + count] = '\0';
      m_length = length + static_cast<std::uint32_t>(count);
    } else {
      appendBytes(bytes, count);
    }
  }
  // Assigns the text before the first separator (separatorLength bytes, no NUL among them, 0 for none) to
  // result and keeps the text after it, as token() does.
  void cutToken(String& result, char const* separator, std::uint32_t separatorLength);

 private:
  static unsigned int ms_defaultCapacity;  // capacity of a string built empty (16)

  void initBuffer(unsigned int size);
  int getChars(int begin, int end, char* destination, int offset);
  void setChars(char const* text, unsigned int position);
  void ensureCapacity(unsigned int needed);

  // Growth by the usual rule to hold `needed` bytes: the buffer is extended where it lies when the
  // allocator can, else moved with its text; the room behind the text then reads as zeros. A pointer into
  // the old buffer is stale afterwards: an argument that may lie in it is copied first.
  void grow(std::uint32_t needed);
  // True when the count bytes at `bytes` start inside this string's buffer.
  bool ownBytes(char const* bytes, std::size_t count) const;
  // The out-of-line half of operator+=(char): the byte does not fit without growing. The byte is passed by
  // value, so that the inline half never has to store it to memory.
  void appendGrowing(char c);
  // Sets the text to the decimal of the magnitude, with a "-" before it when negative.
  void assignDecimal(bool negative, unsigned long magnitude);
};

// Byte order of the texts (bytes compared unsigned, up to the first NUL); equal texts give false for both.
QVO_API bool operator<(String const& left, String const& right);
QVO_API bool operator>(String const& left, String const& right);
// A new string (capacity 16 or more) holding the text, then the string. A null text counts as empty.
QVO_API String operator+(char const* text, String const& string);

}  // namespace EQVO

// CQVOString is the string type of the library's interface: an EQVO::String with capitalised operations,
// standard-library interoperation, unsigned positions (4294967295 for "not found"), a two-word hash and
// array texts. It adds no data, so it converts both ways with EQVO::String at no cost.
//
// Array texts carry a vector as one line: elements joined by "|" (msc_szArraySeparator). Integers and
// floating-point values use their default texts, characters "0" followed by their decimal value
// (char -1 gives "065535", unsigned char 7 gives "07"), standard strings their text as is. Parsing takes
// "||" inside an element for one bar, trims blanks and control bytes around each element, removes one
// pair of enclosing double quotes, and never fails: a text that is not a number gives 0, an empty text
// one element converted from "". CQVOString(std::vector<long>{1, -2, 3}) is "1|-2|3".
//
// Thread safety: as EQVO::String.
class QVO_API CQVOString : public EQVO::String {
 public:
  // The array separator, "|".
  static const char msc_szArraySeparator[2];

  CQVOString();
  CQVOString(char c);
  CQVOString(unsigned char c);  // the character, not its code
  CQVOString(bool value);
  CQVOString(char const* text);  // null gives the empty string
  // Exactly count bytes; a count that is negative as a signed 32-bit value means up to the NUL.
  CQVOString(char const* text, unsigned int count);
  CQVOString(CQVOString const& other);
  CQVOString(EQVO::String const& other);
  // The number with the printf format, or its default text when the format is null.
  CQVOString(int value, char const* format = nullptr);
  CQVOString(long value, char const* format = nullptr);
  CQVOString(unsigned int value, char const* format = nullptr);
  CQVOString(unsigned long value, char const* format = nullptr);
  CQVOString(float value, char const* format = nullptr);
  CQVOString(double value, char const* format = nullptr);
  // The standard string's text up to its first NUL.
  CQVOString(std::string const& text);
  // Array texts of the vectors. The second argument has no effect: the separator is always "|".
  CQVOString(std::vector<char> values, char const* separator = nullptr);
  CQVOString(std::vector<unsigned char> values, char const* separator = nullptr);
  CQVOString(std::vector<short> values, char const* separator = nullptr);
  CQVOString(std::vector<unsigned short> values, char const* separator = nullptr);
  CQVOString(std::vector<long> values, char const* separator = nullptr);
  CQVOString(std::vector<unsigned long> values, char const* separator = nullptr);
  CQVOString(std::vector<float> values, char const* separator = nullptr);
  CQVOString(std::vector<double> values, char const* separator = nullptr);
  CQVOString(std::vector<std::string> values, char const* separator = nullptr);
  ~CQVOString() override;

  // Assignment, as EQVO::String; each returns *this.
  CQVOString& operator=(char c);
  CQVOString& operator=(unsigned char c);
  CQVOString& operator=(bool value);
  CQVOString& operator=(char const* text);
  CQVOString& operator=(unsigned char* text);
  CQVOString& operator=(CQVOString const& other);
  CQVOString& operator=(EQVO::String const& other);
  CQVOString& operator=(int value);
  CQVOString& operator=(long value);
  CQVOString& operator=(short value);
  CQVOString& operator=(unsigned int value);
  CQVOString& operator=(unsigned long value);
  CQVOString& operator=(unsigned short value);
  CQVOString& operator=(float value);
  CQVOString& operator=(double value);
  CQVOString& operator=(std::string const& text);  // up to its first NUL

  // Appending, as EQVO::String; each returns *this. An unsigned char appends its decimal value.
  CQVOString& operator+=(char c) {
    EQVO::String::operator+=(c);
    return *this;
  }
  CQVOString& operator+=(unsigned char value);
  CQVOString& operator+=(bool value);
  CQVOString& operator+=(char const* text) {
    EQVO::String::operator+=(text);
    return *this;
  }
  CQVOString& operator+=(CQVOString const& other);  // all stored bytes
  CQVOString& operator+=(EQVO::String const& other);
  CQVOString& operator+=(int value);
  CQVOString& operator+=(long value);
  CQVOString& operator+=(unsigned int value);
  CQVOString& operator+=(unsigned long value);
  CQVOString& operator+=(float value);
  CQVOString& operator+=(double value);
  CQVOString& operator+=(std::string const& text);  // up to its first NUL

  // A copy with the argument appended. operator+(CQVOString const&) appends the other's text up to its
  // first NUL, operator+(EQVO::String const&) all of its stored bytes.
  CQVOString operator+(char c) const;
  CQVOString operator+(unsigned char value) const;
  CQVOString operator+(bool value) const;
  CQVOString operator+(char const* text) const;
  CQVOString operator+(CQVOString const& other) const;
  CQVOString operator+(EQVO::String const& other) const;
  CQVOString operator+(int value) const;
  CQVOString operator+(long value) const;
  CQVOString operator+(unsigned int value) const;
  CQVOString operator+(unsigned long value) const;
  CQVOString operator+(float value) const;
  CQVOString operator+(double value) const;

  bool IsEmpty() const;
  // EQVO::String::replace.
  bool Replace(char from, char to, bool all);
  bool Replace(char from, char const* to, bool all);
  bool Replace(char const* from, char to, bool all);
  bool Replace(char const* from, char const* to, bool all);
  // EQVO::String::token: CQVOString("key:value").Token(':') returns "key" and leaves "value".
  CQVOString Token(char separator);
  CQVOString Token(char const* separator);
  CQVOString Token(CQVOString const& separator);
  CQVOString& ToUpper();
  CQVOString& ToLower();
  CQVOString& TrimLeft(char c = ' ', bool classMode = false);
  CQVOString& TrimRight(char c = ' ', bool classMode = false);
  CQVOString& Trim(char c = ' ', bool classMode = false);

  // indexOf from the position, as unsigned; 4294967295 when not found.
  unsigned int find(char c, unsigned int position = 0) const;
  unsigned int find(char const* text, unsigned int position = 0) const;
  // The last occurrence in the whole string (4294967295 when absent); the position has no effect.
  unsigned int find_last_of(char c, unsigned int position = 0) const;
  char* begin() const;  // first byte
  char* end() const;    // begin() + length()
  char const* c_str() const;

  // Two-word hash: writes two 31-bit words to out[0] and out[1]. Spaces and tabs are skipped, every other
  // stored byte counts (also after an embedded NUL). "abc" gives 0x7CD2B594 and 0x2BE28759; "" gives
  // 0x50305735 and 0x12345671.
  void Hash(unsigned long* const out) const;
  // isUINT().
  bool OfUnsignedInteger() const;
  // The value in fixed-point with the given number of decimals into text; returns true.
  static bool DoubleToString(CQVOString& text, double const& value, int decimals);

  // Parse the array text; the string is not changed. "|1" gives {0, 1}; "" gives {0}.
  std::vector<char> ConvertToCharVector() const;
  std::vector<unsigned char> ConvertToUCharVector() const;
  std::vector<short> ConvertToShortVector() const;
  std::vector<unsigned short> ConvertToUShortVector() const;
  std::vector<long> ConvertToLongVector() const;
  std::vector<unsigned long> ConvertToULongVector() const;
  std::vector<float> ConvertToFloatVector() const;
  std::vector<double> ConvertToDoubleVector() const;
  // "a||b|c" gives {"a|b", "c"}.
  std::vector<std::string> ConvertToStringVector() const;

 private:
  // Makes room for a new text of exactly length bytes, sized as an assignment would size it, sets the
  // length and the terminator, and returns where the text is to be written.
  char* prepareText(std::uint32_t length);
  // Takes over `text`, a buffer of the string allocator holding a new text of `length` bytes, with the
  // capacity an assignment of that text would give (a text that fits the present buffer is copied into it).
  void adoptText(char* text, std::uint32_t length);

  bool SignedToString(long value);
  bool UnsignedToString(unsigned long value);
  bool StringToSigned(long& value) const;
  bool StringToUnsigned(unsigned long& value) const;
};

// Byte order of the texts.
QVO_API bool operator<(CQVOString const& left, CQVOString const& right);
QVO_API bool operator>(CQVOString const& left, CQVOString const& right);
// A new string holding the text, then the string.
QVO_API CQVOString operator+(char const* text, CQVOString const& string);
// Writes the text up to its first NUL as a standard string (width, fill and adjustment apply).
QVO_API std::ostream& operator<<(std::ostream& stream, CQVOString const& string);

#endif  // QVOBASE_QVOSTRING_H
