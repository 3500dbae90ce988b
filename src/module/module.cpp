// Load-time and unload-time work of the library: the seam's module start-up and shutdown.
#include "platform/module.h"

namespace {

// The one object with load-time side effects: its constructor runs when the library is loaded,
// before any caller can reach the library; its destructor runs at unload, after the objects
// created on first use (they are destroyed first, in reverse order of their creation).
struct ModuleLifetime {
  ModuleLifetime() { qvo::platform::moduleLoad(); }
  ~ModuleLifetime() { qvo::platform::moduleUnload(); }
  ModuleLifetime(const ModuleLifetime&) = delete;
  ModuleLifetime& operator=(const ModuleLifetime&) = delete;
};

const ModuleLifetime g_module;

}  // namespace
