// Shared helpers of the fuzz targets: splitting the fuzzer's bytes into small values and texts.
#ifndef QVOBASE_FUZZ_INPUT_H
#define QVOBASE_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvofuzz {

// Reads from the fuzzer's bytes front to back; once they run out every read gives zero or "".
class Input {
 public:
  Input(std::uint8_t const* data, std::size_t size) : m_data(data), m_size(size) {}
  std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  bool flag() { return byte() & 1; }
  // A text ended by a 0xFF byte or the end of the input (the separator is not part of it).
  std::string text() {
    std::string s;
    while (m_pos < m_size && m_data[m_pos] != 0xFF) s += static_cast<char>(m_data[m_pos++]);
    if (m_pos < m_size) ++m_pos;
    return s;
  }
  std::string rest() {
    std::string s(reinterpret_cast<char const*>(m_data) + m_pos, m_size - m_pos);
    m_pos = m_size;
    return s;
  }
  bool empty() const { return m_pos >= m_size; }

 private:
  std::uint8_t const* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

// A broken expectation: says which, then aborts so that libFuzzer keeps the input.
[[noreturn]] inline void fail(char const* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}
#define QVO_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) ::qvofuzz::fail(#cond); \
  } while (0)

// The text up to its first NUL, as the C-string forms see it.
inline std::string cText(std::string const& s) { return s.substr(0, s.find('\0')); }

}  // namespace qvofuzz

#endif  // QVOBASE_FUZZ_INPUT_H
