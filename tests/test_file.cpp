// Tests of directories, files, file copy, rename and delete, and text files.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "QVOFile.h"
#include "QVOLog.h"
#include "platform/paths.h"
#include "support/file_fixtures.h"
#include "support/handles.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <sys/utime.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using filetest::currentDirectory;
using filetest::exists;
using filetest::kSep;
using filetest::patternBytes;
using filetest::platformPath;
using filetest::readBytes;
using filetest::TraceCapture;
using filetest::writeBytes;

namespace {

constexpr unsigned int kFail = 4294967294u;  // -2 as an unsigned result

// Each test works in a folder of its own below the scratch folder and comes back to it.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_home = fs::current_path();
    m_dir = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
    fs::create_directory(m_dir);
  }
  void TearDown() override {
    fs::current_path(m_home);
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }
  // A path below the test's folder, in the platform's form.
  std::string path(std::string const& name) const { return platformPath(m_dir + "/" + name); }
  // The test's folder as a directory object (relative, unresolved).
  CQVODir dir() const { return CQVODir(m_dir.c_str(), CQVODir::msc_iKeepPath); }

  fs::path m_home;
  std::string m_dir;
};

// Exposes the protected static operations.
struct FileOps : CQVOFile {
  using CQVOFile::Copy;
  using CQVOFile::Delete;
  using CQVOFile::Rename;
};

std::string withSep(std::string const& directory) {
  return !directory.empty() && directory.back() == kSep ? directory : directory + kSep;
}

// ---------------------------------------------------------------------------------------------
// Directory

TEST_F(FileTest, DirectoryPathsAreNormalisedAndResolved) {
  std::string const cwd = withSep(currentDirectory());
  struct Case {
    char const* path;
    int mode;
    std::string expected;
  };
  std::vector<Case> cases = {
      {"", CQVODir::msc_iResolvePath, cwd},
      {nullptr, CQVODir::msc_iResolvePath, cwd},
      {nullptr, CQVODir::msc_iKeepPath, ""},
      {"a/b", CQVODir::msc_iKeepPath, platformPath("a/b")},
      {"a/b", CQVODir::msc_iResolvePath, cwd + platformPath("a/b")},
      {"a/b", 7, cwd + platformPath("a/b")},  // every mode but "keep" resolves
      {"logs/", CQVODir::msc_iResolvePath, cwd + platformPath("logs/")},
#ifdef _WIN32
      {"logs\\today", CQVODir::msc_iResolvePath, cwd + "logs\\today"},
      {"\\logs", CQVODir::msc_iResolvePath, cwd + "logs"},  // a leading backslash is not the root
      {"D:/data", CQVODir::msc_iResolvePath, "D:\\data"},
      {"//srv/share", CQVODir::msc_iResolvePath, "\\\\srv\\share"},
      {"a\\\\b", CQVODir::msc_iResolvePath, "a\\\\b"},  // "\\" anywhere: a network path
      {"x:y", CQVODir::msc_iResolvePath, "x:y"},
#else
      {"logs\\today", CQVODir::msc_iResolvePath, cwd + "logs/today"},
      {"/var/data", CQVODir::msc_iResolvePath, "/var/data"},
      {"\\var\\data", CQVODir::msc_iResolvePath, "/var/data"},  // normalised first, then absolute
      {"D:/data", CQVODir::msc_iResolvePath, cwd + "D:/data"},  // no drives on POSIX
      {"a//b", CQVODir::msc_iKeepPath, "a//b"},
#endif
  };
  for (auto const& c : cases) {
    CQVODir d(c.path, c.mode);
    EXPECT_STREQ(d.Path().c_str(), c.expected.c_str()) << (c.path ? c.path : "(null)") << " mode " << c.mode;
    EXPECT_STREQ(static_cast<char const*>(d), c.expected.c_str());
  }
}

// The system's rule for an absolute path, which a started process's working directory and redirection
// files follow (the directory class keeps its own rule, above). One table, both targets.
TEST(Paths, AbsolutePathsFollowTheSystemsRule) {
  struct Case {
    char const* path;
    bool absoluteOnWindows;
    bool absoluteOnPosix;
  };
  const Case cases[] = {
      {"C:\\a", true, false},               // drive and root
      {"C:a", true, false},                 // drive-relative: not relative to the current directory
      {"\\a", true, false},                 // root of the current drive
      {"\\\\server\\share", true, false},  // network path
      {"a\\b", false, false},
      {"/a", false, true},  // Windows: '/' counts only once normalised to '\'
      {"", false, false},
  };
  for (auto const& c : cases) {
#ifdef _WIN32
    EXPECT_EQ(qvo::platform::isAbsolutePath(c.path), c.absoluteOnWindows) << c.path;
#else
    EXPECT_EQ(qvo::platform::isAbsolutePath(c.path), c.absoluteOnPosix) << c.path;
#endif
  }
}

TEST_F(FileTest, DirectoryAssignmentOnlyNormalises) {
  CQVODir d;  // resolved
  d = "x/y";
  EXPECT_STREQ(d.Path().c_str(), platformPath("x/y").c_str());
  d = static_cast<char const*>(nullptr);
  EXPECT_STREQ(d.Path().c_str(), "");
  CQVODir other("p/q", CQVODir::msc_iKeepPath);
  d = other;
  EXPECT_STREQ(d.Path().c_str(), platformPath("p/q").c_str());
  d = d;
  EXPECT_STREQ(d.Path().c_str(), platformPath("p/q").c_str());
  CQVODir copy(other);
  EXPECT_STREQ(copy.Path().c_str(), platformPath("p/q").c_str());
}

TEST_F(FileTest, DefaultDirectoryAtTheRootHasOneSeparator) {
#ifdef _WIN32
  ASSERT_TRUE(CQVODir("\\", CQVODir::msc_iKeepPath).ChangeDir());
  std::string const root = currentDirectory();  // such as Z:\ .
  EXPECT_EQ(root.size(), 3u);
#else
  ASSERT_TRUE(CQVODir("/", CQVODir::msc_iKeepPath).ChangeDir());
  std::string const root = "/";
#endif
  EXPECT_STREQ(CQVODir().Path().c_str(), root.c_str());
  EXPECT_STREQ(CQVODir("a").Path().c_str(), (root + "a").c_str());
}

