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
//             (OffStaticTrace), the module question alone (OffTraceModule, against should_log).
//   StaticWrite: a switched-on record through CQVOLog::Write against the member write of the same
//             log (the peer "member"): same file, same text.
// Every case writes the same ~100-character text under a header of the same shape, 1 and 4 threads.
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

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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

}  // namespace

BENCHMARK(BM_qvo_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_floor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_lockedfloor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
#if defined(_WIN32)
BENCHMARK(BM_crtfloor_SyncWrite)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_floor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_lockedfloor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
#if defined(_WIN32)
BENCHMARK(BM_crtfloor_SyncTrace)->Threads(1)->Threads(4)->UseRealTime();
#endif
BENCHMARK(BM_qvo_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_Threaded)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_qvo_Disabled)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_spdlog_Disabled)->Threads(1)->Threads(4)->UseRealTime();
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
BENCHMARK(BM_qvo_StaticWrite)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_member_StaticWrite)->Threads(1)->Threads(4)->UseRealTime();

int main(int argc, char** argv) {
#if defined(_WIN32)
  char const* const floor = "one WriteFile per line";
#else
  char const* const floor = "one write(2) per line";
#endif
  return runBenchmarks(argc, argv,
                       {{"floor", floor},
                        {"lockedfloor", "the floor's write under a std::mutex, so that threads take turns"},
#if defined(_WIN32)
                        {"crtfloor", "lockedfloor through the runtime's text-mode _write, as the log's file"},
#endif
                        {"member", "the same log's member write"}});
}
