// The command line of qvolog and its help text.
#include "options.h"

#include <cstdlib>

namespace qvotools {

char const* const kQvologUsage =
    "usage: qvolog cat LOG [FILTER...] [--json]\n"
    "       qvolog follow LOG [FILTER...] [--json] [--new] [--count N] [--interval MS]\n"
    "       qvolog stats LOG [FILTER...] [--json]\n"
    "       qvolog --help\n"
    "\n"
    "Reads a log file written by QVOBase together with its backup LOG_circ (app.log: app_circ.log),\n"
    "never writing to either.\n"
    "  cat     the backup, then the log, in time order: whole records only, each file's start\n"
    "          (its LogSwapCount header) and every crash ending marked with a line \"==> ... <==\"\n"
    "  follow  the log as it grows, across rollovers (the file becoming its backup) and reopenings:\n"
    "          each record once, whole\n"
    "  stats   records per module and level, the time span, rollovers and crash endings\n"
    "\n"
    "Filters (a record must pass all of them):\n"
    "  --module M     module M; repeat for more modules\n"
    "  --level L      level L and more severe: ANNOYING, INFO, WARNING, ERROR, WORTH or -1..3\n"
    "  --pid N        process N\n"
    "  --thread T     thread T (a number, or MAIN)\n"
    "  --since TIME   records at TIME or later; --until TIME: at TIME or earlier. TIME in the log's\n"
    "                 form (\"04 Dec 2026 16:03:46.007\", seconds and milliseconds optional) or ISO 8601\n"
    "                 (\"2026-12-04\", \"2026-12-04T16:03\", \"2026-12-04 16:03:46.007\"), local time as the\n"
    "                 log writes it; --until 2026-12-04 takes the whole day\n"
    "  --grep TEXT    TEXT in the record's header line or text\n"
    "Output:\n"
    "  --json         one JSON object per line: records as {\"time\",\"level\",\"module\",\"pid\",\"thread\",\n"
    "                 \"source\",\"line\",\"text\"}, marks as {\"mark\":\"file\"|\"crash\"|\"text\",...};\n"
    "                 stats as one object\n"
    "follow:\n"
    "  --new          skip what the log holds already\n"
    "  --count N      stop after N records\n"
    "  --interval MS  how often to look at the file (default 100)\n"
    "\n"
    "Examples:\n"
    "  qvolog cat app.log --level ERROR\n"
    "  qvolog cat app.log --module NET --since \"2026-12-04 16:00\" --until \"2026-12-04 16:30\"\n"
    "  qvolog follow app.log --module NET --grep timeout\n"
    "  qvolog stats app.log --json\n"
    "\n"
    "Exit codes: 0 records matched (follow: ended by --count), 1 no record matched or no log file,\n"
    "2 usage error.\n";

namespace {

bool number(std::string const& text, long long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtoll(text.c_str(), &end, 10);
  return end != nullptr && *end == '\0';
}

}  // namespace

bool parseLogOptions(std::vector<std::string> const& args, LogOptions& options, std::string& error) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string const& a = args[i];
    if (a == "--help" || a == "-h") {
      options.help = true;
      return true;
    }
    if (a == "--json") { options.json = true; continue; }
    if (a == "--new") { options.fromEnd = true; continue; }
    if (a.size() > 1 && a[0] == '-') {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      std::string const& v = args[++i];
      long long n = 0;
      if (a == "--module") {
        options.filter.modules.push_back(v);
      } else if (a == "--level") {
        options.filter.level = parseLevel(v);
        if (!options.filter.level) { error = "unknown level '" + v + "'"; return false; }
      } else if (a == "--pid") {
        if (!number(v, n)) { error = "--pid needs a number, not '" + v + "'"; return false; }
        options.filter.pid = n;
      } else if (a == "--thread") {
        options.filter.thread = v;
      } else if (a == "--since" || a == "--until") {
        auto t = parseUserTime(v, a == "--until");
        if (!t) { error = a + ": '" + v + "' is no time (04 Dec 2026 16:03:46.007 or 2026-12-04T16:03:46.007)"; return false; }
        (a == "--since" ? options.filter.since : options.filter.until) = t;
      } else if (a == "--grep") {
        options.filter.grep = v;
      } else if (a == "--count") {
        if (!number(v, n) || n < 1) { error = "--count needs a number of 1 or more"; return false; }
        options.count = n;
      } else if (a == "--interval") {
        if (!number(v, n) || n < 1 || n > 60000) { error = "--interval needs 1 to 60000 ms"; return false; }
        options.intervalMs = static_cast<long>(n);
      } else {
        error = "unknown option " + a;
        return false;
      }
      continue;
    }
    positional.push_back(a);
  }
  if (positional.size() != 2) {
    error = positional.empty() ? "no command" : positional.size() == 1 ? "no log file named" : "too many arguments";
    return false;
  }
  options.command = positional[0];
  options.log = positional[1];
  if (options.command != "cat" && options.command != "follow" && options.command != "stats") {
    error = "unknown command '" + options.command + "'";
    return false;
  }
  bool const followOnly = options.fromEnd || options.count >= 0 || options.intervalMs != 100;
  if (followOnly && options.command != "follow") {
    error = "--new, --count and --interval belong to follow";
    return false;
  }
  return true;
}

}  // namespace qvotools
