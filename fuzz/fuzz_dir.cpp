// Fuzz target: CQVODir path normalisation and CQVOFile's split of a name into directory and file name.
#include <cstring>

#include "QVOFile.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  qvofuzz::Input in(data, size);
  bool const keep = in.flag();
  std::string const dirText = in.text();
  std::string const name = in.rest();
  CQVODir dir(dirText.c_str(), keep ? CQVODir::msc_iKeepPath : CQVODir::msc_iResolvePath);
  CQVODir other(dir);
  other = name.c_str();
  (void)other.Path().length();
  CQVOFile file(name.c_str(), dir, "r", 'b', 0, false);
  CQVOString const bare = file.Name();
  CQVOString const full = file.FullName();
  // The file name never keeps a separator: it went to the directory.
  QVO_FUZZ_CHECK(std::strchr(bare.c_str(), '/') == nullptr);
  QVO_FUZZ_CHECK(full.length() >= bare.length());
  (void)file.IsNamed();
  return 0;
}
