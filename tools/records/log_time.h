// Times of log records: the log's own date text ("04 Dec 2026 16:03:46.007", local time) and ISO 8601
// texts ("2026-12-04T16:03:46.007"), read into one comparable value.
#ifndef QVOBASE_TOOLS_LOG_TIME_H
#define QVOBASE_TOOLS_LOG_TIME_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvotools {

// A local date and time to the millisecond. No time zone: the log writes local time and says nothing
// of its zone, so times are compared as they are written.
struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;

  // One number that orders times as the calendar does.
  std::int64_t key() const;
  // "2026-12-04T16:03:46.007".
  std::string iso() const;
};

// Reads the log's date text: day, English month abbreviation, year, hours:minutes:seconds, a dot and
// three digits of milliseconds. Nothing before or after. Empty when the text is not one (a month in
// another language included).
std::optional<LogTime> parseLogTime(std::string_view text);

// Reads a time given on the command line: the log's own form (the seconds and the milliseconds may be
// left out) or ISO 8601 ("2026-12-04", "2026-12-04T16:03", "2026-12-04 16:03:46.5"; no zone). The parts
// left out are the start of their unit, or, with `roundUp`, its end: "--until 2026-12-04" is then the
// whole day. Empty when the text is neither form.
std::optional<LogTime> parseUserTime(std::string_view text, bool roundUp);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_LOG_TIME_H
