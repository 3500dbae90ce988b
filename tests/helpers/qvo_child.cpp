// Child program for the process and pipe tests: runs its arguments as a small script of actions.
//   qvo_child --print-args A B ...   prints the number of arguments after the first, then each in brackets
//   qvo_child [action...]            runs the actions in order, then exits with 0 (or --exit's code):
//     --out TEXT      TEXT and a line end on standard output      --err TEXT   the same on standard error
//     --cwd           "cwd=" and the working directory            --pid        "pid=" and its process id
//     --sleep MS      sleeps                                      --exit N     exits with N at once
//     --ignore-term   ignores polite termination (SIGTERM, SIGINT)
//     --unflushed F T T into a new file F without flushing       --at-exit T  T on standard error at exit
//     --qvo-exit MSG N  ends through CQVOOperatingSystem::exit
//     --held-under DIR  "held " and the file for every descriptor above 2 that it received open on a file
//                       under DIR (Linux; nothing on Windows, where a child cannot list its handles)
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "QVOProcess.h"

#if defined(_WIN32)
#include <process.h>
#define QVO_GETPID _getpid
#else
#include <unistd.h>
#define QVO_GETPID getpid
#endif

namespace {

// What the program received open from its parent beyond its standard streams, on files under `dir`.
void printHeldUnder(const std::string& dir) {
#if !defined(_WIN32)
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    const std::string name = entry.path().filename().string();
    if (std::atoi(name.c_str()) <= 2) continue;
    const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
    if (!ec && target.compare(0, dir.size(), dir) == 0) std::printf("held %s\n", target.c_str());
  }
  std::fflush(stdout);
#else
  (void)dir;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--print-args") == 0) {
    std::printf("%d\n", argc - 2);
    for (int i = 2; i < argc; ++i) std::printf("[%s]\n", argv[i]);
    std::fflush(stdout);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--out") {
      std::printf("%s\n", next);
      std::fflush(stdout);
      ++i;
    } else if (a == "--err") {
      std::fprintf(stderr, "%s\n", next);
      std::fflush(stderr);
      ++i;
    } else if (a == "--cwd") {
      std::printf("cwd=%s\n", std::filesystem::current_path().string().c_str());
      std::fflush(stdout);
    } else if (a == "--pid") {
      std::printf("pid=%d\n", static_cast<int>(QVO_GETPID()));
      std::fflush(stdout);
    } else if (a == "--sleep") {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(next)));
      ++i;
    } else if (a == "--exit") {
      return std::atoi(next);
    } else if (a == "--ignore-term") {
      std::signal(SIGTERM, SIG_IGN);
      std::signal(SIGINT, SIG_IGN);
    } else if (a == "--unflushed") {
      // Left open and unflushed on purpose: what reaches the file shows how the process ended.
      std::FILE* f = std::fopen(next, "w");
      if (f != nullptr) std::fputs(i + 2 < argc ? argv[i + 2] : "", f);
      i += 2;
    } else if (a == "--at-exit") {
      static std::string atExitText;
      atExitText = next;
      std::atexit([] {
        std::fputs(atExitText.c_str(), stderr);
        std::fflush(stderr);
      });
      ++i;
    } else if (a == "--held-under") {
      printHeldUnder(next);
      ++i;
    } else if (a == "--qvo-exit") {
      CQVOOperatingSystem::exit(next, i + 2 < argc ? std::atoi(argv[i + 2]) : 0);
    } else {
      std::fprintf(stderr, "qvo_child: unknown action %s\n", a.c_str());
      return 99;
    }
  }
  return 0;
}
