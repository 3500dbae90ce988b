// The output of a log back-end: nothing, the console streams, or a file written straight to the OS.
#ifndef QVOBASE_LOG_OUTPUT_H
#define QVOBASE_LOG_OUTPUT_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qvo {

// Every write reaches the operating system before it returns: files are written with one system
// call per piece and no user-space buffer; the console streams are flushed after each piece.
// Not locked: the back-end's file lock guards it.
class LogOutput {
 public:
  enum class Kind { None, Stdout, Stderr, File };

  LogOutput() = default;
  ~LogOutput();
  LogOutput(LogOutput const&) = delete;
  LogOutput& operator=(LogOutput const&) = delete;

  void attachConsole(Kind kind);
  // Opens a file; on success, *existingSize is the size of the kept content (0 when truncated).
  bool openFile(std::string const& name, bool truncate, std::uint64_t* existingSize);
  // Closes a file (a console output stays attached).
  void closeFile();
  // Writes the bytes; false when the file refused them (reported once per failing stretch).
  bool write(char const* data, std::size_t size);

  Kind kind() const { return m_kind; }
  bool isOpen() const { return m_kind != Kind::None; }
  bool isFile() const { return m_kind == Kind::File; }
  // The descriptor that a crash handler writes to without a lock: the file's, 1 or 2 for the
  // console streams, -1 with no output.
  int crashDescriptor() const { return m_crashFd.load(std::memory_order_acquire); }

 private:
  Kind m_kind = Kind::None;
  int m_fd = -1;
  std::string m_name;
  bool m_failing = false;
  std::atomic<int> m_crashFd{-1};
};

// Writes one line to the standard error stream in one piece (the log's own problems).
void reportProblem(std::string const& line);

}  // namespace qvo

#endif  // QVOBASE_LOG_OUTPUT_H
