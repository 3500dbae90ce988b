// Windows: process and thread identifiers.
#include <windows.h>

#include "platform/platform.h"

namespace qvo::platform {

unsigned long loadingThreadId();  // module.cpp

unsigned long currentProcessId() { return ::GetCurrentProcessId(); }
unsigned long currentThreadId() { return ::GetCurrentThreadId(); }
// The thread that loaded the library counts as the main thread.
bool isMainThread() { return ::GetCurrentThreadId() == loadingThreadId(); }

}  // namespace qvo::platform
