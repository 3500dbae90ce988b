// Windows: the backslash form, the system's rule for an absolute path (PathIsRelativeA), the current
// directory read wide, directories through the C runtime, and the fixed temporary directory.
#include <windows.h>
#include <shlwapi.h>

#include <direct.h>

#include "platform/paths.h"

namespace qvo::platform {

char pathSeparator() { return '\\'; }
char foreignSeparator() { return '/'; }

bool isAbsolutePath(std::string const& path) { return ::PathIsRelativeA(path.c_str()) == FALSE; }

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

char const* fixedTemporaryDirectory() { return "C:\\TEMP\\"; }

}  // namespace qvo::platform
