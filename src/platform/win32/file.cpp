// Windows: file I/O over the C runtime (_sopen share modes without inheritance, _access, _stat64, and for
// the log's output files the low-level _sopen with _SH_DENYNO) and kernel32 (existence, file identity).
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

#include <climits>

#include "platform/file.h"

namespace qvo::platform {

namespace {

// The low-level open flags of a C-runtime mode ("r", "w", "a", "r+", "w+", "a+", then 'b' or 't'),
// as fopen derives them; -1 for a mode it would refuse.
int openFlagsOf(char const* mode) {
  int flags;
  switch (mode[0]) {
    case 'r':
      flags = _O_RDONLY;
      break;
    case 'w':
      flags = _O_WRONLY | _O_CREAT | _O_TRUNC;
      break;
    case 'a':
      flags = _O_WRONLY | _O_CREAT | _O_APPEND;
      break;
    default:
      return -1;
  }
  for (char const* p = mode + 1; *p != '\0'; ++p) {
    if (*p == '+') flags = (flags & ~(_O_RDONLY | _O_WRONLY)) | _O_RDWR;
    if (*p == 'b') flags |= _O_BINARY;
    if (*p == 't') flags |= _O_TEXT;
  }
  return flags;
}

}  // namespace

std::FILE* openFile(char const* path, char const* mode, FileShare share) {
  // Opened as _fsopen would, and not inheritable (_O_NOINHERIT): a child process started while the
  // file is open must not hold it, or the file could not be removed, renamed or opened exclusively
  // here until that child ends. The runtime's plain fopen shares as deny-none.
  const int flags = openFlagsOf(mode);
  if (flags < 0) {
    errno = EINVAL;
    return nullptr;
  }
  const int sharing = share == FileShare::DenyReadWrite ? _SH_DENYRW : _SH_DENYNO;
  const int fd = ::_sopen(path, flags | _O_NOINHERIT, sharing, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::_fdopen(fd, mode);
  if (stream == nullptr) {
    const int saved = errno;
    ::_close(fd);
    errno = saved;
  }
  return stream;
}

std::size_t readLine(std::FILE* stream, char* buffer, std::size_t size, char const** text) {
  // fgets in the runtime's own mode: in text mode it turns "\r\n" into "\n" on the way.
  *text = buffer;
  if (size < 2) return 0;
  if (std::fgets(buffer, static_cast<int>(size), stream) == nullptr) return 0;
  return std::strlen(buffer);
}

int closeFile(std::FILE* stream) { return std::fclose(stream); }

bool accessPath(char const* path, int mode) { return ::_access(path, mode) == 0; }

bool pathExists(char const* path) { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool fileTimes(char const* path, FileTimes& times) {
  // The 64-bit status: the 32-bit one cannot describe a time after January 2038.
  struct _stat64 status;
  if (::_stat64(path, &status) != 0) return false;
  times.change = static_cast<std::int64_t>(status.st_ctime);
  times.modification = static_cast<std::int64_t>(status.st_mtime);
  times.access = static_cast<std::int64_t>(status.st_atime);
  return true;
}

namespace {

// Opens a path for its attributes only: no read or write access, so no sharing mode refuses it.
bool identify(char const* path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE const handle = ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BOOL const ok = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  return ok != FALSE;
}

}  // namespace

bool sameFile(char const* first, char const* second) {
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  if (!identify(first, a) || !identify(second, b)) return false;
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool renameFile(char const* oldName, char const* newName) {
  // The Windows runtime's rename never replaces an existing file.
  return std::rename(oldName, newName) == 0;
}

bool removeFile(char const* path) { return std::remove(path) == 0; }

KernelCopy copyFileContents(std::FILE*, std::FILE*) { return KernelCopy::Unsupported; }

int openOutputFile(char const* name, bool truncate, std::uint64_t* existingSize) {
  int flags = _O_WRONLY | _O_CREAT | _O_TEXT | _O_NOINHERIT | (truncate ? _O_TRUNC : _O_APPEND);
  int fd = ::_sopen(name, flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (fd < 0) return -1;
  if (existingSize != nullptr) {
    long long size = truncate ? 0 : ::_filelengthi64(fd);
    *existingSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  }
  return fd;
}

bool writeOutputFile(int fd, char const* data, std::size_t size) {
  while (size > 0) {
    unsigned chunk = size > static_cast<std::size_t>(INT_MAX / 2) ? static_cast<unsigned>(INT_MAX / 2)
                                                                  : static_cast<unsigned>(size);
    int n = ::_write(fd, data, chunk);
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void closeOutputFile(int fd) {
  if (fd >= 0) ::_close(fd);
}

}  // namespace qvo::platform
