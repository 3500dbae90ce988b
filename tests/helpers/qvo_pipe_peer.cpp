// The other end of the pipe tests' two-process cases: opens a pipe with the library's classes and
// echoes, writes, expects or streams bytes on it.
//
//   qvo_pipe_peer <nt|lwbso> <shape> <a> <b> <c> <delayMs> <action> [arguments]
//     shape single: a name, b r|w;  auto: a base, b input suffix, c output suffix;  explicit: a input, b output
//     delayMs: a pause before Open (the open time-out is 60 s)
//     echo              writes back what it reads until the pipe fails
//     write <text>      writes the text, then holds
//     expect <text>     reads as many bytes as the text has; exit 0 when they are the text
//     message <size>    writes <size> pattern bytes (seed 1) and closes
//     send <bytes> <seed>  writes pattern bytes in random-sized writes and closes
//     stream <seed>     writes pattern bytes until the pipe fails
//     hold              keeps the pipe open until the other end closes (or, write-only, until killed)
// Prints "open <result> <Name()>" once Open has returned. Exit code: 0 done, 2 Open failed, 3 a transfer
// failed, 4 bad arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../support/pipe_pattern.h"
#include "QVOPipe.h"

namespace {

bool g_blocking = false;  // the connector variant: no time-outs, exact reads

// Reads what has come (at least one byte): a short read on the overlapped variant, one byte on the
// connector variant, which counts any short read as a failure.
long readSome(CQVONamedPipe& pipe, char* buffer, int size) {
  return g_blocking ? pipe.Read(buffer, 1, -1) : pipe.Read(buffer, size, 0);
}

bool readExactly(CQVONamedPipe& pipe, char* buffer, int size) {
  for (int got = 0; got < size;) {
    const long n = readSome(pipe, buffer + got, size - got);
    if (n <= 0) return false;
    got += static_cast<int>(n);
  }
  return true;
}

// Until the other end closes; an end that cannot read waits to be killed.
void hold(CQVONamedPipe& pipe, bool canRead) {
  if (canRead) {
    char buffer[4096];
    while (readSome(pipe, buffer, sizeof buffer) > 0) {
    }
    return;
  }
  std::this_thread::sleep_for(std::chrono::minutes(2));
}

int run(std::vector<std::string> const& args) {
  if (args.size() < 8) return 4;
  g_blocking = args[1] == "lwbso";
  const std::string& shape = args[2];
  char const* a = args[3].c_str();
  char const* b = args[4].c_str();
  char const* c = args[5].c_str();
  std::unique_ptr<CQVONamedPipe> pipe;
  bool canRead = true;
  if (shape == "single") {
    const auto mode = args[4] == "r" ? CQVONamedPipe::PIPE_READ : CQVONamedPipe::PIPE_WRITE;
    canRead = mode == CQVONamedPipe::PIPE_READ;
    pipe.reset(g_blocking ? static_cast<CQVONamedPipe*>(new CQVONamedPipeNTLWBSO(a, mode))
                          : CQVOFactory::NewNamedPipe(a, mode));
  } else if (shape == "auto") {
    pipe.reset(g_blocking ? static_cast<CQVONamedPipe*>(new CQVONamedPipeNTLWBSO(a, b, c))
                          : CQVOFactory::NewNamedPipe(a, b, c));
  } else if (shape == "explicit") {
    pipe.reset(g_blocking ? static_cast<CQVONamedPipe*>(new CQVONamedPipeNTLWBSO(a, b))
                          : CQVOFactory::NewNamedPipe(a, b));
  } else {
    return 4;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(args[6].c_str())));
  const bool opened = pipe->Open(60000);
  std::printf("open %d %s\n", opened ? 1 : 0, pipe->Name());
  std::fflush(stdout);
  if (!opened) return 2;

  const std::string& action = args[7];
  char buffer[65536];
  if (action == "echo") {
    for (;;) {
      const long n = readSome(*pipe, buffer, sizeof buffer);
      if (n <= 0) return 0;
      if (pipe->Write(buffer, static_cast<int>(n), -1) != n) return 3;
    }
  }
  if (action == "write" && args.size() > 8) {
    const std::string& text = args[8];
    if (pipe->Write(text.data(), static_cast<int>(text.size()), -1) != static_cast<long>(text.size())) return 3;
    hold(*pipe, canRead);
    return 0;
  }
  if (action == "expect" && args.size() > 8) {
    const std::string& text = args[8];
    if (!readExactly(*pipe, buffer, static_cast<int>(text.size()))) return 3;
    return std::string(buffer, text.size()) == text ? 0 : 3;
  }
  if (action == "message" && args.size() > 8) {
    const int size = std::atoi(args[8].c_str());
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    pipetest::Pattern(1).fill(bytes.data(), bytes.size());
    if (pipe->Write(bytes.data(), size, -1) != size) return 3;
    return pipe->Close() ? 0 : 3;
  }
  if (action == "send" && args.size() > 9) {
    long long left = std::atoll(args[8].c_str());
    pipetest::Pattern sizes(std::strtoull(args[9].c_str(), nullptr, 10));
    pipetest::Pattern bytes(std::strtoull(args[9].c_str(), nullptr, 10) + 1);
    while (left > 0) {
      const int n = static_cast<int>(std::min<long long>(left, sizes.size(static_cast<int>(sizeof buffer))));
      bytes.fill(reinterpret_cast<unsigned char*>(buffer), static_cast<size_t>(n));
      if (pipe->Write(buffer, n, -1) != n) return 3;
      left -= n;
    }
    return pipe->Close() ? 0 : 3;
  }
  if (action == "stream" && args.size() > 8) {
    pipetest::Pattern bytes(std::strtoull(args[8].c_str(), nullptr, 10));
    for (;;) {
      bytes.fill(reinterpret_cast<unsigned char*>(buffer), 4096);
      if (pipe->Write(buffer, 4096, -1) != 4096) return 0;
    }
  }
  if (action == "hold") {
    hold(*pipe, canRead);
    return 0;
  }
  return 4;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv, argv + argc)); }
