// Tests of the log core: records and their header, outputs, module table, EQVO_FLUSHLOG,
// configuration file, stream front-end and the static trace API.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "QVOLog.h"
#include "support/log_support.h"

using logtest::kDatePattern;
using logtest::readText;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

// A synchronous log on a fresh file with every module traced.
struct FileLog {
  explicit FileLog(std::string n) : name(std::move(n)), log(false, false) {
    std::remove(name.c_str());
    EXPECT_TRUE(log.open(name, false));
    log.activateModule("ALL", true);
  }
  ~FileLog() {
    log.close();
    std::remove(name.c_str());
  }
  // The file without its header line.
  std::string body() {
    std::string all = readText(name);
    return all.substr(all.find('\n') + 1);
  }
  std::string name;
  qvo::Log log;
};

// Exposes the protected header pieces.
struct OpenLog : qvo::Log {
  OpenLog() : qvo::Log(false, false) {}
  using qvo::Log::getDateTimeDescr;
  using qvo::Log::getLevelDescr;
  using qvo::Log::getThreadDescr;
  using qvo::Log::prefixLog;
};

bool matches(std::string const& text, std::string const& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

}  // namespace

TEST(LogCore, FreshLogHasNoOutputAndTracesNothing) {
  qvo::Log log(false, false);
  EXPECT_FALSE(log.isOpen());
  EXPECT_FALSE(log.trace("NET", "dropped"));
  log.activateModule("NET", true);
  // Switched on but nothing open: accepted and lost.
  EXPECT_TRUE(log.trace("NET", "lost"));
  EXPECT_TRUE(log.write("NET", 0, "a.cpp", 1, "lost"));
  EXPECT_FALSE(log.isOpen());
}

TEST(LogCore, RecordCarriesLevelModuleThreadSourceAndTime) {
  struct Case {
    long level;
    char const* text;
  };
  const Case cases[] = {{-7, "ANNOYING"}, {-1, "ANNOYING"}, {0, "INFO"},   {1, "WARNING"},
                        {2, "ERROR"},     {3, "WORTH"},     {99, "WORTH"}};
  for (auto const& c : cases) {
    FileLog f("record.log");
    EXPECT_TRUE(f.log.write("NET", c.level, "src/net.cpp", -42, "hello"));
    std::string const pattern = std::string("\n") + c.text + R"( NET PID\(\d+\) THR\(MAIN\) : src/net\.cpp - -42 : )" +
                                kDatePattern + "\n\thello\n";
    EXPECT_TRUE(matches(f.body(), pattern)) << c.level << ": " << f.body();
  }
}

TEST(LogCore, RecordEndsWithOneLineFeedAndPlainFormsAddNothing) {
  FileLog f("plain.log");
  f.log.write("M", 0, "f", 1, std::string("ends\n"));
  f.log.write("M", 0, "f", 2, std::string());
  f.log.write("M", "raw");
  f.log.trace("M", "%s-%d", "fmt", 7);
  f.log.write("M", 2, "f", 3, "%05d|%s", 42, "x");
  std::string const head = R"(\nINFO M PID\(\d+\) THR\(MAIN\) : f - )";
  EXPECT_TRUE(matches(f.body(), head + "1 : " + kDatePattern + "\n\tends\n" + head + "2 : " + kDatePattern +
                                     "\n\t\nrawfmt-7" + R"(\nERROR M PID\(\d+\) THR\(MAIN\) : f - 3 : )" +
                                     kDatePattern + "\n\t00042\\|x\n"))
      << f.body();
}

