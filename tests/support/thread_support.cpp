// Shared fixtures of the concurrency tests. This file includes the library's header before <windows.h>
// (test_thread_windows.cpp does the opposite), so both orders are compiled.
#include "support/thread_support.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <chrono>
#include <thread>

namespace qvotest {

CriticalSection::CriticalSection() : m_storage{} { InitializeCriticalSection(get()); }
CriticalSection::~CriticalSection() { DeleteCriticalSection(get()); }
CRITICAL_SECTION* CriticalSection::get() { return reinterpret_cast<CRITICAL_SECTION*>(&m_storage); }
void CriticalSection::enter() { EnterCriticalSection(get()); }
void CriticalSection::leave() { LeaveCriticalSection(get()); }
bool CriticalSection::tryEnter() { return TryEnterCriticalSection(get()) != 0; }

bool eventually(const std::function<bool()>& done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool lockedForOthers(CriticalSection& cs) {
  bool taken = false;
  std::thread probe([&] {
    taken = cs.tryEnter();
    if (taken) cs.leave();
  });
  probe.join();
  return !taken;
}

bool lockedForOthers(CQVOLockableObject& lock) {
  bool taken = false;
  std::thread probe([&] {
    taken = lock.TryLock();
    if (taken) lock.Unlock();
  });
  probe.join();
  return !taken;
}

}  // namespace qvotest
