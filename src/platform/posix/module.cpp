// POSIX: load-time work of the library and its exit hook. Nothing to start for sockets, and the main thread is
// known without noting the loading thread.
#include <cstdlib>

#include "platform/module.h"

namespace qvo::platform {

void moduleLoad() {}
void moduleUnload() {}

bool processExitInProgress() { return false; }

// atexit from a shared library is tied to it: the hook also runs if the library is unloaded first.
void atProcessExit(void (*hook)()) { std::atexit(hook); }

}  // namespace qvo::platform
