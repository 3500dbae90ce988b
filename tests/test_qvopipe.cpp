// The qvopipe tool against this program's own pipe ends: listen, send and pair, in both pipe variants
// and both start orders (the tool's end first or this program's), and its messages for each failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "QVOPipe.h"
#include "support/child_process.h"
#include "support/pipe_support.h"
#include "support/tool_runner.h"

namespace {

using pipetest::Background;
using pipetest::eventually;
using pipetest::uniqueName;

constexpr long kOpenLimit = 60000;

struct Variant {
  char const* option;  // qvopipe's --variant
  bool blocking;
};

// This program's end of a single pipe, or of a pair from a base name, in the variant.
std::unique_ptr<CQVONamedPipe> makeEnd(Variant v, std::string const& name, CQVONamedPipe::PIPE_ACCESS_MODE mode) {
  if (mode == CQVONamedPipe::PIPE_READ_WRITE) {
    if (v.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(name.c_str(), "_a", "_b");
    return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(name.c_str(), "_a", "_b"));
  }
  if (v.blocking) return std::make_unique<CQVONamedPipeNTLWBSO>(name.c_str(), mode);
  return std::unique_ptr<CQVONamedPipe>(CQVOFactory::NewNamedPipe(name.c_str(), mode));
}

// True once an end of that shape waits for its peer (whoever made it).
bool waiting(std::string const& name, CQVONamedPipe::PIPE_ACCESS_MODE peerMode) {
  std::unique_ptr<CQVONamedPipe> probe(peerMode == CQVONamedPipe::PIPE_READ_WRITE
                                           ? CQVOFactory::NewNamedPipe(name.c_str(), "_a", "_b")
                                           : CQVOFactory::NewNamedPipe(name.c_str(), peerMode));
  return probe->ConnectionPending();
}

// Reads until the other end closes.
std::string readAll(CQVONamedPipe& pipe, bool blocking) {
  std::string got;
  char buffer[256];
  for (;;) {
    long const n = blocking ? pipe.Read(buffer, 1, -1) : pipe.Read(buffer, sizeof buffer, 0);
    if (n <= 0) return got;
    got.append(buffer, static_cast<std::size_t>(n));
  }
}

class QvopipeTest : public ::testing::TestWithParam<std::tuple<Variant, bool>> {
 protected:
  Variant variant() const { return std::get<0>(GetParam()); }
  bool toolFirst() const { return std::get<1>(GetParam()); }
  std::string variantOption() const { return std::string(" --variant ") + variant().option; }

  // Opens this program's end after the tool's end waits (tool first), or before starting the tool
  // (whose start `startTool` is), in the background; true when it opened.
  template <typename StartTool>
  bool openWithTool(CQVONamedPipe& end, std::string const& name, CQVONamedPipe::PIPE_ACCESS_MODE toolMode,
                    CQVONamedPipe::PIPE_ACCESS_MODE endMode, StartTool startTool) {
    if (toolFirst()) {
      startTool();
      EXPECT_TRUE(eventually([&] { return waiting(name, endMode); }));
      return end.Open(kOpenLimit);
    }
    Background<bool> opening([&] { return end.Open(kOpenLimit); });
    EXPECT_TRUE(eventually([&] { return waiting(name, toolMode); }));
    startTool();
    return opening.ended() && opening.get();
  }
};

TEST_P(QvopipeTest, ListenPrintsWhatArrivesUntilTheWriterCloses) {
  std::string const name = uniqueName("qvopipe_listen");
  std::unique_ptr<CQVONamedPipe> writer = makeEnd(variant(), name, CQVONamedPipe::PIPE_WRITE);
  std::unique_ptr<tooltest::Tool> tool;
  ASSERT_TRUE(openWithTool(*writer, name, CQVONamedPipe::PIPE_WRITE, CQVONamedPipe::PIPE_READ,
                           [&] { tool = std::make_unique<tooltest::Tool>("qvopipe", "listen " + name + variantOption()); }));
  std::string const message = "first line\nsecond line\n";
  ASSERT_EQ(writer->Write(message.data(), static_cast<int>(message.size()), -1), static_cast<long>(message.size()));
  writer.reset();  // closes
  tooltest::ToolResult const r = tool->finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, message);
}

