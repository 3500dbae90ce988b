// Tests that the pipe ends of one user never meet another user's: on Linux every path refuses a pipe
// directory that is not the user's own private one, also when it changes after an end already waits,
// and each connection is checked against the other end's credentials. The ends run in child processes,
// as root and as an unprivileged user, each with a runtime directory inside a scratch folder of the
// test's working folder, which the test removes again.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "QVOPipe.h"
#include "platform/event.h"
#include "platform/pipe.h"

namespace {

namespace fs = std::filesystem;
namespace pf = qvo::platform;
using pf::PipeDirection;
using pf::PipeHandle;

constexpr uid_t kNobody = 65534;
constexpr auto kHangGuard = std::chrono::seconds(60);
constexpr char kName[] = "job";  // the name every end below uses

void chownTo(std::string const& path, uid_t uid) {
  ASSERT_EQ(::lchown(path.c_str(), uid, uid == 0 ? 0 : kNobody), 0) << path;
}

void makeDir(std::string const& path, uid_t owner, mode_t mode) {
  ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
  chownTo(path, owner);
}

std::set<std::string> entries(std::string const& dir) {
  std::set<std::string> names;
  std::error_code ignored;
  for (auto const& e : fs::directory_iterator(dir, ignored)) names.insert(e.path().filename().string());
  return names;
}

bool exists(std::string const& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// A one-way signal between processes: wait() blocks until every process that holds the signal has
// called send() or wait() (each closes its own copy of the write end) or has ended.
class Signal {
 public:
  Signal() { ok = ::pipe2(m_fds, O_CLOEXEC) == 0; }
  ~Signal() {
    for (int fd : m_fds) {
      if (fd >= 0) ::close(fd);
    }
  }
  void send() {
    if (m_fds[1] >= 0) ::close(m_fds[1]);
    m_fds[1] = -1;
  }
  void wait() {
    send();
    char c;
    while (::read(m_fds[0], &c, 1) < 0 && errno == EINTR) {
    }
  }
  bool ok = false;

 private:
  int m_fds[2] = {-1, -1};
};

// A child process that runs as `uid`; an end of the library gets `runtime` as its runtime directory, a
// stranger that goes round the library gets none. Its exit code is the number of the first check that
// failed in it, 0 when all held.
class Child {
 public:
  Child(uid_t uid, std::string const& runtime, std::function<int()> work) {
    m_pid = ::fork();
    if (m_pid != 0) return;
    int code = 90;
    if ((runtime.empty() || ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1) == 0) &&
        (uid == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(uid) == 0))) {
      // Never work in the system's own runtime folders: the pipe directory must be the test's.
      code = runtime.empty() || pf::pipeNamePrefix() == runtime + "/qvo-pipes/" ? work() : 91;
    }
    ::_exit(code);
  }
  ~Child() { finish(); }
  Child(Child const&) = delete;
  Child& operator=(Child const&) = delete;

  // Waits for the child's end within the hang guard (it is killed after it) and gives its exit code,
  // -1 when it did not end by itself.
  int finish() {
    if (m_pid <= 0) return m_code;
    const auto limit = std::chrono::steady_clock::now() + kHangGuard;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > limit) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = 0;
    return m_code;
  }

 private:
  pid_t m_pid = 0;
  int m_code = -1;
};

