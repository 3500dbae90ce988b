// Text and records into a back-end: one formatting into a stack buffer, one record, one post. Kept
// out of line from the trace forms, so that their switched-off path has no frame for the buffers.
#include "log/posting.h"

#include <string>

#include "log/record.h"
#include "common/format.h"

namespace qvo::posting {

void postRecord(LogImplementation* impl, std::string_view module, long level, std::string_view sourceFile,
                long sourceLine, std::string_view text, bool flushNow) {
  char small[1024];
  std::string big;
  impl->post(record::buildRecord(small, big, module, level, sourceFile, sourceLine, text), flushNow);
}

void postFormattedText(LogImplementation* impl, char const* format, va_list args) {
  char small[2048];
  std::string big;
  impl->post(common::formatInto(small, big, format, args), false);
}

void postFormattedRecord(LogImplementation* impl, std::string_view module, long level, std::string_view sourceFile,
                         long sourceLine, bool flushNow, char const* format, va_list args) {
  char small[2048];
  std::string big;
  postRecord(impl, module, level, sourceFile, sourceLine, common::formatInto(small, big, format, args), flushNow);
}

}  // namespace qvo::posting
