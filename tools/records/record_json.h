// JSON texts of the log's items for other tools: one object per line.
#ifndef QVOBASE_TOOLS_RECORD_JSON_H
#define QVOBASE_TOOLS_RECORD_JSON_H

#include <string>
#include <string_view>

#include "log_record.h"

namespace qvotools {

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD, so that the
// result is valid JSON whatever the log holds.
std::string jsonString(std::string_view text);

// {"time":"2026-12-04T16:03:46.007","level":"INFO","module":"NET","pid":4711,"thread":"MAIN",
//  "source":"net.cpp","line":42,"text":"..."}, with "cut":true for a cut record. A date that cannot
// be read is given as written.
std::string recordJson(Record const& record);

// A mark that is no record: {"mark":"file","file":...,"swap":2,"time":...} where a file starts,
// {"mark":"crash","file":...,"text":"process ends on ..."} for a crash ending, and
// {"mark":"text","file":...,"text":...} for loose text.
std::string markJson(Item const& item, std::string const& file);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_RECORD_JSON_H
