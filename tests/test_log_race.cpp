// The static trace API while another thread replaces the process-wide log and switches modules (its
// own program, since it replaces the process-wide log a thousand times; also run under
// ThreadSanitizer and AddressSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "QVOLog.h"
#include "support/log_support.h"

using logtest::kDatePattern;
using logtest::readText;
using logtest::splitLines;

namespace {

constexpr int kCallers = 4;
constexpr int kReplacements = 1000;
char const* const kFiles[] = {"race0.log", "race1.log"};

// Every static form, once with the module given: the texts name the form, the thread and the round.
void callEveryForm(char const* module, int t, int n) {
  std::string const m = module;
  CQVOLog::Trace(module, "a %s %d %d\n", module, t, n);
  CQVOLog::Trace(m, "b %s %d %d\n", module, t, n);
  CQVOLog::Trace(module, 0L, "race.cpp", 1L, "c %d %d", t, n);
  CQVOLog::Trace(m, 0L, std::string("race.cpp"), 2L, "d %d %d", t, n);
  CQVOLog::Write(module, 0L, "race.cpp", 3L, "e %d %d", t, n);
  CQVOLog::Write(m, 0L, std::string("race.cpp"), 4L, "f %d %d", t, n);
  CQVOLog::Trace(module, qvo::TRACE_WARNING, "race.cpp", 5L, "g %d %d", t, n);
  CQVOLog::Trace(m, qvo::TRACE_WARNING, std::string("race.cpp"), 6L, "h %d %d", t, n);
}

// A log on `file` that traces ON (and FLIP when asked), never OFF.
std::unique_ptr<qvo::Log> configuredLog(char const* file, bool threaded, bool flip) {
  auto log = std::make_unique<qvo::Log>(file, threaded, false);
  log->activateModule("ON", true);
  log->activateModule("OFF", false);
  log->activateModule("FLIP", flip);
  return log;
}

using Key = std::tuple<std::string, int, int>;  // form, thread, round

// Reads one log file: every record whole, ON and FLIP ones only. ON records go to `on` (each once).
void collect(std::string const& text, std::multiset<Key>& on) {
  static std::regex const header(R"((INFO|WARNING) (ON|FLIP) PID\(\d+\) THR\(\d+\) : race\.cpp - ([1-6]) : )" +
                                 kDatePattern);
  static std::regex const body(R"(\t([c-h]) (\d+) (\d+))");
  static std::regex const plain(R"(([ab]) (ON|FLIP) (\d+) (\d+))");
  std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::smatch m;
    if (lines[i].rfind("LogSwapCount[", 0) == 0) continue;
    if (lines[i].empty()) {
      ASSERT_LT(i + 2, lines.size() + 1) << "a record is cut";
      std::smatch h, b;
      ASSERT_TRUE(std::regex_match(lines[i + 1], h, header)) << lines[i + 1];
      ASSERT_TRUE(std::regex_match(lines[i + 2], b, body)) << lines[i + 2];
      std::string const form = b[1];
      // The form's level and source line are those of its call.
      EXPECT_EQ(h[1], form == "g" || form == "h" ? "WARNING" : "INFO") << lines[i + 1];
      EXPECT_EQ(std::stoi(h[3]), form[0] - 'c' + 1) << lines[i + 1];
      if (h[2] == "ON") on.insert(Key{form, std::stoi(b[2]), std::stoi(b[3])});
      i += 2;
      continue;
    }
    ASSERT_TRUE(std::regex_match(lines[i], m, plain)) << lines[i];
    if (m[2] == "ON") on.insert(Key{m[1], std::stoi(m[3]), std::stoi(m[4])});
  }
}

}  // namespace

// Four threads call every static form, for a module that every log traces, one that none does and
// one that is switched on and off, while a fifth thread replaces the process-wide log a thousand
// times (by opening as process-wide and by assigning to instance(), synchronous and threaded logs)
// and switches modules. Every record of the traced module lands whole, once, in one of the logs.
TEST(LogRace, StaticCallsWhileTheProcessWideLogIsReplaced) {
  for (char const* f : kFiles) std::remove(f);
  logtest::setEnv("EQVO_FLUSHLOG", "N");  // reopening a file appends to it
  std::unique_ptr<qvo::Log> current = configuredLog(kFiles[0], false, false);
  ASSERT_TRUE(current->open(kFiles[0], true));

  std::atomic<bool> done{false};
  std::atomic<int> replaced{0};
  std::atomic<bool> wrongAnswer{false};
  std::vector<int> rounds(kCallers, 0);
  std::vector<std::thread> callers;
  for (int t = 0; t < kCallers; ++t) {
    callers.emplace_back([&, t] {
      int n = 0;
      while (!done.load()) {
        // A round or two per replacement: the callers neither starve the replacing thread of the
        // log's locks nor write more than the check can read back.
        if (n > 2 * replaced.load() + 2) {
          std::this_thread::yield();
          continue;
        }
        callEveryForm("ON", t, n);
        callEveryForm("OFF", t, n);
        callEveryForm("FLIP", t, n);
        if (!CQVOLog::TraceModule("ON") || !CQVOLog::TraceModule(std::string("ON")) || CQVOLog::TraceModule("OFF") ||
            CQVOLog::TraceModule(std::string("OFF")))
          wrongAnswer.store(true);
        ++n;
      }
      rounds[t] = n;
    });
  }
  for (int i = 1; i <= kReplacements; ++i) {
    char const* file = kFiles[i % 2];
    std::unique_ptr<qvo::Log> next = configuredLog(file, i % 3 == 0, i % 2 == 0);
    if (i % 4 < 2)
      ASSERT_TRUE(next->open(file, true));
    else
      qvo::Log::instance() = *next;
    current = std::move(next);  // the former log goes with its last handle
    current->activateModule("FLIP", i % 3 != 0);
    replaced.store(i);
  }
  done.store(true);
  for (auto& c : callers) c.join();
  CQVOLog console("stdout", false);
  current.reset();
  logtest::setEnv("EQVO_FLUSHLOG", nullptr);

  EXPECT_FALSE(wrongAnswer.load()) << "TraceModule answered wrongly during a replacement";
  std::multiset<Key> on;
  for (char const* f : kFiles) collect(readText(f), on);
  std::size_t expected = 0;
  for (int t = 0; t < kCallers; ++t) {
    ASSERT_GT(rounds[t], 0);
    for (int n = 0; n < rounds[t]; ++n) {
      for (char form = 'a'; form <= 'h'; ++form) {
        ASSERT_EQ(on.count(Key{std::string(1, form), t, n}), 1u) << form << " " << t << " " << n;
        ++expected;
      }
    }
  }
  EXPECT_EQ(on.size(), expected);
  for (char const* f : kFiles) std::remove(f);
}
