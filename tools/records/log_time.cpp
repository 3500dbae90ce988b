// Reading and writing the times of log records.
#include "log_time.h"

#include <cstdio>

namespace qvotools {

namespace {

constexpr char const* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Reads exactly `digits` decimal digits at `at`; advances `at`.
bool number(std::string_view text, std::size_t& at, int digits, int& out) {
  if (at + static_cast<std::size_t>(digits) > text.size()) return false;
  int value = 0;
  for (int i = 0; i < digits; ++i) {
    char const c = text[at + static_cast<std::size_t>(i)];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  at += static_cast<std::size_t>(digits);
  out = value;
  return true;
}

bool literal(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

bool inRange(LogTime const& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 && t.minute <= 59 &&
         t.second <= 60 && t.millisecond <= 999;
}

// The clock part "HH:MM[:SS[.fff]]" from `at` to the end; parts left out are filled by `roundUp`.
bool clock(std::string_view text, std::size_t at, bool roundUp, LogTime& t) {
  if (!number(text, at, 2, t.hour) || !literal(text, at, ':') || !number(text, at, 2, t.minute)) return false;
  t.second = roundUp ? 59 : 0;
  t.millisecond = roundUp ? 999 : 0;
  if (at == text.size()) return true;
  if (!literal(text, at, ':') || !number(text, at, 2, t.second)) return false;
  if (at == text.size()) return true;
  if (!literal(text, at, '.') && !literal(text, at, ',')) return false;
  // A fraction of one to three digits ("5" is 500 ms).
  int ms = 0, digits = 0;
  for (; at < text.size() && digits < 3 && text[at] >= '0' && text[at] <= '9'; ++at, ++digits)
    ms = ms * 10 + (text[at] - '0');
  if (digits == 0 || at != text.size()) return false;
  for (int d = digits; d < 3; ++d) ms *= 10;
  t.millisecond = ms;
  return true;
}

void fillDay(LogTime& t, bool roundUp) {
  t.hour = roundUp ? 23 : 0;
  t.minute = roundUp ? 59 : 0;
  t.second = roundUp ? 59 : 0;
  t.millisecond = roundUp ? 999 : 0;
}

std::optional<LogTime> parseIso(std::string_view text, bool roundUp) {
  LogTime t;
  std::size_t at = 0;
  if (!number(text, at, 4, t.year) || !literal(text, at, '-') || !number(text, at, 2, t.month) ||
      !literal(text, at, '-') || !number(text, at, 2, t.day))
    return std::nullopt;
  if (at == text.size()) {
    fillDay(t, roundUp);
  } else if (!(literal(text, at, 'T') || literal(text, at, ' ')) || !clock(text, at, roundUp, t)) {
    return std::nullopt;
  }
  if (!inRange(t)) return std::nullopt;
  return t;
}

// "04 Dec 2026" then, optionally, a blank and the clock.
std::optional<LogTime> parseLogForm(std::string_view text, bool roundUp, bool exact) {
  LogTime t;
  std::size_t at = 0;
  if (!number(text, at, 2, t.day) || !literal(text, at, ' ') || at + 3 > text.size()) return std::nullopt;
  for (int m = 0; m < 12; ++m)
    if (text.substr(at, 3) == kMonths[m]) t.month = m + 1;
  at += 3;
  if (t.month == 0 || !literal(text, at, ' ') || !number(text, at, 4, t.year)) return std::nullopt;
  if (at == text.size()) {
    if (exact) return std::nullopt;
    fillDay(t, roundUp);
  } else {
    if (!literal(text, at, ' ') || !clock(text, at, roundUp, t)) return std::nullopt;
  }
  if (!inRange(t)) return std::nullopt;
  return t;
}

}  // namespace

std::int64_t LogTime::key() const {
  std::int64_t k = year;
  k = k * 13 + month;
  k = k * 32 + day;
  k = k * 24 + hour;
  k = k * 60 + minute;
  k = k * 61 + second;
  return k * 1000 + millisecond;
}

std::string LogTime::iso() const {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day, hour, minute, second,
                millisecond);
  return text;
}

std::optional<LogTime> parseLogTime(std::string_view text) {
  // The log always writes the full form: seconds, a dot and three digits.
  if (text.size() != 24 || text[20] != '.') return std::nullopt;
  return parseLogForm(text, false, true);
}

std::optional<LogTime> parseUserTime(std::string_view text, bool roundUp) {
  if (auto t = parseIso(text, roundUp)) return t;
  return parseLogForm(text, roundUp, false);
}

}  // namespace qvotools
