// CQVONamedPipeNT: the asynchronous named-pipe variant: open-or-create with the retry in the opposite
// direction, the wait for the other end bounded by the open time-out, reads and writes that the close
// event ends, and the joining end's channel inversion.
#include <thread>

#include "QVOPipe.h"
#include "pipe/channels.h"
#include "pipe/open_steps.h"
#include "platform/error.h"
#include "platform/event.h"
#include "platform/pipe.h"

namespace pf = qvo::platform;
using qvo::pipe::callOpenHook;
using qvo::pipe::eventHandle;
using qvo::pipe::pipeHandle;
using qvo::pipe::OpenStage;

static_assert(sizeof(qvo::detail::PipeIoRecord) == pf::kPipeIoRecordSize, "one record per operation");

unsigned short const CQVONamedPipeNT::msc_sNbEvents = 4;

namespace {
enum Event { kReadDone = 0, kWriteDone = 1, kClose = 2, kConnected = 3 };

// Failing returns the operating system's code negated, with errno set from it.
long fail(pf::SysError e) {
  e.setErrno();
  return -static_cast<long>(e.native);
}
}  // namespace

CQVONamedPipeNT::CQVONamedPipeNT(char const* input, char const* output) : CQVONamedPipe(input, output) {
  clearChannels();
  InitializeEvents();
}

CQVONamedPipeNT::CQVONamedPipeNT(char const* name, char const* inputSuffix, char const* outputSuffix)
    : CQVONamedPipe(name, inputSuffix, outputSuffix) {
  clearChannels();
  InitializeEvents();
}

CQVONamedPipeNT::CQVONamedPipeNT(char const* name, PIPE_ACCESS_MODE mode) : CQVONamedPipe(name, mode) {
  clearChannels();
  InitializeEvents();
}

CQVONamedPipeNT::~CQVONamedPipeNT() {
  if (IsOpen()) {
    CQVONamedPipeNT::Close();
  } else {
    releaseHandles();
  }
  for (void*& event : m_hEvents) {
    pf::eventClose(eventHandle(event));
    event = pf::kNoEvent.raw;
  }
}

void CQVONamedPipeNT::clearChannels() {
  m_bInputCreated = 0;
  m_bOutputCreated = 0;
  m_hPipe = m_hInput = m_hOutput = pf::invalidPipeHandle().raw;
  m_bHoldsHandles = false;
  pf::pipeIoRecordInit(&m_readOverlapped, pf::kNoEvent);
  pf::pipeIoRecordInit(&m_writeOverlapped, pf::kNoEvent);
}

void CQVONamedPipeNT::InitializeEvents() {
  for (void*& event : m_hEvents) event = pf::eventCreate(pf::EventWaiters::threadsAndPipes).raw;
}

// --- opening -----------------------------------------------------------------------------------------

