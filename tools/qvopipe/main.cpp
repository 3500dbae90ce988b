// qvopipe: listens on, sends to and talks over QVOBase's named pipes from a shell.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "pipe_options.h"
#include "pipe_session.h"

int main(int argc, char** argv) {
  using namespace qvotools;
  PipeOptions options;
  std::string error;
  if (!parsePipeOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "qvopipe: %s (qvopipe --help tells more)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kQvopipeUsage, stdout);
    return 0;
  }
#ifdef _WIN32
  // Bytes go through unchanged, as on the pipe.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (options.command == "listen") return runListen(options);
  if (options.command == "send") return runSend(options);
  return runPair(options);
}