// Polls until `path` exists, within the hang guard.
bool appears(std::string const& path) {
  const auto limit = std::chrono::steady_clock::now() + kHangGuard;
  while (!exists(path)) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// What an end of the user does in a pipe directory that is not its own private one: every path refuses.
int everyPathRefuses() {
  const std::string native = pf::pipeNamePrefix() + kName;
  PipeHandle h = pf::invalidPipeHandle();
  if (pf::pipeOpen(native.c_str(), PipeDirection::read, true, h) != EACCES) return 1;
  if (pf::pipeOpen(native.c_str(), PipeDirection::write, true, h) != EACCES) return 2;
  if (pf::isValidPipeHandle(h)) return 3;
  if (pf::pipeWaitAvailable(native.c_str())) return 4;
  if (pf::pipeCreate((pf::pipeNamePrefix() + "fresh").c_str(), PipeDirection::read, true, h) != EACCES) return 5;
  if (pf::isValidPipeHandle(h)) return 6;
  CQVONamedPipeNT single(kName, CQVONamedPipe::PIPE_WRITE);
  if (single.ConnectionPending()) return 7;
  errno = 0;
  if (single.Open(200) || errno != EACCES) return 8;
  std::unique_ptr<CQVONamedPipe> pair(CQVOFactory::NewNamedPipe(kName, "_a", "_b"));
  errno = 0;
  if (pair->Open(200) || errno != EACCES || pair->IsOpen()) return 9;
  return 0;
}

// Two ends of the user, on two threads of one process, connect and carry bytes.
int ownPairWorks() {
  CQVONamedPipeNT reader(kName, CQVONamedPipe::PIPE_READ);
  CQVONamedPipeNT writer(kName, CQVONamedPipe::PIPE_WRITE);
  bool readerOpen = false;
  std::thread t([&] { readerOpen = reader.Open(20000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const bool writerOpen = writer.Open(20000);
  t.join();
  if (!readerOpen || !writerOpen) return 1;
  if (writer.Write(CQVOString("hello")) != 5) return 2;
  char buffer[16] = {};
  if (reader.Read(buffer, sizeof buffer, 20000) != 5 || std::strcmp(buffer, "hello") != 0) return 3;
  return 0;
}

// A creator that waits for the other end until `stop` is sent. Exit code 0 when it was stopped
// without a connection, or (with `expect`) when its end connected and the first bytes were `expect`.
int waitingCreator(Signal& stop, char const* expect) {
  const std::string native = pf::pipeNamePrefix() + kName;
  PipeHandle h;
  if (pf::pipeCreate(native.c_str(), PipeDirection::read, true, h) != 0) return 1;
  pf::EventHandle cancel = pf::eventCreate(pf::EventWaiters::threadsAndPipes);
  std::thread stopper([&] {
    stop.wait();
    pf::eventSet(cancel);
  });
  const pf::SysError e = pf::pipeConnect(h, nullptr, pf::Timeout::unlimited(), cancel);
  int code = 0;
  if (expect == nullptr) {
    code = e == pf::PipeError::noData ? 0 : 2;
  } else if (e != 0) {
    code = 3;
  } else {
    std::string got;
    char buffer[64];
    std::uint32_t count = 0;
    while (got.size() < std::strlen(expect) &&
           pf::pipeRead(h, buffer, sizeof buffer, nullptr, cancel, count) == 0) {
      got.append(buffer, count);
    }
    code = got == expect ? 0 : 4;
  }
  pf::pipeClose(h);
  stopper.detach();  // still waiting for `stop` when the end connected; the process ends right after
  return code;
}

// A pipe planted by hand in `dir`, as a user who does not go through the library would: a listening
// socket "job" marked "creator writes" that everybody may connect to, and its held lock, readable by all. Stays until `stop`; exit code 0 when no
// connection reached it (or `mayConnect`).
int plantedPipe(std::string const& dir, Signal& ready, Signal& stop, bool mayConnect) {
  if (::chdir(dir.c_str()) != 0) return 1;  // a child of its own: the working folder is its alone
  const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, kName);
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 2;
  if (::chmod(kName, 0646) != 0 || ::listen(s, 0) != 0) return 3;
  const int lock = ::open((std::string(kName) + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
  if (lock < 0 || ::fchmod(lock, 0644) != 0) return 4;
  struct flock lk{};
  lk.l_type = F_WRLCK;
  if (::fcntl(lock, F_OFD_SETLK, &lk) != 0) return 4;
  ready.send();
  stop.wait();
  const int c = ::accept(s, nullptr, nullptr);
  return (c >= 0 && !mayConnect) ? 5 : 0;
}

// Ends run as root and as an unprivileged user; "another user" is the other of the two.
class PipeOwner : public ::testing::TestWithParam<uid_t> {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    static int counter = 0;
    m_scratch = fs::current_path().string() + "/owner-" + std::to_string(::getpid()) + "-" +
                std::to_string(++counter);
    makeDir(m_scratch, 0, 0711);
    m_runtime = m_scratch + "/rt";
    makeDir(m_runtime, us(), 0711);
    m_pipes = m_runtime + "/qvo-pipes";
    m_foreign = m_scratch + "/foreign";
    makeDir(m_foreign, other(), 0700);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!m_scratch.empty()) fs::remove_all(m_scratch, ignored);
  }
  uid_t us() const { return GetParam(); }
  uid_t other() const { return GetParam() == 0 ? kNobody : 0; }

  std::string m_scratch, m_runtime, m_pipes, m_foreign;
};

std::string userName(::testing::TestParamInfo<uid_t> const& info) {
  return info.param == 0 ? "root" : "unprivileged";
}

TEST_P(PipeOwner, OwnPairsWorkInTheirPrivateDirectory) {
  Child child(us(), m_runtime, ownPairWorks);
  EXPECT_EQ(child.finish(), 0);
  struct stat st;
  ASSERT_EQ(::lstat(m_pipes.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, us());
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(entries(m_pipes), std::set<std::string>{}) << "closing leaves no file behind";
}

// A directory that another user may have filled: everything is refused, nothing the other user planted
// is reached, and no file of this user appears in it.
TEST_P(PipeOwner, EveryPathRefusesADirectoryThatIsNotPrivate) {
  struct Case {
    char const* what;
    std::function<void()> prepare;
    std::string const* plantIn;  // where another user plants a pipe first (null: nowhere)
  };
  const Case cases[] = {
      {"another user's", [&] { makeDir(m_pipes, other(), 0700); }, &m_pipes},
      {"mode 0777", [&] { makeDir(m_pipes, us(), 0777); }, &m_pipes},
      {"mode 0755", [&] { makeDir(m_pipes, us(), 0755); }, nullptr},
      {"a symbolic link to another user's",
       [&] {
         ASSERT_EQ(::symlink(m_foreign.c_str(), m_pipes.c_str()), 0);
         chownTo(m_pipes, other());
       },
       &m_foreign},
      {"a symbolic link to the user's own private directory",
       [&] {
         makeDir(m_scratch + "/own", us(), 0700);
         ASSERT_EQ(::symlink((m_scratch + "/own").c_str(), m_pipes.c_str()), 0);
         chownTo(m_pipes, us());
       },
       nullptr},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    Signal ready, stop;
    ASSERT_TRUE(ready.ok && stop.ok);
    std::unique_ptr<Child> planter;
    if (c.plantIn != nullptr) {
      const std::string dir = *c.plantIn;
      planter = std::make_unique<Child>(other(), "", [&, dir] { return plantedPipe(dir, ready, stop, false); });
      ready.wait();
    }
    const std::string real = c.plantIn != nullptr ? *c.plantIn : m_pipes;
    const std::set<std::string> before = entries(real);

    Child end(us(), m_runtime, everyPathRefuses);
    EXPECT_EQ(end.finish(), 0);
    EXPECT_EQ(entries(real), before) << "no file of the user appears there";
    stop.send();
    if (planter) {
      EXPECT_EQ(planter->finish(), 0) << "the planted pipe was never reached";
    }

    std::error_code ignored;
    fs::remove_all(m_pipes, ignored);
    fs::remove_all(m_scratch + "/own", ignored);
    for (auto const& e : fs::directory_iterator(m_foreign, ignored)) fs::remove_all(e.path(), ignored);
  }
}

// The user's sound directory, in which an end already waits, changes afterwards: another end of the user
// refuses it from then on, and the waiting end neither connects to anyone nor cleans up there.
TEST_P(PipeOwner, EveryPathRefusesADirectoryChangedAfterAnEndWaits) {
  struct Case {
    char const* what;
    std::function<void()> change;
    bool replaced;  // the waiting end's directory stays sound under another name
  };
  const Case cases[] = {
      {"made 0777", [&] { ASSERT_EQ(::chmod(m_pipes.c_str(), 0777), 0); }, false},
      {"handed to another user", [&] { chownTo(m_pipes, other()); }, false},
      {"replaced by another user's symbolic link",
       [&] {
         ASSERT_EQ(::rename(m_pipes.c_str(), (m_runtime + "/old").c_str()), 0);
         ASSERT_EQ(::symlink(m_foreign.c_str(), m_pipes.c_str()), 0);
         chownTo(m_pipes, other());
       },
       true},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.what);
    Signal stop;
    ASSERT_TRUE(stop.ok);
    Child creator(us(), m_runtime, [&] { return waitingCreator(stop, nullptr); });
    ASSERT_TRUE(appears(m_pipes + "/" + kName));
    c.change();
    const std::set<std::string> foreign = entries(m_foreign);

    Child end(us(), m_runtime, everyPathRefuses);
    EXPECT_EQ(end.finish(), 0);
    stop.send();
    EXPECT_EQ(creator.finish(), 0) << "the waiting end was stopped without a connection";
    EXPECT_EQ(entries(m_foreign), foreign);
    if (c.replaced) {
      EXPECT_EQ(entries(m_runtime + "/old"), std::set<std::string>{}) << "the waiting end cleaned up its own";
    } else {
      EXPECT_EQ(entries(m_pipes), (std::set<std::string>{kName, std::string(kName) + ".lock"}))
          << "nothing is removed from a directory that is no longer private";
    }

    std::error_code ignored;
    fs::remove_all(m_pipes, ignored);
    fs::remove_all(m_runtime + "/old", ignored);
  }
}

// Another user's process reaches the waiting end's socket (the directory opened to it for the moment):
// its connection is dropped unread, and the end goes on waiting for the user's own end.
TEST_P(PipeOwner, CreatorDropsAConnectionOfAnotherUser) {
  Signal stop;
  ASSERT_TRUE(stop.ok);
  Child creator(us(), m_runtime, [&] { return waitingCreator(stop, "mine"); });
  const std::string socketPath = m_pipes + "/" + kName;
  ASSERT_TRUE(appears(socketPath));
  struct stat st;
  ASSERT_EQ(::stat(socketPath.c_str(), &st), 0);
  ASSERT_EQ(::chmod(m_pipes.c_str(), 0711), 0);
  ASSERT_EQ(::chmod(socketPath.c_str(), 0666), 0);

  Child stranger(other(), "", [&] {
    if (::chdir(m_pipes.c_str()) != 0) return 1;
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, kName);
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 2;
    // The creator may have dropped the connection before the bytes go: they are offered, not required.
    (void)::send(s, "theirs", 6, MSG_NOSIGNAL);
    char c;
    return ::recv(s, &c, 1, 0) <= 0 ? 0 : 3;  // the creator drops the connection
  });
  EXPECT_EQ(stranger.finish(), 0);
  ASSERT_EQ(::chmod(socketPath.c_str(), st.st_mode & 07777), 0);
  ASSERT_EQ(::chmod(m_pipes.c_str(), 0700), 0);

  Child own(us(), m_runtime, [] {
    PipeHandle h;
    if (pf::pipeOpen((pf::pipeNamePrefix() + kName).c_str(), PipeDirection::write, true, h) != 0) return 1;
    std::uint32_t count = 0;
    const pf::SysError e = pf::pipeWrite(h, "mine", 4, nullptr, pf::kNoEvent, count);
    pf::pipeFlush(h);
    pf::pipeClose(h);
    return e == 0 ? 0 : 2;
  });
  EXPECT_EQ(own.finish(), 0);
  EXPECT_EQ(creator.finish(), 0) << "the creator connected to the user's own end and read its bytes";
}

// A socket that another user listens on, in the user's private directory (put there while it was
// open): the end that opens it refuses the connection.
TEST_P(PipeOwner, OpenRefusesASocketOfAnotherUser) {
  makeDir(m_pipes, us(), 0777);
  Signal ready, stop;
  ASSERT_TRUE(ready.ok && stop.ok);
  Child planter(other(), "", [&] { return plantedPipe(m_pipes, ready, stop, true); });
  ready.wait();
  ASSERT_EQ(::chmod(m_pipes.c_str(), 0700), 0);

  Child end(us(), m_runtime, [] {
    PipeHandle h;
    errno = 0;
    if (pf::pipeOpen((pf::pipeNamePrefix() + kName).c_str(), PipeDirection::read, true, h) != EACCES) return 1;
    return pf::isValidPipeHandle(h) ? 2 : 0;
  });
  EXPECT_EQ(end.finish(), 0);
  stop.send();
  EXPECT_EQ(planter.finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Users, PipeOwner, ::testing::Values(uid_t{0}, kNobody), userName);

}  // namespace
#endif
