// Fuzz target: CQVOOptions::ParseArguments on random option tables and argument vectors.
#include <unistd.h>

#include <fcntl.h>

#include "QVOOptions.h"
#include "fuzz_input.h"

namespace {
// Error messages go to stderr: it points at /dev/null while the arguments are parsed, so that the
// fuzzer's own output stays readable.
class QuietStderr {
 public:
  QuietStderr() : m_saved(dup(2)) {
    int const null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 2);
      close(null);
    }
  }
  ~QuietStderr() {
    if (m_saved >= 0) {
      dup2(m_saved, 2);
      close(m_saved);
    }
  }

 private:
  int m_saved;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  qvofuzz::Input in(data, size);
  CQVOOptions options;
  unsigned const declared = in.byte() % 6;
  if (in.flag()) options.SetMaxOptions(in.byte() % 8);
  for (unsigned i = 0; i < declared; ++i) {
    bool const withValue = in.flag();
    std::string const name = in.text();
    (void)options.AddOption(name.c_str(), withValue);
  }
  std::vector<std::string> args;
  while (!in.empty() && args.size() < 32) args.push_back(in.text());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  bool parsed = false;
  {
    QuietStderr quiet;
    parsed = options.ParseArguments(static_cast<int>(args.size()), argv.data());
  }
  for (unsigned short i = 0; i < 8; ++i) {
    if (options.IsSet(i)) (void)options.GetValue(i).length();
  }
  CQVOOptions copy(options);
  (void)parsed;
  return 0;
}
