// POSIX (Linux): manual-reset events. An event that only threads wait on is a futex word; one that pipe
// operations watch is an eventfd, readable while the event is set, which poll() watches beside the pipe's
// socket. Each event has that one state, so a set and a reset never disagree.
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <new>

#include "platform/event.h"
#include "platform/posix/internal.h"

namespace qvo::platform {

namespace {

// One word, 0 not set, 1 set, 2 not set with a thread asleep on it. Setting exchanges in 1 (release) and
// makes the wake system call only when someone sleeps; a wait reads the word with acquire and marks it
// 2 before it sleeps.
constexpr int kUnset = 0;
constexpr int kSet = 1;
constexpr int kUnsetWithSleeper = 2;

struct Event {
  int state = kUnset;
  int fd = -1;  // an event that pipes watch: its eventfd, which holds its state (`state` is unused)
};

// Waits until the deadline for the eventfd to turn readable.
bool descriptorReadable(int fd, Deadline const& deadline) {
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int wait = deadline.pollMs();
    const int r = ::poll(&p, 1, wait);
    if (r > 0) return (p.revents & POLLIN) != 0;
    if (r < 0 && errno != EINTR) return false;
    // Interrupted, or a wait cut to what poll takes: go on with what is left.
    if (r == 0 && (wait < INT_MAX || deadline.passed())) return false;
  }
}

// One step of a wait: true once the event is set; otherwise sleeps (at most `timeout`) and returns false.
bool setOrSleep(Event* e, const timespec* timeout) {
  int seen = __atomic_load_n(&e->state, __ATOMIC_ACQUIRE);
  if (seen == kSet) return true;
  if (seen == kUnset &&
      !__atomic_compare_exchange_n(&e->state, &seen, kUnsetWithSleeper, false, __ATOMIC_ACQUIRE, __ATOMIC_ACQUIRE)) {
    return seen == kSet;  // changed meanwhile: set, or marked by another sleeper
  }
  futexWait(&e->state, kUnsetWithSleeper, timeout);
  return false;
}

Event* eventOf(EventHandle handle) { return static_cast<Event*>(handle.raw); }

}  // namespace

int eventDescriptor(EventHandle event) { return event == kNoEvent ? -1 : eventOf(event)->fd; }

EventHandle eventCreate(EventWaiters waiters) {
  Event* e = new (std::nothrow) Event;
  if (e == nullptr || waiters == EventWaiters::threads) return EventHandle{e};
  e->fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (e->fd < 0) {
    delete e;
    return kNoEvent;
  }
  return EventHandle{e};
}

void eventClose(EventHandle event) {
  Event* e = eventOf(event);
  if (e == nullptr) return;
  if (e->fd >= 0) ::close(e->fd);
  delete e;
}

void eventSet(EventHandle event) {
  Event* e = eventOf(event);
  if (e == nullptr) return;
  if (e->fd >= 0) {
    const std::uint64_t one = 1;
    retryOnInterrupt([&] { return ::write(e->fd, &one, sizeof one); });
    return;
  }
  if (__atomic_exchange_n(&e->state, kSet, __ATOMIC_RELEASE) == kUnsetWithSleeper) futexWake(&e->state, INT_MAX);
}

void eventReset(EventHandle event) {
  Event* e = eventOf(event);
  if (e == nullptr) return;
  if (e->fd >= 0) {
    std::uint64_t value;
    retryOnInterrupt([&] { return ::read(e->fd, &value, sizeof value); });
    return;
  }
  __atomic_store_n(&e->state, kUnset, __ATOMIC_RELAXED);
}

bool eventIsSet(EventHandle event) {
  Event* e = eventOf(event);
  if (e == nullptr) return false;
  if (e->fd >= 0) return descriptorReadable(e->fd, Deadline(Timeout::ms(0)));
  return __atomic_load_n(&e->state, __ATOMIC_ACQUIRE) == kSet;
}

bool eventWait(EventHandle event, Timeout timeout) {
  Event* e = eventOf(event);
  if (e == nullptr) return false;
  const Deadline deadline(timeout);
  if (e->fd >= 0) return descriptorReadable(e->fd, deadline);
  if (deadline.isUnlimited()) {
    while (!setOrSleep(e, nullptr)) {
    }
    return true;
  }
  for (;;) {
    if (deadline.passed()) return __atomic_load_n(&e->state, __ATOMIC_ACQUIRE) == kSet;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.left()).count();
    const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    if (setOrSleep(e, &wait)) return true;
  }
}

}  // namespace qvo::platform
