// CQVONamedPipeNTLWBSO_Connector: opens or creates one channel of a blocking named pipe on its own
// thread, with one retry in the opposite direction, and waits for the other end without limit.
#include "pipe/lwbso_connector.h"

#include "pipe/open_steps.h"
#include "platform/error.h"
#include "platform/pipe.h"

namespace pf = qvo::platform;
using Mode = CQVONamedPipe::CHANNEL_ACCESS_MODE;

namespace qvo::pipe {

void ChannelDecision::announce(bool ok, bool created, Mode openedAs) {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_bDecided) return;
  m_bDecided = true;
  m_bOk = ok;
  m_bCreated = created;
  m_eOpenedAs = openedAs;
  m_announced.notify_all();
}

void ChannelDecision::wait() {
  std::unique_lock<std::mutex> g(m_lock);
  m_announced.wait(g, [this] { return m_bDecided; });
}

}  // namespace qvo::pipe

CQVONamedPipeNTLWBSO_Connector::CQVONamedPipeNTLWBSO_Connector(CQVONamedPipeNTLWBSO* pipe, char const* name,
                                                               Mode mode, void** handle, bool* created,
                                                               unsigned long retries)
    : CQVOThread(-1),
      m_pPipe(pipe),
      m_szName(name),
      m_eMode(mode),
      m_pHandle(handle),
      m_pbCreated(created),
      m_retries(retries),
      m_bResult(false) {}

CQVONamedPipeNTLWBSO_Connector::~CQVONamedPipeNTLWBSO_Connector() { Join(); }

int CQVONamedPipeNTLWBSO_Connector::Run() {
  if (m_bJoin) {
    Mode ignored;
    const pf::SysError e = qvo::pipe::joinSecondChannel(m_pPipe, m_szName, m_eMode, false,
                                              pf::Timeout::fromSigned(m_lJoinTimeout), *m_pHandle, ignored);
    m_pPipe->recordOpen(!e);
    if (e) e.setErrno();
    m_bResult = !e;
  } else {
    m_bResult = ConnectChannel(m_szName, m_eMode, *m_pHandle, *m_pbCreated, m_retries);
  }
  announce(m_bResult, *m_pbCreated, m_eMode);  // a failure that came before any decision
  return 0;
}

void CQVONamedPipeNTLWBSO_Connector::announce(bool ok, bool created, Mode openedAs) {
  if (m_pDecision != nullptr) m_pDecision->announce(ok, created, openedAs);
}

bool CQVONamedPipeNTLWBSO_Connector::ConnectChannel(char const* nativeName, Mode mode, void*& handle,
                                                    bool& created, unsigned long retries) {
  qvo::pipe::ChannelSteps steps{false, [this](bool open) { m_pPipe->recordOpen(open); },
                               [this](bool wasCreated, Mode as) { announce(true, wasCreated, as); },
                               [this](pf::PipeHandle own, Mode) { return m_pPipe->WaitForConnection(own.raw) == 1; }};
  return qvo::pipe::openOrCreateChannel(m_pPipe, steps, nativeName, mode, handle, created, retries);
}
