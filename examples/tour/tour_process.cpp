// Tour chapter: processes. Starts a child with redirected output, waits with a time-out, shows its
// exit code and output file, polls another, and kills a sleeping child that ignores polite requests.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#endif

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

// Processor time this process has used so far, in milliseconds: in user mode and in the system.
struct CpuTime {
  double user;
  double system;
};
CpuTime cpuTime() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME const& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return {ms(user), ms(kernel)};
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](timeval const& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
  return {ms(usage.ru_utime), ms(usage.ru_stime)};
#endif
}

// About 300 ms of real work: hashing a string (user time) and writing a file (system time).
void work() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  const std::string block(64 * 1024, 'x');
  CQVOString text(block.c_str());
  unsigned long words[2];
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 20; ++i) text.Hash(words);
    std::ofstream out("tour_cpu_work.bin", std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 16; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size())).flush();
  }
  std::remove("tour_cpu_work.bin");
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

  // The processor use of this process while it works, read from the operating system.
  const CpuTime before = cpuTime();
  const auto started = std::chrono::steady_clock::now();
  work();
  const CpuTime after = cpuTime();
  const double wall =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  std::printf("CPU use of this process while it hashed and wrote a file for %.0f ms: user %.0f%%, system %.0f%%\n",
              wall, 100.0 * (after.user - before.user) / wall, 100.0 * (after.system - before.system) / wall);
  CQVOCPUUsage usage;
  std::printf("(CQVOCPUUsage is the interface of such a meter only: it takes no measurement and reports %.1f%%)\n",
              usage.GetUserPercentageUsage() + usage.GetSystemPercentageUsage());
}

const tour::Register reg({50, "Processes", run});

}  // namespace
