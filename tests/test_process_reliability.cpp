// Reliability of child processes: many start-and-wait cycles leave no zombie, handle or descriptor
// behind; children nobody waited for are still collected; threads start children side by side.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "QVOProcess.h"
#include "platform/process.h"
#include "support/child_process.h"
#include "support/handles.h"

#if defined(_WIN32)
#include <windows.h>
#endif

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
  int cycles = 0;
  qvotest::expectNoHandleGrowth([&] { EXPECT_EQ(spawnAndWait(dir, "--exit 3", "out.txt"), 3) << "cycle " << cycles++; },
                                200);
  EXPECT_FALSE(qvotest::hasUncollectedChild());
}

#if defined(_WIN32)
// Where the handle count cannot be read, check the process handle itself: the wait that sees the end
// closes it, in every cycle.
TEST(ProcessReliability, ObservedEndClosesTheProcessHandle) {
  const std::string dir = scratch("handles");
  for (int i = 0; i < 20; ++i) {
    CQVOProcess p(qvotest::helperProgramPath(), "--exit 0", dir.c_str(), nullptr, "out.txt", false);
    ASSERT_EQ(p.Spawn(false), 0);
    HANDLE h = p.pid().processInfo().hProcess;
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(h, &flags)) << "cycle " << i;
    int status = -1;
    ASSERT_EQ(p.Wait(&status, -1), static_cast<int>(p.pid()));
    EXPECT_FALSE(::GetHandleInformation(h, &flags)) << "cycle " << i;
  }
}
#endif

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
  EXPECT_LE(qvotest::openHandleCount(), before);
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

// Kernels without pidfd: the children are reached through the parent-child relation and polling.
// The same behaviour must hold (on Windows these run the ordinary path).
class PollingFallback : public ::testing::Test {
 protected:
  void SetUp() override { qvo::platform::setProcessDescriptorsEnabled(false); }
  void TearDown() override { qvo::platform::setProcessDescriptorsEnabled(true); }
};

TEST_F(PollingFallback, WaitsKillsAndCollectsWithoutDescriptors) {
  const std::string dir = scratch("fallback");
  for (int i = 0; i < 20; ++i) ASSERT_EQ(spawnAndWait(dir, "--exit 5"), 5) << "cycle " << i;

  CQVOProcess sleeper(qvotest::helperProgramPath(), "--ignore-term --sleep 60000", dir.c_str(), nullptr, nullptr,
                      false);
  ASSERT_EQ(sleeper.Spawn(false), 0);
  int status = 42;
  EXPECT_EQ(sleeper.Wait(&status, 50), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sleeper.Kill(true), 0);
  EXPECT_EQ(sleeper.Wait(&status, 0), -1);

  // A wait by number reads the status without taking it from the holder of the child.
  CQVOProcess child(qvotest::helperProgramPath(), "--sleep 100 --exit 4", dir.c_str(), nullptr, nullptr, false);
  ASSERT_EQ(child.Spawn(false), 0);
  qvo::pid_t number;
  number = static_cast<int>(child.pid());
  CQVOString text;
  int result = 0;
  for (int i = 0; i < 3000 && result == 0; ++i) {
    result = CQVOOperatingSystem::checkTermination(number, text);
    if (result == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(text.c_str(), "4");
  EXPECT_EQ(child.Wait(&status, -1), static_cast<int>(child.pid()));
  EXPECT_EQ(status, 4);

  // Children nobody waits for are collected by later starts.
  {
    CQVOProcess orphan(qvotest::helperProgramPath(), "--exit 0", dir.c_str(), nullptr, nullptr, false);
    ASSERT_EQ(orphan.Spawn(false), 0);
    number = static_cast<int>(orphan.pid());
  }
  result = 0;
  for (int i = 0; i < 3000 && result == 0; ++i) {
    result = CQVOOperatingSystem::checkTermination(number, text);
    if (result == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(spawnAndWait(dir, "--exit 0"), 0);
  EXPECT_FALSE(qvotest::hasUncollectedChild());
}

}  // namespace
