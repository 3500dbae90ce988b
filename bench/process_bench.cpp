// Benchmarks of starting and waiting for a child process: CQVOOperatingSystem::exec with wait and
// CQVOProcess Spawn + Wait, each beside the system's own start and wait of the same program, the peer
// "raw": posix_spawn + waitpid on Linux, CreateProcessA + WaitForSingleObject on Windows; on Linux also
// beside POCO's (peer "poco": Poco::Process::launch + ProcessHandle::wait).
#include <benchmark/benchmark.h>
#if defined(QVO_BENCH_LIBRARY_PEERS)
#include <Poco/Process.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "QVOProcess.h"

namespace {

// The child helper program, built beside this benchmark.
const std::string& helper() {
#if defined(_WIN32)
  static const std::string path = [] {
    char self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return (std::filesystem::path(std::string(self, n)).parent_path() / "qvo_child.exe").string();
  }();
#else
  static const std::string path =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "qvo_child").string();
#endif
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

#if defined(_WIN32)
// The peer: CreateProcessA with no handles inherited, a wait on the process handle, its exit code, and
// the two handles closed; nothing else.
void rawSpawnWait(benchmark::State& state) {
  const std::string command = "\"" + helper() + "\" --exit 0";
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  for (auto _ : state) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(helper().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
      state.SkipWithError("CreateProcessA failed");
      break;
    }
    DWORD code = 1;
    if (::WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.hProcess, &code) || code != 0)
      state.SkipWithError("the child did not end with 0");
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}
#else
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
#endif
void BM_raw_ExecWait(benchmark::State& state) { rawSpawnWait(state); }
void BM_raw_SpawnWait(benchmark::State& state) { rawSpawnWait(state); }

#if defined(QVO_BENCH_LIBRARY_PEERS)
void pocoLaunchWait(benchmark::State& state) {
  Poco::Process::Args const args{"--exit", "0"};
  for (auto _ : state) {
    Poco::ProcessHandle child = Poco::Process::launch(helper(), args);
    if (child.wait() != 0) state.SkipWithError("the child did not end with 0");
  }
}
void BM_poco_ExecWait(benchmark::State& state) { pocoLaunchWait(state); }
void BM_poco_SpawnWait(benchmark::State& state) { pocoLaunchWait(state); }
#endif

}  // namespace

BENCHMARK(BM_qvo_ExecWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_ExecWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_qvo_SpawnWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_SpawnWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_ExecWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_poco_SpawnWait)->Unit(benchmark::kMicrosecond)->UseRealTime();
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
  return runBenchmarks(argc, argv, {{"raw", "CreateProcessA + WaitForSingleObject"}});
#else
  return runBenchmarks(argc, argv,
                       {{"raw", "posix_spawn + waitpid"},
                        {"poco", "POCO 1.11 Foundation (Debian): Poco::Process::launch(program, args) + "
                                 "ProcessHandle::wait()"}});
#endif
}
