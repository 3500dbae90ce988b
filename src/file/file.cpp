// CQVOFile: naming, opening and closing with sharing, block access, positioning, size and time stamps.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "QVOFile.h"
#include "file/file_common.h"
#include "platform/file.h"
#include "platform/paths.h"

using qvo::file::kUnsignedFailure;
using qvo::file::normalised;
using qvo::file::orEmpty;

char CQVOFile::ms_aszAccessFile[7][3] = {"r", "w", "a", "r+", "w+", "a+", ""};

CQVOFile::CQVOFile()
    : m_dir("", CQVODir::msc_iKeepPath),
      m_strAccess("r+"),
      m_cType('b'),
      m_iShare(0),
      m_bOpen(false),
      m_bNamed(false),
      m_pFile(nullptr) {}

CQVOFile::CQVOFile(char const* name, CQVODir const& dir, char const* access, char type, int share, bool open)
    : m_dir(dir),
      m_strName(orEmpty(name)),
      m_strAccess(orEmpty(access)),
      m_cType(type),
      m_iShare(share),
      m_bOpen(false),
      m_bNamed(true),
      m_pFile(nullptr) {
  QVO_FILE_TRACE(qvo::TRACE_INFO, "CQVOFile::CQVOFile(%s, %s, %s, %c, %d, %d) : FileName=%s DirName=%s\n",
                 orEmpty(name), dir.Path().c_str(), orEmpty(access), type, share, open ? 1 : 0, m_strName.c_str(),
                 m_dir.Path().c_str());
  m_bNamed = InitialiseNameAndDir(&m_strName, &m_dir);
  if (open) Open(orEmpty(access), m_cType, m_iShare);
}

// A copy takes the naming and mode fields only: a stream has exactly one owner, which closes it.
CQVOFile::CQVOFile(CQVOFile const& other)
    : m_dir(other.m_dir),
      m_strName(other.m_strName),
      m_strAccess(other.m_strAccess),
      m_cType(other.m_cType),
      m_iShare(other.m_iShare),
      m_bOpen(false),
      m_bNamed(other.m_bNamed),
      m_pFile(nullptr) {}

CQVOFile& CQVOFile::operator=(CQVOFile const& other) {
  if (this == &other) return *this;
  if (m_pFile != nullptr) CQVOFile::Close();
  m_dir = other.m_dir;
  m_strName = other.m_strName;
  m_strAccess = other.m_strAccess;
  m_cType = other.m_cType;
  m_iShare = other.m_iShare;
  m_bNamed = other.m_bNamed;
  m_bOpen = false;
  m_pFile = nullptr;
  return *this;
}

CQVOFile::~CQVOFile() {
  // Not through the virtual slot: a subclass's part is gone by now.
  if (m_bOpen && m_pFile != nullptr) CQVOFile::Close();
}

bool CQVOFile::InitialiseNameAndDir(CQVOString* name, CQVODir* dir) {
  char const separator = qvo::platform::pathSeparator();
  std::string const text = normalised(name->c_str());
  std::string::size_type const last = text.rfind(separator);
  if (last != std::string::npos) {
    // The name carries its own directory, which wins; it is taken as written (not resolved).
    *dir = text.substr(0, last + 1).c_str();
    std::string const bare = text.substr(last + 1);
    *name = CQVOString(bare.c_str(), static_cast<unsigned int>(bare.size()));
    return true;
  }
  *name = CQVOString(text.c_str(), static_cast<unsigned int>(text.size()));
  std::string path = dir->Path().c_str();
  if (path.empty() || path.back() != separator) {
    path += separator;
    *dir = path.c_str();
  }
  return !text.empty() && path.size() >= 2;
}

void CQVOFile::VerifyAccessTypeShareable() {
  bool accepted = false;
  if (!m_strAccess.IsEmpty()) {
    for (char const* row : ms_aszAccessFile) {
      if (row[0] == '\0') break;
      if (std::strcmp(row, m_strAccess.c_str()) == 0) {
        accepted = true;
        break;
      }
    }
  }
  if (!accepted) m_strAccess = "r+";
  if (m_cType != 'b' && m_cType != ' ') m_cType = 'b';
  if (m_iShare != 0 && m_iShare != 1) m_iShare = 0;
}

bool CQVOFile::Open(char const* access, char type, int share) {
  if (!m_bNamed) return false;
  if (Close() == 0) return false;
  bool const accessGiven = access != nullptr && access[0] != '\0';
  if (accessGiven) m_strAccess = access;
  if (type != 0) m_cType = type;
  if (share != -2) m_iShare = share;
  VerifyAccessTypeShareable();

  if (!IsReachable("") && Exist()) {
    m_bOpen = false;
    return false;
  }
  std::string const full = FullName().c_str();
  // The type letter: 'b' untranslated, 't' for the runtime's translated text mode (rather than the
  // blank, which not every runtime accepts in a mode string).
  char const typeLetter = m_cType == 'b' ? 'b' : 't';
  qvo::platform::FileShare const sharing =
      m_iShare == 1 ? qvo::platform::FileShare::DenyNone : qvo::platform::FileShare::DenyReadWrite;
  std::string mode = std::string(m_strAccess.c_str()) + typeLetter;
  m_pFile = qvo::platform::openFile(full.c_str(), mode.c_str(), sharing);
  if (m_pFile == nullptr && !accessGiven) {
    // Create a missing file. Only a missing one: "w+" would truncate an existing file that failed
    // to open for another reason (a sharing conflict, too many open files), losing its contents.
    int const error = errno;
    if (!qvo::platform::pathExists(full.c_str())) {
      m_strAccess = "w+";
      mode = std::string("w+") + typeLetter;
      // Shared for reading and writing when the object's sharing value asks for it, else with the
      // runtime's own sharing, as a plain fopen creates files.
      m_pFile = qvo::platform::openFile(
          full.c_str(), mode.c_str(),
          m_iShare == 1 ? qvo::platform::FileShare::DenyNone : qvo::platform::FileShare::RuntimeDefault);
    } else {
      errno = error;
    }
  }
  m_bOpen = m_pFile != nullptr;
  return m_bOpen;
}

