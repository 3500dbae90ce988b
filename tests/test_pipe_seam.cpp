// Tests of the seam's native-pipe primitives: naming, one instance, direction, busy, waiting for and
// cancelling, transfer and the end of the other side.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/event.h"
#include "platform/pipe.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

using qvo::platform::NativeError;
using qvo::platform::PipeHandle;
using qvo::platform::PipeDirection;
using qvo::platform::PipeError;
namespace pf = qvo::platform;

constexpr auto kHangGuard = std::chrono::seconds(30);

std::string uniqueName(char const* what) {
  static const unsigned run = std::random_device{}();
  static int counter = 0;
  return pf::pipeNamePrefix() + "seam" + std::to_string(run) + "_" + what + "_" + std::to_string(++counter);
}

// A created pipe and its other end, connected.
struct Connected {
  PipeHandle creator = pf::invalidPipeHandle();
  PipeHandle other = pf::invalidPipeHandle();
  ~Connected() {
    pf::pipeClose(other);
    pf::pipeClose(creator);
  }
};

// Connects two ends of `name`; the creator uses `creatorDirection`, asynchronous handles throughout.
void connect(std::string const& name, PipeDirection creatorDirection, Connected& c) {
  ASSERT_EQ(pf::pipeCreate(name.c_str(), creatorDirection, true, c.creator), 0);
  const PipeDirection otherDirection =
      creatorDirection == PipeDirection::read ? PipeDirection::write : PipeDirection::read;
  ASSERT_EQ(pf::pipeOpen(name.c_str(), otherDirection, true, c.other), 0);
  alignas(void*) unsigned char record[pf::kPipeIoRecordSize];
  pf::EventHandle done = pf::eventCreate(pf::EventWaiters::threadsAndPipes);
  pf::pipeIoRecordInit(record, done);
  ASSERT_EQ(pf::pipeConnect(c.creator, record, pf::Timeout::unlimited(), pf::kNoEvent), 0);
  pf::eventClose(done);
}

// One asynchronous operation record with its own completion event.
struct Record {
  alignas(void*) unsigned char bytes[pf::kPipeIoRecordSize];
  pf::EventHandle event = pf::eventCreate(pf::EventWaiters::threadsAndPipes);
  Record() { pf::pipeIoRecordInit(bytes, event); }
  ~Record() { pf::eventClose(event); }
  Record(Record const&) = delete;
  Record& operator=(Record const&) = delete;
};

std::string readSome(PipeHandle h, std::uint32_t size, int* error = nullptr) {
  Record r;
  std::string buffer(size, '\0');
  std::uint32_t count = 0;
  const int e = pf::pipeRead(h, &buffer[0], size, r.bytes, pf::kNoEvent, count).native;
  if (error != nullptr) *error = e;
  buffer.resize(e == 0 ? count : 0);
  return buffer;
}

int writeAll(PipeHandle h, std::string const& bytes) {
  Record r;
  std::uint32_t count = 0;
  return pf::pipeWrite(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), r.bytes,
                       pf::kNoEvent, count).native;
}

TEST(PipeSeam, CreatorAndOpenerOfMatchingDirectionsExchangeBytes) {
  for (PipeDirection creatorDirection : {PipeDirection::read, PipeDirection::write}) {
    const std::string name = uniqueName("match");
    Connected c;
    ASSERT_NO_FATAL_FAILURE(connect(name, creatorDirection, c));
    PipeHandle writer = creatorDirection == PipeDirection::write ? c.creator : c.other;
    PipeHandle reader = creatorDirection == PipeDirection::write ? c.other : c.creator;
    ASSERT_EQ(writeAll(writer, "hello"), 0);
    std::string got;
    while (got.size() < 5) got += readSome(reader, 16);
    EXPECT_EQ(got, "hello");
  }
}

TEST(PipeSeam, OpeningAMissingPipeReportsNotFound) {
  PipeHandle h;
  EXPECT_EQ(pf::pipeOpen(uniqueName("missing").c_str(), PipeDirection::read, true, h), PipeError::notFound);
  EXPECT_FALSE(pf::isValidPipeHandle(h));
  EXPECT_FALSE(pf::pipeWaitAvailable(uniqueName("missing").c_str()));
}