// Every member form taken with C strings writes what the same form taken with strings writes (a
// literal text with no arguments is still a format; a level written as 0 is a level); switched-off
// modules write nothing in either.
TEST(LogCore, CStringAndStringFormsWriteTheSameRecords) {
  FileLog a("forms_a.log"), b("forms_b.log");
  a.log.activateModule("OFF", false);
  b.log.activateModule("OFF", false);
  std::string const text = "text";
  auto run = [&text](qvo::Log& log, auto const& module, auto const& file) {
    std::vector<bool> r;
    r.push_back(log.trace(module, "plain %d|", 1));
    r.push_back(log.trace(module, "100%%|"));
    r.push_back(log.trace(module, text));
    r.push_back(log.write(module, text));
    r.push_back(log.trace(module, 0, file, 1, text));
    r.push_back(log.write(module, 2, file, 2, text));
    r.push_back(log.trace(module, 0, file, 3, "n=%d", 3));
    r.push_back(log.trace(module, qvo::TRACE_ERROR, file, 4, "n=%d", 4));
    r.push_back(log.write(module, 1L, file, 5, "no %s", "args"));
    r.push_back(log.write(module, 1, file, 6, "100%%"));
    return r;
  };
  std::vector<bool> const on = run(a.log, "M", "f.cpp");
  EXPECT_EQ(run(b.log, std::string("M"), std::string("f.cpp")), on);
  EXPECT_EQ(on, std::vector<bool>(on.size(), true));
  EXPECT_EQ(run(a.log, "OFF", "f.cpp"), std::vector<bool>(on.size(), false));
  EXPECT_EQ(run(b.log, std::string("OFF"), std::string("f.cpp")), std::vector<bool>(on.size(), false));
  EXPECT_FALSE(a.log.isModuleTraced("OFF"));
  EXPECT_TRUE(a.log.isModuleTraced("M"));
  std::regex const date(kDatePattern);
  std::string const body = std::regex_replace(a.body(), date, "D");
  EXPECT_EQ(std::regex_replace(b.body(), date, "D"), body);
  std::string const head = R"(M PID\(\d+\) THR\(MAIN\) : f\.cpp - )";
  EXPECT_TRUE(matches(body, "plain 1\\|100%\\|texttext\nINFO " + head + "1 : D\n\ttext\n\nERROR " + head +
                                "2 : D\n\ttext\n\nINFO " + head + "3 : D\n\tn=3\n\nERROR " + head +
                                "4 : D\n\tn=4\n\nWARNING " + head + "5 : D\n\tno args\n\nWARNING " + head +
                                "6 : D\n\t100%\n"))
      << body;
}

TEST(LogCore, FormattedTextHasNoLengthLimit) {
  FileLog f("long.log");
  for (std::size_t size : {2047u, 2048u, 100000u}) {
    std::string const text(size, 'x');
    f.log.trace("M", "%s", text.c_str());
    f.log.trace("M", "|");
  }
  std::string const body = f.body();
  EXPECT_EQ(body, std::string(2047, 'x') + "|" + std::string(2048, 'x') + "|" + std::string(100000, 'x') + "|");
}

TEST(LogCore, ThreadTextIsMainOnlyOnTheMainThread) {
  OpenLog log;
  EXPECT_TRUE(matches(log.getThreadDescr(), R"(PID\(\d+\) THR\(MAIN\))"));
  std::string other;
  std::thread([&] { other = log.getThreadDescr(); }).join();
  EXPECT_TRUE(matches(other, R"(PID\(\d+\) THR\(\d+\))")) << other;
}

#if !defined(_WIN32)
// A child made by fork writes its own process number, not the one its parent's thread had worked out.
TEST(LogCore, AForkedChildNamesItsOwnProcess) {
  FileLog parent("fork_parent.log");
  ASSERT_TRUE(parent.log.write("M", 0, "parent", 1, "before"));  // the parent's text is worked out
  std::string const childName = "fork_child.log";
  std::remove(childName.c_str());
  pid_t const child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    qvo::Log log(false, false);
    log.activateModule("ALL", true);
    bool const ok = log.open(childName, false) && log.write("M", 0, "child", 1, "after");
    log.close();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string const text = readText(childName);
  std::remove(childName.c_str());
  EXPECT_NE(text.find(" PID(" + std::to_string(child) + ") THR(MAIN) : child"), std::string::npos) << text;
  EXPECT_NE(parent.body().find(" PID(" + std::to_string(::getpid()) + ") THR(MAIN) : parent"), std::string::npos);
}
#endif

