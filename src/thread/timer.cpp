// TimeManager, the process-wide timer thread, and CQVOTimer, the stopwatch it advances.
#include <algorithm>
#include <atomic>

#include "QVOThread.h"

namespace {
// Set once the manager has been destroyed at unload: timers that outlive it leave it alone.
std::atomic<bool> g_managerGone{false};
}  // namespace

// Built on first use; a function-local static is built once even when two threads ask at the same
// time, and is destroyed when the library is unloaded, in reverse order of the objects built on first use.
template <>
TimeManager& QVOSingleton<TimeManager>::instance() {
  static TimeManager manager;
  return manager;
}

TimeManager::TimeManager() : CQVOThread(-1), m_step(100.0) { Start(); }

// The thread ends before the timer list and its lock go (they are members, destroyed after this body).
TimeManager::~TimeManager() {
  Stop(true);
  CQVOGuard hold(m_timersLock);
  g_managerGone.store(true, std::memory_order_release);
  m_timers.clear();
}

int TimeManager::Run() {
  if (IsStopped()) return 0;
  const float step = static_cast<float>(m_step);
  const long sleepMs = static_cast<long>(m_step);
  do {
    {
      CQVOGuard hold(m_timersLock);
      for (CQVOTimer* timer : m_timers) timer->step(step);
    }
    CQVOThread::Sleep(sleepMs, false);
  } while (!IsStopped());
  return 0;
}

void TimeManager::Register(CQVOTimer* timer) {
  CQVOGuard hold(m_timersLock);
  m_timers.push_back(timer);
}

void TimeManager::Unregister(CQVOTimer* timer) {
  CQVOGuard hold(m_timersLock);
  m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), timer), m_timers.end());
}

CQVOTimer::CQVOTimer(bool running) : m_bRunning(running), m_elapsed(0.0f) {
  if (!g_managerGone.load(std::memory_order_acquire)) TimeManager::instance().Register(this);
}

CQVOTimer::CQVOTimer(CQVOTimer const& other) : m_bRunning(other.m_bRunning.load()), m_elapsed(other.m_elapsed.load()) {
  if (!g_managerGone.load(std::memory_order_acquire)) TimeManager::instance().Register(this);
}

CQVOTimer::~CQVOTimer() {
  if (!g_managerGone.load(std::memory_order_acquire)) TimeManager::instance().Unregister(this);
}

CQVOTimer& CQVOTimer::operator=(CQVOTimer const& other) {
  m_bRunning.store(other.m_bRunning.load());
  m_elapsed.store(other.m_elapsed.load());
  return *this;
}

void CQVOTimer::start() { m_bRunning.store(true); }
void CQVOTimer::stop() { m_bRunning.store(false); }

void CQVOTimer::restart() {
  m_elapsed.store(0.0f);
  m_bRunning.store(true);
}

float CQVOTimer::elapsed() const { return m_elapsed.load(); }

// On the manager's thread. The add is a compare-and-swap, so a restart() that lands between the read
// and the write is not undone.
void CQVOTimer::step(float milliseconds) {
  if (!m_bRunning.load()) return;
  float seen = m_elapsed.load();
  while (!m_elapsed.compare_exchange_weak(seen, seen + milliseconds)) {
  }
}
