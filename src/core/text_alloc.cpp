// String text buffers: the allocator side, the per-thread store's drain at thread end, and the test limit.
#include "core/text_alloc.h"

#include <cstdlib>
#include <new>

#include "platform/memory.h"

namespace EQVO::detail {

std::atomic<std::size_t> g_textLimit{0};

#if QVO_TEXT_STORE
__thread TextStore t_textStore __attribute__((tls_model("initial-exec")));

namespace {
// Gives the kept buffers back when the thread ends (for the main thread, when the process exits); a
// string released after that goes straight to the allocator.
struct Drain {
  bool armed = false;
  ~Drain() {
    for (unsigned i = 0; i < t_textStore.count; ++i) std::free(t_textStore.slots[i]);
    t_textStore.count = 0;
    t_textStore.state = kStoreClosed;
  }
};
thread_local Drain t_drain;
}  // namespace
#endif

namespace {
void checkLimit(std::size_t size) {
  std::size_t const limit = g_textLimit.load(std::memory_order_relaxed);
  if (limit != 0 && size > limit) throw std::bad_alloc();
}
}  // namespace

namespace {
// From this size on a buffer is asked to live on huge pages: filling it then faults in a page per 2 MiB.
constexpr std::size_t kHugeText = std::size_t{4} << 20;
}  // namespace

char* allocateText(std::size_t size) {
  checkLimit(size);
  void* const text = std::malloc(size == 0 ? 1 : size);
  if (text == nullptr) throw std::bad_alloc();
  if (size >= kHugeText) qvo::platform::adviseHugePages(text, size);
  return static_cast<char*>(text);
}

char* resizeText(char* text, std::size_t size) {
  if (text == nullptr) return allocateText(size);
  checkLimit(size);
  void* const resized = std::realloc(text, size == 0 ? 1 : size);
  if (resized == nullptr) throw std::bad_alloc();
  if (size >= kHugeText) qvo::platform::adviseHugePages(resized, size);
  return static_cast<char*>(resized);
}

void releaseTextSlowly(char* text, std::uint32_t capacity) noexcept {
#if QVO_TEXT_STORE
  if (capacity == kStoredSize && t_textStore.state == kStoreIdle) {
    t_drain.armed = true;  // the first use of the drain registers it for the thread's end
    t_textStore.state = kStoreKeeping;
    releaseText(text, capacity);
    return;
  }
#else
  (void)capacity;
#endif
  std::free(text);
}

void limitTextAllocation(std::size_t bytes) { g_textLimit.store(bytes, std::memory_order_relaxed); }

}  // namespace EQVO::detail
