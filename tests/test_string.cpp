// Tests of EQVO::String and CQVOString: storage, text operations, number texts and the CQVOString adapters.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "QVOString.h"
#include "core/text_alloc.h"

using EQVO::String;

namespace {

// All stored bytes of a string, embedded NULs included.
std::string bytes(String const& s) { return std::string(s.str(), s.length()); }

String withBytes(char const* text, int count) { return String(text, count); }

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Storage and growth

TEST(StringStorage, CapacityFollowsHowTheStringWasBuilt) {
  struct Case {
    const char* name;
    std::function<String()> build;
    std::string text;
    unsigned capacity;
  };
  String wide(std::string(99, 'y').c_str());  // capacity 100
  wide = "x";
  const Case cases[] = {
      {"default", [] { return String(); }, "", 16},
      {"text and count", [] { return String("abc", 2); }, "ab", 16},
      {"null text", [] { return String(nullptr, -1); }, "", 16},
      {"16-byte text", [] { return String("0123456789abcdef"); }, "0123456789abcdef", 17},
      {"copy keeps capacity", [&] { return String(wide); }, "x", 100},
      {"NUL character", [] { return String('\0'); }, "", 3},
      {"character", [] { return String('q'); }, "q", 3},
      {"number", [] { return String(5, nullptr); }, "5", 3},
      {"bool", [] { return String(true); }, "1", 3},
      {"substring short", [] { return String("abcdefghijklmnopqrstuvwxyz").substring(1, 3); }, "bcd", 16},
      {"substring long", [] { return String("abcdefghijklmnopqrstuvwxyz").substring(2, 100); },
       "cdefghijklmnopqrstuvwxyz", 25},
      {"text + string", [] { return "ab" + String("cd"); }, "abcd", 16},
  };
  for (const auto& c : cases) {
    String s = c.build();
    EXPECT_EQ(bytes(s), c.text) << c.name;
    EXPECT_EQ(s.capacity(), c.capacity) << c.name;
    ASSERT_NE(s.str(), nullptr) << c.name;
    EXPECT_EQ(s.str()[s.length()], '\0') << c.name;
  }
}

// Released 16-byte buffers may be handed to the thread's next strings: each must still come up cleared
// over its whole room, whichever way the string is built.
TEST(StringStorage, ShortBuffersUsedBeforeReadAsZerosBehindTheText) {
  const std::function<String()> builds[] = {
      [] { return String(); },
      [] { return String("ab"); },
      [] { return String("abc", 1); },
      [] { return String("abcdefghijklmnopqrstuvwxyz").substring(3, 2); },
      [] { return String("x,yz").token(','); },
      [] {
        String s('q');
        s += "0123456789abc";  // grown from capacity 3 to 16
        return s;
      },
  };
  for (std::size_t i = 0; i < std::size(builds); ++i) {
    {
      // Dirty every byte of a batch of 16-byte buffers, then release them.
      std::vector<String> dirty(40);
      for (String& d : dirty) {
        d = "ZZZZZZZZZZZZZZZ";
        ASSERT_EQ(d.capacity(), 16u);
      }
    }
    // Built in place (a copy would take a buffer of its own): 40 at once, more than any thread keeps.
    std::vector<std::unique_ptr<String>> fresh;
    for (int k = 0; k < 40; ++k) fresh.emplace_back(new String(builds[i]()));
    for (auto const& built : fresh) {
      String const& s = *built;
      ASSERT_EQ(s.capacity(), 16u) << "build " << i;
      for (unsigned at = s.length(); at < s.capacity(); ++at) {
        EXPECT_EQ(s.str()[at], '\0') << "build " << i << " byte " << at;
      }
    }
  }
}

// Short strings made on one thread and released on another, by threads that then end: every text stays
// its own (no buffer is handed to two strings) and what each thread keeps goes back when it ends.
TEST(StringStorage, ShortStringsCrossThreadsThatEnd) {
  constexpr int kThreads = 4;
  constexpr int kStrings = 500;
  std::vector<std::vector<String>> made(kThreads);
  for (int round = 0; round < 3; ++round) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        std::vector<String> mine;
        for (int i = 0; i < kStrings; ++i) {
          String line("a,b,c");
          String token = line.token(',');
          mine.push_back(String(std::to_string(t * kStrings + i).c_str()));
          EXPECT_EQ(bytes(token), "a");
        }
        made[t].swap(mine);
      });
    }
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
      for (int i = 0; i < kStrings; ++i) ASSERT_EQ(bytes(made[t][i]), std::to_string(t * kStrings + i));
    }
    // The strings of this round are released by yet another thread.
    std::vector<std::vector<String>> old(kThreads);
    old.swap(made);
    made.assign(kThreads, {});
    std::thread releaser([&old] { old.clear(); });
    releaser.join();
  }
}

// A buffer grown where it lies keeps what was behind the old terminator only as far as the text now
// reaches: the room behind the new text reads as zeros, as in a fresh buffer.
TEST(StringStorage, GrowthLeavesZerosBehindTheText) {
  const std::function<void(String&)> grows[] = {
      [](String& s) { s += "0123456789abcdefghij"; },
      [](String& s) {
        for (int i = 0; i < 40; ++i) s += 'q';
      },
      [](String& s) { s.insert(1, String("0123456789abcdefghij")); },
      [](String& s) { s += s; s += s; s += s; s += s; s += s; },
      [](String& s) { s.append(String(std::string(5000, 'w').c_str())); },
  };
  for (std::size_t i = 0; i < std::size(grows); ++i) {
    String s("ABCDEFGHIJKLMNO");  // capacity 16, every byte used
    s = "ab";                     // the old bytes stay behind the terminator
    unsigned const before = s.capacity();
    {
      // Blocks of the sizes growth asks for, written over and released: the allocator hands them out
      // again, so the room is zero only if growth clears it.
      std::vector<std::unique_ptr<char[]>> dirty;
      for (std::size_t size = 24; size < 20000; size = size * 2 + 3) {
        for (int k = 0; k < 4; ++k) {
          dirty.emplace_back(new char[size]);
          std::memset(dirty.back().get(), 'Z', size);
        }
      }
    }
    grows[i](s);
    ASSERT_GT(s.capacity(), before) << i;
    for (unsigned at = s.length(); at < s.capacity(); ++at) {
      ASSERT_EQ(s.str()[at], '\0') << "case " << i << " byte " << at << " of " << s.capacity();
    }
  }
}

TEST(StringStorage, GrowthTakesTwiceThePlusThreeAndNeverShrinks) {
  String s("abcdefghijklmn");  // 14 bytes, capacity 16
  s += "12345";
  EXPECT_EQ(s.capacity(), 35u);
  s += String(std::string(30, 'x').c_str());  // needs 50: max(72, 50) + 1
  EXPECT_EQ(s.capacity(), 73u);
  s = "a";
  EXPECT_EQ(s.capacity(), 73u);
  s.setEmpty();
  EXPECT_EQ(s.capacity(), 73u);
  EXPECT_TRUE(s.empty());

  String n(7, nullptr);  // capacity 3
  n += "abcd";           // needs 6: max(8, 6) + 1
  EXPECT_EQ(n.capacity(), 9u);
  EXPECT_STREQ(n.str(), "7abcd");
}

