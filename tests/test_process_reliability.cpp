// Reliability of child processes: many start-and-wait cycles leave no zombie, handle or descriptor
// behind; children nobody waited for are still collected; threads start children side by side.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "QVOProcess.h"
#include "support/child_process.h"

namespace {

std::string scratch(const char* name) {
  const auto dir = std::filesystem::absolute(std::filesystem::path("scratch") / name);
  std::filesystem::create_directories(dir);
  return dir.string();
}

// Starts the helper and waits for it; its exit status, or -100/-101 when starting or waiting failed.
int spawnAndWait(const std::string& dir, const char* args, const char* outputFile = nullptr) {
  CQVOProcess p(qvotest::helperProgramPath(), args, dir.c_str(), outputFile, outputFile, false);
  if (p.Spawn(false) != 0) return -100;
  int status = -100;
  if (p.Wait(&status, -1) != static_cast<int>(p.pid())) return -101;
  return status;
}

TEST(ProcessReliability, TwoHundredCyclesLeaveNothingBehind) {
  const std::string dir = scratch("cycles");
  ASSERT_EQ(spawnAndWait(dir, "--exit 0"), 0);  // first use may set up lasting state
  const long before = qvotest::openHandleCount();
  for (int i = 0; i < 200; ++i) ASSERT_EQ(spawnAndWait(dir, "--exit 3", "out.txt"), 3) << "cycle " << i;
  EXPECT_FALSE(qvotest::hasUncollectedChild());
  const long after = qvotest::openHandleCount();
  if (before < 0 || after < 0)
    GTEST_SKIP() << "this system does not tell the number of open handles (Wine's GetProcessHandleCount gives 0)";
  EXPECT_EQ(after, before);
}

TEST(ProcessReliability, ChildrenNobodyWaitedForAreCollected) {
  const std::string dir = scratch("orphans");
  std::vector<qvo::pid_t> numbers;
  for (int i = 0; i < 5; ++i) {
    CQVOProcess p(qvotest::helperProgramPath(), "--exit 0", dir.c_str(), nullptr, nullptr, false);
    ASSERT_EQ(p.Spawn(false), 0);
    qvo::pid_t number;
    number = static_cast<int>(p.pid());
    numbers.push_back(number);
  }  // every CQVOProcess is gone before its child ends
  for (auto& n : numbers) {
    CQVOString text;
    int result = 0;
    for (int i = 0; i < 3000 && result == 0; ++i) {
      result = CQVOOperatingSystem::checkTermination(n, text);
      if (result == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // The next start collects whatever has ended meanwhile.
  const long before = qvotest::openHandleCount();
  ASSERT_EQ(spawnAndWait(dir, "--exit 0"), 0);
  EXPECT_FALSE(qvotest::hasUncollectedChild());
  const long after = qvotest::openHandleCount();
  if (before >= 0 && after >= 0) {
    EXPECT_LE(after, before);
  }
}

TEST(ProcessReliability, ThreadsStartAndWaitSideBySide) {
  const std::string dir = scratch("threads");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::string args = "--exit " + std::to_string(t + 1);
      for (int i = 0; i < 25; ++i)
        if (spawnAndWait(dir, args.c_str()) != t + 1) ++failures[t];
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  EXPECT_FALSE(qvotest::hasUncollectedChild());
}

}  // namespace
