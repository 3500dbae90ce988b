// Tests of the log file's size limit: setters, counting, rollover into the "_circ" backup, cut lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "QVOLog.h"
#include "support/log_support.h"

using logtest::kDatePattern;
using logtest::readText;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

bool matches(std::string const& text, std::string const& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

std::string header(unsigned swapCount) {
  return "LogSwapCount\\[" + std::to_string(swapCount) + "\\] at " + kDatePattern + "\n";
}

// A 40-character line numbered n.
std::string line40(int n) {
  std::string s = "line " + std::to_string(n) + " ";
  return s + std::string(39 - s.size(), '.') + "\n";
}

void removeAll(std::string const& base, std::string const& ext) {
  std::remove((base + ext).c_str());
  std::remove((base + "_circ" + ext).c_str());
}

}  // namespace

TEST(LogSizeSetters, BoundsAndMessages) {
  struct Case {
    unsigned int size;
    bool accepted;
    char const* message;
  };
  const Case cases[] = {
      {9, false, "Try to set a max log file (9) too small (should be greater than 10). Operation ignored.\n"},
      {0, false, "Try to set a max log file (0) too small (should be greater than 10). Operation ignored.\n"},
      {10, true, ""},
      {4294967196u, true, ""},
      {4294967197u, false,
       "Try to set a max log file (4294967197) size bigger than OS allow (4294967196). Operation ignored.\n"},
  };
  qvo::Log log(false, false);
  EXPECT_EQ(log.getMaxFileSizeInByte(), 4294967196u);
  for (auto const& c : cases) {
    log.setMaxFileSizeInByte(1000);
    CaptureStderr();
    EXPECT_EQ(log.setMaxFileSizeInByte(c.size), c.accepted) << c.size;
    EXPECT_EQ(GetCapturedStderr(), c.message);
    EXPECT_EQ(log.getMaxFileSizeInByte(), c.accepted ? c.size : 1000u);
  }
}

TEST(LogSizeSetters, RatioBoundsAndMessages) {
  struct Case {
    double ratio;
    bool accepted;
    unsigned int size;
    char const* message;
  };
  const Case cases[] = {
      {1.0, true, 4294967196u, ""},
      {0.5, true, 2147483598u, ""},
      {0.1, true, 429496719u, ""},
      {1.5, false, 0, "Try to set a max log file OS ratio (1.5) size bigger than 1.0. Operation ignored.\n"},
      {0.05, false, 0,
       "Try to set a max log file OS ratio (0.05) too small (should be greater than 0.1). Operation ignored.\n"},
      {std::nan(""), false, 0,
       "Try to set a max log file OS ratio (nan) too small (should be greater than 0.1). Operation ignored.\n"},
  };
  qvo::Log log(false, false);
  EXPECT_EQ(qvo::Log::DefaultOSMaxFileSizeRatio, 0.5);
  for (auto const& c : cases) {
    log.setMaxFileSizeInByte(1000);
    CaptureStderr();
    EXPECT_EQ(log.setOSMaxFileSizeInByte(c.ratio), c.accepted) << c.ratio;
    EXPECT_EQ(GetCapturedStderr(), c.message);
    EXPECT_EQ(log.getMaxFileSizeInByte(), c.accepted ? c.size : 1000u);
  }
}

TEST(LogRollover, FullFileBecomesTheOnlyBackup) {
  removeAll("roll", ".log");
  qvo::Log log(false, false);
  log.setMaxFileSizeInByte(100);
  ASSERT_TRUE(log.open("roll.log", false));
  log.activateModule("ALL", true);
  for (int i = 1; i <= 3; ++i) log.write("M", line40(i));
  EXPECT_TRUE(matches(readText("roll_circ.log"), header(0) + line40(1) + line40(2)));
  EXPECT_TRUE(matches(readText("roll.log"), header(1) + line40(3)));
  for (int i = 4; i <= 5; ++i) log.write("M", line40(i));
  // The second rollover replaced the first backup.
  EXPECT_TRUE(matches(readText("roll_circ.log"), header(1) + line40(3) + line40(4)));
  EXPECT_TRUE(matches(readText("roll.log"), header(2) + line40(5)));
  // Opening by name again restarts the swap count.
  log.close();
  log.open("roll.log", false);
  log.write("M", line40(6));
  EXPECT_TRUE(matches(readText("roll.log"), header(0) + line40(6)));
  log.close();
  removeAll("roll", ".log");
}

