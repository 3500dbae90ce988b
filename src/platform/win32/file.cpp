// Windows: file-system primitives over the C runtime (_sopen share modes, _mkdir, _access, _stat64)
// and kernel32 (current directory, file identity). Paths use '\'.
#include <windows.h>

#include <direct.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/platform.h"

namespace qvo::platform {

char pathSeparator() { return '\\'; }
char foreignSeparator() { return '/'; }

bool isAbsolutePath(std::string const& path) {
  return path.find(':') != std::string::npos || path.find("\\\\") != std::string::npos;
}

bool currentDirectory(std::string& directory) {
  // The wide call: the ANSI one gives up on a directory longer than MAX_PATH, which _chdir accepts.
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring wide;
  for (int attempt = 0;; ++attempt) {
    if (size == 0 || attempt == 4) return false;
    wide.assign(size, L'\0');
    DWORD const length = ::GetCurrentDirectoryW(size, &wide[0]);
    if (length == 0) return false;
    if (length < size) {  // the text and its terminating zero fitted
      wide.resize(length);
      break;
    }
    size = length;  // the directory grew in between: ask again with the size now needed
  }
  // Into the code page of the ANSI file functions, which every other path of the library uses.
  UINT const codePage = ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  int const bytes = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], bytes, nullptr,
                        nullptr);
  directory = narrow;
  return true;
}

int makeDirectory(char const* path) { return ::_mkdir(path); }
int removeDirectory(char const* path) { return ::_rmdir(path); }
int changeDirectory(char const* path) { return ::_chdir(path); }

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

}  // namespace qvo::platform
