// The operating-system primitives of the log: its file output, 64-bit local time, process teardown.
#ifndef QVOBASE_PLATFORM_LOG_H
#define QVOBASE_PLATFORM_LOG_H

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace qvo::platform {

// Opens `name` for writing with sharing allowed to other readers and writers (text mode on Windows,
// so a line feed is stored as carriage return + line feed); the file is created when missing. With
// `truncate` an existing file is emptied; otherwise every write goes to its end and `*existingSize`
// receives its current size in bytes. Returns a descriptor, or -1 on failure (errno set).
int logFileOpen(char const* name, bool truncate, std::uint64_t* existingSize);
// Writes all `size` bytes (retrying short writes); false on the first failure.
bool logFileWrite(int fd, char const* data, std::size_t size);
void logFileClose(int fd);
// Whether a file or directory of that name exists.
bool logFileExists(char const* name);

// Local broken-down time of `seconds` since 1970-01-01 UTC, 64-bit on both targets (dates after
// January 2038 are right). False when the value cannot be converted.
bool logLocalTime(std::int64_t seconds, std::tm* out);

// True while the process is being torn down after the operating system has already ended its other
// threads (Windows process exit); locks those threads held may stay taken for ever. False on POSIX,
// where exit() runs the library's destructors while other threads still run.
bool logProcessExiting();

// Runs `hook` when the process exits normally (exit() or a return from main), while its other
// threads still run, before the libraries' own teardown. POSIX: atexit. Windows: the C runtime's
// process-wide exit table, with this library kept loaded from then on (the hook lives in it).
void logAtProcessExit(void (*hook)());

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_LOG_H
