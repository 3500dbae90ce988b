// The qvolog tool and the log record parser it shares with its fuzz target: logs written by the library
// (tests/helpers/log_writer.cpp), read back through the tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "log_names.h"
#include "log_record.h"
#include "record_filter.h"
#include "record_json.h"
#include "support/child_process.h"
#include "support/tool_runner.h"

using qvotools::Item;
using qvotools::parseLog;

namespace {

// A log written by log_writer (its pattern is in that file), removed with its backup afterwards.
class WrittenLog {
 public:
  WrittenLog(std::string name, long records, long threads, unsigned long limit, long pauseUs,
             std::string const& ending = "exit")
      : m_name(std::move(name)) {
    remove();
    tooltest::Tool writer("log_writer", m_name + " " + std::to_string(records) + " " + std::to_string(threads) + " " +
                                            std::to_string(limit) + " " + std::to_string(pauseUs) + " " + ending);
    m_result = writer.finish();
  }
  ~WrittenLog() { remove(); }
  std::string const& name() const { return m_name; }
  std::string backup() const { return qvotools::backupName(m_name); }
  tooltest::ToolResult const& writer() const { return m_result; }

 private:
  void remove() {
    std::remove(m_name.c_str());
    std::remove(backup().c_str());
  }
  std::string m_name;
  tooltest::ToolResult m_result;
};

// The record numbers of "record <n>" texts, in the order of the items.
std::vector<long> recordNumbers(std::vector<Item> const& items) {
  std::vector<long> numbers;
  for (Item const& item : items)
    if (item.kind == Item::Kind::Record && item.record.text.rfind("record ", 0) == 0)
      numbers.push_back(std::atol(item.record.text.c_str() + 7));
  return numbers;
}

// The tool's text output without its mark lines ("==> file: ... <=="), as the log wrote it.
std::string withoutMarks(std::string const& out) {
  std::string text;
  for (std::size_t at = 0; at < out.size();) {
    std::size_t const lf = out.find('\n', at);
    std::size_t const next = lf == std::string::npos ? out.size() : lf + 1;
    if (out.compare(at, 4, "==> ") != 0) text.append(out, at, next - at);
    at = next;
  }
  return text;
}

std::size_t countOf(std::string const& text, std::string const& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// --- the parser ------------------------------------------------------------------------------------------

TEST(LogRecordParser, ReadsHeadersRecordsCrashEndingsAndLooseTextWithEitherLineEnd) {
  std::string const lf =
      "LogSwapCount[3] at 04 Dec 2026 16:03:46.007\n"
      "\nINFO NET PID(4711) THR(MAIN) : net.cpp - 42 : 04 Dec 2026 16:03:46.010\n\tconnected\n"
      "\nERROR A B PID(7) THR(123) : src - x.cpp - -5 : 05 Jan 2027 00:00:00.000\n\ttwo\nlines\n"
      "\nprocess ends on signal 11 (SIGSEGV)\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (std::string const& bytes : {lf, crlf}) {
    SCOPED_TRACE(bytes == lf ? "LF" : "CR LF");
    qvotools::ParseResult const r = parseLog(bytes);
    ASSERT_EQ(r.items.size(), 4u);
    EXPECT_TRUE(r.endsWithLineFeed);
    EXPECT_EQ(r.items[0].kind, Item::Kind::SwapHeader);
    EXPECT_EQ(r.items[0].swapCount, 3u);
    ASSERT_TRUE(r.items[0].time);
    EXPECT_EQ(r.items[0].time->iso(), "2026-12-04T16:03:46.007");
    qvotools::Record const& a = r.items[1].record;
    EXPECT_EQ(a.levelName, "INFO");
    EXPECT_EQ(a.module, "NET");
    EXPECT_EQ(a.pid, 4711);
    EXPECT_EQ(a.thread, "MAIN");
    EXPECT_EQ(a.source, "net.cpp");
    EXPECT_EQ(a.line, 42);
    EXPECT_EQ(a.text, "connected");
    EXPECT_FALSE(a.cut);
    qvotools::Record const& b = r.items[2].record;  // a module with a blank, a source with " - "
    EXPECT_EQ(b.level, qvotools::Level::Error);
    EXPECT_EQ(b.module, "A B");
    EXPECT_EQ(b.thread, "123");
    EXPECT_EQ(b.source, "src - x.cpp");
    EXPECT_EQ(b.line, -5);
    EXPECT_EQ(b.text, "two\nlines");
    EXPECT_EQ(r.items[3].kind, Item::Kind::CrashEnding);
    EXPECT_EQ(r.items[3].line, "process ends on signal 11 (SIGSEGV)");
    EXPECT_EQ(qvotools::recordText(a), "\nINFO NET PID(4711) THR(MAIN) : net.cpp - 42 : 04 Dec 2026 16:03:46.010\n\tconnected\n");
  }
}

TEST(LogRecordParser, TellsCutAndUnfinishedRecordsAndResumesAtAnyItemEnd) {
  std::string const bytes =
      "LogSwapCount[0] at 04 Dec 2026 16:03:46.007\n"
      "plain text\n"
      "\nWARNING M PID(1) THR(MAIN) : f - 1 : 04 Dec 2026 16:03:46.008\n\txxxxx"  // cut by the size limit
      "\nINFO M PID(1) THR(MAIN) : f - 2 : 04 Dec 2026 16:03:46.009\n\tlast\n"
      "\nINFO M PID(1) THR(MAIN) : f - 3 : 04 Dec 2026 16:03:46.010\n\tunfini";
  qvotools::ParseResult const r = parseLog(bytes);
  ASSERT_EQ(r.items.size(), 5u);
  EXPECT_EQ(r.items[1].kind, Item::Kind::Loose);
  EXPECT_EQ(r.items[1].line, "plain text");
  EXPECT_TRUE(r.items[2].record.cut);
  EXPECT_EQ(r.items[2].record.text, "xxxxx");
  EXPECT_FALSE(r.items[3].record.cut);
  EXPECT_TRUE(r.items[4].record.cut);
  EXPECT_FALSE(r.endsWithLineFeed);
  // Parsing on from the end of any item gives the same items after it.
  for (std::size_t k = 0; k < r.items.size(); ++k) {
    qvotools::ParseResult const rest = parseLog(std::string_view(bytes).substr(r.items[k].end));
    ASSERT_EQ(rest.items.size(), r.items.size() - k - 1) << k;
    for (std::size_t i = 0; i < rest.items.size(); ++i) {
      EXPECT_EQ(rest.items[i].kind, r.items[k + 1 + i].kind);
      EXPECT_EQ(rest.items[i].record.text, r.items[k + 1 + i].record.text);
      EXPECT_EQ(rest.items[i].end + r.items[k].end, r.items[k + 1 + i].end);
    }
  }
}

TEST(LogRecordParser, LeavesLinesThatOnlyLookLikeRecordsAsText) {
  struct Case {
    char const* bytes;
    std::size_t records;
  } const cases[] = {
      {"\nINFO M PID(1) THR(MAIN) : f - 1 : 04 Dec 2026 16:03:46.008\nno tab\n", 0},   // no text line
      {"\nDEBUG M PID(1) THR(MAIN) : f - 1 : 04 Dec 2026 16:03:46.008\n\tt\n", 0},     // no such level
      {"\nINFO M PID(x) THR(MAIN) : f - 1 : 04 Dec 2026 16:03:46.008\n\tt\n", 0},      // no process number
      {"\nINFO M PID(1) THR(MAIN) : f - one : 04 Dec 2026 16:03:46.008\n\tt\n", 0},    // no line number
      {"\nINFO M PID(1) THR(MAIN) : f - 1 : sometime\n\tt\n", 1},                      // a date it cannot read
      {"process ends on signal 6 (SIGABRT)\n", 0},                                       // no empty line before
  };
  for (Case const& c : cases) {
    qvotools::ParseResult const r = parseLog(c.bytes);
    std::size_t records = 0;
    for (Item const& item : r.items) records += item.kind == Item::Kind::Record;
    EXPECT_EQ(records, c.records) << c.bytes;
    for (Item const& item : r.items) EXPECT_NE(item.kind, Item::Kind::CrashEnding) << c.bytes;
  }
}

TEST(LogRecordParser, ReadsTimesInTheLogsFormAndIso8601) {
  struct Case {
    char const* text;
    bool roundUp;
    char const* iso;  // null: refused
  } const cases[] = {
      {"04 Dec 2026 16:03:46.007", false, "2026-12-04T16:03:46.007"},
      {"04 Dec 2026 16:03", false, "2026-12-04T16:03:00.000"},
      {"04 Dec 2026", true, "2026-12-04T23:59:59.999"},
      {"2026-12-04T16:03:46.5", false, "2026-12-04T16:03:46.500"},
      {"2026-12-04 16:03:46", true, "2026-12-04T16:03:46.999"},
      {"2026-12-04T16:03", true, "2026-12-04T16:03:59.999"},
      {"2026-12-04", false, "2026-12-04T00:00:00.000"},
      {"2026-13-04", false, nullptr},
      {"2026-12-04T16:03:46Z", false, nullptr},
      {"04 Dez 2026 16:03:46.007", false, nullptr},
      {"yesterday", false, nullptr},
  };
  for (Case const& c : cases) {
    auto const t = qvotools::parseUserTime(c.text, c.roundUp);
    if (c.iso == nullptr) {
      EXPECT_FALSE(t) << c.text;
    } else {
      ASSERT_TRUE(t) << c.text;
      EXPECT_EQ(t->iso(), c.iso) << c.text;
    }
  }
  EXPECT_LT(qvotools::parseUserTime("31 Dec 2026 23:59:59.999", false)->key(),
            qvotools::parseUserTime("2027-01-01", false)->key());
}

TEST(LogRecordParser, NamesTheBackupAsTheLogDoes) {
  std::pair<char const*, char const*> const cases[] = {
      {"app.log", "app_circ.log"}, {"logs/app.log", "logs/app_circ.log"}, {"app", "app_circ"},
      {"dir.d/app", "dir.d/app_circ"}, {".log", ".log_circ"}, {"a\\b.c\\d", "a\\b.c\\d_circ"},
  };
  for (auto const& [log, backup] : cases) EXPECT_EQ(qvotools::backupName(log), backup) << log;
}

TEST(LogRecordParser, WritesValidJsonWhateverTheTextHolds) {
  EXPECT_EQ(qvotools::jsonString("a\"b\\c\n\t\x01\x7f"), "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(qvotools::jsonString("caf\xC3\xA9 \xFF\xC3"), "\"caf\xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(qvotools::jsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // a surrogate
}

// --- the tool on logs written by the library --------------------------------------------------------------

TEST(Qvolog, CatPrintsTheBackupThenTheLogWholeAndInOrderAfterRolloversByFourThreads) {
  WrittenLog log("cat4.log", 2000, 4, 20000, 0);
  ASSERT_EQ(log.writer().exitCode, 0) << log.writer().err;
  tooltest::ToolResult const cat = tooltest::runTool("qvolog", "cat " + log.name());
  ASSERT_EQ(cat.exitCode, 0) << cat.err;

  // What the two files hold, read directly, is what the tool prints, backup first.
  std::vector<Item> expected = parseLog(qvotest::readFile(log.backup())).items;
  std::vector<Item> const current = parseLog(qvotest::readFile(log.name())).items;
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(expected.front().kind, Item::Kind::SwapHeader);
  ASSERT_EQ(current.front().swapCount, expected.front().swapCount + 1);
#ifdef _WIN32
  EXPECT_NE(qvotest::readFile(log.name()).find("\r\n\tre"), std::string::npos);  // the Windows line ends
#endif
  expected.insert(expected.end(), current.begin(), current.end());
  std::vector<Item> const printed = parseLog(withoutMarks(cat.out)).items;
  EXPECT_EQ(recordNumbers(printed), recordNumbers(expected));
  EXPECT_EQ(countOf(cat.out, "==> " + log.backup() + ": LogSwapCount["), 1u);
  EXPECT_EQ(countOf(cat.out, "==> " + log.name() + ": LogSwapCount["), 1u);
  EXPECT_LT(cat.out.find(log.backup()), cat.out.find("==> " + log.name()));

  // Each thread's records come in order and without a gap up to the last one written.
  std::vector<long> const numbers = recordNumbers(printed);
  std::map<long, long> lastOfThread;
  for (long n : numbers) {
    auto it = lastOfThread.find(n % 4);
    if (it != lastOfThread.end()) {
      EXPECT_EQ(n, it->second + 4) << "thread " << n % 4;
    }
    lastOfThread[n % 4] = n;
  }
  for (auto const& [thread, last] : lastOfThread) EXPECT_EQ(last, 1996 + thread);
  // Two-line texts come through whole.
  for (Item const& item : printed) {
    if (item.kind != Item::Kind::Record) continue;
    long const n = item.record.line;
    std::string const text = "record " + std::to_string(n) + (n % 7 == 6 ? "\n  more of " + std::to_string(n) : "");
    EXPECT_EQ(item.record.text, text);
  }
}

TEST(Qvolog, MarksTheCrashEndingAfterEveryRecordTheCrashedProcessPosted) {
  WrittenLog log("crash.log", 400, 4, 0, 0, "abort");
  ASSERT_NE(log.writer().exitCode, 0);
  tooltest::ToolResult const cat = tooltest::runTool("qvolog", "cat " + log.name());
  ASSERT_EQ(cat.exitCode, 0) << cat.err;
  std::vector<long> numbers = recordNumbers(parseLog(withoutMarks(cat.out)).items);
  std::sort(numbers.begin(), numbers.end());
  ASSERT_EQ(numbers.size(), 400u);
  for (long n = 0; n < 400; ++n) EXPECT_EQ(numbers[static_cast<std::size_t>(n)], n);
  std::size_t const mark = cat.out.find("==> " + log.name() + ": process ends on signal");
  ASSERT_NE(mark, std::string::npos) << cat.out.substr(cat.out.size() > 300 ? cat.out.size() - 300 : 0);
  EXPECT_EQ(cat.out.find("\tNET", mark), std::string::npos);
  EXPECT_EQ(cat.out.find("\nINFO", mark), std::string::npos);  // nothing after the ending

  tooltest::ToolResult const stats = tooltest::runTool("qvolog", "stats " + log.name() + " --json");
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  EXPECT_NE(stats.out.find("\"records\":400,"), std::string::npos) << stats.out;
  EXPECT_NE(stats.out.find("\"crash_endings\":[\"process ends on signal"), std::string::npos) << stats.out;
}

TEST(Qvolog, FiltersRecordsByModuleLevelProcessThreadTimeAndText) {
  WrittenLog log("filter.log", 100, 1, 0, 0);
  ASSERT_EQ(log.writer().exitCode, 0) << log.writer().err;
  std::vector<Item> const items = parseLog(qvotest::readFile(log.name())).items;
  ASSERT_GE(items.size(), 2u);
  std::string const pid = std::to_string(items[1].record.pid);
  struct Case {
    std::string filter;
    std::size_t records;
  } const cases[] = {
      {"", 100},
      {"--module NET", 50},
      {"--module NET --module APP", 100},
      {"--level ERROR", 40},                    // levels 2 and 3: n % 5 is 3 or 4
      {"--level warning", 60},
      {"--level 3", 20},
      {"--module NET --level ERROR", 20},       // odd n with n % 5 of 3 or 4: n % 10 is 3 or 9
      {"--pid " + pid, 100},
      {"--pid " + pid + "0", 0},
      {"--thread MAIN", 100},
      {"--thread 1", 0},
      {"--since 2000-01-01 --until \"31 Dec 2999\"", 100},
      {"--since 2999-01-01", 0},
      {"--until 2000-01-01T00:00", 0},
      {"--grep \"record 42\"", 1},
      {"--grep \"more of\"", 14},               // the second line of n % 7 == 6
      {"--grep writer.cpp --module APP", 50},   // the header line counts too
  };
  for (Case const& c : cases) {
    tooltest::ToolResult const r = tooltest::runTool("qvolog", "cat " + log.name() + " " + c.filter);
    EXPECT_EQ(r.exitCode, c.records > 0 ? 0 : 1) << c.filter << r.err;
    EXPECT_EQ(recordNumbers(parseLog(withoutMarks(r.out)).items).size(), c.records) << c.filter;
    tooltest::ToolResult const json = tooltest::runTool("qvolog", "cat " + log.name() + " --json " + c.filter);
    EXPECT_EQ(countOf(json.out, "{\"time\":"), c.records) << c.filter;
  }
}

TEST(Qvolog, JsonGivesEachFieldOfARecord) {
  WrittenLog log("json.log", 10, 1, 0, 0);
  ASSERT_EQ(log.writer().exitCode, 0) << log.writer().err;
  tooltest::ToolResult const r = tooltest::runTool("qvolog", "cat " + log.name() + " --json --grep \"record 6\"");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<Item> const items = parseLog(qvotest::readFile(log.name())).items;
  qvotools::Record const& six = items[7].record;
  ASSERT_EQ(six.text, "record 6\n  more of 6");
  ASSERT_TRUE(six.time);
  std::string const expected = "{\"time\":\"" + six.time->iso() + "\",\"level\":\"INFO\",\"module\":\"APP\",\"pid\":" +
                               std::to_string(six.pid) + ",\"thread\":\"MAIN\",\"source\":\"writer.cpp\",\"line\":6," +
                               "\"text\":\"record 6\\n  more of 6\"}\n";
  EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("{\"mark\":\"file\",\"file\":\"json.log\",\"swap\":0,\"time\":\""), 0u) << r.out;
}

TEST(Qvolog, StatsCountsPerModuleAndLevelWithRolloversAndCutRecords) {
  WrittenLog log("stats.log", 100, 1, 2000, 0, "long");
  ASSERT_EQ(log.writer().exitCode, 0) << log.writer().err;
  // The long record rolled the log over and was cut: it stands alone in the log, without a line feed.
  tooltest::ToolResult const r = tooltest::runTool("qvolog", "stats " + log.name() + " --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<Item> const current = parseLog(qvotest::readFile(log.name())).items;
  std::string const rollovers = "\"rollovers\":" + std::to_string(current.front().swapCount);
  EXPECT_NE(r.out.find(rollovers), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"cut\":1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"crash_endings\":[]"), std::string::npos) << r.out;

  tooltest::ToolResult const all = tooltest::runTool("qvolog", "stats " + log.name());
  EXPECT_NE(all.out.find("crash endings: 0"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("module"), std::string::npos) << all.out;
  tooltest::ToolResult const none = tooltest::runTool("qvolog", "stats " + log.name() + " --module NONE");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.out.find("records: 0"), std::string::npos) << none.out;
}

TEST(Qvolog, ExitCodesSayUsageNoLogAndNoMatch) {
  struct Case {
    std::string arguments;
    int exitCode;
    char const* message;  // in the error output
  } const cases[] = {
      {"--help", 0, ""},
      {"", 2, "no command"},
      {"cat", 2, "no log file named"},
      {"tail x.log", 2, "unknown command"},
      {"cat x.log --level LOUD", 2, "unknown level"},
      {"cat x.log --since noon", 2, "is no time"},
      {"cat x.log --count 3", 2, "belong to follow"},
      {"cat x.log --module", 2, "needs a value"},
      {"cat no_such.log", 1, "no log file no_such.log (nor its backup no_such_circ.log)"},
      {"stats no_such.log", 1, "no log file"},
  };
  for (Case const& c : cases) {
    tooltest::ToolResult const r = tooltest::runTool("qvolog", c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << ": " << r.err;
  }
  tooltest::ToolResult const help = tooltest::runTool("qvolog", "--help");
  EXPECT_NE(help.out.find("Examples:"), std::string::npos);
  EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
}

// Follows `log` while `writer` arguments write it; the records the follower printed.
std::vector<long> followWhileWriting(std::string const& log, std::string const& writerArguments, long records,
                                     std::string* followerErrors, std::string* writerErrors) {
  std::remove(log.c_str());
  std::remove(qvotools::backupName(log).c_str());
  tooltest::Tool follower("qvolog", "follow " + log + " --interval 10 --count " + std::to_string(records));
  tooltest::Tool writer("log_writer", log + " " + writerArguments);
  tooltest::ToolResult const wrote = writer.finish();
  tooltest::ToolResult const followed = follower.finish(30000);
  *followerErrors = followed.err + (followed.exitCode != 0 ? " (exit " + std::to_string(followed.exitCode) + ")" : "");
  *writerErrors = wrote.err;
  std::remove(log.c_str());
  std::remove(qvotools::backupName(log).c_str());
  return recordNumbers(parseLog(withoutMarks(followed.out)).items);
}

TEST(Qvolog, FollowPrintsEachRecordOnceAcrossTwentyRolloversWhileAWriterRuns) {
  // About 90 records per file, a file every quarter of a second: the follower looks every 10 ms.
  long const records = 2000;
  std::string followerErrors, writerErrors;
  std::vector<long> numbers = followWhileWriting("follow.log", std::to_string(records) + " 4 8000 12000", records,
                                                 &followerErrors, &writerErrors);
  EXPECT_EQ(followerErrors, "");
  EXPECT_EQ(writerErrors, "");  // the reader never kept the log from renaming its file
  ASSERT_EQ(numbers.size(), static_cast<std::size_t>(records));
  std::set<long> const distinct(numbers.begin(), numbers.end());
  EXPECT_EQ(distinct.size(), numbers.size());
  EXPECT_EQ(*distinct.begin(), 0);
  EXPECT_EQ(*distinct.rbegin(), records - 1);
}

TEST(Qvolog, FollowGoesOnAfterTheLogIsReopenedAndEmptied) {
  std::string followerErrors, writerErrors;
  std::vector<long> numbers =
      followWhileWriting("reopen.log", "200 1 0 1000 reopen", 200, &followerErrors, &writerErrors);
  EXPECT_EQ(followerErrors, "");
  ASSERT_EQ(numbers.size(), 200u);
  for (long n = 0; n < 200; ++n) EXPECT_EQ(numbers[static_cast<std::size_t>(n)], n);
}

}  // namespace
