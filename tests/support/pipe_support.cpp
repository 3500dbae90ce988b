// Shared fixtures of the pipe tests: unique names, handle counts, hang guards, the program folder.
#include "support/pipe_support.h"

#include <cstdint>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace pipetest {

std::string uniqueName(char const* what) {
  static const unsigned run = std::random_device{}() % 1000000;
  static int counter = 0;
  return std::string(what) + "_" + std::to_string(run) + "_" + std::to_string(++counter);
}

long openHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
  // Wine answers 0: count the handle values that name an open object instead (they are multiples of 4).
  long open = 0;
  for (std::uintptr_t value = 4; value < (1u << 18); value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
#else
  long count = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d) != nullptr) ++count;
    ::closedir(d);
  }
  return count;
#endif
}

bool eventually(std::function<bool()> const& done) {
  const auto limit = std::chrono::steady_clock::now() + kHangGuard;
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace pipetest
