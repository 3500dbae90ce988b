// Tests of a threaded log when the process crashes: a child posts 10,000 records from 4 threads to a
// slow threaded log and then faults; every record must be in the file once, whole and in order,
// followed by the ending line, and the child must end exactly as the fault alone ends it.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "QVOLog.h"
#include "support/log_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

using logtest::readText;
using logtest::splitLines;

constexpr int kThreads = 4;
constexpr int kPerThread = 2500;

// How a process ended: the signal on Linux (0 when it exited), the exit code on both.
struct Ending {
  int signal = 0;
  unsigned long code = 0;
  bool operator==(Ending const& o) const { return signal == o.signal && code == o.code; }
};

std::ostream& operator<<(std::ostream& os, Ending const& e) {
  return os << "signal " << e.signal << ", exit code 0x" << std::hex << e.code << std::dec;
}

Ending runChild(std::vector<std::string> const& args) {
  Ending ending;
#ifdef _WIN32
  std::string command = "\"" + logtest::programFolder() + "log_crash_child.exe\"";
  for (std::string const& a : args) command += " " + a;
  STARTUPINFOA start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &info)) {
    ADD_FAILURE() << "cannot start " << command;
    return ending;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  ending.code = code;
#else
  std::string const path = logtest::programFolder() + "log_crash_child";
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (std::string const& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    ADD_FAILURE() << "cannot start " << path;
    return ending;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
  if (WIFEXITED(status)) ending.code = static_cast<unsigned long>(WEXITSTATUS(status));
#endif
  return ending;
}

// The records of the file: every (thread, record) pair once, each thread's in order, each record an
// empty line, its header and its text; then an empty line and the ending line, which is returned.
// Failures are reported through GoogleTest.
std::string checkEveryRecordOnce(std::string const& file) {
  std::vector<std::string> lines = splitLines(readText(file));
  static std::regex const header(R"(INFO CRASH PID\(\d+\) THR\(\d+\) : crash\.cpp - (\d+) : )" + logtest::kDatePattern);
  static std::regex const text(R"(\tthread (\d) record (\d+))");
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) return "";
  EXPECT_EQ(lines[0].rfind("LogSwapCount[0] at ", 0), 0u) << lines[0];
  std::size_t const records = (lines.size() - 3) / 3;
  EXPECT_EQ(lines.size(), 1 + records * 3 + 2) << "a line too many or missing";
  std::vector<int> next(kThreads, 0);
  for (std::size_t r = 0; r < records; ++r) {
    std::size_t const at = 1 + r * 3;
    std::smatch h, t;
    EXPECT_EQ(lines[at], "") << "line " << at;
    bool const whole = std::regex_match(lines[at + 1], h, header) && std::regex_match(lines[at + 2], t, text);
    EXPECT_TRUE(whole) << "line " << at + 1 << ": " << lines[at + 1] << " / " << lines[at + 2];
    if (!whole) return "";
    int const thread = std::stoi(t[1]), record = std::stoi(t[2]);
    EXPECT_EQ(std::stoi(h[1]), record);
    EXPECT_EQ(record, next[static_cast<std::size_t>(thread)]) << "thread " << thread << ", line " << at + 2;
    if (record != next[static_cast<std::size_t>(thread)]) return "";
    ++next[static_cast<std::size_t>(thread)];
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[static_cast<std::size_t>(t)], kPerThread) << "thread " << t;
  EXPECT_EQ(lines[lines.size() - 2], "");
  return lines.back();
}

struct Case {
  char const* crash;
  char const* ending;  // the last line of the log
  Ending expected;     // how the fault alone ends the process (checked without a sanitizer)
};

std::vector<Case> const kCases = {
#ifdef _WIN32
    {"segv", "process ends on unhandled exception 0xC0000005", {0, 0xC0000005}},
    {"ill", "process ends on unhandled exception 0xC000001D", {0, 0xC000001D}},
    {"abort", "process ends on signal 22 (SIGABRT)", {0, 3}},
    {"terminate", "process ends on signal 22 (SIGABRT)", {0, 3}},
    {"own", "process ends on unhandled exception 0xC0000005", {0, 0xC0000005}},
    {"writer", "process ends on unhandled exception 0xC0000005", {0, 0xC0000005}},
#else
    {"segv", "process ends on signal 11 (SIGSEGV)", {SIGSEGV, 0}},
    {"ill", "process ends on signal 4 (SIGILL)", {SIGILL, 0}},
    {"fpe", "process ends on signal 8 (SIGFPE)", {SIGFPE, 0}},
    {"bus", "process ends on signal 7 (SIGBUS)", {SIGBUS, 0}},
    {"abort", "process ends on signal 6 (SIGABRT)", {SIGABRT, 0}},
    {"terminate", "process ends on signal 6 (SIGABRT)", {SIGABRT, 0}},
    {"own", "process ends on signal 11 (SIGSEGV)", {SIGSEGV, 0}},
    {"writer", "process ends on signal 11 (SIGSEGV)", {SIGSEGV, 0}},
#endif
};

bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

// Each fault twice: with crash handling switched off by the environment, which shows how the fault
// alone ends the process (a sanitizer's own handler may change that), and with it on, which must end
// the same way and leave every record in the file.
TEST(LogCrash, EveryQueuedRecordIsWrittenAndTheProcessEndsAsTheFaultAlone) {
  for (Case const& c : kCases) {
    SCOPED_TRACE(c.crash);
    std::string const file = std::string("crash_") + c.crash + ".log";
    std::string const marker = file + ".own";

    logtest::setEnv("QVO_CRASH_HANDLER", "0");
    Ending const alone = runChild({file, c.crash});
    logtest::setEnv("QVO_CRASH_HANDLER", nullptr);
    if (!underSanitizer()) {
      EXPECT_EQ(alone, c.expected);
    }
    std::string const unsaved = readText(file);
    EXPECT_EQ(unsaved.find("process ends on"), std::string::npos) << "switched off, yet saved";
    EXPECT_LT(splitLines(unsaved).size(), 1u + kThreads * kPerThread * 3) << "the writer was not held back";
    std::remove(marker.c_str());

    Ending const saved = runChild({file, c.crash});
    EXPECT_EQ(saved, alone);
    EXPECT_EQ(checkEveryRecordOnce(file), c.ending);
    if (std::string(c.crash) == "own") {
      EXPECT_EQ(readText(marker), "own handler ran\n");
    }
    std::remove(file.c_str());
    std::remove(marker.c_str());
  }
}

// "<CRASH_HANDLER> = no" in the configuration file switches crash handling off as the environment does.
TEST(LogCrash, ConfigurationLineSwitchesCrashHandlingOff) {
  logtest::writeText("crash_off.txt", "<THREADED_LOG> = Y\n<CRASH_HANDLER> = no\n");
  Ending const ending = runChild({"crash_conf.log", "segv", "crash_off.txt"});
  if (!underSanitizer()) {
    EXPECT_EQ(ending, kCases[0].expected);
  }
  std::string const content = readText("crash_conf.log");
  EXPECT_EQ(content.find("process ends on"), std::string::npos);
  EXPECT_LT(splitLines(content).size(), 1u + kThreads * kPerThread * 3) << "the writer was not held back";
  std::remove("crash_conf.log");
  std::remove("crash_off.txt");
}

#ifdef _WIN32
using Handler = LPTOP_LEVEL_EXCEPTION_FILTER;
LONG WINAPI firstFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
LONG WINAPI laterFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
Handler const kFirst = &firstFilter;
Handler const kLater = &laterFilter;
Handler install(Handler h) { return SetUnhandledExceptionFilter(h); }
Handler current() {
  Handler h = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(h);
  return h;
}
#else
using Handler = void (*)(int);
void firstHandler(int) {}
void laterHandler(int) {}
Handler const kFirst = &firstHandler;
Handler const kLater = &laterHandler;
Handler install(Handler h) {
  struct sigaction action {}, previous {};
  action.sa_handler = h;
  sigaction(SIGSEGV, &action, &previous);
  return previous.sa_handler;
}
Handler current() {
  struct sigaction now {};
  sigaction(SIGSEGV, nullptr, &now);
  return (now.sa_flags & SA_SIGINFO) != 0 ? nullptr : now.sa_handler;  // the library's takes siginfo
}
#endif

// The library's handler is there only while a threaded log is, puts back exactly the handler it
// replaced, and leaves alone one that the application installed after it.
TEST(LogCrash, HandlersAreInstalledOnlyWhileAThreadedLogExists) {
  Handler const outer = install(kFirst);
  {
    qvo::Log log("crash_handlers.log", true, false);
    EXPECT_NE(current(), kFirst);
    log.setThreadedLog(false);
    EXPECT_EQ(current(), kFirst);
    log.setThreadedLog(true);
    EXPECT_NE(current(), kFirst);
  }
  EXPECT_EQ(current(), kFirst);
  {
    qvo::Log log("crash_handlers.log", true, false);
    install(kLater);
  }
  EXPECT_EQ(current(), kLater);
  install(outer);
  std::remove("crash_handlers.log");
}

}  // namespace
