// qvo::pid_t: a process identifier with the process information and the shared reference of a
// process that the library started.
#include <climits>
#include <cmath>
#include <cstring>

#include "QVOProcess.h"
#include "platform/process.h"
#include "process/process_state.h"

namespace qvo {

namespace {
int clampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(value);  // truncates toward zero
}
}  // namespace

pid_t::pid_t() : m_iPid(0), m_processInfo() {}

pid_t::pid_t(int pid, PROCESS_INFORMATION const& pi) : m_iPid(0), m_processInfo() { init(pid, pi); }

pid_t::pid_t(pid_t const& other)
    : m_iPid(other.m_iPid), m_processInfo(other.m_processInfo), m_state(other.m_state) {}

pid_t& pid_t::operator=(pid_t& other) {
  m_iPid = other.m_iPid;
  m_processInfo = other.m_processInfo;
  m_state = other.m_state;
  return *this;
}

pid_t::~pid_t() = default;

pid_t& pid_t::operator=(int pid) {
  this->pid(pid);
  return *this;
}
// Unsigned and long values wrap into int as the 32-bit identifier they stand for.
pid_t& pid_t::operator=(unsigned int pid) { return *this = static_cast<int>(pid); }
pid_t& pid_t::operator=(long pid) { return *this = static_cast<int>(pid); }
pid_t& pid_t::operator=(unsigned long pid) { return *this = static_cast<int>(pid); }
pid_t& pid_t::operator=(short pid) { return *this = static_cast<int>(pid); }
pid_t& pid_t::operator=(unsigned short pid) { return *this = static_cast<int>(pid); }
pid_t& pid_t::operator=(float pid) { return *this = clampToInt(pid); }
pid_t& pid_t::operator=(double pid) { return *this = clampToInt(pid); }

pid_t::operator short() { return static_cast<short>(m_iPid); }
pid_t::operator short() const { return static_cast<short>(m_iPid); }
pid_t::operator unsigned short() { return static_cast<unsigned short>(m_iPid); }
pid_t::operator unsigned short() const { return static_cast<unsigned short>(m_iPid); }
pid_t::operator int() { return m_iPid; }
pid_t::operator int() const { return m_iPid; }
pid_t::operator unsigned int() { return static_cast<unsigned int>(m_iPid); }
pid_t::operator unsigned int() const { return static_cast<unsigned int>(m_iPid); }
pid_t::operator long() { return m_iPid; }
pid_t::operator long() const { return m_iPid; }
pid_t::operator unsigned long() { return static_cast<unsigned long>(m_iPid); }
pid_t::operator unsigned long() const { return static_cast<unsigned long>(m_iPid); }
pid_t::operator float() { return static_cast<float>(m_iPid); }
pid_t::operator float() const { return static_cast<float>(m_iPid); }
pid_t::operator double() { return m_iPid; }
pid_t::operator double() const { return m_iPid; }

int pid_t::operator==(pid_t& other) const { return m_iPid == other.m_iPid ? 1 : 0; }
int pid_t::operator==(int pid) const { return m_iPid == pid ? 1 : 0; }

int pid_t::pid() const { return m_iPid; }

void pid_t::pid(int pid) {
  m_iPid = pid;
  m_processInfo.hProcess = nullptr;
  m_processInfo.dwProcessId = 0;
  m_state.reset();
}

void pid_t::processInfo(PROCESS_INFORMATION const& pi) {
  m_processInfo = platform::storageFromProcessInformation(pi);
  m_state.reset();
  // A handle that the caller holds is duplicated (Windows), so that this pid_t never depends on the
  // caller keeping it open, nor closes it.
  platform::ProcessRef ref;
  if (platform::adoptProcessHandle(reinterpret_cast<std::uintptr_t>(m_processInfo.hProcess),
                                   static_cast<std::uint32_t>(m_processInfo.dwProcessId), &ref)) {
    m_state = std::make_shared<detail::ProcessState>(ref);
  }
}

void pid_t::init(int pid, PROCESS_INFORMATION const& pi) {
  m_iPid = pid;
  processInfo(pi);
}

}  // namespace qvo
