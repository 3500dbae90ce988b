// Tests of the condition variable, the lockable object and its guard, the thread base class and the
// event dispatcher: the hand-shakes and wake orders that callers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "QVOThread.h"
#include "support/thread_support.h"

#if defined(__linux__)
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using qvotest::eventually;
using qvotest::lockedForOthers;

namespace {

constexpr unsigned long kNoLimit = 4294967295ul;

// Threads that wait on one condition variable with one critical section, each started only once the
// previous one is known to wait, so their order of waiting is fixed. Records the order of waking.
class CvWaiters {
 public:
  ~CvWaiters() {
    // Release anything a failed test left waiting, so the program ends.
    while (finished_.load() < static_cast<int>(threads_.size())) {
      cv.Broadcast();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (auto& t : threads_) t.join();
  }

  // Starts waiter number `id` (1, 2, ...), waiting up to `timeout` ms, and returns once it waits.
  void add(int id, unsigned long timeout = kNoLimit) {
    threads_.emplace_back([this, id, timeout] {
      cs.enter();
      ++registered_;
      const bool woken = cv.Wait(cs.get(), timeout);
      order_.push_back(woken ? id : -id);
      cs.leave();
      ++finished_;
    });
    // The count is raised under the critical section and the wait registers before it lets the
    // section go: holding the section and seeing the count means the waiter waits.
    ASSERT_TRUE(eventually([&] {
      cs.enter();
      const bool waiting = registered_ == id;
      cs.leave();
      return waiting;
    }));
  }

  std::vector<int> woken() {
    cs.enter();
    std::vector<int> copy = order_;
    cs.leave();
    return copy;
  }

  qvotest::CriticalSection cs;
  QVO_CONDITION_VARIABLE cv;

 private:
  std::vector<std::thread> threads_;
  std::vector<int> order_;  // guarded by cs; negative for a wait that returned false
  int registered_ = 0;      // guarded by cs
  std::atomic<int> finished_{0};
};

// ---------------------------------------------------------------------------------------------------
// Condition variable

TEST(ConditionVariable, WaitWithoutCriticalSectionFailsAtOnce) {
  QVO_CONDITION_VARIABLE cv;
  EXPECT_FALSE(cv.Wait(nullptr, kNoLimit));  // would block for ever if it waited
  // The lists are untouched: a later real wait still works.
  CvWaiters w;
  w.add(1);
  w.cv.Signal();
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 1; }));
  EXPECT_EQ(w.woken(), std::vector<int>{1});
}

TEST(ConditionVariable, ZeroTimeoutReturnsFalseHoldingTheSection) {
  QVO_CONDITION_VARIABLE cv;
  qvotest::CriticalSection cs;
  cs.enter();
  EXPECT_FALSE(cv.Wait(cs.get(), 0));
  EXPECT_TRUE(lockedForOthers(cs));
  cs.leave();
  EXPECT_FALSE(lockedForOthers(cs));
}

TEST(ConditionVariable, WakeWithNobodyWaitingIsLost) {
  QVO_CONDITION_VARIABLE cv;
  qvotest::CriticalSection cs;
  cv.Signal();
  cv.Broadcast();
  cs.enter();
  EXPECT_FALSE(cv.Wait(cs.get(), 20));  // a remembered wake would make this true
  cs.leave();
}

TEST(ConditionVariable, SignalWakesTheLongestWaiterFirst) {
  CvWaiters w;
  w.add(1);
  w.add(2, 600000);  // a limited wait woken in time returns true like the others
  w.add(3);
  for (size_t n = 1; n <= 3; ++n) {
    w.cv.Signal();
    ASSERT_TRUE(eventually([&] { return w.woken().size() >= n; }));
    std::vector<int> expected;
    for (size_t id = 1; id <= n; ++id) expected.push_back(static_cast<int>(id));
    EXPECT_EQ(w.woken(), expected);
  }
}

// Two wakes given before the first woken thread has run again must reach two threads: otherwise the
// second waiter, waiting without limit, would be stranded.
TEST(ConditionVariable, EverySignalReachesADistinctWaiter) {
  CvWaiters w;
  w.add(1);
  w.add(2);
  w.cs.enter();  // no woken thread can get back in while both wakes are given
  w.cv.Signal();
  WakeConditionVariable(&w.cv);
  w.cs.leave();
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 2; }));
  std::vector<int> woken = w.woken();  // both are awake, so either may get the section back first
  std::sort(woken.begin(), woken.end());
  EXPECT_EQ(woken, (std::vector<int>{1, 2}));
}

