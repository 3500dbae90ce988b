// Byte order, bit strings and math helpers: System, BYTE_CODING, EndianlessU32 and CQVOMath.
#ifndef QVOBASE_QVOBYTEORDER_H
#define QVOBASE_QVOBYTEORDER_H

#include <iosfwd>

#include "QVOExport.h"
#include "QVOString.h"

// The two byte orders a machine can store multi-byte values in.
enum BYTE_CODING { BYTE_CODING_LITTLE_ENDIAN = 1, BYTE_CODING_BIG_ENDIAN = 2 };

// System: static helpers about the machine's byte order, byte swapping, writing byte buffers as bits or
// hexadecimal text, comparing texts without regard to case, and the temporary directory's name.
//
// Values named unsigned long are treated as 32-bit quantities on every target: only their low 32 bits
// are read, and results fit in 32 bits, so both targets give the same numbers.
//
// Thread safety: every operation may be called from any thread at the same time; the byte order is
// determined once, on first use, in a thread-safe way. The stream operations touch only the stream
// passed in, which the caller must not share with another thread during the call.
class QVO_API System {
 public:
  ~System();
  System& operator=(System const& other);

  // True when the machine stores the least significant byte of a value first.
  static bool isLittleEndian();
  // BYTE_CODING_LITTLE_ENDIAN or BYTE_CODING_BIG_ENDIAN.
  static BYTE_CODING getByteOrder();

  // The four low bytes of `value` in reverse order: invertBytes(0x12345678UL) is 0x78563412.
  // Bits above the low 32 are ignored.
  static unsigned long invertBytes(unsigned long value);
  // The two bytes swapped: invertBytes((unsigned short)0x1234) is 0x3412.
  static unsigned short invertBytes(unsigned short value);
  // `value` in big-endian order: invertBytes(value) on a little-endian machine, `value` otherwise.
  // On a little-endian machine toBigEndian(1) is 16777216.
  static unsigned long toBigEndian(unsigned long value);

  // Writes the first `nbBits` bits of `bytes` as the characters 0 and 1, bytes in order and each from
  // its most significant bit; 12 bits of {0xA5, 0xF0} give 101001011111. With `withLeadingZeros`
  // false, nothing is written before the first 1 (so all-zero bits write nothing). No separator, no
  // end of line. A null `bytes` writes an error text instead. `bytes` must hold (nbBits + 7) / 8 bytes.
  static void toBitString(unsigned long nbBits, unsigned char const* bytes, bool withLeadingZeros,
                          std::ostream& stream);
  // toBitString(nbBits, bytes, true, stream).
  static void toBitString(unsigned long nbBits, unsigned char const* bytes, std::ostream& stream);

  // Writes `nbBytes` bytes as two upper-case hexadecimal digits each, with `separator` between
  // consecutive bytes: {0x0A, 0x05, 0xFF} with "-" give 0A-05-FF. The stream's format flags, fill and
  // width are the same afterwards as before. A null `bytes` writes an error text instead; a null
  // `separator` counts as an empty one.
  static void toByteString(unsigned long nbBytes, unsigned char const* bytes, std::ostream& stream,
                           char const* separator);

  // True when the two texts have the same length and equal characters after lower-case conversion
  // ("Hello" and "hELLO"); two empty texts are equal; false when either pointer is null.
  static bool compareStringIgnoreCase(char const* a, char const* b);

  // A fixed temporary directory, with a trailing separator; no environment variable or system call is
  // consulted. Windows: "C:\TEMP\". Other systems: "/tmp/".
  static CQVOString getTemporaryDirectoryPath();
};

// EndianlessU32: the four bytes of a caller's 32-bit value by significance, the same on every machine.
// Position 0 is the most significant byte, position 3 the least; positions are taken modulo 4.
//
// The object refers to the caller's value (it does not own it), reads and changes it in place, and
// must not outlive it. Only the low 32 bits of the value are read or changed; on a target where
// unsigned long is wider, the bits above are left as they are. A copy refers to the same value.
//
// Example: for 0x11223344, [0] is 0x11, [3] is 0x44 and [5] equals [1]; setByteAt(0xAA, 3) makes the
// value 0x112233AA.
//
// Thread safety: as for the referred value; concurrent changes need the caller's own lock.
class QVO_API EndianlessU32 {
 public:
  // Refers to `value`.
  EndianlessU32(unsigned long& value);
  // Refers to the same value as `other`.
  EndianlessU32(EndianlessU32 const& other);
  // Refers to the same value as `other` from now on.
  EndianlessU32& operator=(EndianlessU32 const& other);
  virtual ~EndianlessU32();

  // The byte at position `index` modulo 4.
  unsigned char operator[](unsigned long index) const;
  // Replaces the byte at position `index` modulo 4, leaving the other three.
  void setByteAt(unsigned char byte, unsigned long index);
  // Writes the 32 bits, most significant first, as 32 characters 0 or 1 without separators.
  void dumpBits(std::ostream& stream);

 private:
  unsigned long* m_pValue;
};

// CQVOMath: two numeric helpers. Never instantiated.
//
// Thread safety: both functions may be called from any thread.
class QVO_API CQVOMath {
 public:
  ~CQVOMath();
  CQVOMath& operator=(CQVOMath const& other);

  // 2 to the power (n modulo 32), except that a power of 0 gives 0:
  // pow2(0) == 0, pow2(1) == 2, pow2(31) == 2147483648, pow2(32) == 0, pow2(33) == 2.
  static unsigned long pow2(unsigned short n);

  // Rounds `x` to a whole number: up when it lies less than 0.1 below one, down otherwise. The result
  // is stored back into `x` and returned: 2.95 gives 3.0, 2.5 gives 2.0, -1.05 gives -1.0, 4.0 stays.
  static double correct_integer_coding(double& x);

 private:
  CQVOMath();
};

#endif  // QVOBASE_QVOBYTEORDER_H