TEST(LogCore, ProtectedHeaderPieces) {
  OpenLog log;
  EXPECT_EQ(log.getLevelDescr(-3), "ANNOYING");
  EXPECT_EQ(log.getLevelDescr(2), "ERROR");
  EXPECT_TRUE(matches(log.getDateTimeDescr(), kDatePattern));
  std::string const thr = R"(PID\(\d+\) THR\(MAIN\) : )";
  EXPECT_TRUE(matches(log.prefixLog(), "\n" + thr + kDatePattern + "\n\t"));
  EXPECT_TRUE(matches(log.prefixLog("MOD"), "\nMOD " + thr + kDatePattern + "\n\t"));
  EXPECT_TRUE(matches(log.prefixLog("MOD", 1), "\nWARNING MOD " + thr + kDatePattern + "\n\t"));
  EXPECT_TRUE(matches(log.prefixLog("MOD", 0, "a.cpp", 9), "\nINFO MOD " + thr + "a\\.cpp - 9 : " + kDatePattern + "\n\t"));
}

TEST(LogCore, FileStartsWithSwapHeaderAndReopeningKeepsIt) {
  FileLog f("header.log");
  f.log.write("M", "one\n");
  EXPECT_TRUE(f.log.open("header.log", false));  // already open: kept, no second header
  f.log.write("M", "two\n");
  std::string const all = readText("header.log");
  EXPECT_TRUE(matches(all, "LogSwapCount\\[0\\] at " + kDatePattern + "\none\ntwo\n")) << all;
  EXPECT_TRUE(f.log.isOpen());
}

TEST(LogCore, ConsoleOutputsHaveNoHeaderAndSurviveClose) {
  qvo::Log log(false, false);
  log.activateModule("ALL", true);
  CaptureStdout();
  EXPECT_TRUE(log.open("stdout", false));
  log.trace("M", "to-out\n");
  EXPECT_TRUE(log.close());
  EXPECT_TRUE(log.isOpen());
  log.trace("M", "after-close\n");
  EXPECT_EQ(GetCapturedStdout(), "to-out\nafter-close\n");

  CaptureStderr();
  EXPECT_TRUE(log.open("stderr", false));
  log.trace("M", "to-err\n");
  EXPECT_EQ(GetCapturedStderr(), "to-err\n");
}

TEST(LogCore, ClosingAFileLeavesNoOutput) {
  FileLog f("closed.log");
  f.log.write("M", "kept\n");
  EXPECT_TRUE(f.log.close());
  EXPECT_FALSE(f.log.isOpen());
  EXPECT_TRUE(f.log.write("M", "lost\n"));
  EXPECT_EQ(f.body(), "kept\n");
}

TEST(LogCore, UnopenableFileFallsBackToStandardOutput) {
  qvo::Log log(false, false);
  log.activateModule("M", true);
  CaptureStderr();
  EXPECT_FALSE(log.open("no/such/folder/x.log", false));
  EXPECT_EQ(GetCapturedStderr(), "Fail to open/create log file no/such/folder/x.log\n");
  EXPECT_TRUE(log.isOpen());
  CaptureStdout();
  log.trace("M", "on stdout\n");
  EXPECT_EQ(GetCapturedStdout(), "on stdout\n");
  EXPECT_FALSE(log.open("", false));  // empty name: refused, output kept
  EXPECT_TRUE(log.isOpen());
}

TEST(LogCore, HandlesShareOneBackEnd) {
  qvo::Log a(false, false);
  qvo::Log b(a);
  qvo::Log c(false, false);
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a != c);
  b.activateModule("X", true);
  EXPECT_TRUE(a.isModuleTraced("X"));
  c = a;
  EXPECT_TRUE(c == a);
  EXPECT_TRUE(c.isModuleTraced("X"));
}

