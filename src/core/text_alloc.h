// Where every string text buffer comes from and goes back to, and the hook that makes that allocation fail
// in tests. The usual paths are inline here; the rest is in text_alloc.cpp.
#ifndef QVOBASE_CORE_TEXT_ALLOC_H
#define QVOBASE_CORE_TEXT_ALLOC_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/memory.h"
#include "qvo_internal.h"

namespace EQVO::detail {

// The test limit below; 0 when there is none.
extern std::atomic<std::size_t> g_textLimit;

// A buffer from the allocator, within the test limit (the out-of-line half of newText).
char* allocateText(std::size_t size);
// The buffer `text` (null for none) made `size` bytes long, extended where it lies when the allocator
// can, else moved with its bytes; the bytes past its old size are undefined. Throws std::bad_alloc and
// leaves `text` as it was when the memory is not there.
char* resizeText(char* text, std::size_t size);

// An uninitialised buffer of `size` bytes from malloc, released with releaseText; throws std::bad_alloc
// when the memory is not there (or when the test limit below refuses it). Every operation allocates
// before it changes the string, so a failed allocation leaves the old text as it was. A string's usual
// 16 bytes come from the blocks the thread keeps, when it has one.
inline char* newText(std::size_t size) {
  if (size == qvo::platform::kKeptBlockSize && g_textLimit.load(std::memory_order_relaxed) == 0) {
    if (char* const kept = qvo::platform::takeKeptBlock()) return kept;
  }
  return allocateText(size);
}

// Releases a buffer of `capacity` bytes that newText or resizeText gave (null does nothing). A 16-byte
// buffer may be kept for the thread's next string instead of going back to the allocator.
inline void releaseText(char* text, std::uint32_t capacity) noexcept {
  if (capacity == qvo::platform::kKeptBlockSize && qvo::platform::keepBlock(text)) return;
  std::free(text);
}

struct TextFree {
  std::uint32_t capacity;
  void operator()(char* text) const noexcept { releaseText(text, capacity); }
};
// A text buffer owned until the end of a scope.
using TextOwner = std::unique_ptr<char, TextFree>;

// The capacity that growth gives a buffer of `capacity` bytes asked for `needed` bytes (more than it has):
// a little over twice the old size, or what is needed when that is more, within 32 bits.
inline std::uint32_t grownCapacity(std::uint64_t capacity, std::uint64_t needed) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(2 * capacity + 2, needed) + 1,
                                                            0xFFFFFFFFu));
}

// For the tests: text buffers larger than `bytes` fail as if memory were exhausted; 0 lifts the limit.
QVO_INTERNAL void limitTextAllocation(std::size_t bytes);

}  // namespace EQVO::detail

#endif  // QVOBASE_CORE_TEXT_ALLOC_H
