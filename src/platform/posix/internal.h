// POSIX: what the files of this folder share, so that each exists once: the retry of a call that a
// signal interrupted, the loop that writes a whole buffer, a descriptor closed at the end of its scope,
// the futex calls of the locks and events (lock.cpp) and the descriptor of an event that pipes watch
// (event.cpp). Only files of src/platform/posix/ include it.
#ifndef QVOBASE_PLATFORM_POSIX_INTERNAL_H
#define QVOBASE_PLATFORM_POSIX_INTERNAL_H

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <ctime>

#include "platform/event.h"

namespace qvo::platform {

// Calls `call` again for as long as it fails with EINTR (a signal came before it could do anything),
// and returns its last result. For calls that report failure as -1 with errno.
template <typename Call>
auto retryOnInterrupt(Call call) -> decltype(call()) {
  for (;;) {
    auto const result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

// Writes all `size` bytes, retrying short and interrupted writes. False on the first failure, with
// errno set (EIO for a write that took nothing). Only the plain system call: usable in a signal handler.
inline bool writeAll(int fd, void const* data, std::size_t size) {
  char const* bytes = static_cast<char const*>(data);
  while (size > 0) {
    ssize_t const written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// A descriptor closed when it goes out of scope, unless released.
class ScopedFd {
 public:
  explicit ScopedFd(int fd = -1) : m_fd(fd) {}
  ~ScopedFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ScopedFd(ScopedFd const&) = delete;
  ScopedFd& operator=(ScopedFd const&) = delete;
  int get() const { return m_fd; }
  int release() {
    int const fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

// lock.cpp: sleeps while *word holds `expected`, at most `timeout` when one is given; returns at once if
// the word holds something else. Wakes may also come early: callers look at the word again.
void futexWait(int* word, int expected, timespec const* timeout);
// lock.cpp: wakes up to `count` threads asleep on the word.
void futexWake(int* word, int count);

// event.cpp: the descriptor that poll() watches for an event (readable while it is set); -1 for
// kNoEvent and for an event that only threads wait on.
int eventDescriptor(EventHandle event);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_POSIX_INTERNAL_H
