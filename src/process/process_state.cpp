// The shared process reference of qvo::pid_t: waits, termination and release through the handle held
// since the start, never through the identifier.
#include "process/process_state.h"

namespace qvo::detail {

ProcessState::ProcessState(const platform::ProcessRef& ref) : m_ref(ref) {}

ProcessState::~ProcessState() {
  if (!m_released) platform::releaseProcess(m_ref, m_ended);
}

void ProcessState::releaseIfIdle() {
  if (m_ended && !m_released && m_waiters == 0) {
    platform::releaseProcess(m_ref, true);
    m_released = true;
  }
}

ProcessState::Outcome ProcessState::wait(long timeoutMs, int* status, unsigned long* nativeError) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_ended) return Outcome::Gone;
    ++m_waiters;
  }
  // The wait itself runs unlocked, so that other copies can poll or kill meanwhile; the reference
  // stays open while any thread waits on it.
  const platform::WaitResult result = platform::waitForProcessEnd(m_ref, timeoutMs, nativeError);

  std::lock_guard<std::mutex> lock(m_mutex);
  --m_waiters;
  Outcome outcome;
  if (m_ended) {
    outcome = Outcome::Gone;  // another copy saw the end first
  } else if (result == platform::WaitResult::TimedOut) {
    outcome = Outcome::Running;
  } else if (result == platform::WaitResult::Failed) {
    outcome = Outcome::Failed;
  } else {
    outcome = platform::readExitStatus(m_ref, true, status, nativeError) ? Outcome::Ended : Outcome::EndedNoStatus;
    m_ended = true;
  }
  releaseIfIdle();
  return outcome;
}

bool ProcessState::terminate(unsigned long* nativeError, bool* gone) {
  std::lock_guard<std::mutex> lock(m_mutex);
  *gone = m_ended;
  if (m_ended) return false;
  return platform::terminateProcess(m_ref, nativeError);
}

}  // namespace qvo::detail
