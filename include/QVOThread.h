// Concurrency and time: condition variable, recursive lock with timed unlock, scoped guard, thread base
// class, events and dispatcher, time values, timers and the timer manager thread.
#ifndef QVOBASE_QVOTHREAD_H
#define QVOBASE_QVOTHREAD_H

#include <atomic>
#include <iosfwd>
#include <memory>
#include <vector>

#include "QVOExport.h"
#include "QVOString.h"

// ---------------------------------------------------------------------------------------------------
// CRITICAL_SECTION
//
// On Windows this is the system's own type, declared here without <windows.h> (a program may include
// both headers, in either order). On POSIX it is the library's own structure with the same fields (the
// counts 32-bit, as on Windows), used through the functions of the same names below: a recursive lock
// whose owning thread may enter again and must leave once per entry. It holds no resources, so an
// initialised structure that is never deleted leaks nothing; it must not be copied while in use.
#if defined(_WIN32)
struct _RTL_CRITICAL_SECTION;
typedef struct _RTL_CRITICAL_SECTION RTL_CRITICAL_SECTION;
typedef RTL_CRITICAL_SECTION CRITICAL_SECTION;
#else
struct CRITICAL_SECTION {
  void* DebugInfo;          // unused, null
  int LockCount;            // the lock word: 0 free, 1 held, 2 held with threads asleep on it
  int RecursionCount;       // entries of the owning thread not yet left
  void* OwningThread;       // the owning thread's identity, null when free
  void* LockSemaphore;      // unused, null (sleeping threads wait on the lock word itself)
  unsigned long SpinCount;  // unused, 0 (a thread that finds the lock held sleeps at once)
};
// Builds the lock; the structure must not be in use. Pair with DeleteCriticalSection.
QVO_API void InitializeCriticalSection(CRITICAL_SECTION* cs);
// Releases what InitializeCriticalSection built; the lock must not be held.
QVO_API void DeleteCriticalSection(CRITICAL_SECTION* cs);
// Takes the lock, blocking without limit; the owner may take it again.
QVO_API void EnterCriticalSection(CRITICAL_SECTION* cs);
// Takes the lock without blocking: nonzero when taken (also by its owner), 0 when another thread holds it.
QVO_API int TryEnterCriticalSection(CRITICAL_SECTION* cs);
// Leaves the lock once.
QVO_API void LeaveCriticalSection(CRITICAL_SECTION* cs);
#endif

namespace qvo::detail {
#if defined(_WIN32)
// Room for one Windows critical section (six pointer-sized fields), whose definition lives in
// <windows.h>; the library checks the size against the real structure when it is built.
struct alignas(void*) CriticalSectionStorage {
  unsigned char bytes[6 * sizeof(void*)];
};
#else
using CriticalSectionStorage = CRITICAL_SECTION;
#endif

// One waiting thread's record in a condition variable (defined inside the library).
struct Waiter;
// An intrusive first-in first-out list of waiter records.
struct WaiterList {
  Waiter* front = nullptr;
  Waiter* back = nullptr;
};
}  // namespace qvo::detail

// ---------------------------------------------------------------------------------------------------
// QVO_CONDITION_VARIABLE
//
// A condition variable that works with any critical section the caller holds. Waiting threads are
// woken in the order in which they began to wait, and every Signal wakes a distinct waiter: a thread
// that has been woken (or has timed out) no longer counts as waiting. A wake with nobody waiting is
// lost. Each waiting thread uses one reusable record with one event; records are created only when
// more threads wait at once than ever before and are released by the destructor.
//
// Thread safety: Signal and Broadcast may be called from any thread, with or without the caller's
// critical section held. The object must not be destroyed while a thread waits on it. Copies get
// their own empty state (no waiters, their own inner lock); assignment leaves the target unchanged.
class QVO_API QVO_CONDITION_VARIABLE {
 public:
  QVO_CONDITION_VARIABLE();
  ~QVO_CONDITION_VARIABLE();
  QVO_CONDITION_VARIABLE(QVO_CONDITION_VARIABLE const& other);
  QVO_CONDITION_VARIABLE& operator=(QVO_CONDITION_VARIABLE const& other);

  // Releases `cs` once (the caller must hold it), waits for a wake or for `timeout` milliseconds
  // (4294967295 or more: no limit), and takes `cs` again before returning. Returns true when this
  // thread was woken by Signal or Broadcast, false on time-out or failure, and false at once (without
  // touching anything) when `cs` is null.
  bool Wait(CRITICAL_SECTION* cs, unsigned long timeout);
  // Wakes the thread that has waited longest, if any.
  void Signal();
  // Wakes every waiting thread.
  void Broadcast();

