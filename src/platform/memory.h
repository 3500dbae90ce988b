// The operating-system seam, memory: a per-thread store of small released blocks, and hints about how a
// large buffer will be used. Defined in posix/memory.cpp and win32/memory.cpp.
#ifndef QVOBASE_PLATFORM_MEMORY_H
#define QVOBASE_PLATFORM_MEMORY_H

#include <cstddef>

// The store needs thread-local data that is one load away (the initial-exec model of ELF) and a hook at
// thread end to give the blocks back. Elsewhere (Windows, where MinGW reaches thread-local data through a
// call) and under the sanitizers, which must see every release to find a use after it, nothing is kept.
#if defined(__ELF__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#if defined(__has_feature)
#if !__has_feature(address_sanitizer) && !__has_feature(thread_sanitizer)
#define QVO_KEPT_BLOCKS 1
#endif
#else
#define QVO_KEPT_BLOCKS 1
#endif
#endif

namespace qvo::platform {

// Each thread keeps up to kKeptBlocks released malloc blocks of kKeptBlockSize bytes (the capacity of every
// string built empty) for its next requests of that size, and frees them when it ends (the main thread
// when the process exits): a loop that makes and drops short strings then does not call the allocator.
constexpr std::size_t kKeptBlockSize = 16;
constexpr unsigned kKeptBlocks = 16;

#if QVO_KEPT_BLOCKS
// Plain data, so that it sits in the thread's static block: no constructor, no call to reach it.
struct KeptBlocks {
  char* blocks[kKeptBlocks];
  unsigned count;
  unsigned char state;  // 0: nothing kept yet; 1: the thread-end hook is armed; 2: the thread is ending
};
extern __thread KeptBlocks t_keptBlocks __attribute__((tls_model("initial-exec")));

// The out-of-line half of keepBlock: arms the thread-end hook on the first block a thread keeps.
bool keepFirstBlock(char* block) noexcept;

// A kept block of kKeptBlockSize bytes, or null when the thread has none.
inline char* takeKeptBlock() noexcept {
  KeptBlocks& kept = t_keptBlocks;
  return kept.count != 0 ? kept.blocks[--kept.count] : nullptr;
}

// Keeps a malloc block of kKeptBlockSize bytes for the thread's next request; false when it is not kept
// (the store is full, or the thread is ending) and the caller frees it.
inline bool keepBlock(char* block) noexcept {
  KeptBlocks& kept = t_keptBlocks;
  if (kept.state == 1 && kept.count < kKeptBlocks) {
    kept.blocks[kept.count++] = block;
    return true;
  }
  return kept.state == 0 && keepFirstBlock(block);
}
#else
inline char* takeKeptBlock() noexcept { return nullptr; }
inline bool keepBlock(char*) noexcept { return false; }
#endif

// Asks for the whole 2 MiB pages inside the `size` bytes at `buffer` to be backed by huge pages, so that
// filling a large buffer faults in a few pages instead of thousands of small ones (Linux, where the
// system leaves it to the program; nothing on Windows). Only a hint: the buffer works the same without.
void adviseHugePages(void* buffer, std::size_t size);

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_MEMORY_H
