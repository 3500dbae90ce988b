// The byte stream that the pipe reliability tests send between two processes: a seeded generator of
// bytes and of piece sizes, and a running checksum, the same in the test and in the peer program.
#ifndef QVOBASE_TESTS_PIPE_PATTERN_H
#define QVOBASE_TESTS_PIPE_PATTERN_H

#include <cstddef>
#include <cstdint>

namespace pipetest {

// xorshift64*: deterministic from its seed on every target.
class Pattern {
 public:
  explicit Pattern(std::uint64_t seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  std::uint64_t next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1Dull;
  }
  // A size from 1 to `limit`.
  int size(int limit) { return 1 + static_cast<int>(next() % static_cast<std::uint64_t>(limit)); }
  void fill(unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(next() >> 56);
  }

 private:
  std::uint64_t m_state;
};

// FNV-1a over a byte stream, fed piece by piece.
class Checksum {
 public:
  void add(unsigned char const* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) m_value = (m_value ^ bytes[i]) * 0x100000001B3ull;
  }
  std::uint64_t value() const { return m_value; }

 private:
  std::uint64_t m_value = 0xCBF29CE484222325ull;
};

}  // namespace pipetest

#endif  // QVOBASE_TESTS_PIPE_PATTERN_H
