// Date and time of log records, read from a 64-bit clock (right after January 2038 too).
#ifndef QVOBASE_LOG_DATETIME_H
#define QVOBASE_LOG_DATETIME_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvo::record {

// Local date and time of `epochMs` (milliseconds since 1970-01-01 UTC, 64-bit): "%d %b %Y %H:%M:%S."
// then the milliseconds in three digits, e.g. "04 Dec 2026 16:03:46.007". Appended to `out`.
void appendDateTime(std::int64_t epochMs, std::string& out);

// The text of one second, kept so that records within that second only add the milliseconds.
// Trivially constructible and destructible, so it can live in fast thread-local storage.
struct DateCache {
  std::int64_t second;  // the second whose text is cached; `size` 0 when none
  std::int64_t ms;      // the millisecond last written
  std::size_t size;     // length of the text up to and including the seconds' dot
  char text[72];        // the date and time, then "\n\t" (for records)
};
// The date and time of now, in `cache` (valid until its next use); the two characters after the
// returned text are "\n\t".
std::string_view dateTimeNow(DateCache& cache);
// The same with a cache of the calling thread.
std::string_view dateTimeNow();

}  // namespace qvo::record

#endif  // QVOBASE_LOG_DATETIME_H
