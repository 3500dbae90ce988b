// POSIX (Linux): named pipes as Unix-domain stream sockets in a per-user directory, with the naming,
// one-instance, direction, busy and wait-for-the-other-end behaviour of Windows named pipes.
//
// A pipe "<dir>/<name>" is made of three files:
//   <name>        the creator's listening socket (backlog 0: the kernel queues at most one connection);
//                 its mode bits tell the direction and whether the instance is taken (kMode* below);
//   <name>.lock   an open-file-description lock held by the creator for the instance's life, so that a
//                 socket left behind by a process that died counts as no pipe at all;
//   <name>.claim  a lock held by the end that opened the instance, so that one end alone gets it.
// Locks are queried with F_OFD_GETLK, which neither takes them nor consumes the creator's connection.
// Every descriptor is non-blocking and waits go through poll() together with the eventfd of the event
// (platform/event.h) that Close sets, so a wait of one thread is ended at once by a close in another.
//
// Nobody but the user may reach the user's pipes. Every operation opens the pipe directory once, refuses
// it (EACCES) unless it is a directory, not a symbolic link, owned by the effective user and closed to
// group and others, and then reaches the files in it only through that descriptor, so a directory
// renamed, replaced or handed over after the check is never used. Each connection is also checked from
// both ends: the other end's credentials must name the same user, or the connection is dropped.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <linux/sockios.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/error.h"
#include "platform/pipe.h"
#include "platform/posix/internal.h"

namespace qvo::platform {

const int PipeError::notFound = ENOENT;
const int PipeError::accessDenied = EACCES;
const int PipeError::noData = EPIPE;
const int PipeError::badHandle = EBADF;

namespace {

// Mode bits of the listening socket. The owner bits let the user connect; the group bits carry the
// direction and the "other" execute bit marks a taken instance (the directory itself is 0700, so these
// bits grant nobody anything).
constexpr mode_t kModeCreatorReads = 0620;   // the other end must write
constexpr mode_t kModeCreatorWrites = 0640;  // the other end must read
constexpr mode_t kModeTaken = 0001;
// States that last only a few system calls (a creator between its lock and publishing its socket, or
// between removing its socket and dropping its lock) are waited out, up to this long.
constexpr Timeout kTransientLimit = Timeout::ms(1000);
// How long pipeWaitAvailable waits for a taken instance to become free: the pipes' default time-out.
constexpr Timeout kDefaultWait = Timeout::ms(1000);

// One native pipe end. The descriptors are closed when the last reference goes, so that a thread still
// waiting on them when another closes the pipe never touches a descriptor number that was reused.
struct NativePipe {
  std::mutex lock;               // guards the fields below against a concurrent pipeClose
  int fd = -1;                   // the connected socket
  int listenFd = -1;             // creator: the listening socket, until the other end is accepted
  int lockFd = -1;               // creator: holds the instance lock
  int claimFd = -1;              // opener: holds the claim lock
  int dirFd = -1;                // creator: the checked pipe directory
  bool closed = false;
  bool creator = false;
  PipeDirection direction = PipeDirection::read;
  std::string leaf;              // creator: the socket's name in the directory

  NativePipe() = default;
  NativePipe(NativePipe const&) = delete;
  NativePipe& operator=(NativePipe const&) = delete;
  ~NativePipe() {
    for (int d : {fd, listenFd, lockFd, claimFd, dirFd}) {
      if (d >= 0) ::close(d);
    }
  }
};

// The table behind the handles: handle values are keys, never descriptor numbers.
struct PipeTable {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<NativePipe>> pipes;
  std::uintptr_t next = 1;
};

PipeTable& table() {
  static PipeTable t;
  return t;
}

PipeHandle registerPipe(std::shared_ptr<NativePipe> pipe) {
  PipeTable& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  const std::uintptr_t key = t.next++;
  t.pipes.emplace(key, std::move(pipe));
  return PipeHandle{reinterpret_cast<void*>(key)};
}

std::shared_ptr<NativePipe> findPipe(PipeHandle h) {
  PipeTable& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.pipes.find(reinterpret_cast<std::uintptr_t>(h.raw));
  return it == t.pipes.end() ? nullptr : it->second;
}

std::shared_ptr<NativePipe> takePipe(PipeHandle h) {
  PipeTable& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.pipes.find(reinterpret_cast<std::uintptr_t>(h.raw));
  if (it == t.pipes.end()) return nullptr;
  auto p = std::move(it->second);
  t.pipes.erase(it);
  return p;
}

std::string runtimeDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (xdg != nullptr && xdg[0] == '/' && ::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) &&
      ::access(xdg, W_OK | X_OK) == 0) {
    std::string dir(xdg);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir + "/qvo-pipes";
  }
  return "/tmp/qvo-pipes-" + std::to_string(::getuid());
}

