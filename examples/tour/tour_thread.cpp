// Tour chapter: a worker thread started, stopped and joined; a timed unlock woken by a guard; a timer.
#include <atomic>
#include <chrono>
#include <cstdio>

#include "QVOBase.h"
#include "tour.h"

namespace {

// A worker whose body counts passes until it is asked to stop.
class Counter : public CQVOThread {
 public:
  ~Counter() override { Stop(true); }
  std::atomic<long> passes{0};

 protected:
  int Run() override {
    while (!IsStopped()) {
      ++passes;
      Sleep(1, false);
    }
    return 0;
  }
};

// Holds a lock and releases it in a timed unlock without limit until a guard on the same lock ends.
class Sleeper : public CQVOThread {
 public:
  explicit Sleeper(CQVOLockableObject& lock) : m_lock(lock) {}
  ~Sleeper() override { Stop(true); }
  std::atomic<bool> waiting{false};
  std::atomic<bool> wokeHoldingLock{false};

 protected:
  int Run() override {
    m_lock.Lock();
    waiting = true;
    long noLimit = -1;
    m_lock.Unlock(noLimit);  // returns only when woken
    wokeHoldingLock = true;
    m_lock.Unlock();
    return 0;
  }

 private:
  CQVOLockableObject& m_lock;
};

void run(const std::vector<std::string>&) {
  Counter worker;
  worker.SetName(CQVOString("counter"));
  worker.Start();
  std::printf("worker \"%s\" started: alive %s, identifier %s\n", worker.GetName().str(),
              worker.IsAlive() ? "yes" : "no", worker.GetId() != 0 ? "set" : "missing");
  while (worker.passes < 5) CQVOThread::Sleep(1, false);
  worker.Stop(true);
  std::printf("worker stopped after at least 5 passes: alive %s, joined %s\n", worker.IsAlive() ? "yes" : "no",
              worker.Join() ? "yes" : "no");

  CQVOLockableObject lock;
  Sleeper sleeper(lock);
  sleeper.Start();
  // Once this thread holds the lock after the sleeper said it waits, the sleeper is in its timed unlock.
  for (;;) {
    {
      CQVOGuard hold(lock);
      if (sleeper.waiting) break;  // this guard's end wakes the sleeper
    }
    CQVOThread::Sleep(1, false);
  }
  sleeper.Join();
  std::printf("timed unlock woken by a guard's end, returned holding the lock: %s\n",
              sleeper.wokeHoldingLock ? "yes" : "no");

  const auto started = std::chrono::steady_clock::now();
  CQVOTimer timer;
  while (timer.elapsed() < 300) CQVOThread::Sleep(10, false);
  const float counted = timer.elapsed();
  timer.stop();
  const auto clock = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("timer: %ld ms counted, %ld ms by the clock; the timer reads no clock: a library thread adds\n",
              static_cast<long>(counted), static_cast<long>(clock.count()));
  std::printf("  100 ms to every running timer every 100 ms, so it is only as exact as those steps\n");

  const NanoTime before(1, 999000000);
  const NanoTime after = before + 1500;
  std::printf("NanoTime (1 s, 999000000 ns) + 1500 ms = (%ld s, %ld ns), %ld ms apart\n", after.seconds(),
              after.nanoseconds(), after.differenceWith_ms(before));
}

const tour::Register reg({30, "Threads, locks and time", run});

}  // namespace
