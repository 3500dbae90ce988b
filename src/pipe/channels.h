// What both named-pipe variants do alike with their native channels: asking whether an end waits. (The
// base class closes and releases the channels for both.)
#ifndef QVOBASE_PIPE_CHANNELS_H
#define QVOBASE_PIPE_CHANNELS_H

#include "QVOPipe.h"
#include "platform/pipe.h"

namespace qvo::pipe {

// Whether an instance of the pipe's native name (for a pair: the input channel, then the output channel)
// waits for a connection.
inline bool connectionPending(CQVONamedPipe const& pipe) {
  if (!pipe.TwoNativePipes()) return platform::pipeWaitAvailable(pipe.NativeName());
  return platform::pipeWaitAvailable(pipe.NativeInputChannelName()) ||
         platform::pipeWaitAvailable(pipe.NativeOutputChannelName());
}

}  // namespace qvo::pipe

#endif  // QVOBASE_PIPE_CHANNELS_H
