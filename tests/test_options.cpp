// Tests of CQVOOptions: declarations, parsing with its messages on standard error, lookups, copies and
// robustness against any argument vector.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define qvo_dup _dup
#define qvo_dup2 _dup2
#define qvo_close _close
#define qvo_fileno _fileno
#else
#include <unistd.h>
#define qvo_dup dup
#define qvo_dup2 dup2
#define qvo_close close
#define qvo_fileno fileno
#endif

#include "QVOOptions.h"

namespace {

// Sends the C runtime's standard error stream to a file in the test's scratch folder while alive;
// text() returns what was written so far (read in text mode, so line ends are "\n" on both targets).
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    saved_ = qvo_dup(qvo_fileno(stderr));
    file_ = std::fopen(kPath, "w");
    if (file_ != nullptr) qvo_dup2(qvo_fileno(file_), qvo_fileno(stderr));
  }
  ~StderrCapture() {
    std::fflush(stderr);
    qvo_dup2(saved_, qvo_fileno(stderr));
    qvo_close(saved_);
    if (file_ != nullptr) std::fclose(file_);
    std::remove(kPath);
  }
  StderrCapture(StderrCapture const&) = delete;
  StderrCapture& operator=(StderrCapture const&) = delete;

  bool ok() const { return file_ != nullptr && saved_ >= 0; }
  std::string text() const {
    std::fflush(stderr);
    std::ifstream in(kPath);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

 private:
  static constexpr const char* kPath = "stderr_capture.txt";
  int saved_ = -1;
  FILE* file_ = nullptr;
};

// Parses `args` (args[0] is the program name) and returns the result with what went to stderr.
bool parse(CQVOOptions& options, std::vector<std::string> args, std::string& err) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  StderrCapture capture;
  EXPECT_TRUE(capture.ok());
  const bool result = options.ParseArguments(static_cast<int>(args.size()), argv.data());
  err = capture.text();
  return result;
}

// quiet (switch), out (with value), out-file (with value, stored as /OUT_FILE).
CQVOOptions toolOptions() {
  char const* names[] = {"quiet", "out", "out-file"};
  char const withValue[] = {0, 1, 1};
  return CQVOOptions(3, names, withValue);
}

const std::string kUsage = "usage: tool /QUIET /OUT <value> /OUT_FILE <value> \n";

}  // namespace

TEST(CQVOOptions, ParsesArgumentsAndReportsErrorsOnStandardError) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    std::string err;  // before the usage line, which follows every error
    const char *quiet, *out, *outFile;
  };
  const Case cases[] = {
      {{"tool"}, true, "", "", "", ""},
      {{"tool", "/out:  x "}, true, "", "", "x", ""},
      {{"tool", "/quiet:yes"}, true, "", "SET", "", ""},
      {{"tool", "/Out_File:a.txt", "/OUT:b:c", "/QuIeT"}, true, "", "SET", "b:c", "a.txt"},
      {{"tool", "/OUT"}, false, "Missing value for option /OUT.\n", "", "", ""},
      {{"tool", "/out:"}, false, "Missing value for option /out:.\n", "", "", ""},
      {{"tool", "/out:\t \xE9\x01"}, false, "Missing value for option /out:\t \xE9\x01.\n", "", "", ""},
      {{"tool", "/QUIET", "/quiet"}, false, "Value set twice for option /quiet.\n", "SET", "", ""},
      {{"tool", "/out:a", "/out"}, false, "Value set twice for option /out.\n", "", "a", ""},
      {{"tool", "file.txt"}, false, "Unknown option file.txt.\n", "", "", ""},
      {{"tool", "/OUTPUT:x"}, false, "Unknown option /OUTPUT:x.\n", "", "", ""},
      {{"tool", "/out-file:x"}, false, "Unknown option /out-file:x.\n", "", "", ""},
      {{"tool", ""}, false, "Unknown option .\n", "", "", ""},
      {{"tool", "/quiet", "bad", "/out:x"}, false, "Unknown option bad.\n", "SET", "", ""},
  };
  for (const auto& c : cases) {
    CQVOOptions options = toolOptions();
    std::string err;
    const bool ok = parse(options, c.args, err);
    const std::string where = c.args.size() > 1 ? c.args[1] : "(no arguments)";
    EXPECT_EQ(ok, c.ok) << where;
    EXPECT_EQ(err, c.ok ? std::string() : c.err + kUsage) << where;
    EXPECT_STREQ(options.GetValue(static_cast<unsigned short>(0)).c_str(), c.quiet) << where;
    EXPECT_STREQ(options.GetValue(1).c_str(), c.out) << where;
    EXPECT_STREQ(options.GetValue(2).c_str(), c.outFile) << where;
    EXPECT_EQ(options.IsSet(1), *c.out != '\0') << where;
  }
}

