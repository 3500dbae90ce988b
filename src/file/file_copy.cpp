// CQVOFile: copying, renaming and deleting files as a whole.
#include <cerrno>
#include <cstring>
#include <vector>

#include "QVOFile.h"
#include "file/file_common.h"
#include "platform/file.h"

using qvo::file::orEmpty;

namespace {

// The access under which a file that had to be closed is opened again: never one that truncates.
CQVOString ReopenAccess(CQVOString const& access) {
  return access.c_str()[0] == 'w' ? CQVOString("r+") : access;
}

// Copies the rest of `in` to `out`. The kernel copies where the platform can; otherwise a buffer
// moves the bytes (larger than a page, for fewer calls: the bytes and results are the same).
bool CopyContents(std::FILE* in, std::FILE* out) {
  switch (qvo::platform::copyFileContents(in, out)) {
    case qvo::platform::KernelCopy::Done:
      return true;
    case qvo::platform::KernelCopy::Failed:
      return false;
    case qvo::platform::KernelCopy::Unsupported:
      break;
  }
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    std::size_t const got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got > 0 && std::fwrite(buffer.data(), 1, got, out) != got) return false;
    if (got < buffer.size()) return std::ferror(in) == 0;
  }
}

}  // namespace

int CQVOFile::Copy(char const* source, char const* destination, enumCopyType type, int share) {
  if (source == nullptr || destination == nullptr) {
    errno = EINVAL;
    return 0;
  }
  // One file, however it is spelled (./a and a, a link, another letter case on Windows): opening it
  // for writing would destroy the bytes about to be read.
  if (std::strcmp(source, destination) == 0 || qvo::platform::sameFile(source, destination)) return 1;

  std::FILE* in = qvo::platform::openFile(source, "rb", qvo::platform::FileShare::RuntimeDefault);
  if (in == nullptr) return 0;
  char const* mode = nullptr;
  switch (type) {
    case eCopyNew:
      // Existence, not readability: a destination that exists but cannot be read must not be
      // truncated by a copy that promises to create a new file.
      if (qvo::platform::pathExists(destination)) {
        qvo::platform::closeFile(in);
        return -2;
      }
      mode = "wb";
      break;
    case eCopyOverwrite:
      mode = "wb";
      break;
    case eCopyAppend:
      mode = "ab";
      break;
  }
  if (mode == nullptr) {
    qvo::platform::closeFile(in);
    errno = EINVAL;
    return 0;
  }
  std::FILE* out = qvo::platform::openFile(
      destination, mode, share == 1 ? qvo::platform::FileShare::DenyNone : qvo::platform::FileShare::RuntimeDefault);
  if (out == nullptr) {
    int const error = errno;
    qvo::platform::closeFile(in);
    errno = error;
    return 0;
  }
  bool ok = CopyContents(in, out);
  int error = ok ? 0 : errno;
  if (qvo::platform::closeFile(out) != 0) {
    if (ok) error = errno;
    ok = false;
  }
  if (qvo::platform::closeFile(in) != 0) {
    if (ok) error = errno;
    ok = false;
  }
  if (!ok) errno = error;
  return ok ? 1 : 0;
}

int CQVOFile::Copy(CQVOFile& source, enumCopyType type) {
  if (((m_bOpen || m_pFile != nullptr) && type == eCopyNew) || !m_bNamed || !source.m_bNamed) return -2;
  bool const sourceWasOpen = source.m_bOpen;
  long sourcePosition = 0;
  if (sourceWasOpen) {
    sourcePosition = source.PointerPosition();
    if (source.Close() == 0) return 0;
  }
  bool const thisWasOpen = m_bOpen;
  long thisPosition = 0;
  if (thisWasOpen) {
    thisPosition = PointerPosition();
    if (Close() == 0) return 0;
  }
  int const result = Copy(source.FullName().c_str(), FullName().c_str(), type, m_iShare);
  int const error = errno;
  if (sourceWasOpen) {
    source.Open(ReopenAccess(source.m_strAccess).c_str(), 0, 0);
    source.MovePointer(0, sourcePosition);
  }
  if (thisWasOpen) {
    Open(ReopenAccess(m_strAccess).c_str(), 0, 0);
    if (type == eCopyAppend) MovePointer(0, thisPosition);
  }
  errno = error;
  return result;
}

bool CQVOFile::Rename(char const* oldName, char const* newName) {
  if (oldName == nullptr || newName == nullptr) {
    errno = EINVAL;
    return false;
  }
  return qvo::platform::renameFile(oldName, newName);
}

int CQVOFile::Rename(char const* newName, CQVODir const* newDir) {
  if (newName == nullptr || !m_bNamed) return -1;
  // Split the new name as the constructor does; a name that leaves no file name (empty, or ending in
  // a separator) would rename the file onto a directory path.
  CQVOString name(newName);
  CQVODir dir(newDir != nullptr ? *newDir : m_dir);
  if (!InitialiseNameAndDir(&name, &dir) || name.IsEmpty()) {
    errno = EINVAL;
    return 0;
  }
  bool const wasOpen = m_bOpen;
  if (Close() == 0) return 0;

  CQVOString newFull(dir.Path());
  newFull += name;
  CQVOString const oldFull = FullName();
  CQVOFile probe(newFull.c_str(), dir, "r", 'b', 1, false);
  if (probe.Exist() && std::strcmp(newFull.c_str(), oldFull.c_str()) != 0) {
    errno = EEXIST;
    return 0;
  }
  if (!Rename(oldFull.c_str(), newFull.c_str())) return 0;
  m_strName = name;
  m_dir = dir;
  if (wasOpen && !Open(ReopenAccess(m_strAccess).c_str(), 0, 0)) return 0;
  return 1;
}

bool CQVOFile::Delete(char const* path) {
  if (path == nullptr) {
    errno = EINVAL;
    return false;
  }
  return qvo::platform::removeFile(path);
}

bool CQVOFile::Delete() {
  if (Close() == 0) return false;
  if (!m_bNamed) return false;
  return Delete(FullName().c_str());
}
