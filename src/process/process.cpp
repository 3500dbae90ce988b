// CQVOProcess: one child program with its arguments, working directory and redirection files;
// starting, waiting, polling and killing go through CQVOOperatingSystem.
#include <cerrno>
#include <cstring>

#include "QVOProcess.h"

CQVOProcess::CQVOProcess(CQVOString const& application, CQVOString const& arguments, CQVOString const& directory,
                         char const* errorFile, char const* outputFile, bool unused9)
    : m_strApplication(("\"" + std::string(application.c_str()) + "\"").c_str()),
      m_strArguments(arguments),
      m_strDirectory(directory),
      m_strErrorFile(errorFile),
      m_strOutputFile(outputFile),
      m_strLastDiagnostic(),
      m_bFlag5(true),
      m_bFlag9(unused9),
      m_pid() {}

CQVOProcess::CQVOProcess(CQVOProcess const& other)
    : m_strApplication(other.m_strApplication),
      m_strArguments(other.m_strArguments),
      m_strDirectory(other.m_strDirectory),
      m_strErrorFile(other.m_strErrorFile),
      m_strOutputFile(other.m_strOutputFile),
      m_strLastDiagnostic(other.m_strLastDiagnostic),
      m_bFlag5(other.m_bFlag5),
      m_bFlag9(other.m_bFlag9),
      m_pid(other.m_pid) {}

CQVOProcess& CQVOProcess::operator=(CQVOProcess& other) {
  m_strApplication = other.m_strApplication;
  m_strArguments = other.m_strArguments;
  m_strDirectory = other.m_strDirectory;
  m_strErrorFile = other.m_strErrorFile;
  m_strOutputFile = other.m_strOutputFile;
  m_strLastDiagnostic = other.m_strLastDiagnostic;
  m_bFlag5 = other.m_bFlag5;
  m_bFlag9 = other.m_bFlag9;
  m_pid = other.m_pid;
  return *this;
}

CQVOProcess::~CQVOProcess() = default;

void CQVOProcess::SetLastDiagnostic() { m_strLastDiagnostic = std::strerror(errno); }

int CQVOProcess::Spawn(bool newConsole) {
  const std::string commandLine = std::string(m_strApplication.c_str()) + " " + m_strArguments.c_str();
  const int result = CQVOOperatingSystem::exec(commandLine.c_str(), m_strDirectory.c_str(), false, m_pid, m_bFlag5,
                                               newConsole, m_strErrorFile.c_str(), m_strOutputFile.c_str(), m_bFlag9);
  if (result == -1) {
    SetLastDiagnostic();
    m_pid = 0;
  }
  return result;
}

int CQVOProcess::Wait(int* status, long timeout) {
  int ignored = 0;
  if (status == nullptr) status = &ignored;
  if (static_cast<int>(m_pid) == 0) {
    errno = ECHILD;
    SetLastDiagnostic();
    return -1;
  }
  const int result = CQVOOperatingSystem::waitForProcess(m_pid, status, timeout < 0 ? -1 : timeout);
  if (result > 0) {
    if (*status < 0 || *status == 128) *status = -1;
  } else if (result < 0) {
    SetLastDiagnostic();
  }
  return result;
}

int CQVOProcess::Kill(bool force) {
  int status = 0;
  int result = Wait(&status, 0);
  if (result == 0) result = CQVOOperatingSystem::kill(m_pid, force);
  if (result < 0) SetLastDiagnostic();
  Wait(&status, -1);
  return result;
}

int CQVOProcess::CheckTermination() {
  CQVOString text;
  const int result = CQVOOperatingSystem::checkTermination(m_pid, text);
  if (result < 0) {
    m_strLastDiagnostic = (std::string(std::strerror(errno)) + " (" + text.c_str() + ")").c_str();
  }
  return result;
}

qvo::pid_t CQVOProcess::pid() { return m_pid; }

CQVOString CQVOProcess::GetLastDiagnostic() { return m_strLastDiagnostic; }

CQVOString CQVOProcess::GetApplicationPath() { return m_strApplication; }
