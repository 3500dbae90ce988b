// POSIX (Linux): paths use '/', a path starting with '/' is absolute; the current directory, directories
// and the fixed temporary directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/paths.h"

namespace qvo::platform {

char pathSeparator() { return '/'; }
char foreignSeparator() { return '\\'; }

bool isAbsolutePath(std::string const& path) { return !path.empty() && path[0] == '/'; }

bool currentDirectory(std::string& directory) {
  std::vector<char> buffer(1024);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      directory.assign(buffer.data());
      return true;
    }
    if (errno != ERANGE) return false;
    buffer.resize(buffer.size() * 2);
  }
}

int makeDirectory(char const* path) { return ::mkdir(path, 0777); }
int removeDirectory(char const* path) { return ::rmdir(path); }
int changeDirectory(char const* path) { return ::chdir(path); }

// The Windows text "C:\TEMP\" names no directory here; /tmp/ exists on every POSIX system.
char const* fixedTemporaryDirectory() { return "/tmp/"; }

}  // namespace qvo::platform
