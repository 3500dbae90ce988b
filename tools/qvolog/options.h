// The command line of qvolog.
#ifndef QVOBASE_TOOLS_QVOLOG_OPTIONS_H
#define QVOBASE_TOOLS_QVOLOG_OPTIONS_H

#include <string>
#include <vector>

#include "record_filter.h"

namespace qvotools {

// Exit codes of the tools.
constexpr int kExitOk = 0;
constexpr int kExitNothing = 1;  // nothing matched, no log, or (qvopipe) the peer is gone
constexpr int kExitUsage = 2;

struct LogOptions {
  std::string command;  // cat, follow or stats
  std::string log;
  RecordFilter filter;
  bool json = false;
  bool help = false;
  // follow
  long intervalMs = 100;
  long long count = -1;  // stop after this many records; -1: never
  bool fromEnd = false;  // --new: only records written from now on
};

// Reads the arguments after the program name. False, with `error` saying why, on a usage error.
bool parseLogOptions(std::vector<std::string> const& args, LogOptions& options, std::string& error);

extern char const* const kQvologUsage;

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOLOG_OPTIONS_H
