// qvolog: reads the log files of programs built on QVOBase (cat, follow, stats).
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "options.h"

int main(int argc, char** argv) {
  using namespace qvotools;
  LogOptions options;
  std::string error;
  if (!parseLogOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "qvolog: %s (qvolog --help tells more)\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kQvologUsage, stdout);
    return kExitOk;
  }
  if (options.command == "cat") return runCat(options);
  if (options.command == "follow") return runFollow(options);
  return runStats(options);
}
