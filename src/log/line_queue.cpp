// The way of a finished line to the output: the queue, the synchronous path, draining, and the batched
// write that counts each line against the file's size limit.
#include "log/crash_guard.h"
#include "log/implementation.h"

namespace qvo {

void LogImplementation::post(std::string_view line, bool flushNow) {
  if (line.empty()) return;
  if (flushNow || !m_threaded.load(std::memory_order_relaxed)) {
    // The common synchronous case: with nothing queued, the line goes straight from the caller's
    // buffer under the file's lock alone, so concurrent callers wait on one lock, not two.
    std::lock_guard<std::mutex> file(m_fileLock);
    if (!m_queue.holdsUntaken()) {
      std::size_t size = line.size();
      writeLines(line.data(), &size, 1);
      return;
    }
  }
  std::unique_lock<std::mutex> queue(m_queueLock);
  if (!flushNow && m_threaded.load(std::memory_order_relaxed)) {
    m_queue.append(line);
    if (m_queue.queuedBytes() > m_maxQueue.load(std::memory_order_relaxed)) {
      // The writer cannot keep up: the posting thread pays for the backlog.
      drainLocked(queue);
      return;
    }
    if (!m_thread.joinable() && !launchWriterLocked()) {
      drainLocked(queue);
      return;
    }
    if (m_writerIdle) {
      // Woken after the lock is let go, so that the writer does not wake only to wait for it. The
      // writer tests the queue under the lock before it sleeps, so the line cannot be missed.
      m_writerIdle = false;
      queue.unlock();
      m_wakeSignal.notify_one();
    }
    return;
  }
  // Lines wait (or the writer stopped meanwhile): this one goes after them.
  m_queue.append(line);
  drainLocked(queue);
}

void LogImplementation::drain() {
  std::unique_lock<std::mutex> queue(m_queueLock);
  drainLocked(queue);
}

void LogImplementation::drainLocked(std::unique_lock<std::mutex>& queueLock) {
  std::lock_guard<std::mutex> file(m_fileLock);
  CrashQueue::Range range = m_queue.take();
  queueLock.unlock();
  writeTaken(range, false);
}

void LogImplementation::writeTaken(CrashQueue::Range range, bool byWriter) {
  m_queue.writeRange(range, [this, byWriter](char const* data, std::size_t const* sizes, std::size_t count) {
    if (byWriter) runWriterHook();
    writeLines(data, sizes, count);
  });
}

// Writes lines in as few system calls as the size limit allows: consecutive lines that fit go out
// together; a line that carries the file past the limit first rolls the file over and becomes the
// first line of the new file; a line longer than the limit is cut to it.
void LogImplementation::writeLines(char const* data, std::size_t const* sizes, std::size_t count) {
  if (!m_output.isOpen() || count == 0) return;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += sizes[i];
  std::uint64_t const limit = m_maxFileSize.load(std::memory_order_relaxed);
  if (!m_output.isFile()) {
    emit(data, total);
    return;
  }
  if (m_currentSize + total <= limit) {  // the usual case: the whole batch fits
    m_currentSize += total;
    emit(data, total);
    return;
  }
  char const* pending = data;  // start of the lines counted but not yet written
  char const* line = data;
  for (std::size_t i = 0; i < count; line += sizes[i], ++i) {
    if (!m_output.isFile()) continue;  // a failed reopening left standard output: no more limit
    std::uint64_t size = sizes[i];
    bool cut = size > limit;
    if (cut) {
      emit(pending, static_cast<std::size_t>(line - pending));
      pending = line + sizes[i];
      reportProblem("The log line is too long (" + std::to_string(size) + ") for the max log size (" +
                    std::to_string(limit) + ") and will be truncated.");
      size = limit;
    }
    m_currentSize += size;
    if (m_currentSize > limit) {
      if (!cut) emit(pending, static_cast<std::size_t>(line - pending));
      if (!cut) pending = line;
      rollOver();
      m_currentSize += size;
    }
    if (cut) emit(line, static_cast<std::size_t>(size));
  }
  emit(pending, static_cast<std::size_t>(line - pending));
}

}  // namespace qvo
