// Fuzz target: the array parsers of CQVOString (ConvertTo...Vector) on random texts.
#include "QVOString.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::string const bytes(reinterpret_cast<char const*>(data), size);
  CQVOString const s(bytes.c_str(), static_cast<unsigned>(bytes.size()));
  std::size_t total = 0;
  total += s.ConvertToCharVector().size();
  total += s.ConvertToUCharVector().size();
  total += s.ConvertToShortVector().size();
  total += s.ConvertToUShortVector().size();
  total += s.ConvertToLongVector().size();
  total += s.ConvertToULongVector().size();
  total += s.ConvertToFloatVector().size();
  total += s.ConvertToDoubleVector().size();
  std::vector<std::string> const strings = s.ConvertToStringVector();
  total += strings.size();
  for (std::string const& e : strings) total += e.size();
  volatile std::size_t sink = total;
  (void)sink;
  return 0;
}
