// The names of a log's two files: the file itself and its single backup, as the log names it.
#ifndef QVOBASE_TOOLS_LOG_NAMES_H
#define QVOBASE_TOOLS_LOG_NAMES_H

#include <string>

namespace qvotools {

// "<base>_circ<ext>": the extension starts at the last dot unless that dot opens the name or a path
// element, or a separator follows it. "logs/app.log" gives "logs/app_circ.log", "app" "app_circ",
// "dir.d/app" "dir.d/app_circ".
std::string backupName(std::string const& logName);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_LOG_NAMES_H