TEST(LogModules, LookupFallsBackToAllOnlyForAbsentNames) {
  qvo::Log log(false, false);
  EXPECT_FALSE(log.isModuleTraced("QVOFILE"));
  log.activateModule("OFF", false);
  log.activateModule("QVOFILE", true);
  EXPECT_TRUE(log.isModuleTraced("QVOFILE"));
  EXPECT_FALSE(log.isModuleTraced("qvofile"));  // case-sensitive
  EXPECT_FALSE(log.isModuleTraced("OTHER"));
  log.activateModule("ALL", true);
  EXPECT_TRUE(log.isModuleTraced("OTHER"));
  EXPECT_TRUE(log.isModuleTraced(""));
  EXPECT_FALSE(log.isModuleTraced("OFF"));  // switched off explicitly before "ALL": stays off
  log.activateModule("QVOFILE", false);
  EXPECT_FALSE(log.isModuleTraced("QVOFILE"));
  log.activateModule("ALL", false);
  EXPECT_FALSE(log.isModuleTraced("OTHER"));
}

// Short and long names, sharing slots: the check and the formatting trace forms (whose quick check
// leaves names outside their home slot to the full lookup) agree on every flag.
TEST(LogModules, ManyModulesKeepTheirOwnFlags) {
  qvo::Log log("many.log", false, false);
  auto name = [](int i) { return (i % 2 == 0 ? "MOD" : "A_MODULE_NAME_OVER_16_BYTES_") + std::to_string(i); };
  for (int i = 0; i < 500; ++i) log.activateModule(name(i), i % 3 == 0);
  for (int i = 0; i < 500; ++i) {
    EXPECT_EQ(log.isModuleTraced(name(i)), i % 3 == 0) << i;
    EXPECT_EQ(log.trace(name(i), 0, "f.cpp", 1, "%d", i), i % 3 == 0) << i;
    EXPECT_EQ(log.trace(name(i), "%d\n", i), i % 3 == 0) << i;
  }
  EXPECT_FALSE(log.isModuleTraced("MOD500"));
  EXPECT_FALSE(log.isModuleTraced("MOD0 "));
  EXPECT_FALSE(log.trace("MOD0 ", "x"));
  log.close();
  std::remove("many.log");
}

// EQVO_FLUSHLOG decides whether opening keeps an existing file.
TEST(LogFlushEnv, KeepsTheFileOnlyForNoLikeValues) {
  struct Case {
    char const* value;  // null: unset
    bool keeps;
  };
  std::string const tooLong(200, 'N');
  const Case cases[] = {{nullptr, false}, {"", false},   {"No", true},   {"false", true},
                        {"0", true},      {"n", true},   {"f", true},    {"Yes", false},
                        {"1", false},     {" N", false}, {tooLong.c_str(), false}};
  for (auto const& c : cases) {
    logtest::writeText("keep.log", "old content\n");
    logtest::setEnv("EQVO_FLUSHLOG", c.value);
    {
      qvo::Log log("keep.log", false, false);
      log.activateModule("ALL", true);
      log.write("M", "new\n");
    }
    std::string const all = readText("keep.log");
    std::string const header = "LogSwapCount\\[0\\] at " + kDatePattern + "\n";
    EXPECT_TRUE(matches(all, (c.keeps ? "old content\n" : "") + header + "new\n"))
        << (c.value ? c.value : "(unset)") << ": " << all;
  }
  logtest::setEnv("EQVO_FLUSHLOG", nullptr);
  std::remove("keep.log");
}

TEST(LogFlushEnv, AppendedFileCountsItsContentAgainstTheLimit) {
  logtest::writeText("count.log", std::string(80, 'o') + "\n");
  logtest::setEnv("EQVO_FLUSHLOG", "no");
  {
    qvo::Log log(false, false);
    log.setMaxFileSizeInByte(100);
    log.open("count.log", false);
    log.activateModule("ALL", true);
    log.write("M", std::string(30, 'x') + "\n");  // 81 + header + 31 is past 100: rolls over
  }
  logtest::setEnv("EQVO_FLUSHLOG", nullptr);
  EXPECT_EQ(readText("count_circ.log").substr(0, 81), std::string(80, 'o') + "\n");
  std::string const current = readText("count.log");
  EXPECT_TRUE(matches(current, "LogSwapCount\\[1\\] at " + kDatePattern + "\n" + std::string(30, 'x') + "\n")) << current;
  std::remove("count.log");
  std::remove("count_circ.log");
}

