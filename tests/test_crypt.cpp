// Tests of CQVORandom and CQVOCrypt: fixed sequences and fixed ciphertexts that every target must
// reproduce, round trips, and the stream's behaviour across calls, resets and copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "QVOCrypt.h"

namespace {

constexpr double kModulus = 1073741823.0;

// The next value of the generator as the state word it was divided from.
unsigned long nextWord(CQVORandom& random) {
  return static_cast<unsigned long>(std::lround(random.Rand() * kModulus));
}

std::vector<unsigned long> words(CQVORandom& random, size_t count) {
  std::vector<unsigned long> out;
  for (size_t i = 0; i < count; ++i) out.push_back(nextWord(random));
  return out;
}

std::string hex(CQVOString const& text) {
  std::string out;
  char pair[3];
  for (unsigned int i = 0; i < text.length(); ++i) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(text.begin()[i]));
    out += pair;
  }
  return out;
}

CQVOString bytes(std::string const& text) {
  return CQVOString(text.data(), static_cast<unsigned int>(text.size()));
}

std::string allByteValues() {
  std::string text;
  for (int i = 0; i < 256; ++i) text += static_cast<char>(i);
  return text + text;  // twice, so each value meets two different masks
}

}  // namespace

TEST(CQVORandom, FreshGeneratorGivesFixedSequence) {
  CQVORandom random;
  EXPECT_DOUBLE_EQ(random.Rand(), 986.0 / kModulus);
  EXPECT_EQ(words(random, 5), (std::vector<unsigned long>{4198, 18065, 77764, 334658, 1440031}));
}

TEST(CQVORandom, SeededGeneratorGivesFixedSequence) {
  struct Case {
    unsigned long seed1, seed2;
    std::vector<unsigned long> expected;
  };
  const Case cases[] = {
      {123456789ul, 987654321ul, {284282865, 1051043991, 107404101, 605114034, 555874254, 964029201}},
      // Seeds are taken modulo 1073741823: 0xFFFFFFFF becomes 3 and 1073741823 becomes 0.
      {0xFFFFFFFFul, 1073741823ul, {9, 69, 351, 1581}},
      {1073741823ul, 0ul, {0, 33, 198, 924}},
  };
  for (const auto& c : cases) {
    CQVORandom random;
    random.SetSeed(c.seed1, c.seed2);
    EXPECT_EQ(words(random, c.expected.size()), c.expected) << c.seed1 << ", " << c.seed2;
  }
}

TEST(CQVORandom, ValuesStayInUnitIntervalAndCopiesContinueTheSequence) {
  CQVORandom random;
  random.SetSeed(42, 4242);
  for (int i = 0; i < 10000; ++i) {
    const double x = random.Rand();
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
  }
  CQVORandom copy(random);
  CQVORandom assigned;
  assigned = random;
  const auto expected = words(random, 4);
  EXPECT_EQ(words(copy, 4), expected);
  EXPECT_EQ(words(assigned, 4), expected);
}

// Ciphertexts fixed once and for all: a text enciphered on one target must decode on the other.
TEST(CQVOCrypt, EnciphersFixedTextsToFixedBytes) {
  struct Case {
    std::string key, clear, cipher;
  };
  const Case cases[] = {
      {"QVOBase", "Hello, World!", "E70C3FA2DAFA75BB6E3BE758A7"},
      {"", "abc", "C45BFA"},
      {"secret key", std::string("\x00\x01\x7F\x80\xFE\xFF\x00\x00" "AB", 10), "131FCF11E34CB64AF5DB"},
      {"cl\xE9 \t8", std::string("line one\nline\0two\r\n", 19), "0B45FD1D3B46DC193BC8D86C03C4492838775C"},
      {"abc", "The quick brown fox jumps over the lazy dog",
       "71A6D74398AE2F794A245F6FF7F06A762B5958D3BE922A539F62A92911C6600B78209B4EF8FECFCE2CC660"},
  };
  for (const auto& c : cases) {
    CQVOString text = bytes(c.clear);
    CQVOCrypt(bytes(c.key)).Encode(text);
    EXPECT_EQ(hex(text), c.cipher) << "key " << c.key;
    CQVOCrypt(bytes(c.key)).Decode(text);
    EXPECT_EQ(std::string(text.begin(), text.length()), c.clear) << "key " << c.key;
  }
}

TEST(CQVOCrypt, ResetThenDecodeRestoresEveryByteValue) {
  const std::string clear = allByteValues();
  CQVOCrypt crypt(CQVOString("round trip"));
  CQVOString text = bytes(clear);
  crypt.Encode(text);
  EXPECT_EQ(text.length(), clear.size());
  EXPECT_NE(std::string(text.begin(), text.length()), clear);
  crypt.Reset();
  crypt.Decode(text);
  EXPECT_EQ(std::string(text.begin(), text.length()), clear);
}

TEST(CQVOCrypt, StreamContinuesAcrossCallsAndCopies) {
  const std::string clear = allByteValues();
  const CQVOString key("stream");
  CQVOString whole = bytes(clear);
  CQVOCrypt(key).Encode(whole);

  // Two halves, with an empty text in between that must not advance the stream.
  CQVOCrypt split(key);
  CQVOString first = bytes(clear.substr(0, 100)), empty, second = bytes(clear.substr(100));
  split.Encode(first);
  CQVOCrypt copy(split);
  split.Encode(empty);
  EXPECT_EQ(empty.length(), 0u);
  split.Encode(second);
  EXPECT_EQ(hex(first) + hex(second), hex(whole));

  // The copy taken after the first half continues where its source stood.
  CQVOString secondAgain = bytes(clear.substr(100));
  copy.Encode(secondAgain);
  EXPECT_EQ(hex(secondAgain), hex(second));

  // Assignment, too, takes over the stream's position.
  CQVOCrypt assigned(CQVOString("other key"));
  assigned = copy;
  assigned.Reset();
  CQVOString again = bytes(clear);
  assigned.Encode(again);
  EXPECT_EQ(hex(again), hex(whole));
}

TEST(CQVOCrypt, SameKeySameBytesDifferentKeysDifferentBytes) {
  const std::string clear = "attack at dawn, attack at dawn";
  auto encode = [&](const char* key) {
    CQVOString text = bytes(clear);
    CQVOCrypt(CQVOString(key)).Encode(text);
    return hex(text);
  };
  EXPECT_EQ(encode("alpha"), encode("alpha"));
  EXPECT_EQ(encode("a l\tpha"), encode("alpha"));  // blanks in the key do not count
  EXPECT_NE(encode("alpha"), encode("alphb"));
  EXPECT_NE(encode("alpha"), encode("Alpha"));
}
