// The operating-system seam, events and waits: manual-reset events that threads wait on and that pipe
// operations watch beside their native pipe. Defined in posix/event.cpp and win32/event.cpp.
#ifndef QVOBASE_PLATFORM_EVENT_H
#define QVOBASE_PLATFORM_EVENT_H

#include "platform/handle.h"
#include "platform/time.h"  // Timeout
#include "qvo_internal.h"

namespace qvo::platform {

// A manual-reset event: once set it stays set, waking every wait, until it is reset.
using EventHandle = Handle<struct EventKind>;
// No event: what a failed creation returns, and what a wait that nothing may end is given. Every
// function below accepts it and does nothing (eventIsSet and eventWait answer false).
constexpr EventHandle kNoEvent{nullptr};

// Who waits for the event. An event that only threads wait on is cheapest in user space; one that pipe
// operations watch is what the system waits on together with the pipe (Windows: a kernel event handle,
// given straight to WaitForMultipleObjects; POSIX: a descriptor that poll() watches beside the socket).
enum class EventWaiters { threads, threadsAndPipes };

// A new event, not set; kNoEvent when the system cannot create one.
QVO_INTERNAL EventHandle eventCreate(EventWaiters waiters = EventWaiters::threads);
QVO_INTERNAL void eventClose(EventHandle event);
QVO_INTERNAL void eventSet(EventHandle event);
QVO_INTERNAL void eventReset(EventHandle event);
// True when the event is set (no wait).
QVO_INTERNAL bool eventIsSet(EventHandle event);
// Waits until the event is set or the time-out passes. True only when the wait ended because the event
// was set; false on time-out or failure.
QVO_INTERNAL bool eventWait(EventHandle event, Timeout timeout);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_EVENT_H
