// A log and its backup read together, in time order: what cat and stats go through.
#ifndef QVOBASE_TOOLS_QVOLOG_LOG_PAIR_H
#define QVOBASE_TOOLS_QVOLOG_LOG_PAIR_H

#include <string>
#include <vector>

#include "log_record.h"

namespace qvotools {

struct LogPart {
  std::string file;
  std::vector<Item> items;  // whole ones only
};

// The backup and the log (the older first), each as whole items: a last record without its line feed
// that is still changing after a few looks (one the log is writing) is left out; one that stays as it
// is (a record that the size limit cut) counts. Read again if a rollover happens while they are read.
// Empty when neither file exists, which is then said on standard error.
std::vector<LogPart> readLogPair(std::string const& log);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOLOG_LOG_PAIR_H
