// Tour chapter: named pipes. Starts the tour again as a peer process, and the two exchange messages
// over a pair of channels named from one base name; then the peer's own account is shown from its
// redirected output file.
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "QVOBase.h"
#include "tour.h"

namespace {

const char* const kPeerFlag = "--pipe-peer";
const char* const kPeerOutput = "tour_pipe_peer_out.txt";
// Long enough for a tour that runs under Valgrind.
const long kOpenTimeoutMs = 30000;

std::unique_ptr<CQVONamedPipe> pairNamed(const std::string& base) {
  return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(base.c_str(), "_a", "_b"));
}

// The peer process: tour --pipe-peer <base name>. Its standard output goes to a file.
int peer(const std::vector<std::string>& args) {
  if (args.size() < 3) return 4;
  auto pipe = pairNamed(args[2]);
  if (!pipe->Open(kOpenTimeoutMs)) {
    std::printf("peer: Open failed, errno %d\n", errno);
    return 2;
  }
  std::printf("peer: open as %s (reads %s, writes %s)\n", pipe->Name(), pipe->InputChannelName(),
              pipe->OutputChannelName());
  // A raw read with a time-out returns what has come, however short.
  char buffer[256];
  const long n = pipe->Read(buffer, sizeof buffer, 5000);
  if (n <= 0) {
    std::printf("peer: the read failed with %ld\n", n);
    return 3;
  }
  std::printf("peer: received %ld bytes: \"%s\"\n", n, std::string(buffer, static_cast<size_t>(n)).c_str());
  // Two writes; the other end's message read gathers them into one message.
  pipe->Write(CQVOString(("hello, tour: your " + std::to_string(n) + " bytes arrived").c_str()));
  pipe->Write(CQVOString("; goodbye"));
  std::printf("peer: replied in two writes and closes its end\n");
  std::fflush(stdout);
  return 0;  // deleting the pipe closes it; what was written stays readable by the other end
}

// The tour program itself, when it is where args[0] says, or "".
std::string self(const std::vector<std::string>& args) {
  if (args.empty()) return std::string();
  return std::ifstream(args[0]) ? args[0] : std::string();
}

void run(const std::vector<std::string>& args) {
  const std::string program = self(args);
  if (program.empty()) {
    std::printf("(the tour cannot find its own program to start as the peer: the chapter is left out)\n");
    return;
  }
  // Named after the process identifier, the number that the log's records show as PID.
  const std::string base = "qvo_tour_" + std::to_string(static_cast<long>(getpid()));
  auto pipe = pairNamed(base);
  std::printf("a pair named from \"%s\": reads %s, writes %s, Name() %s\n", base.c_str(), pipe->InputChannelName(),
              pipe->OutputChannelName(), pipe->Name());
  std::printf("native name of its input channel: %s\n", pipe->NativeInputChannelName());

  // The peer builds the very same pair; whichever end opens first creates both channels, and the
  // other joins and swaps its channels, so that each reads what the other writes.
  CQVOProcess child(program.c_str(), (std::string(kPeerFlag) + " " + base).c_str(), "", nullptr, kPeerOutput,
                    false);
  if (child.Spawn(false) != 0) {
    std::printf("could not start the peer: %s\n", child.GetLastDiagnostic().c_str());
    return;
  }
  const bool opened = pipe->Open(kOpenTimeoutMs);
  std::printf("Open returned %s; this end: %s (reads %s, writes %s)\n", opened ? "true" : "false", pipe->Name(),
              pipe->InputChannelName(), pipe->OutputChannelName());
  if (opened) {
    const long sent = pipe->Write(CQVOString("hello, peer"));
    std::printf("Write(\"hello, peer\") returned %ld\n", sent);
    // A message read ends when 4096 bytes have come or a read fails: here, when the peer has closed.
    CQVOString reply;
    const long got = pipe->Read(reply);
    std::printf("Read(CQVOString&) returned %ld: \"%s\"\n", got, got > 0 ? reply.str() : "");
    const long after = pipe->Read(reply);
    std::printf("the next read returns %ld: the peer has closed its end\n", after);
  }
  pipe.reset();  // closes this end

  int status = -1;
  if (child.Wait(&status, kOpenTimeoutMs) <= 0) {
    child.Kill(true);
    std::printf("the peer did not end in time\n");
    return;
  }
  std::printf("the peer ended with exit code %d; its output file says:\n", status);
  std::ifstream out(kPeerOutput);
  for (std::string line; std::getline(out, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("  | %s\n", line.c_str());
  }
}

const tour::Register reg({60, "Named pipes", run});
const tour::RegisterPeer role({kPeerFlag, peer});

}  // namespace
