// Fixtures of the file tests: platform path forms, raw file contents, trace capture, descriptor count,
// running a check without root's privileges.
#ifndef QVOBASE_TESTS_SUPPORT_FILE_FIXTURES_H
#define QVOBASE_TESTS_SUPPORT_FILE_FIXTURES_H

#include <functional>
#include <string>
#include <vector>

namespace filetest {

// The separator of the platform form of paths, and a text with every '/' turned into it.
#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif
std::string platformPath(std::string text);

// The current working directory as the operating system reports it.
std::string currentDirectory();

// Whole-file contents, untranslated; writeBytes creates or truncates.
void writeBytes(std::string const& path, std::string const& bytes);
std::string readBytes(std::string const& path);
bool exists(std::string const& path);
// A text of `size` bytes of every value 0-255, so that translations and truncations show.
std::string patternBytes(std::size_t size);

// Makes a process-wide log on `file` with the module "QVOFILE" switched on; the destructor gives
// the process a silent log on standard output again.
class TraceCapture {
 public:
  explicit TraceCapture(std::string file);
  ~TraceCapture();
  TraceCapture(TraceCapture const&) = delete;
  TraceCapture& operator=(TraceCapture const&) = delete;
  // The records' text lines (the lines after a tab), in order, without the tab.
  std::vector<std::string> texts() const;
  // The whole log file.
  std::string all() const;

 private:
  std::string m_file;
};

// Runs `check` in a process without root's privileges (a child that switches to the "nobody" user
// when the tests run as root, or this process otherwise). Returns 1 when the check held, 0 when it
// failed, -1 when such a process cannot be had (then `why` says why).
int runUnprivileged(std::function<bool()> const& check, std::string& why);

// A helper program of the tests (tests/helpers/<name>.cpp), started beside the test program, and
// waited for.
class HelperProcess {
 public:
  // Starts bin/<name> with the arguments; running() tells whether that worked.
  HelperProcess(std::string const& name, std::vector<std::string> const& arguments);
  ~HelperProcess();
  HelperProcess(HelperProcess const&) = delete;
  HelperProcess& operator=(HelperProcess const&) = delete;
  bool running() const;
  // Waits for the end of the program; its exit code, or -1.
  int wait();

 private:
  long long m_handle = -1;
};

}  // namespace filetest

#endif  // QVOBASE_TESTS_SUPPORT_FILE_FIXTURES_H
