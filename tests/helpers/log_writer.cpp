// Helper of the tools' tests: writes a log with the library, in the pattern the tests check.
//
//   log_writer FILE RECORDS THREADS LIMIT PAUSE_US [ENDING]
//     RECORDS numbered records on a threaded log of FILE, thread t writing the numbers n with
//     n % THREADS == t in order (one thread: the main thread writes them); record n has module NET
//     when n is odd and APP otherwise, level n % 5 - 1, source "writer.cpp", line n, and the text
//     "record <n>", with a second line "  more of <n>" when n % 7 == 6.
//     LIMIT: the file size limit (0: none); PAUSE_US: a pause after each record of a thread.
//     ENDING: exit (default); abort (the process aborts once every record is posted: a crash
//     ending); long (after the records, one record longer than the limit, which the log cuts);
//     reopen (after half of the records and a pause of 500 ms, the log opens FILE again, emptied).
// Exit code 0; 2 on bad arguments.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "QVOLog.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

void writeRecord(qvo::Log& log, long n) {
  std::string text = "record " + std::to_string(n);
  if (n % 7 == 6) text += "\n  more of " + std::to_string(n);
  log.trace(n % 2 == 1 ? "NET" : "APP", n % 5 - 1, "writer.cpp", n, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return 2;
  std::string const file = argv[1];
  long const records = std::atol(argv[2]);
  long const threads = std::atol(argv[3]);
  unsigned long const limit = std::strtoul(argv[4], nullptr, 10);
  long const pauseUs = std::atol(argv[5]);
  std::string const ending = argc > 6 ? argv[6] : "exit";
  if (threads < 1) return 2;
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#else
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);  // the abort leaves no core file
#endif

  qvo::Log log(file, true, false);
  if (limit > 0) log.setMaxFileSizeInByte(static_cast<unsigned int>(limit));
  log.activateModule("APP", true);
  log.activateModule("NET", true);
  auto pause = [pauseUs] {
    if (pauseUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
  };
  auto writeRange = [&](long from, long to) {
    if (threads == 1) {
      for (long n = from; n < to; ++n, pause()) writeRecord(log, n);
      return;
    }
    std::vector<std::thread> writers;
    for (long t = 0; t < threads; ++t)
      writers.emplace_back([&, t] {
        for (long n = from + t; n < to; n += threads, pause()) writeRecord(log, n);
      });
    for (std::thread& w : writers) w.join();
  };

  if (ending == "reopen") {
    long const half = records / 2 / threads * threads;
    writeRange(0, half);
    log.sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    log.open("stdout");
    log.open(file);  // emptied, with a new header
    writeRange(half, records);
  } else {
    writeRange(0, records);
  }
  if (ending == "long") log.trace("APP", 2, "writer.cpp", 0, std::string(limit + 50, 'x'));
  if (ending == "abort") std::abort();
  return 0;
}
