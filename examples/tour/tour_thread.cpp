// Tour chapter: a worker thread started, stopped and joined; a timed unlock woken by a guard; a timer.
#include <atomic>
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
  std::printf("worker \"%s\" started: alive %d, identifier %s\n", worker.GetName().str(), worker.IsAlive() ? 1 : 0,
              worker.GetId() != 0 ? "set" : "missing");
  while (worker.passes < 5) CQVOThread::Sleep(1, false);
  worker.Stop(true);
  std::printf("worker stopped after at least 5 passes: alive %d, joined %d\n", worker.IsAlive() ? 1 : 0,
              worker.Join() ? 1 : 0);

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

  CQVOTimer timer;
  while (timer.elapsed() < 300) CQVOThread::Sleep(10, false);
  const float counted = timer.elapsed();
  timer.stop();
  std::printf("timer counted %s 300 ms in steps of 100 (it reads no clock)\n",
              static_cast<long>(counted) % 100 == 0 ? "at least" : "NOT");

  const NanoTime before(1, 999000000);
  const NanoTime after = before + 1500;
  std::printf("NanoTime (1 s, 999000000 ns) + 1500 ms = (%ld s, %ld ns), %ld ms apart\n", after.seconds(),
              after.nanoseconds(), after.differenceWith_ms(before));
}

const tour::Register reg({30, "Threads, locks and time", run});

}  // namespace