// Splits a native name into its directory and the name of the pipe in it.
bool splitName(std::string const& path, std::string& dir, std::string& leaf) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return false;
  dir = slash == 0 ? std::string("/") : path.substr(0, slash);
  leaf = path.substr(slash + 1);
  return true;
}

// True when the open directory is the user's own and closed to everybody else.
bool privateDirectory(int dirFd) {
  struct stat st;
  return ::fstat(dirFd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// Opens a pipe directory and checks it. `create`: the per-user directory is made (mode 0700) when it
// is missing. Returns the descriptor, or -1 with errno: EACCES when the directory is a symbolic link,
// no directory, another user's or open to others; ENOENT when it does not exist.
int openDirectory(std::string const& dir, bool create) {
  bool made = false;
  if (create && dir + "/" == pipeNamePrefix()) {
    if (::mkdir(dir.c_str(), 0700) == 0) {
      made = true;
    } else if (errno != EEXIST) {
      return -1;
    }
  }
  ScopedFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ELOOP || errno == ENOTDIR) errno = EACCES;
    return -1;
  }
  struct stat st;
  if (made && ::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()) {
    ::fchmod(fd.get(), 0700);  // the umask may have taken the owner's own bits
  }
  if (!privateDirectory(fd.get())) {
    errno = EACCES;
    return -1;
  }
  return fd.release();
}

// The address of the socket `leaf` in the open directory `dirFd`. bind and connect take a path and
// Linux has no form of them relative to a directory descriptor; changing the working directory would
// change it for every thread of the process. "/proc/self/fd/<dirFd>" leads to the very directory that
// descriptor holds (it is not looked up by name again), so the socket is made and reached in the
// directory that was checked, whatever its name leads to by then. False when the path does not fit.
bool fillAddress(int dirFd, std::string const& leaf, sockaddr_un& addr) {
  const std::string path = "/proc/self/fd/" + std::to_string(dirFd) + "/" + leaf;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when the other end of a connected socket runs as this process's effective user.
bool peerIsSameUser(int fd) {
  ucred peer;
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
         peer.uid == ::geteuid();
}

// True when another open file description holds a lock on the file `name` of the directory (a missing
// file holds none).
bool lockHeld(int dirFd, std::string const& name) {
  const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock query;
  std::memset(&query, 0, sizeof query);
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  const bool held = ::fcntl(fd, F_OFD_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

// Takes the lock of the lock file `name` of the directory, creating the file. Returns the descriptor
// that holds the lock, -1 when another end holds it (errno EBUSY), -1 with errno on other failures. A
// file that a closing end unlinked while this one locked it is not the file of that name any more: the
// lock is taken again on the file that has the name now.
int takeLock(int dirFd, std::string const& name) {
  for (;;) {
    const int fd = ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lk) != 0) {
      const int e = errno;
      ::close(fd);
      errno = (e == EAGAIN || e == EACCES) ? EBUSY : e;
      return -1;
    }
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
  }
}

mode_t directionMode(PipeDirection creatorDirection) {
  return creatorDirection == PipeDirection::read ? kModeCreatorReads : kModeCreatorWrites;
}

void pause(int round) {
  if (round < 20) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Waits until `fd` has `events` or `cancel` is set. Returns 0 when the descriptor is ready,
// NativeError::ioPending when cancelled, ETIMEDOUT when the deadline passed, or errno.
int waitReady(int fd, short events, int cancel, Deadline const& deadline) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {cancel, POLLIN, 0}};
    const int wait = deadline.pollMs(1 << 30);
    const int r = ::poll(fds, cancel >= 0 ? 2 : 1, wait);
    if (r < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (cancel >= 0 && (fds[1].revents & POLLIN)) return NativeError::ioPending;
    if (r == 0) {
      if (wait < (1 << 30) || deadline.passed()) return ETIMEDOUT;
      continue;  // a wait cut to what one poll takes: go on with what is left
    }
    return 0;
  }
}

