// The command line of qvopipe and its help text.
#include "pipe_options.h"

#include <cstdlib>

namespace qvotools {

char const* const kQvopipeUsage =
    "usage: qvopipe listen NAME [--variant nt|lwbso] [--open-timeout MS]\n"
    "       qvopipe send NAME [TEXT|-] [--variant nt|lwbso] [--open-timeout MS]\n"
    "       qvopipe pair BASE [--suffixes IN OUT] [--variant nt|lwbso] [--open-timeout MS]\n"
    "       qvopipe --help\n"
    "\n"
    "Speaks QVOBase's named pipes through the library itself.\n"
    "  listen  opens the reading end of the one-way pipe NAME (creating it when the writer is not there\n"
    "          yet), prints what arrives on standard output until the writer closes\n"
    "  send    opens the writing end of NAME, writes TEXT (standard input for - or no TEXT), closes\n"
    "  pair    opens the two-channel pipe named from BASE and the suffixes (default _a and _b, the\n"
    "          channels BASE_a and BASE_b; the peer uses the same base and suffixes): standard input goes\n"
    "          to the peer, what the peer sends to standard output, until the peer closes\n"
    "Options:\n"
    "  --variant nt     CQVONamedPipeNT, which the library's factory builds (default)\n"
    "  --variant lwbso  CQVONamedPipeNTLWBSO, the blocking variant: it has no time-outs\n"
    "  --open-timeout MS  how long to wait for the other end, -1 without limit (lwbso: -1 only).\n"
    "                   listen and pair wait without limit by default; send waits 0 ms: a listener\n"
    "                   must be there\n"
    "\n"
    "Examples:\n"
    "  qvopipe listen results > results.bin\n"
    "  qvopipe send results \"job 42 done\"\n"
    "  echo status | qvopipe pair job\n"
    "  qvopipe listen results --variant lwbso\n"
    "\n"
    "Exit codes: 0 done, 1 failed (no such pipe, refused, no peer in time, peer gone), 2 usage error.\n";

bool parsePipeOptions(std::vector<std::string> const& args, PipeOptions& options, std::string& error) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string const& a = args[i];
    if (a == "--help" || a == "-h") {
      options.help = true;
      return true;
    }
    if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      std::string const& v = args[++i];
      if (a == "--variant") {
        if (v != "nt" && v != "lwbso") {
          error = "--variant is nt or lwbso, not '" + v + "'";
          return false;
        }
        options.blocking = v == "lwbso";
      } else if (a == "--open-timeout") {
        char* end = nullptr;
        long const ms = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || ms < -1) {
          error = "--open-timeout needs milliseconds (-1: no limit)";
          return false;
        }
        options.openTimeout = ms;
        options.openTimeoutGiven = true;
      } else if (a == "--suffixes") {
        if (i + 1 >= args.size()) {
          error = "--suffixes needs two values";
          return false;
        }
        options.inputSuffix = v;
        options.outputSuffix = args[++i];
      } else {
        error = "unknown option " + a;
        return false;
      }
      continue;
    }
    positional.push_back(a);
  }
  if (positional.size() < 2) {
    error = positional.empty() ? "no command" : "no pipe name";
    return false;
  }
  options.command = positional[0];
  options.name = positional[1];
  if (options.command != "listen" && options.command != "send" && options.command != "pair") {
    error = "unknown command '" + options.command + "'";
    return false;
  }
  std::size_t const allowed = options.command == "send" ? 3 : 2;
  if (positional.size() > allowed) {
    error = "too many arguments";
    return false;
  }
  if (positional.size() == 3) {
    options.text = positional[2];
    options.textGiven = options.text != "-";
  }
  if (options.name.empty()) {
    error = "the pipe name is empty";
    return false;
  }
  if (options.blocking && options.openTimeout >= 0 && options.openTimeoutGiven) {
    error = "the lwbso variant has no time-outs: it waits for the other end without limit (--open-timeout -1)";
    return false;
  }
  if (options.command == "send" && !options.openTimeoutGiven) options.openTimeout = 0;
  return true;
}

}  // namespace qvotools
