// Helper of the log crash tests: a threaded log on the file argv[1], held back by a writer hook, gets
// 10,000 numbered records from 4 threads, then the process ends in the way argv[2] names:
//   segv (a write to an unmapped address), ill (an invalid instruction), fpe (an integer division by
//   zero), bus (raise), abort, terminate (an uncaught exception), own (a handler installed before the
//   log writes the marker file argv[1] + ".own", then the write fault), writer (a write fault inside
//   the writer thread while it holds taken lines, once every record is posted).
// argv[3], when given, is a configuration file read by the log before posting.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "QVOLog.h"
#include "log/crash_guard.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

constexpr int kThreads = 4;
constexpr int kPerThread = 2500;

std::atomic<bool> g_posted{false};
std::atomic<int> g_hookCalls{0};
bool g_faultInWriter = false;
std::string g_marker;
volatile std::uintptr_t g_unmapped = 16;

// Out of the sanitizers' sight, so that the fault itself is what ends the process.
#if defined(__GNUC__) && !defined(_WIN32)
__attribute__((no_sanitize_undefined, noinline))
#endif
void writeFault() {
  *reinterpret_cast<int volatile*>(g_unmapped) = 1;
}

#if defined(__GNUC__) && !defined(_WIN32)
__attribute__((no_sanitize_undefined, noinline))
#endif
int divideByZero() {
  volatile int one = 1, zero = 0;  // both unknown, so the division is a real one
  return one / zero;
}

// Before each block the writer takes: a pause, so that posting outruns writing. The writer writes two
// blocks at most: it holds its third until every record is posted and then faults (the writer case) or
// waits for the end of the process, so that records are always still queued or held when the process
// ends, however fast the writer would be on this machine.
void slowWriter() {
  int const call = ++g_hookCalls;
  if (call >= 3) {
    while (!g_posted.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (g_faultInWriter) writeFault();
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

#ifdef _WIN32
LONG WINAPI ownFilter(EXCEPTION_POINTERS*) {
  HANDLE file = CreateFileA(g_marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(file, "own handler ran\n", 16, &n, nullptr);
  CloseHandle(file);
  return EXCEPTION_CONTINUE_SEARCH;
}
void installOwnHandler() { SetUnhandledExceptionFilter(&ownFilter); }
#else
void ownHandler(int sig) {
  int fd = open(g_marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    ssize_t n = write(fd, "own handler ran\n", 16);
    (void)n;
    close(fd);
  }
  std::signal(sig, SIG_DFL);  // the fault comes back on return and ends the process
}
void installOwnHandler() { std::signal(SIGSEGV, &ownHandler); }
#endif

[[noreturn]] void throwUncaught() { throw std::runtime_error("nobody catches this"); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string const crash = argv[2];
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#else
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);  // no core file left behind
#endif
  g_marker = std::string(argv[1]) + ".own";
  if (crash == "own") installOwnHandler();
  g_faultInWriter = crash == "writer";
  qvo::detail::setLogWriterHook(&slowWriter);

  qvo::Log log(argv[1], true, false);
  if (argc > 3) log.initTrace(argv[3]);
  log.activateModule("CRASH", true);
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&log, t] {
      for (int i = 0; i < kPerThread; ++i) log.trace("CRASH", 0, "crash.cpp", i, "thread %d record %d", t, i);
    });
  for (std::thread& p : posters) p.join();
  g_posted.store(true);

  if (crash == "segv" || crash == "own") writeFault();
  if (crash == "ill") __builtin_trap();
  if (crash == "fpe") return divideByZero();
#ifdef SIGBUS
  if (crash == "bus") std::raise(SIGBUS);
#endif
  if (crash == "abort") std::abort();
  if (crash == "terminate") throwUncaught();
  if (crash == "writer")
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  return 2;
}