TEST(CQVOOptions, LooksUpByStoredNameAndIndex) {
  char const* names[] = {"out_file", "out", "out"};
  char const withValue[] = {1, 1, 0};
  CQVOOptions options(3, names, withValue);
  options.SetValue(0, CQVOString("f"));
  options.SetValue(1, CQVOString("o"));
  options.SetValue(2, CQVOString("shadowed"));
  EXPECT_STREQ(options.GetValue(CQVOString("out-file")).c_str(), "f");
  EXPECT_STREQ(options.GetValue(CQVOString("OUT")).c_str(), "o");  // the first of equal names
  EXPECT_STREQ(options.GetValue(CQVOString("out")).c_str(), "o");
  EXPECT_TRUE(options.IsSet(CQVOString("Out")));
  EXPECT_FALSE(options.IsSet(CQVOString("missing")));
  EXPECT_STREQ(options.GetValue(CQVOString("missing")).c_str(), "");
  EXPECT_FALSE(options.IsSet(3));
  EXPECT_STREQ(options.GetValue(3).c_str(), "");
  options.SetValue(3, CQVOString("ignored"));
  EXPECT_STREQ(options.GetValue(3).c_str(), "");
}

TEST(CQVOOptions, ValueFromSetValueOrEarlierCallMakesArgumentAnError) {
  CQVOOptions options = toolOptions();
  std::string err;
  EXPECT_TRUE(parse(options, {"tool", "/out:first"}, err));
  EXPECT_FALSE(parse(options, {"tool", "/out:second"}, err));
  EXPECT_EQ(err, "Value set twice for option /out:second.\n" + kUsage);
  EXPECT_STREQ(options.GetValue(CQVOString("out")).c_str(), "first");

  options.SetValue(0, CQVOString("preset"));
  EXPECT_FALSE(parse(options, {"tool", "/quiet"}, err));
  EXPECT_EQ(err, "Value set twice for option /quiet.\n" + kUsage);
}

TEST(CQVOOptions, CapacityBoundsDeclarations) {
  CQVOOptions options;
  options.SetMaxOptions(1);
  EXPECT_TRUE(options.AddOption("one", false));
  EXPECT_FALSE(options.AddOption("two", false));

  // SetMaxOptions discards what was declared; only the low 16 bits of the capacity count.
  options.SetMaxOptions(65536u + 2u);
  EXPECT_STREQ(options.GetValue(CQVOString("one")).c_str(), "");
  EXPECT_TRUE(options.AddOption("a", false));
  EXPECT_TRUE(options.AddOption("b", false));
  EXPECT_FALSE(options.AddOption("c", false));

  options.SetMaxOptions(0);
  EXPECT_FALSE(options.AddOption("a", false));

  // The declaring constructor keeps the first 500 and drops the rest.
  std::vector<std::string> texts;
  for (int i = 0; i < 501; ++i) texts.push_back("o" + std::to_string(i));
  std::vector<char const*> names;
  for (auto& t : texts) names.push_back(t.c_str());
  const std::vector<char> withValue(501, 0);
  CQVOOptions many(501, names.data(), withValue.data());
  std::string err;
  EXPECT_TRUE(parse(many, {"tool", "/O499"}, err));
  EXPECT_FALSE(parse(many, {"tool", "/O500"}, err));
  EXPECT_EQ(err.rfind("Unknown option /O500.\n", 0), 0u);
  EXPECT_FALSE(many.AddOption("extra", false));
}