TEST(ConditionVariable, BroadcastWakesEveryWaiterEachHoldingTheSectionInTurn) {
  CvWaiters w;
  for (int id = 1; id <= 3; ++id) w.add(id);
  WakeAllConditionVariable(&w.cv);
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 3; }));
  std::vector<int> order = w.woken();
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));  // each returned true
}

TEST(ConditionVariable, FreeFunctionsIgnoreANullVariable) {
  qvotest::CriticalSection cs;
  InitializeConditionVariable(nullptr);
  WakeConditionVariable(nullptr);
  WakeAllConditionVariable(nullptr);
  cs.enter();
  SleepConditionVariableCS(nullptr, cs.get(), kNoLimit);  // returns at once rather than waiting
  EXPECT_TRUE(lockedForOthers(cs));
  cs.leave();
}

TEST(ConditionVariable, CopyHasItsOwnWaitersAndBothEndOnce) {
  CvWaiters w;
  w.add(1);
  auto copy = std::make_unique<QVO_CONDITION_VARIABLE>(w.cv);
  copy->Signal();  // the copy has nobody waiting
  QVO_CONDITION_VARIABLE assigned;
  assigned = w.cv;
  assigned.Broadcast();
  EXPECT_TRUE(w.woken().empty());
  copy.reset();
  w.cv.Signal();
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 1; }));
}

// ---------------------------------------------------------------------------------------------------
// Lockable object and guard

// Threads waiting in a timed unlock without limit on one lock, started in a fixed order.
class LockWaiters {
 public:
  explicit LockWaiters(CQVOLockableObject& lock) : lock_(lock) {}
  ~LockWaiters() {
    while (finished_.load() < static_cast<int>(threads_.size())) {
      lock_.CancelTimedUnlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (auto& t : threads_) t.join();
  }

  void add(int id) {
    threads_.emplace_back([this, id] {
      lock_.Lock();
      ++registered_;
      long noLimit = -1;
      const bool result = lock_.Unlock(noLimit);
      // A wrong result or a written argument shows as a negative entry.
      order_.push_back(result && noLimit == -1 ? id : -id);
      sawGuardReleased_.push_back(guardReleased.load());
      lock_.Unlock();
      ++finished_;
    });
    ASSERT_TRUE(eventually([&] {
      lock_.Lock();
      const bool waiting = registered_ == id;
      lock_.Unlock();
      return waiting;
    }));
  }

  std::vector<int> woken() {
    lock_.Lock();
    std::vector<int> copy = order_;
    lock_.Unlock();
    return copy;
  }
  std::vector<bool> sawGuardReleased() {
    lock_.Lock();
    std::vector<bool> copy = sawGuardReleased_;
    lock_.Unlock();
    return copy;
  }

  std::atomic<bool> guardReleased{false};

 private:
  CQVOLockableObject& lock_;
  std::vector<std::thread> threads_;
  std::vector<int> order_;  // guarded by the lock
  std::vector<bool> sawGuardReleased_;
  int registered_ = 0;
  std::atomic<int> finished_{0};
};

TEST(LockableObject, TryLockFailsForOthersAndRecursesForTheOwner) {
  CQVOLockableObject lock;
  EXPECT_TRUE(lock.Lock());
  EXPECT_TRUE(lockedForOthers(lock));
  EXPECT_TRUE(lock.TryLock());  // the owner takes it again
  lock.Unlock();
  EXPECT_TRUE(lockedForOthers(lock));  // one more Unlock is needed
  lock.Unlock();
  EXPECT_FALSE(lockedForOthers(lock));
}

// Several threads taking the lock, recursively and by guard, never overlap: every read-modify-write
// of the total (some with a yield between read and write) counts, and ThreadSanitizer sees every
// hand-over. The yields also send the others to sleep on the held lock.
TEST(LockableObject, ExcludesOtherThreadsUnderContention) {
  CQVOLockableObject lock;
  long total = 0;  // guarded by lock
  constexpr int kThreads = 4;
  constexpr int kRounds = 5000;
  std::atomic<int> ready{0};
  auto addOne = [&] {
    const long seen = total;
    if (seen % 32 == 0) std::this_thread::yield();  // let others run while the lock is held
    total = seen + 1;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready < kThreads) {
      }
      for (int i = 0; i < kRounds; ++i) {
        if ((i + t) % 2 == 0) {
          CQVOGuard hold(lock);
          CQVOGuard again(lock);
          addOne();
        } else {
          while (!lock.TryLock()) std::this_thread::yield();
          addOne();
          lock.Unlock();
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(total, static_cast<long>(kThreads) * kRounds);
}

TEST(LockableObject, TimedUnlockOfZeroReturnsHoldingTheLock) {
  CQVOLockableObject lock;
  lock.Lock();
  long zero = 0;
  EXPECT_TRUE(lock.Unlock(zero));
  EXPECT_EQ(zero, 0);
  EXPECT_TRUE(lockedForOthers(lock));
  lock.Unlock();
  EXPECT_FALSE(lockedForOthers(lock));
}

// A guard's end wakes a timed unlock of its lock; the woken thread returns holding the lock, which it
// can take only once every hold on it has been let go.
TEST(LockableObject, GuardEndWakesTheTimedUnlockWhichReturnsHoldingTheLock) {
  CQVOLockableObject lock;
  LockWaiters w(lock);
  w.add(1);
  lock.Lock();  // the test's own hold outlasts the guard
  { CQVOGuard guard(lock); }
  EXPECT_TRUE(w.woken().empty());  // woken, but the lock is still held here
  w.guardReleased = true;
  lock.Unlock();
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 1; }));
  EXPECT_EQ(w.woken(), std::vector<int>{1});
  EXPECT_EQ(w.sawGuardReleased(), std::vector<bool>{true});
}

