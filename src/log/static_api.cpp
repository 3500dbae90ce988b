// CQVOLog: the static trace API on the process-wide log, and log objects that become process-wide.
#include <cstdarg>

#include "QVOLog.h"
#include "log/posting.h"
#include "log/process_log.h"

namespace {

std::string text(char const* s) { return s != nullptr ? std::string(s) : std::string(); }

std::string_view name(char const* s) { return {qvo::detail::nameText(s), qvo::detail::nameSize(s)}; }

// A record for `module` on the process-wide log: a switched-off module is answered from the module
// table alone (no lock, no reference count, no allocation); a switched-on one pins the process-wide
// back-end for the time of `post` (see process_log.cpp) and is formatted once, on the stack.
template <typename Post>
void toProcessLog(std::string_view module, Post const& post) {
  qvo::LogImplementation* seen = qvo::detail::processBackEnd();
  if (seen == nullptr || !seen->modules().isTraced(module)) return;
  qvo::detail::ProcessLogPin pin;
  // Replaced since: the new process-wide log decides.
  if (pin.get() == nullptr || (pin.get() != seen && !pin.get()->modules().isTraced(module))) return;
  post(pin.get());
}

void plainTrace(std::string_view module, char const* format, va_list args) {
  toProcessLog(module, [&](qvo::LogImplementation* impl) { qvo::posting::postFormattedText(impl, format, args); });
}

void recordTrace(std::string_view module, long level, std::string_view sourceFile, long sourceLine, char const* format,
                 va_list args, bool writeNow) {
  toProcessLog(module, [&](qvo::LogImplementation* impl) {
    qvo::posting::postFormattedRecord(impl, module, level, sourceFile, sourceLine, writeNow, format, args);
  });
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

bool CQVOLog::ProcessTraces(std::string_view module) {
  qvo::LogImplementation* impl = qvo::detail::processBackEnd();
  return impl != nullptr && impl->modules().isTraced(module);
}

void CQVOLog::InitTrace(std::string const& fileName) { qvo::detail::instanceCopy().initTrace(fileName); }
void CQVOLog::InitTrace(char const* fileName) { InitTrace(text(fileName)); }

// Each formatting form first asks the process-wide log's switches, as TraceModule does inline.
void CQVOLog::Trace(std::string const& module, char const* format, ...) {
  if (!qvo::detail::processMayTrace(module.data(), module.size())) return;
  QVO_WITH_VA_ARGS(format, plainTrace(module, format, args));
}

void CQVOLog::Trace(char const* module, char const* format, ...) {
  std::string_view const m = name(module);
  if (!qvo::detail::processMayTrace(m.data(), m.size())) return;
  QVO_WITH_VA_ARGS(format, plainTrace(m, format, args));
}

void CQVOLog::Trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  if (!qvo::detail::processMayTrace(module.data(), module.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(module, level, sourceFile, sourceLine, format, args, false));
}

void CQVOLog::Trace(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  std::string_view const m = name(module);
  if (!qvo::detail::processMayTrace(m.data(), m.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(m, level, name(sourceFile), sourceLine, format, args, false));
}

void CQVOLog::Write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  if (!qvo::detail::processMayTrace(module.data(), module.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(module, level, sourceFile, sourceLine, format, args, true));
}

void CQVOLog::Write(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...) {
  std::string_view const m = name(module);
  if (!qvo::detail::processMayTrace(m.data(), m.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(m, level, name(sourceFile), sourceLine, format, args, true));
}

void CQVOLog::Trace(std::string const& module, qvo::TraceLevel level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) {
  if (!qvo::detail::processMayTrace(module.data(), module.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(module, static_cast<long>(level), sourceFile, sourceLine, format, args, true));
}

void CQVOLog::Trace(char const* module, qvo::TraceLevel level, char const* sourceFile, long sourceLine,
                    char const* format, ...) {
  std::string_view const m = name(module);
  if (!qvo::detail::processMayTrace(m.data(), m.size())) return;
  QVO_WITH_VA_ARGS(format, recordTrace(m, static_cast<long>(level), name(sourceFile), sourceLine, format, args, true));
}