 private:
  qvo::detail::CriticalSectionStorage m_lock;  // guards both lists; never held while waiting
  qvo::detail::WaiterList m_waiters;           // threads waiting and not yet woken, oldest first
  qvo::detail::WaiterList m_freeWaiters;       // idle records kept for reuse
  std::atomic<unsigned long> m_nbWaiting;      // length of m_waiters: lets a wake with nobody waiting skip the lock

  friend class CQVOLockableObject;
  friend class CQVOGuard;
  // True while some thread waits and has not been woken: the lock and guard test it before waking, so a
  // wake with nobody waiting costs one atomic read.
  bool hasWaiters() const { return m_nbWaiting.load(std::memory_order_acquire) != 0; }
  CRITICAL_SECTION* innerLock() { return reinterpret_cast<CRITICAL_SECTION*>(&m_lock); }
};

// Overloads of the Windows condition-variable calls for the library's condition variable, told apart
// from the system's by their argument type. Each does nothing when `cv` is null.
// Does nothing more: the constructor has done all the work.
QVO_API void InitializeConditionVariable(QVO_CONDITION_VARIABLE* cv);
// cv->Wait(cs, timeout); the wait's result is not passed on.
QVO_API void SleepConditionVariableCS(QVO_CONDITION_VARIABLE* cv, CRITICAL_SECTION* cs, unsigned long timeout);
// cv->Signal().
QVO_API void WakeConditionVariable(QVO_CONDITION_VARIABLE* cv);
// cv->Broadcast().
QVO_API void WakeAllConditionVariable(QVO_CONDITION_VARIABLE* cv);

// ---------------------------------------------------------------------------------------------------
// CQVOLockableObject
//
// The library's mutex: a recursive lock with a timed unlock. The thread that holds the lock may
// release it for a bounded time with Unlock(long&) and be woken early by CancelTimedUnlock (or by the
// end of a CQVOGuard on the same lock).
//
//   CQVOLockableObject lock;
//   lock.Lock();
//   long wait = 500;
//   lock.Unlock(wait);   // releases, waits up to 500 ms or until woken, takes the lock back
//   lock.Unlock();
//
// Thread safety: every operation may be called from any thread; Unlock and Unlock(long&) only by the
// thread that holds the lock. A copy is a new, unlocked lock with no waiters; assignment leaves both
// locks as they are.
class QVO_API CQVOLockableObject {
 public:
  CQVOLockableObject();
  virtual ~CQVOLockableObject();
  CQVOLockableObject(CQVOLockableObject const& other);
  CQVOLockableObject& operator=(CQVOLockableObject const& other);

  // Takes the lock, blocking without limit. Always true.
  bool Lock();
  // Takes the lock without blocking: true if taken (also when the calling thread holds it already,
  // which then needs one more Unlock), false if another thread holds it.
  bool TryLock();
  // Releases the lock once.
  void Unlock();
  // Timed unlock: releases the lock once, waits until woken by CancelTimedUnlock (or a guard's end)
  // or until `timeout` milliseconds pass (negative: no limit), then takes the lock back. `timeout` is
  // read, never written. Always true: woken and timed out cannot be told apart.
  bool Unlock(long& timeout);
  // Wakes the thread that has waited longest in Unlock(long&) on this lock; a wake with nobody waiting
  // is lost (and costs one atomic read). Always true.
  bool CancelTimedUnlock();

 private:
  qvo::detail::CriticalSectionStorage m_criticalSection;
  QVO_CONDITION_VARIABLE m_condition;

  friend class CQVOGuard;
  CRITICAL_SECTION* criticalSection() { return reinterpret_cast<CRITICAL_SECTION*>(&m_criticalSection); }
};

// ---------------------------------------------------------------------------------------------------
// CQVOGuard
//
// Scoped lock: takes the lock when built; at its end first wakes one thread waiting in a timed unlock
// of the same lock, then releases the lock, so the woken thread gets the lock only after the guard has
// let it go. Free() releases early; the end then still wakes but does not release again.
//
// A copy takes the lock once more (the lock is recursive), so each guard releases once; a copy of a
// freed guard is freed too. A guard is used by one thread.
class QVO_API CQVOGuard {
 public:
  explicit CQVOGuard(CQVOLockableObject& lock);
  CQVOGuard(CQVOGuard const& other);
  CQVOGuard& operator=(CQVOGuard const&) = delete;
  virtual ~CQVOGuard();

  // Releases the lock now; later calls do nothing.
  void Free();

