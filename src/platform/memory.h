// The operating-system seam, memory: hints about how a large buffer will be used.
// Defined in posix/memory.cpp and win32/memory.cpp.
#ifndef QVOBASE_PLATFORM_MEMORY_H
#define QVOBASE_PLATFORM_MEMORY_H

#include <cstddef>

namespace qvo::platform {

// Asks for the whole 2 MiB pages inside the `size` bytes at `buffer` to be backed by huge pages, so that
// filling a large buffer faults in a few pages instead of thousands of small ones (Linux, where the
// system leaves it to the program; nothing on Windows). Only a hint: the buffer works the same without.
void adviseHugePages(void* buffer, std::size_t size);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_MEMORY_H