TEST(LockableObject, EachWakeReachesTheOldestOfTheTimedUnlocks) {
  CQVOLockableObject lock;
  LockWaiters w(lock);
  w.add(1);
  w.add(2);
  lock.Lock();
  EXPECT_TRUE(lock.CancelTimedUnlock());
  lock.Unlock();
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 1; }));
  EXPECT_EQ(w.woken(), std::vector<int>{1});
  {
    CQVOGuard second(lock);
    second.Free();  // a freed guard still wakes at its end
  }
  ASSERT_TRUE(eventually([&] { return w.woken().size() == 2; }));
  EXPECT_EQ(w.woken(), (std::vector<int>{1, 2}));
}

TEST(Guard, FreeReleasesOnceAndTheEndDoesNotReleaseAgain) {
  CQVOLockableObject lock;
  lock.Lock();  // held once by the test itself
  {
    CQVOGuard guard(lock);
    guard.Free();
    guard.Free();  // a second Free does nothing
    EXPECT_TRUE(lockedForOthers(lock));
  }
  EXPECT_TRUE(lockedForOthers(lock));  // the test's own hold is left
  lock.Unlock();
  EXPECT_FALSE(lockedForOthers(lock));
}

TEST(Guard, CopyHoldsTheLockInItsOwnRight) {
  CQVOLockableObject lock;
  auto guard = std::make_unique<CQVOGuard>(lock);
  {
    CQVOGuard copy(*guard);
    guard.reset();
    EXPECT_TRUE(lockedForOthers(lock));  // the copy still holds it
  }
  EXPECT_FALSE(lockedForOthers(lock));

  CQVOGuard freed(lock);
  freed.Free();
  { CQVOGuard copyOfFreed(freed); }  // a copy of a freed guard holds nothing
  EXPECT_FALSE(lockedForOthers(lock));
}

TEST(LockableObject, CopyIsANewUnlockedLock) {
  CQVOLockableObject lock;
  lock.Lock();
  {
    CQVOLockableObject copy(lock);
    EXPECT_FALSE(lockedForOthers(copy));
    CQVOLockableObject assigned;
    assigned = lock;
    EXPECT_FALSE(lockedForOthers(assigned));
  }
  EXPECT_TRUE(lockedForOthers(lock));
  lock.Unlock();
}

// ---------------------------------------------------------------------------------------------------
// Thread

// A body that records its runs and waits for a release or a stop request.
class Worker : public CQVOThread {
 public:
  explicit Worker(int value = -1) : CQVOThread(value) {}
  ~Worker() override { Stop(true); }

  std::atomic<int> runs{0};
  std::atomic<unsigned long> bodyThreadId{0};
  std::atomic<bool> release{false};
  std::atomic<bool> bodyReturned{false};

 protected:
  int Run() override {
    bodyReturned = false;
    bodyThreadId = CurrentThreadId();
    ++runs;
    while (!release && !IsStopped()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    bodyReturned = true;
    return 0;
  }
};

// A thread object whose own body is never run: it starts the body of its target.
class Launcher : public CQVOThread {
 public:
  explicit Launcher(CQVOThread* target) : CQVOThread(target, -1) {}
  Launcher(const Launcher& other) : CQVOThread(other) {}
  ~Launcher() override { Stop(true); }
  std::atomic<int> ownRuns{0};

