// POSIX (Linux): starting programs with posix_spawn, waiting through a pidfd (waitpid-style polling
// where the kernel has none), SIGKILL, redirection files; PROCESS_INFORMATION is the library's own
// struct. Only OS primitives live here.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/posix/internal.h"
#include "platform/error.h"
#include "platform/process.h"

extern char** environ;

namespace qvo::platform {

const NativeHandle kNoHandle = -1;

namespace {

// waitid's selector for a pidfd (Linux 5.4), spelled out for headers that predate it.
constexpr idtype_t kPidfdIdType = static_cast<idtype_t>(3);

std::atomic<bool> g_pidfdEnabled{true};

int openPidfd(::pid_t pid) {
  if (!g_pidfdEnabled.load(std::memory_order_relaxed)) {
    errno = ENOSYS;
    return -1;
  }
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

bool sendSignalThroughPidfd(int pidfd, int sig) {
#ifdef SYS_pidfd_send_signal
  return ::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0) == 0;
#else
  (void)pidfd;
  (void)sig;
  errno = ENOSYS;
  return false;
#endif
}

// waitid on the process behind the reference: through its pidfd, else by pid.
int waitOn(const ProcessRef& ref, siginfo_t* info, int options) {
  info->si_pid = 0;
  return retryOnInterrupt([&] {
    return ref.handle >= 0 ? ::waitid(kPidfdIdType, static_cast<id_t>(ref.handle), info, options)
                           : ::waitid(P_PID, static_cast<id_t>(ref.pid), info, options);
  });
}

int statusFromInfo(const siginfo_t& info) {
  // A child ended by a signal did not exit normally: its status is minus the signal's number.
  return info.si_code == CLD_EXITED ? (info.si_status & 0xFF) : -info.si_status;
}

// Children whose references were released before their end was collected; swept now and then, so
// that a child nobody waited for does not stay a zombie once it ends.
std::mutex g_orphanMutex;
std::vector<ProcessRef> g_orphans;

void sweepOrphans() {
  std::lock_guard<std::mutex> lock(g_orphanMutex);
  auto collected = [](const ProcessRef& ref) {
    siginfo_t info;
    const int rc = waitOn(ref, &info, WEXITED | WNOHANG);
    if (rc == 0 && info.si_pid == 0) return false;  // still running
    if (ref.handle >= 0) ::close(static_cast<int>(ref.handle));
    return true;  // collected, or no longer ours to collect
  };
  g_orphans.erase(std::remove_if(g_orphans.begin(), g_orphans.end(), collected), g_orphans.end());
}

// The program's path as the child will run it: a path with a '/' is taken relative to this process's
// current directory (the child changes directory before it runs the program); a bare name is looked up
// in PATH by posix_spawnp.
std::string programPath(const std::string& program) {
  if (program.empty() || program[0] == '/' || program.find('/') == std::string::npos) return program;
  std::string cwd;
  return currentDirectory(cwd) && !cwd.empty() ? cwd + "/" + program : program;
}

}  // namespace

NativeHandle createRedirectionFile(const std::string& path, SysError* error) {
  const int fd = retryOnInterrupt([&] { return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); });
  if (fd < 0) *error = sysError(errno);
  return fd;
}

void closeNativeHandle(NativeHandle handle) {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

NativeHandle standardErrorHandle() { return STDERR_FILENO; }

void writeToNativeHandle(NativeHandle handle, const std::string& text) {
  if (handle >= 0) writeAll(static_cast<int>(handle), text.data(), text.size());
}

bool spawnProcess(const SpawnRequest& request, SpawnedProcess* out, SysError* error) {
  sweepOrphans();

  // Windows refuses a working directory that is not an existing directory before it starts anything;
  // the child's chdir would report ENOENT, which reads as a missing program.
  struct stat st;
  if (!request.inheritDirectory &&
      (::stat(request.workingDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
    *error = sysError(ENOTDIR);
    return false;
  }

  std::vector<std::string> args = request.arguments;
  if (args.empty()) args.emplace_back();
  args[0] = programPath(args[0]);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attr);
  int rc = request.inheritDirectory
               ? 0
               : ::posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());
  if (rc == 0 && request.stdOutput >= 0)
    rc = ::posix_spawn_file_actions_adddup2(&actions, static_cast<int>(request.stdOutput), STDOUT_FILENO);
  if (rc == 0 && request.stdError >= 0)
    rc = ::posix_spawn_file_actions_adddup2(&actions, static_cast<int>(request.stdError), STDERR_FILENO);
  // A new process group, an empty signal mask and default signal actions: the child starts clean,
  // whatever the host blocks or ignores.
  sigset_t none;
  sigset_t all;
  ::sigemptyset(&none);
  ::sigfillset(&all);
  if (rc == 0) rc = ::posix_spawnattr_setpgroup(&attr, 0);
  if (rc == 0) rc = ::posix_spawnattr_setsigmask(&attr, &none);
  if (rc == 0) rc = ::posix_spawnattr_setsigdefault(&attr, &all);
  if (rc == 0)
    rc = ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  ::pid_t pid = 0;
  if (rc == 0) {
    const bool search = args[0].find('/') == std::string::npos;
    rc = search ? ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                : ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  }
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    *error = sysError(rc);
    return false;
  }

  // The child cannot be collected before this: only the library waits for it, so its pid is still its own.
  const int pidfd = openPidfd(pid);
  out->ref.handle = pidfd;
  out->ref.pid = static_cast<std::uint32_t>(pid);
  out->ref.child = true;
  out->process = pidfd >= 0 ? static_cast<std::uintptr_t>(pidfd) : 0;
  out->thread = 0;
  out->threadId = static_cast<std::uint32_t>(pid);
  return true;
}

