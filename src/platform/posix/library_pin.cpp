// POSIX: pinning the shared library, so that dlclose never unloads it from under its own threads.
#include <dlfcn.h>

#include <atomic>

#include "platform/library_pin.h"

namespace qvo::platform {

void keepLibraryLoaded() {
  static std::atomic<bool> pinned{false};
  if (pinned.load(std::memory_order_acquire)) return;
  // The object that holds this very function: the library, found by its own path. Opening it again
  // with RTLD_NOLOAD | RTLD_NODELETE loads nothing and marks it never to be unloaded; the reference
  // taken is kept for good. (Linking the library with -z nodelete would pin it even in programs that
  // never start one of its threads and want it gone when they unload it.)
  Dl_info info;
  if (::dladdr(reinterpret_cast<void*>(&keepLibraryLoaded), &info) == 0 || info.dli_fname == nullptr) return;
  if (::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr)
    pinned.store(true, std::memory_order_release);
}

}  // namespace qvo::platform
