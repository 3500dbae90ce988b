// POSIX: load-time work of the library. Nothing to start for sockets; the loading thread is noted.
#include "platform/platform.h"

namespace qvo::platform {

void moduleLoad() {}
void moduleUnload() {}

}  // namespace qvo::platform