TEST(LogConfig, LinesSwitchModulesAndSetLimits) {
  logtest::writeText("cfg.txt",
                     "  QVOFILE  =  yes  \n"
                     "NET = no\n"
                     "DISK =\n"
                     "just a comment\n"
                     "OPT=Off\n"
                     "one\t=\t1\n"
                     "<threaded_log> = yes\n"
                     "<MAX_LOG_FILE_SIZE> = 4096kB\n"
                     "SAME=y\n"
                     "SAME=n");  // last line without a line feed
  qvo::Log log(false, false);
  EXPECT_TRUE(log.initTrace("cfg.txt"));
  EXPECT_TRUE(log.isModuleTraced("QVOFILE"));
  EXPECT_FALSE(log.isModuleTraced("NET"));
  EXPECT_FALSE(log.isModuleTraced("DISK"));
  EXPECT_FALSE(log.isModuleTraced("just a comment"));
  EXPECT_TRUE(log.isModuleTraced("OPT"));  // only the first character counts
  EXPECT_TRUE(log.isModuleTraced("one"));
  EXPECT_TRUE(log.isModuleTraced("<threaded_log>"));  // keys are case-sensitive: a module
  EXPECT_FALSE(log.isLogThreaded());
  EXPECT_EQ(log.getMaxFileSizeInByte(), 4096u);
  EXPECT_FALSE(log.isModuleTraced("SAME"));  // a later line replaces the flag
  std::remove("cfg.txt");
}

TEST(LogConfig, SettingsAndTheirErrors) {
  struct Case {
    char const* line;
    unsigned int size;    // limit afterwards
    char const* message;  // on standard error, "%s" standing for the file name
  };
  const Case cases[] = {
      {"<MAX_LOG_FILE_SIZE> = 4096", 4096u, ""},
      {"<MAX_LOG_FILE_SIZE>=big", 4294967196u,
       "Error in the trace config file, value is not an integer '<MAX_LOG_FILE_SIZE>=big' in : set.txt\n"},
      {"<MAX_LOG_FILE_SIZE> = 5", 4294967196u,
       "Try to set a max log file (5) too small (should be greater than 10). Operation ignored.\n"},
      {"<MAX_LOG_FILE_SIZE_BY_OS_RATIO> = 0.25 ", 1073741799u, ""},
      {"<MAX_LOG_FILE_SIZE_BY_OS_RATIO> = half", 4294967196u,
       "Error in the trace config file, value is not a double '<MAX_LOG_FILE_SIZE_BY_OS_RATIO> = half' in : set.txt\n"},
  };
  for (auto const& c : cases) {
    logtest::writeText("set.txt", std::string(c.line) + "\n");
    qvo::Log log(false, false);
    CaptureStderr();
    EXPECT_TRUE(log.initTrace("set.txt"));
    EXPECT_EQ(GetCapturedStderr(), c.message) << c.line;
    EXPECT_EQ(log.getMaxFileSizeInByte(), c.size) << c.line;
  }
  std::remove("set.txt");
}

TEST(LogConfig, ThreadedKeyStartsAndStopsTheWriter) {
  qvo::Log log(false, false);
  logtest::writeText("thr.txt", "<THREADED_LOG> = true\n");
  EXPECT_TRUE(log.initTrace("thr.txt"));
  EXPECT_TRUE(log.isLogThreaded());
  logtest::writeText("thr.txt", "<THREADED_LOG> = false\n");
  EXPECT_TRUE(log.initTrace("thr.txt"));
  EXPECT_FALSE(log.isLogThreaded());
  std::remove("thr.txt");
}

