// The operating-system seam: the primitives each target supplies. src/platform/posix/ and
// src/platform/win32/ each define every function declared here (one file per concept), so a missing
// primitive fails the build of that target. Nothing above the seam includes an OS header.
#ifndef QVOBASE_PLATFORM_PLATFORM_H
#define QVOBASE_PLATFORM_PLATFORM_H

#include <cstdint>

#include "platform/file.h"
#include "platform/paths.h"

namespace qvo::platform {

// --- module (module.cpp) -------------------------------------------------------------------------
// Work done once when the library is loaded, and undone when it is unloaded: Windows Sockets start-up
// on Windows; on both, the identity of the thread that loaded the library.
void moduleLoad();
void moduleUnload();

// --- identity (identity.cpp) ---------------------------------------------------------------------
// Identifier of the calling process.
unsigned long currentProcessId();
// Operating-system identifier of the calling thread.
unsigned long currentThreadId();
// True on the process's main thread (on Windows, the thread that loaded the library).
bool isMainThread();

}  // namespace qvo::platform

#include "platform/error.h"
// --- log (log.cpp) -------------------------------------------------------------------------------
#include "platform/log.h"
// --- named pipes (pipe.cpp) ----------------------------------------------------------------------
#include "platform/pipe.h"
// --- processes (process.cpp, process_info.cpp) --------------------------------------------------
#include "platform/process.h"
#include "platform/thread.h"

#endif  // QVOBASE_PLATFORM_PLATFORM_H
