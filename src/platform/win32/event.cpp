// Windows: manual-reset event objects, which threads and overlapped pipe operations wait on alike.
#include <windows.h>

#include "platform/event.h"

namespace qvo::platform {

// CreateEventA's failure value is null, which is kNoEvent.
EventHandle eventCreate(EventWaiters) { return ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }

void eventClose(EventHandle event) {
  if (event != kNoEvent) ::CloseHandle(event);
}

void eventSet(EventHandle event) {
  if (event != kNoEvent) ::SetEvent(event);
}

void eventReset(EventHandle event) {
  if (event != kNoEvent) ::ResetEvent(event);
}

bool eventIsSet(EventHandle event) { return eventWait(event, 0); }

bool eventWait(EventHandle event, unsigned long milliseconds) {
  if (event == kNoEvent) return false;
  const DWORD wait = milliseconds >= kInfinite ? INFINITE : static_cast<DWORD>(milliseconds);
  return ::WaitForSingleObject(event, wait) == WAIT_OBJECT_0;
}

}  // namespace qvo::platform
