// qvo::LogImplementation, the back-end shared by qvo::Log handles: output, queue, module table,
// size limit and writer thread.
#ifndef QVOBASE_LOG_IMPLEMENTATION_H
#define QVOBASE_LOG_IMPLEMENTATION_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log/crash_queue.h"
#include "log/module_table.h"
#include "log/output.h"

namespace qvo {

class Log;
namespace detail {
class ProcessLogPin;
}

// Locks, always taken in this order: the exit list's lock, m_writerControl, m_queueLock, m_fileLock.
// - m_queueLock guards the queue and the writer's flags.
// - m_fileLock guards the output, its names and counters, and every write to it.
// A batch of lines is taken out of the queue under both locks, and m_fileLock is held until the batch
// is written, so batches reach the output in the order they left the queue, and whoever drains the
// queue waits for the batch that another thread (the writer) is writing. A synchronous line takes
// m_fileLock alone: finding the queue empty under it, no earlier line can still be on its way, so the
// line is written at once; otherwise it joins the queue's end. Lines never overtake each other.
class LogImplementation {
 public:
  static constexpr std::uint32_t kLargestFileSize = 4294967196u;  // 2^32 - 100
  static constexpr std::uint32_t kSmallestFileSize = 10;
  static constexpr std::uint32_t kSmallestQueue = 1474560;
  static constexpr std::uint32_t kLargestQueue = 629145600;

  LogImplementation();
  // Stops and joins the writer, writes out every pending line, closes a file output (unless
  // shutDown did so already).
  virtual ~LogImplementation();
  // What the destructor does, for a back-end whose memory outlives its last handle (process_log.cpp).
  void shutDown();
  LogImplementation(LogImplementation const&) = delete;
  LogImplementation& operator=(LogImplementation const&) = delete;

  // Handles.
  void acquire();
  // True when the last handle went: the caller destroys the back-end.
  bool release();

  // Output. openOutput keeps an output already open with `name`; else closes the old one and opens
  // `name` (console stream or file), false when that failed (standard output is then attached).
  bool openOutput(std::string const& name);
  // Closes a file output; a console stream stays attached. True when nothing is attached after.
  bool closeOutput();
  bool isOpen();

  // Queues `line` (an empty line is ignored); without a writer thread, or with `flushNow`, the
  // queue and the line are written out before the call returns.
  void post(std::string_view line, bool flushNow);
  // Writes out every pending line, including a batch another thread is writing, before returning.
  void drain();

  // Size limit of a file output.
  bool setMaxFileSize(unsigned int size);
  bool setMaxFileSizeRatio(double ratio);
  unsigned int maxFileSize() const { return m_maxFileSize.load(std::memory_order_relaxed); }

  // Writer thread. startWriter asks for one (it starts with the first queued line); stopWriter ends
  // and joins it, then writes out what it left. Both return true.
  bool startWriter();
  bool stopWriter();
  bool isThreaded() const { return m_threaded.load(std::memory_order_relaxed); }
  bool setMaxQueue(unsigned int size);
  unsigned int maxQueue() const { return m_maxQueue.load(std::memory_order_relaxed); }

  ModuleTable& modules() { return m_modules; }
  ModuleTable const& modules() const { return m_modules; }
  detail::LogSwitches const& switches() const { return m_modules.switches(); }

 private:
  // The process-wide log's lifetime (process_log.cpp).
  friend class Log;
  friend class detail::ProcessLogPin;

  // Under m_fileLock.
  bool isOpenWith(std::string const& name) const;
  bool openStream(std::string const& name, bool truncate);
  void closeOutputLocked();
  void writeSwapHeader();
  void writeLines(char const* data, std::size_t const* sizes, std::size_t count);  // line_queue.cpp
  // Writes blocks taken from the queue; the writer thread runs its hook before each block.
  void writeTaken(CrashQueue::Range range, bool byWriter);
  // One write call of writeLines, with its progress published for the crash path.
  void emit(char const* data, std::size_t size) {
    m_queue.beforeWrite();
    m_output.write(data, size);
    m_queue.wrote(data + size);
  }
  bool rollOver();  // rollover.cpp

  // Takes every queued line and writes it: m_fileLock is taken before the lines are taken and
  // `queueLock` is released.
  void drainLocked(std::unique_lock<std::mutex>& queueLock);
  // Under m_queueLock: starts the writer thread; on failure the log goes synchronous.
  bool launchWriterLocked();
  void writerLoop();
  void writeBatches();
  // Teardown after the OS has ended the other threads (Windows process exit).
  void teardownAtExit();

  // Process exit (process_exit.cpp): every back-end that asked for a writer is enrolled until it is
  // destroyed; at normal process exit, while threads still run, their writers are stopped and
  // joined and their queues written out, and no writer starts after that.
  void enrolForExit();
  void withdrawFromExit();
  static void stopWritersAtExit();
  static bool exitStarted();

  std::atomic<std::int32_t> m_refCount{0};

  std::mutex m_fileLock;
  std::string m_fileBase;  // name up to its extension ("stdout"/"stderr" for the console)
  std::string m_fileExt;   // extension from its last dot on, or empty
  LogOutput m_output;
  std::uint32_t m_swapCount = 0;
  std::atomic<std::uint32_t> m_maxFileSize{kLargestFileSize};
  std::uint64_t m_currentSize = 0;  // 64-bit, so the count plus a line never wraps near the limit

  // The queue's lock and fields change with every posted line, the module table is read by every
  // record and the file's fields change with every write: each group has cache lines of its own, so
  // that posting threads and the writer do not invalidate each other's reads.
  alignas(64) std::mutex m_queueLock;
  CrashQueue m_queue{m_output};  // readable by a crash handler without the lock
  std::atomic<std::uint32_t> m_maxQueue;

  alignas(64) ModuleTable m_modules;

  alignas(64) std::mutex m_writerControl;  // serialises startWriter and stopWriter
  std::atomic<bool> m_threaded{false};  // changed under m_queueLock; read without it by isThreaded
  bool m_stopWriter = false;          // m_queueLock
  bool m_writerIdle = false;          // m_queueLock: the writer sleeps on m_wakeSignal
  std::thread m_thread;               // m_queueLock
  std::condition_variable m_wakeSignal;

  bool m_shutDown = false;

  // The process-wide log's calls (process_log.cpp): how many static calls are writing through this
  // back-end, whether it has been retired, whether it ever was the process-wide back-end, and the
  // link of the list of retired back-ends.
  std::atomic<std::int32_t> m_pins{0};
  std::atomic<bool> m_retired{false};
  bool m_wasProcessWide = false;  // the instance lock
  LogImplementation* m_nextRetired = nullptr;

  bool m_enrolled = false;  // the list of process_exit.cpp and its links are guarded by that file's lock
  LogImplementation* m_exitPrev = nullptr;
  LogImplementation* m_exitNext = nullptr;
};

}  // namespace qvo

#endif  // QVOBASE_LOG_IMPLEMENTATION_H
