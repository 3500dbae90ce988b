// POSIX (Linux): the per-thread store of small blocks, given back at thread end, and large buffers asked
// to live on transparent huge pages.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "platform/memory.h"

namespace qvo::platform {

#if QVO_KEPT_BLOCKS
__thread KeptBlocks t_keptBlocks __attribute__((tls_model("initial-exec")));

namespace {
// Frees the kept blocks when the thread ends; a block released after that is freed at once.
struct Drain {
  bool armed = false;
  ~Drain() {
    for (unsigned i = 0; i < t_keptBlocks.count; ++i) std::free(t_keptBlocks.blocks[i]);
    t_keptBlocks.count = 0;
    t_keptBlocks.state = 2;
  }
};
thread_local Drain t_drain;
}  // namespace

bool keepFirstBlock(char* block) noexcept {
  t_drain.armed = true;  // the first use of the drain registers it for the thread's end
  t_keptBlocks.state = 1;
  return keepBlock(block);
}
#endif

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
