// Windows: starting a process so that it inherits its standard handles and no other handle of this
// process. Defined in child_handles.cpp; used by process.cpp.
#ifndef QVOBASE_PLATFORM_WIN32_CHILD_HANDLES_H
#define QVOBASE_PLATFORM_WIN32_CHILD_HANDLES_H

#include <windows.h>

#include <cstddef>

namespace qvo::platform {

// CreateProcessA(nullptr, commandLine, nullptr, nullptr, inherit, flags, nullptr, directory, &startup,
// info), arranged so that the child inherits only what it is handed: `own`, handles of the library
// that are not inheritable (the redirection files of this start, made inheritable for this start
// alone), and the standard handles named in `startup` (this process's own without
// STARTF_USESTDHANDLES) that are inheritable already. Uses a handle list where the system has one;
// otherwise, or when the system refuses the list, serialises the starts so that no other start's
// handles are inheritable meanwhile. The result and last error of CreateProcessA.
BOOL createProcessHandingOnly(char* commandLine, DWORD flags, char const* directory, STARTUPINFOA const& startup,
                              HANDLE const* own, std::size_t ownCount, PROCESS_INFORMATION* info);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_WIN32_CHILD_HANDLES_H
