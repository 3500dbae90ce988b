// Shared helpers of the log tests: reading log files, environment variables, record patterns,
// locating and running helper programs.
#ifndef QVOBASE_TESTS_LOG_SUPPORT_H
#define QVOBASE_TESTS_LOG_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace logtest {

// The file as text (line ends as the program sees them on either target); empty when missing.
inline std::string readText(std::string const& name) {
  std::ifstream in(name);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline std::vector<std::string> splitLines(std::string const& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline void writeText(std::string const& name, std::string const& text) {
  std::ofstream out(name);
  out << text;
}

inline void setEnv(char const* name, char const* value) {
#ifdef _WIN32
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// Regular-expression text of a record's date and time, e.g. "04 Dec 2026 16:03:46.007".
inline std::string const kDatePattern = R"(\d\d \S+ \d{4} \d\d:\d\d:\d\d\.\d{3})";

// The folder of the running test program, where the helper programs are built too.
inline std::string programFolder() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of("\\/") + 1);
#else
  char path[4096] = {};
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string p(path, n > 0 ? static_cast<std::size_t>(n) : 0);
  return p.substr(0, p.find_last_of('/') + 1);
#endif
}

// Runs a helper program with arguments; returns its exit status (0 on success).
inline int runHelper(std::string const& name, std::string const& args) {
#ifdef _WIN32
  std::string command = "\"\"" + programFolder() + name + ".exe\" " + args + "\"";
#else
  std::string command = "'" + programFolder() + name + "' " + args;
#endif
  return std::system(command.c_str());
}

}  // namespace logtest

#endif  // QVOBASE_TESTS_LOG_SUPPORT_H
