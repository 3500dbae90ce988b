// Process exit: the writer threads of every live back-end are stopped, joined and drained while the
// process's threads still run, so that no queued line is lost and no writer outlives its back-end.
#include <atomic>
#include <mutex>

#include "log/implementation.h"
#include "platform/module.h"

namespace qvo {

namespace {

// Trivially destructible, so they stay usable by back-ends destroyed during the library's teardown.
std::mutex g_exitLock;
LogImplementation* g_enrolled = nullptr;
bool g_hooked = false;
std::atomic<bool> g_exitStarted{false};

}  // namespace

void LogImplementation::enrolForExit() {
  std::lock_guard<std::mutex> guard(g_exitLock);
  if (m_enrolled) return;
  m_enrolled = true;
  m_exitPrev = nullptr;
  m_exitNext = g_enrolled;
  if (g_enrolled != nullptr) g_enrolled->m_exitPrev = this;
  g_enrolled = this;
  if (!g_hooked) {
    g_hooked = true;
    platform::atProcessExit(&LogImplementation::stopWritersAtExit);
  }
}

void LogImplementation::withdrawFromExit() {
  std::lock_guard<std::mutex> guard(g_exitLock);
  if (!m_enrolled) return;
  m_enrolled = false;
  if (m_exitPrev != nullptr) m_exitPrev->m_exitNext = m_exitNext;
  if (m_exitNext != nullptr) m_exitNext->m_exitPrev = m_exitPrev;
  if (g_enrolled == this) g_enrolled = m_exitNext;
}

// A back-end being destroyed meanwhile waits in withdrawFromExit for the lock held here, so every
// back-end in the list stays alive while its writer is stopped.
void LogImplementation::stopWritersAtExit() {
  g_exitStarted.store(true);
  std::lock_guard<std::mutex> guard(g_exitLock);
  for (LogImplementation* b = g_enrolled; b != nullptr; b = b->m_exitNext) b->stopWriter();
}

bool LogImplementation::exitStarted() { return g_exitStarted.load(std::memory_order_relaxed); }

}  // namespace qvo