 private:
  bool m_bFreed;
  CQVOLockableObject* m_pLock;  // not owned
};

// ---------------------------------------------------------------------------------------------------
// NanoTime
//
// A point in time (seconds since 1970-01-01 00:00 UTC) or a duration, as seconds and nanoseconds,
// read from the system clock to the millisecond. Arithmetic on the seconds wraps around the width of
// long, so on targets with a 32-bit long, differences stay right across January 2038.
//
//   NanoTime(10, 500000000) + 700      is (11, 200000000)
//   NanoTime(5, 100) - NanoTime(4, 200) is (0, 999999900)
//
// A plain value without shared state.
class QVO_API NanoTime {
 public:
  NanoTime();
  // Stores both parts as given, without normalising.
  NanoTime(long seconds, long nanoseconds);
  NanoTime(NanoTime const& other) = default;
  NanoTime& operator=(NanoTime const& other);

  // The system clock, to the millisecond: nanoseconds are milliseconds x 1,000,000.
  static NanoTime getCurrentTime();

  bool isNull() const;  // both parts 0
  void reset();         // both parts to 0
  long seconds() const;
  long nanoseconds() const;

  // Adds milliseconds. The nanoseconds are carried into the seconds only for a non-negative argument;
  // with a negative one they may come out negative: NanoTime(10, 500000000) + (-700) is (10, -200000000).
  NanoTime operator+(long milliseconds) const;
  // The difference, with both parts of the same sign (or 0).
  NanoTime operator-(NanoTime const& other) const;
  // 1 when *this - other has a negative part, else 0.
  int operator<(NanoTime const& other) const;
  // 1 when both parts of *this - other are 0, else 0.
  int operator==(NanoTime const& other) const;
  // 1 when other - *this has a negative part, else 0.
  int operator>(NanoTime const& other);
  // *this - other in milliseconds, the sub-millisecond part dropped (truncated toward zero).
  long differenceWith_ms(NanoTime const& other) const;
  // Milliseconds from this time until now.
  long elapsed_ms() const;
  // Writes the seconds, one space and the nanoseconds, in the stream's formatting, without end of line.
  void dump(std::ostream& stream) const;

  // Splits seconds since midnight into hours, minutes and seconds; all three are written in every case.
  // True only for a time of day (hours <= 23, minutes <= 59, seconds <= 59): 3725 gives 1, 2, 5 and true;
  // 86400 gives 24, 0, 0 and false.
  static bool convertSecondsSinceMidnightToClock(unsigned long long seconds, unsigned long& hours,
                                                 unsigned long& minutes, unsigned long& secs);

 private:
  long m_seconds;
  long m_nanoseconds;
};

// ---------------------------------------------------------------------------------------------------
// CQVOThread
//
// Base class of threads. A subclass supplies the body Run(), which should poll IsStopped() and return
// once it is set. Start() creates a system thread that runs the body and returns once that thread has
// begun; Stop(true), Join() and the destructor wait for its end. Stopping is cooperative: nothing
// forces a body to return.
//
//   class Worker : public CQVOThread {
//     int Run() override { while (!IsStopped()) { /* work */ } return 0; }
//    public:
//     ~Worker() override { Stop(true); }   // end the body before this subclass goes
//   };
//   Worker w; w.Start(); ... w.Stop(true);
//
// A subclass must stop and join its thread in its own destructor: by the time the base destructor
// waits, the subclass's part of the object (and the body's code) is already gone.
//
// Thread objects built with a target (CQVOThread(target, value)) run the target's body on the system
// thread that they start: Start returns once it has begun, IsAlive, Join and Stop(true) follow that
// thread, and Stop also asks the target to stop.
//
// Thread safety: IsAlive, IsStopped, SetStopped, Stop(false), GetId and Join may be called from any
// thread. Start must not be called by two threads at once on one object; Stop(true), Join and the
// destructor must not be called from the object's own system thread. A copy takes the name, target and
// integer of its source and its own fresh locks, with no system thread; assignment copies the same
// three and leaves the target's system thread alone.
class QVO_API CQVOThread : public CQVOLockableObject {
 public:
  enum CQVOTHREAD_SCHEDULING { THREAD_SCHEDULING_REALTIME = 0, THREAD_SCHEDULING_NORMAL = 1 };

  // The 1-to-10 priorities used by SetMaxPriority and SetMinPriority (read at each call) and the
  // normal one: 10, 1 and 5 at load.
  static int CQVOTHREAD_MAX_PRIORITY;
  static int CQVOTHREAD_MIN_PRIORITY;
  static int CQVOTHREAD_NORM_PRIORITY;
  // THREAD_SCHEDULING_NORMAL at load; only SetSchedulingRealTime changes it and nothing reads it.
  static CQVOTHREAD_SCHEDULING s_eScheduling;

