// Tests of the named pipes inside one process: names and peers, the stream base's string operations and
// the message read, both variants' open, transfer and close, and every interleaving of two ends that
// open one pair named from one base name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "QVOPipe.h"
#include "pipe/open_steps.h"
#include "platform/error.h"
#include "platform/pipe.h"
#include "support/handles.h"
#include "support/pipe_support.h"

namespace {

namespace pf = qvo::platform;
using pipetest::Background;
using pipetest::eventually;
using pipetest::uniqueName;
using qvo::pipe::OpenStage;

constexpr long kOpenLimit = 60000;  // open time-out of ends that must find each other (a hang guard)

// errno as the library sets it from a native error code on this target.
int errnoOf(int nativeCode) { return pf::sysError(nativeCode).errnoValue; }

// errno after an open whose wait for the other end ran out: on Windows the wait leaves the pending
// connection's code.
#if defined(_WIN32)
int const kOpenTimedOut = errnoOf(pf::NativeError::ioPending);
#else
int const kOpenTimedOut = ETIMEDOUT;
#endif

bool closePipe(CQVONamedPipe& pipe) { return pipe.Close(); }

std::string native(std::string const& name) { return pf::pipeNamePrefix() + name; }

// True once a pipe of that native name waits for its other end.
bool pending(std::string const& nativeName) {
  return eventually([&] { return pf::pipeWaitAvailable(nativeName.c_str()); });
}

// Opens `first` on a thread, waits until it waits for its other end, then opens `second` here.
void openInOrder(CQVONamedPipe& first, CQVONamedPipe& second, std::string const& firstNative) {
  Background<bool> a([&] { return first.Open(kOpenLimit); });
  ASSERT_TRUE(pending(firstNative));
  EXPECT_TRUE(second.Open(kOpenLimit));
  ASSERT_TRUE(a.ended());
  EXPECT_TRUE(a.get());
}

std::string readExactly(CQVONamedPipe& pipe, int size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  const long n = pipe.Read(&bytes[0], size, -1);
  bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return bytes;
}

long writeText(CQVONamedPipe& pipe, std::string const& text) {
  return pipe.Write(text.data(), static_cast<int>(text.size()), -1);
}

// --- names, peers and the factory --------------------------------------------------------------------

class TestNT : public CQVONamedPipeNT {
 public:
  using CQVONamedPipeNT::CQVONamedPipeNT;
  using CQVONamedPipeNT::invertChannels;
};

TEST(PipeModel, ConstructorsSetNamesAndShape) {
  struct Case {
    std::unique_ptr<CQVONamedPipe> pipe;
    char const *name, *input, *output, *nativeName, *nativeInput, *nativeOutput;
    bool two, autoNamed;
    CQVONamedPipe::PIPE_ACCESS_MODE mode;
  };
  Case cases[] = {
      {std::make_unique<CQVONamedPipeNT>("abc", "_in", "_out"), "abc_in_abc_out", "abc_in", "abc_out", "", "abc_in",
       "abc_out", true, true, CQVONamedPipe::PIPE_READ_WRITE},
      {std::make_unique<CQVONamedPipeNTLWBSO>("a", "b"), "a_b", "a", "b", "", "a", "b", true, false,
       CQVONamedPipe::PIPE_READ_WRITE},
      {std::make_unique<CQVONamedPipeNT>("p", CQVONamedPipe::PIPE_WRITE), "p", "", "", "p", "p", "p", false, false,
       CQVONamedPipe::PIPE_WRITE},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.pipe->Name(), c.name);
    EXPECT_STREQ(c.pipe->InputChannelName(), c.input);
    EXPECT_STREQ(c.pipe->OutputChannelName(), c.output);
    EXPECT_EQ(c.pipe->NativeName(), *c.nativeName ? native(c.nativeName) : std::string());
    EXPECT_EQ(c.pipe->NativeInputChannelName(), native(c.nativeInput));
    EXPECT_EQ(c.pipe->NativeOutputChannelName(), native(c.nativeOutput));
    EXPECT_EQ(c.pipe->TwoNativePipes(), c.two);
    EXPECT_EQ(c.pipe->TwoChannelsAutoCreated(), c.autoNamed);
    EXPECT_EQ(c.pipe->GetPipeAccessMode(), c.mode);
    EXPECT_FALSE(c.pipe->IsOpen());
  }
#ifdef _WIN32
  EXPECT_EQ(CQVONamedPipeNT("abc", "_in", "_out").NativeInputChannelName(), std::string("\\\\.\\pipe\\abc_in"));
#endif
}

