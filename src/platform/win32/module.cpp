// Windows: load-time work of the library (Windows Sockets 2.2 start-up, the loading thread's identity)
// and its view of the process's exit (the loader's shutdown test, the C runtime's exit table).
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "platform/library_pin.h"
#include "platform/module.h"

namespace qvo::platform {

namespace {
std::atomic<unsigned long> g_loadingThread{0};
bool g_wsaStarted = false;
}  // namespace

void moduleLoad() {
  g_loadingThread.store(::GetCurrentThreadId(), std::memory_order_relaxed);
  WSADATA data;
  g_wsaStarted = (::WSAStartup(MAKEWORD(2, 2), &data) == 0);
}

void moduleUnload() {
  if (g_wsaStarted) ::WSACleanup();
  g_wsaStarted = false;
}

unsigned long loadingThreadId() { return g_loadingThread.load(std::memory_order_relaxed); }

// At process exit Windows ends every other thread before it runs the libraries' teardown; the
// loader then reports a shutdown in progress.
bool processExitInProgress() {
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
void atProcessExit(void (*hook)()) {
  g_exitHook = hook;
  keepLibraryLoaded();
  using OnExit = _onexit_t(__cdecl*)(_onexit_t);
  HMODULE crt = ::GetModuleHandleA("msvcrt.dll");
  auto onexit = crt != nullptr ? reinterpret_cast<OnExit>(reinterpret_cast<void*>(::GetProcAddress(crt, "_onexit")))
                               : nullptr;
  if (onexit == nullptr || onexit(&runExitHook) == nullptr) std::atexit(hook);
}

}  // namespace qvo::platform
