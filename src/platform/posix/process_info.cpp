// POSIX: PROCESS_INFORMATION is the library's own struct, stored as it is; qvo::pid_t::processInfo().
#include "platform/process.h"

namespace qvo::platform {

qvo::detail::ProcessInformationStorage storageFromProcessInformation(PROCESS_INFORMATION const& pi) { return pi; }

}  // namespace qvo::platform

PROCESS_INFORMATION qvo::pid_t::processInfo() { return m_processInfo; }
