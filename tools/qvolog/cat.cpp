// qvolog cat: the backup, then the log, whole records only.
#include <cstdio>

#include "commands.h"
#include "log_names.h"
#include "log_pair.h"
#include "printer.h"

namespace qvotools {

int runCat(LogOptions const& options) {
  std::vector<LogPart> const parts = readLogPair(options.log);
  if (parts.empty()) return kExitNothing;
  ItemPrinter printer(options);
  for (LogPart const& part : parts)
    for (Item const& item : part.items) printer.print(item, part.file);
  printer.flush();
  return printer.records() > 0 ? kExitOk : kExitNothing;
}

}  // namespace qvotools
