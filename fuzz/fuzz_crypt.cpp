// Fuzz target: CQVOCrypt encode-then-decode round trips with random keys, texts and call splits.
#include "QVOCrypt.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  qvofuzz::Input in(data, size);
  std::string const key = in.text();
  std::size_t const split = in.byte();
  std::string const clear = in.rest();
  CQVOCrypt crypt(CQVOString(key.c_str(), static_cast<unsigned>(key.size())));
  CQVOString text(clear.c_str(), static_cast<unsigned>(clear.size()));
  crypt.Encode(text);
  QVO_FUZZ_CHECK(text.length() == clear.size());
  CQVOCrypt copy(crypt);
  crypt.Reset();
  // Decoding in two calls gives the same bytes as one.
  std::size_t const cut = clear.empty() ? 0 : split % (clear.size() + 1);
  CQVOString first(text.str(), static_cast<unsigned>(cut));
  CQVOString second(text.str() + cut, static_cast<unsigned>(clear.size() - cut));
  crypt.Decode(first);
  crypt.Decode(second);
  std::string const back = std::string(first.str(), first.length()) + std::string(second.str(), second.length());
  QVO_FUZZ_CHECK(back == clear);
  copy.Reset();
  copy.Decode(text);
  QVO_FUZZ_CHECK(std::string(text.str(), text.length()) == clear);
  return 0;
}
