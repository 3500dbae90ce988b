// CQVONamedPipeNTLWBSO: the blocking named-pipe variant: channels opened in parallel by connector
// threads, transfers without time-outs, and the invalid-parameter answer to any time-out.
#include "QVOPipe.h"
#include "pipe/lwbso_connector.h"
#include "pipe/channels.h"
#include "pipe/open_steps.h"
#include "platform/error.h"
#include "platform/pipe.h"

namespace pf = qvo::platform;
using qvo::pipe::pipeHandle;

namespace {
// Failing makes the error the thread's last native error and returns its number as the socket layer
// reports it (on Windows the code itself), negated, with errno set from it.
long fail(pf::SysError e) {
  pf::setLastNativeError(e.native);
  e.setErrno();
  return -static_cast<long>(pf::socketErrorNumber(e.native));
}

// The answer to a time-out or a bad buffer: the invalid-parameter code negated, with errno set from it
// (the thread's last native error is left alone).
long invalidParameter() {
  const pf::SysError invalid = pf::sysError(pf::NativeError::invalidParameter);
  invalid.setErrno();
  return -static_cast<long>(invalid.native);
}
}  // namespace

CQVONamedPipeNTLWBSO::CQVONamedPipeNTLWBSO(char const* input, char const* output) : CQVONamedPipe(input, output) {
  clearChannels();
}

CQVONamedPipeNTLWBSO::CQVONamedPipeNTLWBSO(char const* name, char const* inputSuffix, char const* outputSuffix)
    : CQVONamedPipe(name, inputSuffix, outputSuffix) {
  clearChannels();
}

CQVONamedPipeNTLWBSO::CQVONamedPipeNTLWBSO(char const* name, PIPE_ACCESS_MODE mode) : CQVONamedPipe(name, mode) {
  clearChannels();
}

CQVONamedPipeNTLWBSO::~CQVONamedPipeNTLWBSO() {
  if (!CQVONamedPipeNTLWBSO::Close()) releaseHandles();
}

void CQVONamedPipeNTLWBSO::clearChannels() {
  m_bInputCreated = 0;
  m_bOutputCreated = 0;
  m_hPipe = m_hInput = m_hOutput = pf::invalidPipeHandle().raw;
  m_bHoldsHandles = false;
}

// The connectors record each channel's outcome in the open flag as they go, from their own threads.
void CQVONamedPipeNTLWBSO::recordOpen(bool open) {
  CQVOGuard guard(*this);
  IsOpen(open);
}

bool CQVONamedPipeNTLWBSO::Open() {
  releaseHandles();  // an earlier connection that this object still holds is not leaked
  m_bHoldsHandles = true;
  if (!TwoNativePipes()) {
    bool created = false;
    CQVONamedPipeNTLWBSO_Connector connector(this, NativeName(),
                                             GetPipeAccessMode() == PIPE_READ ? CHANNEL_READ : CHANNEL_WRITE,
                                             &m_hPipe, &created, 1);
    connector.Start();
    connector.Join();
    m_hInput = m_hOutput = m_hPipe;
    m_bInputCreated = m_bOutputCreated = created;
    if (!connector.Result()) releaseHandles();
    return connector.Result();
  }

  bool inputCreated = false;
  bool outputCreated = false;
  CQVONamedPipeNTLWBSO_Connector input(this, NativeInputChannelName(), CHANNEL_READ, &m_hInput, &inputCreated, 1);
  CQVONamedPipeNTLWBSO_Connector output(this, NativeOutputChannelName(), CHANNEL_WRITE, &m_hOutput,
                                        &outputCreated, 1);
  qvo::pipe::ChannelDecision first;
  bool invert = false;
  if (TwoChannelsAutoCreated()) {
    // Both ends of a pair named from one base name run the same steps: the first channel decides which
    // end creates both. Its connector settles it before the second one starts; a joining end then
    // waits for the second channel instead of creating it in its own direction.
    input.announceTo(&first);
    input.Start();
    first.wait();
    qvo::pipe::callOpenHook(this, qvo::pipe::OpenStage::betweenChannels);
    invert = first.ok() && first.openedAs() == CHANNEL_WRITE;
    if (invert) output.joinExisting(getOpenTimeout());
    output.Start();
  } else {
    input.Start();
    output.Start();
  }
  input.Join();
  output.Join();
  if (!input.Result() && !output.Result()) {
    releaseHandles();
    return false;
  }
  if (invert) invertChannels();
  m_bInputCreated = inputCreated;
  m_bOutputCreated = outputCreated;
  return true;
}

int CQVONamedPipeNTLWBSO::WaitForConnection(void* handle) {
  const pf::SysError e = pf::pipeConnect(pipeHandle(handle), nullptr, pf::Timeout::unlimited(), pf::kNoEvent);
  if (!e) return 1;
  fail(e);
  return 0;
}

long CQVONamedPipeNTLWBSO::Read(void* buffer, int size, long timeout) {
  if (timeout >= 0 || buffer == nullptr || size <= 0) return invalidParameter();
  std::uint32_t count = 0;
  const pf::SysError e =
      pf::pipeRead(pipeHandle(m_hInput), buffer, static_cast<std::uint32_t>(size), nullptr, pf::kNoEvent, count);
  if (!e && count == static_cast<std::uint32_t>(size)) return size;
  return fail(e);  // a short read is a failure too
}

long CQVONamedPipeNTLWBSO::Write(void const* buffer, int size, long timeout) {
  if (timeout >= 0 || buffer == nullptr || size <= 0) return invalidParameter();
  std::uint32_t count = 0;
  const pf::SysError e =
      pf::pipeWrite(pipeHandle(m_hOutput), buffer, static_cast<std::uint32_t>(size), nullptr, pf::kNoEvent, count);
  if (!e && count == static_cast<std::uint32_t>(size)) return size;
  return fail(e);
}

bool CQVONamedPipeNTLWBSO::ConnectionPending() const { return qvo::pipe::connectionPending(*this); }

CQVONamedPipe* CQVONamedPipeNTLWBSO::createPeer() const {
  if (TwoNativePipes()) return new CQVONamedPipeNTLWBSO(OutputChannelName(), InputChannelName());
  return new CQVONamedPipeNTLWBSO(Name(), GetPipeAccessMode() == PIPE_READ ? PIPE_WRITE : PIPE_READ);
}

bool CQVONamedPipeNTLWBSO::Close() {
  return closeChannels(m_hPipe, m_hInput, m_hOutput, m_bHoldsHandles, [](CQVONamedPipe* pipe, void* h) {
    static_cast<CQVONamedPipeNTLWBSO*>(pipe)->Close_SingleChannel(h);
  });
}

bool CQVONamedPipeNTLWBSO::Close_SingleChannel(void* handle) {
  if (!pf::isValidPipeHandle(pipeHandle(handle))) return true;
  pf::pipeFlush(pipeHandle(handle));  // the other end gets what this end wrote before it is disconnected
  const bool created = handle == m_hInput ? m_bInputCreated != 0 : m_bOutputCreated != 0;
  if (created) pf::pipeDisconnect(pipeHandle(handle));
  pf::pipeClose(pipeHandle(handle));
  return true;
}

void CQVONamedPipeNTLWBSO::releaseHandles() { releaseChannels(m_hPipe, m_hInput, m_hOutput, m_bHoldsHandles); }

void CQVONamedPipeNTLWBSO::invertChannels() {
  CQVONamedPipe::invertChannels();
  std::swap(m_hInput, m_hOutput);
}
