// Windows: the log's primitives: text-mode file output through the C runtime's low-level file
// functions (_sopen with _SH_DENYNO), _localtime64_s, and the process-exit test of the loader.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/library_pin.h"
#include "platform/platform.h"

namespace qvo::platform {

int logFileOpen(char const* name, bool truncate, std::uint64_t* existingSize) {
  int flags = _O_WRONLY | _O_CREAT | _O_TEXT | _O_NOINHERIT | (truncate ? _O_TRUNC : _O_APPEND);
  int fd = ::_sopen(name, flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (fd < 0) return -1;
  if (existingSize != nullptr) {
    long long size = truncate ? 0 : ::_filelengthi64(fd);
    *existingSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  }
  return fd;
}

bool logFileWrite(int fd, char const* data, std::size_t size) {
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

void logFileClose(int fd) {
  if (fd >= 0) ::_close(fd);
}

bool logFileExists(char const* name) {
  struct _stat64 st {};
  return ::_stat64(name, &st) == 0;
}

bool logLocalTime(std::int64_t seconds, std::tm* out) {
  __time64_t t = static_cast<__time64_t>(seconds);
  return ::_localtime64_s(out, &t) == 0;
}

// At process exit Windows ends every other thread before it runs the libraries' teardown; the
// loader then reports a shutdown in progress.
bool logProcessExiting() {
  using Query = BOOLEAN(WINAPI*)();
  static const Query query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlDllShutdownInProgress")));
  return query != nullptr && query() != 0;
}

namespace {
void (*g_exitHook)() = nullptr;
int __cdecl runExitHook() {
  if (g_exitHook != nullptr) g_exitHook();
  return 0;
}
}  // namespace

// A library's own atexit list runs only at its unload, after Windows has ended every other thread.
// The C runtime's process-wide list (msvcrt's _onexit) runs in exit() before that, so the hook goes
// there; the library is pinned so that the hook stays valid until the process ends.
void logAtProcessExit(void (*hook)()) {
  g_exitHook = hook;
  keepLibraryLoaded();
  using OnExit = _onexit_t(__cdecl*)(_onexit_t);
  HMODULE crt = ::GetModuleHandleA("msvcrt.dll");
  auto onexit = crt != nullptr ? reinterpret_cast<OnExit>(reinterpret_cast<void*>(::GetProcAddress(crt, "_onexit")))
                               : nullptr;
  if (onexit == nullptr || onexit(&runExitHook) == nullptr) std::atexit(hook);
}

}  // namespace qvo::platform
