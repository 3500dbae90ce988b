// The log back-end: lifetime, opening and closing the output, the header of a new file.
#include "log/implementation.h"

#include <cstdlib>
#include <cstring>

#include "QVOLog.h"
#include "log/crash_guard.h"
#include "log/record.h"
#include "platform/module.h"

namespace qvo {

namespace {

// EQVO_FLUSHLOG starting with N, F, 0, n or f asks to keep an existing log file and append to it.
// A value of 128 characters or more counts as not set.
bool appendRequested() {
  char const* value = std::getenv("EQVO_FLUSHLOG");
  if (value == nullptr || value[0] == '\0' || std::strlen(value) >= 128) return false;
  return std::strchr("NF0nf", value[0]) != nullptr;
}

}  // namespace

LogImplementation::LogImplementation() : m_maxQueue(Log::DefaultMaxThreadedLogBuffer) {}

LogImplementation::~LogImplementation() { shutDown(); }

void LogImplementation::shutDown() {
  if (m_shutDown) return;
  m_shutDown = true;
  if (platform::processExitInProgress()) {
    teardownAtExit();
    return;
  }
  stopWriter();
  withdrawFromExit();
  {
    std::lock_guard<std::mutex> file(m_fileLock);
    closeOutputLocked();
  }
  std::lock_guard<std::mutex> queue(m_queueLock);  // the queue's lock is never taken under the file's
  m_queue.releaseSpare();
}

void LogImplementation::acquire() { m_refCount.fetch_add(1, std::memory_order_relaxed); }

bool LogImplementation::release() { return m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1; }

bool LogImplementation::openOutput(std::string const& name) {
  if (name.empty()) return false;
  std::lock_guard<std::mutex> file(m_fileLock);
  if (isOpenWith(name)) return true;
  closeOutputLocked();
  bool truncate = !appendRequested();
  m_swapCount = 0;
  return openStream(name, truncate);
}

bool LogImplementation::closeOutput() {
  std::lock_guard<std::mutex> file(m_fileLock);
  closeOutputLocked();
  return !m_output.isOpen();
}

bool LogImplementation::isOpen() {
  std::lock_guard<std::mutex> file(m_fileLock);
  return m_output.isOpen();
}

bool LogImplementation::isOpenWith(std::string const& name) const {
  if (!m_output.isOpen()) return false;
  if (name.empty()) return true;
  return name.size() == m_fileBase.size() + m_fileExt.size() && name.compare(0, m_fileBase.size(), m_fileBase) == 0 &&
         name.compare(m_fileBase.size(), std::string::npos, m_fileExt) == 0;
}

bool LogImplementation::openStream(std::string const& name, bool truncate) {
  if (name == Log::COutFilename() || name == Log::CErrFilename()) {
    m_fileBase = name;
    m_fileExt.clear();
    m_output.attachConsole(name == Log::COutFilename() ? LogOutput::Kind::Stdout : LogOutput::Kind::Stderr);
    return true;
  }
  std::uint64_t existing = 0;
  if (!m_output.openFile(name, truncate, &existing)) {
    reportProblem("Fail to open/create log file " + name);
    m_fileBase = Log::COutFilename();
    m_fileExt.clear();
    m_output.attachConsole(LogOutput::Kind::Stdout);
    return false;
  }
  // An appended file counts what it already holds against the size limit.
  m_currentSize = existing;
  // The extension starts at the last dot, unless that dot opens the name or a path element.
  std::size_t dot = name.find_last_of('.');
  bool hasExt = dot != std::string::npos && dot != 0 && name[dot - 1] != '/' && name[dot - 1] != '\\' &&
                name.find_first_of("/\\", dot) == std::string::npos;
  m_fileBase = hasExt ? name.substr(0, dot) : name;
  m_fileExt = hasExt ? name.substr(dot) : std::string();
  writeSwapHeader();
  return true;
}

void LogImplementation::closeOutputLocked() {
  m_output.closeFile();
  m_currentSize = 0;
}

void LogImplementation::writeSwapHeader() {
  std::string header = "LogSwapCount[" + std::to_string(m_swapCount) + "] at ";
  header += record::dateTimeNow();
  header += '\n';
  m_output.write(header.data(), header.size());
}

void LogImplementation::teardownAtExit() {
  // Only this thread is left; a lock that an ended thread held stays taken, so each is taken only
  // when free, and what is queued is written out either way.
  if (m_thread.joinable()) m_thread.detach();
  bool queueTaken = m_queueLock.try_lock();
  bool fileTaken = m_fileLock.try_lock();
  crashGuardForget(&m_queue);
  m_queue.writeUnfinished([this](char const* data, std::size_t size) { m_output.write(data, size); });
  writeTaken(m_queue.take(), false);
  closeOutputLocked();
  if (fileTaken) m_fileLock.unlock();
  if (queueTaken) m_queueLock.unlock();
}

}  // namespace qvo
