// CQVOIOStream: the byte stream under the named pipes: open with a time-out, string read and write,
// and the wait for a readable socket.
#include <vector>

#include "QVOPipe.h"
#include "platform/pipe.h"

CQVOIOStream::CQVOIOStream() : m_bIsOpen(false), m_openTimeout(-1) {}

CQVOIOStream::~CQVOIOStream() = default;

bool CQVOIOStream::Open(long timeout) {
  m_openTimeout = timeout;
  return Open();
}

bool CQVOIOStream::IsOpen() { return m_bIsOpen; }
void CQVOIOStream::IsOpen(bool open) { m_bIsOpen = open; }
long CQVOIOStream::getOpenTimeout() const { return m_openTimeout; }

long CQVOIOStream::Read(CQVOString& text) {
  constexpr int kSize = 4097;
  std::vector<char> buffer(kSize + 1, '\0');  // room for a terminating zero after the largest read
  const long n = Read(buffer.data(), kSize, -1);
  if (n < 1) return n;
  text = CQVOString(buffer.data(), static_cast<unsigned int>(n));
  return n;
}

long CQVOIOStream::Write(CQVOString const& text) {
  return Write(text.str(), static_cast<int>(text.length()), -1);
}

bool CQVOIOStream::WaitForData(int socket, long timeout) {
  return qvo::platform::socketWaitReadable(socket, qvo::platform::Timeout::fromSigned(timeout));
}
