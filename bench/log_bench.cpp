// Benchmarks of the log against spdlog and against the floor of one system write per line (Linux:
// write(2); Windows: WriteFile).
//   Sync*:    a record written and flushed to the OS before the call returns (qvo write, and trace on
//             a log without writer thread; spdlog file sink flushed on every level).
//   Threaded: records handed to a writer thread, then a sync (qvo threaded trace + sync; spdlog async
//             logger, blocking on overflow, + flush and wait for its queue).
//   Disabled: a record of a switched-off module (spdlog: a call below the logger's level); the
//             SameLength case names a module as long as a switched-on one.
//   Off*:     switched-off records as applications write them: literals in the call (OffLiterals), module
//             and source built once as strings (OffStrings), the static face with a format
//             (OffStaticTrace), the module question alone (OffTraceModule, against should_log; on
//             Linux also POCO's logger.information(), glog's VLOG_IS_ON(1), log4cplus's isEnabledFor).
//   StaticWrite: a switched-on record through CQVOLog::Write against the member write of the same
//             log (the peer "member"): same file, same text.
//   Rollover: 64 MiB of flushed records through a size limit of 1 MiB with one backup (qvo's size limit;
//             spdlog's rotating file sink keeping one file, flushed on every level).
// Every case writes the same ~100-character text under a header of the same shape, 1 and 4 threads.
//
// On Linux the logs a team would pick instead stand beside these cases, each configured as its own
// documentation shows (the settings are in the legend main prints): POCO (Logger, FormattingChannel with
// a PatternFormatter, FileChannel; AsyncChannel for the writer thread), glog (LOG(INFO), no buffering),
// log4cplus (FileAppender with immediate flush, AsyncAppender, RollingFileAppender) and Boost.Log (a text
// file sink with auto flush, an asynchronous sink). Their lines carry the same fields as qvo's records
// where the library can print them (glog prints its own fixed prefix).
#include <benchmark/benchmark.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#if defined(QVO_BENCH_LIBRARY_PEERS)
#include <Poco/AsyncChannel.h>
#include <Poco/AutoPtr.h>
#include <Poco/FileChannel.h>
#include <Poco/FormattingChannel.h>
#include <Poco/Logger.h>
#include <Poco/PatternFormatter.h>
#include <glog/logging.h>
#include <log4cplus/asyncappender.h>
#include <log4cplus/fileappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <boost/log/attributes.hpp>
#include <boost/log/core.hpp>
#include <boost/log/expressions.hpp>
#include <boost/log/sinks.hpp>
#include <boost/log/sources/record_ostream.hpp>
#include <boost/log/sources/severity_logger.hpp>
#include <boost/log/support/date_time.hpp>
#include <boost/log/trivial.hpp>
#include <boost/log/utility/manipulators/add_value.hpp>
#include <boost/log/utility/setup/common_attributes.hpp>
#include <boost/log/utility/setup/file.hpp>
#include <boost/make_shared.hpp>

#include <filesystem>
#endif

#include "bench_main.h"
#include "QVOLog.h"

namespace {

std::string const kText =
    "request 4711 from 10.0.0.17 served in 1834 us, 512 bytes sent, cache hit, session 0x7f3a9c21 kept";
char const* const kSource = "bench.cpp";
constexpr long kLine = 42;
// spdlog's lines get the shape of qvo's records: level, logger, process and thread, source, time.
char const* const kSpdlogPattern = "\n%l %n PID(%P) THR(%t) : %s - %# : %d %b %Y %H:%M:%S.%e\n\t%v";
constexpr int kBatch = 1000;  // records per iteration of the threaded cases, each followed by a sync

// --- synchronous ------------------------------------------------------------------------------

std::unique_ptr<qvo::Log> g_qvo;
std::shared_ptr<spdlog::logger> g_spdlog;
std::string g_floorLine;

void qvoSyncSetUp(benchmark::State& state) {
  if (state.thread_index() != 0) return;
  g_qvo = std::make_unique<qvo::Log>("qvo_sync.log", false, false);
  g_qvo->activateModule("BENCH", true);
}

void qvoTearDown(benchmark::State& state) {
  if (state.thread_index() != 0) return;
  g_qvo.reset();
}

void BM_qvo_SyncWrite(benchmark::State& state) {
  qvoSyncSetUp(state);
  for (auto _ : state) g_qvo->write("BENCH", 0, kSource, kLine, kText);
  state.SetItemsProcessed(state.iterations());
  qvoTearDown(state);
}

void BM_qvo_SyncTrace(benchmark::State& state) {
  qvoSyncSetUp(state);
  for (auto _ : state) g_qvo->trace("BENCH", 0, kSource, kLine, kText);
  state.SetItemsProcessed(state.iterations());
  qvoTearDown(state);
}

void spdlogSync(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_spdlog = std::make_shared<spdlog::logger>(
        "BENCH", std::make_shared<spdlog::sinks::basic_file_sink_mt>("spdlog_sync.log", true));
    g_spdlog->set_pattern(kSpdlogPattern);
    g_spdlog->flush_on(spdlog::level::trace);
  }
  spdlog::source_loc const loc{kSource, static_cast<int>(kLine), "bench"};
  for (auto _ : state) g_spdlog->log(loc, spdlog::level::info, spdlog::string_view_t(kText));
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) g_spdlog.reset();
}

