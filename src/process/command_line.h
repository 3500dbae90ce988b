// Splitting a command line into a program and its arguments with the Windows quoting rules, so that
// one command line starts the same program with the same arguments on every target.
#ifndef QVOBASE_PROCESS_COMMAND_LINE_H
#define QVOBASE_PROCESS_COMMAND_LINE_H

#include <cstddef>
#include <string>
#include <vector>

namespace qvo::process {

// Splits a command line the way a Windows program's runtime builds its argv.
// The program (argv[0]) ends at the first blank or tab outside double quotes; its quotes are removed
// and backslashes in it are plain characters ("C:\Program Files\x.exe" stays whole).
// Each argument ends at a blank or tab outside quotes; a double quote opens or closes quoting;
// 2n backslashes before a quote give n backslashes and the quote quotes; 2n+1 backslashes before a
// quote give n backslashes and a literal quote; backslashes before anything else stay as they are;
// inside quotes, two double quotes give one literal quote. An empty quoted pair gives an empty argument.
//   splitCommandLine("\"/a b/x\" 1 \"2 3\" 4\\\"5") is {"/a b/x", "1", "2 3", "4\"5"}
inline std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  const std::size_t n = line.size();
  std::size_t i = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };

  // The program: quotes toggle, nothing escapes.
  std::string program;
  bool inQuotes = false;
  while (i < n && (inQuotes || !blank(line[i]))) {
    if (line[i] == '"') {
      inQuotes = !inQuotes;
    } else {
      program += line[i];
    }
    ++i;
  }
  args.push_back(program);

  for (;;) {
    while (i < n && blank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    inQuotes = false;
    while (i < n && (inQuotes || !blank(line[i]))) {
      std::size_t slashes = 0;
      while (i < n && line[i] == '\\') {
        ++slashes;
        ++i;
      }
      if (i < n && line[i] == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          arg += '"';  // escaped quote
        } else if (inQuotes && i + 1 < n && line[i + 1] == '"') {
          arg += '"';  // "" inside quotes
          ++i;
        } else {
          inQuotes = !inQuotes;
        }
        ++i;
      } else {
        arg.append(slashes, '\\');
        if (i < n && (inQuotes || !blank(line[i]))) {
          arg += line[i];
          ++i;
        }
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace qvo::process

#endif  // QVOBASE_PROCESS_COMMAND_LINE_H
