// Reading a log file with the operating system's own calls: the C++ streams of Windows deny the
// rename that the log's rollover makes while a reader holds the file.
#include "log_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qvotools {

namespace {

#ifdef _WIN32
using Handle = HANDLE;
Handle openRead(std::string const& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h;
}
bool valid(Handle h) { return h != INVALID_HANDLE_VALUE; }
void closeFile(Handle h) { CloseHandle(h); }
std::uint64_t fileSize(Handle h) {
  LARGE_INTEGER size;
  return GetFileSizeEx(h, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}
// Reads up to `size` bytes at `offset`; the count read.
std::size_t readAt(Handle h, std::uint64_t offset, char* buffer, std::size_t size) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD n = 0;
  DWORD const ask = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(h, buffer, ask, &n, &at)) return 0;
  return n;
}
#else
using Handle = int;
Handle openRead(std::string const& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
bool valid(Handle h) { return h >= 0; }
void closeFile(Handle h) { ::close(h); }
std::uint64_t fileSize(Handle h) {
  struct stat st;
  return ::fstat(h, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}
std::size_t readAt(Handle h, std::uint64_t offset, char* buffer, std::size_t size) {
  ssize_t const n = ::pread(h, buffer, size, static_cast<off_t>(offset));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}
#endif

// Everything from `offset` to the end as it is now (the writer may add more while this reads).
std::string readFrom(Handle h, std::uint64_t offset) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    std::size_t const n = readAt(h, offset, buffer, sizeof buffer);
    if (n == 0) break;
    bytes.append(buffer, n);
    offset += n;
  }
  return bytes;
}

}  // namespace

FileRead readLogFile(std::string const& path, std::uint64_t offset) {
  FileRead result;
  Handle const h = openRead(path);
  if (!valid(h)) return result;
  result.exists = true;
  result.size = fileSize(h);
  char head[512];
  std::size_t const n = readAt(h, 0, head, sizeof head);
  std::string const first(head, n);
  std::size_t const lf = first.find('\n');
  if (lf != std::string::npos) result.head = first.substr(0, lf + 1);
  if (offset <= result.size) result.bytes = readFrom(h, offset);
  closeFile(h);
  return result;
}

}  // namespace qvotools