TEST(LogConfig, EmptyNameReadsQvotraceAndMissingFileFails) {
  std::remove("qvotrace.txt");
  qvo::Log log(false, false);
  EXPECT_FALSE(log.initTrace(""));
  EXPECT_FALSE(log.initTrace("missing.txt"));
  std::filesystem::create_directory("config_dir.d");
  EXPECT_FALSE(log.initTrace("config_dir.d"));  // a directory is no file to read
  std::filesystem::remove("config_dir.d");
  logtest::writeText("qvotrace.txt", "FROMDEFAULT = 1\n");
  EXPECT_TRUE(log.initTrace(""));
  EXPECT_TRUE(log.isModuleTraced("FROMDEFAULT"));
  std::remove("qvotrace.txt");
}

TEST(LogStream, EmitsOneRecordPerEndlWithCurrentAttributes) {
  FileLog f("stream.log");
  f.log.activateModule("ALL", false);
  {
    qvo::LogStream s(f.log, "NET", 0, "net.cpp", 7);
    s << "untraced";
    s.endl();
    f.log.activateModule("NET", true);
    s.err() << "lost " << 3 << ' ' << 2.5 << ' ' << true;
    s.endl();
    s.endl();  // a second record with an empty text
    s.warn().ln(8) << "pending";
  }  // the destructor emits the pending text once
  std::string const thr = R"( NET PID\(\d+\) THR\(MAIN\) : net\.cpp - )";
  EXPECT_TRUE(matches(f.body(), "\nERROR" + thr + "7 : " + kDatePattern + "\n\tlost 3 2.5 1\n" + "\nERROR" + thr +
                                    "7 : " + kDatePattern + "\n\t\n" + "\nWARNING" + thr + "8 : " + kDatePattern +
                                    "\n\tpending\n"))
      << f.body();
}

TEST(LogStream, WriteModeAndManipulatorsAndInputStreams) {
  FileLog f("stream2.log");
  qvo::LogStream s(f.log, "M", 1, "x.cpp", 3, false);
  EXPECT_FALSE(s.isTraceMode());
  std::istringstream in("  two words\n end");
  in.setf(std::ios::hex);
  s << in;
  EXPECT_EQ(in.flags() & std::ios::skipws, std::ios::skipws);  // flags restored
  EXPECT_EQ(s.str(), "  two words\n end");
  s << [](qvo::LogStream& st) -> qvo::LogStream& { return st.endl(); };
  EXPECT_EQ(s.str(), "");
  EXPECT_TRUE(matches(f.body(), R"(\nWARNING M PID\(\d+\) THR\(MAIN\) : x\.cpp - 3 : )" + kDatePattern +
                                    "\n\t  two words\n end\n"));
}

TEST(LogStream, CopiesShareLogAndAttributesButNotText) {
  qvo::Log log(false, false);
  qvo::LogStream a(log, "A", 2, "a.cpp", 5, false);
  a << "text";
  qvo::LogStream b(a);
  EXPECT_EQ(b.getModule(), "A");
  EXPECT_EQ(b.getMessageLevel(), 2);
  EXPECT_EQ(b.getSourceFile(), "a.cpp");
  EXPECT_EQ(b.getSourceFileLine(), 5);
  EXPECT_FALSE(b.isTraceMode());
  EXPECT_EQ(b.str(), "");
  EXPECT_TRUE(b.getLog() == log);
  qvo::LogStream c("C");
  c << "mine";
  c = a;
  EXPECT_EQ(c.getModule(), "A");
  EXPECT_EQ(c.str(), "mine");  // assignment keeps the collected text
  EXPECT_TRUE(c.getLog() == log);
  EXPECT_EQ(a.clean(), "text");
  EXPECT_EQ(a.str(), "");
  c.clean();
}