bool CQVONamedPipeNT::Open() {
  releaseHandles();  // an earlier connection that this object still holds is not leaked
  for (void* event : m_hEvents) pf::eventReset(eventHandle(event));
  pf::pipeIoRecordInit(&m_readOverlapped, eventHandle(m_hEvents[kReadDone]));
  pf::pipeIoRecordInit(&m_writeOverlapped, eventHandle(m_hEvents[kWriteDone]));

  if (!TwoNativePipes()) {
    bool created = false;
    const bool ok = Open_SingleChannel(NativeName(), GetPipeAccessMode() == PIPE_READ ? CHANNEL_READ : CHANNEL_WRITE,
                                       m_hPipe, created, 1);
    m_hInput = m_hOutput = m_hPipe;
    m_bInputCreated = m_bOutputCreated = created;
    m_bHoldsHandles = true;
    if (!ok) releaseHandles();
    return ok;
  }

  bool inputCreated = false;
  bool outputCreated = false;
  CHANNEL_ACCESS_MODE inputOpenedAs = CHANNEL_READ;
  m_bHoldsHandles = true;
  if (!openChannel(NativeInputChannelName(), CHANNEL_READ, m_hInput, inputCreated, 1, inputOpenedAs)) {
    releaseHandles();
    return false;
  }
  callOpenHook(this, OpenStage::betweenChannels);

  // A pair named from one base name whose first channel this end joined (opened in the other
  // direction): the other end runs the same steps and creates the second channel itself. Creating it
  // here, in this end's own direction, would leave both ends reading (or both writing); so this end
  // waits for it and opens it in the direction that fits.
  if (TwoChannelsAutoCreated() && !inputCreated && inputOpenedAs == CHANNEL_WRITE) {
    CHANNEL_ACCESS_MODE ignored;
    const pf::SysError e = qvo::pipe::joinSecondChannel(this, NativeOutputChannelName(), CHANNEL_WRITE, true,
                                              pf::Timeout::fromSigned(getOpenTimeout()), m_hOutput, ignored);
    IsOpen(pf::isValidPipeHandle(pipeHandle(m_hOutput)));
    if (e) e.setErrno();
  } else {
    CHANNEL_ACCESS_MODE ignored;
    openChannel(NativeOutputChannelName(), CHANNEL_WRITE, m_hOutput, outputCreated, 1, ignored);
  }

  bool result = true;
  if (TwoChannelsAutoCreated()) {
    // The joining end reads from the channel it opened for reading: the input channel of its peer's
    // output. The direction it got decides, which is the same as "did not create the input channel"
    // when both ends are built alike.
    if (inputOpenedAs == CHANNEL_WRITE) invertChannels();
  } else {
    if (inputCreated && WaitForConnection(m_hInput, &m_readOverlapped) != 1) result = false;
    if (result && outputCreated && WaitForConnection(m_hOutput, &m_writeOverlapped) != 1) result = false;
  }
  if (result) {
    m_bInputCreated = inputCreated;
    m_bOutputCreated = outputCreated;
  } else {
    releaseHandles();
  }
  return result;
}

bool CQVONamedPipeNT::Open_SingleChannel(char const* nativeName, CHANNEL_ACCESS_MODE mode, void*& handle,
                                         bool& created, unsigned long retries) {
  CHANNEL_ACCESS_MODE ignored;
  return openChannel(nativeName, mode, handle, created, retries, ignored);
}

bool CQVONamedPipeNT::openChannel(char const* nativeName, CHANNEL_ACCESS_MODE mode, void*& handle,
                                  bool& created, unsigned long retries, CHANNEL_ACCESS_MODE& openedAs) {
  qvo::pipe::ChannelSteps steps{
      true, [this](bool open) { IsOpen(open); }, [&openedAs](bool, CHANNEL_ACCESS_MODE as) { openedAs = as; },
      [this](pf::PipeHandle own, CHANNEL_ACCESS_MODE as) {
        // A pair of explicitly named channels waits for the other end once both are settled (Open).
        if (TwoNativePipes() && !TwoChannelsAutoCreated()) return true;
        return WaitForConnection(own.raw, as == CHANNEL_WRITE ? &m_writeOverlapped : &m_readOverlapped) == 1;
      }};
  return qvo::pipe::openOrCreateChannel(this, steps, nativeName, mode, handle, created, retries);
}

int CQVONamedPipeNT::WaitForConnection(void* handle, qvo::detail::PipeIoRecord* record) {
  pf::pipeIoRecordInit(record, eventHandle(m_hEvents[kConnected]));
  const pf::SysError e = pf::pipeConnect(pipeHandle(handle), record, pf::Timeout::fromSigned(getOpenTimeout()),
                                eventHandle(m_hEvents[kClose]));
  if (!e) return 1;
  e.setErrno();
  return 0;
}

// --- transfer ----------------------------------------------------------------------------------------

