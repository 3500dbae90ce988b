// Fuzz target: splitting a process command line into a program and its arguments.
#include "fuzz_input.h"
#include "process/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::string const line(reinterpret_cast<char const*>(data), size);
  std::vector<std::string> const args = qvo::process::splitCommandLine(line);
  QVO_FUZZ_CHECK(!args.empty());
  std::size_t bytes = 0;
  for (std::string const& a : args) bytes += a.size();
  QVO_FUZZ_CHECK(bytes <= line.size());  // quoting only removes bytes
  return 0;
}