int CQVOFile::Close() {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  // fclose releases the stream even when it fails (unwritten bytes, a failing device): keeping the
  // pointer would close it a second time later.
  FILE* const stream = m_pFile;
  m_pFile = nullptr;
  m_bOpen = false;
  return qvo::platform::closeFile(stream) == 0 ? 1 : 0;
}

bool CQVOFile::Exist() {
  QVO_FILE_TRACE(qvo::TRACE_INFO, "CQVOFile::Exist : IsNamed() ? FileName=%s DirName=%s\n", m_strName.c_str(),
                 m_dir.Path().c_str());
  if (!m_bNamed) return false;
  QVO_FILE_TRACE(qvo::TRACE_INFO, "CQVOFile::Exist : IsOpen() ? FileName=%s DirName=%s\n", m_strName.c_str(),
                 m_dir.Path().c_str());
  if (m_bOpen) return true;
  QVO_FILE_TRACE(qvo::TRACE_INFO, "CQVOFile::Exist : _access() ? FileName=%s DirName=%s\n", m_strName.c_str(),
                 m_dir.Path().c_str());
  return qvo::platform::accessPath(FullName().c_str(), 0);
}

bool CQVOFile::IsReachable(char const* access) {
  if (!m_bNamed) return false;
  std::string const mode = (access != nullptr && access[0] != '\0') ? access : m_strAccess.c_str();
  int how = 2;
  if (mode == "r") {
    how = 4;
  } else if (mode.find('+') != std::string::npos) {
    how = 6;
  }
  return qvo::platform::accessPath(FullName().c_str(), how);
}

bool CQVOFile::EmptyFile() {
  if (!m_bOpen) return false;
  if (!Delete()) return false;
  return Open("", 0, 0);
}

unsigned int CQVOFile::Read(char* buffer, unsigned int count, long size) {
  if (!m_bOpen || m_pFile == nullptr) return kUnsignedFailure;
  if (buffer == nullptr || count == 0 || size < 1) return kUnsignedFailure;
  // count * size must describe a buffer that can exist (on 32-bit Windows it easily would not).
  if (static_cast<unsigned long long>(count) > SIZE_MAX / static_cast<unsigned long long>(size)) {
    return kUnsignedFailure;
  }
  std::size_t const items = std::fread(buffer, static_cast<std::size_t>(size), count, m_pFile);
  if (count == 1 && items == 0) return kUnsignedFailure;
  return static_cast<unsigned int>(items);
}

unsigned int CQVOFile::Write(char const* buffer, unsigned int count) {
  if (!m_bOpen || m_pFile == nullptr) return kUnsignedFailure;
  if (buffer == nullptr || count == 0) return kUnsignedFailure;
  return std::fwrite(buffer, 1, count, m_pFile) == count ? count : 0;
}

int CQVOFile::EndOfFile() const {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  return std::feof(m_pFile) != 0 ? 1 : 0;
}

long CQVOFile::MovePointer(int origin, long offset) {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  // Only the three origins: some runtimes treat any other as a fatal invalid parameter.
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) {
    errno = EINVAL;
    return -2;
  }
  long const before = PointerPosition();
  if (std::fseek(m_pFile, offset, origin) == 0) return before;
  int const error = errno;
  if (before >= 0) std::fseek(m_pFile, before, SEEK_SET);
  errno = error;
  return -2;
}

long CQVOFile::PointerPosition() const {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  return std::ftell(m_pFile);
}

long CQVOFile::Size() {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  long const saved = PointerPosition();
  if (MovePointer(2, 0) == -2) return -2;
  long const size = PointerPosition();
  MovePointer(0, saved);
  return size;
}

int CQVOFile::Flush() {
  if (!m_bOpen || m_pFile == nullptr) return -2;
  return std::fflush(m_pFile) == 0 ? 1 : 0;
}

bool CQVOFile::IsNamed() const { return m_bNamed; }
bool CQVOFile::IsOpen() const { return m_bOpen; }
int CQVOFile::Shareable() const { return m_iShare; }
char CQVOFile::Type() const { return m_cType; }
CQVODir CQVOFile::Dir() const { return m_dir; }
CQVOString CQVOFile::Access() const { return m_strAccess; }
CQVOString CQVOFile::Name() const { return m_strName; }

CQVOString CQVOFile::FullName() const {
  CQVOString full(m_dir.Path());
  full += m_strName;
  return full;
}

FILE* CQVOFile::FilePointer() { return m_pFile; }
FILE const* CQVOFile::FilePointer() const { return m_pFile; }

bool CQVOFile::statTime(int which, long& t) const {
  qvo::platform::FileTimes times;
  if (!qvo::platform::fileTimes(FullName().c_str(), times)) return false;
  std::int64_t const value = which == 0 ? times.change : which == 1 ? times.modification : times.access;
  // Where long has 32 bits it cannot hold a time after January 2038: say so rather than wrap.
  if (value < LONG_MIN || value > LONG_MAX) {
    errno = ERANGE;
    return false;
  }
  t = static_cast<long>(value);
  return true;
}

bool CQVOFile::LastChangeTime(long& t) const { return statTime(0, t); }
bool CQVOFile::LastModificationTime(long& t) const { return statTime(1, t); }
bool CQVOFile::LastAccessTime(long& t) const { return statTime(2, t); }
