// Fuzz target: the log record parser of the tools (qvolog) on any bytes, with its filter and JSON texts.
// Whatever the bytes, parsing on from the end of any item gives the items after it, item offsets stay
// in order within the bytes, and every JSON text is printable ASCII or whole UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "log_record.h"
#include "record_filter.h"
#include "record_json.h"

namespace {

// JSON text of ours never holds a control byte or a broken UTF-8 sequence.
void checkJson(std::string const& json) {
  for (std::size_t i = 0; i < json.size();) {
    auto const c = static_cast<unsigned char>(json[i]);
    QVO_FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    QVO_FUZZ_CHECK(c < 0x80 || c >= 0xC2);
    QVO_FUZZ_CHECK(i + n <= json.size());
    for (std::size_t k = 1; k < n; ++k) QVO_FUZZ_CHECK((static_cast<unsigned char>(json[i + k]) & 0xC0) == 0x80);
    i += n;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::string_view const bytes(reinterpret_cast<char const*>(data), size);
  qvotools::ParseResult const whole = qvotools::parseLog(bytes);

  std::size_t previousEnd = 0;
  for (qvotools::Item const& item : whole.items) {
    QVO_FUZZ_CHECK(item.begin >= previousEnd && item.begin < item.end && item.end <= size);
    previousEnd = item.end;
    checkJson(qvotools::markJson(item, "f.log"));
    if (item.kind == qvotools::Item::Kind::Record) {
      // The record's own text parses back to the same record.
      std::string const text = qvotools::recordText(item.record);
      qvotools::ParseResult const again = qvotools::parseLog(text);
      QVO_FUZZ_CHECK(!again.items.empty() && again.items[0].kind == qvotools::Item::Kind::Record);
      QVO_FUZZ_CHECK(again.items[0].record.header == item.record.header);
      qvotools::RecordFilter filter;
      filter.grep = item.record.module;
      QVO_FUZZ_CHECK(filter.matches(item.record));
    }
  }

  // Resuming after one item (picked by the first byte) gives the rest.
  if (!whole.items.empty() && size > 0) {
    std::size_t const k = data[0] % whole.items.size();
    std::size_t const from = whole.items[k].end;
    qvotools::ParseResult const rest = qvotools::parseLog(bytes.substr(from));
    QVO_FUZZ_CHECK(rest.items.size() == whole.items.size() - k - 1);
    for (std::size_t i = 0; i < rest.items.size(); ++i) {
      qvotools::Item const& a = rest.items[i];
      qvotools::Item const& b = whole.items[k + 1 + i];
      QVO_FUZZ_CHECK(a.kind == b.kind && a.end + from == b.end && a.record.text == b.record.text && a.line == b.line);
    }
  }

  // The time readers on the same bytes.
  (void)qvotools::parseLogTime(bytes);
  (void)qvotools::parseUserTime(bytes, true);
  (void)qvotools::parseLevel(bytes);
  return 0;
}
