// Shared helpers of the directory and file classes: the trace call, separator normalisation, the
// failure value of the unsigned results.
#ifndef QVOBASE_FILE_FILE_COMMON_H
#define QVOBASE_FILE_FILE_COMMON_H

#include <string>

#include "QVOLog.h"
#include "platform/paths.h"

namespace qvo::file {

// The module and source label of every record of the file classes. The label is the same on both
// targets, whatever the platform's separator.
constexpr char kModule[] = "QVOFILE";
constexpr char kSourceLabel[] = "..\\src\\QVOFile";

// -2 as an unsigned int: the "cannot be done" result of Read and Write.
constexpr unsigned int kUnsignedFailure = static_cast<unsigned int>(-2);

// A null text reads as the empty text wherever the classes take or print one.
inline char const* orEmpty(char const* text) { return text != nullptr ? text : ""; }

// Replaces every foreign separator by the platform's own.
inline std::string normalised(char const* path) {
  std::string result = orEmpty(path);
  char const from = platform::foreignSeparator();
  char const to = platform::pathSeparator();
  for (char& c : result) {
    if (c == from) c = to;
  }
  return result;
}

}  // namespace qvo::file

// Writes one record of the file classes, when the module is traced, before returning. The check
// first spares the formatting of records nobody reads.
#define QVO_FILE_TRACE(level, ...)                                                         \
  do {                                                                                     \
    if (CQVOLog::TraceModule(::qvo::file::kModule)) {                                     \
      CQVOLog::Trace(::qvo::file::kModule, level, ::qvo::file::kSourceLabel, __LINE__, __VA_ARGS__); \
    }                                                                                      \
  } while (false)

#endif  // QVOBASE_FILE_FILE_COMMON_H
