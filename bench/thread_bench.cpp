// Benchmarks of the lock, the guard and the condition variable's wake against the standard library:
// Lock/Unlock and a guard scope against std::recursive_mutex with std::lock_guard, uncontended and with
// two threads contending; a wake of a waiting thread until it runs again against std::condition_variable.
//
// On Windows every case also has the system's own lock beside it, the peer "cs": a CRITICAL_SECTION
// entered and left (the guard: a scope that does the same), and for the wake a CONDITION_VARIABLE slept
// on with SleepConditionVariableCS.
//
// On Linux every lock case also has POCO's two mutexes beside it: Poco::Mutex (recursive, as the
// library's lock is; peer "poco") and Poco::FastMutex (not recursive; peer "pocofast"), the guard as
// their ScopedLock; the wake as two Poco::Event (auto-reset) set and waited for in turn.
//
// Uncontended runs come twice: first while the process has only its main thread (glibc's mutex then
// skips its locked instructions, and so does the library's lock), then "BesideThread" with a second,
// idle thread alive, as in any program whose locks have a purpose. Cases run in the order registered;
// once the idle thread has started the process stays multi-threaded.
#include <benchmark/benchmark.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#if defined(QVO_BENCH_LIBRARY_PEERS)
#include <Poco/Event.h>
#include <Poco/Mutex.h>
#endif

#include <condition_variable>
#include <mutex>
#include <thread>

#include "bench_main.h"
#include "QVOThread.h"

namespace {

// Shared by the threads of the contended runs.
CQVOLockableObject g_lock;
std::recursive_mutex g_mutex;
long g_counter = 0;

void BM_qvo_LockUnlock(benchmark::State& state) {
  for (auto _ : state) {
    g_lock.Lock();
    benchmark::DoNotOptimize(++g_counter);
    g_lock.Unlock();
  }
}

void BM_std_LockUnlock(benchmark::State& state) {
  for (auto _ : state) {
    g_mutex.lock();
    benchmark::DoNotOptimize(++g_counter);
    g_mutex.unlock();
  }
}

// The guard's end also wakes waiters of a timed unlock; with nobody waiting that must cost nothing.
void BM_qvo_Guard(benchmark::State& state) {
  for (auto _ : state) {
    CQVOGuard hold(g_lock);
    benchmark::DoNotOptimize(++g_counter);
  }
}

void BM_std_Guard(benchmark::State& state) {
  for (auto _ : state) {
    std::lock_guard<std::recursive_mutex> hold(g_mutex);
    benchmark::DoNotOptimize(++g_counter);
  }
}

#if defined(QVO_BENCH_LIBRARY_PEERS)
Poco::Mutex g_pocoMutex;
Poco::FastMutex g_pocoFastMutex;

template <typename Mutex>
void pocoLockUnlock(benchmark::State& state, Mutex& mutex) {
  for (auto _ : state) {
    mutex.lock();
    benchmark::DoNotOptimize(++g_counter);
    mutex.unlock();
  }
}

template <typename Mutex>
void pocoGuard(benchmark::State& state, Mutex& mutex) {
  for (auto _ : state) {
    typename Mutex::ScopedLock hold(mutex);
    benchmark::DoNotOptimize(++g_counter);
  }
}

void BM_poco_LockUnlock(benchmark::State& state) { pocoLockUnlock(state, g_pocoMutex); }
void BM_pocofast_LockUnlock(benchmark::State& state) { pocoLockUnlock(state, g_pocoFastMutex); }
void BM_poco_Guard(benchmark::State& state) { pocoGuard(state, g_pocoMutex); }
void BM_pocofast_Guard(benchmark::State& state) { pocoGuard(state, g_pocoFastMutex); }
#endif

#if defined(_WIN32)
// The system's critical section, shared by the threads of the contended runs like the two locks above.
// (A critical section is initialised where it lives: it must not be copied once initialised.)
CRITICAL_SECTION& criticalSection() {
  static struct Section {
    Section() { ::InitializeCriticalSection(&cs); }
    CRITICAL_SECTION cs;
  } section;
  return section.cs;
}

void BM_cs_LockUnlock(benchmark::State& state) {
  CRITICAL_SECTION& cs = criticalSection();
  for (auto _ : state) {
    ::EnterCriticalSection(&cs);
    benchmark::DoNotOptimize(++g_counter);
    ::LeaveCriticalSection(&cs);
  }
}

class CsHold {
 public:
  explicit CsHold(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
  ~CsHold() { ::LeaveCriticalSection(&m_cs); }
  CsHold(CsHold const&) = delete;
  CsHold& operator=(CsHold const&) = delete;

 private:
  CRITICAL_SECTION& m_cs;
};

void BM_cs_Guard(benchmark::State& state) {
  CRITICAL_SECTION& cs = criticalSection();
  for (auto _ : state) {
    CsHold hold(cs);
    benchmark::DoNotOptimize(++g_counter);
  }
}
#endif

// A thread that only sleeps, started by the first "BesideThread" case and ended at exit.
class IdleThread {
 public:
  static void ensure() { static IdleThread idle; }

