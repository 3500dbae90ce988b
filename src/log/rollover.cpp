// The size limit of a log file: its setters, and the rollover of a full file into its single "_circ"
// backup (the counting of written lines is in line_queue.cpp, where lines are written).
#include <cstdio>
#include <sstream>

#include "log/implementation.h"
#include "platform/file.h"

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

bool LogImplementation::rollOver() {
  if (!m_output.isFile()) return false;
  std::string const name = m_fileBase + m_fileExt;
  std::string const backup = m_fileBase + "_circ" + m_fileExt;
  closeOutputLocked();
  bool result = true;
  if (platform::pathExists(backup.c_str()) && std::remove(backup.c_str()) != 0) {
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
