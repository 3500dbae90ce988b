// Tour chapter: command-line options, the string cipher and the byte-order helpers.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "QVOBase.h"
#include "tour.h"

namespace {

// Declares /QUIET and /OUT:<file>, parses `args` and says what was found. `expectRefusal` frames the
// class's own message on standard error.
CQVOOptions parseOptions(std::vector<std::string> args, bool expectRefusal = false) {
  char const* names[] = {"quiet", "out"};
  char const withValue[] = {0, 1};
  CQVOOptions options(2, names, withValue);
  std::vector<char*> argv;
  std::string shown;
  for (auto& a : args) {
    argv.push_back(&a[0]);
    if (argv.size() > 1) shown += " " + a;
  }
  argv.push_back(nullptr);
  std::printf("  parsing [%s ]\n", shown.c_str());
  if (expectRefusal) {
    std::printf("  a value is missing: the class writes its message and usage to standard error\n");
  }
  std::fflush(stdout);  // the message goes to stderr: keep the two streams in order
  // Framed on standard error too, so that it reads as meant wherever that stream goes.
  if (expectRefusal) std::fprintf(stderr, "  [the tour asks for this refusal on purpose; the class's message:]\n");
  const bool ok = options.ParseArguments(static_cast<int>(args.size()), argv.data());
  if (expectRefusal) std::fprintf(stderr, "  [end of the class's message]\n");
  std::fflush(stderr);
  std::printf("  %s; /QUIET %s, /OUT \"%s\"\n", ok ? "accepted" : "refused",
              options.IsSet(CQVOString("quiet")) ? "set" : "not set", options.GetValue(CQVOString("out")).c_str());
  return options;
}

void printHex(char const* label, CQVOString const& text) {
  std::printf("  %-10s", label);
  std::fflush(stdout);
  System::toByteString(text.length(), reinterpret_cast<unsigned char const*>(text.begin()), std::cout, " ");
  std::cout << std::endl;
}

void run(const std::vector<std::string>& tourArgs) {
  std::printf("Options, from the tour's own command line:\n");
  const CQVOOptions options = parseOptions(tourArgs);
  std::printf("Options, from fixed demo vectors:\n");
  parseOptions({"tour", "/quiet", "/out:  result.txt "});
  parseOptions({"tour", "/OUT"}, true);
  const bool quiet = options.IsSet(CQVOString("quiet"));

  std::printf("Cipher, key \"QVOBase tour\":\n");
  const char clearText[] = "Meet me at the usual place at ten.";
  CQVOString text(clearText);
  CQVOCrypt crypt(CQVOString("QVOBase tour"));
  crypt.Encode(text);
  printHex("encoded", text);
  crypt.Reset();
  crypt.Decode(text);
  std::printf("  decoded   \"%s\"\n", text.c_str());
  if (options.IsSet(CQVOString("out"))) {
    CQVOCrypt writer(CQVOString("QVOBase tour"));
    CQVOString cipher(clearText);
    writer.Encode(cipher);
    std::ofstream file(options.GetValue(CQVOString("out")).c_str(), std::ios::binary);
    file.write(cipher.begin(), cipher.length());
    std::printf("  wrote %u enciphered bytes to %s\n", cipher.length(), options.GetValue(CQVOString("out")).c_str());
  }

  std::printf("Byte order: this machine is %s-endian\n", System::isLittleEndian() ? "little" : "big");
  if (quiet) return;
  std::printf("  invertBytes(0x12345678) = 0x%08lX, toBigEndian(1) = %lu\n", System::invertBytes(0x12345678ul),
              System::toBigEndian(1ul));
  unsigned long value = 0x11223344ul;
  EndianlessU32 bytes(value);
  bytes.setByteAt(0xAA, 3);
  std::printf("  0x11223344 with byte 3 set to 0xAA: 0x%08lX, byte 0 is 0x%02X; bits ", value, bytes[0]);
  std::fflush(stdout);
  bytes.dumpBits(std::cout);
  std::cout << std::endl;
  const unsigned char pair[] = {0xA5, 0xF0};
  std::cout << "  12 bits of A5 F0: ";
  System::toBitString(12, pair, std::cout);
  std::cout << std::endl;
  double x = 2.95;
  std::printf("  pow2(31) = %lu, correct_integer_coding(2.95) = %.1f\n", CQVOMath::pow2(31),
              CQVOMath::correct_integer_coding(x));
}

const tour::Register reg({70, "Utilities: options, cipher, byte order", run});

}  // namespace
