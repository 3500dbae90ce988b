// Where string text buffers come from: the allocator, and a small per-thread store of the usual
// 16-byte buffers.
#include "core/text_alloc.h"

#include <atomic>
#include <new>

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

namespace {

std::atomic<std::size_t> g_textLimit{0};  // 0: no limit

char* allocate(std::size_t size) {
  std::size_t const limit = g_textLimit.load(std::memory_order_relaxed);
  if (limit != 0 && size > limit) throw std::bad_alloc();
  return new char[size];
}

#if QVO_TEXT_STORE
constexpr std::size_t kStoredSize = 16;
constexpr unsigned kSlots = 16;

// Plain data, so that it sits in the thread's static block: no constructor, no call to reach it.
struct Store {
  char* slots[kSlots];
  unsigned count;
  unsigned char state;  // kIdle: nothing kept yet; kKeeping: the drain below is armed; kClosed: thread ending
};
enum : unsigned char { kIdle, kKeeping, kClosed };

__attribute__((tls_model("initial-exec"))) thread_local Store t_store{};

// Gives the kept buffers back when the thread ends (for the main thread, when the process exits); a
// string released after that goes straight to the allocator.
struct Drain {
  bool armed = false;
  ~Drain() {
    for (unsigned i = 0; i < t_store.count; ++i) delete[] t_store.slots[i];
    t_store.count = 0;
    t_store.state = kClosed;
  }
};
thread_local Drain t_drain;
#endif

}  // namespace

char* newText(std::size_t size) {
#if QVO_TEXT_STORE
  if (size == kStoredSize && t_store.count != 0 && g_textLimit.load(std::memory_order_relaxed) == 0) {
    return t_store.slots[--t_store.count];
  }
#endif
  return allocate(size);
}

void releaseText(char* text, std::uint32_t capacity) noexcept {
#if QVO_TEXT_STORE
  if (capacity == kStoredSize && text != nullptr) {
    Store& store = t_store;
    if (store.state == kIdle) {
      t_drain.armed = true;  // the first use of the drain registers it for the thread's end
      store.state = kKeeping;
    }
    if (store.state == kKeeping && store.count < kSlots) {
      store.slots[store.count++] = text;
      return;
    }
  }
#else
  (void)capacity;
#endif
  delete[] text;
}

void limitTextAllocation(std::size_t bytes) { g_textLimit.store(bytes, std::memory_order_relaxed); }

}  // namespace EQVO::detail
