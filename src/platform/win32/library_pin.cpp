// Windows: pinning the DLL, so that FreeLibrary never unloads it from under its own threads.
#include <windows.h>

#include <atomic>

#include "platform/library_pin.h"

namespace qvo::platform {

void keepLibraryLoaded() {
  static std::atomic<bool> pinned{false};
  if (pinned.load(std::memory_order_acquire)) return;
  HMODULE self = nullptr;
  // The module that holds this very function: the library, wherever and however it was loaded.
  if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&keepLibraryLoaded), &self))
    pinned.store(true, std::memory_order_release);
}

}  // namespace qvo::platform
