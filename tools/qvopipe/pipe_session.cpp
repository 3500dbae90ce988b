// qvopipe's commands: a pipe end of the chosen variant, opened, then copied to or from the standard
// streams.
#include "pipe_session.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "QVOPipe.h"

namespace qvotools {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

std::unique_ptr<CQVONamedPipe> makePipe(PipeOptions const& o, CQVONamedPipe::PIPE_ACCESS_MODE mode) {
  char const* name = o.name.c_str();
  if (o.command == "pair") {
    char const* in = o.inputSuffix.c_str();
    char const* out = o.outputSuffix.c_str();
    if (o.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(name, in, out);
    return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(name, in, out));
  }
  if (o.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(name, mode);
  return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(name, mode));
}

// Says why an Open failed, from the errno it left. A busy pipe leaves EBUSY on Linux and, through the
// library's table of Windows errors, EAGAIN on Windows.
void reportOpenFailure(PipeOptions const& o, int error) {
  char const* name = o.name.c_str();
  if (error == EBUSY || error == EAGAIN) {
    std::fprintf(stderr, "qvopipe: %s is refused: it is in use (a pipe has one pair of ends)\n", name);
  } else if (error == EACCES || error == EPERM) {
    std::fprintf(stderr, "qvopipe: %s is refused: it belongs to another user (%s)\n", name, std::strerror(error));
  } else if (o.command == "send" && o.openTimeout == 0) {
    std::fprintf(stderr, "qvopipe: no such pipe: nobody listens on %s\n", name);
  } else if (o.openTimeout >= 0) {
    std::fprintf(stderr, "qvopipe: no peer came to %s within %ld ms\n", name, o.openTimeout);
  } else {
    std::fprintf(stderr, "qvopipe: cannot open %s: %s\n", name, std::strerror(error));
  }
}

// Opens the end; on failure says why.
bool openEnd(CQVONamedPipe& pipe, PipeOptions const& o) {
  errno = 0;
  if (pipe.Open(o.blocking ? -1 : o.openTimeout)) return true;
  reportOpenFailure(o, errno);
  return false;
}

// Reads what has come, at least one byte: the overlapped variant returns a short read as it is; the
// blocking one counts any short read as a failure, so it is read a byte at a time.
long readSome(CQVONamedPipe& pipe, bool blocking, char* buffer, int size) {
  return blocking ? pipe.Read(buffer, 1, -1) : pipe.Read(buffer, size, 0);
}

void writeOut(char const* data, std::size_t size) {
  std::fwrite(data, 1, size, stdout);
  std::fflush(stdout);
}

}  // namespace

int runListen(PipeOptions const& o) {
  std::unique_ptr<CQVONamedPipe> pipe = makePipe(o, CQVONamedPipe::PIPE_READ);
  if (!openEnd(*pipe, o)) return kFailed;
  char buffer[4096];
  for (;;) {
    long const n = readSome(*pipe, o.blocking, buffer, sizeof buffer);
    if (n <= 0) break;  // the writer closed
    writeOut(buffer, static_cast<std::size_t>(n));
  }
  return kOk;
}

int runSend(PipeOptions const& o) {
  std::unique_ptr<CQVONamedPipe> pipe = makePipe(o, CQVONamedPipe::PIPE_WRITE);
  // The blocking variant would create the pipe and wait for ever: unless told to wait (--open-timeout
  // -1), it only joins a listener that is there.
  if (o.blocking && !o.openTimeoutGiven && !pipe->ConnectionPending()) {
    std::fprintf(stderr, "qvopipe: no such pipe: nobody listens on %s\n", o.name.c_str());
    return kFailed;
  }
  if (!openEnd(*pipe, o)) return kFailed;
  auto send = [&](char const* data, std::size_t size) {
    if (size == 0) return true;
    if (pipe->Write(data, static_cast<int>(size), -1) == static_cast<long>(size)) return true;
    std::fprintf(stderr, "qvopipe: the peer of %s is gone\n", o.name.c_str());
    return false;
  };
  if (o.textGiven) {
    if (!send(o.text.data(), o.text.size())) return kFailed;
  } else {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
      if (!send(buffer, n)) return kFailed;
  }
  return kOk;
}

int runPair(PipeOptions const& o) {
  std::unique_ptr<CQVONamedPipe> pipe = makePipe(o, CQVONamedPipe::PIPE_READ_WRITE);
  if (!openEnd(*pipe, o)) return kFailed;
  std::atomic<bool> inputEnded{false};
  std::atomic<bool> writeFailed{false};
  // Standard input to the peer on a thread of its own; the peer to standard output here.
  std::thread input([&] {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
      if (pipe->Write(buffer, static_cast<int>(n), -1) != static_cast<long>(n)) {
        writeFailed = true;
        return;
      }
    }
    inputEnded = true;
  });
  char buffer[4096];
  for (;;) {
    long const n = readSome(*pipe, o.blocking, buffer, sizeof buffer);
    if (n <= 0) break;
    writeOut(buffer, static_cast<std::size_t>(n));
  }
  // The peer closed. Input that is still being read (a file's last block) gets a moment to end.
  for (int i = 0; i < 50 && !inputEnded && !writeFailed; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  bool const complete = inputEnded && !writeFailed;
  if (!complete) std::fprintf(stderr, "qvopipe: the peer of %s is gone\n", o.name.c_str());
  if (inputEnded || writeFailed) {
    input.join();
    return complete ? kOk : kFailed;
  }
  // A session whose input had not ended lost its peer. The input thread may wait on a terminal for
  // ever: the pipe is closed (a write after it fails) and the process ends without waiting for it.
  pipe->Close();
  std::fflush(stdout);
  std::fflush(stderr);
  input.detach();
  std::_Exit(kFailed);
}

}  // namespace qvotools
