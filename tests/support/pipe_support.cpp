// Shared fixtures of the pipe tests: unique names and the wait within the hang guard.
#include "support/pipe_support.h"

#include <random>
#include <thread>

namespace pipetest {

std::string uniqueName(char const* what) {
  static const unsigned run = std::random_device{}() % 1000000;
  static int counter = 0;
  return std::string(what) + "_" + std::to_string(run) + "_" + std::to_string(++counter);
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
