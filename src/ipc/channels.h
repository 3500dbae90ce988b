// What both named-pipe variants do alike with their native channels: asking whether an end waits. (The
// base class closes and releases the channels for both.)
#ifndef QVOBASE_IPC_CHANNELS_H
#define QVOBASE_IPC_CHANNELS_H

#include "QVOPipe.h"
#include "platform/pipe.h"

namespace qvo::ipc {

// Whether an instance of the pipe's native name (for a pair: the input channel, then the output channel)
// waits for a connection.
inline bool connectionPending(CQVONamedPipe const& pipe) {
  if (!pipe.TwoNativePipes()) return platform::pipeWaitAvailable(pipe.NativeName());
  return platform::pipeWaitAvailable(pipe.NativeInputChannelName()) ||
         platform::pipeWaitAvailable(pipe.NativeOutputChannelName());
}

}  // namespace qvo::ipc

#endif  // QVOBASE_IPC_CHANNELS_H
