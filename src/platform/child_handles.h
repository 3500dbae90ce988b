// Which of this process's handles a child process receives: its standard handles and nothing else.
// Defined in src/platform/{posix,win32}/child_handles.cpp.
#ifndef QVOBASE_PLATFORM_CHILD_HANDLES_H
#define QVOBASE_PLATFORM_CHILD_HANDLES_H

#include "qvo_internal.h"

namespace qvo::platform {

// How a start keeps the child from receiving handles that are not its own.
enum class ChildHandleMechanism {
  // POSIX: every descriptor the library opens is closed on exec; the start hands the child its
  // redirection files on descriptors 1 and 2.
  CloseOnExec,
  // Windows: the child inherits an explicit list of handles (STARTUPINFOEX with a handle list): its
  // standard handles, nothing else, whatever else is inheritable at that moment.
  HandleList,
  // Windows without handle lists: starts are serialised, and a start's redirection files are
  // inheritable only inside that window; every handle the library opens is never inheritable.
  SerialisedInheritance,
};

// The mechanism that the next start uses.
QVO_INTERNAL ChildHandleMechanism childHandleMechanism();

// Windows: false makes starts use the serialised fallback even where handle lists work, so that tests
// exercise it; true (the default) uses handle lists where the system has them. POSIX: no effect.
QVO_INTERNAL void setChildHandleListEnabled(bool enabled);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_CHILD_HANDLES_H
