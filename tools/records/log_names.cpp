// The backup name of a log file.
#include "log_names.h"

namespace qvotools {

std::string backupName(std::string const& logName) {
  std::size_t const dot = logName.find_last_of('.');
  bool const hasExt = dot != std::string::npos && dot != 0 && logName[dot - 1] != '/' && logName[dot - 1] != '\\' &&
                      logName.find_first_of("/\\", dot) == std::string::npos;
  if (!hasExt) return logName + "_circ";
  return logName.substr(0, dot) + "_circ" + logName.substr(dot);
}

}  // namespace qvotools
