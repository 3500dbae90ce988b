// CQVONamedPipeNTLWBSO_Connector: the short-lived thread that opens or creates one channel of a
// blocking named pipe and waits for the other end, so that a pair's two channels open in parallel.
#ifndef QVOBASE_PIPE_LWBSO_CONNECTOR_H
#define QVOBASE_PIPE_LWBSO_CONNECTOR_H

#include <condition_variable>
#include <mutex>

#include "QVOPipe.h"

namespace qvo::pipe {

// How the first channel of a pair named from one base name was settled: the second channel's connector
// starts only once this is known, so that a joining end never creates the second channel itself.
class ChannelDecision {
 public:
  void announce(bool ok, bool created, CQVONamedPipe::CHANNEL_ACCESS_MODE openedAs);
  // Waits for the announcement.
  void wait();
  bool ok() const { return m_bOk; }
  bool created() const { return m_bCreated; }
  CQVONamedPipe::CHANNEL_ACCESS_MODE openedAs() const { return m_eOpenedAs; }

 private:
  std::mutex m_lock;
  std::condition_variable m_announced;
  bool m_bDecided = false;
  bool m_bOk = false;
  bool m_bCreated = false;
  CQVONamedPipe::CHANNEL_ACCESS_MODE m_eOpenedAs = CQVONamedPipe::CHANNEL_READ;
};

}  // namespace qvo::pipe

class CQVONamedPipeNTLWBSO_Connector : public CQVOThread {
 public:
  // `handle` and `created` receive the channel's handle and whether this end created it.
  CQVONamedPipeNTLWBSO_Connector(CQVONamedPipeNTLWBSO* pipe, char const* name,
                                 CQVONamedPipe::CHANNEL_ACCESS_MODE mode, void** handle, bool* created,
                                 unsigned long retries);
  ~CQVONamedPipeNTLWBSO_Connector() override;
  CQVONamedPipeNTLWBSO_Connector(CQVONamedPipeNTLWBSO_Connector const&) = delete;
  CQVONamedPipeNTLWBSO_Connector& operator=(CQVONamedPipeNTLWBSO_Connector const&) = delete;

  // The outcome of the connector's work, once it has been joined.
  bool Result() const { return m_bResult; }
  // Announce how the channel was settled (opened or created, before the wait for the other end).
  void announceTo(qvo::pipe::ChannelDecision* decision) { m_pDecision = decision; }
  // Join a channel that the other end creates: wait for it (up to `timeoutMs`) instead of creating it.
  void joinExisting(long timeoutMs) {
    m_bJoin = true;
    m_lJoinTimeout = timeoutMs;
  }

 protected:
  int Run() override;

 private:
  bool ConnectChannel(char const* nativeName, CQVONamedPipe::CHANNEL_ACCESS_MODE mode, void*& handle,
                      bool& created, unsigned long retries);
  void announce(bool ok, bool created, CQVONamedPipe::CHANNEL_ACCESS_MODE openedAs);

  CQVONamedPipeNTLWBSO* m_pPipe;  // not owned
  char const* m_szName;
  CQVONamedPipe::CHANNEL_ACCESS_MODE m_eMode;
  void** m_pHandle;
  bool* m_pbCreated;
  unsigned long m_retries;
  bool m_bResult;
  qvo::pipe::ChannelDecision* m_pDecision = nullptr;
  bool m_bJoin = false;
  long m_lJoinTimeout = -1;
};

#endif  // QVOBASE_PIPE_LWBSO_CONNECTOR_H
