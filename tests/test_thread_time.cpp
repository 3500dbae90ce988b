// Tests of time values, timers and the timer manager thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "QVOThread.h"
#include "support/thread_support.h"
#include "thread/time_math.h"

using qvotest::eventually;

namespace {

// Must stay the first test of this program: it makes the process's first calls of instance().
TEST(TimeManager, FirstUseFromTwoThreadsAtOnceBuildsOneManager) {
  std::atomic<int> ready{0};
  TimeManager* seen[2] = {nullptr, nullptr};
  std::vector<std::thread> users;
  for (int i = 0; i < 2; ++i) {
    users.emplace_back([&, i] {
      ++ready;
      while (ready < 2) {
      }
      CQVOTimer timer;
      seen[i] = &TimeManager::instance();
    });
  }
  for (auto& t : users) t.join();
  EXPECT_NE(seen[0], nullptr);
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_TRUE(seen[0]->IsAlive());
}

TEST(NanoTime, Arithmetic) {
  struct Case {
    NanoTime result;
    long seconds;
    long nanoseconds;
  };
  const Case cases[] = {
      {NanoTime(10, 500000000) + 700, 11, 200000000},
      {NanoTime(10, 500000000) + (-700), 10, -200000000},  // not normalised for a negative argument
      {NanoTime(10, 0) + 2500, 12, 500000000},
      {NanoTime(5, 100) - NanoTime(4, 200), 0, 999999900},
      {NanoTime(4, 200) - NanoTime(5, 100), 0, -999999900},
      {NanoTime(7, 5) - NanoTime(7, 5), 0, 0},
      {NanoTime(9, 0) - NanoTime(3, 0), 6, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result.seconds(), c.seconds);
    EXPECT_EQ(c.result.nanoseconds(), c.nanoseconds);
  }
}

TEST(NanoTime, ComparisonsAndDifferences) {
  NanoTime later(5, 100);
  const NanoTime earlier(4, 200);
  EXPECT_EQ(earlier < later, 1);
  EXPECT_EQ(later < earlier, 0);
  EXPECT_EQ(later > earlier, 1);
  EXPECT_EQ(later > later, 0);
  EXPECT_EQ(later == NanoTime(5, 100), 1);
  EXPECT_EQ(later == earlier, 0);
  EXPECT_EQ(NanoTime(2, 999999).differenceWith_ms(NanoTime(1, 0)), 1000);
  EXPECT_EQ(NanoTime(1, 0).differenceWith_ms(NanoTime(2, 999999)), -1000);
  EXPECT_EQ(NanoTime(100000, 0).differenceWith_ms(NanoTime(0, 0)), 100000000);
  // 34 days: beyond a 32-bit long's milliseconds, where it gives the largest value rather than a wrapped one.
  long long const far = 3000000000LL;
  EXPECT_EQ(NanoTime(3000000, 0).differenceWith_ms(NanoTime(0, 0)),
            std::min<long long>(far, std::numeric_limits<long>::max()));
  EXPECT_EQ(NanoTime(0, 0).differenceWith_ms(NanoTime(3000000, 0)),
            std::max<long long>(-far, std::numeric_limits<long>::min()));
}

TEST(NanoTime, ValueOperations) {
  NanoTime t(3, 4000000);
  std::ostringstream text;
  t.dump(text);
  EXPECT_EQ(text.str(), "3 4000000");
  EXPECT_FALSE(t.isNull());
  NanoTime copy;
  EXPECT_TRUE(copy.isNull());
  copy = t;
  EXPECT_EQ(copy.seconds(), 3);
  EXPECT_EQ(copy.nanoseconds(), 4000000);
  t.reset();
  EXPECT_TRUE(t.isNull());
}

TEST(NanoTime, CurrentTimeIsMillisecondsSince1970) {
  const NanoTime now = NanoTime::getCurrentTime();
  EXPECT_GT(now.seconds(), 1600000000L);  // after September 2020
  EXPECT_EQ(now.nanoseconds() % 1000000, 0);
  EXPECT_GE(now.nanoseconds(), 0);
  EXPECT_LT(now.nanoseconds(), 1000000000);
  EXPECT_GE(now.elapsed_ms(), 0);
}

// Seconds since 1970 pass the top of a 32-bit long on 2038-01-19 at 03:14:08 UTC. Where long is 32
// bits the seconds wrap, and differences across that moment must still come out right.
TEST(NanoTime, DifferencesStayRightAcrossJanuary2038) {
  const std::int64_t top = 2147483647LL;  // 2038-01-19 03:14:07 UTC
  long s1, n1, s2, n2;
  qvo::timemath::splitMilliseconds(top * 1000 - 1500, s1, n1);  // 1.5 s before
  qvo::timemath::splitMilliseconds(top * 1000 + 2250, s2, n2);  // 2.25 s after
  const NanoTime before(s1, n1);
  const NanoTime after(s2, n2);
  EXPECT_EQ(after.differenceWith_ms(before), 3750);
  EXPECT_EQ(before.differenceWith_ms(after), -3750);
  EXPECT_EQ(before < after, 1);
  const NanoTime sum = before + 3750;
  EXPECT_EQ(sum == after, 1);

  // At the top of long itself, whatever its width.
  const long max = std::numeric_limits<long>::max();
  const NanoTime edge(max, 0);
  const NanoTime past = edge + 2000;
  EXPECT_EQ(past.differenceWith_ms(edge), 2000);
  EXPECT_EQ(edge < past, 1);
}

TEST(NanoTime, SecondsSinceMidnightToClock) {
  struct Case {
    unsigned long long seconds;
    unsigned long hours, minutes, secs;
    bool valid;
  };
  const Case cases[] = {
      {0, 0, 0, 0, true},       {59, 0, 0, 59, true},       {3725, 1, 2, 5, true},
      {86399, 23, 59, 59, true}, {86400, 24, 0, 0, false},  {90061, 25, 1, 1, false},
      {std::numeric_limits<unsigned long long>::max(), 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    unsigned long h = 99, m = 99, s = 99;
    EXPECT_EQ(NanoTime::convertSecondsSinceMidnightToClock(c.seconds, h, m, s), c.valid) << c.seconds;
    if (c.seconds == std::numeric_limits<unsigned long long>::max()) continue;  // out of range: only refused
    EXPECT_EQ(h, c.hours) << c.seconds;
    EXPECT_EQ(m, c.minutes) << c.seconds;
    EXPECT_EQ(s, c.secs) << c.seconds;
  }
}

// ---------------------------------------------------------------------------------------------------
// Timers: the manager adds 100 to every running timer per pass. A running witness timer shows that
// passes have happened, so no test depends on how long they took.

bool isStepMultiple(float ms) { return static_cast<long>(ms) % 100 == 0 && ms == static_cast<float>(static_cast<long>(ms)); }

TEST(Timer, StoppedTimerStaysStillWhileARunningOneAdvancesInSteps) {
  CQVOTimer witness;
  CQVOTimer idle(false);
  ASSERT_TRUE(eventually([&] { return witness.elapsed() >= 300; }));
  EXPECT_EQ(idle.elapsed(), 0.0f);
  EXPECT_TRUE(isStepMultiple(witness.elapsed()));
  idle.start();
  ASSERT_TRUE(eventually([&] { return idle.elapsed() >= 200; }));
  EXPECT_TRUE(isStepMultiple(idle.elapsed()));
  idle.stop();
  const float kept = idle.elapsed();
  const float mark = witness.elapsed();
  ASSERT_TRUE(eventually([&] { return witness.elapsed() >= mark + 300; }));
  EXPECT_EQ(idle.elapsed(), kept);
}

TEST(Timer, RestartStartsOverAndKeepsRunning) {
  CQVOTimer timer;
  ASSERT_TRUE(eventually([&] { return timer.elapsed() >= 1000; }));
  timer.restart();
  EXPECT_LT(timer.elapsed(), 1000.0f);
  ASSERT_TRUE(eventually([&] { return timer.elapsed() >= 200; }));
}

TEST(Timer, CopiesAreRegisteredAndAssignmentCopiesTheState) {
  CQVOTimer source(false);
  CQVOTimer copy(source);
  copy.start();
  ASSERT_TRUE(eventually([&] { return copy.elapsed() >= 200; }));
  EXPECT_EQ(source.elapsed(), 0.0f);
  source = copy;  // now running with the copy's time
  EXPECT_GE(source.elapsed(), 200.0f);
  const float mark = source.elapsed();
  ASSERT_TRUE(eventually([&] { return source.elapsed() >= mark + 200; }));
}

// A destroyed timer is no longer touched (AddressSanitizer reports it otherwise).
TEST(Timer, DestroyedTimerIsLeftAlone) {
  CQVOTimer witness;
  for (int i = 0; i < 20; ++i) {
    auto gone = std::make_unique<CQVOTimer>();
    gone.reset();
  }
  ASSERT_TRUE(eventually([&] { return witness.elapsed() >= 300; }));
}

// Reading and changing a timer while the manager updates it is safe (ThreadSanitizer checks).
TEST(Timer, OperationsWhileTheManagerUpdates) {
  CQVOTimer timer;
  std::atomic<bool> done{false};
  std::thread user([&] {
    while (!done) {
      timer.stop();
      timer.start();
      if (timer.elapsed() > 1e9f) timer.restart();
    }
  });
  ASSERT_TRUE(eventually([&] { return timer.elapsed() >= 300; }));
  done = true;
  user.join();
}

}  // namespace
