// Running the tools from the tests: through the library's child process without standard input, or
// through the shell when a file is its standard input (the child process class passes none).
#include "support/tool_runner.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "QVOProcess.h"
#include "support/child_process.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace tooltest {

namespace {

std::string nextFile(char const* what) {
  static std::atomic<int> counter{0};
  return "tool_" + std::to_string(counter++) + "." + what;
}

std::string readBack(std::string const& path) {
  std::string text = qvotest::readFile(path);
  return text == "<missing>" ? std::string() : unixLines(text);
}

}  // namespace

std::string unixLines(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

struct Tool::State {
  std::string out = nextFile("out");
  std::string err = nextFile("err");
  std::unique_ptr<CQVOProcess> process;  // without input
  std::future<int> shell;                // with input
  bool finished = false;
  ToolResult result;
};

Tool::Tool(std::string const& program, std::string const& arguments, std::string const& input)
    : m_state(std::make_unique<State>()) {
  State& s = *m_state;
  if (input.empty()) {
    s.process = std::make_unique<CQVOProcess>(qvotest::helperProgramPath(program).c_str(), arguments.c_str(), "",
                                              s.err.c_str(), s.out.c_str(), false);
    if (s.process->Spawn(false) != 0) s.finished = true;
    return;
  }
#ifdef _WIN32
  std::string const command = "\"\"" + qvotest::helperProgramPath(program) + "\" " + arguments + " < " + input +
                              " > " + s.out + " 2> " + s.err + "\"";
#else
  std::string const command =
      "'" + qvotest::helperProgramPath(program) + "' " + arguments + " < " + input + " > " + s.out + " 2> " + s.err;
#endif
  s.shell = std::async(std::launch::async, [command] {
    int const status = std::system(command.c_str());
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  });
}

Tool::~Tool() {
  finish(0);
  std::remove(m_state->out.c_str());
  std::remove(m_state->err.c_str());
}

ToolResult Tool::finish(long timeoutMs) {
  State& s = *m_state;
  if (s.finished) return s.result;
  if (s.process) {
    int status = -1;
    if (s.process->Wait(&status, timeoutMs) > 0) {
      s.result.exitCode = status;
    } else {
      s.process->Kill(true);
      s.result.exitCode = -2;
    }
  } else if (s.shell.valid()) {
    // The shell cannot be killed from here: a hang shows as the test's own time-out.
    if (timeoutMs > 0 && s.shell.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
      s.result.exitCode = -2;
    s.result.exitCode = s.shell.get();
  }
  s.finished = true;
  s.result.out = readBack(s.out);
  s.result.err = readBack(s.err);
  return s.result;
}

ToolResult runTool(std::string const& program, std::string const& arguments) {
  return Tool(program, arguments).finish();
}

}  // namespace tooltest