bool adoptProcessHandle(std::uintptr_t, std::uint32_t, ProcessRef*) { return false; }

bool openProcessById(std::uint32_t pid, ProcessRef* out, SysError* error) {
  if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX)) {
    *error = sysError(ESRCH);
    return false;
  }
  const int fd = openPidfd(static_cast<::pid_t>(pid));
  if (fd < 0 && errno != ENOSYS) {
    *error = sysError(errno);
    return false;
  }
  if (fd < 0 && ::kill(static_cast<::pid_t>(pid), 0) != 0 && errno != EPERM) {
    *error = sysError(errno);
    return false;
  }
  out->handle = fd;
  out->pid = pid;
  out->child = false;
  return true;
}

WaitResult waitForProcessEnd(const ProcessRef& ref, Timeout timeout, SysError* error) {
  const Deadline deadline(timeout);
  if (ref.handle >= 0) {
    // A pidfd turns readable when the process ends.
    for (;;) {
      pollfd pfd{static_cast<int>(ref.handle), POLLIN, 0};
      const int rc = ::poll(&pfd, 1, deadline.pollMs());
      if (rc > 0) return WaitResult::Ended;
      if (rc < 0 && errno != EINTR) {
        *error = sysError(errno);
        return WaitResult::Failed;
      }
      if (rc == 0 && deadline.passed()) return WaitResult::TimedOut;
    }
  }

  // No pidfd: poll the child without collecting it, or, for a process that is not a child, its existence.
  auto sleepMs = std::chrono::microseconds(200);
  for (;;) {
    siginfo_t info;
    if (waitOn(ref, &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
      if (info.si_pid != 0) return WaitResult::Ended;
    } else if (errno == ECHILD) {
      if (::kill(static_cast<::pid_t>(ref.pid), 0) != 0 && errno == ESRCH) return WaitResult::Ended;
    } else {
      *error = sysError(errno);
      return WaitResult::Failed;
    }
    if (deadline.passed()) return WaitResult::TimedOut;
    std::this_thread::sleep_for(std::min<Deadline::Clock::duration>(sleepMs, deadline.left()));
    sleepMs = std::min<std::chrono::microseconds>(sleepMs * 2, std::chrono::milliseconds(10));
  }
}

bool readExitStatus(const ProcessRef& ref, bool reap, int* status, SysError* error) {
  siginfo_t info;
  const int options = WEXITED | WNOHANG | (reap ? 0 : WNOWAIT);
  if (waitOn(ref, &info, options) != 0) {
    *error = sysError(errno);
    return false;
  }
  if (info.si_pid == 0) {  // not ended after all
    *error = sysError(ECHILD);
    return false;
  }
  *status = statusFromInfo(info);
  return true;
}

bool terminateProcess(const ProcessRef& ref, SysError* error) {
  if (ref.handle >= 0) {
    if (sendSignalThroughPidfd(static_cast<int>(ref.handle), SIGKILL)) return true;
    if (errno != ENOSYS) {
      *error = sysError(errno);
      return false;
    }
  }
  // Without a pidfd the pid is safe to signal only while the process is not collected, which the
  // callers guarantee for their children.
  if (::kill(static_cast<::pid_t>(ref.pid), SIGKILL) == 0) return true;
  *error = sysError(errno);
  return false;
}

void releaseProcess(const ProcessRef& ref, bool collected) {
  if (ref.child && !collected) {
    {
      std::lock_guard<std::mutex> lock(g_orphanMutex);
      g_orphans.push_back(ref);
    }
    sweepOrphans();
    return;
  }
  closeNativeHandle(ref.handle);
}

void exitProcessNow(int status) { ::_exit(status); }

void setProcessDescriptorsEnabled(bool enabled) { g_pidfdEnabled.store(enabled, std::memory_order_relaxed); }

SystemFamily systemFamily() { return SystemFamily::posix; }

void enableDebugPrivilege() {}

qvo::detail::ProcessInformationStorage storageFromProcessInformation(PROCESS_INFORMATION const& pi) { return pi; }

}  // namespace qvo::platform

// PROCESS_INFORMATION is the library's own struct here, stored as it is.
PROCESS_INFORMATION qvo::pid_t::processInfo() { return m_processInfo; }