// The capacity each operation leaves, by the documented rules: a text that fits keeps the buffer, growth
// takes max(2 * capacity + 2, length + 1) + 1, and the buffer never shrinks. Faster paths must keep these.
TEST(StringStorage, CapacityAfterEachOperation) {
  std::string const twenty(20, 'a');
  struct Case {
    const char* name;
    std::function<CQVOString()> start;
    std::function<void(CQVOString&)> op;
    std::string text;
    unsigned capacity;
  };
  auto fourteen = [] { return CQVOString("abcdefghijklmn"); };  // capacity 16
  auto fifteen = [] { return CQVOString("abcdefghijklmno"); };  // capacity 16, one byte of room left
  auto number = [] { return CQVOString(7, nullptr); };          // "7", capacity 3
  const Case cases[] = {
      {"char fits", fourteen, [](CQVOString& s) { s += 'x'; }, "abcdefghijklmnx", 16},
      {"char grows", fifteen, [](CQVOString& s) { s += 'x'; }, "abcdefghijklmnox", 35},
      {"char on a number fits", number, [](CQVOString& s) { s += 'x'; }, "7x", 3},
      {"two chars on a number grow", number, [](CQVOString& s) { s += 'x', s += 'y'; }, "7xy", 9},
      {"text grows", fourteen, [](CQVOString& s) { s += "12345"; }, "abcdefghijklmn12345", 35},
      {"text fits to the last byte", fourteen, [](CQVOString& s) { s += "1"; }, "abcdefghijklmn1", 16},
      {"string grows", fourteen, [](CQVOString& s) { s += CQVOString("12"); }, "abcdefghijklmn12", 35},
      {"long appended grows", fourteen, [](CQVOString& s) { s += -12L; }, "abcdefghijklmn-12", 35},
      {"long appended fits", [] { return CQVOString("abc"); }, [](CQVOString& s) { s += 1234567890L; },
       "abc1234567890", 16},
      {"double appended", [] { return CQVOString("ab"); }, [](CQVOString& s) { s += 0.5; }, "ab0.5000000000", 16},
      {"long assigned fits", [] { return CQVOString(); }, [](CQVOString& s) { s = -1234567890L; }, "-1234567890", 16},
      {"long assigned to a number grows", number, [](CQVOString& s) { s = -1234567890L; }, "-1234567890", 13},
      {"unsigned assigned", number, [](CQVOString& s) { s = 4294967295u; }, "4294967295", 12},
      {"short text assigned keeps the buffer", fourteen, [](CQVOString& s) { s = "a"; }, "a", 16},
      {"long text assigned grows", [] { return CQVOString("abc"); }, [&](CQVOString& s) { s = twenty.c_str(); },
       twenty, 35},
      {"insert grows", fourteen, [](CQVOString& s) { s.insert(0, "xyz"); }, "xyzabcdefghijklmn", 35},
      {"erase keeps", fourteen, [](CQVOString& s) { s.erase(1, -1); }, "a", 16},
      {"trim keeps", [] { return CQVOString("  ab  "); }, [](CQVOString& s) { s.Trim(); }, "ab", 16},
      {"token keeps the rest's buffer", [] { return CQVOString("key:value"); }, [](CQVOString& s) { s.Token(':'); },
       "value", 16},
      {"replace grows at the third match", [] { return CQVOString("aaa"); },
       [](CQVOString& s) { s.Replace("a", "bcdefg", true); }, "bcdefgbcdefgbcdefg", 35},
      // The copy has capacity 21 and grows to 45 for 22 bytes; the assignment grows the same way.
      {"concatenation assigned", [&] { return CQVOString(twenty.c_str()); }, [](CQVOString& s) { s = s + "b"; },
       twenty + "b", 45},
  };
  for (const auto& c : cases) {
    CQVOString s = c.start();
    c.op(s);
    EXPECT_EQ(bytes(s), c.text) << c.name;
    EXPECT_EQ(s.capacity(), c.capacity) << c.name;
  }

  // What a cut token and an array text are given: a string built empty (16), then the growth rule.
  struct Built {
    const char* name;
    CQVOString got;
    std::string text;
    unsigned capacity;
  };
  CQVOString shortRest("key:value");
  CQVOString longRest((twenty + ":b").c_str());
  CQVOString noSeparator("abc");
  const Built built[] = {
      {"short token", shortRest.Token(':'), "key", 16},
      {"long token", longRest.Token(':'), twenty, 35},
      {"token without separator", noSeparator.Token(','), "abc", 16},
      {"text token", CQVOString("a::b").Token("::"), "a", 16},
      {"array text of 15 bytes", CQVOString(std::vector<long>{1234, 1234, 1234}), "1234|1234|1234", 16},
      {"array text of 16 bytes", CQVOString(std::vector<long>{1234, 1234, 1234, 1}), "1234|1234|1234|1", 35},
      {"array text of shorts", CQVOString(std::vector<short>{-1, 2}), "-1|2", 16},
      {"array text of unsigned shorts", CQVOString(std::vector<unsigned short>(4, 65535)),
       "65535|65535|65535|65535", 35},
      {"array text of characters", CQVOString(std::vector<char>{7}), "07", 16},
      {"array text of doubles", CQVOString(std::vector<double>{0.5, 1.5}), "0.5000000000|1.5000000000", 35},
  };
  for (const auto& b : built) {
    EXPECT_EQ(bytes(b.got), b.text) << b.name;
    EXPECT_EQ(b.got.capacity(), b.capacity) << b.name;
  }
  EXPECT_EQ(bytes(longRest), "b");
  EXPECT_EQ(longRest.capacity(), 23u);
  EXPECT_EQ(noSeparator.capacity(), 16u);
}

TEST(StringStorage, AssignmentCopiesEveryStoredByte) {
  String source = withBytes("a\0b", 3);
  String target("xxxxxxxx");
  target = source;
  EXPECT_EQ(bytes(target), std::string("a\0b", 3));
  EXPECT_EQ(target.capacity(), 16u);
  target = target;  // self-assignment keeps everything
  EXPECT_EQ(bytes(target), std::string("a\0b", 3));
}

TEST(StringStorage, AppendingUsesStoredLengthAndCharactersAddEmbeddedNul) {
  String s("ab");
  s += '\0';
  s += 'c';
  EXPECT_EQ(bytes(s), std::string("ab\0c", 4));
  String t("x");
  t += s;  // all stored bytes
  EXPECT_EQ(bytes(t), std::string("xab\0c", 5));
  t += t.str();  // a text stops at its NUL
  EXPECT_EQ(bytes(t), std::string("xab\0cxab", 8));
  String u("ab");
  u += u;
  EXPECT_EQ(bytes(u), "abab");
  EXPECT_EQ(bytes(String("ab") + 'c' + "de" + String("f")), "abcdef");
}

TEST(StringStorage, NegativeIndexReadsLastByteOrTheTerminator) {
  String abc("abc");
  EXPECT_EQ(abc.charAt(-1L), 'c');
  EXPECT_EQ(abc[-1], 'c');
  EXPECT_EQ(abc[-1L], 'c');
  EXPECT_EQ(abc.charAt(1UL), 'b');
  abc[-1] = 'z';
  EXPECT_STREQ(abc.str(), "abz");
  String const empty;
  EXPECT_EQ(empty.charAt(-1L), '\0');
  EXPECT_EQ(empty[-1], '\0');
  EXPECT_EQ(&empty[-1L], empty.str());
}