void BM_spdlog_SyncWrite(benchmark::State& state) { spdlogSync(state); }
void BM_spdlog_SyncTrace(benchmark::State& state) { spdlogSync(state); }

// One system write per line of the bytes of a qvo record: what any synchronous log must at least pay.
// The platform part opens the file for one run, writes the line once and closes the file.
std::string floorLine(char const* lineEnd) {
  return std::string(lineEnd) + "INFO BENCH PID(12345) THR(MAIN) : bench.cpp - 42 : 04 Dec 2026 16:03:46.007" +
         lineEnd + "\t" + kText + lineEnd;
}

#if defined(_WIN32)
// Windows: WriteFile on a file opened as the log opens its own, shared for reading and writing, with the
// line ends the log's text-mode file hands to the system (carriage return + line feed); or the line
// through the C runtime's text-mode descriptor, as the log writes its file, which turns each line feed
// into carriage return + line feed before its WriteFile.
enum class FloorCall { system, runtime };
HANDLE g_file = INVALID_HANDLE_VALUE;
int g_fd = -1;

void openFloor(FloorCall call) {
  if (call == FloorCall::runtime) {
    g_fd = ::_sopen("crtfloor.log", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    g_floorLine = floorLine("\n");
  } else {
    g_file = ::CreateFileA("floor.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    g_floorLine = floorLine("\r\n");
  }
}

bool writeFloor(FloorCall call) {
  if (call == FloorCall::runtime)
    return ::_write(g_fd, g_floorLine.data(), static_cast<unsigned>(g_floorLine.size())) >= 0;
  DWORD written = 0;
  return ::WriteFile(g_file, g_floorLine.data(), static_cast<DWORD>(g_floorLine.size()), &written, nullptr) != FALSE;
}

void closeFloor(FloorCall call) {
  if (call == FloorCall::runtime)
    ::_close(g_fd);
  else
    ::CloseHandle(g_file);
}
#else
enum class FloorCall { system };
int g_fd = -1;

void openFloor(FloorCall) {
  g_fd = ::open("floor.log", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  g_floorLine = floorLine("\n");
}

bool writeFloor(FloorCall) { return ::write(g_fd, g_floorLine.data(), g_floorLine.size()) >= 0; }

void closeFloor(FloorCall) { ::close(g_fd); }
#endif

// `lock`, when given, is taken around each write, so that the threads take turns.
void floorSync(benchmark::State& state, std::mutex* lock, FloorCall call = FloorCall::system) {
  if (state.thread_index() == 0) openFloor(call);
  for (auto _ : state) {
    std::unique_lock<std::mutex> hold;
    if (lock != nullptr) hold = std::unique_lock<std::mutex>(*lock);
    if (!writeFloor(call)) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) closeFloor(call);
}

std::mutex g_floorLock;  // taken by the peers whose threads take turns

void BM_floor_SyncWrite(benchmark::State& state) { floorSync(state, nullptr); }
void BM_floor_SyncTrace(benchmark::State& state) { floorSync(state, nullptr); }

// The floor with the one thing a log that keeps its lines in order adds to it: a lock around each write,
// so that threads take turns. Under Wine a turn that has to wait costs a request to Wine's server.
void BM_lockedfloor_SyncWrite(benchmark::State& state) { floorSync(state, &g_floorLock); }
void BM_lockedfloor_SyncTrace(benchmark::State& state) { floorSync(state, &g_floorLock); }
#if defined(_WIN32)
void BM_crtfloor_SyncWrite(benchmark::State& state) { floorSync(state, &g_floorLock, FloorCall::runtime); }
void BM_crtfloor_SyncTrace(benchmark::State& state) { floorSync(state, &g_floorLock, FloorCall::runtime); }
#endif

// --- threaded ---------------------------------------------------------------------------------

void BM_qvo_Threaded(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_qvo = std::make_unique<qvo::Log>("qvo_threaded.log", true, false);
    g_qvo->activateModule("BENCH", true);
  }
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) g_qvo->trace("BENCH", 0, kSource, kLine, kText);
    g_qvo->sync();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  qvoTearDown(state);
}

std::shared_ptr<spdlog::details::thread_pool> g_pool;
std::shared_ptr<spdlog::sinks::basic_file_sink_mt> g_sink;

void BM_spdlog_Threaded(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_pool = std::make_shared<spdlog::details::thread_pool>(8192, 1);
    g_sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>("spdlog_async.log", true);
    g_spdlog = std::make_shared<spdlog::async_logger>("BENCH", g_sink, g_pool, spdlog::async_overflow_policy::block);
    g_spdlog->set_pattern(kSpdlogPattern);
  }
  spdlog::source_loc const loc{kSource, static_cast<int>(kLine), "bench"};
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) g_spdlog->log(loc, spdlog::level::info, spdlog::string_view_t(kText));
    // An async flush only queues a request: wait until the worker has emptied the queue, then flush
    // the sink (its lock waits for the line being written).
    g_spdlog->flush();
    while (g_pool->queue_size() != 0) std::this_thread::yield();
    g_sink->flush();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  if (state.thread_index() == 0) {
    g_spdlog.reset();
    g_sink.reset();
    g_pool.reset();
  }
}

