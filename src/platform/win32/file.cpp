// Windows: file-system primitives over the C runtime (_fsopen share modes, _mkdir, _access, _stat64)
// and kernel32 (current directory, file identity). Paths use '\'.
#include <windows.h>

#include <direct.h>
#include <errno.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <string.h>
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
  DWORD size = ::GetCurrentDirectoryA(0, nullptr);
  for (int attempt = 0; size != 0 && attempt < 4; ++attempt) {
    std::string buffer(size, '\0');
    DWORD const length = ::GetCurrentDirectoryA(size, &buffer[0]);
    if (length == 0) break;
    if (length < size) {  // the text and its terminating zero fitted
      buffer.resize(length);
      directory = buffer;
      return true;
    }
    size = length;  // the directory grew in between: ask again with the size now needed
  }
  return false;
}

int makeDirectory(char const* path) { return ::_mkdir(path); }
int removeDirectory(char const* path) { return ::_rmdir(path); }
int changeDirectory(char const* path) { return ::_chdir(path); }

std::FILE* openFile(char const* path, char const* mode, FileShare share) {
  switch (share) {
    case FileShare::DenyNone:
      return ::_fsopen(path, mode, _SH_DENYNO);
    case FileShare::DenyReadWrite:
      return ::_fsopen(path, mode, _SH_DENYRW);
    case FileShare::RuntimeDefault:
      break;
  }
  return std::fopen(path, mode);
}

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
