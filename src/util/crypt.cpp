// CQVORandom and CQVOCrypt: the deterministic generator and the byte-stream cipher built on it.
#include <cstdint>
#include <utility>

#include "QVOCrypt.h"

namespace {

// The modulus of both state words, 2 to the 30th minus 1. It never changes, so the arithmetic below uses
// it as a constant: remainders and quotients by 2^30 - 1 reduce to shifts and masks.
constexpr std::uint32_t kModulus = 0x3FFFFFFFu;

// x modulo 2^30 - 1, for any 32-bit x: x = hi * 2^30 + lo leaves the remainder of hi + lo, which is below
// twice the modulus.
std::uint32_t reduce(std::uint32_t x) {
  std::uint32_t r = (x & kModulus) + (x >> 30);
  return r >= kModulus ? r - kModulus : r;
}

// The mask value of one step: the integer part of (word / 1073741823.0) * 255.0, computed in integers.
// The double product lies within a few units of its last place of the exact fraction word * 255 /
// 1073741823, whose distance from a whole number is either zero or at least 1 / 1073741823; so its
// integer part is the integer quotient, for every word. Integers also keep the x87 unit's excess
// precision on 32-bit Windows from changing a mask, so ciphertexts are the same on every target.
// With p = word * 255 = hi * 2^30 + lo, the quotient by 2^30 - 1 is hi plus one when hi + lo reaches
// the modulus.
std::uint32_t maskOf(std::uint32_t word) {
  const std::uint64_t p = static_cast<std::uint64_t>(word) * 255u;
  const std::uint32_t hi = static_cast<std::uint32_t>(p >> 30);
  const std::uint32_t lo = static_cast<std::uint32_t>(p) & kModulus;
  return hi + (hi + lo >= kModulus ? 1u : 0u);
}

// One step of the generator on the two state words; returns the new first word. Both words stay below
// 2 to the 30th, so 3 * seed1 + seed2 + 33 fits in 32 bits.
std::uint32_t step(std::uint32_t& seed1, std::uint32_t& seed2) {
  seed1 = reduce(3u * seed1 + seed2);
  seed2 = reduce(seed1 + seed2 + 33u);
  return seed1;
}

}  // namespace

// --- CQVORandom -----------------------------------------------------------------------------------

CQVORandom::CQVORandom() : m_ulSeed1(255), m_ulSeed2(221), m_ulMaxValue(kModulus), m_dMaxValue(1073741823.0) {}
CQVORandom::CQVORandom(CQVORandom const& other) = default;
CQVORandom& CQVORandom::operator=(CQVORandom const& other) = default;
CQVORandom::~CQVORandom() = default;

void CQVORandom::SetSeed(unsigned long seed1, unsigned long seed2) {
  m_ulSeed1 = reduce(static_cast<std::uint32_t>(seed1));
  m_ulSeed2 = reduce(static_cast<std::uint32_t>(seed2));
}

std::uint32_t CQVORandom::Advance() {
  std::uint32_t seed1 = static_cast<std::uint32_t>(m_ulSeed1);
  std::uint32_t seed2 = static_cast<std::uint32_t>(m_ulSeed2);
  step(seed1, seed2);
  m_ulSeed1 = seed1;
  m_ulSeed2 = seed2;
  return seed1;
}

double CQVORandom::Rand() { return static_cast<double>(Advance()) / m_dMaxValue; }

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
  std::uint32_t seed1 = static_cast<std::uint32_t>(m_rand.m_ulSeed1);
  std::uint32_t seed2 = static_cast<std::uint32_t>(m_rand.m_ulSeed2);
  for (unsigned i = 0; i < 256; ++i) std::swap(m_aucDecode[maskOf(step(seed1, seed2))], m_aucDecode[i]);
  m_rand.m_ulSeed1 = seed1;
  m_rand.m_ulSeed2 = seed2;
  for (unsigned i = 0; i < 256; ++i) m_aucEncode[m_aucDecode[i]] = static_cast<unsigned char>(i);
  m_randOrig = m_rand;
  m_ulShift = 0;
}

namespace {

// Runs the byte stream over a text in place: `code(byte, shift)` gives the coded byte and the clear byte,
// which feeds the next shift. The stream's state is kept in locals while the text is processed: the
// text's bytes may alias any member, so working on the members directly would reload them for every byte.
template <class Code>
void runStream(CQVOString& text, unsigned long& seed1Word, unsigned long& seed2Word, unsigned long& shiftWord,
               Code code) {
  const unsigned int length = text.length();
  if (length == 0) return;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(text.begin());
  std::uint32_t seed1 = static_cast<std::uint32_t>(seed1Word);
  std::uint32_t seed2 = static_cast<std::uint32_t>(seed2Word);
  std::uint32_t shift = static_cast<std::uint32_t>(shiftWord);
  for (unsigned int i = 0; i < length; ++i) {
    shift ^= maskOf(step(seed1, seed2));
    unsigned char clear;
    bytes[i] = code(bytes[i], shift, clear);
    shift ^= clear;
  }
  seed1Word = seed1;
  seed2Word = seed2;
  shiftWord = shift;
}

}  // namespace

void CQVOCrypt::Encode(CQVOString& text) {
  runStream(text, m_rand.m_ulSeed1, m_rand.m_ulSeed2, m_ulShift,
            [this](unsigned char byte, std::uint32_t shift, unsigned char& clear) {
              clear = byte;
              return static_cast<unsigned char>(m_aucEncode[byte] ^ shift);
            });
}

void CQVOCrypt::Decode(CQVOString& text) {
  runStream(text, m_rand.m_ulSeed1, m_rand.m_ulSeed2, m_ulShift,
            [this](unsigned char byte, std::uint32_t shift, unsigned char& clear) {
              clear = m_aucDecode[(byte ^ shift) & 0xFFu];
              return clear;
            });
}

void CQVOCrypt::Reset() {
  m_ulShift = 0;
  m_rand = m_randOrig;
}
