// The process reference that copies of a qvo::pid_t share: the native handle held since the process
// started, and whether its end has already been observed.
#ifndef QVOBASE_PROCESS_PROCESS_STATE_H
#define QVOBASE_PROCESS_PROCESS_STATE_H

#include <mutex>

#include "platform/process.h"

namespace qvo::detail {

// One process, reached only through the reference it was created with. The first wait that sees the
// end reads the exit status (collecting a child on POSIX) and marks the state ended; from then on no
// operation touches the process or its identifier again. The native reference is released once the
// end is observed and no other thread is still waiting on it, or when the last owner goes.
// Thread safe: copies of a pid_t in several threads may wait, poll and kill at once.
class ProcessState {
 public:
  explicit ProcessState(const platform::ProcessRef& ref);
  ~ProcessState();
  ProcessState(const ProcessState&) = delete;
  ProcessState& operator=(const ProcessState&) = delete;

  enum class Outcome {
    Ended,          // this call saw the end; *status holds the exit status
    EndedNoStatus,  // this call saw the end, but the status could not be read (*error)
    Running,        // still running at the time-out
    Failed,         // the wait failed (*error)
    Gone,           // the end was already observed before
  };
  // Waits up to timeoutMs milliseconds (negative: no limit).
  Outcome wait(long timeoutMs, int* status, platform::SysError* error);

  // Terminates the process. False with *error on failure; false with *gone set when its end was
  // already observed.
  bool terminate(platform::SysError* error, bool* gone);

 private:
  void releaseIfIdle();  // with m_mutex held

  std::mutex m_mutex;
  platform::ProcessRef m_ref;
  bool m_bEnded = false;     // the end was observed (and, on POSIX, the child collected)
  bool m_bReleased = false;  // the native reference is closed
  int m_nbWaiters = 0;        // threads inside a wait on the native reference
};

}  // namespace qvo::detail

#endif  // QVOBASE_PROCESS_PROCESS_STATE_H
