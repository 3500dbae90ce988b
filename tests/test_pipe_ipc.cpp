// Tests of the named pipes between two processes: this program and the peer program qvo_pipe_peer.
// Shapes and start orders, the third end, messages, Close from another thread, the open time-out, the
// connector variant's answers, and reliability (a large checksummed transfer, a peer killed mid-way).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "QVOPipe.h"
#include "QVOProcess.h"
#include "platform/error.h"
#include "platform/pipe.h"
#include "support/child_process.h"
#include "support/pipe_pattern.h"
#include "support/pipe_support.h"

namespace {

namespace pf = qvo::platform;
using pipetest::Background;
using pipetest::eventually;
using pipetest::uniqueName;

constexpr long kOpenLimit = 60000;

std::string peerProgram() { return qvotest::helperProgramPath("qvo_pipe_peer"); }

// One run of the peer program; killed at the end of the test if it is still running.
class Peer {
 public:
  explicit Peer(std::string const& arguments)
      : m_output((std::filesystem::current_path() / (uniqueName("peer") + ".out")).string()),
        m_process(CQVOString(peerProgram().c_str()), CQVOString(arguments.c_str()), CQVOString(""), nullptr,
                  m_output.c_str(), false) {
    m_started = m_process.Spawn(false) == 0;
    EXPECT_TRUE(m_started) << arguments;
  }
  ~Peer() {
    if (m_started && !m_ended) m_process.Kill(true);
  }
  Peer(Peer const&) = delete;
  Peer& operator=(Peer const&) = delete;

  // The peer's exit code once it has ended (within the hang guard), -100 when it has not.
  int exitCode() {
    int status = -1;
    const long guard = static_cast<long>(std::chrono::milliseconds(pipetest::kHangGuard).count());
    if (m_process.Wait(&status, guard) <= 0) return -100;
    m_ended = true;
    return status;
  }
  void kill() {
    m_process.Kill(true);
    m_ended = true;
  }
  // What the peer printed.
  std::string printed() {
    std::ifstream in(m_output);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string m_output;
  CQVOProcess m_process;
  bool m_started = false;
  bool m_ended = false;
};

// A peer killed on purpose cannot remove what it made for a pipe it created: on POSIX its socket and
// its two lock files stay in the per-user pipe folder. Declared after the test's own end and before the
// peer, this removes them once the peer is gone (Windows pipes end with their process).
class KilledPeerLeftovers {
 public:
  explicit KilledPeerLeftovers(CQVONamedPipe const& end) : m_path(end.NativeName()) {}
  ~KilledPeerLeftovers() {
#if !defined(_WIN32)
    for (char const* suffix : {"", ".lock", ".claim"}) std::remove((m_path + suffix).c_str());
#endif
  }
  KilledPeerLeftovers(KilledPeerLeftovers const&) = delete;
  KilledPeerLeftovers& operator=(KilledPeerLeftovers const&) = delete;

