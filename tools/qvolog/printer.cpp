// Printing log items on standard output.
#include "printer.h"

#include <cstdio>

#include "record_json.h"

namespace qvotools {

namespace {

void put(std::string const& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

}  // namespace

bool filtering(RecordFilter const& f) {
  return !f.modules.empty() || f.level || f.pid || f.thread || f.since || f.until || f.grep;
}

ItemPrinter::ItemPrinter(LogOptions const& options) : m_options(options), m_filtered(filtering(options.filter)) {}

void ItemPrinter::print(Item const& item, std::string const& file) {
  switch (item.kind) {
    case Item::Kind::Record:
      if (!m_options.filter.matches(item.record)) return;
      ++m_records;
      put(m_options.json ? recordJson(item.record) + "\n" : recordText(item.record));
      return;
    case Item::Kind::SwapHeader:
    case Item::Kind::CrashEnding:
      put(m_options.json ? markJson(item, file) + "\n" : "==> " + file + ": " + item.line + " <==\n");
      return;
    case Item::Kind::Loose:
      if (m_filtered) return;
      put(m_options.json ? markJson(item, file) + "\n" : item.line + "\n");
      return;
  }
}

void ItemPrinter::flush() { std::fflush(stdout); }

}  // namespace qvotools
