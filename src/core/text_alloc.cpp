// String text buffers: the allocator side and the test limit.
#include "core/text_alloc.h"

#include <cstdlib>
#include <new>

#include "platform/memory.h"

namespace EQVO::detail {

std::atomic<std::size_t> g_textLimit{0};

namespace {
void checkLimit(std::size_t size) {
  std::size_t const limit = g_textLimit.load(std::memory_order_relaxed);
  if (limit != 0 && size > limit) throw std::bad_alloc();
}

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

void limitTextAllocation(std::size_t bytes) { g_textLimit.store(bytes, std::memory_order_relaxed); }

}  // namespace EQVO::detail
