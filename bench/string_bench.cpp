// Benchmarks of the string classes: each CQVOString operation beside its std::string peer, and on Linux
// beside POCO's string and number functions (peer "poco": Poco::replace, Poco::StringTokenizer,
// Poco::trim and trimInPlace, Poco::NumberFormatter, Poco::NumberParser), called as POCO's reference
// shows them.
#include <benchmark/benchmark.h>
#if defined(QVO_BENCH_LIBRARY_PEERS)
#include <Poco/NumberFormatter.h>
#include <Poco/NumberParser.h>
#include <Poco/String.h>
#include <Poco/StringTokenizer.h>
#endif

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "QVOString.h"
#include "bench_main.h"

namespace {

// ---- append of short pieces ----------------------------------------------------------------------------

constexpr int kPieces = 10000;
char const* const kPiece = "piece-42";

// 1,000 pieces (8 KB) and 10,000 (80 KB): at the larger size the growth rule's last buffer (155,645 bytes)
// is past the C library's threshold for giving freed memory back to the system, so each round faults its
// pages in again, where std::string's last buffer (131,072 bytes) stays below it.
void BM_qvo_AppendShort(benchmark::State& state) {
  int const pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CQVOString s;
    for (int i = 0; i < pieces; ++i) s += kPiece;
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_AppendShort)->Arg(1000)->Arg(kPieces);

void BM_std_AppendShort(benchmark::State& state) {
  int const pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < pieces; ++i) s += kPiece;
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_AppendShort)->Arg(1000)->Arg(kPieces);

void BM_qvo_AppendChar(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s;
    for (int i = 0; i < kPieces; ++i) s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_AppendChar);

void BM_std_AppendChar(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < kPieces; ++i) s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_AppendChar);

// ---- search -----------------------------------------------------------------------------------------------

// 1 MiB of pseudo-random lower-case letters: the needle sits at the end.
std::string const& haystack() {
  static std::string const text = [] {
    std::mt19937 random(7);
    std::string t(1 << 20, ' ');
    for (char& c : t) c = static_cast<char>('a' + random() % 26);
    t.replace(t.size() - 8, 8, "NEEDLE42");
    return t;
  }();
  return text;
}

void BM_qvo_Find(benchmark::State& state) {
  CQVOString const s(haystack());
  for (auto _ : state) benchmark::DoNotOptimize(s.find("NEEDLE42", 0));
}
BENCHMARK(BM_qvo_Find);

void BM_std_Find(benchmark::State& state) {
  std::string const s(haystack());
  for (auto _ : state) benchmark::DoNotOptimize(s.find("NEEDLE42", 0));
}
BENCHMARK(BM_std_Find);

void BM_qvo_FindChar(benchmark::State& state) {
  CQVOString const s(haystack());
  for (auto _ : state) benchmark::DoNotOptimize(s.find('N', 0));
}
BENCHMARK(BM_qvo_FindChar);

void BM_std_FindChar(benchmark::State& state) {
  std::string const s(haystack());
  for (auto _ : state) benchmark::DoNotOptimize(s.find('N', 0));
}
BENCHMARK(BM_std_FindChar);

// A short line, as configuration texts and command lines are searched.
char const* const kLine = "name=qvobase; level=2; path=/var/log/qvo; mode=threaded";

void BM_qvo_FindShort(benchmark::State& state) {
  CQVOString const s(kLine);
  for (auto _ : state) benchmark::DoNotOptimize(s.find("mode=", 0));
}
BENCHMARK(BM_qvo_FindShort);

void BM_std_FindShort(benchmark::State& state) {
  std::string const s(kLine);
  for (auto _ : state) benchmark::DoNotOptimize(s.find("mode=", 0));
}
BENCHMARK(BM_std_FindShort);

// ---- replace every occurrence ---------------------------------------------------------------------------

