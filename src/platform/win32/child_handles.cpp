// Windows: which handles a child process inherits. A handle list (STARTUPINFOEX with
// PROC_THREAD_ATTRIBUTE_HANDLE_LIST, Windows Vista and later, and Wine) names them; without one, the
// starts are serialised and a start's redirection files are inheritable only inside its window.
#include "platform/win32/child_handles.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/child_handles.h"

namespace qvo::platform {

namespace {

using InitializeList = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD, PSIZE_T);
using UpdateList = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD_PTR, PVOID, SIZE_T, PVOID, PSIZE_T);
using DeleteList = VOID(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST);

struct ListCalls {
  InitializeList initialize = nullptr;
  UpdateList update = nullptr;
  DeleteList release = nullptr;
};

template <typename Call>
Call lookUp(HMODULE module, char const* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Looked up at run time: systems before Windows Vista have none of them.
ListCalls const& listCalls() {
  static const ListCalls calls = [] {
    ListCalls found;
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return found;
    found.initialize = lookUp<InitializeList>(kernel, "InitializeProcThreadAttributeList");
    found.update = lookUp<UpdateList>(kernel, "UpdateProcThreadAttribute");
    found.release = lookUp<DeleteList>(kernel, "DeleteProcThreadAttributeList");
    if (found.initialize == nullptr || found.update == nullptr || found.release == nullptr) return ListCalls{};
    return found;
  }();
  return calls;
}

std::atomic<bool> g_listEnabled{true};

// Starts with a handle list hold it shared, serialised starts exclusively: while a serialised start
// inherits every inheritable handle, no other start has made its redirection files inheritable.
std::shared_mutex g_inheritanceWindow;

bool usable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

bool inheritable(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

// Console handles of Windows before 8 are pseudo handles (the low two bits set): the console gives
// them to a console child by itself, and a handle list refuses them.
bool consolePseudoHandle(HANDLE h) { return (reinterpret_cast<ULONG_PTR>(h) & 3) == 3; }

void setInheritable(HANDLE const* own, std::size_t count, bool on) {
  for (std::size_t i = 0; i < count; ++i)
    if (usable(own[i])) ::SetHandleInformation(own[i], HANDLE_FLAG_INHERIT, on ? HANDLE_FLAG_INHERIT : 0);
}

// What the child is handed: the library's handles of this start, then its standard handles that are
// inheritable; each once, as the list must hold no handle twice.
std::vector<HANDLE> handedHandles(STARTUPINFOA const& startup, HANDLE const* own, std::size_t ownCount) {
  std::vector<HANDLE> handed;
  auto add = [&handed](HANDLE h) {
    if (usable(h) && !consolePseudoHandle(h) && std::find(handed.begin(), handed.end(), h) == handed.end() &&
        inheritable(h))
      handed.push_back(h);
  };
  for (std::size_t i = 0; i < ownCount; ++i) add(own[i]);
  if ((startup.dwFlags & STARTF_USESTDHANDLES) != 0) {
    add(startup.hStdInput);
    add(startup.hStdOutput);
    add(startup.hStdError);
  } else {
    add(::GetStdHandle(STD_INPUT_HANDLE));
    add(::GetStdHandle(STD_OUTPUT_HANDLE));
    add(::GetStdHandle(STD_ERROR_HANDLE));
  }
  return handed;
}

enum class ListStart { Done, Unavailable };

// CreateProcessA with the handle list; Unavailable when the list cannot be built or the system
// refuses it (ERROR_INVALID_PARAMETER), so that the caller starts the serialised way instead.
ListStart startWithList(ListCalls const& calls, char* commandLine, DWORD flags, char const* directory,
                        STARTUPINFOA const& startup, std::vector<HANDLE>& handed, PROCESS_INFORMATION* info,
                        BOOL* ok) {
  if (handed.empty()) {  // nothing to inherit: inheritance off says just that
    *ok = ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, flags, nullptr, directory,
                           const_cast<STARTUPINFOA*>(&startup), info);
    return ListStart::Done;
  }
  SIZE_T size = 0;
  calls.initialize(nullptr, 1, 0, &size);
  if (size == 0) return ListStart::Unavailable;
  std::vector<unsigned char> storage(size);
  auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!calls.initialize(attributes, 1, 0, &size)) return ListStart::Unavailable;
  if (!calls.update(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed.data(), handed.size() * sizeof(HANDLE),
                    nullptr, nullptr)) {
    calls.release(attributes);
    return ListStart::Unavailable;
  }
  STARTUPINFOEXA extended;
  ::ZeroMemory(&extended, sizeof(extended));
  extended.StartupInfo = startup;
  extended.StartupInfo.cb = sizeof(extended);
  extended.lpAttributeList = attributes;
  *ok = ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, flags | EXTENDED_STARTUPINFO_PRESENT,
                         nullptr, directory, &extended.StartupInfo, info);
  const DWORD error = ::GetLastError();
  calls.release(attributes);
  ::SetLastError(error);
  return !*ok && error == ERROR_INVALID_PARAMETER ? ListStart::Unavailable : ListStart::Done;
}

}  // namespace

BOOL createProcessHandingOnly(char* commandLine, DWORD flags, char const* directory, STARTUPINFOA const& startup,
                              HANDLE const* own, std::size_t ownCount, PROCESS_INFORMATION* info) {
  ListCalls const& calls = listCalls();
  if (calls.initialize != nullptr && g_listEnabled.load(std::memory_order_relaxed)) {
    std::shared_lock<std::shared_mutex> window(g_inheritanceWindow);
    setInheritable(own, ownCount, true);
    std::vector<HANDLE> handed = handedHandles(startup, own, ownCount);
    BOOL ok = FALSE;
    const ListStart outcome = startWithList(calls, commandLine, flags, directory, startup, handed, info, &ok);
    const DWORD error = ::GetLastError();
    setInheritable(own, ownCount, false);
    ::SetLastError(error);
    if (outcome == ListStart::Done) return ok;
  }
  std::unique_lock<std::shared_mutex> window(g_inheritanceWindow);
  setInheritable(own, ownCount, true);
  const BOOL ok = ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, flags, nullptr, directory,
                                   const_cast<STARTUPINFOA*>(&startup), info);
  const DWORD error = ::GetLastError();
  setInheritable(own, ownCount, false);
  ::SetLastError(error);
  return ok;
}

ChildHandleMechanism childHandleMechanism() {
  return listCalls().initialize != nullptr && g_listEnabled.load(std::memory_order_relaxed)
             ? ChildHandleMechanism::HandleList
             : ChildHandleMechanism::SerialisedInheritance;
}

void setChildHandleListEnabled(bool enabled) { g_listEnabled.store(enabled, std::memory_order_relaxed); }

}  // namespace qvo::platform
