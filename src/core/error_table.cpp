// Translation of Windows error codes and socket error codes into errno values (the table of Windows
// error codes and its reading are common/windows_errors.cpp, which the seam uses too).
#include <cerrno>

#include "QVOError.h"
#include "common/windows_errors.h"

// CQVOBaseNT's exported copy of the Windows error table.
const signed char CQVOBaseNT::WinErrorCodeToErrnoMap[268] = {QVO_ERRNO_OF_WINDOWS_ERRORS};
const unsigned int CQVOBaseNT::WinErrorCodeToErrnoMapLen = qvo::common::kWindowsErrorsInTable;

// Socket error codes 10035 to 10071 are passed on unchanged.
const int CQVOBaseNT::WinWSAErrorCodeToErrnoMap[37] = {
    10035, 10036, 10037, 10038, 10039, 10040, 10041, 10042, 10043, 10044, 10045, 10046, 10047,
    10048, 10049, 10050, 10051, 10052, 10053, 10054, 10055, 10056, 10057, 10058, 10059, 10060,
    10061, 10062, 10063, 10064, 10065, 10066, 10067, 10068, 10069, 10070, 10071,
};

namespace {
constexpr unsigned long kFirstWsaCode = 10035;
constexpr unsigned long kLastWsaCode = 10071;
}  // namespace

void CQVOBaseNT::winConvertError(unsigned long code) { errno = qvo::common::errnoOfWindowsError(code); }

void CQVOBaseNT::winConvertWSAError(unsigned long code) {
  if (code >= kFirstWsaCode && code <= kLastWsaCode) {
    errno = WinWSAErrorCodeToErrnoMap[code - kFirstWsaCode];
  } else {
    errno = EINVAL;
  }
}
