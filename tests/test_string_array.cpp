// Tests of CQVOString array texts: vectors rendered with "|" and parsed back.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "QVOString.h"

namespace {

// The parse as a sequence of cuts from the front of a copy: the oracle that the one-pass parse must match.
template <typename Convert>
auto cutFromTheFront(CQVOString const& text, Convert convert) {
  std::vector<decltype(convert(CQVOString()))> result;
  CQVOString rest(text);
  if (rest.IsEmpty()) {
    result.push_back(convert(CQVOString()));
    return result;
  }
  for (;;) {
    CQVOString item = rest.Token("|");
    while (!rest.IsEmpty() && rest.startsWith("|")) {
      item += "|";
      item += rest.Token("|");
      item += rest.Token("|");
    }
    item.Trim(' ', false);
    unsigned const n = item.length();
    if (n > 0 && item[0u] == '"' && item[n - 1] == '"') item = item.substring(1, n >= 2 ? n - 2 : 0);
    result.push_back(convert(item));
    if (rest.IsEmpty()) return result;
  }
}

}  // namespace

TEST(StringArray, BuildsBarSeparatedTexts) {
  struct Case {
    const char* name;
    CQVOString got;
    std::string want;
  };
  unsigned long const umax = std::numeric_limits<unsigned long>::max();
  std::string const umaxText = std::to_string(umax);
  const Case cases[] = {
      {"long, separator argument ignored", CQVOString(std::vector<long>{1, -2, 3}, ";"), "1|-2|3"},
      {"empty vector", CQVOString(std::vector<long>{}, nullptr), ""},
      {"unsigned char", CQVOString(std::vector<unsigned char>{0, 7, 255}, nullptr), "00|07|0255"},
      {"char", CQVOString(std::vector<char>{-1, 7, 65}, nullptr), "065535|07|065"},
      {"short", CQVOString(std::vector<short>{-12, 32767}, nullptr), "-12|32767"},
      {"unsigned short", CQVOString(std::vector<unsigned short>{65535}, nullptr), "65535"},
      {"unsigned long", CQVOString(std::vector<unsigned long>{4000000000UL, umax}, nullptr), "4000000000|" + umaxText},
      {"double", CQVOString(std::vector<double>{0.5, -2}, nullptr), "0.5000000000|-2.0000000000"},
      {"float", CQVOString(std::vector<float>{2.5f}, nullptr), "2.5000000000"},
      {"strings up to NUL, bars kept", CQVOString(std::vector<std::string>{"a|b", std::string("c\0d", 3), ""}, nullptr),
       "a|b|c|"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(c.got.c_str(), c.got.length()), c.want) << c.name;
  // Assigned once into a string built empty: capacity 16, or by the growth rule.
  EXPECT_EQ(CQVOString(std::vector<long>{1}).capacity(), 16u);
  EXPECT_EQ(CQVOString(std::vector<long>(10, 1234)).capacity(), 51u);
  struct Capacity {
    const char* name;
    CQVOString got;
    unsigned length;
    unsigned capacity;
  };
  const Capacity built[] = {
      {"short doubles", CQVOString(std::vector<double>{0.5, -2}, nullptr), 26, 35},
      {"many doubles", CQVOString(std::vector<double>(1000, 1.5), nullptr), 12999, 13001},
      {"one char", CQVOString(std::vector<char>{'a'}, nullptr), 3, 16},
      {"many unsigned chars", CQVOString(std::vector<unsigned char>(3000, 200), nullptr), 14999, 15001},
  };
  for (const auto& c : built) {
    EXPECT_EQ(c.got.length(), c.length) << c.name;
    EXPECT_EQ(c.got.capacity(), c.capacity) << c.name;
    for (unsigned at = c.got.length(); at < c.got.capacity(); ++at) EXPECT_EQ(c.got.c_str()[at], '\0') << c.name;
  }
}

TEST(StringArray, ParsesElementsWithBlanksQuotesAndDoubledBars) {
  using Longs = std::vector<long>;
  using Strings = std::vector<std::string>;
  EXPECT_EQ(CQVOString("1|2|3").ConvertToLongVector(), (Longs{1, 2, 3}));
  EXPECT_EQ(CQVOString("|1").ConvertToLongVector(), (Longs{0, 1}));
  EXPECT_EQ(CQVOString("").ConvertToLongVector(), (Longs{0}));
  EXPECT_EQ(CQVOString("x|2").ConvertToLongVector(), (Longs{0, 2}));
  EXPECT_EQ(CQVOString(" 4 | \"5\" |6|").ConvertToLongVector(), (Longs{4, 5, 6}));
  EXPECT_EQ(CQVOString("1| |3").ConvertToLongVector(), (Longs{1, 0, 3}));
  EXPECT_EQ(CQVOString("a||b|c").ConvertToStringVector(), (Strings{"a|b", "c"}));
  EXPECT_EQ(CQVOString("a|||b").ConvertToStringVector(), (Strings{"a|", "b"}));
  EXPECT_EQ(CQVOString("a||||b").ConvertToStringVector(), (Strings{"a||b"}));
  EXPECT_EQ(CQVOString("").ConvertToStringVector(), (Strings{""}));
  EXPECT_EQ(CQVOString(" \"x y\" ").ConvertToStringVector(), (Strings{"x y"}));
  EXPECT_EQ(CQVOString("\"|\"").ConvertToStringVector(), (Strings{"", ""}));
  EXPECT_EQ(CQVOString(std::vector<std::string>{"a|b"}).ConvertToStringVector(), (Strings{"a", "b"}));
  EXPECT_EQ(CQVOString("70000").ConvertToShortVector(), (std::vector<short>{4464}));
  EXPECT_EQ(CQVOString("70000|-1").ConvertToUShortVector(), (std::vector<unsigned short>{4464, 65535}));
  long const lmax = std::numeric_limits<long>::max();
  long const lmin = std::numeric_limits<long>::min();
  EXPECT_EQ(CQVOString("99999999999999999999|-99999999999999999999|+5").ConvertToLongVector(),
            (Longs{lmax, lmin, 5}));
  EXPECT_EQ(CQVOString("99999999999999999999").ConvertToULongVector(),
            (std::vector<unsigned long>{std::numeric_limits<unsigned long>::max()}));
  EXPECT_EQ(CQVOString("-1").ConvertToULongVector(),
            (std::vector<unsigned long>{std::numeric_limits<unsigned long>::max()}));
  EXPECT_EQ(CQVOString("07|065|065535").ConvertToCharVector(), (std::vector<char>{7, 65, -1}));
  EXPECT_EQ(CQVOString("A|bc|7|").ConvertToCharVector(), (std::vector<char>{65, 98, 55}));
  EXPECT_EQ(CQVOString("00|07|0255|x").ConvertToUCharVector(), (std::vector<unsigned char>{0, 7, 255, 'x'}));
  EXPECT_EQ(CQVOString(" 0.5|1e1 ").ConvertToDoubleVector(), (std::vector<double>{0.5, 10.0}));
  EXPECT_EQ(CQVOString("0.25|x").ConvertToFloatVector(), (std::vector<float>{0.25f, 0.0f}));
}

TEST(StringArray, RoundTripsEveryElementType) {
  std::vector<char> const chars{5, -3, 0, 127, -128};
  EXPECT_EQ(CQVOString(chars).ConvertToCharVector(), chars);
  std::vector<unsigned char> const uchars{0, 1, 200, 255};
  EXPECT_EQ(CQVOString(uchars).ConvertToUCharVector(), uchars);
  std::vector<short> const shorts{-32768, 0, 32767};
  EXPECT_EQ(CQVOString(shorts).ConvertToShortVector(), shorts);
  std::vector<unsigned short> const ushorts{0, 65535};
  EXPECT_EQ(CQVOString(ushorts).ConvertToUShortVector(), ushorts);
  std::vector<long> const longs{std::numeric_limits<long>::min(), -1, 0, std::numeric_limits<long>::max()};
  EXPECT_EQ(CQVOString(longs).ConvertToLongVector(), longs);
  std::vector<unsigned long> const ulongs{0, std::numeric_limits<unsigned long>::max()};
  EXPECT_EQ(CQVOString(ulongs).ConvertToULongVector(), ulongs);
  std::vector<double> const doubles{-1.5, 0.0009765625, 1e15, 123456.75};  // exact in 10 decimals
  EXPECT_EQ(CQVOString(doubles).ConvertToDoubleVector(), doubles);
  std::vector<float> const floats{0.5f, -3.25f};
  EXPECT_EQ(CQVOString(floats).ConvertToFloatVector(), floats);
  std::vector<std::string> const strings{"one", "two words", "x"};
  EXPECT_EQ(CQVOString(strings).ConvertToStringVector(), strings);
}

// Texts of any bytes parse to what the documented cut-from-the-front steps give, never failing.
TEST(StringArray, AnyTextParsesLikeCuttingFromTheFront) {
  std::mt19937 random(2024);
  // Any bytes, then long runs of digits (numbers read eight digits at a time, up to and past the width
  // of a long, cut by a bar, a sign or a letter anywhere).
  std::string const alphabets[] = {std::string("12- ||\"\0\tx\xE9.5e0+9", 17), "1234567890987654321|-x."};
  for (int round = 0; round < 40000; ++round) {
    std::string const& alphabet = alphabets[round % 2];
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> size(0, round % 2 == 0 ? 24 : 64);
    std::string bytes(static_cast<std::size_t>(size(random)), ' ');
    for (char& c : bytes) c = alphabet[pick(random)];
    CQVOString const text(bytes.data(), static_cast<unsigned>(bytes.size()));
    ASSERT_EQ(text.ConvertToStringVector(),
              cutFromTheFront(text, [](CQVOString const& s) { return std::string(s.c_str()); }))
        << round;
    ASSERT_EQ(text.ConvertToLongVector(), cutFromTheFront(text, [](CQVOString const& s) { return long(s); }))
        << round;
    ASSERT_EQ(text.ConvertToCharVector(), cutFromTheFront(text, [](CQVOString const& s) { return char(s); }))
        << round;
    ASSERT_EQ(text.ConvertToUCharVector(),
              cutFromTheFront(text, [](CQVOString const& s) { return static_cast<unsigned char>(s); }))
        << round;
    ASSERT_EQ(text.ConvertToShortVector(), cutFromTheFront(text, [](CQVOString const& s) { return short(s); }))
        << round;
    ASSERT_EQ(text.ConvertToUShortVector(),
              cutFromTheFront(text, [](CQVOString const& s) { return static_cast<unsigned short>(s); }))
        << round;
    ASSERT_EQ(text.ConvertToULongVector(),
              cutFromTheFront(text, [](CQVOString const& s) { return static_cast<unsigned long>(s); }))
        << round;
    ASSERT_EQ(text.ConvertToFloatVector(), cutFromTheFront(text, [](CQVOString const& s) { return float(s); }))
        << round;
    auto const doubles = text.ConvertToDoubleVector();
    auto const expected = cutFromTheFront(text, [](CQVOString const& s) { return double(s); });
    ASSERT_EQ(doubles.size(), expected.size()) << round;
    for (std::size_t i = 0; i < doubles.size(); ++i) {
      ASSERT_EQ(std::memcmp(&doubles[i], &expected[i], sizeof(double)), 0) << round;
    }
  }
  // The string itself is not changed by a parse.
  CQVOString const kept(" 1 || 2 ");
  kept.ConvertToLongVector();
  EXPECT_STREQ(kept.c_str(), " 1 || 2 ");
}

// A long text of bars, quotes and blanks ends and gives one element per bar-separated piece.
TEST(StringArray, LongDegenerateTextsParseCompletely) {
  std::string const bars(200000, '|');
  EXPECT_EQ(CQVOString(bars).ConvertToStringVector(), std::vector<std::string>(1, std::string(100000, '|')));
  std::string blanks(100000, ' ');
  blanks += "|7";
  EXPECT_EQ(CQVOString(blanks).ConvertToLongVector(), (std::vector<long>{0, 7}));
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "\"1\"|";
  EXPECT_EQ(CQVOString(many).ConvertToLongVector(), std::vector<long>(100000, 1));
  // Elements that get shorter as the text goes on, and the other way round: every one is read.
  for (bool shortFirst : {false, true}) {
    std::vector<double> expected;
    for (int i = 0; i < 30000; ++i) expected.push_back((i < 15000) == shortFirst ? 5.0 : -12345.6789012345 - i);
    std::vector<double> const parsed = CQVOString(expected).ConvertToDoubleVector();
    ASSERT_EQ(parsed.size(), expected.size()) << shortFirst;
    for (std::size_t i = 0; i < parsed.size(); ++i) ASSERT_NEAR(parsed[i], expected[i], 1e-9) << i;
  }
}
