// The command line of qvopipe.
#ifndef QVOBASE_TOOLS_QVOPIPE_OPTIONS_H
#define QVOBASE_TOOLS_QVOPIPE_OPTIONS_H

#include <string>
#include <vector>

namespace qvotools {

struct PipeOptions {
  std::string command;            // listen, send or pair
  std::string name;               // the pipe's name, or the pair's base name
  bool blocking = false;          // --variant lwbso: CQVONamedPipeNTLWBSO; nt (default): CQVONamedPipeNT
  long openTimeout = -1;          // milliseconds; -1 none. send: 0 unless given (a listener must be there)
  bool openTimeoutGiven = false;
  std::string text;               // send: the text, or "-" for standard input
  bool textGiven = false;
  std::string inputSuffix = "_a"; // pair
  std::string outputSuffix = "_b";
  bool help = false;
};

bool parsePipeOptions(std::vector<std::string> const& args, PipeOptions& options, std::string& error);

extern char const* const kQvopipeUsage;

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOPIPE_OPTIONS_H
