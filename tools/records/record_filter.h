// Which records a tool shows: by module, level, process, thread, time and text.
#ifndef QVOBASE_TOOLS_RECORD_FILTER_H
#define QVOBASE_TOOLS_RECORD_FILTER_H

#include <optional>
#include <string>
#include <vector>

#include "log_record.h"

namespace qvotools {

struct RecordFilter {
  std::vector<std::string> modules;  // any of them; all when empty
  std::optional<Level> level;        // that level and more severe ones
  std::optional<long long> pid;
  std::optional<std::string> thread; // "MAIN" or a number, as the header writes it
  std::optional<LogTime> since;      // inclusive bounds; a record whose date cannot be read fails them
  std::optional<LogTime> until;
  std::optional<std::string> grep;   // a text that the header line or the record's text contains

  bool matches(Record const& record) const;
};

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_RECORD_FILTER_H
