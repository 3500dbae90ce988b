// CQVOLog: the static trace API on the process-wide log, and log objects that become process-wide.
#include <cstdarg>

#include "QVOLog.h"
#include "log/instance.h"
#include "log/record.h"

namespace {

std::string text(char const* s) { return s != nullptr ? std::string(s) : std::string(); }

// Each call takes its own reference on the process-wide log, so a log replaced meanwhile by another
// thread lives until the call is done. The module is checked before formatting: an untraced record
// costs no formatting.
void plainTrace(std::string const& module, char const* format, va_list args) {
  qvo::Log log = qvo::detail::instanceCopy();
  if (!log.isModuleTraced(module)) return;
  log.trace(module, qvo::record::formatText(format, args));
}

void recordTrace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                 char const* format, va_list args, bool writeNow) {
  qvo::Log log = qvo::detail::instanceCopy();
  if (!log.isModuleTraced(module)) return;
  std::string const message = qvo::record::formatText(format, args);
  if (writeNow)
    log.write(module, level, sourceFile, sourceLine, message);
  else
    log.trace(module, level, sourceFile, sourceLine, message);
}

}  // namespace

CQVOLog::CQVOLog(bool threaded) : qvo::Log(threaded, true) {}
CQVOLog::CQVOLog(std::string const& name, bool threaded) : qvo::Log(name, threaded, true) {}
CQVOLog::CQVOLog(char const* name, bool threaded) : qvo::Log(text(name), threaded, true) {}
CQVOLog::CQVOLog(CQVOLog const& other) = default;
CQVOLog& CQVOLog::operator=(CQVOLog const& other) = default;
CQVOLog::~CQVOLog() = default;

bool CQVOLog::Open(std::string const& name) { return open(name, true); }
bool CQVOLog::Open(char const* name) { return open(text(name), true); }
bool CQVOLog::Close() { return close(); }

bool CQVOLog::TraceModule(std::string const& module) { return qvo::detail::instanceCopy().isModuleTraced(module); }
bool CQVOLog::TraceModule(char const* module) { return TraceModule(text(module)); }

void CQVOLog::InitTrace(std::string const& fileName) { qvo::detail::instanceCopy().initTrace(fileName); }
void CQVOLog::InitTrace(char const* fileName) { InitTrace(text(fileName)); }

void CQVOLog::Trace(std::string const& module, char const* format, ...) {
  QVO_WITH_VA_ARGS(format, plainTrace(module, format, args));
}

void CQVOLog::Trace(char const* module, char const* format, ...) {
  QVO_WITH_VA_ARGS(format, plainTrace(text(module), format, args));
}

void CQVOLog::Trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  QVO_WITH_VA_ARGS(format, recordTrace(module, level, sourceFile, sourceLine, format, args, false));
}

void CQVOLog::Trace(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  QVO_WITH_VA_ARGS(format, recordTrace(text(module), level, text(sourceFile), sourceLine, format, args, false));
}

void CQVOLog::Write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  QVO_WITH_VA_ARGS(format, recordTrace(module, level, sourceFile, sourceLine, format, args, true));
}

void CQVOLog::Write(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  QVO_WITH_VA_ARGS(format, recordTrace(text(module), level, text(sourceFile), sourceLine, format, args, true));
}

void CQVOLog::Trace(std::string const& module, qvo::TraceLevel level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  QVO_WITH_VA_ARGS(format, recordTrace(module, static_cast<long>(level), sourceFile, sourceLine, format, args, true));
}

void CQVOLog::Trace(char const* module, qvo::TraceLevel level, char const* sourceFile, long sourceLine,
                    char const* format, ...) {
  QVO_WITH_VA_ARGS(
      format, recordTrace(text(module), static_cast<long>(level), text(sourceFile), sourceLine, format, args, true));
}
