// Where every string text buffer comes from and goes back to, and the hook that makes that allocation fail
// in tests. Defined in text_alloc.cpp.
#ifndef QVOBASE_CORE_TEXT_ALLOC_H
#define QVOBASE_CORE_TEXT_ALLOC_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "qvo_internal.h"

namespace EQVO::detail {

// An uninitialised buffer of `size` bytes, released with delete[]; throws std::bad_alloc when the memory
// is not there (or when the test limit below refuses it). Every operation allocates before it changes
// the string, so a failed allocation leaves the old text as it was.
char* newText(std::size_t size);

// Releases a buffer of `capacity` bytes that newText gave (null does nothing). A 16-byte buffer may be
// kept for the thread's next string instead of going back to the allocator.
void releaseText(char* text, std::uint32_t capacity) noexcept;

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
