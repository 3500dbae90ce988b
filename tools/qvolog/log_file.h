// Reading a log file while its program writes it: read-only, sharing it with the writer so that the
// log can still rename it to its backup (on Windows too), and closing it again at once.
#ifndef QVOBASE_TOOLS_LOG_FILE_H
#define QVOBASE_TOOLS_LOG_FILE_H

#include <cstdint>
#include <string>

namespace qvotools {

struct FileRead {
  bool exists = false;
  std::string head;          // the first line with its line feed; empty while no whole line is there
  std::uint64_t size = 0;    // the size when it was read
  std::string bytes;         // from the offset asked for to the end
};

// One open of `path`: its first line, its size and its bytes from `offset` (none when the file is
// shorter). `exists` false when it cannot be opened.
FileRead readLogFile(std::string const& path, std::uint64_t offset);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_LOG_FILE_H
