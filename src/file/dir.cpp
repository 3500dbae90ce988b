// CQVODir: a directory path in the platform's form, resolved against the current directory, and the
// operations on the directory as a whole.
#include <cerrno>

#include "QVOFile.h"
#include "file/file_common.h"
#include "platform/paths.h"

using qvo::file::normalised;

namespace {

// Whether a normalised path is kept as it is rather than resolved against the current directory. The
// backslash form keeps the directory class's own rule: a path holding ':' anywhere (a drive letter) or
// "\\" anywhere (a network path) is complete, and a leading single '\' is not taken for the root. The
// '/' form has the system's rule: a path starting with '/'.
bool isCompletePath(std::string const& path) {
  if (qvo::platform::pathSeparator() != '\\') return qvo::platform::isAbsolutePath(path);
  return path.find(':') != std::string::npos || path.find("\\\\") != std::string::npos;
}

}  // namespace

CQVODir::CQVODir(char const* path, int mode) {
  std::string resolved = normalised(path);
  char const separator = qvo::platform::pathSeparator();
  if (mode != msc_iKeepPath && !isCompletePath(resolved)) {
    // The current directory is read whatever its length; if it cannot be read at all, the relative
    // path is kept as it is.
    std::string current;
    if (qvo::platform::currentDirectory(current)) {
      if (current.empty() || current.back() != separator) current += separator;
      if (!resolved.empty() && resolved.front() == separator) resolved.erase(0, 1);
      resolved.insert(0, current);
    }
  }
  m_strPath = CQVOString(resolved.c_str(), static_cast<unsigned int>(resolved.size()));
}

CQVODir::CQVODir(CQVODir const& other) : m_strPath(other.m_strPath) {}

CQVODir::~CQVODir() = default;

CQVODir& CQVODir::operator=(CQVODir const& other) {
  if (this != &other) m_strPath = other.m_strPath;
  return *this;
}

CQVODir& CQVODir::operator=(char const* path) {
  std::string const text = normalised(path);
  m_strPath = CQVOString(text.c_str(), static_cast<unsigned int>(text.size()));
  return *this;
}

bool CQVODir::Create() { return qvo::platform::makeDirectory(m_strPath.c_str()) == 0; }

bool CQVODir::Delete() {
  if (qvo::platform::removeDirectory(m_strPath.c_str()) == 0) return true;
  int const error = errno;
  QVO_FILE_TRACE(qvo::TRACE_ERROR, "CQVODir::Delete : failed to delete %s errno=%d\n", m_strPath.c_str(), error);
  errno = error;
  return false;
}

bool CQVODir::ChangeDir() { return qvo::platform::changeDirectory(m_strPath.c_str()) == 0; }

CQVOString const& CQVODir::Path() const { return m_strPath; }

CQVODir::operator char const*() { return m_strPath.c_str(); }

CQVODir::operator char const*() const { return m_strPath.c_str(); }