long CQVONamedPipeNT::Read(void* buffer, int size, long timeout) {
  if (buffer == nullptr || size <= 0) return fail(pf::sysError(pf::NativeError::invalidParameter));
  char* bytes = static_cast<char*>(buffer);
  std::uint32_t count = 0;
  pf::pipeIoRecordInit(&m_readOverlapped, eventHandle(m_hEvents[kReadDone]));
  pf::SysError e = pf::pipeRead(pipeHandle(m_hInput), bytes, static_cast<std::uint32_t>(size), &m_readOverlapped,
                       eventHandle(m_hEvents[kClose]), count);
  if (e || count == 0) return fail(e);
  if (count == static_cast<std::uint32_t>(size) || timeout >= 0) return static_cast<long>(count);

  // No time limit: the rest too. A loop rather than one call per piece, so that a trickle of small
  // pieces cannot exhaust the stack; a failing rest returns the bytes already read (the next read
  // reports the failure).
  long total = static_cast<long>(count);
  while (total < size) {
    std::this_thread::yield();
    pf::pipeIoRecordInit(&m_readOverlapped, eventHandle(m_hEvents[kReadDone]));
    e = pf::pipeRead(pipeHandle(m_hInput), bytes + total, static_cast<std::uint32_t>(size - total),
                     &m_readOverlapped, eventHandle(m_hEvents[kClose]), count);
    if (e || count == 0) {
      e.setErrno();
      break;
    }
    total += static_cast<long>(count);
  }
  return total;
}

long CQVONamedPipeNT::Write(void const* buffer, int size, long) {
  if (buffer == nullptr || size <= 0) return fail(pf::sysError(pf::NativeError::invalidParameter));
  std::uint32_t count = 0;
  pf::pipeIoRecordInit(&m_writeOverlapped, eventHandle(m_hEvents[kWriteDone]));
  const pf::SysError e = pf::pipeWrite(pipeHandle(m_hOutput), buffer, static_cast<std::uint32_t>(size),
                                       &m_writeOverlapped, eventHandle(m_hEvents[kClose]), count);
  if (!e && count == static_cast<std::uint32_t>(size)) return size;
  return fail(e);
}

bool CQVONamedPipeNT::ConnectionPending() const { return qvo::pipe::connectionPending(*this); }

// --- closing -----------------------------------------------------------------------------------------

bool CQVONamedPipeNT::Close() {
  return closeChannels(m_hPipe, m_hInput, m_hOutput, m_bHoldsHandles, [](CQVONamedPipe* pipe, void* h) {
    static_cast<CQVONamedPipeNT*>(pipe)->Close_SingleChannel(h);
  });
}

bool CQVONamedPipeNT::Close_SingleChannel(void* handle) {
  pf::eventSet(eventHandle(m_hEvents[kClose]));  // ends the waits of other threads on this pipe
  const bool created = handle == m_hInput ? m_bInputCreated != 0 : m_bOutputCreated != 0;
  const bool writes = TwoNativePipes() ? handle == m_hOutput : GetPipeAccessMode() != PIPE_READ;
  // Disconnecting discards what the other end has not read yet: a channel this end writes is only
  // closed, so that the bytes written before Close still reach the other end.
  if (created && !writes) pf::pipeDisconnect(pipeHandle(handle));
  pf::pipeClose(pipeHandle(handle));
  return true;
}

// Closes the handles that an Open left and no Close released: after a failed Open, and after an Open
// that returned true with the pipe not open (one channel failed) at the next Open or the destructor.
void CQVONamedPipeNT::releaseHandles() {
  if (m_bHoldsHandles) pf::eventSet(eventHandle(m_hEvents[kClose]));  // first ends the waits of other threads
  releaseChannels(m_hPipe, m_hInput, m_hOutput, m_bHoldsHandles);
}

void CQVONamedPipeNT::invertChannels() {
  CQVONamedPipe::invertChannels();
  std::swap(m_readOverlapped, m_writeOverlapped);
  std::swap(m_hInput, m_hOutput);
}
