// Steps of opening a named pipe shared by both variants: the open-or-create sequence of one channel, the
// channel directions, the joining end's wait for the second channel of a pair named from one base name,
// and the hook that lets tests hold an end between its steps.
#ifndef QVOBASE_PIPE_OPEN_STEPS_H
#define QVOBASE_PIPE_OPEN_STEPS_H

#include <functional>

#include "QVOPipe.h"
#include "platform/error.h"
#include "platform/pipe.h"
#include "platform/time.h"
#include "qvo_internal.h"

namespace qvo::pipe {

using Mode = CQVONamedPipe::CHANNEL_ACCESS_MODE;

inline platform::PipeDirection directionOf(Mode mode) {
  return mode == CQVONamedPipe::CHANNEL_READ ? platform::PipeDirection::read : platform::PipeDirection::write;
}
inline Mode opposite(Mode mode) {
  return mode == CQVONamedPipe::CHANNEL_READ ? CQVONamedPipe::CHANNEL_WRITE : CQVONamedPipe::CHANNEL_READ;
}

// The seam's handles of what the pipe classes store as plain pointers.
inline platform::PipeHandle pipeHandle(void* raw) { return platform::PipeHandle{raw}; }
inline platform::EventHandle eventHandle(void* raw) { return platform::EventHandle{raw}; }

// The points of an Open at which a test may hold the opening thread.
enum class OpenStage {
  beforeCreate,              // a channel was not found and is about to be created
  betweenChannels,           // a pair's first channel is settled, the second not yet begun
  waitingForSecondChannel,   // a joining end found no second channel yet and waits for it
};
using OpenHook = void (*)(CQVONamedPipe const* pipe, OpenStage stage);

// Installs the hook (null: none). For tests only; called on the opening thread (or connector thread).
QVO_INTERNAL void setOpenHook(OpenHook hook);
void callOpenHook(CQVONamedPipe const* pipe, OpenStage stage);

// What the two variants do differently while one channel is opened or created.
struct ChannelSteps {
  bool overlapped;                                           // the handle serves asynchronous operations
  std::function<void(bool open)> recordOpen;                 // the pipe's open flag, after each step
  std::function<void(bool created, Mode openedAs)> settled;  // the channel is opened, or created
  // This end created the channel: waits for the other end; true when it came (or need not be awaited).
  std::function<bool(platform::PipeHandle handle, Mode mode)> waitForOtherEnd;
};

// Opens the channel `nativeName` for `mode`, or creates it (under the process-wide creation lock) when
// there is none, then waits for the other end. A creation refused as busy (the other end created the
// channel after this end looked) opens the channel as it is; if that fails too and `retries` is not 0, the
// whole sequence runs again for the opposite mode. True when the channel is open (`created` tells whether
// this end created it); false with errno set from the native error. `handle` is the pipe's own member,
// written as soon as each step has a handle, so that a Close on another thread meanwhile finds it.
bool openOrCreateChannel(CQVONamedPipe const* pipe, ChannelSteps const& steps, char const* nativeName, Mode mode,
                         void*& handle, bool& created, unsigned long retries);

// The joining end of a pair named from one base name (it found the first channel created by the other
// end) opens the second channel, which the other end creates: it waits for it to exist, up to
// `timeout`, instead of creating it in its own direction. The channel is opened with
// `mode` if that is accepted, otherwise with the opposite mode. Returns no error with the handle and the
// mode it was opened with, or the error (errno is not touched).
platform::SysError joinSecondChannel(CQVONamedPipe const* pipe, char const* nativeName, Mode mode, bool overlapped,
                      platform::Timeout timeout, void*& handle, Mode& openedAs);

}  // namespace qvo::pipe

#endif  // QVOBASE_PIPE_OPEN_STEPS_H
