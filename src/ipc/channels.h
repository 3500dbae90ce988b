// What both named-pipe variants do alike with their native channels: asking whether an end waits, closing
// the open channels, releasing the handles a failed Open left.
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

// Closes the channels in use through `closeOne`: a pair's input, then its output; a single pipe's one.
template <class CloseOne>
void closeChannels(CQVONamedPipe const& pipe, void* single, void* input, void* output, CloseOne closeOne) {
  if (pipe.TwoNativePipes()) {
    closeOne(input);
    closeOne(output);
  } else {
    closeOne(single);
  }
}

// Closes each distinct one of the three handles once (an Open may have stored one handle in two of them)
// and leaves all three invalid.
inline void releaseDistinct(void*& single, void*& input, void*& output) {
  void* handles[3] = {single, input, output};
  for (int i = 0; i < 3; ++i) {
    bool seen = false;
    for (int j = 0; j < i; ++j) seen = seen || handles[j] == handles[i];
    if (!seen) platform::pipeClose(handles[i]);
  }
  single = input = output = platform::invalidPipeHandle();
}

}  // namespace qvo::ipc

#endif  // QVOBASE_IPC_CHANNELS_H
