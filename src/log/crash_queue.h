// The queue of a log back-end's finished lines, laid out so that a crash handler can write out what
// it holds without taking any lock.
#ifndef QVOBASE_LOG_CRASH_QUEUE_H
#define QVOBASE_LOG_CRASH_QUEUE_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace qvo {

class LogOutput;

// Lines are copied back to back into fixed-size blocks chained oldest first (a line longer than a
// block gets a block of its own size; no line straddles two blocks). Posting threads append under
// the back-end's queue lock; each block publishes the length of its whole lines (`committed`) with a
// release store after the bytes are copied, so a reader that follows the chain never sees a cut line.
// A thread that writes (the writer, or one that drains) takes every untaken block at once (`take`,
// under the queue lock and the file lock) and writes them before it lets the file lock go; after every
// write call it publishes in the block how far the output has taken it (`written`). The chain keeps a block until it is wholly
// written, then recycles it; a recycled block is freed only when no crash is in progress, and blocks
// kept for reuse are freed with the queue.
// The crash view (saveAtCrash) walks the chain from its first block and writes, from each block, the
// bytes past `written` up to `committed`: the rest of what a writer holds, exactly once, then what
// is still queued. Before it reads, it raises the crash flag and waits for a write call in flight on
// another thread; a writer that meets the flag stops before its next write call, so no byte is
// written twice.
class CrashQueue {
 public:
  struct Block;
  // Blocks taken for writing, oldest first; `first` is null when nothing was queued.
  struct Range {
    Block* first = nullptr;
    Block* last = nullptr;
  };

  explicit CrashQueue(LogOutput const& output) : m_output(output) {}
  ~CrashQueue();
  CrashQueue(CrashQueue const&) = delete;
  CrashQueue& operator=(CrashQueue const&) = delete;

  // Under the queue lock.
  void append(std::string_view line);
  bool empty() const { return m_untaken.load(std::memory_order_relaxed) == nullptr; }
  // The same answer without the queue lock: every take happens under the file lock too, so a thread
  // that holds the file lock and reads false knows that no line waits to be written before its own.
  bool holdsUntaken() const { return m_untaken.load(std::memory_order_acquire) != nullptr; }
  std::size_t queuedBytes() const { return m_queued; }
  // Also under the file lock, which stays taken until the range is written.
  Range take();
  // Frees the blocks kept for reuse (a back-end that is shut down but whose memory stays).
  void releaseSpare();

  // Under the file lock: the bytes of each block of a taken range, written through `write`, which
  // calls wrote() after each write call. Blocks are visited oldest first.
  template <typename WriteBlock>
  void writeRange(Range range, WriteBlock&& write);
  // The block whose bytes are being written, if any (file lock).
  void beforeWrite();
  void wrote(char const* end);

  // At process exit, once the writer thread has been ended by the system: hands `write` the rest of
  // each taken block that was not wholly written (the untaken ones are left for take()).
  template <typename WriteBytes>
  void writeUnfinished(WriteBytes&& write);

  // The crash path: no lock, no allocation. Writes what the chain holds and the line
  // "process ends on <how>" to the output's descriptor.
  void saveAtCrash(char const* how);
  // Raised once by the crash path, before it reads any queue.
  static void raiseCrashFlag();

 private:
  Block* newTail(std::size_t minSize);
  void recycleWritten();
  void release(Block* block);
  void writing(Block* block) { m_writing = block; }

  LogOutput const& m_output;
  std::atomic<Block*> m_head{nullptr};  // oldest block still needed
  Block* m_tail = nullptr;              // newest block
  bool m_tailOpen = false;              // lines may still be appended to m_tail
  std::atomic<Block*> m_untaken{nullptr};  // oldest block not yet taken; stored under the queue lock
  std::size_t m_queued = 0;             // bytes not yet taken
  Block* m_spare = nullptr;             // blocks kept for reuse
  std::size_t m_spareCount = 0;
  Block* m_writing = nullptr;           // file lock
  std::atomic<int> m_inFlight{0};       // a write call of a taken block runs
};

struct CrashQueue::Block {
  std::atomic<Block*> next{nullptr};
  std::atomic<std::size_t> committed{0};  // bytes of whole lines
  std::atomic<std::size_t> written{0};    // bytes the output has taken
  std::atomic<bool> held{false};          // taken by a writing thread that has not finished with it
  std::size_t capacity = 0;
  std::unique_ptr<char[]> data;
  std::vector<std::size_t> sizes;  // each line's length
  Block* spareNext = nullptr;
};

template <typename WriteBlock>
void CrashQueue::writeRange(Range range, WriteBlock&& write) {
  for (Block* b = range.first; b != nullptr;) {
    Block* const next = b == range.last ? nullptr : b->next.load(std::memory_order_acquire);
    writing(b);
    write(b->data.get(), b->sizes.data(), b->sizes.size());
    b->written.store(b->committed.load(std::memory_order_relaxed), std::memory_order_release);
    writing(nullptr);
    // Only now may a posting thread recycle the block as a new tail, with another link and other
    // lines: the progress that the write calls published may have shown it wholly written before.
    b->held.store(false, std::memory_order_release);
    b = next;
  }
}

template <typename WriteBytes>
void CrashQueue::writeUnfinished(WriteBytes&& write) {
  Block* const untaken = m_untaken.load(std::memory_order_acquire);
  for (Block* b = m_head.load(std::memory_order_acquire); b != nullptr && b != untaken;
       b = b->next.load(std::memory_order_acquire)) {
    std::size_t const committed = b->committed.load(std::memory_order_acquire);
    std::size_t const written = b->written.load(std::memory_order_acquire);
    if (written < committed) write(b->data.get() + written, committed - written);
    b->written.store(committed, std::memory_order_release);
  }
}

}  // namespace qvo

#endif  // QVOBASE_LOG_CRASH_QUEUE_H