 protected:
  int Run() override {
    ++ownRuns;
    return 0;
  }
};

TEST(Thread, StartReturnsWithTheThreadAliveAndItsIdentifier) {
  Worker w;
  EXPECT_EQ(w.GetId(), 0u);
  w.Start();
  EXPECT_TRUE(w.IsAlive());
  EXPECT_NE(w.GetId(), 0u);
  ASSERT_TRUE(eventually([&] { return w.runs == 1; }));
  EXPECT_EQ(w.bodyThreadId.load(), w.GetId());
  EXPECT_NE(w.GetId(), CQVOThread::CurrentThreadId());
  w.Start();  // a running object starts nothing
  w.Stop(true);
  EXPECT_EQ(w.runs, 1);
}

TEST(Thread, StopWithWaitReturnsAfterTheBody) {
  Worker w;
  w.Start();
  w.Stop(true);
  EXPECT_TRUE(w.bodyReturned);
  EXPECT_FALSE(w.IsAlive());
  EXPECT_TRUE(w.Join());
  EXPECT_TRUE(w.Join());  // an ended thread is joined again at once
}

TEST(Thread, StopWithoutWaitOnlyAsks) {
  Worker w;
  w.Start();
  w.Stop(false);
  EXPECT_TRUE(w.IsStopped());
  EXPECT_TRUE(w.Join());
  EXPECT_TRUE(w.bodyReturned);
  EXPECT_TRUE(w.IsStopped());  // stays set
}

TEST(Thread, JoinWithoutAStartReturnsFalse) {
  Worker w;
  EXPECT_FALSE(w.Join());
  EXPECT_FALSE(w.IsAlive());
  w.Stop(true);  // nothing to wait for
}

TEST(Thread, FinishedObjectStartsANewThreadThatKeepsTheStopRequest) {
  Worker w;
  w.release = true;
  w.Start();
  ASSERT_TRUE(w.Join());
  EXPECT_FALSE(w.IsAlive());
  w.Stop(true);
  w.release = false;
  w.Start();  // the stop request is kept, so this body returns at once
  ASSERT_TRUE(w.Join());
  EXPECT_EQ(w.runs, 2);
  EXPECT_NE(w.GetId(), 0u);
}

// The object started and the object whose body runs differ: Start must still return once the thread
// has begun, and IsAlive, Join and Stop(true) of the started object follow that thread.
TEST(Thread, ObjectWithATargetFollowsTheThreadRunningTheTargetsBody) {
  Worker target;
  Launcher launcher(&target);
  launcher.Start();
  EXPECT_TRUE(launcher.IsAlive());
  EXPECT_NE(launcher.GetId(), 0u);
  ASSERT_TRUE(eventually([&] { return target.runs == 1; }));
  EXPECT_EQ(target.bodyThreadId.load(), launcher.GetId());
  EXPECT_TRUE(target.IsAlive());
  launcher.Stop(true);  // asks the target to stop too
  EXPECT_TRUE(target.bodyReturned);
  EXPECT_FALSE(launcher.IsAlive());
  EXPECT_FALSE(target.IsAlive());
  EXPECT_TRUE(launcher.Join());
  EXPECT_EQ(launcher.ownRuns, 0);
}

TEST(Thread, CopyIsAFreshObjectAndEachEndsOnce) {
  auto w = std::make_unique<Worker>(7);
  w->Start();
  {
    Launcher copySource(w.get());
    Launcher copy(copySource);  // copies the target, not a system thread
    EXPECT_FALSE(copy.IsAlive());
    EXPECT_EQ(copy.GetId(), 0u);
    EXPECT_FALSE(copy.Join());
  }
  EXPECT_TRUE(w->IsAlive());
  w->Stop(true);
  EXPECT_FALSE(w->IsAlive());
  w.reset();
}

TEST(Thread, NamesAreComparedByValue) {
  Worker a;
  Worker b;
  a.SetName(CQVOString("timer"));
  b.SetName(CQVOString("timer"));
  EXPECT_TRUE(a.Equals(b));
  EXPECT_EQ(a.GetName(), CQVOString("timer"));
  b.SetName(CQVOString("pipe"));
  EXPECT_FALSE(a.Equals(b));
}

TEST(Thread, PriorityStaticsAndScheduling) {
  EXPECT_EQ(CQVOThread::CQVOTHREAD_MAX_PRIORITY, 10);
  EXPECT_EQ(CQVOThread::CQVOTHREAD_MIN_PRIORITY, 1);
  EXPECT_EQ(CQVOThread::CQVOTHREAD_NORM_PRIORITY, 5);
  EXPECT_EQ(CQVOThread::s_eScheduling, CQVOThread::THREAD_SCHEDULING_NORMAL);
  CQVOThread::SetSchedulingRealTime();
  EXPECT_EQ(CQVOThread::s_eScheduling, CQVOThread::THREAD_SCHEDULING_REALTIME);
  CQVOThread::s_eScheduling = CQVOThread::THREAD_SCHEDULING_NORMAL;
  Worker never;
  never.SetPriority(10);  // no system thread yet: no effect
  never.SchedYield();
}

TEST(Thread, SleepThatRunsItsCourseReturnsZero) {
  EXPECT_EQ(CQVOThread::Sleep(5, false), 0);
  EXPECT_EQ(CQVOThread::Sleep(5, 0, true), 0);
}

#if defined(__linux__)

// On Linux the 1-to-10 scale is applied as the thread's nice value.
TEST(Thread, PriorityMapsOntoNiceValuesAndEachStartResetsIt) {
  // Raising a thread's priority needs a privilege; find out whether this run has it.
  if (::setpriority(PRIO_PROCESS, 0, -1) != 0) GTEST_SKIP() << "no privilege to raise thread priorities";
  ::setpriority(PRIO_PROCESS, 0, 0);
  Worker w;
  w.Start();
  struct Case {
    int priority;
    int nice;
  };
  const Case cases[] = {{1, 19}, {2, 10}, {3, 10}, {4, 5},   {5, 0}, {6, 0},  {7, -5},
                        {8, -10}, {9, -10}, {10, -20}, {0, 0}, {11, 0}, {-3, 0}};
  for (const Case& c : cases) {
    w.SetPriority(c.priority);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(w.GetId())), c.nice) << "priority " << c.priority;
  }
  w.SetMinPriority();
  EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(w.GetId())), 19);
  w.release = true;
  ASSERT_TRUE(w.Join());
  w.release = false;
  w.Start();
  EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(w.GetId())), 0);  // normal again
  w.SetMaxPriority();
  EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(w.GetId())), -20);
}

