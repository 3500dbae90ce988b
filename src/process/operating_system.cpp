// CQVOOperatingSystem: starting a program (exec), waiting for a process, killing it, ending the
// calling process with a message, and polling how a process ended. Messages and paths are built here;
// the OS primitives are behind the seam.
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "QVOProcess.h"
#include "common/format.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "process/command_line.h"
#include "process/process_state.h"

namespace {

namespace platform = qvo::platform;

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = qvo::common::formatText(fmt, args);
  va_end(args);
  return text;
}

// base, a separator unless base already ends with one, and name.
std::string joinPath(const std::string& base, const std::string& name) {
  const char sep = platform::pathSeparator();
  if (base.empty() || base.back() == sep || base.back() == '/') return base + name;
  return base + sep + name;
}

// The standard error stream gets the message; errno survives the writing.
void toStandardError(const std::string& text, bool lineEnd) {
  const int saved = errno;
  std::cerr << text;
  if (lineEnd) std::cerr << std::endl;
  errno = saved;
}

// Creates one redirection file; on failure sets errno, writes the message and returns kNoHandle.
platform::NativeHandle createRedirection(const char* what, const std::string& path) {
  platform::SysError error = platform::kNoError;
  const platform::NativeHandle h = platform::createRedirectionFile(path, &error);
  if (h == platform::kNoHandle) {
    error.setErrno();
    toStandardError(format("Could not create standard %s file %s (CreateFile() failed, errno = %d, win error = %d)",
                           what, path.c_str(), errno, error.native),
                    false);
  }
  return h;
}

std::string spawnFailureMessage(int err, const std::string& command, const std::string& workDir) {
  switch (err) {
    case ENOENT:
      return format("Could not execute <%s> in directory <%s> : program file does not exist (errno = ENOENT).\n",
                    command.c_str(), workDir.c_str());
    case ENOTDIR:
      return format("<%s> is an invalid working directory (errno = ENOTDIR)", workDir.c_str());
    case EINVAL:
      return format("Could not execute <%s> in directory <%s> : invalid argument (errno = EINVAL).\n",
                    command.c_str(), workDir.c_str());
    default:
      return format("Could not execute <%s> in directory <%s> (errno = %d).\n", command.c_str(), workDir.c_str(),
                    err);
  }
}

void reportUnreadableExitCode(int pid, platform::SysError error) {
  // The native code as the system's unsigned 32-bit number.
  const unsigned long native = static_cast<std::uint32_t>(error.native);
  toStandardError("GetExitCodeProcess() : failed to get process status for process " + std::to_string(pid) +
                      ". Win error code: " + std::to_string(native) + ".",
                  true);
}

}  // namespace

int CQVOOperatingSystem::exec(char const* command, char const* directory, bool wait, qvo::pid_t& pid, bool,
                              bool newConsole, char const* errorFile, char const* outputFile, bool) {
  if (command == nullptr || directory == nullptr) return -1;
  pid.pid(0);

  const std::string dir(directory);
  const std::string errorName(errorFile != nullptr ? errorFile : "");
  const std::string outputName(outputFile != nullptr ? outputFile : "");

  // The working directory: a relative one lies in the current directory, read whatever its length.
  std::string workDir = dir;
  if (!platform::isAbsolutePath(dir)) {
    std::string cwd;
    if (platform::currentDirectory(cwd) && !cwd.empty()) workDir = joinPath(cwd, dir);
  }
  // A relative file name lies in the working directory. With an empty directory the name alone
  // (relative to the current directory, which is then the working directory), not the root.
  auto redirectionPath = [&](const std::string& name) {
    if (platform::isAbsolutePath(name) || dir.empty()) return name;
    return dir + platform::pathSeparator() + name;
  };

  platform::SpawnRequest request;
  request.commandLine = command;
  request.arguments = qvo::process::splitCommandLine(request.commandLine);
  request.workingDirectory = workDir;
  request.inheritDirectory = dir.empty();
  request.newConsole = newConsole;
  if (!outputName.empty()) {
    request.stdOutput = createRedirection("output", redirectionPath(outputName));
    if (request.stdOutput == platform::kNoHandle) return -1;
  }
  if (!errorName.empty()) {
    request.stdError = createRedirection("error", redirectionPath(errorName));
    if (request.stdError == platform::kNoHandle) {
      const int saved = errno;
      platform::closeNativeHandle(request.stdOutput);
      errno = saved;
      return -1;
    }
  }

  platform::SpawnedProcess spawned;
  platform::SysError error = platform::kNoError;
  const bool started = platform::spawnProcess(request, &spawned, &error);
  if (!started) {
    error.setErrno();
    const int err = errno;
    const platform::NativeHandle errTarget =
        request.stdError != platform::kNoHandle ? request.stdError : platform::standardErrorHandle();
    platform::writeToNativeHandle(errTarget, spawnFailureMessage(err, request.commandLine, workDir));
    platform::closeNativeHandle(request.stdOutput);
    platform::closeNativeHandle(request.stdError);
    errno = err;
    return -1;
  }
  // The child holds its own copies of the redirection files.
  platform::closeNativeHandle(request.stdOutput);
  platform::closeNativeHandle(request.stdError);

  pid.m_iPid = static_cast<int>(spawned.ref.pid);
  pid.m_processInfo.hProcess = reinterpret_cast<void*>(spawned.process);
  pid.m_processInfo.hThread = reinterpret_cast<void*>(spawned.thread);
  pid.m_processInfo.dwProcessId = spawned.ref.pid;
  pid.m_processInfo.dwThreadId = spawned.threadId;
  pid.m_state = std::make_shared<qvo::detail::ProcessState>(spawned.ref);

  if (!wait) return 0;
  int status = 0;
  return waitForProcess(pid, &status, -1);
}

