// Tests of the threaded log: writer thread, queue limit, write/sync guarantees, and the log under
// many posting threads (also run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "QVOLog.h"
#include "support/log_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using logtest::readText;
using logtest::splitLines;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

constexpr int kThreads = 8;
constexpr int kPerThread = 50000;

void postNumbered(qvo::Log& log, int threads, int perThread) {
  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t) {
    posters.emplace_back([&log, t, perThread] {
      for (int n = 0; n < perThread; ++n) log.trace("LOAD", 0, "load.cpp", t, "T%d N%d payload", t, n);
    });
  }
  for (auto& p : posters) p.join();
}

// Checks the records of one file: each whole (empty line, header, text), and each thread's numbers
// rising by one from where the previous file stopped. `next` holds each thread's next number.
void checkRecords(std::string const& text, std::vector<int>& next, bool hasSwapHeader) {
  std::vector<std::string> lines = splitLines(text);
  std::size_t i = 0;
  if (hasSwapHeader) {
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines[0].rfind("LogSwapCount[", 0), 0u) << lines[0];
    i = 1;
  }
  ASSERT_EQ((lines.size() - i) % 3, 0u) << "a record is split";
  for (; i < lines.size(); i += 3) {
    ASSERT_EQ(lines[i], "");
    ASSERT_EQ(lines[i + 1].rfind("INFO LOAD PID(", 0), 0u) << lines[i + 1];
    int t = -1, n = -1;
    ASSERT_EQ(std::sscanf(lines[i + 2].c_str(), "\tT%d N%d payload", &t, &n), 2) << lines[i + 2];
    ASSERT_TRUE(t >= 0 && t < static_cast<int>(next.size()));
    ASSERT_EQ(lines[i + 1].find(" : load.cpp - " + std::to_string(t) + " : "), lines[i + 1].find(" : load.cpp"));
    ASSERT_EQ(n, next[t]) << "thread " << t << " out of order or lost";
    ++next[t];
  }
}

}  // namespace

TEST(LogThreaded, EveryRecordOnceWholeAndInOrder) {
  struct Case {
    char const* name;
    unsigned int queueLimit;  // the smallest limit makes posting threads write the backlog themselves
  };
  const Case cases[] = {{"all.log", 629145600u}, {"backlog.log", 1474560u}};
  for (auto const& c : cases) {
    std::vector<int> next(kThreads, 0);
    {
      qvo::Log log(c.name, true, false);
      ASSERT_TRUE(log.setMaxThreadedLogBuffer(c.queueLimit));
      log.activateModule("LOAD", true);
      postNumbered(log, kThreads, kPerThread);
      log.sync();
      checkRecords(readText(c.name), next, true);
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kPerThread) << c.name << " thread " << t;
    std::remove(c.name);
  }
}

TEST(LogThreaded, RolloverUnderLoadKeepsRecordsWholeAndFilesWithinTheLimit) {
  unsigned int const limit = 64 * 1024;
  std::remove("busy.log");
  std::remove("busy_circ.log");
  qvo::Log log("busy.log", true, false);
  log.setMaxFileSizeInByte(limit);
  log.activateModule("LOAD", true);
  postNumbered(log, kThreads, 5000);
  log.sync();
  std::string const backup = readText("busy_circ.log");
  std::string const current = readText("busy.log");
  for (std::string const* file : {&backup, &current}) {
    std::size_t counted = file->size() - (file->find('\n') + 1);  // the header line is not counted
    EXPECT_LE(counted, limit);
    // Whole records only: after the header each file starts with a record and ends with its text.
    std::vector<std::string> lines = splitLines(*file);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].rfind("INFO LOAD", 0), 0u);
    EXPECT_EQ((lines.size() - 1) % 3, 0u);
    EXPECT_EQ(lines.back().rfind("\tT", 0), 0u);
  }
  unsigned swapBackup = 0, swapCurrent = 0;
  ASSERT_EQ(std::sscanf(backup.c_str(), "LogSwapCount[%u]", &swapBackup), 1);
  ASSERT_EQ(std::sscanf(current.c_str(), "LogSwapCount[%u]", &swapCurrent), 1);
  EXPECT_EQ(swapCurrent, swapBackup + 1);
  EXPECT_GT(swapBackup, 0u);
  // Each thread's records stay in order across the two files.
  std::vector<int> next(kThreads, -1);
  std::vector<std::string> lines = splitLines(backup);
  for (std::size_t i = 3; i < lines.size(); i += 3) {
    int t = 0, n = 0;
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "\tT%d N%d", &t, &n), 2);
    if (next[t] < 0) next[t] = n;
    ASSERT_EQ(n, next[t]++);
  }
  lines = splitLines(current);
  for (std::size_t i = 3; i < lines.size(); i += 3) {
    int t = 0, n = 0;
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "\tT%d N%d", &t, &n), 2);
    if (next[t] < 0) next[t] = n;  // a thread first seen in the current file
    ASSERT_EQ(n, next[t]++);
  }
  log.close();
  std::remove("busy.log");
  std::remove("busy_circ.log");
}

