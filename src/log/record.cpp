// The pieces of a log record. Each thread keeps its process and thread text and the text of the
// current second, so a record costs a clock read, a few copies and no lock.
#include "log/record.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace qvo::record {

std::string_view levelText(long level) {
  if (level < 0) return "ANNOYING";
  switch (level) {
    case 0: return "INFO";
    case 1: return "WARNING";
    case 2: return "ERROR";
    default: return "WORTH";
  }
}

namespace {

struct ThreadText {
  char text[64];
  std::size_t size = 0;
};

void appendNumber(std::string& out, long long value) {
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<std::size_t>(r.ptr - digits));
}

}  // namespace

std::string_view threadText() {
  thread_local ThreadText cached;
  if (cached.size == 0) {
    std::string s = "PID(" + std::to_string(platform::currentProcessId()) + ") THR(";
    s += platform::isMainThread() ? std::string("MAIN") : std::to_string(platform::currentThreadId());
    s += ")";
    cached.size = s.copy(cached.text, sizeof cached.text);
  }
  return {cached.text, cached.size};
}

std::string_view formatInto(char (&small)[2048], std::string& big, char const* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  if (n < 0) {
    va_end(again);
    return {};
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    va_end(again);
    return {small, static_cast<std::size_t>(n)};
  }
  big.resize(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(&big[0], big.size(), format, again);
  va_end(again);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

std::string formatText(char const* format, va_list args) {
  char small[2048];
  std::string big;
  std::string_view text = formatInto(small, big, format, args);
  if (text.data() == big.data()) return big;
  return std::string(text);
}

void appendRecord(std::string& out, std::string_view module, long level, std::string_view sourceFile,
                  long sourceLine, std::string_view text) {
  std::string_view levelName = levelText(level);
  std::string_view thread = threadText();
  std::string_view date = dateTimeNow();
  out.reserve(out.size() + levelName.size() + module.size() + thread.size() + sourceFile.size() +
              date.size() + text.size() + 40);
  out += '\n';
  out += levelName;
  out += ' ';
  out += module;
  out += ' ';
  out += thread;
  out += " : ";
  out += sourceFile;
  out += " - ";
  appendNumber(out, sourceLine);
  out += " : ";
  out += date;
  out += "\n\t";
  out += text;
  if (out.back() != '\n') out += '\n';
}

std::string& scratch() {
  thread_local std::string buffer;
  buffer.clear();
  return buffer;
}

void trimScratch(std::string& buffer) {
  if (buffer.capacity() > (1u << 16)) std::string().swap(buffer);
}

}  // namespace qvo::record