TEST(PipeModel, PeersMirrorTheConnection) {
  CQVONamedPipeNT pair("a", "b");
  std::unique_ptr<CQVONamedPipe> peer(pair.CreatePeer());
  EXPECT_STREQ(peer->InputChannelName(), "b");
  EXPECT_STREQ(peer->OutputChannelName(), "a");
  EXPECT_STREQ(peer->Name(), "b_a");
  std::unique_ptr<CQVONamedPipe> back(peer->CreatePeer());
  EXPECT_STREQ(back->Name(), "a_b");

  CQVONamedPipeNT automatic("abc", "_in", "_out");
  std::unique_ptr<CQVONamedPipe> autoPeer(automatic.CreatePeer());
  EXPECT_STREQ(autoPeer->Name(), "abc_out_abc_in");
  EXPECT_FALSE(autoPeer->TwoChannelsAutoCreated());

  struct Case {
    CQVONamedPipe::PIPE_ACCESS_MODE mode, peerMode;
  };
  for (Case c : {Case{CQVONamedPipe::PIPE_READ, CQVONamedPipe::PIPE_WRITE},
                 Case{CQVONamedPipe::PIPE_WRITE, CQVONamedPipe::PIPE_READ},
                 Case{CQVONamedPipe::PIPE_READ_WRITE, CQVONamedPipe::PIPE_READ}}) {
    CQVONamedPipeNT single("s", c.mode);
    std::unique_ptr<CQVONamedPipe> p(single.CreatePeer());
    EXPECT_STREQ(p->Name(), "s");
    EXPECT_FALSE(p->TwoNativePipes());
    EXPECT_EQ(p->GetPipeAccessMode(), c.peerMode);
  }
}

TEST(PipeModel, FactoryAndPeersBuildTheirVariants) {
  std::unique_ptr<CQVONamedPipe> pipes[] = {
      std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe("n", CQVONamedPipe::PIPE_READ)),
      std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe("n", "_i", "_o")),
      std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe("i", "o")),
  };
  for (auto& p : pipes) EXPECT_NE(dynamic_cast<CQVONamedPipeNT*>(p.get()), nullptr);
  EXPECT_STREQ(pipes[1]->Name(), "n_i_n_o");
  EXPECT_STREQ(pipes[2]->Name(), "i_o");

  CQVONamedPipeNTLWBSO blocking("i", "o");
  std::unique_ptr<CQVONamedPipe> own(blocking.createPeer());
  std::unique_ptr<CQVONamedPipe> factory(blocking.CreatePeer());
  EXPECT_NE(dynamic_cast<CQVONamedPipeNTLWBSO*>(own.get()), nullptr);
  EXPECT_STREQ(own->Name(), "o_i");
  EXPECT_NE(dynamic_cast<CQVONamedPipeNT*>(factory.get()), nullptr);
  CQVONamedPipeNTLWBSO single("s", CQVONamedPipe::PIPE_READ);
  std::unique_ptr<CQVONamedPipe> singlePeer(single.createPeer());
  EXPECT_EQ(singlePeer->GetPipeAccessMode(), CQVONamedPipe::PIPE_WRITE);

  EXPECT_EQ(CQVONamedPipeNT::msc_sNbEvents, 4);
  // The creation lock exists from load time on.
  EXPECT_TRUE(CQVONamedPipe::m_creationLock.TryLock());
  CQVONamedPipe::m_creationLock.Unlock();
}

TEST(PipeModel, InvertingSwapsAPairsChannelsAndLeavesASinglePipesName) {
  TestNT pair("abc", "_in", "_out");
  pair.invertChannels();
  EXPECT_STREQ(pair.InputChannelName(), "abc_out");
  EXPECT_STREQ(pair.OutputChannelName(), "abc_in");
  EXPECT_EQ(pair.NativeInputChannelName(), native("abc_out"));
  EXPECT_STREQ(pair.Name(), "abc_out_abc_in");
  TestNT same("x", "x");
  same.invertChannels();
  EXPECT_STREQ(same.Name(), "x_x");
  TestNT single("s", CQVONamedPipe::PIPE_READ);
  single.invertChannels();
  EXPECT_STREQ(single.Name(), "s");
  EXPECT_EQ(single.NativeInputChannelName(), native("s"));
}

// --- the stream base and the message read, over scripted raw reads ----------------------------------

