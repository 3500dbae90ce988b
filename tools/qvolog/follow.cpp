// qvolog follow: the log as it grows, across rollovers and reopenings, each record once and whole.
//
// The file being read is known by its first line, the "LogSwapCount[N] at <date>" header that the log
// writes at each opening and rollover. When the log's first line changes, the file was replaced: if
// the backup now starts with the known header, it is the file that was being read, and its rest is
// printed before the new file; otherwise the log was reopened (emptied), or it rolled over more than
// once between two looks and the records of the files in between are gone.
#include <chrono>
#include <cstdio>
#include <thread>

#include "commands.h"
#include "log_file.h"
#include "log_names.h"
#include "printer.h"

namespace qvotools {

namespace {

// The swap count of a header line; -1 when the line is none.
long long swapCountOf(std::string const& head) {
  ParseResult const parsed = parseLog(head);
  if (parsed.items.size() != 1 || parsed.items[0].kind != Item::Kind::SwapHeader) return -1;
  return static_cast<long long>(parsed.items[0].swapCount);
}

class Follower {
 public:
  Follower(LogOptions const& options) : m_options(options), m_printer(options), m_backup(backupName(options.log)) {}

  int run() {
    for (;;) {
      poll();
      m_printer.flush();
      if (done()) return kExitOk;
      std::this_thread::sleep_for(std::chrono::milliseconds(m_options.intervalMs));
    }
  }

 private:
  bool done() const { return m_options.count > 0 && m_printer.records() >= m_options.count; }

  void poll() {
    FileRead read = readLogFile(m_options.log, m_offset);
    if (!read.exists || read.head.empty()) return;  // between a rollover's rename and the new header
    if (m_head.empty()) {
      start(read);
      return;
    }
    if (read.head != m_head || read.size < m_offset) {
      replaced(read.head);
      read = readLogFile(m_options.log, 0);
      if (read.head != m_head) return;  // replaced again meanwhile: the next look takes it
    }
    take(read.bytes, false, m_options.log);
  }

  void start(FileRead const& read) {
    m_head = read.head;
    m_offset = 0;
    if (m_options.fromEnd) {
      // Skip what is there: up to the end of its last whole item.
      ParseResult const parsed = parseLog(read.bytes);
      if (!parsed.items.empty()) {
        std::size_t last = parsed.items.size() - (parsed.endsWithLineFeed ? 1 : 2);
        if (last < parsed.items.size()) m_offset = parsed.items[last].end;
      }
      return;
    }
    take(read.bytes, false, m_options.log);
  }

  // The log's first line is no longer the one of the file being read. After one rollover (the swap
  // count one higher) that file is the backup now, which may take a moment to be seen there (a
  // rename on Windows); after a reopening (count 0) it is gone, as the log meant.
  void replaced(std::string const& newHead) {
    long long const was = swapCountOf(m_head);
    long long const now = swapCountOf(newHead);
    int const attempts = was >= 0 && now == was + 1 ? 50 : 1;
    bool found = false;
    for (int attempt = 0; attempt < attempts && !found; ++attempt) {
      FileRead const old = readLogFile(m_backup, m_offset);
      found = old.exists && old.head == m_head;
      if (found)
        take(old.bytes, true, m_backup);
      else if (attempt + 1 < attempts)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!found && now != 0)
      std::fprintf(stderr, "qvolog: records of %s were lost between two looks (it rolled over more than once)\n",
                   m_options.log.c_str());
    m_head = newHead;
    m_offset = 0;
    m_heldEnd = 0;
  }

  // Prints the whole items of `bytes` (read from m_offset) and moves past them. The last item of an
  // open file waits until it has ended with a line feed and stayed the same for one look.
  void take(std::string const& bytes, bool closed, std::string const& file) {
    ParseResult const parsed = parseLog(bytes);
    std::size_t n = parsed.items.size();
    if (!closed && n > 0) {
      std::uint64_t const lastEnd = m_offset + parsed.items[n - 1].end;
      if (!parsed.endsWithLineFeed || lastEnd != m_heldEnd) {
        m_heldEnd = parsed.endsWithLineFeed ? lastEnd : 0;
        --n;
      }
    }
    std::size_t consumed = 0;
    for (std::size_t i = 0; i < n; ++i) {
      m_printer.print(parsed.items[i], file);
      consumed = parsed.items[i].end;
      if (done()) break;
    }
    m_offset += consumed;
  }

  LogOptions const& m_options;
  ItemPrinter m_printer;
  std::string m_backup;
  std::string m_head;          // first line of the file being read
  std::uint64_t m_offset = 0;  // bytes of it printed
  std::uint64_t m_heldEnd = 0; // where the last item ended at the previous look, while it waits
};

}  // namespace

int runFollow(LogOptions const& options) { return Follower(options).run(); }

}  // namespace qvotools
