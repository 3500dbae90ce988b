// Test support for process tests: the helper program's path, files, handle and zombie counts.
#include "support/child_process.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qvotest {

std::string selfExecutablePath() {
#if defined(_WIN32)
  char buffer[4096];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  return std::string(buffer, n);
#else
  return std::filesystem::read_symlink("/proc/self/exe").string();
#endif
}

std::string helperProgramPath(const std::string& name) {
  const std::string self = selfExecutablePath();
#if defined(_WIN32)
  return self.substr(0, self.find_last_of("\\/") + 1) + name + ".exe";
#else
  return self.substr(0, self.find_last_of('/') + 1) + name;
#endif
}

std::string quotedHelper(const std::string& name) { return "\"" + helperProgramPath(name) + "\""; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool hasUncollectedChild() {
#if defined(_WIN32)
  return false;
#else
  siginfo_t info;
  info.si_pid = 0;
  if (::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;  // ECHILD: no children
  return info.si_pid != 0;
#endif
}

}  // namespace qvotest