TEST_F(FileTest, CreateChangeDirAndDelete) {
  TraceCapture trace(path("trace.log"));
  CQVODir sub(path("sub").c_str(), CQVODir::msc_iKeepPath);
  EXPECT_TRUE(sub.Create());
  EXPECT_TRUE(fs::is_directory(path("sub")));
  errno = 0;
  EXPECT_FALSE(sub.Create());  // exists already
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(CQVODir(path("missing/child").c_str(), CQVODir::msc_iKeepPath).Create());  // one level only

  EXPECT_TRUE(sub.ChangeDir());
  EXPECT_EQ(fs::current_path(), fs::absolute(m_home / m_dir / "sub"));
  fs::current_path(m_home);
  EXPECT_FALSE(CQVODir(path("nowhere").c_str(), CQVODir::msc_iKeepPath).ChangeDir());
  EXPECT_EQ(errno, ENOENT);

  writeBytes(path("sub/f"), "x");
  EXPECT_TRUE(trace.texts().empty());
  errno = 0;
  EXPECT_FALSE(sub.Delete());  // not empty
  int const notEmpty = errno;
  EXPECT_NE(notEmpty, 0);
  CQVODir missing(path("gone").c_str(), CQVODir::msc_iKeepPath);
  EXPECT_FALSE(missing.Delete());
  fs::remove(path("sub/f"));
  EXPECT_TRUE(sub.Delete());
  EXPECT_FALSE(fs::exists(path("sub")));

  std::vector<std::string> const texts = trace.texts();
  ASSERT_EQ(texts.size(), 2u);  // one line per failure, none for the success
  EXPECT_EQ(texts[0], "CQVODir::Delete : failed to delete " + path("sub") + " errno=" + std::to_string(notEmpty));
  EXPECT_EQ(texts[1], "CQVODir::Delete : failed to delete " + path("gone") + " errno=" + std::to_string(ENOENT));
  std::string const log = trace.all();
  EXPECT_NE(log.find("ERROR QVOFILE"), std::string::npos) << log;
  EXPECT_NE(log.find("..\\src\\QVOFile - "), std::string::npos) << log;
}

// The current directory has no length limit: build one far beyond 1024 characters. The expected
// path is put together here, since not every runtime's own current-directory call reads it whole.
TEST_F(FileTest, LongCurrentDirectoryIsResolvedWhole) {
#ifdef _WIN32
  // Windows keeps the current directory within MAX_PATH (260) characters (and Wine, which lets
  // _chdir go further, then damages its own memory): there is no longer one to read.
  GTEST_SKIP() << "the current directory of Windows is limited to MAX_PATH characters";
#endif
  std::string const component(200, 'd');
  std::string expected = withSep(currentDirectory()) + m_dir;
  ASSERT_TRUE(CQVODir(m_dir.c_str(), CQVODir::msc_iKeepPath).ChangeDir());
  int depth = 0;
  for (; depth < 7; ++depth) {
    CQVODir step(component.c_str(), CQVODir::msc_iKeepPath);
    if (!step.Create() || !step.ChangeDir()) break;
    expected += kSep + component;
  }
  if (depth == 7) {
    EXPECT_STREQ(CQVODir("leaf").Path().c_str(), (expected + kSep + "leaf").c_str());
    EXPECT_STREQ(CQVODir().Path().c_str(), (expected + kSep).c_str());
  }
  // Climb back, removing each level (some runtimes cannot remove so deep a tree at once).
  for (int level = depth; level > 0; --level) {
    ASSERT_TRUE(CQVODir("..", CQVODir::msc_iKeepPath).ChangeDir());
    CQVODir(component.c_str(), CQVODir::msc_iKeepPath).Delete();
  }
  if (depth < 7) GTEST_SKIP() << "this system takes no current directory of " << (depth + 1) * 201 << " characters";
  EXPECT_GT(expected.size(), 1024u);
}

// ---------------------------------------------------------------------------------------------
// File: naming, construction trace, opening

TEST_F(FileTest, NameAndDirectoryAreSplit) {
  struct Case {
    char const* name;
    char const* dir;
    bool named;
    std::string expectedDir;
    std::string expectedName;
  };
  std::vector<Case> const cases = {
      {"top/x.bin", "elsewhere", true, platformPath("top/"), "x.bin"},  // the name's directory wins
      {"x.bin", "data", true, platformPath("data/"), "x.bin"},
      {"x.bin", "data/", true, platformPath("data/"), "x.bin"},
      {"x.bin", "d", true, platformPath("d/"), "x.bin"},
      {"x.bin", "", false, platformPath("/"), "x.bin"},  // a lone separator is no directory
      {"", "data", false, platformPath("data/"), ""},
      {nullptr, "data", false, platformPath("data/"), ""},
      {"sub/", "data", true, platformPath("sub/"), ""},  // nothing after the separator: still named
#ifdef _WIN32
      {"C:/data/x.bin", "D:\\y", true, "C:\\data\\", "x.bin"},
#else
      {"a\\b.txt", "data", true, "a/", "b.txt"},
#endif
  };
  for (auto const& c : cases) {
    CQVOFile f(c.name, CQVODir(c.dir, CQVODir::msc_iKeepPath), "r", 'b', 0, false);
    SCOPED_TRACE(c.name ? c.name : "(null)");
    EXPECT_EQ(f.IsNamed(), c.named);
    EXPECT_STREQ(f.Dir().Path().c_str(), c.expectedDir.c_str());
    EXPECT_STREQ(f.Name().c_str(), c.expectedName.c_str());
    EXPECT_STREQ(f.FullName().c_str(), (c.expectedDir + c.expectedName).c_str());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.FilePointer(), nullptr);
  }
}

TEST_F(FileTest, ConstructorAndExistWriteTheirTraceLines) {
  writeBytes(path("here.bin"), "abc");
  TraceCapture trace(path("trace.log"));
  {
    CQVOFile f("here.bin", dir(), "r", 'b', 1, false);
    CQVOFile unnamed(nullptr, CQVODir(m_dir.c_str(), CQVODir::msc_iKeepPath), nullptr, 'b', 0, false);
    EXPECT_TRUE(f.Exist());
    EXPECT_FALSE(unnamed.Exist());
    ASSERT_TRUE(f.Open("r", 'b', 1));
    EXPECT_TRUE(f.Exist());
  }
  std::string const d = path("");
  std::vector<std::string> const expected = {
      "CQVOFile::CQVOFile(here.bin, " + m_dir + ", r, b, 1, 0) : FileName=here.bin DirName=" + m_dir,
      "CQVOFile::CQVOFile(, " + m_dir + ", , b, 0, 0) : FileName= DirName=" + m_dir,
      "CQVOFile::Exist : IsNamed() ? FileName=here.bin DirName=" + d,
      "CQVOFile::Exist : IsOpen() ? FileName=here.bin DirName=" + d,
      "CQVOFile::Exist : _access() ? FileName=here.bin DirName=" + d,
      "CQVOFile::Exist : IsNamed() ? FileName= DirName=" + d,
      "CQVOFile::Exist : IsNamed() ? FileName=here.bin DirName=" + d,
      "CQVOFile::Exist : IsOpen() ? FileName=here.bin DirName=" + d,
  };
  EXPECT_EQ(trace.texts(), expected);
  std::string const log = trace.all();
  EXPECT_NE(log.find("INFO QVOFILE"), std::string::npos) << log;
  EXPECT_NE(log.find("..\\src\\QVOFile - "), std::string::npos) << log;
}