 private:
  std::string m_path;
};

bool pending(CQVONamedPipe const& probe) {
  return eventually([&] { return probe.ConnectionPending(); });
}

// Writes the text; reads it back as the echoing peer returns it (byte by byte on the connector
// variant, whose reads fail when short).
std::string roundTrip(CQVONamedPipe& pipe, std::string const& text, bool blocking) {
  if (pipe.Write(text.data(), static_cast<int>(text.size()), -1) != static_cast<long>(text.size())) return "<write>";
  std::string back(text.size(), '\0');
  for (size_t got = 0; got < text.size();) {
    const long n = blocking ? pipe.Read(&back[got], 1, -1)
                            : pipe.Read(&back[got], static_cast<int>(text.size() - got), -1);
    if (n <= 0) return "<read " + std::to_string(n) + ">";
    got += static_cast<size_t>(n);
  }
  return back;
}

// --- shapes and start orders ---------------------------------------------------------------------------

TEST(PipeProcesses, SinglePipeInBothStartOrders) {
  for (bool peerFirst : {false, true}) {
    SCOPED_TRACE(peerFirst ? "peer first" : "this end first");
    const std::string name = uniqueName("ipcsingle");
    CQVONamedPipeNT writer(name.c_str(), CQVONamedPipe::PIPE_WRITE);
    EXPECT_FALSE(writer.ConnectionPending());  // nobody yet
    if (peerFirst) {
      Peer peer("nt single " + name + " r - 0 expect hello");
      ASSERT_TRUE(pending(writer));  // the peer waits in its Open
      ASSERT_TRUE(writer.Open(kOpenLimit));
      EXPECT_EQ(writer.Write("hello", 5, -1), 5);
      EXPECT_EQ(peer.exitCode(), 0);
    } else {
      Background<bool> opening([&] { return writer.Open(kOpenLimit); });
      Peer peer("nt single " + name + " r - 0 expect hello");
      ASSERT_TRUE(opening.ended());
      ASSERT_TRUE(opening.get());
      EXPECT_EQ(writer.Write("hello", 5, -1), 5);
      EXPECT_EQ(peer.exitCode(), 0);
    }
  }
}

struct PairCase {
  char const* what;
  bool blocking;   // the connector variant
  bool autoNamed;  // named from one base name, the same on both ends
};

class PipePairProcesses : public ::testing::TestWithParam<PairCase> {
 protected:
  // This end's pipe and the peer's arguments for the same connection.
  std::unique_ptr<CQVONamedPipe> makeEnd(std::string const& base, std::string& peerShape) {
    const PairCase c = GetParam();
    if (c.autoNamed) {
      peerShape = "auto " + base + " _in _out";
      if (c.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(base.c_str(), "_in", "_out");
      return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(base.c_str(), "_in", "_out"));
    }
    const std::string x = base + "_x", y = base + "_y";
    peerShape = "explicit " + y + " " + x + " -";
    if (c.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(x.c_str(), y.c_str());
    return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(x.c_str(), y.c_str()));
  }
  std::string variant() const { return GetParam().blocking ? "lwbso " : "nt "; }
};

void PrintTo(PairCase const& c, std::ostream* os) { *os << c.what; }

TEST_P(PipePairProcesses, FindEachOtherInBothStartOrders) {
  for (bool peerFirst : {false, true}) {
    SCOPED_TRACE(peerFirst ? "peer first" : "this end first");
    const std::string base = uniqueName("ipcpair");
    std::string shape;
    auto end = makeEnd(base, shape);
    std::unique_ptr<Peer> peer;
    if (peerFirst) {
      peer = std::make_unique<Peer>(variant() + shape + " 0 echo");
      ASSERT_TRUE(pending(*end));
      ASSERT_TRUE(end->Open(kOpenLimit));
    } else {
      Background<bool> opening([&] { return end->Open(kOpenLimit); });
      ASSERT_TRUE(eventually([&] { return pf::pipeWaitAvailable(end->NativeInputChannelName()); }));
      peer = std::make_unique<Peer>(variant() + shape + " 0 echo");
      ASSERT_TRUE(opening.ended());
      ASSERT_TRUE(opening.get());
    }
    EXPECT_EQ(roundTrip(*end, "ping", GetParam().blocking), "ping");
    EXPECT_EQ(roundTrip(*end, std::string(5000, 'e'), GetParam().blocking), std::string(5000, 'e'));
    if (GetParam().autoNamed) {
      // The end that created the first channel lists the channels as named, the joining end swapped.
      const std::string creator = base + "_in_" + base + "_out", joiner = base + "_out_" + base + "_in";
      EXPECT_EQ(end->Name(), peerFirst ? joiner : creator);
      end->Close();
      EXPECT_EQ(peer->exitCode(), 0);
      EXPECT_NE(peer->printed().find("open 1 " + (peerFirst ? creator : joiner)), std::string::npos)
          << peer->printed();
    } else {
      end->Close();
      EXPECT_EQ(peer->exitCode(), 0);
    }
  }
}

// Two ends built alike connect whatever the interleaving of their Opens: started in either order with
// small random delays, many times.
TEST_P(PipePairProcesses, ConnectUnderRandomStartDelays) {
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 12 && !HasFailure(); ++round) {
    const std::string base = uniqueName("ipcdelay");
    std::string shape;
    auto end = makeEnd(base, shape);
    const int peerDelay = static_cast<int>(random() % 20);
    const int ownDelay = static_cast<int>(random() % 20);
    Peer peer(variant() + shape + " " + std::to_string(peerDelay) + " echo");
    std::this_thread::sleep_for(std::chrono::milliseconds(ownDelay));
    ASSERT_TRUE(end->Open(kOpenLimit)) << "round " << round;
    EXPECT_EQ(roundTrip(*end, "round " + std::to_string(round), GetParam().blocking),
              "round " + std::to_string(round));
    end->Close();
    EXPECT_EQ(peer.exitCode(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, PipePairProcesses,
                         ::testing::Values(PairCase{"NT_auto", false, true}, PairCase{"NT_explicit", false, false},
                                           PairCase{"LWBSO_auto", true, true},
                                           PairCase{"LWBSO_explicit", true, false}),
                         [](::testing::TestParamInfo<PairCase> const& info) { return std::string(info.param.what); });

// --- refusals, messages, close, time-out ---------------------------------------------------------------

TEST(PipeProcesses, AThirdEndIsRefused) {
  const std::string name = uniqueName("ipcthird");
  CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
  KilledPeerLeftovers leftovers(reader);
  Peer peer("nt single " + name + " w - 0 hold");
  ASSERT_TRUE(reader.Open(kOpenLimit));
  for (auto mode : {CQVONamedPipe::PIPE_READ, CQVONamedPipe::PIPE_WRITE}) {
    CQVONamedPipeNT third(name.c_str(), mode);
    EXPECT_FALSE(third.Open(2000));
    EXPECT_FALSE(third.ConnectionPending());
  }
  peer.kill();
}

TEST(PipeProcesses, MessagesComeInPiecesOfAtMost4096Bytes) {
  struct Case {
    int size;
    std::vector<long> pieces;
  };
  for (Case c : {Case{1, {1}}, Case{4096, {4096}}, Case{5000, {4096, 904}}}) {
    SCOPED_TRACE(c.size);
    const std::string name = uniqueName("ipcmsg");
    CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
    Peer peer("nt single " + name + " w - 0 message " + std::to_string(c.size));
    ASSERT_TRUE(reader.Open(kOpenLimit));
    std::string all;
    for (long piece : c.pieces) {
      CQVOString message;
      EXPECT_EQ(reader.Read(message), piece);
      all.append(message.str(), message.length());
    }
    CQVOString after("unchanged");
    EXPECT_LT(reader.Read(after), 0);  // the writer has closed
    EXPECT_STREQ(after.str(), "unchanged");
    std::vector<unsigned char> expected(static_cast<size_t>(c.size));
    pipetest::Pattern(1).fill(expected.data(), expected.size());
    EXPECT_EQ(all, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(peer.exitCode(), 0);
  }
}

TEST(PipeProcesses, CloseFromAnotherThreadEndsABlockedRead) {
  const std::string name = uniqueName("ipcclose");
  CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
  KilledPeerLeftovers leftovers(reader);
  Peer peer("nt single " + name + " w - 0 hold");  // connected, silent
  ASSERT_TRUE(reader.Open(kOpenLimit));
  char buffer[64];
  Background<long> reading([&] { return reader.Read(buffer, 64, -1); });
  EXPECT_FALSE(reading.finished(std::chrono::milliseconds(200)));
  EXPECT_TRUE(static_cast<CQVONamedPipe&>(reader).Close());
  ASSERT_TRUE(reading.ended());
  EXPECT_EQ(reading.get(), -pf::NativeError::ioPending);
  peer.kill();
}

TEST(PipeProcesses, AnOpenThatTimedOutLeavesTheNameForTheNextOpen) {
  const std::string base = uniqueName("ipctimeout");
  CQVONamedPipeNT end(base.c_str(), "_in", "_out");
  errno = 0;
  EXPECT_FALSE(end.Open(300));  // the peer starts seconds later
  EXPECT_NE(errno, 0);
  Peer peer("nt auto " + base + " _in _out 3000 echo");
  ASSERT_TRUE(end.Open(kOpenLimit));
  EXPECT_EQ(roundTrip(end, "late", false), "late");
  static_cast<CQVONamedPipe&>(end).Close();
  EXPECT_EQ(peer.exitCode(), 0);
}

TEST(PipeProcesses, ConnectorVariantAnswers) {
  const std::string x = uniqueName("ipclwx"), y = uniqueName("ipclwy");
  CQVONamedPipeNTLWBSO end(x.c_str(), y.c_str());
  Peer peer("lwbso explicit " + y + " " + x + " - 0 write abcd");
  ASSERT_TRUE(end.Open(kOpenLimit));
  char buffer[10];
  EXPECT_EQ(end.Read(buffer, 10, 200), -pf::NativeError::invalidParameter);
  EXPECT_EQ(end.Write(buffer, 10, 0), -pf::NativeError::invalidParameter);
  CQVOString message;
  EXPECT_EQ(end.Read(message), -pf::NativeError::invalidParameter);
  // The peer wrote 4 bytes: a read of 10 without limit is short, and so a failure.
  EXPECT_LT(end.Read(buffer, 10, -1), 1);
  EXPECT_EQ(end.Write("done", 4, -1), 4);
  static_cast<CQVONamedPipe&>(end).Close();
  EXPECT_EQ(peer.exitCode(), 0);
}

// --- reliability ---------------------------------------------------------------------------------------

TEST(PipeReliability, SixtyFourMebibytesInRandomPiecesArriveByteExact) {
  constexpr long long kTotal = 64ll << 20;
  const std::string name = uniqueName("ipcbulk");
  CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
  Peer peer("nt single " + name + " w - 0 send " + std::to_string(kTotal) + " 77");
  ASSERT_TRUE(reader.Open(kOpenLimit));

  pipetest::Pattern expectedBytes(78);
  pipetest::Checksum received, expected;
  pipetest::Pattern readSizes(5);
  std::vector<unsigned char> buffer(1 << 17), reference(1 << 17);
  long long total = 0;
  while (total < kTotal) {
    const int want = static_cast<int>(std::min<long long>(kTotal - total, readSizes.size(1 << 17)));
    const long n = reader.Read(buffer.data(), want, -1);
    ASSERT_GT(n, 0) << "after " << total << " bytes";
    received.add(buffer.data(), static_cast<size_t>(n));
    expectedBytes.fill(reference.data(), static_cast<size_t>(n));
    expected.add(reference.data(), static_cast<size_t>(n));
    total += n;
  }
  EXPECT_EQ(total, kTotal);
  EXPECT_EQ(received.value(), expected.value());
  char extra;
  EXPECT_LT(reader.Read(&extra, 1, -1), 0);  // nothing after the end
  EXPECT_EQ(peer.exitCode(), 0);
}

// A peer that disappears ends the reader's wait on both variants: the overlapped variant reads what has
// come (time-out 0), the connector variant reads exact blocks without time-out.
class PipePeerKilled : public ::testing::TestWithParam<bool> {};

TEST_P(PipePeerKilled, FailsTheReaderAndNeverHangs) {
  const bool connector = GetParam();
  const std::string name = uniqueName("ipckill");
  std::unique_ptr<CQVONamedPipe> reader;
  if (connector) {
    reader = std::make_unique<CQVONamedPipeNTLWBSO>(name.c_str(), CQVONamedPipe::PIPE_READ);
  } else {
    reader = std::make_unique<CQVONamedPipeNT>(name.c_str(), CQVONamedPipe::PIPE_READ);
  }
  KilledPeerLeftovers leftovers(*reader);
  Peer peer(std::string(connector ? "lwbso" : "nt") + " single " + name + " w - 0 stream 9");
  ASSERT_TRUE(reader->Open(kOpenLimit));
  const int block = connector ? 4096 : 65536;
  const long timeOut = connector ? -1 : 0;
  std::vector<char> buffer(65536);
  for (long long got = 0; got < (1 << 20);) {
    const long n = reader->Read(buffer.data(), block, timeOut);
    ASSERT_GT(n, 0);
    got += n;
  }
  peer.kill();
  const auto killed = std::chrono::steady_clock::now();
  Background<long> draining([&] {
    long n = 1;
    while (n > 0) n = reader->Read(buffer.data(), block, timeOut);
    return n;
  });
  ASSERT_TRUE(draining.ended());  // never hangs
  EXPECT_LT(draining.get(), 0);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - killed);
  std::printf("the reader failed %lld ms after the kill returned\n", static_cast<long long>(ms.count()));
}

INSTANTIATE_TEST_SUITE_P(Variants, PipePeerKilled, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Connector") : std::string("Overlapped");
                         });

}  // namespace
