// Fixtures of the file tests (see file_fixtures.h).
#include "support/file_fixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "QVOLog.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace filetest {

namespace fs = std::filesystem;

std::string platformPath(std::string text) {
  for (char& c : text) {
    if (c == '/') c = kSep;
  }
  return text;
}

std::string currentDirectory() { return std::filesystem::current_path().string(); }

void writeBytes(std::string const& path, std::string const& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(std::string const& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

std::string patternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

TraceCapture::TraceCapture(std::string file) : m_file(std::move(file)) {
  std::remove(m_file.c_str());
  qvo::Log log(m_file, false, true);
  qvo::Log::instance().activateModule("QVOFILE", true);
}

TraceCapture::~TraceCapture() { qvo::Log quiet("stdout", false, true); }

std::string TraceCapture::all() const {
  qvo::Log::instance().sync();
  return readBytes(m_file);
}

std::vector<std::string> TraceCapture::texts() const {
  std::vector<std::string> lines;
  std::istringstream in(all());
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '\t') lines.push_back(line.substr(1));
  }
  return lines;
}

int runUnprivileged(std::function<bool()> const& check, std::string& why) {
#ifdef _WIN32
  // Windows refuses by file attributes, which bind every user: nothing to give up.
  (void)why;
  return check() ? 1 : 0;
#else
  if (::geteuid() != 0) return check() ? 1 : 0;
  std::fflush(nullptr);
  pid_t const child = ::fork();
  if (child < 0) {
    why = "fork failed";
    return -1;
  }
  if (child == 0) {
    // 65534 is "nobody": no file of the test belongs to it.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    why = "cannot run a check as the unprivileged user nobody";
    return -1;
  }
  return WEXITSTATUS(status) == 0 ? 1 : 0;
#endif
}

namespace {

// The folder of the running test program, where the helper programs are built too.
std::string programFolder() {
#ifdef _WIN32
  char buffer[MAX_PATH * 4];
  DWORD const length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return fs::path(std::string(buffer, length)).parent_path().string();
#else
  return fs::read_symlink("/proc/self/exe").parent_path().string();
#endif
}

}  // namespace

HelperProcess::HelperProcess(std::string const& name, std::vector<std::string> const& arguments) {
#ifdef _WIN32
  std::string command = "\"" + programFolder() + "\\" + name + ".exe\"";
  for (auto const& a : arguments) command += " \"" + a + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ::CloseHandle(info.hThread);
    m_handle = reinterpret_cast<long long>(info.hProcess);
  }
#else
  std::string const program = programFolder() + "/" + name;
  std::vector<std::string> all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0) m_handle = child;
#endif
}

HelperProcess::~HelperProcess() { wait(); }

bool HelperProcess::running() const { return m_handle != -1; }

int HelperProcess::wait() {
  if (m_handle == -1) return -1;
  int code = -1;
#ifdef _WIN32
  HANDLE const process = reinterpret_cast<HANDLE>(m_handle);
  DWORD exitCode = 0;
  if (::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &exitCode)) {
    code = static_cast<int>(exitCode);
  }
  ::CloseHandle(process);
#else
  int status = 0;
  if (::waitpid(static_cast<pid_t>(m_handle), &status, 0) > 0 && WIFEXITED(status)) code = WEXITSTATUS(status);
#endif
  m_handle = -1;
  return code;
}

}  // namespace filetest
