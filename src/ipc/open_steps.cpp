// Steps of opening a named pipe shared by both variants: the joining end's wait for the second channel
// and the test hook.
#include "ipc/open_steps.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace qvo::ipc {

namespace {
std::atomic<OpenHook> g_hook{nullptr};
}

void setOpenHook(OpenHook hook) { g_hook.store(hook); }

void callOpenHook(CQVONamedPipe const* pipe, OpenStage stage) {
  if (OpenHook hook = g_hook.load()) hook(pipe, stage);
}

int joinSecondChannel(CQVONamedPipe const* pipe, char const* nativeName, Mode mode, bool overlapped,
                      long timeoutMs, platform::PipeHandle& handle, Mode& openedAs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  bool announced = false;
  for (int round = 0;; ++round) {
    int e = platform::pipeOpen(nativeName, directionOf(mode), overlapped, handle);
    if (e == 0) {
      openedAs = mode;
      return 0;
    }
    if (e != platform::PipeError::notFound) {
      e = platform::pipeOpen(nativeName, directionOf(opposite(mode)), overlapped, handle);
      if (e == 0) {
        openedAs = opposite(mode);
        return 0;
      }
    }
    if (e != platform::PipeError::notFound) return e;
    if (timeoutMs >= 0 && Clock::now() >= deadline) return e;
    if (!announced) {
      announced = true;
      callOpenHook(pipe, OpenStage::waitingForSecondChannel);
    }
    // The other end creates the channel right after its first one is connected: poll briefly at
    // first, then every few milliseconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(round + 1, 10)));
  }
}

}  // namespace qvo::ipc
