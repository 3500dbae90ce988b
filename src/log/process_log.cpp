// The process-wide log: its handle, its replacement, and how static calls reach it without a lock.
//
// How a static call (CQVOLog) reaches the process-wide log, which any thread may replace at any time:
// - processLogSwitches points at the module switches of the process-wide back-end and g_processLog at
//   the back-end itself; both are replaced, under the instance lock, whenever the process-wide log is.
//   A switched-off record reads the switches (inline, in the caller) and, when they cannot rule the
//   module out, the back-end's module table: loads only, no lock, no reference count.
// - A back-end that has once been process-wide is never freed: when its last handle goes it is shut
//   down (writer stopped, lines written, file closed) and kept, module table and all, in a list until
//   the process ends. A call that read its address just before a replacement therefore never reads
//   freed memory. Memory: one retired back-end per replacement of the process-wide log, which
//   applications do a few times at most.
// - A switched-on record pins the back-end for the time of its write: it raises the back-end's pin
//   count, then checks that the back-end has not been retired. Retiring sets the flag first, then
//   waits for the pins to drop to zero before shutting down. Both sides are sequentially consistent,
//   so either the caller sees the flag (and takes the new process-wide back-end) or the retiring
//   thread sees the pin (and waits for the record to be written): a record racing with a
//   replacement lands whole in the old or the new log, never in a closed one.
#include "log/process_log.h"

#include <mutex>
#include <thread>

#include "platform/module.h"

namespace qvo {

namespace detail {

namespace {
LogSwitches kNothingTraced;
}  // namespace

std::atomic<LogSwitches const*> processLogSwitches{&kNothingTraced};

}  // namespace detail

namespace {

// Constant-initialised, so they exist before and after every use of the process-wide log.
std::mutex g_instanceLock;
std::atomic<LogImplementation*> g_processLog{nullptr};
Log* g_processHandle = nullptr;            // the instance lock; set once
LogImplementation* g_retired = nullptr;    // the instance lock: retired back-ends, kept until exit

// Under the instance lock: `impl` becomes the process-wide back-end.
void publish(LogImplementation* impl) {
  g_processLog.store(impl, std::memory_order_release);
  detail::processLogSwitches.store(impl != nullptr ? &impl->switches() : &detail::kNothingTraced,
                                   std::memory_order_release);
}

}  // namespace

Log& Log::instance() {
  // Function-local statics: their first creation is safe from any number of threads at once.
  static Log handle(COutFilename(), false, false);
  static bool const published = [] {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    g_processHandle = &handle;
    handle.m_impl->m_wasProcessWide = true;
    publish(handle.m_impl);
    return true;
  }();
  (void)published;
  // Waits while another thread is replacing the process-wide log.
  std::lock_guard<std::mutex> wait(g_instanceLock);
  return handle;
}

Log detail::instanceCopy() {
  Log& log = Log::instance();
  std::lock_guard<std::mutex> guard(g_instanceLock);
  return log;
}

LogImplementation* detail::processBackEnd() { return g_processLog.load(std::memory_order_acquire); }

bool Log::isProcessHandle() const {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  return this == g_processHandle;
}

void Log::makeInstance() {
  Log& handle = instance();
  LogImplementation* previous = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    if (handle.m_impl == m_impl || m_impl == nullptr) return;
    m_impl->acquire();
    m_impl->m_wasProcessWide = true;
    previous = handle.m_impl;
    handle.attach(m_impl);
    publish(m_impl);
  }
  // The former back-end (when no other handle holds it) is shut down outside the instance lock.
  release(previous);
}

void Log::release(LogImplementation* impl) {
  if (impl == nullptr || !impl->release()) return;
  bool wasProcessWide;
  {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    wasProcessWide = impl->m_wasProcessWide;
    if (wasProcessWide && g_processLog.load(std::memory_order_relaxed) == impl) publish(nullptr);  // exit
  }
  if (!wasProcessWide) {
    delete impl;
    return;
  }
  impl->m_retired.store(true, std::memory_order_seq_cst);
  // At the end of a Windows process the other threads are gone, whatever pins they held.
  while (impl->m_pins.load(std::memory_order_seq_cst) != 0 && !platform::processExitInProgress())
    std::this_thread::yield();
  impl->shutDown();
  std::lock_guard<std::mutex> guard(g_instanceLock);
  impl->m_nextRetired = g_retired;
  g_retired = impl;
}

detail::ProcessLogPin::ProcessLogPin() {
  for (;;) {
    m_impl = g_processLog.load(std::memory_order_acquire);
    if (m_impl == nullptr) return;
    m_impl->m_pins.fetch_add(1, std::memory_order_seq_cst);
    if (!m_impl->m_retired.load(std::memory_order_seq_cst)) return;
    // Replaced meanwhile: the new process-wide back-end takes the record.
    m_impl->m_pins.fetch_sub(1, std::memory_order_release);
  }
}

detail::ProcessLogPin::~ProcessLogPin() {
  if (m_impl != nullptr) m_impl->m_pins.fetch_sub(1, std::memory_order_release);
}

}  // namespace qvo
