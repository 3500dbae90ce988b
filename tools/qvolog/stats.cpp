// qvolog stats: records per module and level, time span, rollovers, crash endings.
#include <cstdio>
#include <algorithm>
#include <array>
#include <map>
#include <vector>
#include <string>

#include "commands.h"
#include "log_names.h"
#include "log_pair.h"
#include "record_json.h"

namespace qvotools {

namespace {

constexpr int kLevels = 5;

struct Stats {
  std::map<std::string, std::array<long long, kLevels>> perModule;
  long long records = 0;
  Record const* first = nullptr;
  Record const* last = nullptr;
  unsigned long long rollovers = 0;   // the highest swap count seen: rollovers since the log was opened
  long long fileStarts = 0;           // headers seen (files and reopenings)
  std::vector<std::string> crashes;
  long long cut = 0;
};

std::string timeOf(Record const* r, bool json) {
  if (r == nullptr) return json ? "null" : "-";
  std::string const text = r->time ? r->time->iso() : r->timeText;
  return json ? jsonString(text) : r->timeText;
}

void printText(Stats const& s, std::vector<LogPart> const& parts) {
  std::printf("files:");
  for (LogPart const& p : parts) std::printf(" %s", p.file.c_str());
  std::printf("\nrecords: %lld", s.records);
  if (s.cut > 0) std::printf(" (%lld cut at the size limit)", s.cut);
  std::printf("\nspan: %s .. %s\n", timeOf(s.first, false).c_str(), timeOf(s.last, false).c_str());
  std::printf("rollovers: %llu (file headers seen: %lld)\n", s.rollovers, s.fileStarts);
  std::printf("crash endings: %zu\n", s.crashes.size());
  for (std::string const& c : s.crashes) std::printf("  %s\n", c.c_str());
  if (s.perModule.empty()) return;
  std::size_t width = 6;
  for (auto const& m : s.perModule) width = std::max(width, m.first.size());
  std::printf("%-*s %9s %9s %9s %9s %9s %9s\n", static_cast<int>(width), "module", "ANNOYING", "INFO", "WARNING",
              "ERROR", "WORTH", "total");
  for (auto const& [module, counts] : s.perModule) {
    long long total = 0;
    std::printf("%-*s", static_cast<int>(width), module.c_str());
    for (long long c : counts) {
      std::printf(" %9lld", c);
      total += c;
    }
    std::printf(" %9lld\n", total);
  }
}

void printJson(Stats const& s, std::vector<LogPart> const& parts) {
  std::string out = "{\"files\":[";
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "," : "") + jsonString(parts[i].file);
  out += "],\"records\":" + std::to_string(s.records) + ",\"cut\":" + std::to_string(s.cut);
  out += ",\"first\":" + timeOf(s.first, true) + ",\"last\":" + timeOf(s.last, true);
  out += ",\"rollovers\":" + std::to_string(s.rollovers) + ",\"file_headers\":" + std::to_string(s.fileStarts);
  out += ",\"crash_endings\":[";
  for (std::size_t i = 0; i < s.crashes.size(); ++i) out += (i ? "," : "") + jsonString(s.crashes[i]);
  out += "],\"modules\":{";
  bool firstModule = true;
  for (auto const& [module, counts] : s.perModule) {
    out += (firstModule ? "" : ",") + jsonString(module) + ":{";
    firstModule = false;
    long long total = 0;
    for (int l = 0; l < kLevels; ++l) {
      out += std::string("\"") + levelText(static_cast<Level>(l)) + "\":" + std::to_string(counts[l]) + ",";
      total += counts[l];
    }
    out += "\"total\":" + std::to_string(total) + "}";
  }
  out += "}}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int runStats(LogOptions const& options) {
  std::vector<LogPart> const parts = readLogPair(options.log);
  if (parts.empty()) return kExitNothing;
  Stats s;
  for (LogPart const& part : parts) {
    for (Item const& item : part.items) {
      if (item.kind == Item::Kind::SwapHeader) {
        ++s.fileStarts;
        s.rollovers = std::max(s.rollovers, item.swapCount);
      } else if (item.kind == Item::Kind::CrashEnding) {
        s.crashes.push_back(item.line);
      } else if (item.kind == Item::Kind::Record && options.filter.matches(item.record)) {
        Record const& r = item.record;
        auto& counts = s.perModule[r.module];
        ++counts[static_cast<int>(r.level)];
        ++s.records;
        if (r.cut) ++s.cut;
        if (r.time && (s.first == nullptr || !s.first->time || r.time->key() < s.first->time->key())) s.first = &r;
        if (r.time && (s.last == nullptr || !s.last->time || r.time->key() >= s.last->time->key())) s.last = &r;
      }
    }
  }
  if (options.json)
    printJson(s, parts);
  else
    printText(s, parts);
  std::fflush(stdout);
  return s.records > 0 ? kExitOk : kExitNothing;
}

}  // namespace qvotools
