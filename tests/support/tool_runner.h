// Running the command-line tools (qvolog, qvopipe) from the tests: beside the test program, with their
// output in files of the working folder.
#ifndef QVOBASE_TESTS_SUPPORT_TOOL_RUNNER_H
#define QVOBASE_TESTS_SUPPORT_TOOL_RUNNER_H

#include <memory>
#include <string>

class CQVOProcess;

namespace tooltest {

struct ToolResult {
  int exitCode = -1;  // -1: ended abnormally or could not be observed; -2: killed at the time limit
  std::string out;    // standard output, "\r\n" read as "\n"
  std::string err;
};

// A tool started in the background; the destructor kills it if it still runs and removes its files.
class Tool {
 public:
  // Starts bin/<program> with `arguments` (one command-line text; arguments with blanks in double
  // quotes); `input`, when not empty, is a file given to it as standard input.
  Tool(std::string const& program, std::string const& arguments, std::string const& input = "");
  ~Tool();
  Tool(Tool const&) = delete;
  Tool& operator=(Tool const&) = delete;
  // Waits up to `timeoutMs` for its end, then kills it; its exit code and output.
  ToolResult finish(long timeoutMs = 60000);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

// Runs a tool to its end (60 s at most).
ToolResult runTool(std::string const& program, std::string const& arguments);

// "\r\n" as "\n".
std::string unixLines(std::string text);

}  // namespace tooltest

#endif  // QVOBASE_TESTS_SUPPORT_TOOL_RUNNER_H