// On POSIX an alertable sleep ends early when a signal interrupts it; a sleep that is not alertable
// runs its course through signals.
TEST(Thread, AlertableSleepEndedBySignalReportsTheTimePassed) {
  struct sigaction quiet {};
  quiet.sa_handler = [](int) {};
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &previous), 0);
  struct Case {
    long milliseconds;
    bool alertable;
  };
  for (const Case c : {Case{3600000, true}, Case{100, false}}) {
    std::atomic<long> result{-1};
    std::atomic<bool> done{false};
    std::thread sleeper([&] {
      result = CQVOThread::Sleep(c.milliseconds, c.alertable);
      done = true;
    });
    const pthread_t native = sleeper.native_handle();
    EXPECT_TRUE(eventually([&] {
      if (!done) ::pthread_kill(native, SIGUSR1);
      return done.load();
    }));
    sleeper.join();
    if (c.alertable) {
      EXPECT_GE(result, 0);
      EXPECT_LT(result, c.milliseconds);
    } else {
      EXPECT_EQ(result, 0);
    }
  }
  ::sigaction(SIGUSR1, &previous, nullptr);
}

// With no thread to be had, Start returns at once with the message, rather than waiting for a
// hand-shake that cannot come. Runs in a child process whose thread quota is spent, and exits 0 when
// everything went as it should.
void startWithoutThreadQuota() {
  ::alarm(30);  // a Start that waits for ever ends the child, failing the test
  int out[2];
  if (::pipe(out) != 0 || ::dup2(out[1], 1) < 0) ::_exit(2);
  if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(3);  // root is not held to the quota
  const rlimit none{0, 0};
  if (::setrlimit(RLIMIT_NPROC, &none) != 0) ::_exit(4);
  Worker w;
  w.Start();
  std::fflush(stdout);
  char text[64] = {};
  const ssize_t n = ::read(out[0], text, sizeof text - 1);
  const bool ok = n > 0 && std::string(text) == "ERROR !!!\n" && !w.IsAlive() && w.GetId() == 0 && !w.Join() &&
                  w.runs == 0;
  ::_exit(ok ? 0 : 1);
}

