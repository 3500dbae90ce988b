// The pieces of a log file as the tools read them: records, the header that starts each file, the line
// a crashed process ends with, and loose text. The parser reads any bytes; it never fails, it only
// finds fewer records.
//
// A file written by the log reads
//
//   LogSwapCount[2] at 04 Dec 2026 16:03:46.007          the header of each file (and each reopening)
//   <empty line>
//   INFO NET PID(4711) THR(MAIN) : net.cpp - 42 : 04 Dec 2026 16:03:46.007
//   <tab>the text, which may go on over further lines
//   <empty line>
//   process ends on signal 11 (SIGSEGV)                  after the last records of a crashed process
//
// with "\n" or "\r\n" line ends (a Windows log writes "\r\n", its crash ending "\n").
#ifndef QVOBASE_TOOLS_LOG_RECORD_H
#define QVOBASE_TOOLS_LOG_RECORD_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "log_time.h"

namespace qvotools {

// Level numbers in the order of severity, as the record header names them.
enum class Level { Annoying = 0, Info = 1, Warning = 2, Error = 3, Worth = 4 };
char const* levelText(Level level);
// "INFO", "info" or a level number as the log takes it ("-1" to "3" and above); empty otherwise.
std::optional<Level> parseLevel(std::string_view text);

struct Record {
  Level level = Level::Info;
  std::string header;       // the header line as written
  std::string levelName;    // as written
  std::string module;
  long long pid = 0;
  std::string thread;       // "MAIN" or the thread's number
  std::string source;
  long long line = 0;
  std::string timeText;     // as written
  std::optional<LogTime> time;  // empty when the date cannot be read (a month of another language)
  std::string text;         // the text, its line ends as "\n", without the record's final line feed
  bool cut = false;         // the text did not end with a line feed: the size limit cut it, or it is
                            // the unfinished end of the file
};

struct Item {
  enum class Kind {
    SwapHeader,  // "LogSwapCount[N] at <date>": a file (or a reopening of it) starts here
    Record,
    CrashEnding, // "process ends on ...": the process crashed after the records before it
    Loose,       // text outside any record: a plain trace, or what is left of a damaged record
  };
  Kind kind = Kind::Loose;
  Record record;              // Kind::Record
  unsigned long long swapCount = 0;  // Kind::SwapHeader
  std::string line;           // SwapHeader, CrashEnding: the line; Loose: the text ("\n" line ends)
  std::optional<LogTime> time;       // SwapHeader: its date
  std::size_t begin = 0;      // byte offsets of the item in the parsed bytes, separators excluded
  std::size_t end = 0;
};

struct ParseResult {
  std::vector<Item> items;
  // Whether the bytes end with a line feed. Every item but the last is whole; the last one may still
  // be in the writing when the file is: unfinished when its line has no line feed yet, perhaps so
  // when more lines of its text are still to come. Parsing again from an item's `end` with the bytes
  // that follow gives the items after it.
  bool endsWithLineFeed = false;
};

// Reads `bytes`, which start at the start of a file or at a `settled` offset of an earlier parse.
ParseResult parseLog(std::string_view bytes);

// "INFO NET PID(4711) THR(MAIN) : net.cpp - 42 : 04 Dec 2026 16:03:46.007" into `record`'s header
// fields; false when the line is not a record header.
bool parseRecordHeader(std::string_view line, Record& record);

// The record as the log wrote it: an empty line, the header line, a tab and the text, a line feed.
std::string recordText(Record const& record);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_LOG_RECORD_H