TEST_F(FileTest, DefaultObjectIsUnnamedAndCannotOpen) {
  CQVOFile f;
  EXPECT_FALSE(f.IsNamed());
  EXPECT_STREQ(f.Dir().Path().c_str(), "");
  EXPECT_STREQ(f.Access().c_str(), "r+");
  EXPECT_EQ(f.Type(), 'b');
  EXPECT_EQ(f.Shareable(), 0);
  EXPECT_FALSE(f.Open("r", 'b', 0));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.Exist());
  EXPECT_FALSE(f.IsReachable("r"));
  EXPECT_EQ(f.Close(), -2);
  EXPECT_FALSE(f.Delete());
  EXPECT_EQ(f.Rename("x"), -1);
  CQVOFile named("x.bin", dir(), "r", 'b', 0, false);
  EXPECT_EQ(named.Copy(f, CQVOFile::eCopyOverwrite), -2);
  EXPECT_EQ(f.Copy(named, CQVOFile::eCopyOverwrite), -2);
  EXPECT_EQ(CQVOTextFile().Type(), 'b');
}

TEST_F(FileTest, OpenVerifiesAccessTypeAndSharing) {
  writeBytes(path("v.bin"), "data");
  struct Case {
    char const* access;
    char type;
    int share;
    char const* access2;
    char type2;
    int share2;
  };
  std::vector<Case> const cases = {
      {"rw", 0, -2, "r+", 'b', 0},   // not in the table; type and sharing kept
      {"r+b", 't', 5, "r+", 'b', 0},  // a type letter in the access, an unknown type and sharing
      {"R", ' ', 1, "r+", ' ', 1},    // the table is case-sensitive
      {"a+", 'b', 1, "a+", 'b', 1},
      {"r", ' ', 0, "r", ' ', 0},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.access);
    CQVOFile f("v.bin", dir(), "r", 'b', 0, false);
    EXPECT_TRUE(f.Open(c.access, c.type, c.share));
    EXPECT_STREQ(f.Access().c_str(), c.access2);
    EXPECT_EQ(f.Type(), c.type2);
    EXPECT_EQ(f.Shareable(), c.share2);
    EXPECT_EQ(f.Close(), 1);
  }
  EXPECT_EQ(readBytes(path("v.bin")), "data");
  // Stored values stay when the call gives none; a null access is an empty one.
  CQVOFile g("v.bin", dir(), "r", ' ', 1, false);
  EXPECT_TRUE(g.Open(nullptr, 0, -2));
  EXPECT_STREQ(g.Access().c_str(), "r");
  EXPECT_EQ(g.Type(), ' ');
  EXPECT_EQ(g.Shareable(), 1);
}

TEST_F(FileTest, EmptyAccessCreatesMissingFileAndKeepsExistingOne) {
  CQVOFile created("x.bin", dir(), "", 'b', 0, false);
  EXPECT_TRUE(created.Open("", 0, -2));
  EXPECT_TRUE(created.IsOpen());
  EXPECT_STREQ(created.Access().c_str(), "w+");
  EXPECT_TRUE(exists(path("x.bin")));
  EXPECT_EQ(created.Size(), 0);
  EXPECT_EQ(created.Write("12345", 5), 5u);
  EXPECT_EQ(created.Close(), 1);

  CQVOFile kept("x.bin", dir(), "", 'b', 0, false);
  EXPECT_TRUE(kept.Open("", 0, -2));
  EXPECT_STREQ(kept.Access().c_str(), "r+");  // an existing file opens for update, untruncated
  EXPECT_EQ(kept.Size(), 5);
  EXPECT_EQ(kept.Close(), 1);
  EXPECT_EQ(readBytes(path("x.bin")), "12345");

  CQVOFile viaConstructor("y.bin", dir(), "", 'b', 1, true);
  EXPECT_TRUE(viaConstructor.IsOpen());
  EXPECT_TRUE(exists(path("y.bin")));
  CQVOFile noDirectory("z.bin", CQVODir(path("missing").c_str(), CQVODir::msc_iKeepPath), "", 'b', 0, false);
  EXPECT_FALSE(noDirectory.Open("", 0, -2));
  EXPECT_FALSE(noDirectory.IsOpen());
}

TEST_F(FileTest, ExclusiveOpenRefusesOthersAndSharedOpenAdmitsShared) {
  writeBytes(path("s.bin"), "keep me");
  CQVOFile holder("s.bin", dir(), "r+", 'b', 0, false);
  ASSERT_TRUE(holder.Open("r+", 'b', 0));
  struct Attempt {
    char const* access;
    int share;
  };
  // Whatever is asked, nothing gets in, and nothing is truncated on the way ("w" and the
  // empty access's "w+" retry would truncate).
  for (Attempt a : std::vector<Attempt>{{"r", 0}, {"r", 1}, {"w", 1}, {"w+", 0}, {"", 0}, {"", 1}}) {
    SCOPED_TRACE(std::string(a.access) + " share " + std::to_string(a.share));
    CQVOFile other("s.bin", dir(), "r", 'b', 0, false);
    errno = 0;
    EXPECT_FALSE(other.Open(a.access, 'b', a.share));
    EXPECT_EQ(errno, EACCES);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(other.FilePointer(), nullptr);
  }
  EXPECT_EQ(holder.Close(), 1);
  EXPECT_EQ(readBytes(path("s.bin")), "keep me");

  CQVOFile first("s.bin", dir(), "r", 'b', 1, true);
  CQVOFile second("s.bin", dir(), "r", 'b', 1, true);
  CQVOFile exclusive("s.bin", dir(), "r", 'b', 0, true);
  EXPECT_TRUE(first.IsOpen());
  EXPECT_TRUE(second.IsOpen());
  EXPECT_FALSE(exclusive.IsOpen());
  // The empty access's retry never truncates a file that merely could not be opened.
  EXPECT_FALSE(exclusive.Open("", 'b', 0));
  EXPECT_EQ(readBytes(path("s.bin")), "keep me");

  // A failed Open leaves the object closed and usable.
  first.Close();
  second.Close();
  EXPECT_TRUE(exclusive.Open("r", 'b', 0));
  char buffer[8] = {};
  EXPECT_EQ(exclusive.Read(buffer, 7, 1), 7u);
  EXPECT_STREQ(buffer, "keep me");
}

