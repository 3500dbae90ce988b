// Reading a log and its backup as one sequence of items.
#include "log_pair.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "log_file.h"
#include "log_names.h"

namespace qvotools {

namespace {

LogPart partOf(std::string const& file, FileRead const& read) {
  return LogPart{file, parseLog(read.bytes).items};
}

// The time of a file's first header, for ordering; 0 when it has none.
long long startKey(LogPart const& part) {
  if (part.items.empty() || part.items.front().kind != Item::Kind::SwapHeader || !part.items.front().time) return 0;
  return part.items.front().time->key();
}

}  // namespace

std::vector<LogPart> readLogPair(std::string const& log) {
  std::string const backup = backupName(log);
  FileRead current, older;
  // A rollover between the two reads would lose the records it moved: read the log's header, the
  // backup, then the log, and again when the log's header changed meanwhile.
  // A log that does not end with a line feed is either writing its last record or holds a record that
  // the size limit cut: it is read again after a moment, and what stayed as it was is whole.
  bool unfinished = false;
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::string const before = readLogFile(log, ~std::uint64_t{0}).head;
    older = readLogFile(backup, 0);
    FileRead const previous = std::move(current);
    current = readLogFile(log, 0);
    if (current.head != before) continue;
    unfinished = !current.bytes.empty() && current.bytes.back() != '\n';
    if (!unfinished) break;
    if (attempt > 0 && previous.bytes == current.bytes) {
      unfinished = false;  // the same after a moment: cut, not unfinished
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::vector<LogPart> parts;
  if (older.exists) parts.push_back(partOf(backup, older));
  if (current.exists) {
    parts.push_back(partOf(log, current));
    // Still changing after every look: its last record is left out.
    if (unfinished && !parts.back().items.empty() && parts.back().items.back().kind == Item::Kind::Record &&
        parts.back().items.back().record.cut)
      parts.back().items.pop_back();
  }
  // The backup holds the earlier records, unless a later reopening of the log left an older backup
  // behind: then the headers' dates tell.
  if (parts.size() == 2 && startKey(parts[0]) != 0 && startKey(parts[1]) != 0 &&
      startKey(parts[0]) > startKey(parts[1]))
    std::swap(parts[0], parts[1]);
  if (parts.empty()) std::fprintf(stderr, "qvolog: no log file %s (nor its backup %s)\n", log.c_str(), backup.c_str());
  return parts;
}

}  // namespace qvotools
