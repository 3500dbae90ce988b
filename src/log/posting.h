// The one way of text and records into a back-end, shared by qvo::Log's forms and CQVOLog's: printf
// formatting into a buffer on the caller's stack, the record built around the text, the post. The
// callers have checked the module already.
#ifndef QVOBASE_LOG_POSTING_H
#define QVOBASE_LOG_POSTING_H

#include <cstdarg>
#include <string_view>

#include "log/implementation.h"

namespace qvo::posting {

// The record (header, text, line feed) of `text`, posted.
void postRecord(LogImplementation* impl, std::string_view module, long level, std::string_view sourceFile,
                long sourceLine, std::string_view text, bool flushNow);
// The formatted text, posted as it is (the plain formatting forms: never written at once).
void postFormattedText(LogImplementation* impl, char const* format, va_list args);
// The formatted text, posted as a record.
void postFormattedRecord(LogImplementation* impl, std::string_view module, long level, std::string_view sourceFile,
                         long sourceLine, bool flushNow, char const* format, va_list args);

}  // namespace qvo::posting

// Runs `call` with `args`, the va_list of the arguments that follow the parameter `last` of the
// variadic function it stands in: the one body of every printf-style form.
#define QVO_WITH_VA_ARGS(last, call) \
  do {                               \
    va_list args;                    \
    va_start(args, last);            \
    call;                            \
    va_end(args);                    \
  } while (false)

#endif  // QVOBASE_LOG_POSTING_H