// The sharing values bind between processes as within one.
TEST_F(FileTest, SharingHoldsAcrossProcesses) {
  writeBytes(path("x.bin"), "held elsewhere");
  struct Case {
    int heldWith;
    int share;
    bool opens;
  };
  for (Case c : std::vector<Case>{{0, 0, false}, {0, 1, false}, {1, 0, false}, {1, 1, true}}) {
    SCOPED_TRACE("held with " + std::to_string(c.heldWith) + ", opened with " + std::to_string(c.share));
    fs::remove(path("ready"));
    fs::remove(path("release"));
    filetest::HelperProcess holder("file_holder",
                                   {path("x.bin"), std::to_string(c.heldWith), path("ready"), path("release")});
    ASSERT_TRUE(holder.running());
    for (int i = 0; i < 1000 && !exists(path("ready")); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(exists(path("ready")));
    CQVOFile here("x.bin", dir(), "r+", 'b', c.share, true);
    EXPECT_EQ(here.IsOpen(), c.opens);
    CQVOFile truncating("x.bin", dir(), "w", 'b', c.share, true);
    EXPECT_EQ(truncating.IsOpen(), c.opens);
    truncating.Close();
    writeBytes(path("release"), "");
    EXPECT_EQ(holder.wait(), 0);
    if (!c.opens) {
      EXPECT_EQ(readBytes(path("x.bin")), "held elsewhere");  // a refused "w" truncates nothing
    }
    writeBytes(path("x.bin"), "held elsewhere");
  }
}

TEST_F(FileTest, ReachabilityFollowsTheAccessMode) {
  writeBytes(path("r.bin"), "x");
  CQVOFile f("r.bin", dir(), "a", 'b', 0, false);
  CQVOFile missing("none.bin", dir(), "r", 'b', 0, false);
  for (char const* access : {"r", "r+", "w", "a+", ""}) {
    EXPECT_TRUE(f.IsReachable(access)) << access;
    EXPECT_FALSE(missing.IsReachable(access)) << access;
  }
  EXPECT_TRUE(f.IsReachable(nullptr));
  EXPECT_FALSE(missing.IsReachable(nullptr));
}

// A file that exists but may not be written: the check runs where that holds also for root.
TEST_F(FileTest, ExistingFileThatCannotBeWrittenIsNotOpenedForWriting) {
  writeBytes(path("ro.bin"), "read only");
#ifdef _WIN32
  ASSERT_EQ(::_chmod(path("ro.bin").c_str(), _S_IREAD), 0);
#else
  ASSERT_EQ(::chmod(path("ro.bin").c_str(), 0444), 0);
#endif
  std::string const directory = m_dir;
  std::string why;
  int const held = filetest::runUnprivileged(
      [&] {
        CQVOFile f("ro.bin", CQVODir(directory.c_str(), CQVODir::msc_iKeepPath), "r+", 'b', 0, false);
        bool ok = f.IsReachable("r") && !f.IsReachable("") && !f.IsReachable("w") && !f.IsReachable("a+");
        ok = ok && !f.Open("r+", 'b', 0) && !f.IsOpen();
        ok = ok && !f.Open("", 'b', 0) && !f.IsOpen();  // exists: no "w+" retry
        ok = ok && f.Open("r", 'b', 0) && f.IsOpen();
        return ok;
      },
      why);
  if (held < 0) GTEST_SKIP() << why;
  EXPECT_EQ(held, 1);
  EXPECT_EQ(readBytes(path("ro.bin")), "read only");
#ifdef _WIN32
  ::_chmod(path("ro.bin").c_str(), _S_IREAD | _S_IWRITE);
#endif
}

// ---------------------------------------------------------------------------------------------
// File: block access, positions, size, flush, close

TEST_F(FileTest, ReadCountsWholeItems) {
  writeBytes(path("four.bin"), "abcd");
  CQVOFile f("four.bin", dir(), "r", 'b', 0, true);
  ASSERT_TRUE(f.IsOpen());
  char buffer[64] = {};
  EXPECT_EQ(f.Read(buffer, 1, 10), kFail);  // one item that cannot be read whole
  f.MovePointer(0, 0);
  EXPECT_EQ(f.Read(buffer, 3, 10), 0u);  // several: the count of whole items
  f.MovePointer(0, 0);
  EXPECT_EQ(f.Read(buffer, 2, 2), 2u);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_EQ(f.EndOfFile(), 0);
  EXPECT_EQ(f.Read(buffer, 1, 1), kFail);
  EXPECT_EQ(f.EndOfFile(), 1);

  EXPECT_EQ(f.Read(nullptr, 1, 1), kFail);
  EXPECT_EQ(f.Read(buffer, 0, 1), kFail);
  EXPECT_EQ(f.Read(buffer, 1, 0), kFail);
  EXPECT_EQ(f.Read(buffer, 1, -4), kFail);
  // No buffer can be larger than the address space: where the largest count times the largest item
  // size does not fit in size_t (every target but 64-bit Windows, whose long is 32-bit), it is refused.
  if (static_cast<long double>(4294967295u) * LONG_MAX > static_cast<long double>(SIZE_MAX)) {
    EXPECT_EQ(f.Read(buffer, 4294967295u, LONG_MAX), kFail);
  }
  f.Close();
  EXPECT_EQ(f.Read(buffer, 1, 1), kFail);
  EXPECT_EQ(f.EndOfFile(), -2);
}

TEST_F(FileTest, WriteNeedsAnOpenFileAndBytes) {
  CQVOFile f("w.bin", dir(), "w", 'b', 1, false);
  EXPECT_EQ(f.Write("abc", 3), kFail);  // closed
  ASSERT_TRUE(f.Open("w", 'b', 1));  // shared, so that the check below may read it
  EXPECT_EQ(f.Write("abc", 0), kFail);
  EXPECT_EQ(f.Write(nullptr, 3), kFail);
  std::string const bytes = patternBytes(70000);
  EXPECT_EQ(f.Write(bytes.data(), static_cast<unsigned int>(bytes.size())), 70000u);
  EXPECT_EQ(f.Flush(), 1);
  EXPECT_TRUE(readBytes(path("w.bin")) == bytes);
  EXPECT_EQ(f.Close(), 1);
  EXPECT_EQ(f.Flush(), -2);
}

TEST_F(FileTest, PositionsAndSize) {
  writeBytes(path("p.bin"), "0123456789");
  CQVOFile f("p.bin", dir(), "r+", 'b', 0, false);
  EXPECT_EQ(f.Size(), -2);
  EXPECT_EQ(f.PointerPosition(), -2);
  EXPECT_EQ(f.MovePointer(0, 1), -2);
  ASSERT_TRUE(f.Open("r+", 'b', 0));
  EXPECT_EQ(f.MovePointer(0, 4), 0);  // the position before the move
  EXPECT_EQ(f.MovePointer(1, 2), 4);
  EXPECT_EQ(f.PointerPosition(), 6);
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.PointerPosition(), 6);
  EXPECT_EQ(f.MovePointer(0, -5), -2);  // before the start
  EXPECT_EQ(f.PointerPosition(), 6);
  EXPECT_EQ(f.MovePointer(9, 0), -2);  // no such origin
  EXPECT_EQ(f.PointerPosition(), 6);
  EXPECT_EQ(f.MovePointer(2, -3), 6);
  EXPECT_EQ(f.PointerPosition(), 7);
  EXPECT_EQ(f.Write("AB", 2), 2u);
  EXPECT_EQ(f.Size(), 10);  // pending bytes count
  EXPECT_EQ(f.Close(), 1);
  EXPECT_EQ(f.Close(), -2);
  EXPECT_EQ(readBytes(path("p.bin")), "0123456AB9");
}