int brokenOr(int e) { return (e == EPIPE || e == ECONNRESET) ? NativeError::brokenPipe : e; }

}  // namespace

PipeHandle invalidPipeHandle() { return PipeHandle{reinterpret_cast<void*>(~std::uintptr_t{0})}; }

std::string const& pipeNamePrefix() {
  static const std::string prefix = runtimeDirectory() + "/";
  return prefix;
}

void pipeIoRecordInit(void* record, EventHandle) {
  if (record != nullptr) std::memset(record, 0, kPipeIoRecordSize);
}

// --- open and create ---------------------------------------------------------------------------------

SysError pipeCreate(char const* nativeName, PipeDirection direction, bool, PipeHandle& handle) {
  handle = invalidPipeHandle();
  std::string dir, leaf;
  if (!splitName(nativeName, dir, leaf)) return sysError(PipeError::notFound);
  ScopedFd dirFd(openDirectory(dir, true));
  if (dirFd.get() < 0) return sysError(errno);
  const int d = dirFd.get();

  // The socket is bound, marked and listening under a private name before it is published, so that
  // the other end never sees it half made.
  static std::atomic<unsigned> sequence{0};
  const std::string temp = ".c" + std::to_string(::getpid()) + "-" + std::to_string(sequence.fetch_add(1));
  sockaddr_un addr, tempAddr;
  if (!fillAddress(d, leaf, addr) || !fillAddress(d, temp, tempAddr)) return sysError(ENAMETOOLONG);
  auto pipe = std::make_shared<NativePipe>();
  pipe->creator = true;
  pipe->direction = direction;
  pipe->leaf = leaf;
  pipe->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (pipe->listenFd < 0) return sysError(errno);
  if (::bind(pipe->listenFd, reinterpret_cast<sockaddr*>(&tempAddr), sizeof tempAddr) != 0) return sysError(errno);
  if (::fchmodat(d, temp.c_str(), directionMode(direction), 0) != 0 || ::listen(pipe->listenFd, 0) != 0) {
    const int e = errno;
    ::unlinkat(d, temp.c_str(), 0);
    return sysError(e);
  }

  const std::string lockName = leaf + ".lock";
  pipe->lockFd = takeLock(d, lockName);
  if (pipe->lockFd < 0) {
    const int e = errno;
    ::unlinkat(d, temp.c_str(), 0);
    return sysError(e == EBUSY ? NativeError::pipeBusy : e);
  }
  // Files left by an instance whose creator died: its socket first, so that nobody sees them paired
  // with the new lock.
  ::unlinkat(d, leaf.c_str(), 0);
  ::unlinkat(d, (leaf + ".claim").c_str(), 0);
  if (::renameat(d, temp.c_str(), d, leaf.c_str()) != 0) {
    const int e = errno;
    ::unlinkat(d, temp.c_str(), 0);
    ::unlinkat(d, lockName.c_str(), 0);
    return sysError(e);
  }
  pipe->dirFd = dirFd.release();
  handle = registerPipe(std::move(pipe));
  return kNoError;
}

