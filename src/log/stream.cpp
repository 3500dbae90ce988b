// qvo::LogStream: one record at a time built with <<, then handed to a log as a full record.
#include <istream>
#include <sstream>

#include "QVOLog.h"

namespace qvo {

struct LogStreamData {
  LogStreamData(std::string m, long l, std::string f, long n, bool t)
      : m_module(std::move(m)), m_level(l), m_sourceFile(std::move(f)), m_sourceLine(n), m_traceMode(t) {}
  std::ostringstream m_text;  // its formatting state is the stream's
  std::string m_module;
  long m_level;
  std::string m_sourceFile;
  long m_sourceLine;
  bool m_traceMode;
};

LogStream::LogStream(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                     bool traceMode)
    : m_log(true, false), m_data(new LogStreamData(module, level, sourceFile, sourceLine, traceMode)) {}

LogStream::LogStream(char const* module, long level, std::string const& sourceFile, long sourceLine,
                     bool traceMode)
    : LogStream(std::string(module != nullptr ? module : ""), level, sourceFile, sourceLine, traceMode) {}

LogStream::LogStream(Log const& log, std::string const& module, long level, std::string const& sourceFile,
                     long sourceLine, bool traceMode)
    : m_log(log), m_data(new LogStreamData(module, level, sourceFile, sourceLine, traceMode)) {}

LogStream::LogStream(LogStream const& other)
    : m_log(other.m_log),
      m_data(new LogStreamData(other.m_data->m_module, other.m_data->m_level, other.m_data->m_sourceFile,
                               other.m_data->m_sourceLine, other.m_data->m_traceMode)) {}

LogStream& LogStream::operator=(LogStream const& other) {
  if (this == &other) return *this;
  m_log = other.m_log;
  m_data->m_module = other.m_data->m_module;
  m_data->m_level = other.m_data->m_level;
  m_data->m_sourceFile = other.m_data->m_sourceFile;
  m_data->m_sourceLine = other.m_data->m_sourceLine;
  m_data->m_traceMode = other.m_data->m_traceMode;
  return *this;
}

LogStream::~LogStream() {
  if (!m_data->m_text.str().empty()) endl();
  delete m_data;
}

Log& LogStream::getLog() { return m_log; }

LogStream& LogStream::lvl(long level) {
  m_data->m_level = level;
  return *this;
}
LogStream& LogStream::info() { return lvl(0); }
LogStream& LogStream::warn() { return lvl(1); }
LogStream& LogStream::err() { return lvl(2); }
LogStream& LogStream::ln(long sourceLine) {
  m_data->m_sourceLine = sourceLine;
  return *this;
}
LogStream& LogStream::mode(bool traceMode) {
  m_data->m_traceMode = traceMode;
  return *this;
}
LogStream& LogStream::module(std::string const& module) {
  m_data->m_module = module;
  return *this;
}
LogStream& LogStream::src(std::string const& sourceFile) {
  m_data->m_sourceFile = sourceFile;
  return *this;
}
LogStream& LogStream::srcLn(std::string const& sourceFile, long sourceLine) {
  m_data->m_sourceFile = sourceFile;
  m_data->m_sourceLine = sourceLine;
  return *this;
}
LogStream& LogStream::lvlSrcLn(long level, std::string const& sourceFile, long sourceLine) {
  m_data->m_level = level;
  return srcLn(sourceFile, sourceLine);
}
long LogStream::getMessageLevel() const { return m_data->m_level; }
long LogStream::getSourceFileLine() const { return m_data->m_sourceLine; }
bool LogStream::isTraceMode() const { return m_data->m_traceMode; }
std::string LogStream::getModule() const { return m_data->m_module; }
std::string LogStream::getSourceFile() const { return m_data->m_sourceFile; }

#define QVO_LOGSTREAM_INSERT(Type)                 \
  LogStream& LogStream::operator<<(Type value) {   \
    m_data->m_text << value;                       \
    return *this;                                  \
  }
QVO_LOGSTREAM_INSERT(bool)
QVO_LOGSTREAM_INSERT(short)
QVO_LOGSTREAM_INSERT(unsigned short)
QVO_LOGSTREAM_INSERT(int)
QVO_LOGSTREAM_INSERT(unsigned int)
QVO_LOGSTREAM_INSERT(long)
QVO_LOGSTREAM_INSERT(unsigned long)
QVO_LOGSTREAM_INSERT(long long)
QVO_LOGSTREAM_INSERT(unsigned long long)
QVO_LOGSTREAM_INSERT(float)
QVO_LOGSTREAM_INSERT(double)
QVO_LOGSTREAM_INSERT(long double)
QVO_LOGSTREAM_INSERT(void const*)
QVO_LOGSTREAM_INSERT(std::string const&)
QVO_LOGSTREAM_INSERT(char const*)
QVO_LOGSTREAM_INSERT(signed char const*)
QVO_LOGSTREAM_INSERT(unsigned char const*)
QVO_LOGSTREAM_INSERT(char)
QVO_LOGSTREAM_INSERT(signed char)
QVO_LOGSTREAM_INSERT(unsigned char)
#undef QVO_LOGSTREAM_INSERT

LogStream& LogStream::operator<<(std::istream& in) {
  std::ios_base::fmtflags saved = in.flags();
  in.unsetf(std::ios_base::skipws);
  char c;
  while (in.good() && in >> c) m_data->m_text << c;
  in.flags(saved);
  return *this;
}

LogStream& LogStream::operator<<(LogStream& (*manipulator)(LogStream&)) {
  manipulator(*this);
  return *this;
}

LogStream& LogStream::endl() {
  std::string const text = m_data->m_text.str();
  if (m_data->m_traceMode)
    m_log.trace(m_data->m_module, m_data->m_level, m_data->m_sourceFile, m_data->m_sourceLine, text);
  else
    m_log.write(m_data->m_module, m_data->m_level, m_data->m_sourceFile, m_data->m_sourceLine, text);
  clean();
  return *this;
}

std::string LogStream::str() const { return m_data->m_text.str(); }

std::string LogStream::clean() {
  std::string text = m_data->m_text.str();
  m_data->m_text.str(std::string());
  m_data->m_text.clear();
  return text;
}

char LogStream::fill() const { return m_data->m_text.fill(); }
char LogStream::fill(char c) { return m_data->m_text.fill(c); }
int LogStream::flags() const { return static_cast<int>(m_data->m_text.flags()); }
int LogStream::flags(int f) {
  return static_cast<int>(m_data->m_text.flags(static_cast<std::ios_base::fmtflags>(f & 0xFFFF)));
}
int LogStream::setf(int f) { return static_cast<int>(m_data->m_text.setf(static_cast<std::ios_base::fmtflags>(f))); }
int LogStream::setf(int f, int mask) {
  return static_cast<int>(
      m_data->m_text.setf(static_cast<std::ios_base::fmtflags>(f), static_cast<std::ios_base::fmtflags>(mask)));
}
void LogStream::unsetf(int f) { m_data->m_text.unsetf(static_cast<std::ios_base::fmtflags>(f)); }
long long LogStream::precision() const { return m_data->m_text.precision(); }
long long LogStream::precision(long long p) { return m_data->m_text.precision(static_cast<std::streamsize>(p)); }
long long LogStream::width() const { return m_data->m_text.width(); }
long long LogStream::width(long long w) { return m_data->m_text.width(static_cast<std::streamsize>(w)); }
std::locale LogStream::imbue(std::locale const& loc) { return m_data->m_text.imbue(loc); }
std::locale LogStream::getloc() const { return m_data->m_text.getloc(); }

}  // namespace qvo