// Memory running out while a string grows: the operation throws std::bad_alloc and the string keeps its
// old text; once memory is back, the same operation succeeds.
TEST(StringStorage, AGrowthWithoutMemoryThrowsAndKeepsTheOldText) {
  struct Limit {
    explicit Limit(std::size_t bytes) { EQVO::detail::limitTextAllocation(bytes); }
    ~Limit() { EQVO::detail::limitTextAllocation(0); }
  };
  std::string const big(100, 'b');
  struct Case {
    char const* name;
    std::function<void(String&)> grow;
  };
  const Case cases[] = {
      {"+=", [&](String& s) { s += big.c_str(); }},
      {"append self", [](String& s) { s.append(s); }},
      {"insert", [&](String& s) { s.insert(2, big.c_str()); }},
      {"assign", [&](String& s) { s = big.c_str(); }},
      {"replace all", [](String& s) { s.replace("a", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", true); }},
      {"+= number", [](String& s) {
         for (int i = 0; i < 3; ++i) s += 1234567890L;
       }},
  };
  std::string const old(30, 'a');
  for (auto const& c : cases) {
    String s(old.c_str());  // capacity 31
    {
      Limit const limit(40);
      EXPECT_THROW(c.grow(s), std::bad_alloc) << c.name;
    }
    EXPECT_EQ(bytes(s), old) << c.name;
    EXPECT_EQ(s.capacity(), 31u) << c.name;
    EXPECT_NO_THROW(c.grow(s)) << c.name;
    EXPECT_GT(s.capacity(), 40u) << c.name;
  }
  String const source(big.c_str());
  Limit const limit(40);
  EXPECT_THROW(String(big.c_str()), std::bad_alloc);
  EXPECT_THROW((void)source.substring(0, 100), std::bad_alloc);
  EXPECT_EQ(bytes(source.substring(0, 10)), big.substr(0, 10));
}

// A null text where a text is expected counts as the empty text.
TEST(StringNull, NullTextIsTheEmptyText) {
  char const* const none = nullptr;
  String s("abc");
  s += none;
  EXPECT_STREQ(s.str(), "abc");
  s.append(none);
  EXPECT_STREQ(s.str(), "abc");
  EXPECT_STREQ((s + none).str(), "abc");
  EXPECT_STREQ((none + s).str(), "abc");
  EXPECT_EQ(s.indexOf(none, 1), 1);
  EXPECT_FALSE(s.consistsOfChars(none));
  EXPECT_TRUE(String().consistsOfChars(none));
  EXPECT_TRUE(s.insert(1, none));
  EXPECT_STREQ(s.str(), "abc");
  EXPECT_STREQ(s.token(none).str(), "abc");
  EXPECT_STREQ(s.str(), "abc");
  EXPECT_FALSE(s.replace(none, "x", true));
  EXPECT_FALSE(s.replace("a", none, true));
  EXPECT_FALSE(s.equals(none));
  EXPECT_TRUE(s != none);
  EXPECT_FALSE(s.startsWith(none));
  EXPECT_FALSE(s.endsWith(none));
  EXPECT_FALSE(s.equalsIgnoreCase(none));
  s = none;
  EXPECT_TRUE(s.empty());
  CQVOString c("abc");
  c = none;
  EXPECT_TRUE(c.IsEmpty());
  c = static_cast<unsigned char*>(nullptr);
  EXPECT_TRUE(c.IsEmpty());
  EXPECT_TRUE(CQVOString(none).IsEmpty());
}

// Every operation whose argument lies in the string itself gives the result it gives with a copy.
TEST(StringAliasing, ArgumentInsideTheStringActsAsACopy) {
  struct Case {
    const char* name;
    std::function<void(String&, String const&)> op;  // second argument: the string itself, or a copy of it
  };
  const Case cases[] = {
      {"insert itself", [](String& s, String const& a) { s.insert(1, a); }},
      {"insert own text", [](String& s, String const& a) { s.insert(0, a.str() + 1); }},
      {"append itself", [](String& s, String const& a) { s += a; }},
      {"append own text", [](String& s, String const& a) { s += a.str(); }},
      {"append own tail", [](String& s, String const& a) { s.append(a.str() + 2); }},
      {"plus own text", [](String& s, String const& a) { s = s + a.str(); }},
      {"assign own tail", [](String& s, String const& a) { s = a.str() + 2; }},
      {"replace own text", [](String& s, String const& a) { EXPECT_TRUE(s.replace(a.str(), "x", true)); }},
      {"replace by own text", [](String& s, String const& a) { s.replace("c", a.str(), true); }},
      {"token by own tail",
       [](String& s, String const& a) {
         String const t = s.token(a.str() + 3);
         s = t + "/" + s;
       }},
      {"token by itself",
       [](String& s, String const& a) {
         String const t = s.token(a);
         s = t + "/" + s;
       }},
      {"index of itself", [](String& s, String const& a) { s = String(s.indexOf(a, 0, true), nullptr); }},
  };
  for (const auto& c : cases) {
    String viaSelf("abcdefghijklmn");  // 14 bytes in 16: most operations must grow
    String viaCopy("abcdefghijklmn");
    String const copy(viaCopy);
    c.op(viaSelf, viaSelf);
    c.op(viaCopy, copy);
    EXPECT_EQ(bytes(viaSelf), bytes(viaCopy)) << c.name;
    EXPECT_EQ(viaSelf.capacity(), viaCopy.capacity()) << c.name;
  }
}

// ---------------------------------------------------------------------------------------------------------
// Insertion, erasure, substrings

TEST(StringEdit, InsertAndEraseValidateTheirRange) {
  struct Case {
    const char* name;
    std::function<bool(String&)> op;
    bool result;
    const char* text;
  };
  const Case cases[] = {
      {"insert at length appends", [](String& s) { return s.insert(3, "d"); }, true, "abcd"},
      {"insert beyond length", [](String& s) { return s.insert(4, "d"); }, false, "abc"},
      {"insert string", [](String& s) { return s.insert(1, String("XY")); }, true, "aXYbc"},
      {"insert char", [](String& s) { return s.insert(0, 'Z'); }, true, "Zabc"},
      {"insert empty", [](String& s) { return s.insert(2, ""); }, true, "abc"},
      {"eraseRange one byte", [](String& s) { return s.eraseRange(1, -1); }, true, "ac"},
      {"eraseRange span", [](String& s) { return s.eraseRange(0, 2); }, true, "c"},
      {"eraseRange empty span", [](String& s) { return s.eraseRange(1, 1); }, true, "abc"},
      {"eraseRange reversed", [](String& s) { return s.eraseRange(2, 1); }, false, "abc"},
      {"eraseRange negative end", [](String& s) { return s.eraseRange(0, -2); }, false, "abc"},
      {"eraseRange past end", [](String& s) { return s.eraseRange(1, 4); }, false, "abc"},
      {"eraseRange at length", [](String& s) { return s.eraseRange(3, -1); }, false, "abc"},
      {"erase to end", [](String& s) { return s.erase(1, -1); }, true, "a"},
      {"erase count", [](String& s) { return s.erase(1, 1); }, true, "ac"},
      {"erase at length", [](String& s) { return s.erase(3, 1); }, false, "abc"},
      {"erase negative count", [](String& s) { return s.erase(0, -2); }, false, "abc"},
      {"erase huge count", [](String& s) { return s.erase(1, INT_MAX); }, false, "abc"},
  };
  for (const auto& c : cases) {
    String s("abc");
    EXPECT_EQ(c.op(s), c.result) << c.name;
    EXPECT_EQ(bytes(s), c.text) << c.name;
  }
}

TEST(StringEdit, SubstringClampsToTheText) {
  String const s("abc");
  EXPECT_STREQ(s.substring(3, 5).str(), "");
  EXPECT_STREQ(s.substring(1, 100).str(), "bc");
  EXPECT_STREQ(s(0, 2).str(), "ab");
  EXPECT_EQ(bytes(withBytes("a\0bc", 4).substring(1, 2)), std::string("\0b", 2));
}

// ---------------------------------------------------------------------------------------------------------
// Search and comparison

TEST(StringSearch, IndexOfFollowsTheCRuntimeRules) {
  String const abc("abc");
  struct Case {
    const char* name;
    int got;
    int want;
  };
  const Case cases[] = {
      {"char found", abc.indexOf('b', 0), 1},
      {"char before start", abc.indexOf('a', 1), -1},
      {"char start beyond length", abc.indexOf('b', 4), -1},
      {"char NUL finds terminator", abc.indexOf('\0', 0), 3},
      {"text found", abc.indexOf("bc", 0), 1},
      {"empty text at start", abc.indexOf("", 2), 2},
      {"empty text at length", abc.indexOf("", 3), 3},
      {"text start beyond length", abc.indexOf("", 4), -1},
      {"string exact", abc.indexOf(String("B"), 0, false), -1},
      {"string ignore case", abc.indexOf(String("B"), 0, true), 1},
      {"ignore case from", String("aBcAbC").indexOf(String("abc"), 1, true), 3},
      {"ignore case beyond length, text", abc.indexOf(String("B"), 4, true), -1},
      {"ignore case beyond length, empty", abc.indexOf(String(""), 4, true), 4},
      {"last char from", String("abca").lastIndexOf('a', 1), 3},
      {"last char from length", String("abca").lastIndexOf('a', 4), -1},
      {"last char beyond length", String("abca").lastIndexOf('a', 5), -1},
      {"last string", String("abca").lastIndexOf(String("a"), 0), 3},
      {"last string from", String("abcabc").lastIndexOf(String("bc"), 2), 4},
      {"last string bound", String("abcabc").lastIndexOf(String("ab"), 1), 3},
      {"last string not after start", String("abcabc").lastIndexOf(String("ab"), 4), -1},
      {"last string ignore case", String("abcABC").lastIndexOf(String("aBc"), 0, true), 3},
      {"last string longer", abc.lastIndexOf(String("abcd"), 0), -1},
      {"last empty string", abc.lastIndexOf(String(""), 0), 3},
      {"search stops at NUL", withBytes("a\0b", 3).indexOf('b', 0), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

// Long texts with embedded NULs: every search gives what strstr and strchr give.
TEST(StringSearch, LongTextsSearchLikeStrstrAndStrchr) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int> byte(0, 199);
  for (int round = 0; round < 40; ++round) {
    std::string text(static_cast<std::size_t>(20000 + round * 101), 'a');
    for (char& c : text) {
      int const r = byte(random);
      c = r == 0 && round % 2 == 0 ? '\0' : (r < 20 ? 'b' : 'a');
    }
    text.replace(8190, 4, "xyzw");
    String const s(text.data(), static_cast<int>(text.size()));
    for (char const* needle : {"xyzw", "bb", "bab", "b", "abbbba", "q"}) {
      for (unsigned from : {0u, 1u, 8189u, 8191u, 16000u}) {
        char const* hit = std::strstr(s.str() + from, needle);
        int const want = hit == nullptr ? -1 : static_cast<int>(hit - s.str());
        ASSERT_EQ(s.indexOf(needle, from), want) << round << needle << from;
        char const* chr = std::strchr(s.str() + from, needle[0]);
        ASSERT_EQ(s.indexOf(needle[0], from), chr == nullptr ? -1 : static_cast<int>(chr - s.str()));
      }
    }
    ASSERT_EQ(s.indexOf('\0', 5), static_cast<int>(std::strlen(s.str() + 5) + 5));
  }
}

// A byte searched for at every position of texts of every length up to several vector widths, with or
// without an embedded NUL before or after it, and from several starts: each answer is strchr's.
TEST(StringSearch, CharacterSearchAtEveryPositionAndLength) {
  for (unsigned length = 1; length <= 300; ++length) {
    for (unsigned at = 0; at < length; at += (length > 70 ? 7 : 1)) {
      for (int nul : {-1, 0, 1, 2}) {
        std::string text(length, 'a');
        text[at] = 'x';
        unsigned const nulAt = nul < 0 ? length : (nul == 0 ? at / 2 : (nul == 1 ? at + 1 : length - 1));
        if (nulAt < length && nulAt != at) text[nulAt] = '\0';
        String const s(text.data(), static_cast<int>(length));
        for (unsigned from : {0u, 1u, 33u, 65u}) {
          if (from > length) continue;
          auto index = [&](char const* hit) { return hit == nullptr ? -1 : static_cast<int>(hit - s.str()); };
          ASSERT_EQ(s.indexOf('x', from), index(std::strchr(s.str() + from, 'x')))
              << length << " " << at << " " << nulAt << " " << from;
          ASSERT_EQ(s.indexOf("xa", from), index(std::strstr(s.str() + from, "xa")))
              << length << " " << at << " " << nulAt << " " << from;
        }
      }
    }
  }
}

TEST(StringCompare, EqualityPrefixRegionAndOrder) {
  String ab("ab");
  EXPECT_TRUE(ab == "ab");
  EXPECT_TRUE(ab == String("ab"));
  EXPECT_TRUE(withBytes("ab\0x", 4) == ab);  // texts compare up to the first NUL
  EXPECT_TRUE(ab != "abc");
  EXPECT_TRUE(ab.equalsIgnoreCase("AB"));
  EXPECT_FALSE(ab.equalsIgnoreCase("A"));
  EXPECT_TRUE(String().equalsIgnoreCase(""));
  EXPECT_TRUE(ab.startsWith("a") && ab.startsWith("") && !ab.startsWith("abc") && !ab.startsWith("b"));
  EXPECT_TRUE(ab.endsWith("b") && ab.endsWith(String("")) && !ab.endsWith("xab") && !ab.endsWith("a"));
  EXPECT_TRUE(ab.startsWith(String("ab")));

  EXPECT_FALSE(ab.regionMatches(true, 0, String("AB"), 0, 2));  // the flag does not ignore case
  EXPECT_FALSE(ab.regionMatches(false, 0, String("ab"), 1, 2));
  EXPECT_TRUE(ab.regionMatches(false, 1, String("xb"), 1, 1));
  EXPECT_FALSE(ab.regionMatches(false, -1, String("ab"), 0, 1));
  EXPECT_TRUE(ab.regionMatches(false, 2, String("ab"), 2, 0));

  EXPECT_TRUE(String("2024").consistsOfChars("0123456789"));
  EXPECT_TRUE(String("").consistsOfChars("0123456789"));
  EXPECT_FALSE(String("20-24").consistsOfChars("0123456789"));
  EXPECT_FALSE(String("a").consistsOfChars(""));
  EXPECT_TRUE(String("\xE9\xE9").consistsOfChars("\xE9"));

  EXPECT_TRUE(String("abc") < String("abd"));
  EXPECT_TRUE(String("ab") < String("abc"));
  EXPECT_TRUE(String("\xE9") > String("z"));  // bytes compare unsigned
  EXPECT_FALSE(String("ab") < String("ab"));
  EXPECT_FALSE(String("ab") > String("ab"));
}

TEST(StringHash, HashCodeIsSignedAndSamplesLongTexts) {
  struct Case {
    std::string text;
    int hash;
  };
  const Case cases[] = {
      {"", 0},
      {"a", 97},
      {"abc", 136518},
      {"abcdefghijklmnop", -1760298840},
      {"abcdefghijklmnopq", 67822089},
      {"\xE9", -23},  // bytes count as signed
      {std::string("a\0b", 3), (97 * 37 + 0) * 37 + 98},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(String(c.text.data(), static_cast<int>(c.text.size())).hashCode(), c.hash) << c.text;
  }
}

// ---------------------------------------------------------------------------------------------------------
// Transformations

TEST(StringTransform, TrimExactAndClassModes) {
  struct Case {
    std::string text;
    char c;
    bool classMode;
    int side;  // -1 left, 0 both, 1 right
    std::string want;
  };
  const Case cases[] = {
      {" \t ab \r\n", ' ', false, 0, "ab"},
      {"xxabxx", 'x', false, 0, "ab"},
      {"xxabxx", 'x', false, -1, "abxx"},
      {"xxabxx", 'x', false, 1, "xxab"},
      {"ab\xE9", ' ', false, 1, "ab"},
      {"\x01" "ab\x7F", ' ', false, 0, "ab\x7F"},
      {"  ", ' ', false, 0, ""},
      {"", ' ', false, 0, ""},
      {"abcab", 'b', true, 0, "c"},  // class mode: every byte <= 'b' (a, b) goes
      {"--a--", '-', false, 0, "a"},
  };
  for (const auto& c : cases) {
    String s(c.text.data(), static_cast<int>(c.text.size()));
    if (c.side < 0) s.trimLeft(c.c, c.classMode);
    if (c.side > 0) s.trimRight(c.c, c.classMode);
    if (c.side == 0) s.trim(c.c, c.classMode);
    EXPECT_EQ(bytes(s), c.want) << c.text;
  }
}

TEST(StringTransform, ReverseAndCase) {
  EXPECT_STREQ(String("abc").reverse().str(), "cba");
  EXPECT_STREQ(String("a").reverse().str(), "a");
  EXPECT_STREQ(String("aB1z").toUpperCase().str(), "AB1Z");
  EXPECT_STREQ(String("aB1Z").toLowerCase().str(), "ab1z");
}

TEST(StringToken, TokenCutsAtTheFirstSeparator) {
  struct Case {
    const char* text;
    std::function<String(String&)> op;
    const char* token;
    const char* rest;
  };
  const Case cases[] = {
      {"a,b,c", [](String& s) { return s.token(","); }, "a", "b,c"},
      {"abc", [](String& s) { return s.token(","); }, "abc", ""},
      {",abc", [](String& s) { return s.token(","); }, "", "abc"},
      {"abc,", [](String& s) { return s.token(","); }, "abc", ""},
      {"a::b::c", [](String& s) { return s.token("::"); }, "a", "b::c"},
      {"abc", [](String& s) { return s.token(""); }, "abc", "abc"},
      {"key:value", [](String& s) { return s.token(':'); }, "key", "value"},
      {"abc", [](String& s) { return s.token('\0'); }, "abc", ""},
      {"a-b", [](String& s) { return s.token(String("-")); }, "a", "b"},
  };
  for (const auto& c : cases) {
    String s(c.text);
    String t = c.op(s);
    EXPECT_STREQ(t.str(), c.token) << c.text;
    EXPECT_STREQ(s.str(), c.rest) << c.text;
    EXPECT_EQ(t.capacity(), 16u) << c.text;
  }
}

namespace {
// The replacement as a sequence of whole rebuilds, one per match, each assigned to the string: the
// oracle for the text and the capacity that the single-pass replacement must reproduce.
bool rebuildPerMatch(String& s, char const* from, char const* to, bool all) {
  if (std::strcmp(from, to) == 0) return true;
  std::uint32_t const fromLength = static_cast<std::uint32_t>(std::strlen(from));
  std::uint32_t const toLength = static_cast<std::uint32_t>(std::strlen(to));
  bool replaced = false;
  for (std::uint32_t p = 0; p <= s.length();) {
    int const i = s.indexOf(from, p);
    if (i < 0) break;
    String rebuilt = s.substring(0, static_cast<unsigned>(i));
    rebuilt += to;
    rebuilt += s.substring(static_cast<unsigned>(i) + fromLength, s.length());
    s = rebuilt;
    replaced = true;
    p = static_cast<std::uint32_t>(i) + toLength;
    if (!all) break;
  }
  return replaced;
}
}  // namespace

TEST(StringReplace, ReplacesLeftToRightWithoutRescanning) {
  std::string const dots = "a.b.c.d.e.f.g.h.i.j.k.l.m.n.o.p.q";
  std::string dotsToColons;
  for (char c : dots) dotsToColons += c == '.' ? std::string("::") : std::string(1, c);
  std::string bcd;
  for (int i = 0; i < 40; ++i) bcd += "bcd";
  struct Case {
    std::string text;
    const char* from;
    const char* to;
    bool all;
    bool result;
    std::string want;
  };
  const Case cases[] = {
      {"aaa", "a", "b", false, true, "baa"},
      {"aaa", "z", "b", true, false, "aaa"},
      {"aaa", "a", "a", true, true, "aaa"},
      {"aa", "a", "ba", true, true, "baba"},
      {"xxx", "x", "", true, true, ""},
      {"abcabc", "bc", "X", true, true, "aXaX"},
      {"aaaa", "aa", "a", true, true, "aa"},
      {"aaa", "", "x", true, false, "aaa"},  // an empty search text matches nothing
      {"", "", "x", true, false, ""},
      {std::string("ab\0ab", 5), "b", "YY", true, true, std::string("aYY\0ab", 6)},  // stops at the NUL
      {std::string(40, 'a'), "a", "bcd", true, true, bcd},                          // grows many times
      {dots, ".", "::", true, true, dotsToColons},
      {dots, ".", "", true, true, "abcdefghijklmnopq"},
      {dots, ".", "::", false, true, "a::" + dots.substr(2)},
  };
  for (const auto& c : cases) {
    String s(c.text.data(), static_cast<int>(c.text.size()));
    String oracle(s);
    EXPECT_EQ(s.replace(c.from, c.to, c.all), c.result) << c.text;
    EXPECT_EQ(bytes(s), c.want) << c.text;
    if (c.from[0] != '\0') {
      EXPECT_EQ(rebuildPerMatch(oracle, c.from, c.to, c.all), c.result) << c.text;
      EXPECT_EQ(bytes(s), bytes(oracle)) << c.text;
      EXPECT_EQ(s.capacity(), oracle.capacity()) << c.text;
    }
  }
}

TEST(StringReplace, CharacterFormsUseOneByteTexts) {
  String s("a-b-c");
  EXPECT_TRUE(s.replace('-', '+', false));
  EXPECT_STREQ(s.str(), "a+b-c");
  EXPECT_TRUE(s.replace('-', "--", true));
  EXPECT_STREQ(s.str(), "a+b--c");
  EXPECT_TRUE(s.replace("--", '_', true));
  EXPECT_STREQ(s.str(), "a+b_c");
  EXPECT_TRUE(s.replace('+', '\0', true));  // the NUL character is the empty text
  EXPECT_STREQ(s.str(), "ab_c");
  EXPECT_FALSE(s.replace('\0', 'x', true));
  EXPECT_STREQ(s.str(), "ab_c");
}

// ---------------------------------------------------------------------------------------------------------
// Number texts

TEST(StringNumber, DefaultAndFormattedTexts) {
  long const lmin = std::numeric_limits<long>::min();
  unsigned long const umax = std::numeric_limits<unsigned long>::max();
  String built;
  struct Case {
    const char* name;
    String got;
    std::string want;
  };
  String t15, t0, t2;
  String::toString(1.5, t0, 0);
  String::toString(1.5, t2, 2);
  String::toString(-0.125, t15, 15);
  const Case cases[] = {
      {"unsigned zero", String(0u, nullptr), "0"},
      {"negative int", String(-5, nullptr), "-5"},
      {"most negative long", String(lmin, nullptr), std::to_string(lmin)},
      {"most negative 32-bit", String(static_cast<long>(INT32_MIN), nullptr), "-2147483648"},
      {"largest unsigned int", String(4294967295u, nullptr), "4294967295"},
      {"largest unsigned long", String(umax, nullptr), std::to_string(umax)},
      {"double", String(3.25, nullptr), "3.2500000000"},
      {"float widened", String(2.5f, nullptr), "2.5000000000"},
      {"negative double", String(-0.1, nullptr), "-0.1000000000"},
      {"double format", String(3.25, "%.2f"), "3.25"},
      {"int format", String(5, "%03d"), "005"},
      {"long format", String(-7L, "%ld"), "-7"},
      {"unsigned format", String(255u, "%x"), "ff"},
      {"unsigned long format", String(255UL, "%lu"), "255"},
      {"zero decimals", t0, "1.500000"},
      {"two decimals", t2, "1.50"},
      {"fifteen decimals", t15, "-0.125000000000000"},
      {"bool", String(false), "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(bytes(c.got), c.want) << c.name;
}

namespace {
// printf's text of a value: the form every integer text of the library must equal.
template <typename T>
std::string printed(char const* format, T value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The edge values of an integer type: 0, -1 (when signed), both extremes and their neighbours, and each
// power of ten that fits with its neighbours, where the number of digits changes.
template <typename T>
std::vector<T> edgeValues() {
  std::vector<T> values = {0, 1, std::numeric_limits<T>::max(), static_cast<T>(std::numeric_limits<T>::max() - 1),
                           std::numeric_limits<T>::min(), static_cast<T>(std::numeric_limits<T>::min() + 1)};
  if (std::numeric_limits<T>::is_signed) values.push_back(static_cast<T>(-1));
  for (T power = 10;; power = static_cast<T>(power * 10)) {
    for (T v : {static_cast<T>(power - 1), power, static_cast<T>(power + 1)}) {
      values.push_back(v);
      if (std::numeric_limits<T>::is_signed) values.push_back(static_cast<T>(0 - v));
    }
    if (power > std::numeric_limits<T>::max() / 10) break;
  }
  return values;
}
}  // namespace

// Every way of turning an integer into text gives printf's decimal text, at every width's edges.
TEST(StringNumber, IntegerTextsMatchPrintfAtTheEdges) {
  for (long v : edgeValues<long>()) {
    std::string const want = printed("%ld", v);
    String assigned("previous text, longer than any number");
    assigned = v;
    String appended("x");
    appended += v;
    String rendered;
    String::toString(v, rendered);
    EXPECT_EQ(bytes(String(v, nullptr)), want);
    EXPECT_EQ(bytes(assigned), want);
    EXPECT_EQ(bytes(appended), "x" + want);
    EXPECT_EQ(bytes(rendered), want);
    EXPECT_TRUE(String(want.c_str()) == v) << want;
    EXPECT_EQ(bytes(CQVOString(std::vector<long>{v, v})), want + "|" + want);
  }
  for (unsigned long v : edgeValues<unsigned long>()) {
    std::string const want = printed("%lu", v);
    String assigned;
    assigned = v;
    String appended("x");
    appended += v;
    EXPECT_EQ(bytes(String(v, nullptr)), want);
    EXPECT_EQ(bytes(assigned), want);
    EXPECT_EQ(bytes(appended), "x" + want);
    EXPECT_TRUE(String(want.c_str()) == v) << want;
    EXPECT_EQ(bytes(CQVOString(std::vector<unsigned long>{v})), want);
  }
  for (int v : edgeValues<int>()) {
    String assigned(7, nullptr);  // capacity 3: the text grows into place
    assigned = v;
    EXPECT_EQ(bytes(String(v, nullptr)), printed("%d", v));
    EXPECT_EQ(bytes(assigned), printed("%d", v));
  }
  for (unsigned int v : edgeValues<unsigned int>()) EXPECT_EQ(bytes(String(v, nullptr)), printed("%u", v));
  for (short v : edgeValues<short>()) {
    String assigned;
    assigned = v;
    EXPECT_EQ(bytes(assigned), printed("%hd", v));
    EXPECT_EQ(bytes(CQVOString(std::vector<short>{v})), printed("%hd", v));
  }
  for (unsigned short v : edgeValues<unsigned short>()) {
    String assigned;
    assigned = v;
    EXPECT_EQ(bytes(assigned), printed("%hu", v));
    EXPECT_EQ(bytes(CQVOString(std::vector<unsigned short>{v})), printed("%hu", v));
  }
  for (unsigned char v : edgeValues<unsigned char>()) {
    String appended;
    appended += v;
    EXPECT_EQ(bytes(appended), printed("%u", static_cast<unsigned>(v)));
  }
}

TEST(StringNumber, RenderingsLongerThanNinetyNineCharactersStayWhole) {
  EXPECT_EQ(bytes(String(5, "%-120d")), "5" + std::string(119, ' '));
  EXPECT_EQ(bytes(String(2.5, "%150.1f")), std::string(147, ' ') + "2.5");
  String big(1e100, nullptr);
  EXPECT_EQ(big.length(), 101u + 11u);
  EXPECT_TRUE(big.startsWith("10000000000000000159028911097599180468360808563945281389781327557747838772170381"));
  EXPECT_TRUE(big.endsWith(".0000000000"));
  String text;
  String::toString(1.0, text, 200);
  EXPECT_EQ(bytes(text), "1." + std::string(200, '0'));
  EXPECT_EQ(bytes(String(-1e300, nullptr)).size(), 1u + 301u + 11u);
}

TEST(StringNumber, FixedPointMatchesTheRuntimeFormat) {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 30);
  char expected[512];
  for (int i = 0; i < 2000; ++i) {
    double const value = std::ldexp(mantissa(random), exponent(random));
    std::snprintf(expected, sizeof expected, "%.10f", value);
    ASSERT_EQ(bytes(String(value, nullptr)), expected) << value;
    ASSERT_TRUE(String(expected) == value);
  }
  // Every precision, magnitudes on both sides of 2^64 units of the last decimal, exact halves (which
  // round to an even last digit), negative zero, values that round to zero, the smallest subnormal.
  std::vector<double> values = {0.0,    -0.0,         0.00048828125, -0.00048828125, 0.5,   1.5,  2.5, 0.125,
                                1e-11,  -1e-11,       5e-11,         1.5e-10,        1e300, -1e300, 4.9e-324,
                                1844674407.3709551615, 1844674407.3709552, 922337203.68547758, 0.1, 0.3};
  std::uniform_int_distribution<int> wide(-80, 80);
  for (int i = 0; i < 3000; ++i) values.push_back(std::ldexp(mantissa(random), wide(random)));
  for (int k = 1; k <= 30; ++k) values.push_back(std::ldexp(static_cast<double>(2 * k + 1), -k));  // exact halves
  for (double const value : values) {
    for (int decimals = 1; decimals <= 19; ++decimals) {
      std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
      String text;
      String::toString(value, text, decimals);
      ASSERT_EQ(bytes(text), expected) << value << " with " << decimals << " decimals";
    }
  }
}

TEST(StringNumber, AssignAppendAndConcatenateNumbers) {
  String s;
  s = false;
  EXPECT_STREQ(s.str(), "0");
  s = static_cast<short>(-3);
  EXPECT_STREQ(s.str(), "-3");
  s = static_cast<unsigned short>(65535);
  EXPECT_STREQ(s.str(), "65535");
  s = 1.5f;
  EXPECT_STREQ(s.str(), "1.5000000000");
  s = "";
  s += true;
  s += static_cast<unsigned char>(7);
  s += -2;
  s += 3u;
  s += -4L;
  s += 5UL;
  s += 0.5;
  EXPECT_STREQ(s.str(), "17-23-450.5000000000");
  s = "";
  s.append(1).append(2L).append(3u).append(4UL).append(false);
  EXPECT_STREQ(s.str(), "12340");
  EXPECT_STREQ((String("x") + static_cast<unsigned char>(65) + 1 + 2L + 3u + 4UL + true + 1.0f).str(),
               "x65123411.0000000000");
  EXPECT_EQ(bytes(String(static_cast<unsigned char>(7))), "\x07");
  EXPECT_EQ(bytes(String(static_cast<unsigned char>(65))), "A");
}

TEST(StringNumber, ParseLikeTheRuntime) {
  long const lmax = std::numeric_limits<long>::max();
  long const lmin = std::numeric_limits<long>::min();
  unsigned long const umax = std::numeric_limits<unsigned long>::max();
  struct Case {
    const char* text;
    long value;
    bool ok;
    int err;
  };
  const Case signedCases[] = {
      {"  -12", -12, true, 0},  {"0", 0, true, 0},         {"x", 0, true, 0},         {"42abc", 42, true, 0},
      {"+7", 7, true, 0},       {"\t\n 5", 5, true, 0},    {"0x10", 0, true, 0},      {"- 5", 0, true, 0},
      {"99999999999999999999", lmax, true, ERANGE},        {"-99999999999999999999", lmin, true, ERANGE},
  };
  for (const auto& c : signedCases) {
    long v = 1;
    errno = EINVAL;
    EXPECT_EQ(String::toLong(String(c.text), v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_EQ(errno, c.err) << c.text;
    EXPECT_EQ(static_cast<long>(String(c.text)), c.value) << c.text;
  }
  std::string const minText = std::to_string(lmin);
  long v = 0;
  EXPECT_TRUE(String::toLong(String(minText.c_str()), v));
  EXPECT_EQ(v, lmin);

  unsigned long u = 0;
  EXPECT_TRUE(String::toUnsignedLong(String("99999999999999999999"), u));
  EXPECT_EQ(u, umax);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_TRUE(String::toUnsignedLong(String("-1"), u));
  EXPECT_EQ(u, umax);
  EXPECT_TRUE(String::toUnsignedLong(String(" 17 "), u));
  EXPECT_EQ(u, 17u);

  double d = 0;
  EXPECT_TRUE(String::toDouble(String(" -2.5e2x"), d));
  EXPECT_EQ(d, -250.0);
  EXPECT_TRUE(String::toDouble(String("abc"), d));
  EXPECT_EQ(d, 0.0);
  EXPECT_TRUE(String::toDouble(String("1e999"), d));
  EXPECT_EQ(d, HUGE_VAL);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_TRUE(String::toDouble(String("0x10"), d));
  EXPECT_EQ(d, 16.0);
  EXPECT_TRUE(String::toDouble(String("+.5"), d));
  EXPECT_EQ(d, 0.5);
  float f = 0;
  EXPECT_TRUE(String::toFloat(String("0.25"), f));
  EXPECT_EQ(f, 0.25f);
  EXPECT_TRUE(String::toFloat(String("1e-50"), f));  // not 0 as a double, errno untouched
  EXPECT_EQ(f, 0.0f);
}

TEST(StringNumber, ConversionOperators) {
  EXPECT_FALSE(static_cast<bool>(String("0")));
  EXPECT_TRUE(static_cast<bool>(String("2")));
  EXPECT_FALSE(static_cast<bool>(String("true")));
  struct CharCase {
    const char* text;
    int value;
  };
  const CharCase chars[] = {{"A", 'A'}, {"7", '7'}, {"65", 65}, {"ab", 'a'}, {"", 0}, {"300", 44}, {"-1", '-'}};
  for (const auto& c : chars) {
    EXPECT_EQ(static_cast<char>(String(c.text)), static_cast<char>(c.value)) << c.text;
    EXPECT_EQ(static_cast<unsigned char>(String(c.text)), static_cast<unsigned char>(c.value)) << c.text;
  }
  EXPECT_EQ(static_cast<short>(String("70000")), 4464);
  EXPECT_EQ(static_cast<short>(String("40000")), -25536);
  EXPECT_EQ(static_cast<unsigned short>(String("70000")), 4464);
  EXPECT_EQ(static_cast<int>(String(" -42")), -42);
  EXPECT_EQ(static_cast<unsigned int>(String("4294967295")), 4294967295u);
  // Texts beyond an int's range give the clamped value with ERANGE, on a 64-bit long as on a 32-bit one;
  // a "-" text within 32 bits is negated in unsigned arithmetic, as strtoul does.
  struct IntCase {
    const char* text;
    long long asInt;
    unsigned long long asUnsigned;
    bool outOfRange;  // for the unsigned form
  };
  const IntCase ints[] = {
      {"3000000000", INT_MAX, 3000000000u, false},
      {"-3000000000", INT_MIN, 1294967296u, false},
      {"4294967296", INT_MAX, UINT_MAX, true},
      {"-1", -1, 4294967295u, false},
      {"-4294967295", INT_MIN, 1u, false},
      {"-4294967296", INT_MIN, UINT_MAX, true},
      {" 18446744073709551615", INT_MAX, UINT_MAX, true},
      {"2147483647", INT_MAX, 2147483647u, false},
      {"-2147483648", INT_MIN, 2147483648u, false},
  };
  for (const auto& c : ints) {
    EXPECT_EQ(static_cast<int>(String(c.text)), c.asInt) << c.text;
    errno = 0;
    EXPECT_EQ(static_cast<unsigned int>(String(c.text)), c.asUnsigned) << c.text;
    EXPECT_EQ(errno == ERANGE, c.outOfRange) << c.text;
  }
  EXPECT_EQ(static_cast<unsigned long>(String("-1")), std::numeric_limits<unsigned long>::max());
  EXPECT_EQ(static_cast<float>(String("0.5")), 0.5f);
  EXPECT_EQ(static_cast<double>(String("1.25e1")), 12.5);
}

TEST(StringNumber, ComparisonsWithNumbersCompareTexts) {
  EXPECT_TRUE(String("1") == true);
  EXPECT_TRUE(String("0") == false);
  EXPECT_FALSE(String("2") == true);
  EXPECT_FALSE(String("1.0") == 1);
  EXPECT_FALSE(String("007") == 7);
  EXPECT_FALSE(String(" 7") == 7);
  EXPECT_TRUE(String("7") == 7);
  EXPECT_TRUE(String("-7") == -7L);
  EXPECT_TRUE(String("7") == 7u);
  EXPECT_TRUE(String("7") != 8UL);
  EXPECT_FALSE(String("5") == 5.0);
  EXPECT_FALSE(String("2.5") == 2.5f);
  EXPECT_TRUE(String("5.0000000000") == 5.0);
  EXPECT_TRUE(String("a") == 'a');
  EXPECT_TRUE(String("") == '\0');
  EXPECT_TRUE(String("A") == static_cast<unsigned char>(65));
  EXPECT_TRUE(String("ab") != 'a');
  EXPECT_TRUE(withBytes("7\0x", 3) == 7);
}

TEST(StringNumber, UnsignedTestAndQuoteRemoval) {
  struct Case {
    const char* text;
    bool isUint;
  };
  const Case cases[] = {{"123", true}, {" 123 ", true}, {"", true},    {"  ", true},
                        {"12a", false}, {"1 2", false}, {"+5", false}, {"-5", false}};
  for (const auto& c : cases) EXPECT_EQ(String(c.text).isUINT(), c.isUint) << c.text;
  EXPECT_STREQ(String("\"abc\"").ConvertToString().str(), "abc");
  EXPECT_STREQ(String("\"abc").ConvertToString().str(), "\"abc");
  EXPECT_STREQ(String("\"").ConvertToString().str(), "");
  EXPECT_STREQ(String("\"\"").ConvertToString().str(), "");
  String quoted("\"q\"");
  quoted.ConvertToString();
  EXPECT_STREQ(quoted.str(), "\"q\"");
}

// ---------------------------------------------------------------------------------------------------------
// CQVOString

TEST(CQVOStringCore, ConstructorsAndAssignments) {
  struct Case {
    const char* name;
    CQVOString got;
    std::string want;
  };
  const Case cases[] = {
      {"bool", CQVOString(true), "1"},
      {"char", CQVOString('A'), "A"},
      {"unsigned char is the character", CQVOString(static_cast<unsigned char>(65)), "A"},
      {"null", CQVOString(static_cast<char const*>(nullptr)), ""},
      {"count", CQVOString("abc", 2u), "ab"},
      {"count all bits", CQVOString("abc", 4294967295u), "abc"},
      {"std::string to NUL", CQVOString(std::string("ab\0c", 4)), "ab"},
      {"int", CQVOString(5, nullptr), "5"},
      {"int format", CQVOString(5, "%03d"), "005"},
      {"double", CQVOString(2.5, nullptr), "2.5000000000"},
      {"float", CQVOString(0.5f), "0.5000000000"},
      {"unsigned long", CQVOString(7UL), "7"},
      {"from EQVO", CQVOString(String("e")), "e"},
  };
  for (const auto& c : cases) EXPECT_EQ(bytes(c.got), c.want) << c.name;

  CQVOString s;
  EXPECT_EQ(bytes(s = 'x'), "x");
  EXPECT_EQ(bytes(s = static_cast<unsigned char>(66)), "B");
  EXPECT_EQ(bytes(s = true), "1");
  EXPECT_EQ(bytes(s = -3), "-3");
  EXPECT_EQ(bytes(s = static_cast<short>(-4)), "-4");
  EXPECT_EQ(bytes(s = 5u), "5");
  EXPECT_EQ(bytes(s = static_cast<unsigned short>(6)), "6");
  EXPECT_EQ(bytes(s = 7L), "7");
  EXPECT_EQ(bytes(s = 8UL), "8");
  EXPECT_EQ(bytes(s = 0.25), "0.2500000000");
  EXPECT_EQ(bytes(s = 0.5f), "0.5000000000");
  EXPECT_EQ(bytes(s = std::string("std")), "std");
  EXPECT_EQ(bytes(s = String("base")), "base");
  EXPECT_EQ(bytes(s = CQVOString("own")), "own");
  unsigned char raw[] = "raw";
  EXPECT_EQ(bytes(s = raw), "raw");
}

TEST(CQVOStringCore, AppendAndConcatenate) {
  CQVOString s;
  s += true;
  EXPECT_TRUE(s == true);
  s += static_cast<unsigned char>(65);
  s += 'A';
  s += "-";
  s += 2;
  s += 3L;
  s += 4u;
  s += 5UL;
  s += std::string("s");
  s += 0.5f;
  EXPECT_EQ(bytes(s), "165A-2345s0.5000000000");

  CQVOString nul("a");
  nul += '\0';
  nul += 'b';
  CQVOString x("x");
  EXPECT_EQ(bytes(x + nul), "xa");  // a CQVOString: its text up to the NUL
  EXPECT_EQ(bytes(x + static_cast<String const&>(nul)), std::string("xa\0b", 4));
  CQVOString y("y");
  y += nul;
  EXPECT_EQ(bytes(y), std::string("ya\0b", 4));
  EXPECT_EQ(bytes("pre" + CQVOString("fix")), "prefix");
  EXPECT_EQ(bytes(x + 'c' + static_cast<unsigned char>(9) + false + "t" + 1 + 2L + 3u + 4UL + 0.5 + 1.0f),
            "xc90t12340.50000000001.0000000000");
}

TEST(CQVOStringCore, FindGivesAllBitsWhenAbsent) {
  CQVOString const s("a/b/c");
  EXPECT_EQ(s.find('x', 0), 4294967295u);
  EXPECT_EQ(s.find('/', 0), 1u);
  EXPECT_EQ(s.find('/', 2), 3u);
  EXPECT_EQ(s.find("b/", 0), 2u);
  EXPECT_EQ(s.find("zz", 0), 4294967295u);
  EXPECT_EQ(s.find('/', 9), 4294967295u);
  EXPECT_EQ(s.find_last_of('/', 0), 3u);
  EXPECT_EQ(s.find_last_of('/', 4294967295u), 3u);
  EXPECT_EQ(s.find_last_of('x', 0), 4294967295u);
  EXPECT_EQ(CQVOString("\xE9z").find('\xE9', 0), 0u);
  EXPECT_EQ(static_cast<unsigned>(s.end() - s.begin()), s.length());
  EXPECT_EQ(s.c_str(), s.str());
}

TEST(CQVOStringCore, AdaptersForwardToTheBase) {
  CQVOString s("key:value");
  CQVOString key = s.Token(':');
  EXPECT_STREQ(key.c_str(), "key");
  EXPECT_STREQ(s.c_str(), "value");
  CQVOString list("a, b");
  EXPECT_STREQ(list.Token(", ").c_str(), "a");
  EXPECT_STREQ(list.Token(CQVOString("z")).c_str(), "b");
  EXPECT_TRUE(list.IsEmpty());

  CQVOString r("a.b.c");
  EXPECT_TRUE(r.Replace('.', '/', false));
  EXPECT_TRUE(r.Replace('.', "::", true));
  EXPECT_TRUE(r.Replace("::", '-', true));
  EXPECT_TRUE(r.Replace("/", "+", true));
  EXPECT_STREQ(r.c_str(), "a+b-c");
  EXPECT_STREQ(CQVOString("  Ab ").Trim().ToUpper().c_str(), "AB");
  EXPECT_STREQ(CQVOString("xAbx").TrimLeft('x').ToLower().c_str(), "abx");
  EXPECT_STREQ(CQVOString("xAbx").TrimRight('x').c_str(), "xAb");
  EXPECT_TRUE(CQVOString(" 12 ").OfUnsignedInteger());
  EXPECT_FALSE(CQVOString("-12").OfUnsignedInteger());

  CQVOString d;
  EXPECT_TRUE(CQVOString::DoubleToString(d, 1.0 / 3, 3));
  EXPECT_STREQ(d.c_str(), "0.333");
  EXPECT_TRUE(CQVOString("abc") < CQVOString("abd"));
  EXPECT_TRUE(CQVOString("b") > CQVOString("abd"));
  EXPECT_FALSE(CQVOString("b") < CQVOString("b"));
}

TEST(CQVOStringCore, HashSkipsBlanksAndCountsEveryStoredByte) {
  struct Case {
    std::string text;
    unsigned long a;
    unsigned long b;
  };
  const Case cases[] = {
      {"", 0x50305735UL, 0x12345671UL},
      {"abc", 0x7CD2B594UL, 0x2BE28759UL},
      {"a b\tc", 0x7CD2B594UL, 0x2BE28759UL},
      {" abc", 0x7CD2B594UL, 0x2BE28759UL},
  };
  for (const auto& c : cases) {
    unsigned long out[2] = {0, 0};
    CQVOString(c.text.data(), static_cast<unsigned>(c.text.size())).Hash(out);
    EXPECT_EQ(out[0], c.a) << c.text;
    EXPECT_EQ(out[1], c.b) << c.text;
  }
  unsigned long plain[2], hidden[2];
  CQVOString("ab").Hash(plain);
  CQVOString("ab\0c", 4u).Hash(hidden);
  EXPECT_NE(plain[0], hidden[0]);
  // Long texts keep both words within 31 bits.
  unsigned long big[2];
  CQVOString(std::string(1000, '\xFF')).Hash(big);
  EXPECT_LE(big[0], 0x7FFFFFFFUL);
  EXPECT_LE(big[1], 0x7FFFFFFFUL);
}

TEST(CQVOStringCore, StreamInsertionWritesTextUpToNulWithWidth) {
  std::ostringstream out;
  out << std::setw(5) << CQVOString("ab") << '|' << std::left << std::setw(4) << std::setfill('.')
      << CQVOString("ab\0cd", 5u) << '|';
  EXPECT_EQ(out.str(), "   ab|ab..|");
}