TEST_F(FileTest, EmptyFileRecreatesTheFileEmptyWithTheRuntimesSharing) {
  writeBytes(path("e.bin"), "content");
  CQVOFile f("e.bin", dir(), "r+", 'b', 1, false);
  EXPECT_FALSE(f.EmptyFile());  // only an open file
  ASSERT_TRUE(f.Open("r+", 'b', 1));
  EXPECT_TRUE(f.EmptyFile());
  EXPECT_TRUE(f.IsOpen());
  EXPECT_EQ(f.Size(), 0);
  EXPECT_STREQ(f.Access().c_str(), "w+");  // "r+" on the vanished file, then the retry
  EXPECT_EQ(f.Shareable(), 0);
  EXPECT_EQ(readBytes(path("e.bin")), "");
  // The file is created again as a plain fopen creates it, open to others, although the share value is 0.
  CQVOFile other("e.bin", dir(), "r", 'b', 1, false);
  EXPECT_TRUE(other.Open("r", 'b', 1));
}

TEST_F(FileTest, TimeStampsOfTheFileStatus) {
  CQVOFile f("t.bin", dir(), "w", 'b', 0, false);
  long t = 12345;
  EXPECT_FALSE(f.LastModificationTime(t));
  EXPECT_FALSE(f.LastChangeTime(t));
  EXPECT_FALSE(f.LastAccessTime(t));
  EXPECT_EQ(t, 12345);

  writeBytes(path("t.bin"), "x");
  long const then = 1000000000L;                        // 2001-09-09
  long long const after2038 = 2147483648LL + 86400LL;  // one day after the 32-bit end
  auto setTimes = [&](long long seconds) {
#ifdef _WIN32
    struct __utimbuf64 times = {seconds, seconds};
    return ::_utime64(path("t.bin").c_str(), &times) == 0;
#else
    struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    return ::utimensat(AT_FDCWD, path("t.bin").c_str(), times, 0) == 0;
#endif
  };
  ASSERT_TRUE(setTimes(then));
  EXPECT_TRUE(f.LastModificationTime(t));  // closed files too
  EXPECT_EQ(t, then);
  EXPECT_TRUE(f.LastAccessTime(t));
  EXPECT_EQ(t, then);
  long changed = 0;
  EXPECT_TRUE(f.LastChangeTime(changed));
#ifndef _WIN32
  EXPECT_GT(changed, then);  // the status change made by setting the times
#endif

  if (!setTimes(after2038)) GTEST_SKIP() << "this file system cannot hold a time after January 2038";
  t = 7;
  if (sizeof(long) >= 8) {
    EXPECT_TRUE(f.LastModificationTime(t));
    EXPECT_EQ(static_cast<long long>(t), after2038);
  } else {
    // A 32-bit long cannot hold the time: a failure, not a wrapped value.
    EXPECT_FALSE(f.LastModificationTime(t));
    EXPECT_EQ(t, 7);
  }
}

// Copying an object never lets two objects own one stream: the copy is closed.
TEST_F(FileTest, CopiesOfAnOpenFileAreClosed) {
  writeBytes(path("c.bin"), "abc");
  CQVOFile original("c.bin", dir(), "r+", 'b', 0, true);
  ASSERT_TRUE(original.IsOpen());
  {
    CQVOFile copy(original);
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_EQ(copy.FilePointer(), nullptr);
    EXPECT_TRUE(copy.IsNamed());
    EXPECT_STREQ(copy.FullName().c_str(), original.FullName().c_str());
    EXPECT_STREQ(copy.Access().c_str(), "r+");
    EXPECT_FALSE(copy.Open("r", 'b', 1));  // the original holds it exclusively
    CQVOFile assigned;
    assigned = original;
    EXPECT_FALSE(assigned.IsOpen());
    EXPECT_TRUE(assigned.IsNamed());
  }
  char buffer[4] = {};
  EXPECT_EQ(original.Read(buffer, 3, 1), 3u);  // the original's stream is untouched
  EXPECT_STREQ(buffer, "abc");

  // Assigning to an open object closes its own stream and releases the file.
  CQVOFile other("d.bin", dir(), "", 'b', 0, true);
  ASSERT_TRUE(other.IsOpen());
  other = original;
  EXPECT_FALSE(other.IsOpen());
  CQVOFile d("d.bin", dir(), "r", 'b', 0, true);
  EXPECT_TRUE(d.IsOpen());

  CQVOTextFile text("t.txt", dir(), "", 0, true);
  ASSERT_TRUE(text.IsOpen());
  CQVOTextFile textCopy(text);
  EXPECT_FALSE(textCopy.IsOpen());
  EXPECT_EQ(textCopy.Type(), ' ');
  textCopy = text;
  EXPECT_FALSE(textCopy.IsOpen());
}

#ifdef __linux__
// fclose releases the stream even when it fails: the object is closed, and nothing is closed twice.
TEST_F(FileTest, FailedCloseStillReleasesTheStream) {
  CQVOFile full("full", CQVODir("/dev", CQVODir::msc_iKeepPath), "w", 'b', 1, false);
  ASSERT_TRUE(full.Open("w", 'b', 1));
  EXPECT_EQ(full.Write("abc", 3), 3u);  // buffered
  EXPECT_EQ(full.Close(), 0);           // the device is full
  EXPECT_FALSE(full.IsOpen());
  EXPECT_EQ(full.FilePointer(), nullptr);
  EXPECT_EQ(full.Close(), -2);
}
#endif

