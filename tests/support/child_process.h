// Test support for process tests: where the child helper program is, files, and counts of the test
// process's open handles and unreaped children.
#ifndef QVOBASE_TESTS_SUPPORT_CHILD_PROCESS_H
#define QVOBASE_TESTS_SUPPORT_CHILD_PROCESS_H

#include <string>

namespace qvotest {

// The full path of the running test program (the Windows path under Wine).
std::string selfExecutablePath();
// The path of the helper program `name` beside the running test program ("qvo_child" gives
// .../bin/qvo_child, or ...\bin\qvo_child.exe on Windows).
std::string helperProgramPath(const std::string& name = "qvo_child");
// The helper's command line start: its path in double quotes.
std::string quotedHelper(const std::string& name = "qvo_child");

// The whole content of a file, or "<missing>" when it cannot be opened.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// True when a child of this process has ended and was not collected (a zombie). Always false on Windows.
bool hasUncollectedChild();

}  // namespace qvotest

#endif  // QVOBASE_TESTS_SUPPORT_CHILD_PROCESS_H
