// Where every string text buffer comes from and goes back to, and the hook that makes that allocation fail
// in tests. The usual paths are inline here; the rest is in text_alloc.cpp.
#ifndef QVOBASE_CORE_TEXT_ALLOC_H
#define QVOBASE_CORE_TEXT_ALLOC_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "qvo_internal.h"

// Each thread keeps a few released 16-byte buffers (the capacity of every string built empty: results,
// temporaries, tokens) and hands them to the next strings it builds, so that a loop which makes and drops
// short strings does not go to the allocator for each one. The store needs thread-local data that is one
// load away (the initial-exec model of ELF) and a hook at thread end to give the buffers back; elsewhere
// (Windows, where thread-local data goes through a function call) and under the sanitizers, which must see
// every release to find a use after it, buffers go straight back to the allocator.
#if defined(__ELF__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#if defined(__has_feature)
#if !__has_feature(address_sanitizer) && !__has_feature(thread_sanitizer)
#define QVO_TEXT_STORE 1
#endif
#else
#define QVO_TEXT_STORE 1
#endif
#endif

namespace EQVO::detail {

// The test limit below; 0 when there is none.
extern std::atomic<std::size_t> g_textLimit;

// A buffer from the allocator, within the test limit (the out-of-line half of newText).
char* allocateText(std::size_t size);
// The buffer `text` (null for none) made `size` bytes long, extended where it lies when the allocator
// can, else moved with its bytes; the bytes past its old size are undefined. Throws std::bad_alloc and
// leaves `text` as it was when the memory is not there.
char* resizeText(char* text, std::size_t size);
// The out-of-line half of releaseText: the allocator, or the store when it is not yet armed.
void releaseTextSlowly(char* text, std::uint32_t capacity) noexcept;

#if QVO_TEXT_STORE
constexpr std::size_t kStoredSize = 16;
constexpr unsigned kStoreSlots = 16;
enum : unsigned char { kStoreIdle, kStoreKeeping, kStoreClosed };

// Plain data, so that it sits in the thread's static block: no constructor, no call to reach it.
struct TextStore {
  char* slots[kStoreSlots];
  unsigned count;
  unsigned char state;  // kStoreIdle: nothing kept yet; kStoreKeeping: the thread-end drain is armed;
                        // kStoreClosed: the thread is ending, buffers go to the allocator
};
extern __thread TextStore t_textStore __attribute__((tls_model("initial-exec")));
#endif

// An uninitialised buffer of `size` bytes from malloc, released with releaseText; throws std::bad_alloc
// when the memory is not there (or when the test limit below refuses it). Every operation allocates
// before it changes the string, so a failed allocation leaves the old text as it was.
inline char* newText(std::size_t size) {
#if QVO_TEXT_STORE
  TextStore& store = t_textStore;
  if (size == kStoredSize && store.count != 0 && g_textLimit.load(std::memory_order_relaxed) == 0) {
    return store.slots[--store.count];
  }
#endif
  return allocateText(size);
}

// Releases a buffer of `capacity` bytes that newText or resizeText gave (null does nothing). A 16-byte
// buffer may be kept for the thread's next string instead of going back to the allocator.
inline void releaseText(char* text, std::uint32_t capacity) noexcept {
#if QVO_TEXT_STORE
  TextStore& store = t_textStore;
  if (capacity == kStoredSize && store.state == kStoreKeeping && store.count < kStoreSlots) {
    store.slots[store.count++] = text;
    return;
  }
#endif
  releaseTextSlowly(text, capacity);
}

struct TextFree {
  std::uint32_t capacity;
  void operator()(char* text) const noexcept { releaseText(text, capacity); }
};
// A text buffer owned until the end of a scope: the old buffer of an operation that replaced it.
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
