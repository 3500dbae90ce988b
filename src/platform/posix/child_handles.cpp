// POSIX: a child receives only its standard streams, since every descriptor the library opens is
// close-on-exec (O_CLOEXEC, SOCK_CLOEXEC, EFD_CLOEXEC; pidfds are so from birth).
#include "platform/child_handles.h"

namespace qvo::platform {

ChildHandleMechanism childHandleMechanism() { return ChildHandleMechanism::CloseOnExec; }

void setChildHandleListEnabled(bool) {}

}  // namespace qvo::platform
