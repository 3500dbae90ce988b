// Windows: starting programs with CreateProcessA, waiting on and terminating process handles,
// redirection files, and Win32's PROCESS_INFORMATION beside the library's storage of the same layout.
// Only OS primitives live here.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/error.h"
#include "platform/process.h"
#include "platform/win32/child_handles.h"
#include "platform/win32/internal.h"

namespace {
using Storage = qvo::detail::ProcessInformationStorage;
static_assert(sizeof(Storage) == sizeof(PROCESS_INFORMATION), "PROCESS_INFORMATION layout");
static_assert(offsetof(Storage, hProcess) == offsetof(PROCESS_INFORMATION, hProcess), "hProcess");
static_assert(offsetof(Storage, hThread) == offsetof(PROCESS_INFORMATION, hThread), "hThread");
static_assert(offsetof(Storage, dwProcessId) == offsetof(PROCESS_INFORMATION, dwProcessId), "dwProcessId");
static_assert(offsetof(Storage, dwThreadId) == offsetof(PROCESS_INFORMATION, dwThreadId), "dwThreadId");

// One of the two types as the other: their layouts are the same field for field (checked above).
template <class To, class From>
To sameLayout(From const& from) {
  To to;
  std::memcpy(&to, &from, sizeof to);
  return to;
}
}  // namespace

namespace qvo::platform {

const NativeHandle kNoHandle = 0;

namespace {
HANDLE asHandle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle fromHandle(HANDLE h) { return reinterpret_cast<NativeHandle>(h); }
}  // namespace

NativeHandle createRedirectionFile(const std::string& path, SysError* error) {
  // Not inheritable: the start hands it to its own child alone (a child started meanwhile on another
  // thread would otherwise hold it open until that child ends).
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = sysError(static_cast<int>(::GetLastError()));
    return kNoHandle;
  }
  return fromHandle(h);
}

void closeNativeHandle(NativeHandle handle) {
  if (handle != kNoHandle && asHandle(handle) != INVALID_HANDLE_VALUE) ::CloseHandle(asHandle(handle));
}

NativeHandle standardErrorHandle() { return fromHandle(::GetStdHandle(STD_ERROR_HANDLE)); }

void writeToNativeHandle(NativeHandle handle, const std::string& text) {
  HANDLE h = asHandle(handle);
  if (h != nullptr && h != INVALID_HANDLE_VALUE) writeAll(h, text.data(), text.size());
}

bool spawnProcess(const SpawnRequest& request, SpawnedProcess* out, SysError* error) {
  STARTUPINFOA si;
  ::ZeroMemory(&si, sizeof(si));
  si.cb = sizeof(si);
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  if (!request.newConsole) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
  }
  if (request.stdOutput != kNoHandle) {
    si.hStdOutput = asHandle(request.stdOutput);
    si.dwFlags |= STARTF_USESTDHANDLES;
  }
  if (request.stdError != kNoHandle) {
    si.hStdError = asHandle(request.stdError);
    si.dwFlags |= STARTF_USESTDHANDLES;
  }

  // CreateProcessA may write into the command line: hand it a modifiable copy.
  std::vector<char> commandLine(request.commandLine.begin(), request.commandLine.end());
  commandLine.push_back('\0');
  DWORD flags = CREATE_NEW_PROCESS_GROUP;
  if (request.newConsole) flags |= CREATE_NEW_CONSOLE;

  PROCESS_INFORMATION pi;
  ::ZeroMemory(&pi, sizeof(pi));
  // The child inherits its standard handles and nothing else of this process.
  HANDLE own[2];
  std::size_t ownCount = 0;
  if (request.stdOutput != kNoHandle) own[ownCount++] = asHandle(request.stdOutput);
  if (request.stdError != kNoHandle) own[ownCount++] = asHandle(request.stdError);
  const BOOL ok = createProcessHandingOnly(commandLine.data(), flags,
                                           request.inheritDirectory ? nullptr : request.workingDirectory.c_str(), si,
                                           own, ownCount, &pi);
  if (!ok || pi.dwProcessId == 0) {
    *error = sysError(static_cast<int>(ok ? ERROR_INVALID_PARAMETER : ::GetLastError()));
    if (ok) {
      ::CloseHandle(pi.hThread);
      ::CloseHandle(pi.hProcess);
    }
    return false;
  }
  ::CloseHandle(pi.hThread);  // the value stays on record; the library never uses the thread
  out->ref.handle = fromHandle(pi.hProcess);
  out->ref.pid = pi.dwProcessId;
  out->ref.child = true;
  out->process = reinterpret_cast<std::uintptr_t>(pi.hProcess);
  out->thread = reinterpret_cast<std::uintptr_t>(pi.hThread);
  out->threadId = pi.dwThreadId;
  return true;
}

bool adoptProcessHandle(std::uintptr_t process, std::uint32_t pid, ProcessRef* out) {
  HANDLE own = nullptr;
  HANDLE self = ::GetCurrentProcess();
  if (process == 0 ||
      !::DuplicateHandle(self, reinterpret_cast<HANDLE>(process), self, &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return false;
  out->handle = fromHandle(own);
  out->pid = pid;
  out->child = false;
  return true;
}

bool openProcessById(std::uint32_t pid, ProcessRef* out, SysError* error) {
  HANDLE h = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  if (h == nullptr) {
    *error = sysError(static_cast<int>(::GetLastError()));
    return false;
  }
  out->handle = fromHandle(h);
  out->pid = pid;
  out->child = false;
  return true;
}

WaitResult waitForProcessEnd(const ProcessRef& ref, Timeout timeout, SysError* error) {
  switch (::WaitForSingleObject(asHandle(ref.handle), static_cast<DWORD>(timeout.windowsWait()))) {
    case WAIT_OBJECT_0:
      return WaitResult::Ended;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    case WAIT_FAILED:
      *error = sysError(static_cast<int>(::GetLastError()));
      return WaitResult::Failed;
    default:
      *error = sysError(static_cast<int>(ERROR_INVALID_HANDLE));
      return WaitResult::Failed;
  }
}

bool readExitStatus(const ProcessRef& ref, bool, int* status, SysError* error) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(asHandle(ref.handle), &code)) {
    *error = sysError(static_cast<int>(::GetLastError()));
    return false;
  }
  *status = static_cast<int>(code);
  return true;
}

bool terminateProcess(const ProcessRef& ref, SysError* error) {
  if (::TerminateProcess(asHandle(ref.handle), 1)) return true;
  *error = sysError(static_cast<int>(::GetLastError()));
  return false;
}

void releaseProcess(const ProcessRef& ref, bool) { closeNativeHandle(ref.handle); }

void exitProcessNow(int status) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  std::_Exit(status);  // not reached
}

Storage storageFromProcessInformation(PROCESS_INFORMATION const& pi) { return sameLayout<Storage>(pi); }

void setProcessDescriptorsEnabled(bool) {}

SystemFamily systemFamily() {
  OSVERSIONINFOA version;
  ::ZeroMemory(&version, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  ::GetVersionExA(&version);
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return SystemFamily::windows95;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return SystemFamily::windowsNT;
  return SystemFamily::otherWindows;
}

void enableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  const ScopedHandle held(token);
  TOKEN_PRIVILEGES tp;
  if (::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &tp.Privileges[0].Luid)) {
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(token, FALSE, &tp, sizeof(tp), nullptr, nullptr);
  }
}

}  // namespace qvo::platform

PROCESS_INFORMATION qvo::pid_t::processInfo() { return sameLayout<PROCESS_INFORMATION>(m_processInfo); }