// --- switched off -----------------------------------------------------------------------------

// The module is switched off; NET and DISK are on. "BENCH" has a length no switched-on name has,
// "DISC" shares its length with DISK, so its check reads the name too.
void disabledWithQvo(benchmark::State& state, char const* name) {
  static qvo::Log log(false, false);
  log.activateModule("NET", true);
  log.activateModule("DISK", true);
  log.activateModule(name, false);
  std::string const module = name;
  // Built once, as spdlog's source location is.
  std::string const source = kSource;
  long i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(log.trace(module, 0, source, kLine, "request %ld: %s", ++i, kText.c_str()));
  state.SetItemsProcessed(state.iterations());
}

void BM_qvo_Disabled(benchmark::State& state) { disabledWithQvo(state, "BENCH"); }
void BM_qvo_DisabledSameLength(benchmark::State& state) { disabledWithQvo(state, "DISC"); }

void BM_spdlog_Disabled(benchmark::State& state) {
  static auto logger = std::make_shared<spdlog::logger>(
      "BENCH", std::make_shared<spdlog::sinks::basic_file_sink_mt>("spdlog_off.log", true));
  logger->set_level(spdlog::level::info);
  spdlog::source_loc const loc{kSource, static_cast<int>(kLine), "bench"};
  long i = 0;
  for (auto _ : state) {
    logger->log(loc, spdlog::level::debug, "request {}: {}", ++i, kText);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// --- switched off, as applications write the calls ------------------------------------------------

// A log like an application's: NET and DISK on, BENCH off; spdlog at level info, called at debug.
qvo::Log& offLog() {
  static qvo::Log log = [] {
    qvo::Log l(false, false);
    l.activateModule("NET", true);
    l.activateModule("DISK", true);
    l.activateModule("BENCH", false);
    return l;
  }();
  return log;
}

// The process-wide log, configured the same way (once, before the threads start).
void offProcessLog() {
  static bool const configured = [] {
    qvo::Log::instance().activateModule("NET", true);
    qvo::Log::instance().activateModule("DISK", true);
    qvo::Log::instance().activateModule("BENCH", false);
    return true;
  }();
  (void)configured;
}

std::shared_ptr<spdlog::logger> offSpdlog() {
  static auto logger = [] {
    auto l = std::make_shared<spdlog::logger>("BENCH",
                                              std::make_shared<spdlog::sinks::basic_file_sink_mt>("spdlog_off.log", true));
    l->set_level(spdlog::level::info);
    return l;
  }();
  return logger;
}

void BM_qvo_OffLiterals(benchmark::State& state) {
  qvo::Log& log = offLog();
  for (auto _ : state) benchmark::DoNotOptimize(log.trace("BENCH", 0L, "bench.cpp", 42L, kText));
  state.SetItemsProcessed(state.iterations());
}

void BM_spdlog_OffLiterals(benchmark::State& state) {
  auto const logger = offSpdlog();
  for (auto _ : state) {
    logger->log(spdlog::source_loc{"bench.cpp", 42, "bench"}, spdlog::level::debug, spdlog::string_view_t(kText));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_qvo_OffStrings(benchmark::State& state) {
  qvo::Log& log = offLog();
  std::string const module = "BENCH";
  std::string const source = kSource;
  for (auto _ : state) benchmark::DoNotOptimize(log.trace(module, 0L, source, kLine, kText));
  state.SetItemsProcessed(state.iterations());
}

void BM_spdlog_OffStrings(benchmark::State& state) {
  auto const logger = offSpdlog();
  spdlog::source_loc const loc{kSource, static_cast<int>(kLine), "bench"};
  for (auto _ : state) {
    logger->log(loc, spdlog::level::debug, spdlog::string_view_t(kText));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_qvo_OffStaticTrace(benchmark::State& state) {
  offProcessLog();
  int i = 0;
  for (auto _ : state) {
    CQVOLog::Trace("BENCH", "%d %s", ++i, "x");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_spdlog_OffStaticTrace(benchmark::State& state) {
  auto const logger = offSpdlog();
  int i = 0;
  for (auto _ : state) {
    logger->log(spdlog::source_loc{"bench.cpp", 42, "bench"}, spdlog::level::debug, "{} {}", ++i, "x");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_qvo_OffTraceModule(benchmark::State& state) {
  offProcessLog();
  for (auto _ : state) benchmark::DoNotOptimize(CQVOLog::TraceModule("BENCH"));
  state.SetItemsProcessed(state.iterations());
}

void BM_spdlog_OffTraceModule(benchmark::State& state) {
  auto const logger = offSpdlog();
  for (auto _ : state) benchmark::DoNotOptimize(logger->should_log(spdlog::level::debug));
  state.SetItemsProcessed(state.iterations());
}

// --- switched on: the static face against the member call ---------------------------------------

#define QVO_BENCH_TEXT \
  "request 4711 from 10.0.0.17 served in 1834 us, 512 bytes sent, cache hit, session 0x7f3a9c21 kept"

std::unique_ptr<CQVOLog> g_static;

void staticSetUp(benchmark::State& state) {
  if (state.thread_index() != 0) return;
  g_static = std::make_unique<CQVOLog>("qvo_static.log", false);
  g_static->activateModule("BENCH", true);
}

void staticTearDown(benchmark::State& state) {
  if (state.thread_index() != 0) return;
  // Back to a console log, so the file's back-end goes with the case.
  CQVOLog console("stdout", false);
  g_static.reset();
}

void BM_qvo_StaticWrite(benchmark::State& state) {
  staticSetUp(state);
  for (auto _ : state) CQVOLog::Write("BENCH", 0L, "bench.cpp", 42L, QVO_BENCH_TEXT);
  state.SetItemsProcessed(state.iterations());
  staticTearDown(state);
}

void BM_member_StaticWrite(benchmark::State& state) {
  staticSetUp(state);
  for (auto _ : state) g_static->write("BENCH", 0L, "bench.cpp", 42L, kText);
  state.SetItemsProcessed(state.iterations());
  staticTearDown(state);
}


#if defined(QVO_BENCH_LIBRARY_PEERS)
// --- the logs a team would pick instead (Linux) -----------------------------------------------------

// Each peer's lines get the shape of qvo's records where its pattern can say it: an empty line, level,
// logger, process and thread, source and line, local time with milliseconds, then the text after a tab.
char const* const kPocoPattern = "\n%p %s PID(%P) THR(%I) : %U - %u : %d %b %Y %H:%M:%S.%i\n\t%t";
char const* const kLog4cplusPattern = "%n%p %c PID(%i) THR(%t) : %b - %L : %D{%d %b %Y %H:%M:%S.%q}%n\t%m%n";
std::string const kSourceText = kSource;
constexpr std::size_t kRollLimit = std::size_t{1} << 20;  // bytes per file before it becomes the backup
constexpr std::size_t kRollTotal = std::size_t{64} << 20;  // bytes written by one iteration, all threads

// Records of one rollover iteration for each of the case's threads: 64 MiB of records of qvo's size.
long rollRecords(benchmark::State const& state) {
  return static_cast<long>(kRollTotal / floorLine("\n").size()) / state.threads();
}

void removeFile(std::string const& name) {
  std::error_code ignored;
  std::filesystem::remove(name, ignored);
}

// Records handed to the file by the peers' writer threads, counted by their file channel or appender,
// so that a thread can wait until everything it posted is in the file: what qvo's sync() does.
std::atomic<long> g_posted{0};
std::atomic<long> g_written{0};

void waitUntilWritten(long posted) {
  while (g_written.load(std::memory_order_acquire) < posted) std::this_thread::yield();
}

// ---- POCO

// A FileChannel that counts the records it has written (it flushes each, its default).
class CountingFileChannel : public Poco::FileChannel {
 public:
  using Poco::FileChannel::FileChannel;
  void log(Poco::Message const& message) override {
    Poco::FileChannel::log(message);
    g_written.fetch_add(1, std::memory_order_release);
  }
};

// Logger "BENCH" at level information, writing through a PatternFormatter (local times) into `file`.
Poco::Logger& pocoLogger(Poco::AutoPtr<Poco::FileChannel> file, bool async) {
  file->setProperty("flush", "true");
  Poco::AutoPtr<Poco::PatternFormatter> format(new Poco::PatternFormatter(kPocoPattern));
  format->setProperty("times", "local");
  Poco::Channel::Ptr channel(new Poco::FormattingChannel(format, file));
  if (async) channel = new Poco::AsyncChannel(channel);
  channel->open();
  Poco::Logger& logger = Poco::Logger::get("BENCH");
  logger.setChannel(channel);
  logger.setLevel(Poco::Message::PRIO_INFORMATION);
  return logger;
}

void pocoTearDown() {
  Poco::Logger& logger = Poco::Logger::get("BENCH");
  if (logger.getChannel()) logger.getChannel()->close();  // an AsyncChannel writes its queue first
  logger.setChannel(nullptr);
}

Poco::Logger* g_poco = nullptr;

void pocoSync(benchmark::State& state) {
  if (state.thread_index() == 0) {
    removeFile("poco_sync.log");
    g_poco = &pocoLogger(new Poco::FileChannel("poco_sync.log"), false);
  }
  for (auto _ : state) g_poco->information(kText, kSource, static_cast<int>(kLine));
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) pocoTearDown();
}

void BM_poco_Threaded(benchmark::State& state) {
  if (state.thread_index() == 0) {
    removeFile("poco_async.log");
    g_posted = 0;
    g_written = 0;
    g_poco = &pocoLogger(new CountingFileChannel("poco_async.log"), true);
  }
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) g_poco->information(kText, kSource, static_cast<int>(kLine));
    waitUntilWritten(g_posted.fetch_add(kBatch) + kBatch);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  if (state.thread_index() == 0) pocoTearDown();
}

// Rotation by size into one numbered archive (poco_roll.log.0), the older one purged.
void BM_poco_Rollover(benchmark::State& state) {
  if (state.thread_index() == 0) {
    removeFile("poco_roll.log");
    Poco::AutoPtr<Poco::FileChannel> file(new Poco::FileChannel("poco_roll.log"));
    file->setProperty("rotation", "1 M");
    file->setProperty("archive", "number");
    file->setProperty("purgeCount", "1");
    g_poco = &pocoLogger(file, false);
  }
  long const records = rollRecords(state);
  for (auto _ : state) {
    for (long i = 0; i < records; ++i) g_poco->information(kText, kSource, static_cast<int>(kLine));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRollTotal) / state.threads());
  if (state.thread_index() == 0) {
    pocoTearDown();
    removeFile("poco_roll.log.0");
  }
}

// A record below the logger's level (warning), in POCO's macro form; its debug macros are compiled
// out of release builds, so the record is one of level information.
void BM_poco_Disabled(benchmark::State& state) {
  static Poco::Logger& logger = [] () -> Poco::Logger& {
    Poco::Logger& l = Poco::Logger::get("BENCH_OFF");
    l.setLevel(Poco::Message::PRIO_WARNING);
    return l;
  }();
  long i = 0;
  for (auto _ : state) {
    poco_information_f2(logger, "request %ld: %s", ++i, kText);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// The level check alone, as the switched-off record's macro makes it before anything else.
void BM_poco_OffTraceModule(benchmark::State& state) {
  Poco::Logger& logger = Poco::Logger::get("BENCH_OFF");
  logger.setLevel(Poco::Message::PRIO_WARNING);
  for (auto _ : state) benchmark::DoNotOptimize(logger.information());
  state.SetItemsProcessed(state.iterations());
}

// ---- glog: one log for the process, set up in main (no buffering, files named glog_sync.log.*)

void glogSync(benchmark::State& state) {
  for (auto _ : state) LOG(INFO) << kText;
  state.SetItemsProcessed(state.iterations());
}

// A verbose record above the verbosity in force (--v=0): glog's usual switched-off record.
void BM_glog_Disabled(benchmark::State& state) {
  long i = 0;
  for (auto _ : state) {
    VLOG(1) << "request " << ++i << ": " << kText;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_glog_OffTraceModule(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(VLOG_IS_ON(1));
  state.SetItemsProcessed(state.iterations());
}

// ---- log4cplus

// A FileAppender that counts the records it has written (each flushed at once, its default).
class CountingFileAppender : public log4cplus::FileAppender {
 public:
  using log4cplus::FileAppender::FileAppender;

 protected:
  void append(log4cplus::spi::InternalLoggingEvent const& event) override {
    log4cplus::FileAppender::append(event);
    g_written.fetch_add(1, std::memory_order_release);
  }
};

log4cplus::Logger log4cplusLogger(log4cplus::SharedAppenderPtr appender, bool async) {
  appender->setLayout(std::make_unique<log4cplus::PatternLayout>(kLog4cplusPattern));
  if (async) appender = log4cplus::SharedAppenderPtr(new log4cplus::AsyncAppender(appender, 8192));
  log4cplus::Logger logger = log4cplus::Logger::getInstance("BENCH");
  logger.setAdditivity(false);
  logger.setLogLevel(log4cplus::INFO_LOG_LEVEL);
  logger.addAppender(appender);
  return logger;
}

void log4cplusTearDown() {
  log4cplus::Logger logger = log4cplus::Logger::getInstance("BENCH");
  for (auto& appender : logger.getAllAppenders()) appender->close();  // an AsyncAppender writes its queue first
  logger.removeAllAppenders();
}

log4cplus::Logger g_log4cplus;

void log4cplusSync(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_log4cplus = log4cplusLogger(log4cplus::SharedAppenderPtr(new log4cplus::FileAppender("log4cplus_sync.log")), false);
  }
  for (auto _ : state) LOG4CPLUS_INFO_STR(g_log4cplus, kText);
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) log4cplusTearDown();
}

void BM_log4cplus_Threaded(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_posted = 0;
    g_written = 0;
    g_log4cplus = log4cplusLogger(log4cplus::SharedAppenderPtr(new CountingFileAppender("log4cplus_async.log")), true);
  }
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) LOG4CPLUS_INFO_STR(g_log4cplus, kText);
    waitUntilWritten(g_posted.fetch_add(kBatch) + kBatch);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  if (state.thread_index() == 0) log4cplusTearDown();
}

// One backup (log4cplus_roll.log.1), immediate flush.
void BM_log4cplus_Rollover(benchmark::State& state) {
  if (state.thread_index() == 0) {
    removeFile("log4cplus_roll.log");
    g_log4cplus = log4cplusLogger(log4cplus::SharedAppenderPtr(new log4cplus::RollingFileAppender(
                                      "log4cplus_roll.log", static_cast<long>(kRollLimit), 1, true)),
                                  false);
  }
  long const records = rollRecords(state);
  for (auto _ : state) {
    for (long i = 0; i < records; ++i) LOG4CPLUS_INFO_STR(g_log4cplus, kText);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRollTotal) / state.threads());
  if (state.thread_index() == 0) {
    log4cplusTearDown();
    removeFile("log4cplus_roll.log.1");
  }
}

void BM_log4cplus_Disabled(benchmark::State& state) {
  static log4cplus::Logger const logger = [] {
    log4cplus::Logger l = log4cplus::Logger::getInstance("BENCH_OFF");
    l.setLogLevel(log4cplus::INFO_LOG_LEVEL);
    return l;
  }();
  long i = 0;
  for (auto _ : state) {
    LOG4CPLUS_DEBUG(logger, "request " << ++i << ": " << kText);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_log4cplus_OffTraceModule(benchmark::State& state) {
  log4cplus::Logger logger = log4cplus::Logger::getInstance("BENCH_OFF");
  logger.setLogLevel(log4cplus::INFO_LOG_LEVEL);
  for (auto _ : state) benchmark::DoNotOptimize(logger.isEnabledFor(log4cplus::DEBUG_LOG_LEVEL));
  state.SetItemsProcessed(state.iterations());
}

// ---- Boost.Log: a severity logger shared by the threads, the common attributes, a filter at info

namespace blog = boost::log;
using BoostLogger = blog::sources::severity_logger_mt<blog::trivial::severity_level>;

BoostLogger& boostLogger() {
  static BoostLogger logger;
  return logger;
}

void boostRecord() {
  BOOST_LOG_SEV(boostLogger(), blog::trivial::info)
      << blog::add_value("File", kSourceText) << blog::add_value("Line", kLine) << kText;
}

auto boostFormat() {
  namespace expr = blog::expressions;
  return expr::stream << "\n" << blog::trivial::severity << " BENCH PID("
                      << expr::attr<blog::attributes::current_process_id::value_type>("ProcessID") << ") THR("
                      << expr::attr<blog::attributes::current_thread_id::value_type>("ThreadID") << ") : "
                      << expr::attr<std::string>("File") << " - " << expr::attr<long>("Line") << " : "
                      << expr::format_date_time<boost::posix_time::ptime>("TimeStamp", "%d %b %Y %H:%M:%S.%f")
                      << "\n\t" << expr::smessage;
}

void boostlogSync(benchmark::State& state) {
  static boost::shared_ptr<blog::sinks::synchronous_sink<blog::sinks::text_file_backend>> sink;
  if (state.thread_index() == 0) {
    sink = blog::add_file_log(blog::keywords::file_name = "boostlog_sync.log", blog::keywords::auto_flush = true,
                              blog::keywords::format = boostFormat());
  }
  for (auto _ : state) boostRecord();
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    blog::core::get()->remove_sink(sink);
    sink.reset();
  }
}

// The asynchronous sink's own thread writes the records; flush() waits until it has written them all.
void BM_boostlog_Threaded(benchmark::State& state) {
  using Sink = blog::sinks::asynchronous_sink<blog::sinks::text_file_backend>;
  static boost::shared_ptr<Sink> sink;
  if (state.thread_index() == 0) {
    auto backend = boost::make_shared<blog::sinks::text_file_backend>();
    backend->set_file_name_pattern("boostlog_async.log");
    sink = boost::make_shared<Sink>(backend);
    sink->set_formatter(boostFormat());
    blog::core::get()->add_sink(sink);
  }
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) boostRecord();
    sink->flush();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  if (state.thread_index() == 0) {
    blog::core::get()->remove_sink(sink);
    sink->stop();
    sink->flush();
    sink.reset();
  }
}

void BM_boostlog_Disabled(benchmark::State& state) {
  long i = 0;
  for (auto _ : state) {
    BOOST_LOG_SEV(boostLogger(), blog::trivial::debug) << "request " << ++i << ": " << kText;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// The flushed record of every peer, beside both of qvo's flushed forms.
void BM_poco_SyncWrite(benchmark::State& state) { pocoSync(state); }
void BM_poco_SyncTrace(benchmark::State& state) { pocoSync(state); }
void BM_glog_SyncWrite(benchmark::State& state) { glogSync(state); }
void BM_glog_SyncTrace(benchmark::State& state) { glogSync(state); }
void BM_log4cplus_SyncWrite(benchmark::State& state) { log4cplusSync(state); }
void BM_log4cplus_SyncTrace(benchmark::State& state) { log4cplusSync(state); }
void BM_boostlog_SyncWrite(benchmark::State& state) { boostlogSync(state); }
void BM_boostlog_SyncTrace(benchmark::State& state) { boostlogSync(state); }

// ---- spdlog's rotating sink, and qvo's size limit

void BM_spdlog_Rollover(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_spdlog = std::make_shared<spdlog::logger>(
        "BENCH", std::make_shared<spdlog::sinks::rotating_file_sink_mt>("spdlog_roll.log", kRollLimit, 1, false));
    g_spdlog->set_pattern(kSpdlogPattern);
    g_spdlog->flush_on(spdlog::level::trace);
  }
  spdlog::source_loc const loc{kSource, static_cast<int>(kLine), "bench"};
  long const records = rollRecords(state);
  for (auto _ : state) {
    for (long i = 0; i < records; ++i) g_spdlog->log(loc, spdlog::level::info, spdlog::string_view_t(kText));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRollTotal) / state.threads());
  if (state.thread_index() == 0) {
    g_spdlog.reset();
    removeFile("spdlog_roll.log");
    removeFile("spdlog_roll.1.log");
  }
}

void BM_qvo_Rollover(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_qvo = std::make_unique<qvo::Log>("qvo_roll.log", false, false);
    g_qvo->setMaxFileSizeInByte(static_cast<unsigned int>(kRollLimit));
    g_qvo->activateModule("BENCH", true);
  }
  long const records = rollRecords(state);
  for (auto _ : state) {
    for (long i = 0; i < records; ++i) g_qvo->write("BENCH", 0, kSource, kLine, kText);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRollTotal) / state.threads());
  if (state.thread_index() == 0) {
    g_qvo.reset();
    removeFile("qvo_roll.log");
    removeFile("qvo_roll_circ.log");
  }
}
#endif  // QVO_BENCH_LIBRARY_PEERS

}  // namespace

BENCHMARK(BM_qvo_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_floor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_lockedfloor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
#if defined(_WIN32)
BENCHMARK(BM_crtfloor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
#endif
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_glog_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_log4cplus_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_boostlog_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_floor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_lockedfloor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
#if defined(_WIN32)
BENCHMARK(BM_crtfloor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
#endif
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_glog_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_log4cplus_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_boostlog_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_Threaded)->Threads(1)->Threads(4)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_log4cplus_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_boostlog_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_qvo_Rollover)->Threads(1)->Threads(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_spdlog_Rollover)->Threads(1)->Threads(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_poco_Rollover)->Threads(1)->Threads(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_log4cplus_Rollover)->Threads(1)->Threads(4)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
BENCHMARK(BM_qvo_Disabled)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_Disabled)->Threads(1)->Threads(4)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_Disabled)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_glog_Disabled)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_log4cplus_Disabled)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_boostlog_Disabled)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_DisabledSameLength)->Threads(1)->Threads(4)->UseRealTime();
// The same spdlog call: below the level, whatever the logger's name.
BENCHMARK(BM_spdlog_Disabled)->Name("BM_spdlog_DisabledSameLength")->Threads(1)->Threads(4)->UseRealTime();

