// Tour chapter: processes. Starts a child with redirected output, waits with a time-out, shows its
// exit code and output file, polls another, and kills a sleeping child that ignores polite requests.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "QVOBase.h"
#include "tour.h"

namespace {

#if defined(_WIN32)
const char* const kHelperName = "qvo_child.exe";
#else
const char* const kHelperName = "qvo_child";
#endif

// The child helper beside the tour program, or "" when it is missing.
std::string helperBeside(const std::string& self) {
  const auto cut = self.find_last_of("/\\");
  const std::string path = (cut == std::string::npos ? std::string() : self.substr(0, cut + 1)) + kHelperName;
  return std::ifstream(path) ? path : std::string();
}

std::string slurp(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void run(const std::vector<std::string>& args) {
  const std::string helper = helperBeside(args.empty() ? std::string() : args[0]);
  // Without the helper, a shell plays the child (the last part needs it and is left out).
#if defined(_WIN32)
  const std::string program = helper.empty() ? "cmd.exe" : helper;
  const std::string childArgs = helper.empty() ? "/c \"echo hello from the child& echo a warning 1>&2& exit 3\""
                                               : "--out \"hello from the child\" --err \"a warning\" --exit 3";
#else
  const std::string program = helper.empty() ? "/bin/sh" : helper;
  const std::string childArgs = helper.empty() ? "-c \"echo hello from the child; echo a warning >&2; exit 3\""
                                               : "--out \"hello from the child\" --err \"a warning\" --exit 3";
#endif
  std::printf("child program: %s\n", program.c_str());

  CQVOProcess child(program.c_str(), childArgs.c_str(), "", "tour_child_err.txt", "tour_child_out.txt", false);
  std::printf("command path as stored: %s\n", child.GetApplicationPath().c_str());
  if (child.Spawn(false) != 0) {
    std::printf("could not start it: %s\n", child.GetLastDiagnostic().c_str());
    return;
  }
  int status = -1;
  const int ended = child.Wait(&status, 10000);
  std::printf("Wait(10 s) returned the identifier %d, exit code %d\n", ended, status);
  std::printf("its standard output file holds \"%s\", its error file \"%s\"\n", slurp("tour_child_out.txt").c_str(),
              slurp("tour_child_err.txt").c_str());
  const int again = child.Wait(&status, 0);
  std::printf("a second Wait returns %d (the end was already seen): %s\n", again, child.GetLastDiagnostic().c_str());

  CQVOProcess missing("no-such-program", "", "", "tour_missing_err.txt", nullptr, false);
  const int spawned = missing.Spawn(false);
  std::printf("starting a missing program returns %d (%s)\nits message: %s\n", spawned,
              missing.GetLastDiagnostic().c_str(), slurp("tour_missing_err.txt").c_str());

  if (helper.empty()) {
    std::printf("(the child helper is not beside the tour: the kill demonstration is left out)\n");
    return;
  }
  CQVOProcess sleeper(helper.c_str(), "--ignore-term --sleep 60000", "", nullptr, nullptr, false);
  sleeper.Spawn(false);
  const int waited = sleeper.Wait(&status, 200);
  std::printf("a child that sleeps 60 s and ignores polite termination: Wait(200 ms) returns %d\n", waited);
  std::printf("CheckTermination says %d (still running)\n", sleeper.CheckTermination());
  const int killed = sleeper.Kill(false);
  const int check = sleeper.CheckTermination();
  std::printf("Kill returns %d; CheckTermination afterwards %d: %s\n", killed, check,
              sleeper.GetLastDiagnostic().c_str());

  CQVOCPUUsage usage;
  std::printf("CPU usage meter: user %.1f%%, system %.1f%%\n", usage.GetUserPercentageUsage(),
              usage.GetSystemPercentageUsage());
}

const tour::Register reg({50, "Processes", run});

}  // namespace
