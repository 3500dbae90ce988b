// The process-wide log, as the static trace API reaches it.
#ifndef QVOBASE_LOG_INSTANCE_H
#define QVOBASE_LOG_INSTANCE_H

#include "QVOLog.h"

namespace qvo::detail {

// A handle on the process-wide log's back-end, taken under the instance lock: the back-end stays
// alive for as long as the copy does, even when another thread replaces the process-wide log.
Log instanceCopy();

}  // namespace qvo::detail

#endif  // QVOBASE_LOG_INSTANCE_H