  // Not alive, not joinable, not stopped, no name; `value` is kept and copied, otherwise unused.
  explicit CQVOThread(int value = -1);
  // The same, with the body of `target` run by the threads this object starts (null: this object's).
  CQVOThread(CQVOThread* target, int value);
  // Asks this object to stop (this class's SetStopped, not a subclass's), waits for the system thread
  // if one has begun, and closes its handle.
  virtual ~CQVOThread();
  CQVOThread(CQVOThread const& other);
  CQVOThread& operator=(CQVOThread const& other);

 protected:
  // The thread's body; its result is not used.
  virtual int Run() = 0;

 public:
  // Starts a system thread that runs the body and returns once that thread has begun (IsAlive() is then
  // true unless the body has already returned). Does nothing while the object is alive. When the system
  // refuses the thread, prints "ERROR !!!\n" on standard output and returns at once, leaving the object
  // not alive with GetId() 0. A stop request from an earlier run is not cleared.
  virtual void Start();
  // Asks the thread to stop (SetStopped, and the target's too), then with `wait` waits without limit
  // for the system thread's end if one has begun.
  virtual void Stop(bool wait);
  // The stop request.
  virtual bool IsStopped() const;
  // Sets the stop request; it stays set.
  virtual void SetStopped();

  void SetName(CQVOString const& name);
  CQVOString const& GetName() const;
  // True when both names are equal.
  bool Equals(CQVOThread& other);
  // The identifier of the last system thread started; 0 before the first start, during a start and
  // after a failed one.
  unsigned long GetId();
  // The operating system's identifier of the calling thread.
  static unsigned long CurrentThreadId();

  // False at once when no system thread has begun; otherwise waits without limit for its end: true
  // when it has ended (at once for one that has), false when the wait fails.
  bool Join();
  // True from the moment the system thread begins until its body has returned.
  bool IsAlive();

  // Maps 1..10 onto the system's priorities (1 idle, 2-3 lowest, 4 below normal, 5-6 normal, 7 above
  // normal, 8-9 highest, 10 time-critical; anything else normal) and applies it to the last system
  // thread; no effect before the first start. Each start resets the priority to normal.
  void SetPriority(int priority);
  void SetMaxPriority();  // SetPriority(CQVOTHREAD_MAX_PRIORITY)
  void SetMinPriority();  // SetPriority(CQVOTHREAD_MIN_PRIORITY)
  static void SetSchedulingRealTime();  // s_eScheduling = THREAD_SCHEDULING_REALTIME; no other effect
  void SchedYield();                    // does nothing

  // Sleeps for `milliseconds`. With `alertable`, an I/O completion (Windows) or a signal (POSIX) may end
  // the sleep early; the result is then the milliseconds that passed, otherwise 0. The second argument
  // is not used.
  static long Sleep(long milliseconds, long unused, bool alertable);
  static long Sleep(long milliseconds, bool alertable);

 protected:
  // The second half of Start: with m_startLock held, waits without limit for the new thread's
  // hand-shake, then releases m_startLock. Always true.
  bool Resume();

  std::atomic<unsigned long> m_threadId;
  void* m_hThread;  // system thread handle, owned
  CQVOString m_name;
  CQVOThread* m_pTarget;
  bool m_bAlive;     // guarded by the object's own lock
  bool m_bStopped;   // guarded by m_stopLock
  bool m_bJoinable;  // guarded by m_joinableLock
  mutable CQVOLockableObject m_joinableLock;
  mutable CQVOLockableObject m_stopLock;
  CQVOLockableObject m_startLock;
  int m_iValue;
  unsigned int m_exitCode;

 private:
  bool CreateSystemThread();
  static unsigned int Launch(void* p);
  void SetIsAlive(bool alive);
  void SetJoinable(bool joinable);
  bool IsJoinable() const;
};

// ---------------------------------------------------------------------------------------------------
// CQVOEvent
//
// An event record: an identifier and untyped data (not owned). A plain value.
class QVO_API CQVOEvent {
 public:
  CQVOEvent();  // identifier 0, data null
  CQVOEvent(int id, void* data);
  CQVOEvent(CQVOEvent const& other);
  CQVOEvent& operator=(CQVOEvent const& other);
  virtual ~CQVOEvent();

  int Id() const;
  void* Data() const;

 private:
  int m_id;
  void* m_pData;
};

