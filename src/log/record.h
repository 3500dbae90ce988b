// The pieces of a log record: level texts, process and thread text, date and time, printf formatting,
// and the record itself (header line, tab, text, line feed).
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

// Appends the record: "\n", level text, " ", module, " ", thread text, " : ", source file, " - ",
// source line, " : ", date and time, "\n\t", the text, and "\n" unless the text ends with one.
void appendRecord(std::string& out, std::string_view module, long level, std::string_view sourceFile,
                  long sourceLine, std::string_view text);

// A per-thread buffer for building one record at a time without allocating each time.
std::string& scratch();
// Gives a scratch buffer that grew very large back to the heap.
void trimScratch(std::string& buffer);

}  // namespace qvo::record

#endif  // QVOBASE_LOG_RECORD_H
