// Splitting the bytes of a log file into records, headers, crash endings and loose text.
#include <cstdlib>

#include "log_record.h"

namespace qvotools {

namespace {

constexpr std::string_view kSwapPrefix = "LogSwapCount[";
constexpr std::string_view kCrashPrefix = "process ends on ";

struct Line {
  std::size_t begin, end;  // the text, without its line end
  std::size_t next;        // where the next line starts
  bool terminated;         // ended by a line feed
};

std::vector<Line> splitLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t const lf = bytes.find('\n', at);
    bool const terminated = lf != std::string_view::npos;
    std::size_t end = terminated ? lf : bytes.size();
    std::size_t const next = terminated ? lf + 1 : bytes.size();
    while (end > at && bytes[end - 1] == '\r') --end;  // a text's own CR before a Windows line end too
    lines.push_back({at, end, next, terminated});
    at = next;
  }
  return lines;
}

// Reads a decimal number (an optional minus, then 1 to 18 digits) that fills `text`.
bool decimal(std::string_view text, long long& out) {
  bool const negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = negative ? -value : value;
  return true;
}

bool parseSwapHeader(std::string_view line, Item& item) {
  if (line.substr(0, kSwapPrefix.size()) != kSwapPrefix) return false;
  std::size_t const close = line.find("] at ", kSwapPrefix.size());
  if (close == std::string_view::npos) return false;
  long long count = 0;
  if (!decimal(line.substr(kSwapPrefix.size(), close - kSwapPrefix.size()), count) || count < 0) return false;
  item.kind = Item::Kind::SwapHeader;
  item.swapCount = static_cast<unsigned long long>(count);
  item.time = parseLogTime(line.substr(close + 5));
  item.line = std::string(line);
  return true;
}

}  // namespace

char const* levelText(Level level) {
  switch (level) {
    case Level::Annoying: return "ANNOYING";
    case Level::Info: return "INFO";
    case Level::Warning: return "WARNING";
    case Level::Error: return "ERROR";
    case Level::Worth: return "WORTH";
  }
  return "INFO";
}

std::optional<Level> parseLevel(std::string_view text) {
  for (Level level : {Level::Annoying, Level::Info, Level::Warning, Level::Error, Level::Worth}) {
    std::string_view const name = levelText(level);
    if (text.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < text.size() && same; ++i)
      same = (text[i] & ~0x20) == name[i];  // letters of either case
    if (same) return level;
  }
  long long number = 0;
  if (!decimal(text, number)) return std::nullopt;
  if (number < 0) return Level::Annoying;
  if (number >= 3) return Level::Worth;
  return static_cast<Level>(number + 1);
}

bool parseRecordHeader(std::string_view line, Record& record) {
  // LEVEL MODULE PID(p) THR(t) : SOURCE - LINE : DATE. The level has no blank; the module ends at the
  // first " PID("; the source may hold " - " and " : ", so the line and the date are taken from the end.
  std::size_t const blank = line.find(' ');
  if (blank == std::string_view::npos) return false;
  std::string_view const levelName = line.substr(0, blank);
  if (levelName != "ANNOYING" && levelName != "INFO" && levelName != "WARNING" && levelName != "ERROR" &&
      levelName != "WORTH")
    return false;
  std::size_t const pidAt = line.find(" PID(", blank);
  if (pidAt == std::string_view::npos) return false;
  std::size_t const pidEnd = line.find(") THR(", pidAt + 5);
  if (pidEnd == std::string_view::npos) return false;
  std::size_t const threadEnd = line.find(") : ", pidEnd + 6);
  if (threadEnd == std::string_view::npos) return false;
  std::size_t const dateAt = line.rfind(" : ");
  if (dateAt == std::string_view::npos || dateAt <= threadEnd + 1) return false;
  std::size_t const lineAt = line.rfind(" - ", dateAt);
  if (lineAt == std::string_view::npos || lineAt < threadEnd + 4) return false;

  long long pid = 0, sourceLine = 0;
  if (!decimal(line.substr(pidAt + 5, pidEnd - pidAt - 5), pid)) return false;
  if (!decimal(line.substr(lineAt + 3, dateAt - lineAt - 3), sourceLine)) return false;
  std::string_view const thread = line.substr(pidEnd + 6, threadEnd - pidEnd - 6);
  if (thread.empty() || thread.find(')') != std::string_view::npos) return false;

  record.header = std::string(line);
  record.levelName = std::string(levelName);
  record.level = *parseLevel(levelName);
  record.module = std::string(line.substr(blank + 1, pidAt - blank - 1));
  record.pid = pid;
  record.thread = std::string(thread);
  record.source = std::string(line.substr(threadEnd + 4, lineAt - threadEnd - 4));
  record.line = sourceLine;
  record.timeText = std::string(line.substr(dateAt + 3));
  record.time = parseLogTime(record.timeText);
  return true;
}