SysError pipeOpen(char const* nativeName, PipeDirection direction, bool, PipeHandle& handle) {
  handle = invalidPipeHandle();
  std::string dir, leaf;
  if (!splitName(nativeName, dir, leaf)) return sysError(PipeError::notFound);
  ScopedFd dirFd(openDirectory(dir, false));
  if (dirFd.get() < 0) return sysError(errno == ENOENT ? PipeError::notFound : errno);
  const int d = dirFd.get();
  const std::string lockName = leaf + ".lock";
  const std::string claimName = leaf + ".claim";
  sockaddr_un addr;
  if (!fillAddress(d, leaf, addr)) return sysError(ENAMETOOLONG);

  const Deadline limit(kTransientLimit);
  for (int round = 0; !limit.passed(); ++round) {
    if (!lockHeld(d, lockName)) return sysError(PipeError::notFound);
    struct stat st;
    if (::fstatat(d, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return sysError(errno);
      pause(round);  // the creator is publishing or removing its socket
      continue;
    }
    if (!S_ISSOCK(st.st_mode)) return sysError(PipeError::notFound);
    if ((st.st_mode & kModeTaken) != 0 || lockHeld(d, claimName)) return sysError(NativeError::pipeBusy);
    const bool creatorReads = (st.st_mode & 0070) == (kModeCreatorReads & 0070);
    if (creatorReads != (direction == PipeDirection::write)) return sysError(PipeError::accessDenied);

    auto pipe = std::make_shared<NativePipe>();
    pipe->direction = direction;
    pipe->claimFd = takeLock(d, claimName);
    if (pipe->claimFd < 0) return sysError(errno == EBUSY ? NativeError::pipeBusy : errno);
    pipe->fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (pipe->fd < 0) return sysError(errno);
    if (::connect(pipe->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      // A socket that another user listens on is no pipe of this user's, whoever put it there.
      if (!peerIsSameUser(pipe->fd)) return sysError(PipeError::accessDenied);
      handle = registerPipe(std::move(pipe));
      return kNoError;
    }
    const int e = errno;
    if (e == EAGAIN) return sysError(NativeError::pipeBusy);
    if (e == ECONNREFUSED) {
      // The listening socket is gone: the instance was taken and its first user has left, or its
      // creator is closing.
      return sysError(lockHeld(d, lockName) ? NativeError::pipeBusy : PipeError::notFound);
    }
    if (e != ENOENT) return sysError(e);
    pause(round);
  }
  return sysError(PipeError::notFound);
}

// --- connection and transfer -------------------------------------------------------------------------

SysError pipeConnect(PipeHandle handle, void*, Timeout timeout, EventHandle cancel) {
  auto pipe = findPipe(handle);
  if (!pipe) return sysError(PipeError::badHandle);
  int listenFd;
  {
    std::lock_guard<std::mutex> g(pipe->lock);
    if (pipe->fd >= 0) return kNoError;
    if (pipe->closed || pipe->listenFd < 0) return sysError(PipeError::noData);
    listenFd = pipe->listenFd;
  }
  const Deadline deadline(timeout);
  for (;;) {
    const int r = waitReady(listenFd, POLLIN, eventDescriptor(cancel), deadline);
    if (r == NativeError::ioPending) return sysError(PipeError::noData);
    if (r != 0) return sysError(r);
    std::lock_guard<std::mutex> g(pipe->lock);
    if (pipe->closed) return sysError(PipeError::noData);
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED) continue;
      return sysError(errno);
    }
    if (!peerIsSameUser(fd)) {
      // Another user reached the socket (only possible for a privileged user, or through a directory
      // changed after the check): drop it and go on waiting for this user's own end.
      ::close(fd);
      continue;
    }
    // Marked taken before the listening socket goes, so that nobody reads its absence as "closing".
    // A directory no longer private is left alone: no end of this user opens a pipe there any more.
    if (privateDirectory(pipe->dirFd)) {
      ::fchmodat(pipe->dirFd, pipe->leaf.c_str(), directionMode(pipe->direction) | kModeTaken,
                 AT_SYMLINK_NOFOLLOW);
    }
    pipe->fd = fd;
    ::close(pipe->listenFd);
    pipe->listenFd = -1;
    return kNoError;
  }
}

namespace {
// The pipe of a handle used in `direction` and its connected socket, or the error of using it so. The
// caller holds `pipe` for the whole transfer: a Close meanwhile on another thread then cannot close the
// socket under it (nor let the number go to another file).
int connectedFd(PipeHandle handle, PipeDirection direction, std::shared_ptr<NativePipe>& pipe, int& fd) {
  pipe = findPipe(handle);
  if (!pipe) return PipeError::badHandle;
  {
    std::lock_guard<std::mutex> g(pipe->lock);
    fd = pipe->fd;
  }
  if (pipe->direction != direction) return PipeError::accessDenied;
  if (fd < 0) return ENOTCONN;
  return 0;
}
}  // namespace

SysError pipeRead(PipeHandle handle, void* buffer, std::uint32_t size, void*, EventHandle cancel,
                  std::uint32_t& count) {
  count = 0;
  std::shared_ptr<NativePipe> pipe;
  int fd;
  if (const int e = connectedFd(handle, PipeDirection::read, pipe, fd)) return sysError(e);
  // Bytes already there are returned even when `cancel` is set: only a wait is ended by it.
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
    if (n > 0) {
      count = static_cast<std::uint32_t>(n);
      return kNoError;
    }
    if (n == 0) return sysError(NativeError::brokenPipe);
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return sysError(brokenOr(errno));
    const int r = waitReady(fd, POLLIN, eventDescriptor(cancel), Deadline(Timeout::unlimited()));
    if (r != 0) return sysError(r);
  }
}

