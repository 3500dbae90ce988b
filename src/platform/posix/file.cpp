// POSIX (Linux): file I/O. The sharing levels are advisory flock locks taken right after opening, so two
// users of the library on one file behave as on Windows; the log's output files use open and write.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <cstring>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <new>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/file.h"
#include "platform/posix/internal.h"

namespace qvo::platform {

namespace {

int openRetrying(char const* path, int flags) {
  return retryOnInterrupt([&] { return ::open(path, flags | O_CLOEXEC, 0666); });
}

int lockRetrying(int fd, int operation) {
  return retryOnInterrupt([&] { return ::flock(fd, operation | LOCK_NB); });
}

// Closes `fd` keeping the errno of the failure that made us give up on it.
std::FILE* failWith(int fd, int error) {
  ::close(fd);
  errno = error;
  return nullptr;
}

// Stream buffers of 64 KiB rather than the file system's block (4 KiB here): a sixteenth of the
// system calls for buffered reading and writing. The buffers belong to their streams until closeFile.
constexpr std::size_t kStreamBuffer = std::size_t{1} << 16;

struct BufferTable {
  std::mutex lock;
  std::unordered_map<std::FILE*, std::unique_ptr<char[]>> buffers;
};

// Never destroyed: file objects that outlive the other statics still close their streams through it.
BufferTable& bufferTable() {
  alignas(BufferTable) static unsigned char storage[sizeof(BufferTable)];
  static BufferTable* const table = ::new (static_cast<void*>(storage)) BufferTable();
  return *table;
}

void attachBuffer(std::FILE* stream) {
  std::unique_ptr<char[]> buffer;
  try {
    buffer = std::make_unique<char[]>(kStreamBuffer);
  } catch (std::bad_alloc const&) {
    return;  // the stream keeps the runtime's own buffer
  }
  if (std::setvbuf(stream, buffer.get(), _IOFBF, kStreamBuffer) != 0) return;
  BufferTable& table = bufferTable();
  std::lock_guard<std::mutex> guard(table.lock);
  table.buffers[stream] = std::move(buffer);
}

}  // namespace

std::FILE* openFile(char const* path, char const* mode, FileShare share) {
  if (path == nullptr || mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  bool const update = std::strchr(mode, '+') != nullptr;
  int flags = 0;
  bool truncate = false;
  char const* streamMode = nullptr;
  switch (mode[0]) {
    case 'r':
      flags = update ? O_RDWR : O_RDONLY;
      streamMode = update ? "r+" : "r";
      break;
    case 'w':
      // Truncation waits until the lock is held: a file that another user holds exclusively must
      // come out of a refused open unchanged, as a sharing violation leaves it on Windows.
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT;
      truncate = true;
      streamMode = update ? "w+" : "w";
      break;
    case 'a':
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      streamMode = update ? "a+" : "a";
      break;
    default:
      errno = EINVAL;
      return nullptr;
  }
  int const fd = openRetrying(path, flags);
  if (fd < 0) return nullptr;
  struct stat status;
  if (::fstat(fd, &status) != 0) return failWith(fd, errno);
  if (S_ISDIR(status.st_mode)) return failWith(fd, EISDIR);
  if (lockRetrying(fd, share == FileShare::DenyReadWrite ? LOCK_EX : LOCK_SH) != 0) {
    return failWith(fd, errno == EWOULDBLOCK ? EACCES : errno);
  }
  // Devices such as /dev/full and /dev/null cannot be truncated and need not be.
  if (truncate && S_ISREG(status.st_mode) && ::ftruncate(fd, 0) != 0) return failWith(fd, errno);
  std::FILE* stream = ::fdopen(fd, streamMode);
  if (stream == nullptr) return failWith(fd, errno);
  attachBuffer(stream);
  return stream;
}

int closeFile(std::FILE* stream) {
  // The buffer is taken out first and freed only after fclose has written it out.
  std::unique_ptr<char[]> buffer;
  {
    BufferTable& table = bufferTable();
    std::lock_guard<std::mutex> guard(table.lock);
    auto const found = table.buffers.find(stream);
    if (found != table.buffers.end()) {
      buffer = std::move(found->second);
      table.buffers.erase(found);
    }
  }
  return std::fclose(stream);
}

std::size_t readLine(std::FILE* stream, char* buffer, std::size_t size, char const** text) {
  *text = buffer;
  if (size < 2) return 0;
  std::size_t const room = size - 1;
#ifdef __GLIBC__
  // Scans the stream's own buffer for the line feed and hands out the line where it lies, where fgets
  // goes through several layers and copies per line, and the caller would measure the text again.
  std::size_t length = 0;
  for (;;) {
    char* const begin = stream->_IO_read_ptr;
    std::size_t available = static_cast<std::size_t>(stream->_IO_read_end - begin);
    if (available > 0) {
      if (available > room - length) available = room - length;
      void const* const feed = std::memchr(begin, '\n', available);
      std::size_t const take =
          feed != nullptr ? static_cast<std::size_t>(static_cast<char const*>(feed) - begin) + 1 : available;
      stream->_IO_read_ptr += take;
      if (length == 0 && (feed != nullptr || take == room)) {
        *text = begin;  // the whole line, in place
        return take;
      }
      std::memcpy(buffer + length, begin, take);
      length += take;
      if (feed != nullptr || length == room) return length;
      continue;
    }
    // The buffer is empty: let the stream refill it (this sets end of file or error as fgets would).
    int const c = ::getc_unlocked(stream);
    if (c == EOF) return ::ferror_unlocked(stream) ? 0 : length;
    buffer[length++] = static_cast<char>(c);
    if (c == '\n' || length == room) return length;
  }
#else
  if (std::fgets(buffer, static_cast<int>(size), stream) == nullptr) return 0;
  return std::strlen(buffer);
#endif
}

bool accessPath(char const* path, int mode) {
  int how = F_OK;
  if (mode & 2) how |= W_OK;
  if (mode & 4) how |= R_OK;
  return ::access(path, how) == 0;
}

bool pathExists(char const* path) {
  struct stat status;
  return ::stat(path, &status) == 0;
}

bool fileTimes(char const* path, FileTimes& times) {
  struct stat status;
  if (::stat(path, &status) != 0) return false;
  times.change = static_cast<std::int64_t>(status.st_ctim.tv_sec);
  times.modification = static_cast<std::int64_t>(status.st_mtim.tv_sec);
  times.access = static_cast<std::int64_t>(status.st_atim.tv_sec);
  return true;
}

bool sameFile(char const* first, char const* second) {
  struct stat a;
  struct stat b;
  if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool renameFile(char const* oldName, char const* newName) {
  // POSIX rename replaces an existing target; Windows refuses to. Both targets refuse.
  if (std::strcmp(oldName, newName) == 0) return ::rename(oldName, newName) == 0;
  if (::renameat2(AT_FDCWD, oldName, AT_FDCWD, newName, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  // A file system without the no-replace flag: check, then rename.
  if (pathExists(newName)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(oldName, newName) == 0;
}

bool removeFile(char const* path) {
  // unlink, not remove: like the Windows runtime's remove, this never takes a directory away.
  return ::unlink(path) == 0;
}

namespace {

// An error after which a slower way of copying may still work, rather than a failure of the data.
bool tryAnotherWay(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF ||
         error == ETXTBSY || error == EPERM;
}


}  // namespace

KernelCopy copyFileContents(std::FILE* in, std::FILE* out) {
  int const from = ::fileno(in);
  int const to = ::fileno(out);
  struct stat status;
  if (::fstat(from, &status) != 0 || !S_ISREG(status.st_mode)) return KernelCopy::Unsupported;
  // 1. copy_file_range: within the kernel, shared extents where the file system has them.
  for (;;) {
    ssize_t const n = ::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
    if (n > 0) continue;
    if (n == 0) return KernelCopy::Done;
    if (errno == EINTR) continue;
    if (!tryAnotherWay(errno)) return KernelCopy::Failed;
    break;
  }
  // 2. sendfile: any destination but an appending one.
  for (;;) {
    ssize_t const n = ::sendfile(to, from, nullptr, std::size_t{1} << 30);
    if (n > 0) continue;
    if (n == 0) return KernelCopy::Done;
    if (errno == EINTR) continue;
    if (!tryAnotherWay(errno)) return KernelCopy::Failed;
    break;
  }
  // 3. read and write; both file offsets are where the kernel copies left them.
  std::vector<char> buffer(std::size_t{1} << 17);
  for (;;) {
    ssize_t const n = ::read(from, buffer.data(), buffer.size());
    if (n == 0) return KernelCopy::Done;
    if (n < 0) {
      if (errno == EINTR) continue;
      return KernelCopy::Failed;
    }
    if (!writeAll(to, buffer.data(), static_cast<std::size_t>(n))) return KernelCopy::Failed;
  }
}

int openOutputFile(char const* name, bool truncate, std::uint64_t* existingSize) {
  int const fd = openRetrying(name, O_WRONLY | O_CREAT | (truncate ? O_TRUNC : O_APPEND));
  if (fd < 0) return -1;
  if (existingSize != nullptr) {
    struct stat status {};
    *existingSize = (!truncate && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
                        ? static_cast<std::uint64_t>(status.st_size)
                        : 0;
  }
  return fd;
}

bool writeOutputFile(int fd, char const* data, std::size_t size) { return writeAll(fd, data, size); }

void closeOutputFile(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace qvo::platform
