// Date and time of log records, read from a 64-bit clock (right after January 2038 too).
#ifndef QVOBASE_LOG_DATETIME_H
#define QVOBASE_LOG_DATETIME_H

#include <cstdint>
#include <string>
#include <string_view>

namespace qvo::record {

// Local date and time of `epochMs` (milliseconds since 1970-01-01 UTC, 64-bit): "%d %b %Y %H:%M:%S."
// then the milliseconds in three digits, e.g. "04 Dec 2026 16:03:46.007". Appended to `out`.
void appendDateTime(std::int64_t epochMs, std::string& out);
// The same for now. The text of the current second is kept per thread, so most records only add
// the milliseconds.
std::string_view dateTimeNow();

}  // namespace qvo::record

#endif  // QVOBASE_LOG_DATETIME_H
