// qvo::Log: the handle, the process-wide log, the trace and write forms and the record headers.
#include <cstdarg>
#include <mutex>

#include "QVOLog.h"
#include "log/backend.h"
#include "log/instance.h"
#include "log/record.h"

namespace qvo {

unsigned int Log::DefaultMaxThreadedLogBuffer = LogImplementation::kLargestQueue;
double Log::DefaultOSMaxFileSizeRatio = 0.5;

namespace {

// The record paths stay out of line, so the trace forms' switched-off path is the module check alone
// (no saved registers, no frame for the record buffers).
[[gnu::noinline]] bool postRecord(LogImplementation* impl, std::string const& module, long level,
                                  std::string const& sourceFile, long sourceLine, std::string_view text,
                                  bool flushNow) {
  char small[1024];
  std::string big;
  impl->post(record::buildRecord(small, big, module, level, sourceFile, sourceLine, text), flushNow);
  return true;
}

// The formatting forms' out-of-line path: the whole module check, then the record formatted and posted.
[[gnu::noinline]] bool postFormatted(LogImplementation* impl, std::string const& module, long level,
                                     std::string const& sourceFile, long sourceLine, bool flushNow, char const* format,
                                     va_list args) {
  if (!impl->modules().isTraced(module)) return false;
  char small[2048];
  std::string big;
  return postRecord(impl, module, level, sourceFile, sourceLine, record::formatInto(small, big, format, args),
                    flushNow);
}

// The same for a text without record header.
[[gnu::noinline]] bool postPlain(LogImplementation* impl, std::string const& module, char const* format, va_list args) {
  if (!impl->modules().isTraced(module)) return false;
  char small[2048];
  std::string big;
  impl->post(record::formatInto(small, big, format, args), false);
  return true;
}

// The formatting forms' inline check; a handle without back-end traces nothing.
bool mayTrace(LogImplementation* impl, std::string const& module) {
  return impl != nullptr && impl->modules().mayBeTraced(module);
}

// Constant-initialised, so it exists before and after every use of the process-wide log.
std::mutex g_instanceLock;

Log& instanceSlot() {
  // A function-local static: its first creation is safe from any number of threads at once.
  static Log processLog(Log::COutFilename(), false, false);
  return processLog;
}

}  // namespace

Log& Log::instance() {
  Log& log = instanceSlot();
  // Waits while another thread is replacing the process-wide log.
  std::lock_guard<std::mutex> wait(g_instanceLock);
  return log;
}

Log detail::instanceCopy() {
  Log& log = instanceSlot();
  std::lock_guard<std::mutex> guard(g_instanceLock);
  return log;
}

void Log::makeInstance() {
  Log& slot = instanceSlot();
  LogImplementation* previous = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    if (slot.m_impl == m_impl) return;
    m_impl->acquire();
    previous = slot.m_impl;
    slot.m_impl = m_impl;
  }
  // The former back-end (when no other handle holds it) is torn down outside the instance lock.
  if (previous != nullptr && previous->release()) delete previous;
}

Log::Log(bool threaded, bool setAsInstance) : m_impl(new LogImplementation) {
  m_impl->acquire();
  if (threaded) m_impl->startWriter();
  if (setAsInstance) makeInstance();
}

Log::Log(std::string const& name, bool threaded, bool setAsInstance) : m_impl(new LogImplementation) {
  m_impl->acquire();
  if (threaded) m_impl->startWriter();
  if (m_impl->openOutput(name) && setAsInstance) makeInstance();
}

Log::Log(char const* name, bool threaded, bool setAsInstance)
    : Log(std::string(name != nullptr ? name : ""), threaded, setAsInstance) {}

Log::Log(Log const& other) : m_impl(other.m_impl) {
  if (m_impl != nullptr) m_impl->acquire();
}

Log& Log::operator=(Log const& other) {
  if (m_impl == other.m_impl) return *this;
  if (other.m_impl != nullptr) other.m_impl->acquire();
  LogImplementation* old = m_impl;
  m_impl = other.m_impl;
  if (old != nullptr && old->release()) delete old;
  return *this;
}

Log::~Log() {
  if (m_impl != nullptr && m_impl->release()) delete m_impl;
}

bool Log::operator==(Log const& other) const { return m_impl == other.m_impl; }
bool Log::operator!=(Log const& other) const { return m_impl != other.m_impl; }

bool Log::open(std::string const& name, bool setAsInstance) {
  if (m_impl == nullptr) return false;
  m_impl->drain();
  if (!m_impl->openOutput(name)) return false;
  if (setAsInstance) makeInstance();
  return true;
}

bool Log::close() {
  if (m_impl == nullptr) return false;
  m_impl->drain();
  m_impl->closeOutput();
  return true;
}