TEST(ThreadDeathTest, StartReturnsAtOnceWhenNoThreadCanBeCreated) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(startWithoutThreadQuota(), ::testing::ExitedWithCode(0), "");
}

#endif  // __linux__

// ---------------------------------------------------------------------------------------------------
// Events and dispatcher

class Handler : public CQVOEventDispatcher::CQVOEventHandler {
 public:
  void PostEvent(CQVOEvent const& event) override { last = event.Id(); }
  int last = 0;
};

class Dispatcher : public CQVOEventDispatcher {
 public:
  using CQVOEventDispatcher::GetEventHandler;
  unsigned long capacity() const { return m_capacity; }
  std::vector<CQVOEventHandler*> handlers() {
    CQVOGuard hold(m_lock);
    std::vector<CQVOEventHandler*> list;
    for (unsigned long i = 0; i < getNbEventHandlers(); ++i) list.push_back(GetEventHandler(i));
    return list;
  }
  void post(CQVOEvent const& event) {
    CQVOGuard hold(m_lock);
    for (unsigned long i = 0; i < m_nbHandlers; ++i) GetEventHandler(i)->PostEvent(event);
  }
};

TEST(EventDispatcher, GrowsByDoublingAndKeepsTheOrder) {
  Dispatcher d;
  EXPECT_EQ(d.capacity(), 10u);
  Handler h[11];
  std::vector<CQVOEventDispatcher::CQVOEventHandler*> expected;
  for (Handler& one : h) {
    d.AddEventHandler(one);
    expected.push_back(&one);
  }
  EXPECT_EQ(d.getNbEventHandlers(), 11u);
  EXPECT_EQ(d.capacity(), 20u);
  EXPECT_EQ(d.handlers(), expected);
  EXPECT_EQ(d.GetEventHandler(11), nullptr);
  d.post(CQVOEvent(4, nullptr));
  EXPECT_EQ(h[10].last, 4);
}

TEST(EventDispatcher, RemoveTakesTheFirstEntryAndKeepsTheOrder) {
  Dispatcher d;
  Handler a, b, c, stranger;
  d.AddEventHandler(a);
  d.AddEventHandler(b);
  d.AddEventHandler(c);
  d.AddEventHandler(b);
  d.RemoveEventHandler(b);
  using List = std::vector<CQVOEventDispatcher::CQVOEventHandler*>;
  EXPECT_EQ(d.handlers(), (List{&a, &c, &b}));
  d.RemoveEventHandler(stranger);
  EXPECT_EQ(d.handlers(), (List{&a, &c, &b}));
  d.RemoveEventHandler(a);
  EXPECT_EQ(d.handlers(), (List{&c, &b}));
  EXPECT_EQ(d.GetEventHandler(2), nullptr);
}

TEST(EventDispatcher, CopyOwnsItsOwnHandlerList) {
  auto source = std::make_unique<Dispatcher>();
  Handler a, b;
  for (int i = 0; i < 15; ++i) source->AddEventHandler(a);
  Dispatcher copy(*source);
  copy.AddEventHandler(b);
  EXPECT_EQ(source->getNbEventHandlers(), 15u);
  EXPECT_EQ(copy.getNbEventHandlers(), 16u);
  Dispatcher assigned;
  assigned = copy;
  source.reset();  // each array is freed once, by its own dispatcher
  EXPECT_EQ(assigned.getNbEventHandlers(), 16u);
  EXPECT_EQ(assigned.GetEventHandler(15), &b);
}

TEST(EventDispatcher, HandlersAddedFromManyThreadsAreAllKept) {
  Dispatcher d;
  Handler h;
  std::vector<std::thread> adders;
  for (int t = 0; t < 4; ++t) {
    adders.emplace_back([&] {
      for (int i = 0; i < 50; ++i) d.AddEventHandler(h);
    });
  }
  for (auto& t : adders) t.join();
  EXPECT_EQ(d.getNbEventHandlers(), 200u);
}

TEST(Event, CopiesKeepIdentifierAndData) {
  int payload = 0;
  const CQVOEvent e(7, &payload);
  CQVOEvent copy(e);
  CQVOEvent assigned;
  EXPECT_EQ(assigned.Id(), 0);
  EXPECT_EQ(assigned.Data(), nullptr);
  assigned = e;
  for (const CQVOEvent* x : {&copy, &assigned}) {
    EXPECT_EQ(x->Id(), 7);
    EXPECT_EQ(x->Data(), &payload);
  }
}

}  // namespace
