// The three commands of qvolog; each returns the program's exit code.
#ifndef QVOBASE_TOOLS_QVOLOG_COMMANDS_H
#define QVOBASE_TOOLS_QVOLOG_COMMANDS_H

#include "options.h"

namespace qvotools {

int runCat(LogOptions const& options);
int runFollow(LogOptions const& options);
int runStats(LogOptions const& options);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOLOG_COMMANDS_H
