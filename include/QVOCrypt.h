// Random numbers and string cipher: CQVORandom, a small deterministic generator, and CQVOCrypt, a
// symmetric byte-stream cipher keyed by a text.
#ifndef QVOBASE_QVOCRYPT_H
#define QVOBASE_QVOCRYPT_H

#include <cstdint>

#include "QVOExport.h"
#include "QVOString.h"

// CQVORandom: a deterministic pseudo-random generator with two 30-bit state words, giving doubles in
// [0, 1). The same seeds give the same sequence on every target: the state is computed in 32-bit
// arithmetic.
//
//   CQVORandom r;              // state words 255 and 221
//   double x = r.Rand();       // 986 / 1073741823
//
// Copies continue the sequence exactly where the source stands. Thread safety: none; an object is
// used by one thread at a time.
class QVO_API CQVORandom {
 public:
  // State words 255 and 221, modulus 1073741823 (0x3FFFFFFF).
  CQVORandom();
  CQVORandom(CQVORandom const& other);
  CQVORandom& operator=(CQVORandom const& other);
  virtual ~CQVORandom();

  // The state words become `seed1` and `seed2` modulo 1073741823. Seeds are 32-bit quantities: on a
  // target where unsigned long is wider, only their low 32 bits count.
  void SetSeed(unsigned long seed1, unsigned long seed2);

  // Advances the state and returns the next value in [0, 1): the new first state word divided by
  // 1073741823.
  double Rand();

 private:
  // The cipher steps the state words itself, in locals, while it processes a text.
  friend class CQVOCrypt;

  // Advances the state; returns the new first state word.
  std::uint32_t Advance();

  unsigned long m_ulSeed1;
  unsigned long m_ulSeed2;
  unsigned long m_ulMaxValue;
  double m_dMaxValue;
};

// CQVOCrypt: a symmetric byte-stream cipher. A key text is hashed into two seed words
// (CQVOString::Hash); the seeds shuffle the 256 byte values into a substitution table; each byte is
// substituted and masked with a running value that depends on the generator and on the earlier bytes.
// Texts are changed in place and keep their length; a ciphertext may contain zero bytes.
//
//   CQVOCrypt crypt("key");
//   crypt.Encode(text);   // enciphered in place
//   crypt.Reset();
//   crypt.Decode(text);   // the clear text again
//
// Encode and Decode on one object share one stream: each advances it by one step per byte, and splitting
// a text into several calls gives the same bytes as one call. An object that has encoded a text must be
// Reset (or a fresh object with the same key used) before it decodes that text. Ciphertexts are the same
// on every target, so a text enciphered on one decodes on the other.
//
// Copies continue the stream exactly where the source stands. Thread safety: none; an object is used by
// one thread at a time. This is an obfuscation of the library's tradition, not a cryptographic cipher.
class QVO_API CQVOCrypt {
 public:
  // Ready to encode or decode with the key `key`.
  explicit CQVOCrypt(CQVOString const& key);
  CQVOCrypt(CQVOCrypt const& other);
  CQVOCrypt& operator=(CQVOCrypt const& other);
  virtual ~CQVOCrypt();

  // Enciphers every byte of `text` (its stored length, embedded zero bytes included) in place,
  // continuing the stream. An empty text changes nothing and does not advance the stream.
  void Encode(CQVOString& text);
  // Deciphers every byte of `text` in place, continuing the stream.
  void Decode(CQVOString& text);
  // Returns to the state right after construction: the next Encode or Decode starts the stream anew.
  void Reset();

 private:
  // Empty key; the tables are built from the two words `seeds[0]` and `seeds[1]`.
  explicit CQVOCrypt(unsigned long* const seeds);
  // Seeds the generator, shuffles the tables and records the initial state.
  void Init(unsigned long* const seeds);

  CQVORandom m_rand;
  CQVORandom m_randOrig;
  unsigned char m_aucDecode[256];
  unsigned char m_aucEncode[256];
  unsigned long m_ulShift;
  CQVOString m_strKey;
};

#endif  // QVOBASE_QVOCRYPT_H