TEST(LogRollover, BackupNameKeepsTheExtension) {
  struct Case {
    char const* name;
    char const* backup;
  };
  std::filesystem::create_directories("dir.d");
  const Case cases[] = {{"plain", "plain_circ"}, {"dir.d/app", "dir.d/app_circ"}, {".log", ".log_circ"},
                        {"dir.d/a.b.txt", "dir.d/a.b_circ.txt"}};
  for (auto const& c : cases) {
    std::remove(c.backup);
    qvo::Log log(c.name, false, false);
    log.setMaxFileSizeInByte(50);
    log.activateModule("ALL", true);
    log.write("M", line40(1));
    log.write("M", line40(2));
    log.close();
    EXPECT_TRUE(matches(readText(c.backup), header(0) + line40(1))) << c.name;
    std::remove(c.name);
    std::remove(c.backup);
  }
  std::filesystem::remove_all("dir.d");
}

TEST(LogRollover, LongLineIsCutToTheLimit) {
  removeAll("cut", ".log");
  qvo::Log log("cut.log", false, false);
  log.setMaxFileSizeInByte(100);
  log.activateModule("ALL", true);
  std::string const exact(100, 'e');
  log.write("M", exact);  // as long as the limit: not cut
  CaptureStderr();
  log.write("M", std::string(150, 'c'));
  EXPECT_EQ(GetCapturedStderr(),
            "The log line is too long (150) for the max log size (100) and will be truncated.\n");
  log.close();
  EXPECT_TRUE(matches(readText("cut_circ.log"), header(0) + exact));
  EXPECT_TRUE(matches(readText("cut.log"), header(1) + std::string(100, 'c')));
  removeAll("cut", ".log");
}

TEST(LogRollover, ConsoleIsNeverLimited) {
  qvo::Log log("stderr", false, false);
  log.setMaxFileSizeInByte(10);
  log.activateModule("ALL", true);
  CaptureStderr();
  log.write("M", std::string(30, 'x'));
  log.write("M", std::string(30, 'y'));
  EXPECT_EQ(GetCapturedStderr(), std::string(30, 'x') + std::string(30, 'y'));
}

TEST(LogRollover, UnremovableBackupIsReportedAndLoggingGoesOn) {
  removeAll("stuck", ".log");
  // A non-empty directory in the backup's place can be neither removed nor replaced, even by root.
  std::filesystem::create_directories("stuck_circ.log/inner");
  qvo::Log log("stuck.log", false, false);
  log.setMaxFileSizeInByte(100);
  log.activateModule("ALL", true);
  log.write("M", line40(1));
  log.write("M", line40(2));
  CaptureStderr();
  log.write("M", line40(3));
  EXPECT_EQ(GetCapturedStderr(),
            "Cannot remove previous backup of the log. New backup can be lost : stuck_circ.log\n"
            "Cannot make a backup of the log. As we reach the file size limit, any previous log will be lost. "
            "Tried to backup to stuck_circ.log\n");
  log.write("M", line40(4));
  log.close();
  // The full file could not be kept: it was started anew, emptied.
  EXPECT_TRUE(matches(readText("stuck.log"), header(1) + line40(3) + line40(4)));
  std::filesystem::remove_all("stuck_circ.log");
  std::remove("stuck.log");
}

// The count and a line are added in 64 bits: near the largest limit the sum passes 2^32 and must
// still roll the file over instead of wrapping to a small number.
TEST(LogRollover, CountNearTheLargestLimitDoesNotWrap) {
  removeAll("huge", ".log");
  std::uint64_t const existing = 4294967290ull;  // 6 short of 2^32
  {
    std::ofstream make("huge.log");
  }
  std::error_code ec;
  std::filesystem::resize_file("huge.log", existing, ec);  // sparse: takes no space
  if (ec) GTEST_SKIP() << "cannot make a sparse file: " << ec.message();
  logtest::setEnv("EQVO_FLUSHLOG", "no");
  {
    qvo::Log log("huge.log", false, false);
    log.activateModule("ALL", true);
    log.write("M", "0123456789\n");
  }
  logtest::setEnv("EQVO_FLUSHLOG", nullptr);
  EXPECT_TRUE(matches(readText("huge.log"), header(1) + "0123456789\n"));
  EXPECT_TRUE(std::filesystem::exists("huge_circ.log"));
  removeAll("huge", ".log");
}