 private:
  IdleThread()
      : thread_([this] {
          std::unique_lock<std::mutex> hold(mutex_);
          stopped_.wait(hold, [this] { return stop_; });
        }) {}
  ~IdleThread() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      stop_ = true;
    }
    stopped_.notify_one();
    thread_.join();
  }
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stop_ = false;
  std::thread thread_;
};

void BM_qvo_LockUnlockBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_qvo_LockUnlock(state);
}
void BM_std_LockUnlockBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_std_LockUnlock(state);
}
void BM_qvo_GuardBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_qvo_Guard(state);
}
void BM_std_GuardBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_std_Guard(state);
}
#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_LockUnlockBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_poco_LockUnlock(state);
}
void BM_pocofast_LockUnlockBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_pocofast_LockUnlock(state);
}
void BM_poco_GuardBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_poco_Guard(state);
}
void BM_pocofast_GuardBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_pocofast_Guard(state);
}
#endif
#if defined(_WIN32)
void BM_cs_LockUnlockBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_cs_LockUnlock(state);
}
void BM_cs_GuardBesideThread(benchmark::State& state) {
  IdleThread::ensure();
  BM_cs_Guard(state);
}
#endif

BENCHMARK(BM_qvo_LockUnlock);
BENCHMARK(BM_std_LockUnlock);
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_LockUnlock);
BENCHMARK(BM_pocofast_LockUnlock);
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_LockUnlock);
#endif
BENCHMARK(BM_qvo_Guard);
BENCHMARK(BM_std_Guard);
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_Guard);
BENCHMARK(BM_pocofast_Guard);
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_Guard);
#endif
BENCHMARK(BM_qvo_LockUnlockBesideThread);
BENCHMARK(BM_std_LockUnlockBesideThread);
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_LockUnlockBesideThread);
BENCHMARK(BM_pocofast_LockUnlockBesideThread);
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_LockUnlockBesideThread);
#endif
BENCHMARK(BM_qvo_GuardBesideThread);
BENCHMARK(BM_std_GuardBesideThread);
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_GuardBesideThread);
BENCHMARK(BM_pocofast_GuardBesideThread);
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_GuardBesideThread);
#endif
BENCHMARK(BM_qvo_LockUnlock)->Threads(2)->UseRealTime();
BENCHMARK(BM_std_LockUnlock)->Threads(2)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_LockUnlock)->Threads(2)->UseRealTime();
BENCHMARK(BM_pocofast_LockUnlock)->Threads(2)->UseRealTime();
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_LockUnlock)->Threads(2)->UseRealTime();
#endif
BENCHMARK(BM_qvo_Guard)->Threads(2)->UseRealTime();
BENCHMARK(BM_std_Guard)->Threads(2)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_Guard)->Threads(2)->UseRealTime();
BENCHMARK(BM_pocofast_Guard)->Threads(2)->UseRealTime();
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_Guard)->Threads(2)->UseRealTime();
#endif