// A pipe whose raw reads deliver scripted pieces (each read at most the rest of one piece, as a pipe
// delivers what is there) and then `failure`; it records every raw call.
class ScriptedPipe : public CQVONamedPipe {
 public:
  ScriptedPipe() : CQVONamedPipe("scripted", PIPE_READ) {}
  using CQVOIOStream::getOpenTimeout;
  using CQVONamedPipe::Read;
  using CQVONamedPipe::Write;

  long Read(void* buffer, int size, long timeout) override {
    reads.push_back({size, timeout});
    if (pieces.empty()) return failure;
    std::string& piece = pieces.front();
    const size_t n = std::min(static_cast<size_t>(size), piece.size());
    std::memcpy(buffer, piece.data(), n);
    piece.erase(0, n);
    if (piece.empty()) pieces.erase(pieces.begin());
    return static_cast<long>(n);
  }
  long Write(void const* buffer, int size, long timeout) override {
    written.assign(static_cast<char const*>(buffer), static_cast<size_t>(size));
    writeTimeout = timeout;
    return size;
  }
  bool ConnectionPending() const override { return false; }

  std::vector<std::string> pieces;
  long failure = -109;
  std::vector<std::pair<int, long>> reads;
  std::string written;
  long writeTimeout = 0;
};

std::string text(CQVOString const& s) { return std::string(s.str(), s.length()); }

TEST(PipeStream, OpenKeepsTheTimeOutAlsoWhenOpeningFails) {
  ScriptedPipe p;
  EXPECT_EQ(p.getOpenTimeout(), -1);
  EXPECT_FALSE(p.Open(500));
  EXPECT_EQ(p.getOpenTimeout(), 500);
  EXPECT_FALSE(p.IsOpen());
  EXPECT_FALSE(p.Close());
}

TEST(PipeStream, StringReadIsOneRawReadWithoutLimit) {
  ScriptedPipe p;
  p.pieces = {std::string("ab\0cd", 5)};
  CQVOString s;
  EXPECT_EQ(p.CQVOIOStream::Read(s), 5);
  EXPECT_EQ(text(s), std::string("ab\0cd", 5));
  ASSERT_EQ(p.reads.size(), 1u);
  EXPECT_EQ(p.reads[0], std::make_pair(4097, -1L));

  for (long failure : {0L, -5L}) {
    ScriptedPipe q;
    q.failure = failure;
    CQVOString kept("kept");
    EXPECT_EQ(q.CQVOIOStream::Read(kept), failure);
    EXPECT_EQ(text(kept), "kept");
  }
}

TEST(PipeStream, StringWriteWritesAllBytesWithoutLimit) {
  ScriptedPipe p;
  EXPECT_EQ(p.Write(CQVOString("a\0b", 3)), 3);
  EXPECT_EQ(p.written, std::string("a\0b", 3));
  EXPECT_EQ(p.writeTimeout, -1);
}