TEST_P(QvopipeTest, SendWritesTheTextAndCloses) {
  std::string const name = uniqueName("qvopipe_send");
  std::unique_ptr<CQVONamedPipe> reader = makeEnd(variant(), name, CQVONamedPipe::PIPE_READ);
  std::unique_ptr<tooltest::Tool> tool;
  ASSERT_TRUE(openWithTool(*reader, name, CQVONamedPipe::PIPE_READ, CQVONamedPipe::PIPE_WRITE, [&] {
    tool = std::make_unique<tooltest::Tool>("qvopipe",
                                            "send " + name + " \"job 42 done\" --open-timeout -1" + variantOption());
  }));
  EXPECT_EQ(readAll(*reader, variant().blocking), "job 42 done");
  tooltest::ToolResult const r = tool->finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_P(QvopipeTest, PairSendsStandardInputToThePeerAndPrintsWhatThePeerSends) {
  std::string const name = uniqueName("qvopipe_pair");
  std::string const input = name + ".in";
  qvotest::writeFile(input, "ping\n");
  std::unique_ptr<CQVONamedPipe> peer = makeEnd(variant(), name, CQVONamedPipe::PIPE_READ_WRITE);
  std::unique_ptr<tooltest::Tool> tool;
  ASSERT_TRUE(openWithTool(*peer, name, CQVONamedPipe::PIPE_READ_WRITE, CQVONamedPipe::PIPE_READ_WRITE, [&] {
    tool = std::make_unique<tooltest::Tool>("qvopipe", "pair " + name + variantOption(), input);
  }));
  char got[5] = {};
  for (int have = 0; have < 5;) {
    long const n = variant().blocking ? peer->Read(got + have, 1, -1) : peer->Read(got + have, 5 - have, 0);
    ASSERT_GT(n, 0);
    have += static_cast<int>(n);
  }
  EXPECT_EQ(std::string(got, 5), "ping\n");
  ASSERT_EQ(peer->Write(CQVOString("pong\n")), 5);
  peer.reset();
  tooltest::ToolResult const r = tool->finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "pong\n");
  std::remove(input.c_str());
}

INSTANTIATE_TEST_SUITE_P(VariantsAndStartOrders, QvopipeTest,
                         ::testing::Combine(::testing::Values(Variant{"nt", false}, Variant{"lwbso", true}),
                                            ::testing::Bool()),
                         [](auto const& info) {
                           return std::string(std::get<0>(info.param).option) +
                                  (std::get<1>(info.param) ? "_ToolFirst" : "_ProgramFirst");
                         });

TEST(Qvopipe, SaysWhyItFailsWithExitCodeOneAndRefusesBadUsageWithTwo) {
  std::string const nobody = uniqueName("qvopipe_nobody");
  struct Case {
    std::string arguments;
    int exitCode;
    char const* message;
  } const cases[] = {
      {"send " + nobody + " text", 1, "no such pipe: nobody listens on"},
      {"send " + nobody + " text --variant lwbso", 1, "no such pipe: nobody listens on"},
      {"listen " + nobody + " --open-timeout 200", 1, "no peer came to"},
      {"pair " + nobody + " --open-timeout 200", 1, "no peer came to"},
      {"listen " + nobody + " --variant lwbso --open-timeout 200", 2, "has no time-outs"},
      {"listen " + nobody + " --variant fast", 2, "--variant is nt or lwbso"},
      {"listen", 2, "no pipe name"},
      {"shout x", 2, "unknown command"},
      {"listen a b", 2, "too many arguments"},
  };
  for (Case const& c : cases) {
    tooltest::ToolResult const r = tooltest::runTool("qvopipe", c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << ": " << r.err;
  }
  tooltest::ToolResult const help = tooltest::runTool("qvopipe", "--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Examples:"), std::string::npos);
  EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
}

TEST(Qvopipe, IsRefusedByAPipeWhoseTwoEndsAreConnected) {
  std::string const name = uniqueName("qvopipe_busy");
  std::unique_ptr<CQVONamedPipe> reader(CQVOFactory::NewNamedPipe(name.c_str(), CQVONamedPipe::PIPE_READ));
  std::unique_ptr<CQVONamedPipe> writer(CQVOFactory::NewNamedPipe(name.c_str(), CQVONamedPipe::PIPE_WRITE));
  Background<bool> opening([&] { return reader->Open(kOpenLimit); });
  ASSERT_TRUE(eventually([&] { return writer->ConnectionPending(); }));
  ASSERT_TRUE(writer->Open(kOpenLimit));
  ASSERT_TRUE(opening.ended() && opening.get());
  tooltest::ToolResult const r = tooltest::runTool("qvopipe", "send " + name + " text");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("is refused: it is in use"), std::string::npos) << r.err;
}

TEST(Qvopipe, SaysThePeerIsGoneWhenTheReaderClosesBeforeTheInputEnds) {
  std::string const name = uniqueName("qvopipe_gone");
  std::string const input = name + ".in";
  qvotest::writeFile(input, std::string(8 << 20, 'x'));  // far more than any pipe holds
  std::unique_ptr<CQVONamedPipe> reader(CQVOFactory::NewNamedPipe(name.c_str(), CQVONamedPipe::PIPE_READ));
  Background<bool> opening([&] { return reader->Open(kOpenLimit); });
  ASSERT_TRUE(eventually([&] { return waiting(name, CQVONamedPipe::PIPE_WRITE); }));
  tooltest::Tool tool("qvopipe", "send " + name + " -", input);
  ASSERT_TRUE(opening.ended() && opening.get());
  char some[16];
  EXPECT_GT(reader->Read(some, sizeof some, 0), 0);
  reader.reset();
  tooltest::ToolResult const r = tool.finish();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("the peer of " + name + " is gone"), std::string::npos) << r.err;
  std::remove(input.c_str());
}

}  // namespace
