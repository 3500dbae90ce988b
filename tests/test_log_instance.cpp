// Test of the first use of the process-wide log from several threads at once (its own program, so
// that nothing else has created the process-wide log before).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "QVOLog.h"

TEST(LogInstance, FirstUseFromManyThreadsMakesOneLog) {
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::vector<qvo::Log*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      qvo::Log& log = qvo::Log::instance();
      log.isModuleTraced("X");
      seen[t] = &log;
    });
  }
  for (auto& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]);
  EXPECT_TRUE(qvo::Log::instance().isOpen());
  EXPECT_FALSE(qvo::Log::instance().isLogThreaded());
}
