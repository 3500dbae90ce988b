// The errno value of a Windows error code (see common/windows_errors.h).
#include "common/windows_errors.h"

namespace qvo::common {

namespace {
constexpr signed char kErrnoOfWindowsError[kWindowsErrorsInTable] = {QVO_ERRNO_OF_WINDOWS_ERRORS};
constexpr unsigned long kPipeConnected = 535;
constexpr unsigned long kPipeListening = 536;
}  // namespace

int errnoOfWindowsError(unsigned long code) {
  if (code < kWindowsErrorsInTable) return kErrnoOfWindowsError[code];
  if (code == kPipeConnected || code == kPipeListening) return EPIPE;
  return EINVAL;
}

}  // namespace qvo::common
