// Tour chapter: the log: the process-wide log on standard output and on a file, module switches, a
// configuration file, a threaded log, a file rolling over into its backup, and a LogStream record.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "QVOBase.h"
#include "tour.h"

namespace {

namespace fs = std::filesystem;

// The first two lines of a file, joined with " / ".
std::string firstLines(fs::path const& file) {
  std::ifstream in(file);
  std::string first, second;
  std::getline(in, first);
  std::getline(in, second);
  return first + " / " + second;
}

void printFile(fs::path const& file) {
  std::printf("--- %s ---\n", file.filename().string().c_str());
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) std::printf("| %s\n", line.c_str());
}

void run(std::vector<std::string> const&) {
  fs::path const dir = fs::absolute("tour-log");
  fs::remove_all(dir);
  fs::create_directories(dir);

  // 1. The process-wide log: standard output until told otherwise, and silent until a module is on.
  std::printf("Process-wide log on %s; no module is switched on yet (QVOFILE traced: %s)\n",
              qvo::Log::COutFilename().c_str(), CQVOLog::TraceModule("QVOFILE") ? "yes" : "no");
  qvo::Log::instance().activateModule("NET", true);
  qvo::Log::instance().activateModule("DISK", false);
  std::fflush(stdout);
  CQVOLog::Write("NET", qvo::TRACE_INFO, "tour_log.cpp", __LINE__, "connected to %s:%d", "10.0.0.7", 8080);
  CQVOLog::Write("DISK", qvo::TRACE_ERROR, "tour_log.cpp", __LINE__, "not shown: DISK is off");
  std::printf("(one NET record above; the DISK record was dropped)\n");

  // The same static calls, now into a file that replaces the process-wide log.
  fs::path const appLog = dir / "app.log";
  std::printf("Now into app.log, with every module switched on but DISK (QVOFILE included):\n");
  {
    CQVOLog log(appLog.string(), false);
    log.activateModule("ALL", true);
    log.activateModule("DISK", false);
    CQVOLog::Write("NET", qvo::TRACE_WARNING, "tour_log.cpp", __LINE__, "retrying in %d ms", 250);
    CQVOLog::Write("DISK", 2L, "tour_log.cpp", __LINE__, "not written");
    CQVOLog::Trace("QVOFILE", qvo::TRACE_INFO, "..\\src\\QVOFile", 120, "opened %s\n", "data.bin");
    log.Close();
  }
  printFile(appLog);

  // 2. A log configured from a trace configuration file that it writes itself.
  fs::path const config = dir / "qvotrace.txt";
  {
    std::ofstream out(config);
    out << "ALL = yes\nNOISY = no\n<MAX_LOG_FILE_SIZE> = 65536\n";
  }
  qvo::Log configured("stdout", false, false);
  configured.initTrace(config.string());
  std::printf("From %s (ALL = yes, NOISY = no): PARSER traced %s, NOISY traced %s, size limit %u bytes\n",
              config.filename().string().c_str(), configured.isModuleTraced("PARSER") ? "yes" : "no",
              configured.isModuleTraced("NOISY") ? "yes" : "no", configured.getMaxFileSizeInByte());

  // 3. A threaded log: trace() returns at once, sync() waits until everything is written.
  fs::path const threadedLog = dir / "threaded.log";
  {
    qvo::Log threaded(threadedLog.string(), true, false);
    threaded.activateModule("WORK", true);
    for (int i = 0; i < 1000; ++i) threaded.trace("WORK", "job %d done\n", i);
    threaded.sync();
    std::ifstream in(threadedLog);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    std::printf("Threaded log: %d lines after sync (1 header + 1000 jobs), writer thread running: %s\n", lines,
                threaded.isLogThreaded() ? "yes" : "no");
  }

  // 4. A size limit: the full file becomes rolling_circ.log and rolling.log starts again.
  fs::path const rolling = dir / "rolling.log";
  {
    qvo::Log log(rolling.string(), false, false);
    log.setMaxFileSizeInByte(200);
    log.activateModule("ALL", true);
    for (int i = 0; i < 10; ++i) log.write("ROLL", "line " + std::to_string(i) + " of the rolling log....\n");
  }
  std::printf("rolling_circ.log: %s\n", firstLines(dir / "rolling_circ.log").c_str());
  std::printf("rolling.log:      %s\n", firstLines(rolling).c_str());

  // 5. A LogStream record, built with <<.
  qvo::LogStream stream(configured, "PARSER", 0, "tour_log.cpp", __LINE__);
  stream.err() << "unexpected token '" << ';' << "' at column " << 17 << ", confidence " << 0.25;
  std::fflush(stdout);
  stream.endl();

  // Back to the default process-wide log for the chapters that follow.
  CQVOLog restore("stdout", false);
  fs::remove_all(dir);
}

const tour::Register reg({20, "Log", run});

}  // namespace
