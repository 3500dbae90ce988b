// The shared process reference of qvo::pid_t: waits, termination and release through the handle held
// since the start, never through the identifier.
#include "process/process_state.h"

namespace qvo::detail {

ProcessState::ProcessState(const platform::ProcessRef& ref) : m_ref(ref) {}

ProcessState::~ProcessState() {
  if (!m_bReleased) platform::releaseProcess(m_ref, m_bEnded);
}

void ProcessState::releaseIfIdle() {
  if (m_bEnded && !m_bReleased && m_nbWaiters == 0) {
    platform::releaseProcess(m_ref, true);
    m_bReleased = true;
  }
}

ProcessState::Outcome ProcessState::wait(long timeoutMs, int* status, platform::SysError* error) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bEnded) return Outcome::Gone;
    ++m_nbWaiters;
  }
  // The wait itself runs unlocked, so that other copies can poll or kill meanwhile; the reference
  // stays open while any thread waits on it.
  const platform::WaitResult result =
      platform::waitForProcessEnd(m_ref, platform::Timeout::fromSigned(timeoutMs), error);

  std::lock_guard<std::mutex> lock(m_mutex);
  --m_nbWaiters;
  Outcome outcome;
  if (m_bEnded) {
    outcome = Outcome::Gone;  // another copy saw the end first
  } else if (result == platform::WaitResult::TimedOut) {
    outcome = Outcome::Running;
  } else if (result == platform::WaitResult::Failed) {
    outcome = Outcome::Failed;
  } else {
    outcome = platform::readExitStatus(m_ref, true, status, error) ? Outcome::Ended : Outcome::EndedNoStatus;
    m_bEnded = true;
  }
  releaseIfIdle();
  return outcome;
}

bool ProcessState::terminate(platform::SysError* error, bool* gone) {
  std::lock_guard<std::mutex> lock(m_mutex);
  *gone = m_bEnded;
  if (m_bEnded) return false;
  return platform::terminateProcess(m_ref, error);
}

}  // namespace qvo::detail
