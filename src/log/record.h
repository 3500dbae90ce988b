// The pieces of a log record: level texts, process and thread text, and the record itself (header
// line, tab, text, line feed).
#ifndef QVOBASE_LOG_RECORD_H
#define QVOBASE_LOG_RECORD_H

#include <cstdint>
#include <string>
#include <string_view>

#include "log/datetime.h"

namespace qvo::record {

// "ANNOYING" (negative), "INFO", "WARNING", "ERROR", "WORTH" (3 and above).
std::string_view levelText(long level);

// "PID(<pid>) THR(<tid or MAIN>)" of the calling thread (worked out once per thread).
std::string_view threadText();

// Builds the record: "\n", level text, " ", module, " ", thread text, " : ", source file, " - ",
// source line, " : ", date and time, "\n\t", the text, and "\n" unless the text ends with one. The
// record goes into `small` when it fits, else into `big`; returns it.
std::string_view buildRecord(char (&small)[1024], std::string& big, std::string_view module, long level,
                             std::string_view sourceFile, long sourceLine, std::string_view text);

}  // namespace qvo::record

#endif  // QVOBASE_LOG_RECORD_H
