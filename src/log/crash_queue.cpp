// The crash-readable queue of a log back-end: appending, taking blocks for writing, recycling, and
// the crash path's lock-free write-out.
#include "log/crash_queue.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "log/output.h"
#include "platform/crash.h"

namespace qvo {

namespace {

constexpr std::size_t kBlockSize = std::size_t{64} << 10;
constexpr std::size_t kSpareBlocks = 64;  // 4 MiB kept for reuse after a burst

// Raised by the crash path before it reads any queue; never lowered (the process is ending).
std::atomic<bool> g_crashing{false};

}  // namespace

void CrashQueue::raiseCrashFlag() { g_crashing.store(true); }

CrashQueue::~CrashQueue() {
  Block* b = m_head.load(std::memory_order_relaxed);
  while (b != nullptr) {
    Block* next = b->next.load(std::memory_order_relaxed);
    delete b;
    b = next;
  }
  while (m_spare != nullptr) {
    Block* next = m_spare->spareNext;
    delete m_spare;
    m_spare = next;
  }
}

void CrashQueue::releaseSpare() {
  while (m_spare != nullptr) {
    Block* next = m_spare->spareNext;
    delete m_spare;
    m_spare = next;
  }
  m_spareCount = 0;
}

void CrashQueue::append(std::string_view line) {
  Block* tail = m_tail;
  std::size_t used = tail != nullptr ? tail->committed.load(std::memory_order_relaxed) : 0;
  if (!m_tailOpen || tail->capacity - used < line.size()) {
    tail = newTail(line.size());
    used = 0;
  }
  std::memcpy(tail->data.get() + used, line.data(), line.size());
  tail->sizes.push_back(line.size());
  tail->committed.store(used + line.size(), std::memory_order_release);
  m_queued += line.size();
}

CrashQueue::Block* CrashQueue::newTail(std::size_t minSize) {
  recycleWritten();
  Block* block;
  if (minSize <= kBlockSize && m_spare != nullptr) {
    block = m_spare;
    m_spare = block->spareNext;
    --m_spareCount;
    block->next.store(nullptr, std::memory_order_relaxed);
    block->committed.store(0, std::memory_order_relaxed);
    block->written.store(0, std::memory_order_relaxed);
    block->sizes.clear();
  } else {
    block = new Block;
    block->capacity = minSize > kBlockSize ? minSize : kBlockSize;
    block->data.reset(new char[block->capacity]);
  }
  // Linked with a release store once reset, so the crash view never sees the block's old counts.
  if (m_tail != nullptr)
    m_tail->next.store(block, std::memory_order_release);
  else
    m_head.store(block, std::memory_order_release);
  m_tail = block;
  m_tailOpen = true;
  if (m_untaken.load(std::memory_order_relaxed) == nullptr) m_untaken.store(block, std::memory_order_release);
  return block;
}

CrashQueue::Range CrashQueue::take() {
  Block* const untaken = m_untaken.load(std::memory_order_relaxed);
  if (untaken == nullptr) return {};
  Range range{untaken, m_tail};
  for (Block* b = range.first;; b = b->next.load(std::memory_order_relaxed)) {
    b->held.store(true, std::memory_order_relaxed);  // the queue lock orders it before recycleWritten
    if (b == range.last) break;
  }
  m_untaken.store(nullptr, std::memory_order_release);
  m_tailOpen = false;  // the next line starts a new block: the taken ones no longer change
  m_queued = 0;
  return range;
}

// Under the queue lock: blocks at the front that are taken and wholly written leave the chain.
void CrashQueue::recycleWritten() {
  for (;;) {
    Block* head = m_head.load(std::memory_order_relaxed);
    if (head == nullptr || head == m_untaken.load(std::memory_order_relaxed) || (head == m_tail && m_tailOpen)) return;
    if (head->held.load(std::memory_order_acquire)) return;
    if (head->written.load(std::memory_order_acquire) != head->committed.load(std::memory_order_relaxed)) return;
    Block* next = head->next.load(std::memory_order_acquire);
    m_head.store(next);  // sequentially consistent, paired with the crash flag (release)
    if (head == m_tail) m_tail = nullptr;
    release(head);
  }
}

// A crash path that raised its flag before the unlink above may still be reading the block: it is
// then left alone. A crash path that raises it later starts from the new first block.
void CrashQueue::release(Block* block) {
  if (g_crashing.load()) return;
  if (block->capacity == kBlockSize && m_spareCount < kSpareBlocks) {
    block->spareNext = m_spare;
    m_spare = block;
    ++m_spareCount;
    return;
  }
  delete block;
}

void CrashQueue::beforeWrite() {
  if (m_writing == nullptr) return;
  m_inFlight.store(1);
  if (g_crashing.load()) {
    // Another thread is writing this queue out: what this writer holds is its to write.
    m_inFlight.store(0);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

void CrashQueue::wrote(char const* end) {
  if (m_writing == nullptr) return;
  char const* data = m_writing->data.get();
  if (end >= data && end <= data + m_writing->capacity)
    m_writing->written.store(static_cast<std::size_t>(end - data), std::memory_order_release);
  m_inFlight.store(0);
}

void CrashQueue::saveAtCrash(char const* how) {
  // A write call in flight on another thread is let finish (for a second at most), so that its
  // progress is known.
  for (int i = 0; i < 1000 && m_inFlight.load() != 0; ++i) platform::crashPause();
  int const fd = m_output.crashDescriptor();
  if (fd < 0) return;
  for (Block* b = m_head.load(); b != nullptr; b = b->next.load(std::memory_order_acquire)) {
    std::size_t const committed = b->committed.load(std::memory_order_acquire);
    std::size_t const written = b->written.load(std::memory_order_acquire);
    if (written < committed) platform::crashWrite(fd, b->data.get() + written, committed - written);
  }
  char line[96] = "\nprocess ends on ";
  std::size_t at = std::strlen(line);
  for (; *how != '\0' && at + 2 < sizeof line; ++how) line[at++] = *how;
  line[at++] = '\n';
  platform::crashWrite(fd, line, at);
}

}  // namespace qvo