TEST(CQVOOptions, CopiesOwnTheirArrays) {
  auto source = std::make_unique<CQVOOptions>(toolOptions());
  source->SetValue(1, CQVOString("a"));
  CQVOOptions copy(*source);
  CQVOOptions assigned;
  assigned.AddOption("gone", false);
  assigned = *source;
  assigned = assigned;
  copy.SetValue(1, CQVOString("b"));
  EXPECT_STREQ(source->GetValue(1).c_str(), "a");
  source.reset();  // the copies stay valid once the source is gone
  EXPECT_STREQ(copy.GetValue(CQVOString("out")).c_str(), "b");
  EXPECT_STREQ(assigned.GetValue(CQVOString("out")).c_str(), "a");
  EXPECT_FALSE(assigned.IsSet(CQVOString("gone")));
  std::string err;
  EXPECT_FALSE(parse(assigned, {"tool", "/nope"}, err));
  EXPECT_EQ(err, "Unknown option /nope.\n" + kUsage);
  EXPECT_TRUE(assigned.AddOption("more", false));
}

TEST(CQVOOptions, NullPointersAreRefusedWithoutCrash) {
  CQVOOptions noNames(3, nullptr, nullptr);
  EXPECT_TRUE(noNames.AddOption(nullptr, true));  // nothing was declared, so room is left
  char const* names[] = {"quiet", "out"};
  CQVOOptions switches(2, names, nullptr);  // no flags: both are switches
  char* programless[] = {nullptr, const_cast<char*>("/out"), nullptr};
  char* nullArgument[] = {const_cast<char*>("tool"), nullptr, nullptr};
  {
    StderrCapture capture;
    EXPECT_TRUE(switches.ParseArguments(2, programless));
    EXPECT_FALSE(switches.ParseArguments(2, nullptr));
    EXPECT_TRUE(switches.ParseArguments(-1, nullptr));
    EXPECT_EQ(capture.text(), "");
  }
  EXPECT_STREQ(switches.GetValue(CQVOString("out")).c_str(), "SET");
  {
    StderrCapture capture;
    EXPECT_FALSE(switches.ParseArguments(2, nullArgument));  // a null argument is empty: unknown
    EXPECT_EQ(capture.text(), "Unknown option .\nusage: tool /QUIET /OUT \n");
  }
  {
    programless[1] = const_cast<char*>("/other");
    StderrCapture capture;
    EXPECT_FALSE(switches.ParseArguments(2, programless));  // a null program name prints as empty
    EXPECT_EQ(capture.text(), "Unknown option /other.\nusage:  /QUIET /OUT \n");
  }
  // A null name is stored as "/".
  std::string err;
  EXPECT_TRUE(parse(noNames, {"tool", "/:v"}, err));
  EXPECT_STREQ(noNames.GetValue(0).c_str(), "v");
}

// Any argument vector, of any length and any bytes, is parsed to an end without a crash.
TEST(CQVOOptions, ParsesRandomArgumentVectorsToAnEnd) {
  std::mt19937 generator(20240601);
  std::uniform_int_distribution<int> byte(1, 255), length(0, 12), count(0, 6);
  const char* prefixes[] = {"/", "/q", "/QUIET", "/out", "/OUT:", "/out_file:", ""};
  StderrCapture capture;
  for (int round = 0; round < 2000; ++round) {
    CQVOOptions options = toolOptions();
    std::vector<std::string> args{"tool"};
    for (int n = count(generator); n > 0; --n) {
      std::string a = prefixes[generator() % 7];
      for (int k = length(generator); k > 0; --k) a += static_cast<char>(byte(generator));
      args.push_back(a);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    const bool ok = options.ParseArguments(static_cast<int>(args.size()), argv.data());
    if (ok) {
      for (unsigned short i = 1; i < 3; ++i) {
        const CQVOString& value = options.GetValue(i);
        if (!value.IsEmpty()) {
          // Values keep no blanks or control characters at their ends.
          EXPECT_GT(static_cast<signed char>(value.begin()[0]), ' ');
          EXPECT_GT(static_cast<signed char>(value.begin()[value.length() - 1]), ' ');
        }
      }
    }
  }
}