BENCHMARK(BM_qvo_OffLiterals)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_OffLiterals)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_qvo_OffStrings)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_OffStrings)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_qvo_OffStaticTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_OffStaticTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_qvo_OffTraceModule)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_OffTraceModule)->Threads(1)->Threads(4)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_OffTraceModule)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_glog_OffTraceModule)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_log4cplus_OffTraceModule)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_StaticWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_member_StaticWrite)->Threads(1)->Threads(4)->UseRealTime();

int main(int argc, char** argv) {
#if defined(_WIN32)
  char const* const floor = "one WriteFile per line";
#else
  char const* const floor = "one write(2) per line";
#endif
#if defined(QVO_BENCH_LIBRARY_PEERS)
  // glog: one process-wide log, INFO records into glog_sync.log.<time>.<pid> in the working folder, every
  // record flushed (no buffering), nothing on standard error, verbose records off.
  google::InitGoogleLogging(argv[0]);
  FLAGS_logbuflevel = -1;
  FLAGS_logtostderr = false;
  FLAGS_alsologtostderr = false;
  FLAGS_stderrthreshold = google::GLOG_FATAL;
  FLAGS_v = 0;
  google::SetLogDestination(google::GLOG_INFO, "glog_sync.log.");
  google::SetLogDestination(google::GLOG_WARNING, "");
  google::SetLogDestination(google::GLOG_ERROR, "");
  google::SetLogDestination(google::GLOG_FATAL, "");
  log4cplus::Initializer log4cplusInitializer;
  blog::add_common_attributes();
  blog::core::get()->set_filter(blog::trivial::severity >= blog::trivial::info);
  int const result = runBenchmarks(
      argc, argv,
      {{"floor", floor},
       {"lockedfloor", "the floor's write under a std::mutex, so that threads take turns"},
       {"member", "the same log's member write"},
       {"spdlog", "spdlog 1.10 (Debian): basic_file_sink_mt flushed on every level; async_logger (queue "
                  "8192, one worker, block on overflow) + flush; rotating_file_sink_mt (1 MiB, 1 file kept); "
                  "a call below level info"},
       {"poco", "POCO 1.11: Logger + FormattingChannel(PatternFormatter, local times) + FileChannel "
                "(flush=true); AsyncChannel in front of the same (waited for until its thread has written "
                "every record); FileChannel rotation=1 M, archive=number, purgeCount=1; off: "
                "poco_information_f2 on a logger at level warning"},
       {"glog", "glog 0.6: LOG(INFO) << text, logbuflevel=-1 (no buffering), its own line prefix; off: VLOG(1) "
                "with v=0"},
       {"log4cplus", "log4cplus 2.0: LOG4CPLUS_INFO_STR into a FileAppender (immediateFlush=true) with a "
                     "PatternLayout; AsyncAppender (queue 8192) in front of the same (waited for until it has "
                     "written every record); RollingFileAppender (1 MiB, maxBackupIndex=1, immediate flush); "
                     "off: LOG4CPLUS_DEBUG on a logger at level INFO"},
       {"boostlog", "Boost.Log 1.74: severity_logger_mt + common attributes, add_file_log(auto_flush=true) with "
                    "a format of the same fields; asynchronous_sink<text_file_backend> + flush(); off: "
                    "BOOST_LOG_SEV at debug under a core filter at info"}});
  google::ShutdownGoogleLogging();
  // glog's files and its link named for the program.
  std::error_code error;
  for (auto const& entry : std::filesystem::directory_iterator(".", error)) {
    std::string const name = entry.path().filename().string();
    if (name.rfind("glog_sync.log.", 0) == 0 || name.rfind("log_bench.", 0) == 0) removeFile(entry.path().string());
  }
  return result;
#else
  return runBenchmarks(argc, argv,
                       {{"floor", floor},
                        {"lockedfloor", "the floor's write under a std::mutex, so that threads take turns"},
#if defined(_WIN32)
                        {"crtfloor", "lockedfloor through the runtime's text-mode _write, as the log's file"},
#endif
                        {"member", "the same log's member write"}});
#endif
}
