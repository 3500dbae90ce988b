// Windows: the system's critical sections.
#include <windows.h>

#include "platform/lock.h"

namespace qvo::platform {

// The public header keeps room for a critical section without naming the structure.
static_assert(sizeof(CRITICAL_SECTION) <= sizeof(qvo::detail::CriticalSectionStorage), "critical section storage");
static_assert(alignof(CRITICAL_SECTION) <= alignof(qvo::detail::CriticalSectionStorage), "critical section alignment");

void csInitialize(CRITICAL_SECTION* cs) { ::InitializeCriticalSection(cs); }
void csDelete(CRITICAL_SECTION* cs) { ::DeleteCriticalSection(cs); }
void csEnter(CRITICAL_SECTION* cs) { ::EnterCriticalSection(cs); }
bool csTryEnter(CRITICAL_SECTION* cs) { return ::TryEnterCriticalSection(cs) != FALSE; }
void csLeave(CRITICAL_SECTION* cs) { ::LeaveCriticalSection(cs); }

}  // namespace qvo::platform