int CQVOOperatingSystem::waitForProcess(qvo::pid_t pid, int* status, long timeoutMs) {
  if (pid.m_iPid == 0) return -1;
  const long timeout = timeoutMs < 0 ? -1 : timeoutMs;
  platform::SysError error = platform::kNoError;

  if (pid.m_state) {
    // A process that the library started: only through the reference held since its start.
    using Outcome = qvo::detail::ProcessState::Outcome;
    int st = 0;
    switch (pid.m_state->wait(timeout, &st, &error)) {
      case Outcome::Ended:
        *status = st;
        return pid.m_iPid;
      case Outcome::EndedNoStatus:
        reportUnreadableExitCode(pid.m_iPid, error);
        *status = -1;
        return pid.m_iPid;
      case Outcome::Running:
        *status = 0;
        return 0;
      case Outcome::Failed:
        error.setErrno();
        *status = -1;
        return -1;
      case Outcome::Gone:
        errno = ESRCH;
        *status = -1;
        return -1;
    }
    return -1;
  }

  // A plain number: whichever process has that identifier now. Its status is read, not collected.
  platform::ProcessRef ref;
  if (!platform::openProcessById(static_cast<std::uint32_t>(pid.m_iPid), &ref, &error)) {
    error.setErrno();
    *status = -1;
    return -1;
  }
  int result = -1;
  switch (platform::waitForProcessEnd(ref, platform::Timeout::fromSigned(timeout), &error)) {
    case platform::WaitResult::Ended: {
      int st = 0;
      if (platform::readExitStatus(ref, false, &st, &error)) {
        *status = st;
      } else {
        reportUnreadableExitCode(pid.m_iPid, error);
        *status = -1;
      }
      result = pid.m_iPid;
      break;
    }
    case platform::WaitResult::TimedOut:
      *status = 0;
      result = 0;
      break;
    case platform::WaitResult::Failed:
      error.setErrno();
      *status = -1;
      break;
  }
  const int saved = errno;
  platform::releaseProcess(ref, false);
  errno = saved;
  return result;
}

namespace {
// Killing a process runs on Windows NT and 95 (and POSIX); on NT and POSIX the debug privilege first lets
// this process reach processes of other users. False, with the refusal on std::cerr, elsewhere.
bool prepareToKill() {
  switch (platform::systemFamily()) {
    case platform::SystemFamily::windows95:
      return true;
    case platform::SystemFamily::otherWindows:
      std::cerr << "CQVOOperatingSystem::kill runs only under Windows NT or Windows 95\n";
      std::cerr.flush();
      return false;
    default:
      platform::enableDebugPrivilege();
      return true;
  }
}
}  // namespace

int CQVOOperatingSystem::kill(qvo::pid_t pid, bool) {
  if (!prepareToKill()) return -1;
  platform::SysError error = platform::kNoError;
  if (pid.m_state) {
    // Never by the identifier, which may belong to another process once this one has ended.
    bool gone = false;
    if (pid.m_state->terminate(&error, &gone)) return 0;
    if (gone) {
      errno = ESRCH;
    } else {
      error.setErrno();
    }
    return -1;
  }
  platform::ProcessRef ref;
  if (!platform::openProcessById(static_cast<std::uint32_t>(pid.m_iPid), &ref, &error)) {
    error.setErrno();
    return -1;
  }
  const bool terminated = platform::terminateProcess(ref, &error);
  platform::releaseProcess(ref, false);
  if (!terminated) {
    error.setErrno();
    return -1;
  }
  return 0;
}

void CQVOOperatingSystem::exit(char const* message, int status) {
  if (message != nullptr) std::cerr << message;
  std::cerr.flush();
  platform::exitProcessNow(status);
}

int CQVOOperatingSystem::checkTermination(qvo::pid_t pid, CQVOString& text) {
  text = "";
  int status = 0;
  const int result = waitForProcess(pid, &status, 0);
  const std::string id = std::to_string(pid.m_iPid);
  if (result == -1) {
    text = ("process " + id + " was interrupted").c_str();
    return -1;
  }
  if (result == 0) return 0;
  if (status >= 0) {
    text = std::to_string(status).c_str();
    return 1;
  }
  text = ("process " + id + " did not exit normally").c_str();
  return -1;
}
