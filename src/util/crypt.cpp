// CQVORandom and CQVOCrypt: the deterministic generator and the byte-stream cipher built on it.
#include <cstdint>
#include <utility>

#include "QVOCrypt.h"

namespace {
constexpr std::uint32_t kModulus = 0x3FFFFFFFu;  // 1073741823, below 2 to the 30th
}  // namespace

// --- CQVORandom -----------------------------------------------------------------------------------

CQVORandom::CQVORandom() : m_ulSeed1(255), m_ulSeed2(221), m_ulMaxValue(kModulus), m_dMaxValue(1073741823.0) {}
CQVORandom::CQVORandom(CQVORandom const& other) = default;
CQVORandom& CQVORandom::operator=(CQVORandom const& other) = default;
CQVORandom::~CQVORandom() = default;

void CQVORandom::SetSeed(unsigned long seed1, unsigned long seed2) {
  const std::uint32_t modulus = static_cast<std::uint32_t>(m_ulMaxValue);
  m_ulSeed1 = static_cast<std::uint32_t>(seed1) % modulus;
  m_ulSeed2 = static_cast<std::uint32_t>(seed2) % modulus;
}

// Both words stay below 2 to the 30th, so 3 * seed1 + seed2 + 33 fits in 32 bits.
std::uint32_t CQVORandom::Advance() {
  const std::uint32_t modulus = static_cast<std::uint32_t>(m_ulMaxValue);
  const std::uint32_t s1 = static_cast<std::uint32_t>(m_ulSeed1);
  const std::uint32_t s2 = static_cast<std::uint32_t>(m_ulSeed2);
  const std::uint32_t next1 = (3u * s1 + s2) % modulus;
  m_ulSeed1 = next1;
  m_ulSeed2 = (next1 + s2 + 33u) % modulus;
  return next1;
}

double CQVORandom::Rand() { return static_cast<double>(Advance()) / m_dMaxValue; }

// The double product (seed1 / 1073741823.0) * 255.0 lies within a few units of its last place of the
// exact fraction seed1 * 255 / 1073741823, whose distance from a whole number is either zero or at
// least 1 / 1073741823; so its integer part is the integer quotient below, for every state.
std::uint32_t CQVORandom::NextMask() {
  const std::uint32_t s1 = Advance();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(s1) * 255u /
                                    static_cast<std::uint32_t>(m_ulMaxValue));
}

// --- CQVOCrypt ------------------------------------------------------------------------------------

CQVOCrypt::CQVOCrypt(CQVOString const& key) : m_aucDecode(), m_aucEncode(), m_ulShift(0), m_strKey(key) {
  unsigned long seeds[2] = {0, 0};
  m_strKey.Hash(seeds);
  Init(seeds);
}

CQVOCrypt::CQVOCrypt(unsigned long* const seeds) : m_aucDecode(), m_aucEncode(), m_ulShift(0) { Init(seeds); }

CQVOCrypt::CQVOCrypt(CQVOCrypt const& other) = default;
CQVOCrypt& CQVOCrypt::operator=(CQVOCrypt const& other) = default;
CQVOCrypt::~CQVOCrypt() = default;

void CQVOCrypt::Init(unsigned long* const seeds) {
  m_rand.SetSeed(seeds[0], seeds[1]);
  for (unsigned i = 0; i < 256; ++i) m_aucDecode[i] = static_cast<unsigned char>(i);
  for (unsigned i = 0; i < 256; ++i) std::swap(m_aucDecode[m_rand.NextMask()], m_aucDecode[i]);
  for (unsigned i = 0; i < 256; ++i) m_aucEncode[m_aucDecode[i]] = static_cast<unsigned char>(i);
  m_randOrig = m_rand;
  m_ulShift = 0;
}

void CQVOCrypt::Encode(CQVOString& text) {
  const unsigned int length = text.length();
  if (length == 0) return;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(text.begin());
  std::uint32_t shift = static_cast<std::uint32_t>(m_ulShift);
  for (unsigned int i = 0; i < length; ++i) {
    shift ^= m_rand.NextMask();
    const unsigned char clear = bytes[i];
    bytes[i] = static_cast<unsigned char>(m_aucEncode[clear] ^ (shift & 0xFFu));
    shift ^= clear;
  }
  m_ulShift = shift;
}

void CQVOCrypt::Decode(CQVOString& text) {
  const unsigned int length = text.length();
  if (length == 0) return;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(text.begin());
  std::uint32_t shift = static_cast<std::uint32_t>(m_ulShift);
  for (unsigned int i = 0; i < length; ++i) {
    shift ^= m_rand.NextMask();
    const unsigned char clear = m_aucDecode[(bytes[i] ^ shift) & 0xFFu];
    bytes[i] = clear;
    shift ^= clear;
  }
  m_ulShift = shift;
}

void CQVOCrypt::Reset() {
  m_ulShift = 0;
  m_rand = m_randOrig;
}