TEST(PipeStream, MessageIsWhatArrivesBeforeTheFirstEmptyReadUpTo4096Bytes) {
  struct Case {
    char const* what;
    std::vector<std::string> pieces;
    std::vector<long> results;  // of successive message reads
  };
  const std::string big(5000, 'x');
  Case cases[] = {
      {"one piece", {"hello"}, {5, -109}},
      {"pieces with zeros", {"ab", std::string("c\0d", 3)}, {5, -109}},
      {"exactly 4096", {std::string(4096, 'a'), "rest"}, {4096, 4, -109}},
      {"5000 in two", {big}, {4096, 904, -109}},
      {"nothing", {}, {-109}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedPipe p;
    p.pieces = c.pieces;
    std::string all;
    for (long expected : c.results) {
      CQVOString message("unchanged");
      const long n = p.Read(message);
      EXPECT_EQ(n, expected);
      if (n > 0) {
        EXPECT_EQ(message.length(), static_cast<unsigned>(n));
        all += text(message);
      } else {
        EXPECT_EQ(text(message), "unchanged");
      }
    }
    std::string sent;
    for (auto& piece : c.pieces) sent += piece;
    EXPECT_EQ(all, sent);
    for (auto& r : p.reads) {
      EXPECT_EQ(r.second, 200);
      EXPECT_LE(r.first, 4096);
    }
  }
  ScriptedPipe zero;
  zero.failure = 0;
  CQVOString s("kept");
  EXPECT_EQ(zero.Read(s), 0);
  EXPECT_EQ(text(s), "kept");
}

TEST(PipeStream, WaitForDataTreatsWhatIsNoSocketAsReadable) {
  EXPECT_TRUE(CQVOIOStream::WaitForData(-1, 0));
  EXPECT_TRUE(CQVOIOStream::WaitForData(123456, 1500));
  // An open descriptor that is no socket: an anonymous pipe with nothing in it.
  int ends[2];
#if defined(_WIN32)
  ASSERT_EQ(_pipe(ends, 256, _O_BINARY), 0);
#else
  ASSERT_EQ(::pipe(ends), 0);
#endif
  EXPECT_TRUE(CQVOIOStream::WaitForData(ends[0], 1500));
#if defined(_WIN32)
  _close(ends[0]);
  _close(ends[1]);
#else
  ::close(ends[0]);
  ::close(ends[1]);
#endif
}

// --- the overlapped variant ---------------------------------------------------------------------------

// Two connected ends of one single pipe: `reader` created it, `writer` opened it.
struct SinglePair {
  std::string name = uniqueName("single");
  CQVONamedPipeNT reader{name.c_str(), CQVONamedPipe::PIPE_READ};
  CQVONamedPipeNT writer{name.c_str(), CQVONamedPipe::PIPE_WRITE};
  void open() { openInOrder(reader, writer, native(name)); }
};

TEST(PipeNT, SinglePipeEndsFindEachOtherInEitherOrder) {
  for (bool readerFirst : {true, false}) {
    const std::string name = uniqueName("order");
    CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
    CQVONamedPipeNT writer(name.c_str(), CQVONamedPipe::PIPE_WRITE);
    EXPECT_FALSE(reader.ConnectionPending());
    EXPECT_FALSE(writer.ConnectionPending());
    if (readerFirst) {
      ASSERT_NO_FATAL_FAILURE(openInOrder(reader, writer, native(name)));
    } else {
      ASSERT_NO_FATAL_FAILURE(openInOrder(writer, reader, native(name)));
    }
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_EQ(writeText(writer, "ping"), 4);
    EXPECT_EQ(readExactly(reader, 4), "ping");
  }
}

TEST(PipeNT, ConnectionPendingWhileTheOtherEndWaitsAndNotBefore) {
  const std::string name = uniqueName("pending");
  CQVONamedPipeNT creator(name.c_str(), CQVONamedPipe::PIPE_READ);
  CQVONamedPipeNT other(name.c_str(), CQVONamedPipe::PIPE_WRITE);
  EXPECT_FALSE(other.ConnectionPending());
  Background<bool> waiting([&] { return creator.Open(kOpenLimit); });
  ASSERT_TRUE(eventually([&] { return other.ConnectionPending(); }));
  EXPECT_TRUE(other.ConnectionPending());  // asking again: the first answer took nothing
  EXPECT_FALSE(waiting.finished());
  EXPECT_TRUE(other.Open(kOpenLimit));
  ASSERT_TRUE(waiting.ended());
  EXPECT_TRUE(waiting.get());
}

TEST(PipeNT, AThirdEndIsRefused) {
  SinglePair p;
  ASSERT_NO_FATAL_FAILURE(p.open());
  for (auto mode : {CQVONamedPipe::PIPE_READ, CQVONamedPipe::PIPE_WRITE}) {
    CQVONamedPipeNT third(p.name.c_str(), mode);
    errno = 0;
    EXPECT_FALSE(third.Open(1000));
    EXPECT_NE(errno, 0);
    EXPECT_FALSE(third.IsOpen());
  }
  EXPECT_EQ(writeText(p.writer, "still"), 5);
  EXPECT_EQ(readExactly(p.reader, 5), "still");
}

TEST(PipeNT, AFailedOpenLeavesNothingOpen) {
  struct Case {
    char const* what;
    std::function<std::unique_ptr<CQVONamedPipe>(std::string const&)> make;
    std::vector<std::string> suffixes;  // native names that must be free afterwards
  };
  Case cases[] = {
      {"single", [](std::string const& n) { return std::make_unique<CQVONamedPipeNT>(n.c_str(), CQVONamedPipe::PIPE_READ); },
       {""}},
      {"pair from one base", [](std::string const& n) { return std::make_unique<CQVONamedPipeNT>(n.c_str(), "_i", "_o"); },
       {"_i", "_o"}},
      {"explicit pair",
       [](std::string const& n) { return std::make_unique<CQVONamedPipeNT>((n + "_x").c_str(), (n + "_y").c_str()); },
       {"_x", "_y"}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = uniqueName("failed");
    auto pipe = c.make(name);
    // A first failure lets the runtime open what it keeps for good (Wine opens some handles lazily); a
    // failed Open that leaves something behind does so every time.
    EXPECT_FALSE(pipe->Open(300));
    const long before = qvotest::openHandleCount();
    errno = 0;
    EXPECT_FALSE(pipe->Open(300));  // nobody comes
    EXPECT_EQ(errno, kOpenTimedOut) << std::strerror(errno);  // the wait's, not the clean-up's
    EXPECT_FALSE(pipe->IsOpen());
    EXPECT_EQ(qvotest::openHandleCount(), before);
    for (auto& suffix : c.suffixes) {
      // The name is free: a new end creates it (one instance only, so an old one would make it busy).
      pf::PipeHandle h;
      EXPECT_EQ(pf::pipeCreate(native(name + suffix).c_str(), pf::PipeDirection::read, true, h), 0) << suffix;
      pf::pipeClose(h);
    }
  }
}

TEST(PipeNT, ReadWithoutLimitWaitsForAllBytesWithATimeOutReturnsWhatCame) {
  SinglePair p;
  ASSERT_NO_FATAL_FAILURE(p.open());
  char buffer[100];
  ASSERT_EQ(writeText(p.writer, std::string(40, 'a')), 40);
  EXPECT_EQ(p.reader.Read(buffer, 100, 5000), 40);

  Background<long> all([&] { return p.reader.Read(buffer, 100, -1); });
  ASSERT_EQ(writeText(p.writer, std::string(40, 'b')), 40);
  EXPECT_FALSE(all.finished(std::chrono::milliseconds(200)));
  ASSERT_EQ(writeText(p.writer, std::string(60, 'c')), 60);
  ASSERT_TRUE(all.ended());
  EXPECT_EQ(all.get(), 100);
  EXPECT_EQ(std::string(buffer, 100), std::string(40, 'b') + std::string(60, 'c'));
}

TEST(PipeNT, ARestThatFailsReturnsTheBytesAlreadyRead) {
  SinglePair p;
  ASSERT_NO_FATAL_FAILURE(p.open());
  ASSERT_EQ(writeText(p.writer, std::string(40, 'a')), 40);
  EXPECT_TRUE(closePipe(p.writer));
  char buffer[100];
  EXPECT_EQ(p.reader.Read(buffer, 100, -1), 40);
  EXPECT_EQ(p.reader.Read(buffer, 100, -1), -pf::NativeError::brokenPipe);
  EXPECT_EQ(errno, errnoOf(pf::NativeError::brokenPipe));
}

TEST(PipeNT, ATimeOutDoesNotEndTheWaitForData) {
  SinglePair p;
  ASSERT_NO_FATAL_FAILURE(p.open());
  char byte = 0;
  Background<long> one([&] { return p.reader.Read(&byte, 1, 200); });
  EXPECT_FALSE(one.finished(std::chrono::milliseconds(600)));
  ASSERT_EQ(writeText(p.writer, "z"), 1);
  ASSERT_TRUE(one.ended());
  EXPECT_EQ(one.get(), 1);
  EXPECT_EQ(byte, 'z');
}

TEST(PipeNT, CloseFromAnotherThreadEndsBlockedReadsAndWrites) {
  SinglePair p;
  ASSERT_NO_FATAL_FAILURE(p.open());
  char buffer[16];
  Background<std::pair<long, int>> reading([&] {
    const long n = p.reader.Read(buffer, 16, -1);
    return std::make_pair(n, errno);
  });
  EXPECT_FALSE(reading.finished(std::chrono::milliseconds(100)));
  EXPECT_TRUE(closePipe(p.reader));
  ASSERT_TRUE(reading.ended());
  const auto r = reading.get();
  EXPECT_EQ(r.first, -pf::NativeError::ioPending);
  EXPECT_EQ(r.second, errnoOf(pf::NativeError::ioPending));
  EXPECT_FALSE(closePipe(p.reader));

  // A writer blocked because nobody reads.
  SinglePair q;
  ASSERT_NO_FATAL_FAILURE(q.open());
  std::string lots(1 << 22, 'w');
  Background<long> writing([&] { return writeText(q.writer, lots); });
  EXPECT_FALSE(writing.finished(std::chrono::milliseconds(100)));
  EXPECT_TRUE(closePipe(q.writer));
  ASSERT_TRUE(writing.ended());
  EXPECT_LT(writing.get(), 0);
}

TEST(PipeNT, BytesWrittenBeforeTheCreatorClosesReachTheReader) {
  const std::string name = uniqueName("drain");
  CQVONamedPipeNT writer(name.c_str(), CQVONamedPipe::PIPE_WRITE);
  CQVONamedPipeNT reader(name.c_str(), CQVONamedPipe::PIPE_READ);
  ASSERT_NO_FATAL_FAILURE(openInOrder(writer, reader, native(name)));
  std::string bytes(3000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  ASSERT_EQ(writeText(writer, bytes), 3000);
  EXPECT_TRUE(closePipe(writer));
  EXPECT_EQ(readExactly(reader, 3000), bytes);
  char b;
  EXPECT_LT(reader.Read(&b, 1, -1), 0);
}

TEST(PipeNT, WritingAfterTheOtherEndClosedFailsAndCloseAnswersOnce) {
  SinglePair p;
  EXPECT_FALSE(closePipe(p.reader));  // never opened
  ASSERT_NO_FATAL_FAILURE(p.open());
  EXPECT_TRUE(closePipe(p.reader));
  EXPECT_FALSE(closePipe(p.reader));
  long r = 0;
  for (int i = 0; i < 100 && r >= 0; ++i) r = writeText(p.writer, std::string(4096, 'x'));
  EXPECT_LT(r, 0);
  EXPECT_NE(errno, 0);
}

TEST(PipeNT, OpenCloseCyclesLeakNoHandle) {
  auto cycle = [] {
    SinglePair p;
    p.open();
    EXPECT_EQ(writeText(p.writer, "c"), 1);
    EXPECT_EQ(readExactly(p.reader, 1), "c");
    EXPECT_TRUE(closePipe(p.writer));
    EXPECT_TRUE(closePipe(p.reader));
  };
  qvotest::expectNoHandleGrowth(cycle, 1000);
}

// --- the connector variant -----------------------------------------------------------------------------

TEST(PipeLWBSO, EveryTimeOutIsRefusedAsAnInvalidParameter) {
  CQVONamedPipeNTLWBSO pipe(uniqueName("lw").c_str(), "_i", "_o");
  char buffer[10] = {0};
  const long invalid = -pf::NativeError::invalidParameter;
  errno = 0;
  EXPECT_EQ(pipe.Read(buffer, 10, 200), invalid);
  EXPECT_EQ(errno, EINVAL);
  errno = 0;
  EXPECT_EQ(pipe.Write(buffer, 10, 0), invalid);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(pipe.Read(buffer, 10, 0), invalid);
  EXPECT_EQ(pipe.Write(buffer, 10, 5000), invalid);
  CQVOString message("kept");
  EXPECT_EQ(pipe.Read(message), invalid);
  EXPECT_EQ(text(message), "kept");
}

TEST(PipeLWBSO, APairExchangesBytesAndAShortReadFails) {
  const std::string x = uniqueName("lwx"), y = uniqueName("lwy");
  CQVONamedPipeNTLWBSO a(x.c_str(), y.c_str());
  std::unique_ptr<CQVONamedPipe> b(a.createPeer());
  ASSERT_NO_FATAL_FAILURE(openInOrder(a, *b, native(x)));
  EXPECT_EQ(writeText(a, "abcd"), 4);
  char buffer[10];
  EXPECT_LT(b->Read(buffer, 10, -1), 1);
  EXPECT_EQ(writeText(a, "0123456789"), 10);
  EXPECT_EQ(readExactly(*b, 10), "0123456789");
  EXPECT_EQ(writeText(*b, "back"), 4);
  EXPECT_EQ(readExactly(a, 4), "back");
}

TEST(PipeLWBSO, APairOpensWhenOnlyItsOutputChannelCan) {
  // The input channel's name is taken by a connected single pipe of two other ends.
  SinglePair busy;
  ASSERT_NO_FATAL_FAILURE(busy.open());
  const std::string out = uniqueName("lwout");
  CQVONamedPipeNTLWBSO pipe(busy.name.c_str(), out.c_str());
  CQVONamedPipeNT reader(out.c_str(), CQVONamedPipe::PIPE_READ);
  Background<bool> opening([&] { return pipe.Open(-1); });
  ASSERT_TRUE(pending(native(out)));
  EXPECT_TRUE(reader.Open(kOpenLimit));
  ASSERT_TRUE(opening.ended());
  EXPECT_TRUE(opening.get());
  EXPECT_EQ(writeText(pipe, "out"), 3);
  EXPECT_EQ(readExactly(reader, 3), "out");
}

TEST(PipeLWBSO, TheDestructorFlushesSoTheReaderGetsEverything) {
  const std::string name = uniqueName("lwflush");
  auto writer = std::make_unique<CQVONamedPipeNTLWBSO>(name.c_str(), CQVONamedPipe::PIPE_WRITE);
  CQVONamedPipeNTLWBSO reader(name.c_str(), CQVONamedPipe::PIPE_READ);
  ASSERT_NO_FATAL_FAILURE(openInOrder(*writer, reader, native(name)));
  const std::string bytes(3000, 'f');
  ASSERT_EQ(writeText(*writer, bytes), 3000);
  Background<bool> destroying([&] {
    writer.reset();
    return true;
  });
  EXPECT_FALSE(destroying.finished(std::chrono::milliseconds(100)));  // waits for the reader
  EXPECT_EQ(readExactly(reader, 3000), bytes);
  ASSERT_TRUE(destroying.ended());
  char b;
  EXPECT_LT(reader.Read(&b, 1, -1), 0);
}

TEST(PipeLWBSO, OpenCloseCyclesLeakNoHandle) {
  auto cycle = [] {
    const std::string name = uniqueName("lwcycle");
    CQVONamedPipeNTLWBSO reader(name.c_str(), CQVONamedPipe::PIPE_READ);
    CQVONamedPipeNTLWBSO writer(name.c_str(), CQVONamedPipe::PIPE_WRITE);
    openInOrder(reader, writer, native(name));
    EXPECT_EQ(writeText(writer, "c"), 1);
    EXPECT_EQ(readExactly(reader, 1), "c");
  };
  qvotest::expectNoHandleGrowth(cycle, 1000);
}

// --- interleavings of two ends of one pair named from one base name -----------------------------------

// Records which end reached which step of its Open, and holds one end at one step until released.
struct HookControl {
  std::mutex lock;
  std::condition_variable changed;
  std::set<std::pair<CQVONamedPipe const*, OpenStage>> reached;
  CQVONamedPipe const* heldPipe = nullptr;
  OpenStage heldStage = OpenStage::beforeCreate;
  bool released = true;

  void hold(CQVONamedPipe const* pipe, OpenStage stage) {
    std::lock_guard<std::mutex> g(lock);
    heldPipe = pipe;
    heldStage = stage;
    released = false;
  }
  void release() {
    std::lock_guard<std::mutex> g(lock);
    released = true;
    changed.notify_all();
  }
  bool reachedStage(CQVONamedPipe const* pipe, OpenStage stage) {
    std::lock_guard<std::mutex> g(lock);
    return reached.count({pipe, stage}) != 0;
  }
  bool waitFor(CQVONamedPipe const* pipe, OpenStage stage) {
    std::unique_lock<std::mutex> g(lock);
    return changed.wait_for(g, pipetest::kHangGuard, [&] { return reached.count({pipe, stage}) != 0; });
  }
};

HookControl* g_control = nullptr;

void recordingHook(CQVONamedPipe const* pipe, OpenStage stage) {
  std::unique_lock<std::mutex> g(g_control->lock);
  g_control->reached.insert({pipe, stage});
  g_control->changed.notify_all();
  if (pipe == g_control->heldPipe && stage == g_control->heldStage) {
    g_control->changed.wait_for(g, pipetest::kHangGuard, [] { return g_control->released; });
  }
}

struct Variant {
  char const* name;
  std::function<std::unique_ptr<CQVONamedPipe>(std::string const& base)> makePair;
  std::function<std::unique_ptr<CQVONamedPipe>(std::string const& name, CQVONamedPipe::PIPE_ACCESS_MODE)> makeSingle;
};

void PrintTo(Variant const& v, std::ostream* os) { *os << v.name; }

class PipeInterleaving : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override {
    g_control = &control;
    qvo::pipe::setOpenHook(recordingHook);
  }
  void TearDown() override {
    control.release();
    qvo::pipe::setOpenHook(nullptr);
    g_control = nullptr;
  }

  // Both ends' Opens succeed; `creator` holds the channels in the named order, `joiner` in the swapped
  // order; bytes written by either end arrive at the other.
  void expectConnected(CQVONamedPipe& creator, CQVONamedPipe& joiner, std::string const& base,
                       Background<bool>& creatorOpen, Background<bool>& joinerOpen) {
    ASSERT_TRUE(creatorOpen.ended());
    ASSERT_TRUE(joinerOpen.ended());
    EXPECT_TRUE(creatorOpen.get());
    EXPECT_TRUE(joinerOpen.get());
    EXPECT_EQ(creator.Name(), base + "_in_" + base + "_out");
    EXPECT_EQ(joiner.Name(), base + "_out_" + base + "_in");
    EXPECT_EQ(writeText(creator, "to the joiner"), 13);
    EXPECT_EQ(readExactly(joiner, 13), "to the joiner");
    EXPECT_EQ(writeText(joiner, "to the creator"), 14);
    EXPECT_EQ(readExactly(creator, 14), "to the creator");
  }

  HookControl control;
};

TEST_P(PipeInterleaving, JoinerReachesTheSecondChannelBeforeTheCreatorMakesIt) {
  const std::string base = uniqueName("ilv");
  auto a = GetParam().makePair(base);
  auto b = GetParam().makePair(base);
  control.hold(a.get(), OpenStage::betweenChannels);
  Background<bool> openA([&] { return a->Open(kOpenLimit); });
  ASSERT_TRUE(pending(native(base + "_in")));
  Background<bool> openB([&] { return b->Open(kOpenLimit); });
  // The joiner is at its second channel: waiting for it, or (as it once did) having created it itself.
  ASSERT_TRUE(eventually([&] {
    return control.reachedStage(b.get(), OpenStage::waitingForSecondChannel) ||
           pf::pipeWaitAvailable(native(base + "_out").c_str());
  }));
  control.release();
  expectConnected(*a, *b, base, openA, openB);
}

TEST_P(PipeInterleaving, CreatorMakesTheSecondChannelBeforeTheJoinerLooks) {
  const std::string base = uniqueName("ilv");
  auto a = GetParam().makePair(base);
  auto b = GetParam().makePair(base);
  control.hold(b.get(), OpenStage::betweenChannels);
  Background<bool> openA([&] { return a->Open(kOpenLimit); });
  ASSERT_TRUE(pending(native(base + "_in")));
  Background<bool> openB([&] { return b->Open(kOpenLimit); });
  ASSERT_TRUE(control.waitFor(b.get(), OpenStage::betweenChannels));
  ASSERT_TRUE(pending(native(base + "_out")));
  control.release();
  expectConnected(*a, *b, base, openA, openB);
}

TEST_P(PipeInterleaving, BothEndsTryToCreateTheFirstChannel) {
  const std::string base = uniqueName("ilv");
  auto a = GetParam().makePair(base);
  auto b = GetParam().makePair(base);
  control.hold(b.get(), OpenStage::beforeCreate);
  Background<bool> openB([&] { return b->Open(kOpenLimit); });
  ASSERT_TRUE(control.waitFor(b.get(), OpenStage::beforeCreate));
  Background<bool> openA([&] { return a->Open(kOpenLimit); });
  ASSERT_TRUE(pending(native(base + "_in")));
  control.release();
  expectConnected(*a, *b, base, openA, openB);
}

TEST_P(PipeInterleaving, BothEndsOfASinglePipeTryToCreateIt) {
  const std::string name = uniqueName("ilvs");
  auto reader = GetParam().makeSingle(name, CQVONamedPipe::PIPE_READ);
  auto writer = GetParam().makeSingle(name, CQVONamedPipe::PIPE_WRITE);
  control.hold(writer.get(), OpenStage::beforeCreate);
  Background<bool> openWriter([&] { return writer->Open(kOpenLimit); });
  ASSERT_TRUE(control.waitFor(writer.get(), OpenStage::beforeCreate));
  Background<bool> openReader([&] { return reader->Open(kOpenLimit); });
  ASSERT_TRUE(pending(native(name)));
  control.release();
  ASSERT_TRUE(openWriter.ended());
  ASSERT_TRUE(openReader.ended());
  EXPECT_TRUE(openWriter.get());
  EXPECT_TRUE(openReader.get());
  EXPECT_EQ(writeText(*writer, "one"), 3);
  EXPECT_EQ(readExactly(*reader, 3), "one");
}

INSTANTIATE_TEST_SUITE_P(
    BothVariants, PipeInterleaving,
    ::testing::Values(
        Variant{"NT", [](std::string const& b) { return std::make_unique<CQVONamedPipeNT>(b.c_str(), "_in", "_out"); },
                [](std::string const& n, CQVONamedPipe::PIPE_ACCESS_MODE m) {
                  return std::make_unique<CQVONamedPipeNT>(n.c_str(), m);
                }},
        Variant{"LWBSO",
                [](std::string const& b) { return std::make_unique<CQVONamedPipeNTLWBSO>(b.c_str(), "_in", "_out"); },
                [](std::string const& n, CQVONamedPipe::PIPE_ACCESS_MODE m) {
                  return std::make_unique<CQVONamedPipeNTLWBSO>(n.c_str(), m);
                }}),
    [](::testing::TestParamInfo<Variant> const& info) { return std::string(info.param.name); });

}  // namespace