// ---------------------------------------------------------------------------------------------
// Copy, rename, delete

TEST_F(FileTest, StaticCopyOfTheThreeKinds) {
  std::string const src = path("src.bin");
  std::string const dst = path("dst.bin");
  writeBytes(src, "SOURCE");
  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), CQVOFile::eCopyNew, 0), 1);
  EXPECT_EQ(readBytes(dst), "SOURCE");
  writeBytes(dst, "old");
  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), CQVOFile::eCopyNew, 0), -2);
  EXPECT_EQ(readBytes(dst), "old");
  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), CQVOFile::eCopyAppend, 0), 1);
  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), CQVOFile::eCopyAppend, 1), 1);
  EXPECT_EQ(readBytes(dst), "oldSOURCESOURCE");
  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), CQVOFile::eCopyOverwrite, 1), 1);
  EXPECT_EQ(readBytes(dst), "SOURCE");
  EXPECT_EQ(FileOps::Copy(src.c_str(), path("new.bin").c_str(), CQVOFile::eCopyAppend, 0), 1);
  EXPECT_EQ(readBytes(path("new.bin")), "SOURCE");

  EXPECT_EQ(FileOps::Copy(src.c_str(), dst.c_str(), static_cast<CQVOFile::enumCopyType>(7), 0), 0);
  EXPECT_EQ(FileOps::Copy(path("missing").c_str(), dst.c_str(), CQVOFile::eCopyOverwrite, 0), 0);
  EXPECT_EQ(FileOps::Copy(src.c_str(), path("no/dir/x").c_str(), CQVOFile::eCopyOverwrite, 0), 0);
  EXPECT_EQ(FileOps::Copy(nullptr, dst.c_str(), CQVOFile::eCopyOverwrite, 0), 0);
  EXPECT_EQ(FileOps::Copy(src.c_str(), nullptr, CQVOFile::eCopyOverwrite, 0), 0);
  EXPECT_EQ(readBytes(src), "SOURCE");
  EXPECT_EQ(readBytes(dst), "SOURCE");
}

TEST_F(FileTest, CopiesAreByteIdenticalAtBlockEdges) {
  std::string const src = path("src.bin");
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
                           std::size_t{8192}, std::size_t{65536}, std::size_t{1048579}}) {
    SCOPED_TRACE(size);
    std::string const bytes = patternBytes(size);
    writeBytes(src, bytes);
    writeBytes(path("dst.bin"), "previous contents, longer than a byte");
    EXPECT_EQ(FileOps::Copy(src.c_str(), path("dst.bin").c_str(), CQVOFile::eCopyOverwrite, 0), 1);
    EXPECT_TRUE(readBytes(path("dst.bin")) == bytes);
    writeBytes(path("app.bin"), "head");
    EXPECT_EQ(FileOps::Copy(src.c_str(), path("app.bin").c_str(), CQVOFile::eCopyAppend, 0), 1);
    EXPECT_TRUE(readBytes(path("app.bin")) == "head" + bytes);
  }
}

// One file reached by two spellings is copied onto itself: nothing happens, whatever the kind.
TEST_F(FileTest, CopyOntoTheSameFileTouchesNothing) {
  writeBytes(path("a.bin"), "same file");
  std::vector<std::string> spellings = {path("a.bin"), path("./a.bin"), path("../" + m_dir + "/a.bin")};
#ifdef _WIN32
  spellings.push_back(path("A.BIN"));  // the file system ignores letter case
#else
  std::error_code error;
  fs::create_symlink("a.bin", path("link.bin"), error);
  if (!error) spellings.push_back(path("link.bin"));
  fs::create_hard_link(path("a.bin"), path("hard.bin"), error);
  if (!error) spellings.push_back(path("hard.bin"));
#endif
  for (auto const& other : spellings) {
    for (auto type : {CQVOFile::eCopyNew, CQVOFile::eCopyOverwrite, CQVOFile::eCopyAppend}) {
      SCOPED_TRACE(other + " kind " + std::to_string(type));
      EXPECT_EQ(FileOps::Copy(path("a.bin").c_str(), other.c_str(), type, 0), 1);
      EXPECT_EQ(FileOps::Copy(other.c_str(), path("a.bin").c_str(), type, 1), 1);
      EXPECT_EQ(readBytes(path("a.bin")), "same file");
    }
  }
  CQVOFile a("a.bin", dir(), "r+", 'b', 0, true);
  CQVOFile b((m_dir + "/./a.bin").c_str(), dir(), "r+", 'b', 0, false);
  EXPECT_EQ(b.Copy(a, CQVOFile::eCopyAppend), 1);
  EXPECT_EQ(a.Copy(a, CQVOFile::eCopyOverwrite), 1);
  EXPECT_TRUE(a.IsOpen());
  EXPECT_EQ(a.Size(), 9);
}

TEST_F(FileTest, MemberCopyClosesAndReopensBothFiles) {
  writeBytes(path("src.bin"), "0123456789");
  CQVOFile source("src.bin", dir(), "r+", 'b', 1, true);
  ASSERT_TRUE(source.IsOpen());
  source.MovePointer(0, 5);
  CQVOFile dest("dst.bin", dir(), "w+", 'b', 1, true);
  ASSERT_TRUE(dest.IsOpen());
  EXPECT_EQ(dest.Copy(source, CQVOFile::eCopyNew), -2);  // open destination
  dest.Write("xy", 2);
  EXPECT_EQ(dest.Copy(source, CQVOFile::eCopyOverwrite), 1);
  EXPECT_TRUE(source.IsOpen());
  EXPECT_EQ(source.PointerPosition(), 5);
  EXPECT_EQ(source.Shareable(), 0);  // reopened with sharing 0
  EXPECT_TRUE(dest.IsOpen());
  EXPECT_STREQ(dest.Access().c_str(), "r+");  // "w+" would truncate what was copied
  EXPECT_EQ(dest.PointerPosition(), 0);
  EXPECT_EQ(dest.Size(), 10);
  char copied[11] = {};
  EXPECT_EQ(dest.Read(copied, 10, 1), 10u);  // exclusive now: read through the object itself
  EXPECT_STREQ(copied, "0123456789");

  dest.MovePointer(0, 3);
  EXPECT_EQ(dest.Copy(source, CQVOFile::eCopyAppend), 1);
  EXPECT_EQ(dest.PointerPosition(), 3);  // restored after appending only
  EXPECT_EQ(dest.Size(), 20);

  CQVOFile fresh("fresh.bin", dir(), "r", 'b', 0, false);
  EXPECT_EQ(fresh.Copy(source, CQVOFile::eCopyNew), 1);
  EXPECT_FALSE(fresh.IsOpen());  // a closed file stays closed
  EXPECT_EQ(fresh.Copy(source, CQVOFile::eCopyNew), -2);
  EXPECT_EQ(readBytes(path("fresh.bin")), "0123456789");
}

