// The size limit of a log file: the setters, the counting of each written line, and the rollover of
// a full file into its single "_circ" backup.
#include <cstdio>
#include <sstream>

#include "log/backend.h"
#include "platform/platform.h"

namespace qvo {

bool LogImplementation::setMaxFileSize(unsigned int size) {
  if (size > kLargestFileSize) {
    reportProblem("Try to set a max log file (" + std::to_string(size) + ") size bigger than OS allow (" +
                  std::to_string(kLargestFileSize) + "). Operation ignored.");
    return false;
  }
  if (size < kSmallestFileSize) {
    reportProblem("Try to set a max log file (" + std::to_string(size) + ") too small (should be greater than " +
                  std::to_string(kSmallestFileSize) + "). Operation ignored.");
    return false;
  }
  m_maxFileSize.store(size, std::memory_order_relaxed);
  return true;
}

bool LogImplementation::setMaxFileSizeRatio(double ratio) {
  std::ostringstream message;
  if (ratio > 1.0) {
    message << "Try to set a max log file OS ratio (" << ratio << ") size bigger than 1.0. Operation ignored.";
    reportProblem(message.str());
    return false;
  }
  // Written as a negated test so that a NaN ratio is refused too.
  if (!(ratio >= 0.1)) {
    message << "Try to set a max log file OS ratio (" << ratio << ") too small (should be greater than " << 0.1
            << "). Operation ignored.";
    reportProblem(message.str());
    return false;
  }
  return setMaxFileSize(static_cast<unsigned int>(static_cast<double>(kLargestFileSize) * ratio));
}

// Writes lines in as few system calls as the size limit allows: consecutive lines that fit go out
// together; a line that carries the file past the limit first rolls the file over and becomes the
// first line of the new file; a line longer than the limit is cut to it.
void LogImplementation::writeLines(char const* data, std::size_t const* sizes, std::size_t count) {
  if (!m_output.isOpen() || count == 0) return;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += sizes[i];
  std::uint64_t const limit = m_maxFileSize.load(std::memory_order_relaxed);
  if (!m_output.isFile()) {
    emit(data, total);
    return;
  }
  if (m_currentSize + total <= limit) {  // the usual case: the whole batch fits
    m_currentSize += total;
    emit(data, total);
    return;
  }
  char const* pending = data;  // start of the lines counted but not yet written
  char const* line = data;
  for (std::size_t i = 0; i < count; line += sizes[i], ++i) {
    if (!m_output.isFile()) continue;  // a failed reopening left standard output: no more limit
    std::uint64_t size = sizes[i];
    bool cut = size > limit;
    if (cut) {
      emit(pending, static_cast<std::size_t>(line - pending));
      pending = line + sizes[i];
      reportProblem("The log line is too long (" + std::to_string(size) + ") for the max log size (" +
                    std::to_string(limit) + ") and will be truncated.");
      size = limit;
    }
    m_currentSize += size;
    if (m_currentSize > limit) {
      if (!cut) emit(pending, static_cast<std::size_t>(line - pending));
      if (!cut) pending = line;
      rollOver();
      m_currentSize += size;
    }
    if (cut) emit(line, static_cast<std::size_t>(size));
  }
  emit(pending, static_cast<std::size_t>(line - pending));
}

bool LogImplementation::rollOver() {
  if (!m_output.isFile()) return false;
  std::string const name = m_fileBase + m_fileExt;
  std::string const backup = m_fileBase + "_circ" + m_fileExt;
  closeOutputLocked();
  bool result = true;
  if (platform::logFileExists(backup.c_str()) && std::remove(backup.c_str()) != 0) {
    reportProblem("Cannot remove previous backup of the log. New backup can be lost : " + backup);
    result = false;
  }
  if (std::rename(name.c_str(), backup.c_str()) != 0) {
    reportProblem(
        "Cannot make a backup of the log. As we reach the file size limit, any previous log will be lost. "
        "Tried to backup to " +
        backup);
    result = false;
  }
  ++m_swapCount;
  return openStream(name, true) && result;
}

}  // namespace qvo