// 1 MiB holding 100,000 occurrences of "foo".
std::string const& replaceText() {
  static std::string const text = [] {
    std::string t;
    t.reserve(1 << 20);
    std::mt19937 random(11);
    for (int i = 0; i < 100000; ++i) {
      t += "foo";
      int const gap = 7 + static_cast<int>(random() % 2);
      for (int k = 0; k < gap; ++k) t += static_cast<char>('a' + (i + k) % 5);  // never forms "foo"
    }
    while (t.size() < (1u << 20)) t += 'x';
    return t;
  }();
  return text;
}

void BM_qvo_ReplaceAll(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(replaceText());
    s.Replace("foo", "barbaz", true);
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_ReplaceAll)->Unit(benchmark::kMicrosecond);

void BM_std_ReplaceAll(benchmark::State& state) {
  for (auto _ : state) {
    std::string s(replaceText());
    std::string out;
    std::string const from = "foo";
    std::string const to = "barbaz";
    std::size_t read = 0;
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, read)) {
      out.append(s, read, at - read);
      out += to;
      read = at + from.size();
    }
    out.append(s, read, std::string::npos);
    s.swap(out);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_ReplaceAll)->Unit(benchmark::kMicrosecond);

#if defined(QVO_BENCH_LIBRARY_PEERS)
// Poco::replace copies the text and replaces in the copy, as the QVOBase case does.
void BM_poco_ReplaceAll(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = Poco::replace(replaceText(), "foo", "barbaz");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_ReplaceAll)->Unit(benchmark::kMicrosecond);
#endif

void BM_qvo_ReplaceShrink(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(replaceText());
    s.Replace("foo", "f", true);
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_ReplaceShrink)->Unit(benchmark::kMicrosecond);

void BM_std_ReplaceShrink(benchmark::State& state) {
  for (auto _ : state) {
    std::string s(replaceText());
    std::string out;
    std::size_t read = 0;
    for (std::size_t at = s.find("foo"); at != std::string::npos; at = s.find("foo", read)) {
      out.append(s, read, at - read);
      out += "f";
      read = at + 3;
    }
    out.append(s, read, std::string::npos);
    s.swap(out);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_ReplaceShrink)->Unit(benchmark::kMicrosecond);

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_ReplaceShrink(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = Poco::replace(replaceText(), "foo", "f");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_ReplaceShrink)->Unit(benchmark::kMicrosecond);
#endif

// ---- token splitting ------------------------------------------------------------------------------------

std::string const& tokenText() {
  static std::string const text = [] {
    std::string t;
    for (int i = 0; i < 1000; ++i) t += "field" + std::to_string(i) + ",";
    return t;
  }();
  return text;
}

void BM_qvo_Token(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(tokenText());
    while (!s.IsEmpty()) {
      CQVOString t = s.Token(',');
      benchmark::DoNotOptimize(t.c_str());
    }
  }
}
BENCHMARK(BM_qvo_Token);

// The same cut from the front with std::string: the text before the separator, then erase through it.
void BM_std_Token(benchmark::State& state) {
  for (auto _ : state) {
    std::string s(tokenText());
    while (!s.empty()) {
      std::size_t const at = s.find(',');
      std::string t = s.substr(0, at);
      s.erase(0, at == std::string::npos ? std::string::npos : at + 1);
      benchmark::DoNotOptimize(t.data());
    }
  }
}
BENCHMARK(BM_std_Token);

// The std cut again, but each token in a heap buffer of 16 bytes, as every CQVOString token has one (a
// std::string of 15 bytes or less keeps its text inside the object): what is left between QVOBase and
// this peer is the cost of the cut itself.
void BM_stdheap_Token(benchmark::State& state) {
  for (auto _ : state) {
    std::string s(tokenText());
    while (!s.empty()) {
      std::size_t const at = s.find(',');
      std::string t;
      t.reserve(16);
      t.assign(s, 0, at);
      s.erase(0, at == std::string::npos ? std::string::npos : at + 1);
      benchmark::DoNotOptimize(t.data());
    }
  }
}
BENCHMARK(BM_stdheap_Token);