TEST_F(FileTest, CopyOfAnExclusivelyHeldSourceFails) {
  writeBytes(path("held.bin"), "held");
  CQVOFile holder("held.bin", dir(), "r", 'b', 0, true);
  ASSERT_TRUE(holder.IsOpen());
  EXPECT_EQ(FileOps::Copy(path("held.bin").c_str(), path("out.bin").c_str(), CQVOFile::eCopyOverwrite, 0), 0);
  writeBytes(path("src.bin"), "new");
  EXPECT_EQ(FileOps::Copy(path("src.bin").c_str(), path("held.bin").c_str(), CQVOFile::eCopyOverwrite, 1), 0);
  holder.Close();
  EXPECT_EQ(readBytes(path("held.bin")), "held");
}

#ifdef __linux__
TEST_F(FileTest, CopyIntoAFullDeviceFailsAndKeepsTheSource) {
  std::string const bytes = patternBytes(100000);
  writeBytes(path("src.bin"), bytes);
  CQVOFile source("src.bin", dir(), "r", 'b', 0, false);
  CQVOFile full("full", CQVODir("/dev", CQVODir::msc_iKeepPath), "w", 'b', 1, false);
  EXPECT_EQ(full.Copy(source, CQVOFile::eCopyOverwrite), 0);
  EXPECT_EQ(full.Copy(source, CQVOFile::eCopyAppend), 0);
  EXPECT_EQ(FileOps::Copy(path("src.bin").c_str(), "/dev/full", CQVOFile::eCopyOverwrite, 0), 0);
  EXPECT_TRUE(readBytes(path("src.bin")) == bytes);
  writeBytes(path("tiny.bin"), "t");  // a single byte is refused too
  EXPECT_EQ(FileOps::Copy(path("tiny.bin").c_str(), "/dev/full", CQVOFile::eCopyOverwrite, 0), 0);
}
#endif

TEST_F(FileTest, RenameNeverReplacesAnotherFile) {
  writeBytes(path("a.txt"), "A");
  writeBytes(path("b.txt"), "B");
  CQVOFile a("a.txt", dir(), "r", 'b', 0, false);
  EXPECT_EQ(a.Rename(static_cast<char const*>(nullptr)), -1);
  EXPECT_EQ(a.Rename("b.txt"), 0);
  EXPECT_EQ(readBytes(path("a.txt")), "A");
  EXPECT_EQ(readBytes(path("b.txt")), "B");
  EXPECT_EQ(a.Rename("a.txt"), 1);  // its own name
  EXPECT_EQ(readBytes(path("a.txt")), "A");
  EXPECT_EQ(a.Rename(""), 0);
  EXPECT_EQ(a.Rename("sub/"), 0);
  EXPECT_TRUE(exists(path("a.txt")));
  EXPECT_FALSE(FileOps::Rename(path("a.txt").c_str(), path("b.txt").c_str()));
  EXPECT_EQ(readBytes(path("b.txt")), "B");
  EXPECT_FALSE(FileOps::Rename(nullptr, path("c.txt").c_str()));
  EXPECT_TRUE(FileOps::Rename(path("a.txt").c_str(), path("c.txt").c_str()));
  EXPECT_EQ(readBytes(path("c.txt")), "A");
}

TEST_F(FileTest, RenameMovesAndReopensAnOpenFile) {
  ASSERT_TRUE(CQVODir(path("other").c_str(), CQVODir::msc_iKeepPath).Create());
  CQVOFile f("f.bin", dir(), "w+", 'b', 1, true);
  ASSERT_TRUE(f.IsOpen());
  f.Write("payload", 7);
  TraceCapture trace(path("trace.log"));
  CQVODir other(path("other").c_str(), CQVODir::msc_iKeepPath);
  EXPECT_EQ(f.Rename("g.bin", &other), 1);
  EXPECT_TRUE(f.IsOpen());
  EXPECT_STREQ(f.Access().c_str(), "r+");
  EXPECT_EQ(f.PointerPosition(), 0);
  EXPECT_STREQ(f.FullName().c_str(), path("other/g.bin").c_str());
  EXPECT_FALSE(exists(path("f.bin")));
  EXPECT_EQ(f.Size(), 7);
  // A path in the name wins over the directory argument.
  EXPECT_EQ(f.Rename((m_dir + "/h.bin").c_str(), &other), 1);
  EXPECT_STREQ(f.FullName().c_str(), path("h.bin").c_str());
  EXPECT_EQ(f.Close(), 1);
  EXPECT_EQ(readBytes(path("h.bin")), "payload");
  // The new name is asked for through a temporary file object, which traces as any other.
  std::vector<std::string> const texts = trace.texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "CQVOFile::CQVOFile(" + path("other/g.bin") + ", " + path("other/") + ", r, b, 1, 0) : FileName=" +
                          path("other/g.bin") + " DirName=" + path("other/"));
}

TEST_F(FileTest, DeleteClosesAndRemoves) {
  writeBytes(path("d.bin"), "x");
  CQVOFile f("d.bin", dir(), "r+", 'b', 0, true);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_TRUE(f.Delete());
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(exists(path("d.bin")));
  EXPECT_FALSE(f.Delete());
  ASSERT_TRUE(CQVODir(path("adir").c_str(), CQVODir::msc_iKeepPath).Create());
  EXPECT_FALSE(FileOps::Delete(path("adir").c_str()));  // never a directory
  EXPECT_FALSE(FileOps::Delete(nullptr));
}

// ---------------------------------------------------------------------------------------------
// Text file

TEST_F(FileTest, LinesComeBackWithoutTheirLineEnds) {
  writeBytes(path("l.txt"), "a\n\nb\n" + std::string(5000, 'x') + "\nlast");
  CQVOTextFile f("l.txt", dir(), "r", 0, true);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_STREQ(f.ReadNextLine().c_str(), "a");
  EXPECT_STREQ(f.ReadNextLine().c_str(), "");
  EXPECT_EQ(f.EndOfFile(), 0);
  EXPECT_STREQ(f.ReadNextLine().c_str(), "b");
  EXPECT_EQ(f.ReadNextLine().length(), 4095u);
  EXPECT_EQ(f.ReadNextLine().length(), 905u);
  EXPECT_STREQ(f.ReadNextLine().c_str(), "last");
  EXPECT_STREQ(f.ReadNextLine().c_str(), "");
  EXPECT_EQ(f.EndOfFile(), 1);
  f.Close();
  EXPECT_STREQ(f.ReadNextLine().c_str(), "");
}

