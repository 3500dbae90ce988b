// Windows: load-time work of the library: Windows Sockets 2.2 start-up and the loading thread's identity.
#include <winsock2.h>
#include <windows.h>

#include <atomic>

#include "platform/platform.h"

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

}  // namespace qvo::platform
