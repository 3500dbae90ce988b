// JSON texts of records and marks.
#include "record_json.h"

#include <cstdio>

namespace qvotools {

namespace {

// Length of the valid UTF-8 sequence at `at`, or 0.
std::size_t utf8Length(std::string_view text, std::size_t at) {
  auto const c = static_cast<unsigned char>(text[at]);
  std::size_t n = 0;
  unsigned min = 0;
  unsigned value = 0;
  if (c >= 0xC2 && c <= 0xDF) { n = 2; value = c & 0x1F; min = 0x80; }
  else if (c >= 0xE0 && c <= 0xEF) { n = 3; value = c & 0x0F; min = 0x800; }
  else if (c >= 0xF0 && c <= 0xF4) { n = 4; value = c & 0x07; min = 0x10000; }
  else return 0;
  if (at + n > text.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    auto const d = static_cast<unsigned char>(text[at + i]);
    if ((d & 0xC0) != 0x80) return 0;
    value = (value << 6) | (d & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return n;
}

std::string timeJson(Record const& record) {
  return jsonString(record.time ? record.time->iso() : record.timeText);
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    auto const c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      std::size_t const n = utf8Length(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text, i, n);
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

std::string recordJson(Record const& record) {
  std::string out = "{\"time\":" + timeJson(record);
  out += ",\"level\":" + jsonString(record.levelName);
  out += ",\"module\":" + jsonString(record.module);
  out += ",\"pid\":" + std::to_string(record.pid);
  out += ",\"thread\":" + jsonString(record.thread);
  out += ",\"source\":" + jsonString(record.source);
  out += ",\"line\":" + std::to_string(record.line);
  out += ",\"text\":" + jsonString(record.text);
  if (record.cut) out += ",\"cut\":true";
  return out + "}";
}

std::string markJson(Item const& item, std::string const& file) {
  switch (item.kind) {
    case Item::Kind::SwapHeader:
      return "{\"mark\":\"file\",\"file\":" + jsonString(file) + ",\"swap\":" + std::to_string(item.swapCount) +
             ",\"time\":" + jsonString(item.time ? item.time->iso() : item.line) + "}";
    case Item::Kind::CrashEnding:
      return "{\"mark\":\"crash\",\"file\":" + jsonString(file) + ",\"text\":" + jsonString(item.line) + "}";
    case Item::Kind::Loose:
      return "{\"mark\":\"text\",\"file\":" + jsonString(file) + ",\"text\":" + jsonString(item.line) + "}";
    case Item::Kind::Record:
      break;
  }
  return recordJson(item.record);
}

}  // namespace qvotools