TEST(PipeSeam, TheCreatorsDirectionIsDeniedAndLeavesTheInstanceFree) {
  const std::string name = uniqueName("deny");
  PipeHandle creator, other;
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::read, true, creator), 0);
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::read, true, other), PipeError::accessDenied);
  EXPECT_TRUE(pf::pipeWaitAvailable(name.c_str()));
  ASSERT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::write, true, other), 0);
  pf::pipeClose(other);
  pf::pipeClose(creator);
}

TEST(PipeSeam, OneInstanceOnly) {
  const std::string name = uniqueName("busy");
  PipeHandle h;
  PipeHandle creator;
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::read, true, creator), 0);
  EXPECT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::read, true, h), NativeError::pipeBusy);
  EXPECT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::write, true, h), NativeError::pipeBusy);
  PipeHandle other;
  ASSERT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::write, true, other), 0);
  // Taken, before and after the creator has accepted the connection.
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::write, true, h), NativeError::pipeBusy);
  Record r;
  ASSERT_EQ(pf::pipeConnect(creator, r.bytes, pf::Timeout::unlimited(), pf::kNoEvent), 0);
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::write, true, h), NativeError::pipeBusy);
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::read, true, h), NativeError::pipeBusy);
  EXPECT_FALSE(pf::pipeWaitAvailable(name.c_str()));
  pf::pipeClose(other);
  pf::pipeClose(creator);
  // The name is free again once the creator has closed.
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::write, true, creator), 0);
  pf::pipeClose(creator);
}

TEST(PipeSeam, AskingWhetherAnInstanceWaitsDoesNotTakeIt) {
  const std::string name = uniqueName("avail");
  PipeHandle creator, other;
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::write, true, creator), 0);
  auto waiting = std::async(std::launch::async, [&] {
    Record r;
    return pf::pipeConnect(creator, r.bytes, pf::Timeout::unlimited(), pf::kNoEvent);
  });
  EXPECT_TRUE(pf::pipeWaitAvailable(name.c_str()));
  EXPECT_TRUE(pf::pipeWaitAvailable(name.c_str()));
  ASSERT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::read, true, other), 0);
  ASSERT_EQ(waiting.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(waiting.get(), 0);
  pf::pipeClose(other);
  pf::pipeClose(creator);
}

TEST(PipeSeam, WaitingForTheOtherEndEndsAtTheTimeOutOrTheCancelEvent) {
  const std::string name = uniqueName("wait");
  PipeHandle creator;
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::read, true, creator), 0);
  Record r;
  EXPECT_NE(pf::pipeConnect(creator, r.bytes, pf::Timeout::ms(50), pf::kNoEvent), 0);

  pf::EventHandle cancel = pf::eventCreate(pf::EventWaiters::threadsAndPipes);
  auto waiting = std::async(std::launch::async,
                            [&] { return pf::pipeConnect(creator, r.bytes, pf::Timeout::unlimited(), cancel); });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  pf::eventSet(cancel);
  ASSERT_EQ(waiting.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(waiting.get(), PipeError::noData);
  pf::eventClose(cancel);
  pf::pipeClose(creator);
}