// ---------------------------------------------------------------------------------------------------
// CQVOEventDispatcher
//
// Base class that keeps a thread-safe list of handlers (not owned) in order of registration. A
// subclass delivers events by walking the list with getNbEventHandlers and GetEventHandler and calling
// PostEvent on each; while other threads may add or remove handlers it must hold m_lock as it walks.
//
// Thread safety: AddEventHandler, RemoveEventHandler and getNbEventHandlers may be called from any
// thread; GetEventHandler takes no lock. A copy has its own lock and its own copy of the handler list.
class QVO_API CQVOEventDispatcher {
 public:
  // Base of the handlers that receive events.
  class QVO_API CQVOEventHandler {
   public:
    CQVOEventHandler(CQVOEventHandler const& other);
    CQVOEventHandler& operator=(CQVOEventHandler const& other);  // does nothing
    // Receives one event on the caller's thread; does nothing here.
    virtual void PostEvent(CQVOEvent const& event);

   protected:
    CQVOEventHandler();
    virtual ~CQVOEventHandler();
  };

  virtual ~CQVOEventDispatcher();
  CQVOEventDispatcher(CQVOEventDispatcher const& other);
  CQVOEventDispatcher& operator=(CQVOEventDispatcher const& other);

  // Appends the handler; the same handler may be added more than once. The array doubles when full.
  void AddEventHandler(CQVOEventHandler& handler);
  // Removes the first entry of this handler, keeping the order of the others; nothing when absent.
  void RemoveEventHandler(CQVOEventHandler const& handler);
  // The number of registered handlers.
  unsigned long getNbEventHandlers();

 protected:
  // No handlers, room for 10.
  CQVOEventDispatcher();
  // The handler at `index`, or null when `index` is not below the number of handlers. Takes no lock.
  CQVOEventHandler* GetEventHandler(unsigned long index) const;

  unsigned long m_nbHandlers;
  unsigned long m_capacity;
  std::unique_ptr<CQVOEventHandler*[]> m_handlers;
  CQVOLockableObject m_lock;  // guards the three members above
};

// ---------------------------------------------------------------------------------------------------
// QVOSingleton, TimeManager, CQVOTimer

// Gives T one process-wide instance, built by the first call of instance() (which is safe from several
// threads at once) and destroyed when the library is unloaded. The library defines instance() for its
// own singleton, TimeManager; the template is not meant for other classes.
template <typename T>
class QVOSingleton {
 public:
  static T& instance();

 protected:
  QVOSingleton() = default;
  ~QVOSingleton() = default;
};

class CQVOTimer;

// The process-wide timer thread: every 100 milliseconds it adds 100 to every running timer. It does
// not read the clock, so timers have a resolution of 100 ms and run slightly slow. Built and started by
// the first timer; at unload its thread is stopped and has ended before its timer list goes.
class QVO_API TimeManager : public QVOSingleton<TimeManager>, public CQVOThread {
 public:
  ~TimeManager() override;
  TimeManager(TimeManager const&) = delete;
  TimeManager& operator=(TimeManager const&) = delete;

 protected:
  int Run() override;

 private:
  friend class QVOSingleton<TimeManager>;
  friend class CQVOTimer;
  TimeManager();
  void Register(CQVOTimer* timer);
  void Unregister(CQVOTimer* timer);

  double m_step;
  CQVOLockableObject m_timersLock;     // guards m_timers
  std::vector<CQVOTimer*> m_timers;    // not owned, in order of registration
};

template <>
QVO_API TimeManager& QVOSingleton<TimeManager>::instance();

// A stopwatch advanced by the TimeManager thread in steps of 100 milliseconds; it never reads the clock.
// Registers itself with the manager when built and leaves it when destroyed.
//
// Thread safety: start, stop, restart and elapsed may be called from any thread while the manager
// updates the timer.
class QVO_API CQVOTimer {
 public:
  explicit CQVOTimer(bool running = true);
  // A new registered timer with the source's state.
  CQVOTimer(CQVOTimer const& other);
  ~CQVOTimer();
  // Copies the running state and the time; the registration does not change.
  CQVOTimer& operator=(CQVOTimer const& other);

  void start();    // runs on from its current time
  void stop();     // stops; the time is kept
  void restart();  // time 0, running
  // Milliseconds counted so far: a multiple of 100 unless assigned otherwise.
  float elapsed() const;

 private:
  friend class TimeManager;
  void step(float milliseconds);  // adds the step when running

  std::atomic<bool> m_bRunning;
  std::atomic<float> m_elapsed;
};

#endif  // QVOBASE_QVOTHREAD_H
