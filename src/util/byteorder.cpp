// System, EndianlessU32 and CQVOMath: byte order, byte swapping, bit and byte strings, math helpers.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "QVOByteOrder.h"
#include "platform/paths.h"

namespace {

// Determined once, on first use; the function-local static makes the first use thread-safe.
bool machineIsLittleEndian() {
  static const bool little = [] {
    const std::uint32_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
  }();
  return little;
}

std::uint32_t low32(unsigned long value) { return static_cast<std::uint32_t>(value); }

}  // namespace

// --- System ---------------------------------------------------------------------------------------

System::~System() = default;
System& System::operator=(System const&) { return *this; }

bool System::isLittleEndian() { return machineIsLittleEndian(); }

BYTE_CODING System::getByteOrder() {
  return machineIsLittleEndian() ? BYTE_CODING_LITTLE_ENDIAN : BYTE_CODING_BIG_ENDIAN;
}

unsigned long System::invertBytes(unsigned long value) {
  const std::uint32_t v = low32(value);
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

unsigned short System::invertBytes(unsigned short value) {
  return static_cast<unsigned short>(((value >> 8) & 0xFFu) | ((value & 0xFFu) << 8));
}

unsigned long System::toBigEndian(unsigned long value) {
  return machineIsLittleEndian() ? invertBytes(value) : value;
}

void System::toBitString(unsigned long nbBits, unsigned char const* bytes, bool withLeadingZeros,
                         std::ostream& stream) {
  if (bytes == nullptr) {
    stream << "<Error in System::toBitString(): NULL value passed for byte buffer>";
    return;
  }
  bool started = withLeadingZeros;
  for (unsigned long i = 0; i < nbBits; ++i) {
    const bool one = ((bytes[i / 8] >> (7 - i % 8)) & 1u) != 0;
    started = started || one;
    if (started) stream.put(one ? '1' : '0');
  }
}

void System::toBitString(unsigned long nbBits, unsigned char const* bytes, std::ostream& stream) {
  toBitString(nbBits, bytes, true, stream);
}

// The digits are written unformatted, so the caller's flags, fill, width and adjustment cannot bend
// them (a left-adjusted stream would otherwise turn 0A into A0); the formatting state is still saved
// and restored around the call.
void System::toByteString(unsigned long nbBytes, unsigned char const* bytes, std::ostream& stream,
                          char const* separator) {
  if (bytes == nullptr) {
    stream << "<Error in System::toByteString(): NULL value passed for byte buffer>";
    return;
  }
  if (nbBytes == 0) return;
  static const char digits[] = "0123456789ABCDEF";
  const std::ios_base::fmtflags flags = stream.flags();
  const char fill = stream.fill();
  const std::streamsize width = stream.width();
  const std::size_t sepLength = separator == nullptr ? 0 : std::strlen(separator);
  for (unsigned long i = 0; i < nbBytes; ++i) {
    if (i != 0 && sepLength != 0) stream.write(separator, static_cast<std::streamsize>(sepLength));
    const char pair[2] = {digits[bytes[i] >> 4], digits[bytes[i] & 0x0F]};
    stream.write(pair, 2);
  }
  stream.flags(flags);
  stream.fill(fill);
  stream.width(width);
}

// Characters go to tolower as unsigned values: a negative char other than EOF is undefined input for
// the C library, and in the default locale bytes above 0x7F are unchanged either way.
bool System::compareStringIgnoreCase(char const* a, char const* b) {
  if (a == nullptr || b == nullptr) return false;
  const std::size_t length = std::strlen(a);
  if (length != std::strlen(b)) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

CQVOString System::getTemporaryDirectoryPath() {
  return CQVOString(qvo::platform::fixedTemporaryDirectory());
}

// --- EndianlessU32 --------------------------------------------------------------------------------

EndianlessU32::EndianlessU32(unsigned long& value) : m_pValue(&value) {}
EndianlessU32::EndianlessU32(EndianlessU32 const& other) = default;
EndianlessU32& EndianlessU32::operator=(EndianlessU32 const& other) = default;
EndianlessU32::~EndianlessU32() = default;

unsigned char EndianlessU32::operator[](unsigned long index) const {
  const unsigned shift = (3u - static_cast<unsigned>(index % 4)) * 8u;
  return static_cast<unsigned char>((low32(*m_pValue) >> shift) & 0xFFu);
}

void EndianlessU32::setByteAt(unsigned char byte, unsigned long index) {
  const unsigned shift = (3u - static_cast<unsigned>(index % 4)) * 8u;
  const unsigned long mask = static_cast<unsigned long>(0xFFu) << shift;
  *m_pValue = (*m_pValue & ~mask) | (static_cast<unsigned long>(byte) << shift);
}

void EndianlessU32::dumpBits(std::ostream& stream) {
  for (unsigned long position = 0; position < 4; ++position) {
    const unsigned char byte = (*this)[position];
    System::toBitString(8, &byte, stream);
  }
}

// --- CQVOMath -------------------------------------------------------------------------------------

CQVOMath::CQVOMath() = default;
CQVOMath::~CQVOMath() = default;
CQVOMath& CQVOMath::operator=(CQVOMath const&) { return *this; }

unsigned long CQVOMath::pow2(unsigned short n) {
  const unsigned k = n % 32u;
  return k == 0 ? 0ul : static_cast<unsigned long>(std::uint32_t{1} << k);
}

double CQVOMath::correct_integer_coding(double& x) {
  const double up = std::ceil(x);
  x = std::fabs(up - x) < 0.1 ? up : std::floor(x);
  return x;
}
