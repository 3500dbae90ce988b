// The process-wide log as the static trace API reaches it: without a lock or a reference count.
#ifndef QVOBASE_LOG_PROCESS_LOG_H
#define QVOBASE_LOG_PROCESS_LOG_H

#include "QVOLog.h"
#include "log/implementation.h"

namespace qvo::detail {

// A handle on the process-wide log's back-end, taken under the instance lock (for the rare calls
// that want a whole handle: InitTrace).
Log instanceCopy();

// The process-wide back-end right now, for reading its module table only; null before its first
// use and after process exit.
LogImplementation* processBackEnd();

// Holds the process-wide back-end for one static call that is going to write: while a pin holds it,
// a back-end that another thread has just replaced is not shut down (its last lines reach its
// output). get() is null when there is no process-wide log (after process exit).
class ProcessLogPin {
 public:
  ProcessLogPin();
  ~ProcessLogPin();
  ProcessLogPin(ProcessLogPin const&) = delete;
  ProcessLogPin& operator=(ProcessLogPin const&) = delete;
  LogImplementation* get() const { return m_impl; }

 private:
  LogImplementation* m_impl;
};

}  // namespace qvo::detail

#endif  // QVOBASE_LOG_PROCESS_LOG_H