// Lines of every length up to past the 4095-character piece, across many refills of the stream's
// buffer, after writing through the same stream.
TEST_F(FileTest, ManyLinesReadBackWhole) {
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) lines.push_back(std::string(static_cast<std::size_t>(i * 37 % 301), 'a' + i % 26));
  lines.push_back(std::string(4094, 'x'));
  lines.push_back(std::string(4095, 'y'));
  lines.push_back("after");
  CQVOTextFile f("many.txt", dir(), "w+", 0, true);
  ASSERT_TRUE(f.IsOpen());
  for (auto const& line : lines) ASSERT_EQ(f.WriteNextLine(line.c_str()), 1);
  f.MovePointer(0, 0);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ASSERT_STREQ(f.ReadNextLine().c_str(), lines[i].c_str()) << "line " << i;
    if (lines[i].size() == 4095) {
      ASSERT_STREQ(f.ReadNextLine().c_str(), "");  // the line end after a full piece
    }
  }
  EXPECT_STREQ(f.ReadNextLine().c_str(), "");
  EXPECT_EQ(f.EndOfFile(), 1);
}

TEST_F(FileTest, WrittenLinesEndOnceAndTextModeTranslates) {
  {
    CQVOTextFile f("w.txt", dir(), "w", 0, true);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.WriteNextLine("one"), 1);
    EXPECT_EQ(f.WriteNextLine("two\n"), 1);
    EXPECT_EQ(f.WriteNextLine(""), 1);
    EXPECT_EQ(f.WriteNextLine(CQVOString("three")), 1);
    EXPECT_EQ(f.WriteNextLine(static_cast<char const*>(nullptr)), -2);
  }
#ifdef _WIN32
  EXPECT_EQ(readBytes(path("w.txt")), "one\r\ntwo\r\n\r\nthree\r\n");  // the runtime's translated mode
#else
  EXPECT_EQ(readBytes(path("w.txt")), "one\ntwo\n\nthree\n");  // text and binary are equal
#endif
  CQVOTextFile text("w.txt", dir(), "r", 1, true);
  EXPECT_STREQ(text.GetContent().c_str(), "one\ntwo\n\nthree\n");
  EXPECT_STREQ(text.ReadNextLine().c_str(), "one");

  // The same bytes read as binary keep what the file holds.
  CQVOTextFile binary("w.txt", dir(), "r", 0, false);
  ASSERT_TRUE(binary.Open("r", 'b', 1));
#ifdef _WIN32
  EXPECT_STREQ(binary.ReadNextLine().c_str(), "one\r");
#else
  EXPECT_STREQ(binary.ReadNextLine().c_str(), "one");
#endif
  CQVOTextFile closed;
  EXPECT_EQ(closed.WriteNextLine("x"), -2);
}

TEST_F(FileTest, TextWriteTakesAtMostCountCharacters) {
  CQVOTextFile f("t.txt", dir(), "w+", 0, true);
  CQVOFile& asFile = f;  // the override is the one called through the base
  struct Case {
    char const* text;
    unsigned int count;
    unsigned int result;
  };
  std::vector<Case> const cases = {{"hello", 3, 3}, {"hello", 0, 5}, {"hello", 99, 5}, {"", 0, kFail}, {nullptr, 3, kFail}};
  for (auto const& c : cases) EXPECT_EQ(asFile.Write(c.text, c.count), c.result) << (c.text ? c.text : "(null)");
  EXPECT_STREQ(f.GetContent().c_str(), "helhellohello");
  f.Close();
  EXPECT_EQ(f.Write("hello", 0), kFail);
}

TEST_F(FileTest, GetContentKeepsThePosition) {
  CQVOTextFile f("g.txt", dir(), "", 0, true);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_STREQ(f.GetContent().c_str(), "");
  EXPECT_EQ(f.PointerPosition(), 0);
  f.WriteNextLine("alpha");
  f.WriteNextLine("beta");
  long const end = f.PointerPosition();
  EXPECT_STREQ(f.GetContent().c_str(), "alpha\nbeta\n");
  EXPECT_EQ(f.PointerPosition(), end);
  f.MovePointer(0, 2);
  EXPECT_STREQ(f.GetContent().c_str(), "alpha\nbeta\n");
  EXPECT_EQ(f.PointerPosition(), 2);
  f.Close();
  EXPECT_STREQ(f.GetContent().c_str(), "");

  writeBytes(path("z.bin"), std::string("ab\0cd", 5));
  CQVOTextFile zero("z.bin", dir(), "r", 0, true);
  EXPECT_STREQ(zero.GetContent().c_str(), "ab");  // a zero byte ends the text
}

TEST_F(FileTest, NullNamesAreEmptyNames) {
  TraceCapture trace(path("trace.log"));
  CQVOTextFile text(nullptr, dir(), nullptr, 0, true);
  EXPECT_FALSE(text.IsNamed());
  EXPECT_FALSE(text.IsOpen());
  CQVOFile file(nullptr, CQVODir(nullptr), nullptr, 'b', 0, false);
  EXPECT_FALSE(file.IsNamed());
  EXPECT_FALSE(file.Open(nullptr, 0, -2));
  std::vector<std::string> const texts = trace.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "CQVOFile::CQVOFile(, " + m_dir + ", ,  , 0, 1) : FileName= DirName=" + m_dir);
}

// ---------------------------------------------------------------------------------------------
// Reliability

TEST_F(FileTest, NoOperationLeaksADescriptor) {
  writeBytes(path("seed.bin"), patternBytes(5000));
  qvotest::expectNoHandleGrowth(
      [&] {
        CQVOFile a("a.bin", dir(), "", 'b', 0, true);
        a.Write("abc", 3);
        CQVOFile refused("a.bin", dir(), "r", 'b', 1, true);  // refused by the lock
        CQVOFile seed("seed.bin", dir(), "r", 'b', 1, true);
        a.Copy(seed, CQVOFile::eCopyOverwrite);
        a.Copy(seed, CQVOFile::eCopyNew);  // -2 while open
        CQVOFile b("b.bin", dir(), "r", 'b', 0, false);
        b.Copy(seed, CQVOFile::eCopyNew);
        b.Copy(seed, CQVOFile::eCopyNew);  // -2: exists
        a.Rename("c.bin");
        CQVOTextFile t("c.bin", dir(), "r", 1, true);
        t.GetContent();
        t.ReadNextLine();
        CQVOFile copy(a);
        copy = seed;
        a.EmptyFile();
        a.Delete();
        b.Delete();
      },
      1000);
}

}  // namespace
