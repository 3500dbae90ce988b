// Windows: crash handling: the unhandled-exception filter and the C runtime's SIGABRT handler,
// WriteFile on a C runtime descriptor's handle, Sleep. Only what is safe after a crash may run inside
// onUnhandled and onAbort: no lock, no allocation, no stdio.
#include <windows.h>
#include <io.h>

#include <atomic>
#include <csignal>

#include "platform/crash.h"
#include "platform/win32/internal.h"

namespace qvo::platform {

namespace {

enum : int { kIdle, kSaving, kSaved };

using AbortHandler = void(__cdecl*)(int);

std::atomic<CrashSaver> g_saver{nullptr};
std::atomic<int> g_state{kIdle};
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
AbortHandler g_previousAbort = SIG_DFL;
bool g_installed = false;  // installCrashHandlers and removeCrashHandlers are serialised by their caller

void append(char* out, std::size_t size, std::size_t& at, char const* text) {
  for (; *text != '\0'; ++text)
    if (at + 1 < size) out[at++] = *text;
  out[at] = '\0';
}

void putPreviousBack() {
  ::SetUnhandledExceptionFilter(g_previousFilter);
  std::signal(SIGABRT, g_previousAbort);
}

// Runs the saver once; a crash on another thread meanwhile waits until it is done.
void saveOnce(char const* how) {
  int expected = kIdle;
  if (g_state.compare_exchange_strong(expected, kSaving)) {
    putPreviousBack();
    CrashSaver saver = g_saver.load();
    if (saver != nullptr) saver(how);
    g_state.store(kSaved);
  } else {
    while (g_state.load() != kSaved) crashPause();
  }
}

// "unhandled exception 0xC0000005", without stdio.
LONG WINAPI onUnhandled(EXCEPTION_POINTERS* pointers) {
  char how[48];
  std::size_t at = 0;
  append(how, sizeof how, at, "unhandled exception 0x");
  DWORD code = pointers != nullptr && pointers->ExceptionRecord != nullptr ? pointers->ExceptionRecord->ExceptionCode
                                                                            : 0;
  char hex[9];
  for (int i = 7; i >= 0; --i, code >>= 4) hex[i] = "0123456789ABCDEF"[code & 0xF];
  hex[8] = '\0';
  append(how, sizeof how, at, hex);
  saveOnce(how);
  // The filter that was there before decides; without one the system ends the process with the
  // exception's code, as it would have without the library.
  if (g_previousFilter != nullptr) return g_previousFilter(pointers);
  return EXCEPTION_CONTINUE_SEARCH;
}

// abort() raises SIGABRT (std::terminate's default calls abort()); the C runtime has put the default
// action back before calling this. After saving, the previous handler runs, or the default action
// ends the process with exit code 3.
void __cdecl onAbort(int sig) {
  saveOnce("signal 22 (SIGABRT)");
  AbortHandler previous = g_previousAbort;
  if (previous == SIG_IGN) return;
  if (previous != SIG_DFL && previous != SIG_ERR && previous != nullptr) {
    previous(sig);
    return;
  }
  std::signal(SIGABRT, SIG_DFL);
  std::raise(SIGABRT);
}

}  // namespace

void installCrashHandlers(CrashSaver saver) {
  g_saver.store(saver);
  if (g_installed) return;
  g_previousFilter = ::SetUnhandledExceptionFilter(&onUnhandled);
  AbortHandler previous = std::signal(SIGABRT, &onAbort);
  g_previousAbort = previous == SIG_ERR ? SIG_DFL : previous;
  g_installed = true;
}

void removeCrashHandlers() {
  if (!g_installed) return;
  LPTOP_LEVEL_EXCEPTION_FILTER current = ::SetUnhandledExceptionFilter(g_previousFilter);
  if (current != &onUnhandled) ::SetUnhandledExceptionFilter(current);  // installed after ours: it stays
  AbortHandler currentAbort = std::signal(SIGABRT, g_previousAbort);
  if (currentAbort != &onAbort && currentAbort != SIG_ERR) std::signal(SIGABRT, currentAbort);
  g_installed = false;
}

bool crashWrite(int fd, char const* data, std::size_t size) {
  HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  if (::GetFileType(handle) == FILE_TYPE_DISK) ::SetFilePointer(handle, 0, nullptr, FILE_END);
  // The log's files and consoles are text mode: a line feed is stored as carriage return + line feed.
  char buffer[4096];
  while (size > 0) {
    DWORD used = 0;
    while (size > 0 && used + 2 <= sizeof buffer) {
      if (*data == '\n') buffer[used++] = '\r';
      buffer[used++] = *data++;
      --size;
    }
    if (!writeAll(handle, buffer, used)) return false;
  }
  return true;
}

void crashPause() { ::Sleep(1); }

}  // namespace qvo::platform
