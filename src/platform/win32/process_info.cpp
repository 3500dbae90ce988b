// Windows: Win32's PROCESS_INFORMATION and the library's storage of the same layout, converted where
// <windows.h> makes the type complete; qvo::pid_t::processInfo().
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/process.h"

namespace {
using Storage = qvo::detail::ProcessInformationStorage;
static_assert(sizeof(Storage) == sizeof(PROCESS_INFORMATION), "PROCESS_INFORMATION layout");
static_assert(offsetof(Storage, hProcess) == offsetof(PROCESS_INFORMATION, hProcess), "hProcess");
static_assert(offsetof(Storage, hThread) == offsetof(PROCESS_INFORMATION, hThread), "hThread");
static_assert(offsetof(Storage, dwProcessId) == offsetof(PROCESS_INFORMATION, dwProcessId), "dwProcessId");
static_assert(offsetof(Storage, dwThreadId) == offsetof(PROCESS_INFORMATION, dwThreadId), "dwThreadId");
}  // namespace

namespace qvo::platform {

Storage storageFromProcessInformation(PROCESS_INFORMATION const& pi) {
  Storage s;
  s.hProcess = pi.hProcess;
  s.hThread = pi.hThread;
  s.dwProcessId = pi.dwProcessId;
  s.dwThreadId = pi.dwThreadId;
  return s;
}

}  // namespace qvo::platform

PROCESS_INFORMATION qvo::pid_t::processInfo() {
  PROCESS_INFORMATION pi;
  pi.hProcess = m_processInfo.hProcess;
  pi.hThread = m_processInfo.hThread;
  pi.dwProcessId = m_processInfo.dwProcessId;
  pi.dwThreadId = m_processInfo.dwThreadId;
  return pi;
}
