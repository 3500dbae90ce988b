// The record filter of the tools.
#include "record_filter.h"

#include <algorithm>

namespace qvotools {

bool RecordFilter::matches(Record const& record) const {
  if (!modules.empty() && std::find(modules.begin(), modules.end(), record.module) == modules.end()) return false;
  if (level && static_cast<int>(record.level) < static_cast<int>(*level)) return false;
  if (pid && record.pid != *pid) return false;
  if (thread && record.thread != *thread) return false;
  if (since && (!record.time || record.time->key() < since->key())) return false;
  if (until && (!record.time || record.time->key() > until->key())) return false;
  if (grep && record.header.find(*grep) == std::string::npos && record.text.find(*grep) == std::string::npos)
    return false;
  return true;
}

}  // namespace qvotools
