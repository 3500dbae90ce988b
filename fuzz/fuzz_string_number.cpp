// Fuzz target: text-to-number conversions and conversion operators of CQVOString on random texts.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "QVOString.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::string const bytes(reinterpret_cast<char const*>(data), size);
  CQVOString const s(bytes.c_str(), static_cast<unsigned>(bytes.size()));
  volatile unsigned long sink = 0;
  sink += static_cast<bool>(s);
  sink += static_cast<char>(s);
  sink += static_cast<unsigned char>(s);
  sink += static_cast<short>(s);
  sink += static_cast<unsigned short>(s);
  sink += static_cast<int>(s);
  sink += static_cast<long>(s);
  sink += static_cast<unsigned int>(s);
  sink += static_cast<unsigned long>(s);
  float const f = static_cast<float>(s);
  double const d = static_cast<double>(s);
  sink += std::isnan(f) + std::isnan(d);
  sink += s.isUINT();
  CQVOString copy(s);
  (void)copy.ConvertToString();

  // A number rendered and read back gives the same number.
  qvofuzz::Input in(data, size);
  long value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | in.byte();
  value = static_cast<long>(static_cast<std::int32_t>(value));  // 32-bit on every target
  CQVOString const text(value);
  QVO_FUZZ_CHECK(static_cast<long>(text) == value);
  QVO_FUZZ_CHECK(static_cast<int>(text) == static_cast<int>(value));
  unsigned long const uvalue = static_cast<std::uint32_t>(value);
  CQVOString const utext(uvalue);
  QVO_FUZZ_CHECK(static_cast<unsigned long>(utext) == uvalue);

  // A double of any bit pattern in fixed point reads as the runtime's "%.<decimals>f".
  std::uint64_t pattern = 0;
  for (int i = 0; i < 8; ++i) pattern = (pattern << 8) | in.byte();
  double real;
  std::memcpy(&real, &pattern, sizeof real);
  int const decimals = 1 + in.byte() % 19;
  if (std::isfinite(real)) {
    EQVO::String fixed;
    EQVO::String::toString(real, fixed, decimals);
    std::string expected(400, '\0');
    expected.resize(static_cast<std::size_t>(std::snprintf(&expected[0], expected.size(), "%.*f", decimals, real)));
    QVO_FUZZ_CHECK(std::string(fixed.str(), fixed.length()) == expected);
  }
  (void)sink;
  return 0;
}
