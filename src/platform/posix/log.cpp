// POSIX (Linux): the log's primitives: file output with open/write, localtime_r, process teardown.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/platform.h"

namespace qvo::platform {

int logFileOpen(char const* name, bool truncate, std::uint64_t* existingSize) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND);
  int fd;
  do {
    fd = ::open(name, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  if (existingSize != nullptr) {
    struct stat st {};
    *existingSize = (!truncate && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
                        ? static_cast<std::uint64_t>(st.st_size)
                        : 0;
  }
  return fd;
}

bool logFileWrite(int fd, char const* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void logFileClose(int fd) {
  if (fd >= 0) ::close(fd);
}

bool logFileExists(char const* name) {
  struct stat st {};
  return ::stat(name, &st) == 0;
}

bool logLocalTime(std::int64_t seconds, std::tm* out) {
  time_t t = static_cast<time_t>(seconds);
  return ::localtime_r(&t, out) != nullptr;
}

bool logProcessExiting() { return false; }

// atexit from a shared library is tied to it: the hook also runs if the library is unloaded first.
void logAtProcessExit(void (*hook)()) { std::atexit(hook); }

}  // namespace qvo::platform
