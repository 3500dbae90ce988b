// The pieces of a log record: level texts, process and thread text, printf formatting, and the record
// itself (header line, tab, text, line feed).
#ifndef QVOBASE_LOG_RECORD_H
#define QVOBASE_LOG_RECORD_H

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/datetime.h"

namespace qvo::record {

// "ANNOYING" (negative), "INFO", "WARNING", "ERROR", "WORTH" (3 and above).
std::string_view levelText(long level);

// "PID(<pid>) THR(<tid or MAIN>)" of the calling thread (worked out once per thread).
std::string_view threadText();

// printf formatting without a length limit; a negative result of the C runtime gives "".
std::string formatText(char const* format, va_list args);
// Formats into `small` when the text fits in it, else into `big`; returns the text.
std::string_view formatInto(char (&small)[2048], std::string& big, char const* format, va_list args);

// Builds the record: "\n", level text, " ", module, " ", thread text, " : ", source file, " - ",
// source line, " : ", date and time, "\n\t", the text, and "\n" unless the text ends with one. The
// record goes into `small` when it fits, else into `big`; returns it.
std::string_view buildRecord(char (&small)[1024], std::string& big, std::string_view module, long level,
                             std::string_view sourceFile, long sourceLine, std::string_view text);

}  // namespace qvo::record

// Runs `call` with `args`, the va_list of the arguments that follow the parameter `last` of the
// variadic function it stands in: the one body of every printf-style form.
#define QVO_WITH_VA_ARGS(last, call) \
  do {                               \
    va_list args;                    \
    va_start(args, last);            \
    call;                            \
    va_end(args);                    \
  } while (false)

#endif  // QVOBASE_LOG_RECORD_H