TEST(LogStream, FormattingStateIsForwardedAndPersists) {
  qvo::LogStream s("M");
  s.flags(0x7FFFFFFF);
  EXPECT_EQ(s.flags(), 0xFFFF);  // only the low 16 bits are kept
  s.flags(std::ios::dec | std::ios::skipws);
  s.setf(std::ios::hex, std::ios::basefield);
  s << 255;
  EXPECT_EQ(s.fill('*'), ' ');
  EXPECT_EQ(s.width(6), 0);
  s << 1;
  EXPECT_EQ(s.precision(3), 6);
  s << ' ' << 3.14159;
  s.unsetf(std::ios::hex);
  s << ' ' << 10;
  EXPECT_EQ(s.clean(), "ff*****1 3.14 10");
  EXPECT_EQ(s.precision(), 3);  // survives clean()
  EXPECT_EQ(s.fill(), '*');
}

TEST(LogStream, PrivateLogDropsEverything) {
  qvo::Log::instance().activateModule("PRIVATE", true);
  CaptureStdout();
  {
    qvo::LogStream s("PRIVATE");
    EXPECT_FALSE(s.getLog() == qvo::Log::instance());
    EXPECT_TRUE(s.getLog().isLogThreaded());
    s << "nowhere";
    s.endl();
  }
  EXPECT_EQ(GetCapturedStdout(), "");
  qvo::Log::instance().activateModule("PRIVATE", false);
}

// The process-wide log and the static API: kept in one test, since they change process-wide state.
TEST(LogStaticApi, ActsOnTheProcessWideLog) {
  qvo::Log& instance = qvo::Log::instance();
  EXPECT_TRUE(instance.isOpen());
  EXPECT_FALSE(instance.isLogThreaded());
  EXPECT_FALSE(CQVOLog::TraceModule("QVOFILE"));
  CaptureStdout();
  CQVOLog::Trace("QVOFILE", 0, "f.cpp", 1, "silent %d\n", 1);
  EXPECT_EQ(GetCapturedStdout(), "");

  logtest::writeText("qvotrace.txt", "ALL = yes\n");
  CQVOLog::InitTrace("");
  EXPECT_TRUE(CQVOLog::TraceModule(std::string("QVOFILE")));
  CaptureStdout();
  CQVOLog::Trace("QVOFILE", "plain %s", "text");
  CQVOLog::Trace("QVOFILE", qvo::TRACE_ERROR, "..\\src\\QVOFile", 12, "opened %s\n", "a");
  CQVOLog::Write(std::string("QVOFILE"), 2L, std::string("..\\src\\QVOFile"), 12, "opened %s\n", "a");
  std::string const out = GetCapturedStdout();
  std::string const record = R"(\nERROR QVOFILE PID\(\d+\) THR\(MAIN\) : \.\.\\src\\QVOFile - 12 : )" + kDatePattern +
                             "\n\topened a\n";
  EXPECT_TRUE(matches(out, "plain text" + record + record)) << out;

  // A log whose file cannot be opened does not become the process-wide one.
  CaptureStderr();
  CaptureStdout();
  {
    CQVOLog bad("no/such/folder/bad.log", false);
    EXPECT_FALSE(bad == qvo::Log::instance());
  }
  GetCapturedStdout();
  EXPECT_EQ(GetCapturedStderr(), "Fail to open/create log file no/such/folder/bad.log\n");

  // A CQVOLog that opens a file replaces it; the static calls follow it.
  {
    CQVOLog log("static.log", false);
    EXPECT_TRUE(log == qvo::Log::instance());
    log.activateModule("ALL", true);
    CQVOLog::Trace("QVOFILE", 0L, "f.cpp", 1, "to file\n");
    EXPECT_TRUE(log.Close());
  }
  EXPECT_TRUE(matches(readText("static.log"), "LogSwapCount\\[0\\] at " + kDatePattern + R"(\n\nINFO QVOFILE .*\n\tto file\n)"));
  EXPECT_TRUE(CQVOLog::TraceModule("QVOFILE"));

  // Back to standard output for the rest of the program; the static calls follow the new table.
  CQVOLog console("stdout", false);
  EXPECT_TRUE(console == qvo::Log::instance());
  EXPECT_FALSE(CQVOLog::TraceModule("QVOFILE"));
  std::remove("qvotrace.txt");
  std::remove("static.log");
}