// Ping-pong between two threads: each iteration wakes the partner, which was waiting, and waits to be
// woken back, so one iteration is two wakes of a waiting thread, each until that thread runs again.
void BM_qvo_SignalWake(benchmark::State& state) {
  CQVOLockableObject lock;
  int turn = 0;  // guarded by lock: 1 for the partner, 0 for the benchmark thread
  bool done = false;
  std::thread partner([&] {
    lock.Lock();
    for (;;) {
      while (turn != 1 && !done) {
        long noLimit = -1;
        lock.Unlock(noLimit);
      }
      if (done) break;
      turn = 0;
      lock.CancelTimedUnlock();
    }
    lock.Unlock();
  });
  lock.Lock();
  for (auto _ : state) {
    turn = 1;
    lock.CancelTimedUnlock();
    while (turn != 0) {
      long noLimit = -1;
      lock.Unlock(noLimit);
    }
  }
  done = true;
  lock.CancelTimedUnlock();
  lock.Unlock();
  partner.join();
}

void BM_std_SignalWake(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable changed;
  int turn = 0;
  bool done = false;
  std::thread partner([&] {
    std::unique_lock<std::mutex> hold(mutex);
    for (;;) {
      changed.wait(hold, [&] { return turn == 1 || done; });
      if (done) break;
      turn = 0;
      changed.notify_one();
    }
  });
  std::unique_lock<std::mutex> hold(mutex);
  for (auto _ : state) {
    turn = 1;
    changed.notify_one();
    changed.wait(hold, [&] { return turn == 0; });
  }
  done = true;
  changed.notify_one();
  hold.unlock();
  partner.join();
}

#if defined(_WIN32)
void BM_cs_SignalWake(benchmark::State& state) {
  CRITICAL_SECTION cs;
  ::InitializeCriticalSection(&cs);
  CONDITION_VARIABLE changed;
  ::InitializeConditionVariable(&changed);
  int turn = 0;
  bool done = false;
  std::thread partner([&] {
    ::EnterCriticalSection(&cs);
    for (;;) {
      while (turn != 1 && !done) ::SleepConditionVariableCS(&changed, &cs, INFINITE);
      if (done) break;
      turn = 0;
      ::WakeConditionVariable(&changed);
    }
    ::LeaveCriticalSection(&cs);
  });
  ::EnterCriticalSection(&cs);
  for (auto _ : state) {
    turn = 1;
    ::WakeConditionVariable(&changed);
    while (turn != 0) ::SleepConditionVariableCS(&changed, &cs, INFINITE);
  }
  done = true;
  ::WakeConditionVariable(&changed);
  ::LeaveCriticalSection(&cs);
  partner.join();
  ::DeleteCriticalSection(&cs);
}
#endif

#if defined(QVO_BENCH_LIBRARY_PEERS)
// POCO's way to hand a turn to another thread: an event each way, set by one side, waited for by the other
// (auto-reset, so each wait takes the event).
void BM_poco_SignalWake(benchmark::State& state) {
  Poco::Event toPartner(Poco::Event::EVENT_AUTORESET);
  Poco::Event toBench(Poco::Event::EVENT_AUTORESET);
  bool done = false;  // written before the last set, read after the wait that set ends
  std::thread partner([&] {
    for (;;) {
      toPartner.wait();
      if (done) break;
      toBench.set();
    }
  });
  for (auto _ : state) {
    toPartner.set();
    toBench.wait();
  }
  done = true;
  toPartner.set();
  partner.join();
}
#endif

BENCHMARK(BM_qvo_SignalWake)->UseRealTime();
BENCHMARK(BM_std_SignalWake)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_SignalWake)->UseRealTime();
#endif
#if defined(_WIN32)
BENCHMARK(BM_cs_SignalWake)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  return runBenchmarks(argc, argv,
                       {{"std", "std::recursive_mutex, std::condition_variable (MinGW: winpthreads)"},
                        {"cs", "CRITICAL_SECTION; the wake: CONDITION_VARIABLE + SleepConditionVariableCS"}});
#else
  return runBenchmarks(argc, argv,
                       {{"std", "std::recursive_mutex, std::condition_variable (glibc pthreads)"},
                        {"poco", "POCO 1.11 Foundation (Debian): Poco::Mutex (recursive) and its ScopedLock; the wake: "
                                 "two Poco::Event (EVENT_AUTORESET), set and waited for in turn"},
                        {"pocofast", "POCO 1.11 Foundation: Poco::FastMutex (not recursive) and its ScopedLock"}});
#endif
}