std::string recordText(Record const& record) {
  std::string text = "\n" + record.header + "\n\t" + record.text + "\n";
  return text;
}

ParseResult parseLog(std::string_view bytes) {
  ParseResult result;
  result.endsWithLineFeed = !bytes.empty() && bytes.back() == '\n';
  std::vector<Line> const lines = splitLines(bytes);
  auto text = [&](Line const& l) { return bytes.substr(l.begin, l.end - l.begin); };

  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t open = kNone;  // the record or loose text that takes further lines
  std::size_t blanks = 0;    // empty lines seen after it, not yet known to be its text
  auto finish = [&](bool separated) {
    if (open != kNone && result.items[open].kind == Item::Kind::Record && !separated)
      result.items[open].record.cut = true;
    open = kNone;
    blanks = 0;
  };
  auto start = [&](Item item) {
    result.items.push_back(std::move(item));
    return result.items.size() - 1;
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    Line const& l = lines[i];
    std::string_view const t = text(l);
    Item header;
    Record record;
    if (t.empty()) {
      if (l.terminated) ++blanks;
      continue;
    }
    if (parseSwapHeader(t, header)) {
      finish(true);  // a reopened file's header follows a whole record directly
      header.begin = l.begin;
      header.end = l.next;
      start(std::move(header));
      continue;
    }
    if (blanks > 0 && t.substr(0, kCrashPrefix.size()) == kCrashPrefix) {
      finish(true);
      Item crash;
      crash.kind = Item::Kind::CrashEnding;
      crash.line = std::string(t);
      crash.begin = l.begin;
      crash.end = l.next;
      start(std::move(crash));
      continue;
    }
    // A record header counts only when its text line (a tab first) follows, or may still follow.
    bool const textFollows = i + 1 < lines.size() ? !text(lines[i + 1]).empty() && text(lines[i + 1])[0] == '\t'
                                                   : true;
    if (textFollows && parseRecordHeader(t, record)) {
      finish(blanks > 0);
      Item item;
      item.kind = Item::Kind::Record;
      item.begin = l.begin;
      item.end = l.next;
      if (i + 1 < lines.size()) {
        Line const& first = lines[++i];
        record.text = std::string(text(first).substr(1));
        item.end = first.next;
        record.cut = !first.terminated;
      } else {
        record.cut = true;  // the header alone: the rest is not written yet
      }
      item.record = std::move(record);
      open = start(std::move(item));
      continue;
    }
    // Text: more of the open item, or loose text.
    if (open == kNone) {
      Item loose;
      loose.kind = Item::Kind::Loose;
      loose.begin = l.begin;
      loose.line = std::string(t);
      open = start(std::move(loose));
    } else {
      Item& item = result.items[open];
      std::string& target = item.kind == Item::Kind::Record ? item.record.text : item.line;
      target.append(blanks + 1, '\n');
      target += t;
    }
    blanks = 0;
    Item& item = result.items[open];
    item.end = l.next;
    if (item.kind == Item::Kind::Record) item.record.cut = !l.terminated;
  }
  return result;
}

}  // namespace qvotools
