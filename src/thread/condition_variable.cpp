// QVO_CONDITION_VARIABLE and its four free functions: one reusable event per waiting thread, woken
// oldest first, each wake going to a distinct waiter.
#include "QVOThread.h"
#include "platform/event.h"
#include "platform/lock.h"

namespace qvo::detail {

// One waiting thread. `queued` is true while the record is in m_waiters, that is while its thread
// waits and nobody has woken it: a wake takes the record out, so the next wake reaches the next thread
// even before the woken one has run again.
struct Waiter {
  platform::EventHandle event = platform::kNoEvent;
  Waiter* prev = nullptr;
  Waiter* next = nullptr;
  bool queued = false;
};

namespace {

void pushBack(WaiterList& list, Waiter* w) {
  w->next = nullptr;
  w->prev = list.back;
  if (list.back != nullptr) list.back->next = w;
  else list.front = w;
  list.back = w;
}

void unlink(WaiterList& list, Waiter* w) {
  if (w->prev != nullptr) w->prev->next = w->next;
  else list.front = w->next;
  if (w->next != nullptr) w->next->prev = w->prev;
  else list.back = w->prev;
  w->prev = w->next = nullptr;
}

Waiter* popFront(WaiterList& list) {
  Waiter* w = list.front;
  if (w != nullptr) unlink(list, w);
  return w;
}

// Records are owned by their condition variable through these raw lists (the documented layout).
void releaseAll(WaiterList& list) {
  while (Waiter* w = popFront(list)) {
    platform::eventClose(w->event);
    delete w;
  }
}

}  // namespace
}  // namespace qvo::detail

using qvo::detail::Waiter;
namespace platform = qvo::platform;

QVO_CONDITION_VARIABLE::QVO_CONDITION_VARIABLE() : m_lock{}, m_nbWaiting(0) { platform::csInitialize(innerLock()); }

// A copy shares nothing with its source: a live inner lock and waiter records cannot be shared.
QVO_CONDITION_VARIABLE::QVO_CONDITION_VARIABLE(QVO_CONDITION_VARIABLE const&) : QVO_CONDITION_VARIABLE() {}

QVO_CONDITION_VARIABLE& QVO_CONDITION_VARIABLE::operator=(QVO_CONDITION_VARIABLE const&) { return *this; }

QVO_CONDITION_VARIABLE::~QVO_CONDITION_VARIABLE() {
  platform::csDelete(innerLock());
  qvo::detail::releaseAll(m_waiters);
  qvo::detail::releaseAll(m_freeWaiters);
}

bool QVO_CONDITION_VARIABLE::Wait(CRITICAL_SECTION* cs, unsigned long timeout) {
  if (cs == nullptr) return false;
  platform::csEnter(innerLock());
  Waiter* w = qvo::detail::popFront(m_freeWaiters);
  if (w == nullptr) {
    w = new Waiter;
    w->event = platform::eventCreate();
  }
  if (w->event == platform::kNoEvent) {
    // No event to wait on: the wait fails at once; the record is dropped so a later wait tries again.
    delete w;
    platform::csLeave(innerLock());
    return false;
  }
  qvo::detail::pushBack(m_waiters, w);
  w->queued = true;
  m_nbWaiting.store(m_nbWaiting.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  platform::csLeave(innerLock());
  platform::csLeave(cs);

  platform::eventWait(w->event, platform::Timeout::fromUnsigned(timeout));

  // The caller's lock, then the inner lock: the order "caller's lock, then inner lock" of every path.
  // Taken the other way round, a woken thread would often find the inner lock still held by its waker,
  // which sets the event under it, and sleep on it before sleeping again on the caller's lock; taken
  // first, the caller's lock is the only one it waits for (the waker leaves the inner lock long before
  // it lets the caller's lock go).
  platform::csEnter(cs);
  platform::csEnter(innerLock());
  // Woken means taken out by a wake, even one that came as the time ran out: that wake was meant for
  // this thread and must not be lost.
  const bool woken = !w->queued;
  if (w->queued) {
    qvo::detail::unlink(m_waiters, w);
    w->queued = false;
    m_nbWaiting.store(m_nbWaiting.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
  }
  platform::eventReset(w->event);
  qvo::detail::pushBack(m_freeWaiters, w);
  platform::csLeave(innerLock());
  return woken;
}

void QVO_CONDITION_VARIABLE::Signal() {
  // Nobody waiting: the wake is lost, without touching the inner lock. A thread that waits registers
  // while it still holds its own lock, so a waker holding that lock always sees it here.
  if (!hasWaiters()) return;
  platform::csEnter(innerLock());
  if (Waiter* w = qvo::detail::popFront(m_waiters)) {
    w->queued = false;
    m_nbWaiting.store(m_nbWaiting.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
    platform::eventSet(w->event);
  }
  platform::csLeave(innerLock());
}

void QVO_CONDITION_VARIABLE::Broadcast() {
  if (!hasWaiters()) return;
  platform::csEnter(innerLock());
  while (Waiter* w = qvo::detail::popFront(m_waiters)) {
    w->queued = false;
    platform::eventSet(w->event);
  }
  m_nbWaiting.store(0, std::memory_order_relaxed);
  platform::csLeave(innerLock());
}

void InitializeConditionVariable(QVO_CONDITION_VARIABLE*) {}

void SleepConditionVariableCS(QVO_CONDITION_VARIABLE* cv, CRITICAL_SECTION* cs, unsigned long timeout) {
  if (cv != nullptr) cv->Wait(cs, timeout);
}

void WakeConditionVariable(QVO_CONDITION_VARIABLE* cv) {
  if (cv != nullptr) cv->Signal();
}

void WakeAllConditionVariable(QVO_CONDITION_VARIABLE* cv) {
  if (cv != nullptr) cv->Broadcast();
}
