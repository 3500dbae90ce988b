// Fuzz target: qvo::Log::initTrace on random trace configuration files.
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "QVOLog.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  // One file per process, in the working folder (the fuzz run's own): parallel fuzzing jobs do not share
  // it, and it is removed after each input.
  static std::string const path = "qvo_fuzz_trace_" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(data), static_cast<std::streamsize>(size));
  }
  qvo::Log log("stdout", false);
  QVO_FUZZ_CHECK(log.initTrace(path));
  (void)log.isModuleTraced("ALL");
  (void)log.isModuleTraced("NET");
  std::remove(path.c_str());
  return 0;
}