// write() and sync() wait for every earlier line; the file is read right after they return.
TEST(LogThreaded, WriteAndSyncReturnAfterEveryEarlierLine) {
  qvo::Log log("wait.log", true, false);
  log.activateModule("ALL", true);
  std::string expected;
  for (int round = 0; round < 100; ++round) {
    for (int i = 0; i <= round % 7; ++i) {
      std::string const line = "r" + std::to_string(round) + "." + std::to_string(i) + "\n";
      log.trace("M", line);
      expected += line;
    }
    if (round % 2 == 0) {
      log.write("M", "w\n");
      expected += "w\n";
    } else {
      log.sync();
    }
    std::string const all = readText("wait.log");
    ASSERT_EQ(all.substr(all.find('\n') + 1), expected) << "round " << round;
  }
  log.close();
  std::remove("wait.log");
}

#ifndef _WIN32
// The writer is held in the middle of a batch by a pipe that nobody reads: sync() and write() must
// wait for that batch, although the queue is empty meanwhile.
TEST(LogThreaded, SyncAndWriteWaitForTheBatchTheWriterHolds) {
  for (bool useWrite : {false, true}) {
    ::unlink("slow.fifo");
    ASSERT_EQ(::mkfifo("slow.fifo", 0600), 0);
    int const in = ::open("slow.fifo", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(in, 0);
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    std::size_t received = 0, header = 0;
    auto readUntil = [&](std::size_t total) {
      char buffer[4096];
      while (received < total) {
        ssize_t n = ::read(in, buffer, std::min(sizeof buffer, total - received));
        ASSERT_GT(n, 0);
        if (header == 0) header = static_cast<std::size_t>(std::find(buffer, buffer + n, '\n') - buffer) + 1;
        received += static_cast<std::size_t>(n);
      }
    };
    {
      qvo::Log log("slow.fifo", true, false);
      log.activateModule("ALL", true);
      std::size_t const big = 300000;  // far more than a pipe holds
      log.trace("M", std::string(big - 1, 'b') + "\n");
      readUntil(1000);  // the writer is now blocked in the middle of the line
      std::atomic<bool> done{false};
      std::thread waiter([&] {
        if (useWrite)
          log.write("M", "w\n");
        else
          log.sync();
        done.store(true);
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_FALSE(done.load()) << (useWrite ? "write" : "sync") << " returned before the writer's batch was out";
      readUntil(header + big + (useWrite ? 2 : 0));
      waiter.join();
      EXPECT_TRUE(done.load());
    }
    ::close(in);
    ::unlink("slow.fifo");
  }
}
#endif

TEST(LogThreaded, DestroyingRightAfterABurstLeavesEveryLine) {
  for (int round = 0; round < 20; ++round) {
    std::string expected;
    {
      qvo::Log log("burst.log", true, false);
      log.activateModule("ALL", true);
      for (int i = 0; i < 2000; ++i) {
        std::string const line = std::to_string(i) + "\n";
        log.trace("M", line);
        expected += line;
      }
    }
    std::string const all = readText("burst.log");
    ASSERT_EQ(all.substr(all.find('\n') + 1), expected) << "round " << round;
  }
  std::remove("burst.log");
}

TEST(LogThreaded, StoppingTheWriterDrainsAndGoesSynchronous) {
  qvo::Log log("stop.log", true, false);
  log.activateModule("ALL", true);
  EXPECT_TRUE(log.isLogThreaded());
  EXPECT_TRUE(log.setThreadedLog(true));  // already running: still one writer
  for (int i = 0; i < 1000; ++i) log.trace("M", "x");
  EXPECT_TRUE(log.setThreadedLog(false));
  EXPECT_FALSE(log.isLogThreaded());
  std::string all = readText("stop.log");
  EXPECT_EQ(all.substr(all.find('\n') + 1), std::string(1000, 'x'));
  log.trace("M", "y");  // synchronous now: in the file when trace returns
  all = readText("stop.log");
  EXPECT_EQ(all.back(), 'y');
  EXPECT_TRUE(log.setThreadedLog(false));
  EXPECT_TRUE(log.setThreadedLog(true));
  log.trace("M", "z");
  log.sync();
  all = readText("stop.log");
  EXPECT_EQ(all.back(), 'z');
  log.close();
  std::remove("stop.log");
}

// Lines of one thread keep their order while another thread switches the writer off and on: a line
// posted synchronously must not pass that thread's lines still queued for the writer.
TEST(LogThreaded, SwitchingTheWriterOnAndOffKeepsEachThreadsOrder) {
  std::vector<int> next(4, 0);
  {
    qvo::Log log("switch.log", true, false);
    log.activateModule("LOAD", true);
    std::atomic<bool> posting{true};
    std::thread switcher([&] {
      for (bool on = false; posting.load(); on = !on) {
        log.setThreadedLog(on);
        std::this_thread::yield();
      }
    });
    postNumbered(log, 4, 20000);
    posting.store(false);
    switcher.join();
    log.sync();
    checkRecords(readText("switch.log"), next, true);
  }
  for (int t = 0; t < 4; ++t) EXPECT_EQ(next[t], 20000) << "thread " << t;
  std::remove("switch.log");
}

TEST(LogThreaded, QueueLimitBoundsAndMessages) {
  struct Case {
    unsigned int size;
    bool accepted;
    char const* message;
  };
  const Case cases[] = {
      {1474559u, false, "Tried to set a max log stack size too small (1474559, must be >= 1474560). Operation ignored.\n"},
      {1474560u, true, ""},
      {629145600u, true, ""},
      {629145601u, false, "Tried to set a max log stack size too big (629145601, must be <= 629145600). Operation ignored.\n"},
  };
  qvo::Log log(false, false);
  EXPECT_EQ(log.getMaxThreadedLogBuffer(), qvo::Log::DefaultMaxThreadedLogBuffer);
  EXPECT_EQ(qvo::Log::DefaultMaxThreadedLogBuffer, 629145600u);
  for (auto const& c : cases) {
    log.setMaxThreadedLogBuffer(2000000);
    CaptureStderr();
    EXPECT_EQ(log.setMaxThreadedLogBuffer(c.size), c.accepted);
    EXPECT_EQ(GetCapturedStderr(), c.message);
    EXPECT_EQ(log.getMaxThreadedLogBuffer(), c.accepted ? c.size : 2000000u);
  }
  // The static sets the starting limit of logs made afterwards.
  qvo::Log::DefaultMaxThreadedLogBuffer = 3000000;
  qvo::Log later(false, false);
  EXPECT_EQ(later.getMaxThreadedLogBuffer(), 3000000u);
  qvo::Log::DefaultMaxThreadedLogBuffer = 629145600u;
}

// Modules are switched, and the configuration file read, while other threads trace the same log.
TEST(LogThreaded, ModuleTableAndConfigurationChangeWhileTracing) {
  qvo::Log log("modules.log", true, false);
  log.activateModule("HOT", true);
  // Reading the files also stops and restarts the writer under the tracing threads.
  logtest::writeText("live1.txt", "COLD = no\nHOT = yes\n<THREADED_LOG> = no\n<MAX_LOG_FILE_SIZE> = 100000000\n");
  logtest::writeText("live2.txt", "<THREADED_LOG> = yes\n<MAX_LOG_FILE_SIZE_BY_OS_RATIO> = 0.5\n");
  std::atomic<bool> stop{false};
  std::atomic<long> cold{0};
  std::vector<std::thread> tracers;
  for (int t = 0; t < 4; ++t) {
    tracers.emplace_back([&, t] {
      while (!stop.load()) {
        log.trace("HOT", "h\n");
        if (log.trace("COLD", "c\n")) cold.fetch_add(1);
        log.isModuleTraced("M" + std::to_string(t));
      }
    });
  }
  for (int i = 0; i < 300; ++i) {
    log.activateModule("M" + std::to_string(i), i % 2 == 0);  // grows the table under the readers
    log.activateModule("COLD", i % 2 == 0);
    if (i % 30 == 0) {
      EXPECT_TRUE(log.initTrace(i % 60 == 0 ? "live1.txt" : "live2.txt"));
    }
  }
  stop.store(true);
  for (auto& t : tracers) t.join();
  log.sync();
  for (int i = 0; i < 300; ++i) EXPECT_EQ(log.isModuleTraced("M" + std::to_string(i)), i % 2 == 0);
  // Every accepted line is in the file, whole.
  std::string const all = readText("modules.log");
  std::size_t cs = 0;
  for (std::string const& line : splitLines(all.substr(all.find('\n') + 1))) {
    ASSERT_TRUE(line == "h" || line == "c") << line;
    cs += line == "c";
  }
  EXPECT_EQ(cs, static_cast<std::size_t>(cold.load()));
  log.close();
  std::remove("modules.log");
  std::remove("live1.txt");
  std::remove("live2.txt");
}

TEST(LogThreaded, FullDeviceIsReportedAndTheProcessGoesOn) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no always-full device like /dev/full";
#else
  CaptureStderr();
  {
    qvo::Log log("/dev/full", true, false);
    log.activateModule("ALL", true);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(log.trace("M", 0, "f.cpp", i, "record %d", i));
    log.sync();
    EXPECT_TRUE(log.write("M", "more\n"));
  }
  std::string const err = GetCapturedStderr();
  EXPECT_NE(err.find("Fail to write to log file /dev/full"), std::string::npos) << err;
#endif
}

// The process-wide log, threaded, still writes everything when the process ends with lines queued
// (long lines, so that the writer is busy with a batch at that moment).
TEST(LogThreaded, ProcessExitWritesEveryQueuedLine) {
  std::remove("exit.log");
  int const count = 400, size = 100000;
  ASSERT_EQ(logtest::runHelper("log_exit_child", "exit.log " + std::to_string(count) + " " + std::to_string(size)), 0);
  std::vector<std::string> lines = splitLines(readText("exit.log"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count) + 1);
  std::string const filler(size, '.');
  for (int i = 0; i < count; ++i) ASSERT_EQ(lines[static_cast<std::size_t>(i) + 1], "line " + std::to_string(i) + " " + filler);
  std::remove("exit.log");
}