#if defined(QVO_BENCH_LIBRARY_PEERS)
// POCO splits the whole text into a vector of tokens at once (no options: empty tokens kept, none trimmed).
void BM_poco_Token(benchmark::State& state) {
  for (auto _ : state) {
    Poco::StringTokenizer tokens(tokenText(), ",");
    for (std::string const& t : tokens) benchmark::DoNotOptimize(t.data());
  }
}
BENCHMARK(BM_poco_Token);
#endif

// ---- trim -----------------------------------------------------------------------------------------------

// A line read from a configuration file: white space on both sides, longer than a std::string keeps inside
// itself. Each case copies it and trims the copy.
std::string const kTrimText = " \t  name = QVOBase ; version = 3  \r\n";

void BM_qvo_Trim(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(kTrimText);
    s.Trim();
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_Trim);

void BM_std_Trim(benchmark::State& state) {
  char const* const space = " \t\n\v\f\r";
  for (auto _ : state) {
    std::string s(kTrimText);
    s.erase(s.find_last_not_of(space) + 1);
    s.erase(0, s.find_first_not_of(space));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_Trim);

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_Trim(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = Poco::trim(kTrimText);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_Trim);
#endif

// The trim alone: the line assigned into a string that has room for it (no allocation), then trimmed in
// place.
void BM_qvo_TrimInPlace(benchmark::State& state) {
  CQVOString s(kTrimText);
  for (auto _ : state) {
    s = kTrimText.c_str();
    s.Trim();
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_TrimInPlace);

void BM_std_TrimInPlace(benchmark::State& state) {
  char const* const space = " \t\n\v\f\r";
  std::string s(kTrimText);
  for (auto _ : state) {
    s = kTrimText;
    s.erase(s.find_last_not_of(space) + 1);
    s.erase(0, s.find_first_not_of(space));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_TrimInPlace);

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_TrimInPlace(benchmark::State& state) {
  std::string s(kTrimText);
  for (auto _ : state) {
    s = kTrimText;
    Poco::trimInPlace(s);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_TrimInPlace);
#endif

// ---- hashing --------------------------------------------------------------------------------------------

std::string const kHashText = "the quick brown fox jumps over the lazy dog 0123456789";

void BM_qvo_HashCode(benchmark::State& state) {
  CQVOString const s(kHashText);
  for (auto _ : state) benchmark::DoNotOptimize(s.hashCode());
}
BENCHMARK(BM_qvo_HashCode);

void BM_std_HashCode(benchmark::State& state) {
  std::string const s(kHashText);
  for (auto _ : state) benchmark::DoNotOptimize(std::hash<std::string>()(s));
}
BENCHMARK(BM_std_HashCode);

void BM_qvo_Hash(benchmark::State& state) {
  CQVOString const s(kHashText);
  unsigned long out[2];
  for (auto _ : state) {
    s.Hash(out);
    benchmark::DoNotOptimize(out[0]);
  }
}
BENCHMARK(BM_qvo_Hash);

void BM_std_Hash(benchmark::State& state) {
  std::string const s(kHashText);
  for (auto _ : state) benchmark::DoNotOptimize(std::hash<std::string>()(s));
}
BENCHMARK(BM_std_Hash);

// The same two-word hash written by hand over a std::string: Hash is a serial chain of a multiplication
// and three more steps per byte, which std::hash (a different function) does not compute.
void BM_byhand_Hash(benchmark::State& state) {
  std::string const s(kHashText);
  unsigned long out[2];
  for (auto _ : state) {
    std::uint32_t a = 0x50305735u;
    std::uint32_t b = 0x12345671u;
    std::uint32_t k = 7;
    for (char ch : s) {
      std::uint32_t const c = static_cast<unsigned char>(ch);
      if (c == ' ' || c == '\t') continue;
      a ^= ((a & 0x3Fu) + k) * c + (a << 8);
      b += (b << 8) ^ a;
      k += c;
    }
    out[0] = a & 0x7FFFFFFFu;
    out[1] = b & 0x7FFFFFFFu;
    benchmark::DoNotOptimize(out[0]);
    benchmark::DoNotOptimize(out[1]);
  }
}
BENCHMARK(BM_byhand_Hash);

// ---- numbers and texts ----------------------------------------------------------------------------------

constexpr long kLong = -1234567890L;
constexpr double kDouble = 31415.9265358979;

// The value is hidden from the compiler, as a value read at run time is: std::to_string is inline and
// could otherwise work out the length of a constant's text while compiling.
void BM_qvo_LongToText(benchmark::State& state) {
  CQVOString s;
  for (auto _ : state) {
    long value = kLong;
    benchmark::DoNotOptimize(value);
    s = value;
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_LongToText);

void BM_std_LongToText(benchmark::State& state) {
  std::string s;
  for (auto _ : state) {
    long value = kLong;
    benchmark::DoNotOptimize(value);
    s = std::to_string(value);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_LongToText);

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_LongToText(benchmark::State& state) {
  std::string s;
  for (auto _ : state) {
    long value = kLong;
    benchmark::DoNotOptimize(value);
    s = Poco::NumberFormatter::format(value);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_LongToText);
#endif

void BM_qvo_DoubleToText(benchmark::State& state) {
  CQVOString s;
  for (auto _ : state) {
    s = kDouble;
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_DoubleToText);

// The same "%.10f" text through the runtime's formatter.
void BM_std_DoubleToText(benchmark::State& state) {
  std::string s;
  for (auto _ : state) {
    char buffer[64];
    int const n = std::snprintf(buffer, sizeof buffer, "%.10f", kDouble);
    s.assign(buffer, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_DoubleToText);

#if defined(QVO_BENCH_LIBRARY_PEERS)
// The same ten decimals.
void BM_poco_DoubleToText(benchmark::State& state) {
  std::string s;
  for (auto _ : state) {
    s = Poco::NumberFormatter::format(kDouble, 10);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_poco_DoubleToText);
#endif

void BM_qvo_TextToLong(benchmark::State& state) {
  CQVOString const s("-1234567890");
  for (auto _ : state) benchmark::DoNotOptimize(static_cast<long>(s));
}
BENCHMARK(BM_qvo_TextToLong);

void BM_std_TextToLong(benchmark::State& state) {
  std::string const s("-1234567890");
  for (auto _ : state) benchmark::DoNotOptimize(std::stol(s));
}
BENCHMARK(BM_std_TextToLong);

#if defined(QVO_BENCH_LIBRARY_PEERS)
// long is 64-bit here: POCO's parser of that width.
void BM_poco_TextToLong(benchmark::State& state) {
  std::string const s("-1234567890");
  for (auto _ : state) benchmark::DoNotOptimize(Poco::NumberParser::parse64(s));
}
BENCHMARK(BM_poco_TextToLong);
#endif

void BM_qvo_TextToDouble(benchmark::State& state) {
  CQVOString const s("31415.9265358979");
  for (auto _ : state) benchmark::DoNotOptimize(static_cast<double>(s));
}
BENCHMARK(BM_qvo_TextToDouble);

void BM_std_TextToDouble(benchmark::State& state) {
  std::string const s("31415.9265358979");
  for (auto _ : state) benchmark::DoNotOptimize(std::stod(s));
}
BENCHMARK(BM_std_TextToDouble);

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_TextToDouble(benchmark::State& state) {
  std::string const s("31415.9265358979");
  for (auto _ : state) benchmark::DoNotOptimize(Poco::NumberParser::parseFloat(s));
}
BENCHMARK(BM_poco_TextToDouble);
#endif

// ---- array texts of 1,000,000 values ---------------------------------------------------------------------

constexpr std::size_t kValues = 1000000;

std::vector<long> const& longValues() {
  static std::vector<long> const values = [] {
    std::mt19937 random(3);
    std::uniform_int_distribution<long> pick(-2000000000L, 2000000000L);
    std::vector<long> v(kValues);
    for (long& x : v) x = pick(random);
    return v;
  }();
  return values;
}

std::vector<double> const& doubleValues() {
  static std::vector<double> const values = [] {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> pick(-100000.0, 100000.0);
    std::vector<double> v(kValues);
    for (double& x : v) x = pick(random);
    return v;
  }();
  return values;
}

// The hand-written peer: the same array text with std::to_chars into a std::string.
template <typename T, typename Render>
std::string joinByHand(std::vector<T> const& values, Render render) {
  std::string out;
  char buffer[64];
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) out += '|';
    out.append(buffer, render(buffer, values[i]));
  }
  return out;
}

std::size_t longChars(char* buffer, long v) { return static_cast<std::size_t>(std::to_chars(buffer, buffer + 64, v).ptr - buffer); }
std::size_t doubleChars(char* buffer, double v) {
  return static_cast<std::size_t>(std::to_chars(buffer, buffer + 64, v, std::chars_format::fixed, 10).ptr - buffer);
}

// The hand-written peer parse: split at each bar and std::from_chars the piece.
template <typename T>
std::vector<T> splitByHand(std::string const& text) {
  std::vector<T> out;
  char const* p = text.data();
  char const* const end = p + text.size();
  while (p < end) {
    T value{};
    auto r = std::from_chars(p, end, value);
    out.push_back(value);
    p = r.ptr;
    while (p < end && *p != '|') ++p;
    ++p;
  }
  return out;
}

void BM_qvo_ArrayLongBuild(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(longValues());
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_ArrayLongBuild)->Unit(benchmark::kMillisecond);

void BM_std_ArrayLongBuild(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = joinByHand(longValues(), longChars);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_ArrayLongBuild)->Unit(benchmark::kMillisecond);

void BM_qvo_ArrayLongParse(benchmark::State& state) {
  CQVOString const s(longValues());
  for (auto _ : state) {
    std::vector<long> v = s.ConvertToLongVector();
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_qvo_ArrayLongParse)->Unit(benchmark::kMillisecond);

void BM_std_ArrayLongParse(benchmark::State& state) {
  std::string const s = joinByHand(longValues(), longChars);
  for (auto _ : state) {
    std::vector<long> v = splitByHand<long>(s);
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_std_ArrayLongParse)->Unit(benchmark::kMillisecond);

void BM_qvo_ArrayDoubleBuild(benchmark::State& state) {
  for (auto _ : state) {
    CQVOString s(doubleValues());
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_qvo_ArrayDoubleBuild)->Unit(benchmark::kMillisecond);

void BM_std_ArrayDoubleBuild(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = joinByHand(doubleValues(), doubleChars);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_std_ArrayDoubleBuild)->Unit(benchmark::kMillisecond);

void BM_qvo_ArrayDoubleParse(benchmark::State& state) {
  CQVOString const s(doubleValues());
  for (auto _ : state) {
    std::vector<double> v = s.ConvertToDoubleVector();
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_qvo_ArrayDoubleParse)->Unit(benchmark::kMillisecond);

void BM_std_ArrayDoubleParse(benchmark::State& state) {
  std::string const s = joinByHand(doubleValues(), doubleChars);
  for (auto _ : state) {
    std::vector<double> v = splitByHand<double>(s);
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_std_ArrayDoubleParse)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runBenchmarks(argc, argv,
                       {{"std", "std::string and the standard library's conversions"},
                        {"stdheap", "std::string whose token has a 16-byte heap buffer, as a CQVOString token has"},
                        {"byhand", "the same two-word hash written by hand over a std::string"},
#if defined(QVO_BENCH_LIBRARY_PEERS)
                        {"poco", "POCO 1.11 Foundation (Debian): Poco::replace, StringTokenizer (no options), Poco::trim, trimInPlace, "
                                 "NumberFormatter::format (doubles: 10 decimals), NumberParser::parse64/parseFloat"},
#endif
                       });
}
