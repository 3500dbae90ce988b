// The trace configuration file ("qvotrace.txt"): module switches and log settings, one "key = value"
// line each.
#include <fstream>
#include <sstream>

#include "QVOLog.h"
#include "log/crash_guard.h"
#include "log/implementation.h"

namespace qvo {

namespace {

constexpr char kBlanks[] = " \t";

std::string trimLeft(std::string const& s) {
  std::size_t first = s.find_first_not_of(kBlanks);
  return first == std::string::npos ? std::string() : s.substr(first);
}

std::string trimRight(std::string const& s) {
  std::size_t last = s.find_last_not_of(kBlanks);
  return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

// Only the first character counts: "yes", "true", "on", "1" (and "Off") are true.
bool flagOf(std::string const& value) {
  return !value.empty() && std::string("YTO1yto").find(value[0]) != std::string::npos;
}

template <typename Number>
bool readNumber(std::string const& value, Number* out) {
  std::istringstream in(value);
  in >> *out;
  return !in.fail();
}

}  // namespace

bool Log::initTrace(std::string const& fileName) {
  if (m_impl == nullptr) return false;
  std::string const name = fileName.empty() ? std::string("qvotrace.txt") : fileName;
  std::ifstream file(name);
  if (!file.is_open()) return false;
  std::string line;
  while (std::getline(file, line)) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string const key = trimRight(trimLeft(line.substr(0, equals)));
    std::string const value = trimLeft(line.substr(equals + 1));
    if (key == "<THREADED_LOG>") {
      if (flagOf(value))
        m_impl->startWriter();
      else
        m_impl->stopWriter();
    } else if (key == "<MAX_LOG_FILE_SIZE>") {
      unsigned int size = 0;
      if (readNumber(trimRight(value), &size))
        m_impl->setMaxFileSize(size);
      else
        reportProblem("Error in the trace config file, value is not an integer '" + line + "' in : " + name);
    } else if (key == "<MAX_LOG_FILE_SIZE_BY_OS_RATIO>") {
      double ratio = 0;
      if (readNumber(trimRight(value), &ratio))
        m_impl->setMaxFileSizeRatio(ratio);
      else
        reportProblem("Error in the trace config file, value is not a double '" + line + "' in : " + name);
    } else if (key == "<CRASH_HANDLER>") {
      crashGuardSwitch(flagOf(value));  // process-wide: whether a crash writes out the threaded logs
    } else {
      m_impl->modules().set(key, flagOf(value));
    }
  }
  // Read to its end, not stopped by a failing read (a directory opens on Linux, then fails to read).
  return !file.bad();
}

}  // namespace qvo
