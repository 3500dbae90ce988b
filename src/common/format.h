// Text formatting with the C runtime's printf rules, without a length limit: the one printf path of
// the library (the log's formatting forms and the process messages). Portable: both targets'
// runtimes give vsnprintf the C99 meaning (MinGW's C++ runtime uses its own conforming printf).
#ifndef QVOBASE_COMMON_FORMAT_H
#define QVOBASE_COMMON_FORMAT_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace qvo::common {

// Formats into `small` when the text fits in it, else into `big` (sized exactly); returns the text,
// valid while both live. A format the runtime refuses gives "".
template <std::size_t N>
std::string_view formatInto(char (&small)[N], std::string& big, char const* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int const n = std::vsnprintf(small, N, format, args);
  std::string_view text;
  if (n >= 0 && static_cast<std::size_t>(n) < N) {
    text = std::string_view(small, static_cast<std::size_t>(n));
  } else if (n >= 0) {
    big.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&big[0], big.size(), format, again);
    big.resize(static_cast<std::size_t>(n));
    text = big;
  }
  va_end(again);
  return text;
}

// The formatted text as a string.
inline std::string formatText(char const* format, va_list args) {
  char small[2048];
  std::string big;
  std::string_view const text = formatInto(small, big, format, args);
  return text.data() == big.data() ? big : std::string(text);
}

}  // namespace qvo::common

#endif  // QVOBASE_COMMON_FORMAT_H
