// Windows: critical sections and manual-reset events, straight onto kernel32.
#include <windows.h>

#include "platform/platform.h"

namespace qvo::platform {

// The public header keeps room for a critical section without naming the structure.
static_assert(sizeof(CRITICAL_SECTION) <= sizeof(qvo::detail::CriticalSectionStorage), "critical section storage");
static_assert(alignof(CRITICAL_SECTION) <= alignof(qvo::detail::CriticalSectionStorage), "critical section alignment");

void csInitialize(CRITICAL_SECTION* cs) { ::InitializeCriticalSection(cs); }
void csDelete(CRITICAL_SECTION* cs) { ::DeleteCriticalSection(cs); }
void csEnter(CRITICAL_SECTION* cs) { ::EnterCriticalSection(cs); }
bool csTryEnter(CRITICAL_SECTION* cs) { return ::TryEnterCriticalSection(cs) != FALSE; }
void csLeave(CRITICAL_SECTION* cs) { ::LeaveCriticalSection(cs); }

EventHandle eventCreate() { return ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }
void eventClose(EventHandle event) {
  if (event != nullptr) ::CloseHandle(event);
}
void eventSet(EventHandle event) { ::SetEvent(event); }
void eventReset(EventHandle event) { ::ResetEvent(event); }
bool eventWait(EventHandle event, unsigned long milliseconds) {
  const DWORD wait = milliseconds >= kInfinite ? INFINITE : static_cast<DWORD>(milliseconds);
  return ::WaitForSingleObject(event, wait) == WAIT_OBJECT_0;
}

}  // namespace qvo::platform
