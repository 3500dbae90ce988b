// Steps of opening a named pipe shared by both variants: the open-or-create sequence of one channel, the
// joining end's wait for the second channel and the test hook.
#include "pipe/open_steps.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/error.h"

namespace qvo::pipe {

namespace {
std::atomic<OpenHook> g_hook{nullptr};
}

void setOpenHook(OpenHook hook) { g_hook.store(hook); }

void callOpenHook(CQVONamedPipe const* pipe, OpenStage stage) {
  if (OpenHook hook = g_hook.load()) hook(pipe, stage);
}

bool openOrCreateChannel(CQVONamedPipe const* pipe, ChannelSteps const& steps, char const* nativeName, Mode mode,
                         void*& handle, bool& created, unsigned long retries) {
  platform::PipeHandle h;
  platform::SysError e = platform::pipeOpen(nativeName, directionOf(mode), steps.overlapped, h);
  handle = h.raw;
  steps.recordOpen(platform::isValidPipeHandle(h));
  if (platform::isValidPipeHandle(h)) {
    steps.settled(false, mode);
    return true;
  }
  callOpenHook(pipe, OpenStage::beforeCreate);
  {
    CQVOGuard guard(CQVONamedPipe::m_creationLock);
    e = platform::pipeCreate(nativeName, directionOf(mode), steps.overlapped, h);
    handle = h.raw;
  }
  steps.recordOpen(platform::isValidPipeHandle(h));
  if (!platform::isValidPipeHandle(h)) {
    if (e == platform::NativeError::pipeBusy) {
      // The other end created it after this end looked: open it as it is before turning round.
      const platform::SysError again = platform::pipeOpen(nativeName, directionOf(mode), steps.overlapped, h);
      handle = h.raw;
      if (!again) {
        steps.recordOpen(true);
        steps.settled(false, mode);
        return true;
      }
      if (retries != 0) {
        return openOrCreateChannel(pipe, steps, nativeName, opposite(mode), handle, created, retries - 1);
      }
    }
    e.setErrno();
    return false;
  }
  created = true;
  steps.settled(true, mode);
  const bool connected = steps.waitForOtherEnd(h, mode);
  steps.recordOpen(connected);
  return connected;
}

platform::SysError joinSecondChannel(CQVONamedPipe const* pipe, char const* nativeName, Mode mode, bool overlapped,
                      platform::Timeout timeout, void*& handle, Mode& openedAs) {
  const platform::Deadline deadline(timeout);
  bool announced = false;
  for (int round = 0;; ++round) {
    platform::PipeHandle h;
    platform::SysError e = platform::pipeOpen(nativeName, directionOf(mode), overlapped, h);
    handle = h.raw;
    if (!e) {
      openedAs = mode;
      return e;
    }
    if (e != platform::PipeError::notFound) {
      e = platform::pipeOpen(nativeName, directionOf(opposite(mode)), overlapped, h);
      handle = h.raw;
      if (!e) {
        openedAs = opposite(mode);
        return e;
      }
    }
    if (e != platform::PipeError::notFound) return e;
    if (deadline.passed()) return e;
    if (!announced) {
      announced = true;
      callOpenHook(pipe, OpenStage::waitingForSecondChannel);
    }
    // The other end creates the channel right after its first one is connected: poll briefly at
    // first, then every few milliseconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(round + 1, 10)));
  }
}

}  // namespace qvo::pipe
