// The output of a log back-end and the standard error reports of the log's own problems.
#include "log/output.h"

#include <iostream>

#include "platform/file.h"

namespace qvo {

void reportProblem(std::string const& line) {
  std::string whole = line;
  whole += '\n';
  std::cerr.write(whole.data(), static_cast<std::streamsize>(whole.size()));
  std::cerr.flush();
}

LogOutput::~LogOutput() { closeFile(); }

void LogOutput::attachConsole(Kind kind) {
  closeFile();
  m_kind = kind;
  m_failing = false;
  m_crashFd.store(kind == Kind::Stdout ? 1 : kind == Kind::Stderr ? 2 : -1, std::memory_order_release);
}

bool LogOutput::openFile(std::string const& name, bool truncate, std::uint64_t* existingSize) {
  closeFile();
  int fd = platform::openOutputFile(name.c_str(), truncate, existingSize);
  if (fd < 0) return false;
  m_fd = fd;
  m_kind = Kind::File;
  m_crashFd.store(fd, std::memory_order_release);
  m_name = name;
  m_failing = false;
  return true;
}

void LogOutput::closeFile() {
  if (m_kind != Kind::File) return;
  m_crashFd.store(-1, std::memory_order_release);
  platform::closeOutputFile(m_fd);
  m_fd = -1;
  m_kind = Kind::None;
  m_name.clear();
}

bool LogOutput::write(char const* data, std::size_t size) {
  if (size == 0) return true;
  switch (m_kind) {
    case Kind::None:
      return true;
    case Kind::Stdout:
    case Kind::Stderr: {
      std::ostream& os = m_kind == Kind::Stdout ? std::cout : std::cerr;
      os.write(data, static_cast<std::streamsize>(size));
      os.flush();
      return true;
    }
    case Kind::File:
      break;
  }
  if (platform::writeOutputFile(m_fd, data, size)) {
    m_failing = false;
    return true;
  }
  // A full disk or a broken device: say so once, then keep going (a later write may succeed).
  if (!m_failing) reportProblem("Fail to write to log file " + m_name + ", lines are lost.");
  m_failing = true;
  return false;
}

}  // namespace qvo
