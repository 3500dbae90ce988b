// The three commands of qvopipe; each returns the program's exit code.
#ifndef QVOBASE_TOOLS_QVOPIPE_SESSION_H
#define QVOBASE_TOOLS_QVOPIPE_SESSION_H

#include "pipe_options.h"

namespace qvotools {

int runListen(PipeOptions const& options);
int runSend(PipeOptions const& options);
int runPair(PipeOptions const& options);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOPIPE_SESSION_H
