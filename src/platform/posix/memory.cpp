// POSIX (Linux): large buffers asked to live on transparent huge pages.
#include <sys/mman.h>

#include <cstdint>

#include "platform/memory.h"

namespace qvo::platform {

void adviseHugePages(void* buffer, std::size_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  std::uintptr_t const start = (reinterpret_cast<std::uintptr_t>(buffer) + kHuge - 1) & ~(kHuge - 1);
  std::uintptr_t const end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(kHuge - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)buffer;
  (void)size;
#endif
}

}  // namespace qvo::platform
