// Benchmarks of starting and waiting for a child process: CQVOOperatingSystem::exec with wait and
// CQVOProcess Spawn + Wait, each beside raw posix_spawn + waitpid of the same program.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "QVOProcess.h"

extern char** environ;

namespace {

// The child helper program, built beside this benchmark.
const std::string& helper() {
  static const std::string path =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "qvo_child").string();
  return path;
}

void BM_qvo_ExecWait(benchmark::State& state) {
  const std::string command = "\"" + helper() + "\" --exit 0";
  for (auto _ : state) {
    qvo::pid_t pid;
    if (CQVOOperatingSystem::exec(command.c_str(), "", true, pid, true, false, nullptr, nullptr, false) <= 0)
      state.SkipWithError("exec failed");
  }
}

void BM_qvo_SpawnWait(benchmark::State& state) {
  for (auto _ : state) {
    CQVOProcess child(helper().c_str(), "--exit 0", "", nullptr, nullptr, false);
    int status = -1;
    if (child.Spawn(false) != 0 || child.Wait(&status, -1) <= 0 || status != 0) state.SkipWithError("spawn failed");
  }
}

// The peer: posix_spawn and a blocking waitpid, nothing else.
void rawSpawnWait(benchmark::State& state) {
  std::string program = helper();
  std::string a1 = "--exit";
  std::string a2 = "0";
  char* argv[] = {program.data(), a1.data(), a2.data(), nullptr};
  for (auto _ : state) {
    ::pid_t pid = 0;
    int status = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 || ::waitpid(pid, &status, 0) != pid)
      state.SkipWithError("posix_spawn failed");
  }
}
void BM_raw_ExecWait(benchmark::State& state) { rawSpawnWait(state); }
void BM_raw_SpawnWait(benchmark::State& state) { rawSpawnWait(state); }

}  // namespace

BENCHMARK(BM_qvo_ExecWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_ExecWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_qvo_SpawnWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_SpawnWait)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
