// The writer thread of a log back-end: start, sleep, batched writing, stop and join, queue limit.
#include <system_error>

#include "log/crash_guard.h"
#include "log/implementation.h"
#include "platform/library_pin.h"

namespace qvo {

bool LogImplementation::startWriter() {
  // The writer will run the library's code: from now on the library is never unloaded under it.
  // Done here, before any lock is taken, as it may wait for the system's loader.
  platform::keepLibraryLoaded();
  enrolForExit();
  crashGuardEnrol(&m_queue);
  std::lock_guard<std::mutex> control(m_writerControl);
  std::lock_guard<std::mutex> queue(m_queueLock);
  // The thread itself starts with the first queued line, so a threaded log that never gets a
  // line (a private log of a stream, say) costs no thread.
  m_threaded.store(true, std::memory_order_relaxed);
  return true;
}

bool LogImplementation::launchWriterLocked() {
  if (exitStarted()) {  // a thread started now would be cut off by the end of the process
    m_threaded.store(false, std::memory_order_relaxed);
    return false;
  }
  try {
    m_thread = std::thread(&LogImplementation::writerLoop, this);
    return true;
  } catch (std::system_error const&) {
    reportProblem("Fail to create the logging thread, log will be done synchronously.");
    m_threaded.store(false, std::memory_order_relaxed);
    return false;
  }
}

bool LogImplementation::stopWriter() {
  std::lock_guard<std::mutex> control(m_writerControl);
  std::thread writer;
  {
    std::lock_guard<std::mutex> queue(m_queueLock);
    // From here on every post writes synchronously; the writer finishes the batch it holds.
    m_threaded.store(false, std::memory_order_relaxed);
    m_stopWriter = true;
    writer = std::move(m_thread);
    m_wakeSignal.notify_all();
  }
  if (writer.joinable()) writer.join();
  {
    std::lock_guard<std::mutex> queue(m_queueLock);
    m_stopWriter = false;
  }
  drain();  // what the writer left
  crashGuardWithdraw(&m_queue);  // every line now reaches the output before its call returns
  return true;
}

// Sleeps while the queue is empty; otherwise takes every queued line at once and writes them with as
// few system calls as the size limit allows, so the output is flushed after every batch. Should the
// writer fail (no memory for a message), the log goes on synchronously instead of ending the process.
void LogImplementation::writerLoop() {
  try {
    writeBatches();
  } catch (...) {
    std::lock_guard<std::mutex> queue(m_queueLock);
    m_threaded.store(false, std::memory_order_relaxed);
  }
}

void LogImplementation::writeBatches() {
  std::unique_lock<std::mutex> queue(m_queueLock);
  for (;;) {
    while (m_queue.empty() && !m_stopWriter) {
      m_writerIdle = true;
      m_wakeSignal.wait(queue);
    }
    m_writerIdle = false;
    if (m_stopWriter) return;  // lines still queued are written by the stopping thread
    {
      std::lock_guard<std::mutex> file(m_fileLock);
      CrashQueue::Range range = m_queue.take();
      queue.unlock();
      writeTaken(range, true);
    }
    queue.lock();
  }
}

bool LogImplementation::setMaxQueue(unsigned int size) {
  if (size < kSmallestQueue) {
    reportProblem("Tried to set a max log stack size too small (" + std::to_string(size) + ", must be >= " +
                  std::to_string(kSmallestQueue) + "). Operation ignored.");
    return false;
  }
  if (size > kLargestQueue) {
    reportProblem("Tried to set a max log stack size too big (" + std::to_string(size) + ", must be <= " +
                  std::to_string(kLargestQueue) + "). Operation ignored.");
    return false;
  }
  m_maxQueue.store(size, std::memory_order_relaxed);
  return true;
}

}  // namespace qvo
