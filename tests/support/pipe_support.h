// Shared fixtures of the pipe tests: unique pipe names and a hang guard for operations that block.
#ifndef QVOBASE_TESTS_PIPE_SUPPORT_H
#define QVOBASE_TESTS_PIPE_SUPPORT_H

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace pipetest {

// A pipe name no other run and no other test uses: "<what>_<run>_<n>".
std::string uniqueName(char const* what);

// How long a test waits for an operation that must end before it calls it a hang. Only a guard: no
// test measures how long anything takes.
constexpr std::chrono::seconds kHangGuard{60};

// Runs `work` on its own thread. get() waits for it within the hang guard and fails the test (returns
// `onHang`) when it does not end.
template <typename T>
class Background {
 public:
  explicit Background(std::function<T()> work) : m_result(std::async(std::launch::async, std::move(work))) {}
  bool finished(std::chrono::milliseconds within = std::chrono::milliseconds(0)) {
    return m_result.wait_for(within) == std::future_status::ready;
  }
  bool ended() { return m_result.wait_for(kHangGuard) == std::future_status::ready; }
  T get() { return m_result.get(); }

 private:
  std::future<T> m_result;
};

// Polls `done` until it holds or the hang guard passes; true when it held.
bool eventually(std::function<bool()> const& done);

}  // namespace pipetest

#endif  // QVOBASE_TESTS_PIPE_SUPPORT_H
