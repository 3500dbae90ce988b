// Steps of opening a named pipe shared by both variants: the open-or-create sequence of one channel, the
// joining end's wait for the second channel and the test hook.
#include "ipc/open_steps.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/error.h"

namespace qvo::ipc {

namespace {
std::atomic<OpenHook> g_hook{nullptr};
}

void setOpenHook(OpenHook hook) { g_hook.store(hook); }

void callOpenHook(CQVONamedPipe const* pipe, OpenStage stage) {
  if (OpenHook hook = g_hook.load()) hook(pipe, stage);
}

bool openOrCreateChannel(CQVONamedPipe const* pipe, ChannelSteps const& steps, char const* nativeName, Mode mode,
                         platform::PipeHandle& handle, bool& created, unsigned long retries) {
  int e = platform::pipeOpen(nativeName, directionOf(mode), steps.overlapped, handle);
  steps.recordOpen(platform::isValidPipeHandle(handle));
  if (platform::isValidPipeHandle(handle)) {
    steps.settled(false, mode);
    return true;
  }
  callOpenHook(pipe, OpenStage::beforeCreate);
  {
    CQVOGuard guard(CQVONamedPipe::m_creationLock);
    e = platform::pipeCreate(nativeName, directionOf(mode), steps.overlapped, handle);
  }
  steps.recordOpen(platform::isValidPipeHandle(handle));
  if (!platform::isValidPipeHandle(handle)) {
    if (e == platform::NativeError::pipeBusy) {
      // The other end created it after this end looked: open it as it is before turning round.
      if (platform::pipeOpen(nativeName, directionOf(mode), steps.overlapped, handle) == 0) {
        steps.recordOpen(true);
        steps.settled(false, mode);
        return true;
      }
      if (retries != 0) {
        return openOrCreateChannel(pipe, steps, nativeName, opposite(mode), handle, created, retries - 1);
      }
    }
    platform::setErrnoFromNativeError(static_cast<unsigned long>(e));
    return false;
  }
  created = true;
  steps.settled(true, mode);
  const bool connected = steps.waitForOtherEnd(handle, mode);
  steps.recordOpen(connected);
  return connected;
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
