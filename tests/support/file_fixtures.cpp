// Fixtures of the file tests (see file_fixtures.h).
#include "support/file_fixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "QVOLog.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace filetest {

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

int openDescriptorCount() {
#ifdef __linux__
  int count = 0;
  for (auto const& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
#else
  return -1;
#endif
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

}  // namespace filetest
