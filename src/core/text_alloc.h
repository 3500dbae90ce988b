// Where every string text buffer comes from, and the hook that makes that allocation fail in tests.
#ifndef QVOBASE_CORE_TEXT_ALLOC_H
#define QVOBASE_CORE_TEXT_ALLOC_H

#include <cstddef>

#include "qvo_internal.h"

namespace EQVO::detail {

// An uninitialised buffer of `size` bytes, released with delete[]; throws std::bad_alloc when the memory
// is not there (or when the test limit below refuses it). Every operation allocates before it changes
// the string, so a failed allocation leaves the old text as it was.
char* newText(std::size_t size);

// For the tests: text buffers larger than `bytes` fail as if memory were exhausted; 0 lifts the limit.
QVO_INTERNAL void limitTextAllocation(std::size_t bytes);

}  // namespace EQVO::detail

#endif  // QVOBASE_CORE_TEXT_ALLOC_H