bool Log::isOpen() const { return m_impl != nullptr && m_impl->isOpen(); }

void Log::sync() {
  if (m_impl != nullptr) m_impl->drain();
}

bool Log::trace(std::string const& module, std::string const& text) {
  if (m_impl == nullptr || !m_impl->modules().isTraced(module)) return false;
  m_impl->post(text, false);
  return true;
}

bool Log::write(std::string const& module, std::string const& text) {
  if (m_impl == nullptr || !m_impl->modules().isTraced(module)) return false;
  m_impl->post(text, true);
  return true;
}

bool Log::trace(std::string const& module, char const* format, ...) {
  if (!mayTrace(m_impl, module)) return false;
  bool posted = false;
  QVO_WITH_VA_ARGS(format, posted = postPlain(m_impl, module, format, args));
  return posted;
}

bool Log::trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                std::string const& text) {
  if (m_impl == nullptr || !m_impl->modules().isTraced(module)) return false;
  return postRecord(m_impl, module, level, sourceFile, sourceLine, text, false);
}

bool Log::write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                std::string const& text) {
  if (m_impl == nullptr || !m_impl->modules().isTraced(module)) return false;
  return postRecord(m_impl, module, level, sourceFile, sourceLine, text, true);
}

// The formatting record forms check the module before they format.
bool Log::trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(m_impl, module)) return false;
  bool posted = false;
  QVO_WITH_VA_ARGS(format, posted = postFormatted(m_impl, module, level, sourceFile, sourceLine, false, format, args));
  return posted;
}

bool Log::trace(std::string const& module, TraceLevel level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(m_impl, module)) return false;
  bool posted = false;
  QVO_WITH_VA_ARGS(format, posted = postFormatted(m_impl, module, static_cast<long>(level), sourceFile, sourceLine,
                                                  false, format, args));
  return posted;
}

bool Log::write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(m_impl, module)) return false;
  bool posted = false;
  QVO_WITH_VA_ARGS(format, posted = postFormatted(m_impl, module, level, sourceFile, sourceLine, true, format, args));
  return posted;
}

bool Log::setMaxFileSizeInByte(unsigned int size) { return m_impl != nullptr && m_impl->setMaxFileSize(size); }

bool Log::setOSMaxFileSizeInByte(double ratio) { return m_impl != nullptr && m_impl->setMaxFileSizeRatio(ratio); }

unsigned int Log::getMaxFileSizeInByte() const { return m_impl != nullptr ? m_impl->maxFileSize() : 0; }

bool Log::setThreadedLog(bool threaded) {
  if (m_impl == nullptr) return false;
  if (threaded)
    m_impl->startWriter();
  else
    m_impl->stopWriter();
  return true;
}

bool Log::isLogThreaded() const { return m_impl != nullptr && m_impl->isThreaded(); }

bool Log::setMaxThreadedLogBuffer(unsigned int size) { return m_impl != nullptr && m_impl->setMaxQueue(size); }

unsigned int Log::getMaxThreadedLogBuffer() const { return m_impl != nullptr ? m_impl->maxQueue() : 0; }

void Log::activateModule(std::string const& module, bool traced) {
  if (m_impl != nullptr) m_impl->modules().set(module, traced);
}

bool Log::isModuleTraced(std::string const& module) { return m_impl != nullptr && m_impl->modules().isTraced(module); }

std::string const& Log::COutFilename() {
  static std::string const name = "stdout";
  return name;
}

std::string const& Log::CErrFilename() {
  static std::string const name = "stderr";
  return name;
}

std::string Log::getLevelDescr(long level) const { return std::string(record::levelText(level)); }

std::string Log::getDateTimeDescr() const {
  return m_impl != nullptr ? std::string(record::dateTimeNow()) : std::string();
}

std::string Log::getThreadDescr() const { return std::string(record::threadText()); }

std::string Log::prefixLog() const { return "\n" + getThreadDescr() + " : " + getDateTimeDescr() + "\n\t"; }

std::string Log::prefixLog(std::string const& module) const {
  return "\n" + module + " " + getThreadDescr() + " : " + getDateTimeDescr() + "\n\t";
}

std::string Log::prefixLog(std::string const& module, long level) const {
  return "\n" + getLevelDescr(level) + " " + module + " " + getThreadDescr() + " : " + getDateTimeDescr() + "\n\t";
}

std::string Log::prefixLog(std::string const& module, long level, std::string const& sourceFile,
                           long sourceLine) const {
  return "\n" + getLevelDescr(level) + " " + module + " " + getThreadDescr() + " : " + sourceFile + " - " +
         std::to_string(sourceLine) + " : " + getDateTimeDescr() + "\n\t";
}

}  // namespace qvo