TEST(PipeSeam, TheCancelEventEndsABlockedReadButNotOneWithData) {
  const std::string name = uniqueName("cancel");
  Connected c;
  ASSERT_NO_FATAL_FAILURE(connect(name, PipeDirection::read, c));
  pf::EventHandle cancel = pf::eventCreate(pf::EventWaiters::threadsAndPipes);
  Record r;
  char buffer[8];
  auto reading = std::async(std::launch::async, [&] {
    std::uint32_t count = 0;
    return pf::pipeRead(c.creator, buffer, sizeof buffer, r.bytes, cancel, count);
  });
  EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  pf::eventSet(cancel);
  ASSERT_EQ(reading.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(reading.get(), NativeError::ioPending);
  EXPECT_TRUE(pf::eventIsSet(cancel));

  // Bytes already there are read although the event is still set.
  ASSERT_EQ(writeAll(c.other, "xy"), 0);
  std::uint32_t count = 0;
  for (int i = 0; i < 1000 && count == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (pf::pipeRead(c.creator, buffer, sizeof buffer, r.bytes, cancel, count) != 0) count = 0;
  }
  EXPECT_EQ(std::string(buffer, count), "xy");
  pf::eventReset(cancel);
  EXPECT_FALSE(pf::eventIsSet(cancel));
  pf::eventClose(cancel);
}

TEST(PipeSeam, TheOtherEndsCloseBreaksThePipeAfterItsBytes) {
  const std::string name = uniqueName("broken");
  Connected c;
  ASSERT_NO_FATAL_FAILURE(connect(name, PipeDirection::read, c));
  ASSERT_EQ(writeAll(c.other, "abc"), 0);
  pf::pipeClose(c.other);
  c.other = pf::invalidPipeHandle();
  std::string got;
  int e = 0;
  while (e == 0 && got.size() < 3) got += readSome(c.creator, 16, &e);
  EXPECT_EQ(got, "abc");
  readSome(c.creator, 16, &e);
  EXPECT_EQ(e, NativeError::brokenPipe);

  const std::string name2 = uniqueName("broken2");
  Connected d;
  ASSERT_NO_FATAL_FAILURE(connect(name2, PipeDirection::read, d));
  pf::pipeClose(d.creator);
  d.creator = pf::invalidPipeHandle();
  // A write finds the pipe being closed (Windows: ERROR_NO_DATA, where a read gets ERROR_BROKEN_PIPE).
  EXPECT_EQ(writeAll(d.other, std::string(100000, 'x')), PipeError::noData);
}

TEST(PipeSeam, AHandleUsedAgainstItsDirectionOrAfterCloseFails) {
  const std::string name = uniqueName("dir");
  Connected c;
  ASSERT_NO_FATAL_FAILURE(connect(name, PipeDirection::read, c));
  int e = 0;
  readSome(c.other, 4, &e);
  EXPECT_NE(e, 0);
  EXPECT_NE(writeAll(c.creator, "x"), 0);
  pf::pipeClose(c.other);
  PipeHandle closed = c.other;
  c.other = pf::invalidPipeHandle();
#ifndef _WIN32
  // Windows may hand the value to the next object; the seam's own table never does.
  EXPECT_EQ(writeAll(closed, "x"), PipeError::badHandle);
#else
  (void)closed;
#endif
}

TEST(PipeSeam, SocketWaitTreatsValuesThatAreNoOpenSocketAsReadable) {
  EXPECT_TRUE(pf::socketWaitReadable(-1, pf::Timeout::ms(0)));
  EXPECT_TRUE(pf::socketWaitReadable(-5, pf::Timeout::ms(1500)));
  EXPECT_TRUE(pf::socketWaitReadable(1 << 20, pf::Timeout::ms(1500)));
}

#ifndef _WIN32
// Files that a creator which died left behind: its socket (nobody listening) and an unlocked lock file.
TEST(PipeSeam, FilesOfADeadCreatorCountAsNoPipe) {
  const std::string name = uniqueName("stale");
  {
    PipeHandle h;
    ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::read, true, h), 0);  // makes the directory
    pf::pipeClose(h);
  }
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, name.c_str());
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::chmod(name.c_str(), 0620);
  ::close(s);
  ::close(::open((name + ".lock").c_str(), O_CREAT | O_RDWR, 0600));

  PipeHandle h;
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::write, true, h), PipeError::notFound);
  EXPECT_FALSE(pf::pipeWaitAvailable(name.c_str()));
  ASSERT_EQ(pf::pipeCreate(name.c_str(), PipeDirection::write, true, h), 0);
  PipeHandle other;
  EXPECT_EQ(pf::pipeOpen(name.c_str(), PipeDirection::read, true, other), 0);
  pf::pipeClose(other);
  pf::pipeClose(h);
  struct stat st;
  EXPECT_NE(::stat(name.c_str(), &st), 0);
  EXPECT_NE(::stat((name + ".lock").c_str(), &st), 0);
}

TEST(PipeSeam, SocketWaitPollsDescriptorsBeyondTheSelectLimit) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  const int high = ::dup2(pair[0], FD_SETSIZE + 10);
  ASSERT_EQ(high, FD_SETSIZE + 10);
  EXPECT_FALSE(pf::socketWaitReadable(high, pf::Timeout::ms(0)));
  EXPECT_FALSE(pf::socketWaitReadable(high, pf::Timeout::ms(20)));
  ASSERT_EQ(::write(pair[1], "x", 1), 1);
  EXPECT_TRUE(pf::socketWaitReadable(high, pf::Timeout::unlimited()));
  ::close(high);
  ::close(pair[0]);
  ::close(pair[1]);
}
#endif

}  // namespace