SysError pipeWrite(PipeHandle handle, void const* buffer, std::uint32_t size, void*, EventHandle cancel,
                   std::uint32_t& count) {
  count = 0;
  std::shared_ptr<NativePipe> pipe;
  int fd;
  if (const int e = connectedFd(handle, PipeDirection::write, pipe, fd)) return sysError(e);
  const char* bytes = static_cast<const char*>(buffer);
  while (count < size) {
    const ssize_t n = ::send(fd, bytes + count, size - count, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
      count += static_cast<std::uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return sysError(brokenOr(errno));
    const int r = waitReady(fd, POLLOUT, eventDescriptor(cancel), Deadline(Timeout::unlimited()));
    if (r != 0) return sysError(r);
  }
  return kNoError;
}

SysError pipeFlush(PipeHandle handle) {
  auto pipe = findPipe(handle);
  if (!pipe) return sysError(PipeError::badHandle);
  int fd;
  {
    std::lock_guard<std::mutex> g(pipe->lock);
    fd = pipe->fd;
  }
  if (fd < 0 || pipe->direction != PipeDirection::write) return kNoError;
  // The bytes this end sent and the other end has not read yet; they are released when it reads them
  // or closes its end.
  for (int round = 0;; ++round) {
    int queued = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) != 0) return sysError(errno);
    if (queued <= 0) return kNoError;
    pause(round);
  }
}

SysError pipeDisconnect(PipeHandle handle) {
  auto pipe = findPipe(handle);
  if (!pipe) return sysError(PipeError::badHandle);
  std::lock_guard<std::mutex> g(pipe->lock);
  if (pipe->fd >= 0) ::shutdown(pipe->fd, SHUT_RDWR);
  return kNoError;
}

void pipeClose(PipeHandle handle) {
  auto pipe = takePipe(handle);
  if (!pipe) return;
  std::lock_guard<std::mutex> g(pipe->lock);
  pipe->closed = true;
  // Shutting down (rather than closing) wakes any thread still polling these descriptors; they are
  // closed when the last reference goes.
  if (pipe->fd >= 0) ::shutdown(pipe->fd, SHUT_RDWR);
  if (pipe->listenFd >= 0) ::shutdown(pipe->listenFd, SHUT_RDWR);
  if (pipe->creator && pipe->lockFd >= 0) {
    // The name is freed while the instance lock is still held, so no other creator sees it half gone.
    // A directory that is no longer the user's own private one is not touched: the names in it may
    // by now be another user's files.
    if (privateDirectory(pipe->dirFd)) {
      ::unlinkat(pipe->dirFd, pipe->leaf.c_str(), 0);
      ::unlinkat(pipe->dirFd, (pipe->leaf + ".claim").c_str(), 0);
      ::unlinkat(pipe->dirFd, (pipe->leaf + ".lock").c_str(), 0);
    }
    ::close(pipe->lockFd);
    pipe->lockFd = -1;
  }
  if (pipe->claimFd >= 0) {
    ::close(pipe->claimFd);
    pipe->claimFd = -1;
  }
}

bool pipeWaitAvailable(char const* nativeName) {
  std::string dir, leaf;
  if (!splitName(nativeName, dir, leaf)) return false;
  ScopedFd dirFd(openDirectory(dir, false));
  if (dirFd.get() < 0) return false;
  const int d = dirFd.get();
  const std::string lockName = leaf + ".lock";
  const std::string claimName = leaf + ".claim";
  const Deadline limit(kDefaultWait);
  for (int round = 0;; ++round) {
    if (!lockHeld(d, lockName)) return false;
    struct stat st;
    if (::fstatat(d, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISSOCK(st.st_mode) &&
        (st.st_mode & kModeTaken) == 0 && !lockHeld(d, claimName)) {
      return true;
    }
    if (limit.passed()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(round < 10 ? 1 : 10));
  }
}

bool socketWaitReadable(int socket, Timeout timeout) {
  // As on Windows, where only a socket can be waited for: any other value (no open descriptor, or one
  // that is no socket) gives true. poll, not select: an fd_set cannot hold a descriptor below 0 or at or
  // above FD_SETSIZE.
  struct stat st;
  if (socket < 0 || ::fstat(socket, &st) != 0 || !S_ISSOCK(st.st_mode)) return true;
  return waitReady(socket, POLLIN, -1, Deadline(timeout)) != ETIMEDOUT;
}


}  // namespace qvo::platform
