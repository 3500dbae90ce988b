// qvo::Log: the handle, its trace and write forms, settings and record headers (the process-wide
// handle is in process_log.cpp).
#include <cstdarg>

#include "QVOLog.h"
#include "log/implementation.h"
#include "log/posting.h"
#include "log/record.h"

namespace qvo {

unsigned int Log::DefaultMaxThreadedLogBuffer = LogImplementation::kLargestQueue;
double Log::DefaultOSMaxFileSizeRatio = 0.5;

namespace {

// Writable, like every switch word (an atomic read may not be a plain load everywhere).
detail::LogSwitches kNoBackEnd;

}  // namespace

void Log::attach(LogImplementation* impl) {
  m_impl = impl;
  m_switches = impl != nullptr ? &impl->switches() : &kNoBackEnd;
}

Log::Log(bool threaded, bool setAsInstance) : m_impl(nullptr), m_switches(nullptr) {
  attach(new LogImplementation);
  m_impl->acquire();
  if (threaded) m_impl->startWriter();
  if (setAsInstance) makeInstance();
}

Log::Log(std::string const& name, bool threaded, bool setAsInstance) : m_impl(nullptr), m_switches(nullptr) {
  attach(new LogImplementation);
  m_impl->acquire();
  if (threaded) m_impl->startWriter();
  if (m_impl->openOutput(name) && setAsInstance) makeInstance();
}

Log::Log(char const* name, bool threaded, bool setAsInstance)
    : Log(std::string(name != nullptr ? name : ""), threaded, setAsInstance) {}

Log::Log(Log const& other) : m_impl(nullptr), m_switches(nullptr) {
  attach(other.m_impl);
  if (m_impl != nullptr) m_impl->acquire();
}

Log& Log::operator=(Log const& other) {
  if (m_impl == other.m_impl) return *this;
  if (isProcessHandle()) {
    // Assigning to the process-wide handle replaces the process-wide log.
    Log replacement(other);
    replacement.makeInstance();
    return *this;
  }
  if (other.m_impl != nullptr) other.m_impl->acquire();
  LogImplementation* old = m_impl;
  attach(other.m_impl);
  release(old);
  return *this;
}

Log::~Log() { release(m_impl); }

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

bool Log::isTraced(std::string_view module) const { return m_impl != nullptr && m_impl->modules().isTraced(module); }

bool Log::postText(std::string_view module, std::string_view text, bool flushNow) {
  if (!isTraced(module)) return false;
  m_impl->post(text, flushNow);
  return true;
}

bool Log::postRecord(std::string_view module, long level, std::string_view sourceFile, long sourceLine,
                     std::string_view text, bool flushNow) {
  if (!isTraced(module)) return false;
  posting::postRecord(m_impl, module, level, sourceFile, sourceLine, text, flushNow);
  return true;
}

// The formatting forms check the module before they format; their bodies are the shared path of
// posting.cpp, as for CQVOLog.
bool Log::trace(std::string const& module, char const* format, ...) {
  if (!mayTrace(module.data(), module.size()) || !isTraced(module)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedText(m_impl, format, args));
  return true;
}

bool Log::trace(char const* module, char const* format, ...) {
  std::string_view const name(detail::nameText(module), detail::nameSize(module));
  if (!mayTrace(name.data(), name.size()) || !isTraced(name)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedText(m_impl, format, args));
  return true;
}

bool Log::trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(module.data(), module.size()) || !isTraced(module)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, module, level, sourceFile, sourceLine, false, format, args));
  return true;
}

bool Log::trace(std::string const& module, TraceLevel level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(module.data(), module.size()) || !isTraced(module)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, module, static_cast<long>(level), sourceFile,
                                                        sourceLine, false, format, args));
  return true;
}

bool Log::write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                char const* format, ...) {
  if (!mayTrace(module.data(), module.size()) || !isTraced(module)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, module, level, sourceFile, sourceLine, true, format, args));
  return true;
}

bool Log::trace(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  std::string_view const name(detail::nameText(module), detail::nameSize(module));
  if (!mayTrace(name.data(), name.size()) || !isTraced(name)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, name, level, detail::nameText(sourceFile), sourceLine,
                                                        false, format, args));
  return true;
}

bool Log::trace(char const* module, TraceLevel level, char const* sourceFile, long sourceLine, char const* format,
                ...) {
  std::string_view const name(detail::nameText(module), detail::nameSize(module));
  if (!mayTrace(name.data(), name.size()) || !isTraced(name)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, name, static_cast<long>(level),
                                                        detail::nameText(sourceFile), sourceLine, false, format, args));
  return true;
}

bool Log::write(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  std::string_view const name(detail::nameText(module), detail::nameSize(module));
  if (!mayTrace(name.data(), name.size()) || !isTraced(name)) return false;
  QVO_WITH_VA_ARGS(format, posting::postFormattedRecord(m_impl, name, level, detail::nameText(sourceFile), sourceLine,
                                                        true, format, args));
  return true;
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
