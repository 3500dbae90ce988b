// A program of another project: the README's example (a string, a log record, a child process), then a
// check of the tools version and, for an installed Linux package, of the programs qvolog and qvopipe that
// came with it. Exits non-zero if anything is off.
#include <QVOBase.h>

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
static char const* const kShell = "cmd.exe";
static char const* const kExit3 = "/c exit 3";
#else
static char const* const kShell = "/bin/sh";
static char const* const kExit3 = "-c \"exit 3\"";
#endif

int main() {
  CQVOString name = CQVOString("  name = QVOBase ; version = 3").Token(';').Trim();  // "name = QVOBase"
  qvo::Log::instance().activateModule("APP", true);                                  // the log is on stdout
  CQVOLog::Write("APP", qvo::TRACE_INFO, __FILE__, __LINE__, "hello from %s", name.c_str());
  CQVOProcess child(kShell, kExit3, "", nullptr, nullptr, false);  // the program, then its arguments
  int status = -1;
  if (child.Spawn(false) == 0 && child.Wait(&status, 60000) > 0) std::printf("the child exited with %d\n", status);

  const char* version = QVOToolsVersion();
  std::printf("consumer: QVOBase tools version %s\n", version);
  bool toolsAnswer = true;
#if defined(QVO_TOOL_QVOLOG) && defined(QVO_TOOL_QVOPIPE)
  for (char const* tool : {QVO_TOOL_QVOLOG, QVO_TOOL_QVOPIPE}) {
    CQVOProcess help(tool, "--help", "", nullptr, nullptr, false);
    int code = -1;
    bool const answered = help.Spawn(false) == 0 && help.Wait(&code, 30000) > 0 && code == 0;
    std::printf("consumer: %s --help %s\n", tool, answered ? "answers" : "FAILED");
    toolsAnswer = toolsAnswer && answered;
  }
#endif
  return toolsAnswer && std::strcmp(version, QVO_EXPECTED_VERSION) == 0 && std::strcmp(name.c_str(), "name = QVOBase") == 0 && status == 3 ? 0 : 1;
}
