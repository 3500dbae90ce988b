// The operating-system seam, file I/O: share-mode streams, line reads, status, identity, copy, rename
// and remove, and the unbuffered output files of the log. Defined in posix/file.cpp and win32/file.cpp.
#ifndef QVOBASE_PLATFORM_FILE_H
#define QVOBASE_PLATFORM_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace qvo::platform {

// --- files ---------------------------------------------------------------------------------------
// How other openers may share a file while it is open.
enum class FileShare {
  DenyNone,        // others may read and write
  DenyReadWrite,   // others may neither read nor write
  RuntimeDefault,  // what the runtime's plain fopen gives (deny-none on both targets)
};

// Opens `path` with a C-runtime mode: "r", "w", "a", "r+", "w+" or "a+", optionally followed by the
// type letter 'b' (untranslated) or 't' (line-end translation where the platform has one).
// A sharing conflict fails the open with errno EACCES, before anything is truncated.
// Null on failure with errno set. A directory is never opened as a file. Close it with closeFile.
std::FILE* openFile(char const* path, char const* mode, FileShare share);

// Reads one line as fgets(buffer, size, stream) does: at most size - 1 characters, up to and with the
// first line feed; sets the end-of-file indicator the same way. Returns the number of characters read,
// or 0 at the end of the file or on a read error (when fgets returns null). `*text` receives where the
// characters are: in `buffer`, or, when the line lay whole in the stream's own buffer, there (valid
// until the next operation on the stream). Neither is zero-terminated. The caller is the stream's only
// user meanwhile (no stream lock is taken).
std::size_t readLine(std::FILE* stream, char* buffer, std::size_t size, char const** text);

// Closes a stream that openFile gave, and releases what openFile attached to it. The result of
// fclose: 0, or EOF with errno set (the stream is released either way).
int closeFile(std::FILE* stream);

// The runtime's _access: mode 0 existence, 2 write, 4 read, 6 read and write. True when allowed.
bool accessPath(char const* path, int mode);
// True when something exists at `path` (a file or a directory); no trace, no errno promise.
bool pathExists(char const* path);

// Change (creation on Windows, status change on POSIX), modification and access times of a path,
// in seconds since 1970-01-01 UTC, 64-bit on both targets.
struct FileTimes {
  std::int64_t change;
  std::int64_t modification;
  std::int64_t access;
};
bool fileTimes(char const* path, FileTimes& times);

// True when both paths exist and name the same file (same device and inode on POSIX, same volume and
// file index on Windows), whatever their spelling.
bool sameFile(char const* first, char const* second);

// Renames a file without ever replacing another one: fails (errno EEXIST or as the runtime says)
// when `newName` exists, except that renaming a name to itself succeeds.
bool renameFile(char const* oldName, char const* newName);
// Removes a file (never a directory). True on success, errno set otherwise.
bool removeFile(char const* path);

// The kernel's own copy of the rest of `in` to `out`, both freshly opened binary streams with
// nothing buffered. Unsupported leaves both untouched (the caller copies through a buffer); Done and
// Failed report the outcome of a kernel copy that ran.
enum class KernelCopy { Done, Failed, Unsupported };
KernelCopy copyFileContents(std::FILE* in, std::FILE* out);

// --- unbuffered output files ---------------------------------------------------------------------
// Opens `name` for writing with sharing allowed to other readers and writers (text mode on Windows,
// so a line feed is stored as carriage return + line feed); the file is created when missing. With
// `truncate` an existing file is emptied; otherwise every write goes to its end and `*existingSize`
// receives its current size in bytes. Returns a descriptor, or -1 on failure (errno set).
int openOutputFile(char const* name, bool truncate, std::uint64_t* existingSize);
// Writes all `size` bytes (retrying short writes); false on the first failure (errno set).
bool writeOutputFile(int fd, char const* data, std::size_t size);
// Closes a descriptor that openOutputFile gave; -1 is ignored.
void closeOutputFile(int fd);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_FILE_H
