// Tests of System (byte order, byte swapping, bit and byte strings, case-insensitive comparison),
// EndianlessU32 and CQVOMath.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "QVOByteOrder.h"

namespace {

bool probeLittleEndian() {
  const std::uint32_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

}  // namespace

TEST(System, InvertBytesReversesLowFourBytesAndSwapsShorts) {
  struct Case {
    unsigned long in, out;
  };
  const Case cases[] = {{0x12345678ul, 0x78563412ul}, {0ul, 0ul}, {0xFF000000ul, 0xFFul}, {0xFFFFFFFFul, 0xFFFFFFFFul}};
  for (const auto& c : cases) EXPECT_EQ(System::invertBytes(c.in), c.out) << std::hex << c.in;
  EXPECT_EQ(System::invertBytes(static_cast<unsigned short>(0x1234)), 0x3412);
  EXPECT_EQ(System::invertBytes(static_cast<unsigned short>(0x00FF)), 0xFF00);
  if (sizeof(unsigned long) > 4) {
    // Bits above the low 32 are ignored, so both targets give the same number.
    const unsigned long wide = static_cast<unsigned long>(0xAB12345678ull);
    EXPECT_EQ(System::invertBytes(wide), 0x78563412ul);
  }
}

TEST(System, ByteOrderMatchesTheMachine) {
  const bool little = probeLittleEndian();
  EXPECT_EQ(System::isLittleEndian(), little);
  EXPECT_EQ(System::getByteOrder(), little ? BYTE_CODING_LITTLE_ENDIAN : BYTE_CODING_BIG_ENDIAN);
  EXPECT_EQ(System::toBigEndian(1ul), little ? 16777216ul : 1ul);
  EXPECT_EQ(System::toBigEndian(0x12345678ul), little ? 0x78563412ul : 0x12345678ul);
}

TEST(System, ToBitStringWritesBitsMostSignificantFirst) {
  struct Case {
    unsigned long nbBits;
    std::vector<unsigned char> bytes;
    bool leadingZeros;
    const char* expected;
  };
  const Case cases[] = {
      {12, {0xA5, 0xF0}, true, "101001011111"},
      {8, {0x0F}, false, "1111"},
      {8, {0x00}, false, ""},
      {8, {0x00}, true, "00000000"},
      {16, {0x00, 0x01}, false, "1"},
      {16, {0x00, 0x81}, false, "10000001"},
      {3, {0xFF}, true, "111"},
      {0, {0xFF}, true, ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    System::toBitString(c.nbBits, c.bytes.data(), c.leadingZeros, out);
    EXPECT_EQ(out.str(), c.expected) << c.nbBits << " bits, leading zeros " << c.leadingZeros;
  }
  std::ostringstream out;
  const unsigned char byte = 0x05;
  System::toBitString(8, &byte, out);  // leading zeros by default
  EXPECT_EQ(out.str(), "00000101");
}

TEST(System, ToByteStringWritesUpperCaseHexAndRestoresFormatting) {
  const unsigned char bytes[] = {0x0A, 0x05, 0xFF};
  struct Case {
    unsigned long nbBytes;
    const char* separator;
    const char* expected;
  };
  const Case cases[] = {{3, "-", "0A-05-FF"}, {3, ", ", "0A, 05, FF"}, {3, "", "0A05FF"},
                        {3, nullptr, "0A05FF"}, {1, "-", "0A"},         {0, "-", ""}};
  for (const auto& c : cases) {
    std::ostringstream out;
    System::toByteString(c.nbBytes, bytes, out, c.separator);
    EXPECT_EQ(out.str(), c.expected);
  }

  // A stream set up for something else: left adjustment, a fill, a width, decimal with a base and a
  // plus sign. The bytes are unaffected and the set-up survives the call.
  std::ostringstream out;
  out << std::left << std::setfill('*') << std::showbase << std::showpos << std::dec;
  out.width(7);
  const auto flags = out.flags();
  System::toByteString(3, bytes, out, "-");
  EXPECT_EQ(out.str(), "0A-05-FF");
  EXPECT_EQ(out.flags(), flags);
  EXPECT_EQ(out.fill(), '*');
  EXPECT_EQ(out.width(), 7);
  out << 42;
  EXPECT_EQ(out.str(), "0A-05-FF+42****");
}

TEST(System, NullByteBufferWritesOnlyTheErrorText) {
  std::ostringstream bits, bytes;
  System::toBitString(8, nullptr, true, bits);
  System::toByteString(3, nullptr, bytes, "-");
  EXPECT_EQ(bits.str(), "<Error in System::toBitString(): NULL value passed for byte buffer>");
  EXPECT_EQ(bytes.str(), "<Error in System::toByteString(): NULL value passed for byte buffer>");
}

TEST(System, CompareStringIgnoreCase) {
  struct Case {
    const char *a, *b;
    bool equal;
  };
  const Case cases[] = {{"Hello", "hELLO", true}, {"abc", "abcd", false}, {"", "", true},
                        {"abc", "abd", false},    {"abc", nullptr, false}, {nullptr, "abc", false},
                        {nullptr, nullptr, false}, {"\xE9t\xE9", "\xE9T\xE9", true}, {"\xE9", "\xC9", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(System::compareStringIgnoreCase(c.a, c.b), c.equal)
        << (c.a ? c.a : "(null)") << " / " << (c.b ? c.b : "(null)");
  }
}

TEST(System, TemporaryDirectoryIsFixedText) {
#ifdef _WIN32
  EXPECT_STREQ(System::getTemporaryDirectoryPath().c_str(), "C:\\TEMP\\");
#else
  EXPECT_STREQ(System::getTemporaryDirectoryPath().c_str(), "/tmp/");
#endif
}

TEST(EndianlessU32, ReadsAndWritesBytesBySignificance) {
  unsigned long value = 0x11223344ul;
  EndianlessU32 bytes(value);
  const unsigned char expected[] = {0x11, 0x22, 0x33, 0x44};
  for (unsigned long i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], expected[i % 4]) << "index " << i;

  bytes.setByteAt(0xAA, 3);
  EXPECT_EQ(value, 0x112233AAul);
  bytes.setByteAt(0x00, 4);  // position 0
  EXPECT_EQ(value, 0x002233AAul);

  EndianlessU32 copy(bytes);  // the copy works on the same value
  copy.setByteAt(0x99, 1);
  EXPECT_EQ(value, 0x009933AAul);
  EXPECT_EQ(bytes[1], 0x99);
}

TEST(EndianlessU32, DumpBitsWritesThirtyTwoBits) {
  unsigned long value = 0x11223344ul;
  std::ostringstream out;
  EndianlessU32(value).dumpBits(out);
  EXPECT_EQ(out.str(), "00010001001000100011001101000100");
}

TEST(EndianlessU32, WideValueKeepsBitsAboveTheLow32) {
  if (sizeof(unsigned long) <= 4) GTEST_SKIP() << "unsigned long has 32 bits on this target";
  unsigned long value = static_cast<unsigned long>(0xABCD11223344ull);
  EndianlessU32 bytes(value);
  EXPECT_EQ(bytes[0], 0x11);
  bytes.setByteAt(0xEE, 0);
  EXPECT_EQ(value, static_cast<unsigned long>(0xABCDEE223344ull));
}

TEST(CQVOMath, Pow2TakesExponentModulo32AndGivesZeroForZero) {
  struct Case {
    unsigned short n;
    unsigned long expected;
  };
  const Case cases[] = {{0, 0ul}, {1, 2ul}, {2, 4ul}, {31, 2147483648ul}, {32, 0ul}, {33, 2ul}, {65535, 2147483648ul}};
  for (const auto& c : cases) EXPECT_EQ(CQVOMath::pow2(c.n), c.expected) << "n = " << c.n;
}

TEST(CQVOMath, CorrectIntegerCodingRoundsUpOnlyJustBelowWholeNumbers) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{2.95, 3.0}, {2.5, 2.0}, {-1.05, -1.0}, {4.0, 4.0}, {2.89, 2.0}, {-1.2, -2.0}, {0.0, 0.0}};
  for (const auto& c : cases) {
    double x = c.in;
    EXPECT_EQ(CQVOMath::correct_integer_coding(x), c.out) << c.in;
    EXPECT_EQ(x, c.out) << c.in;
  }
}
