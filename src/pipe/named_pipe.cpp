// CQVONamedPipe: names, shape and peer of a named-pipe connection, the message read, the process-wide
// creation lock, and the factory CQVOFactory.
#include "QVOPipe.h"

#include <cerrno>

#include "platform/pipe.h"

namespace {
char const* const kChannelSeparator = "_";
}

// Built when the library is loaded (static initialisation of the library), destroyed at unload after
// the objects created on first use.
CQVOLockableObject CQVONamedPipe::m_creationLock;

CQVONamedPipe::CQVONamedPipe(char const* input, char const* output)
    : m_bTwoNativePipes(true),
      m_bTwoChannelsAutoCreated(false),
      m_eAccessMode(PIPE_READ_WRITE),
      m_inputChannelName(input),
      m_outputChannelName(output) {
  m_name = m_inputChannelName + kChannelSeparator + m_outputChannelName;
  setNativeNames();
}

CQVONamedPipe::CQVONamedPipe(char const* name, char const* inputSuffix, char const* outputSuffix)
    : m_bTwoNativePipes(true), m_bTwoChannelsAutoCreated(true), m_eAccessMode(PIPE_READ_WRITE) {
  m_inputChannelName = CQVOString(name);
  m_inputChannelName += CQVOString(inputSuffix);
  m_outputChannelName = CQVOString(name);
  m_outputChannelName += CQVOString(outputSuffix);
  m_name = m_inputChannelName + kChannelSeparator + m_outputChannelName;
  setNativeNames();
}

CQVONamedPipe::CQVONamedPipe(char const* name, PIPE_ACCESS_MODE mode)
    : m_bTwoNativePipes(false), m_bTwoChannelsAutoCreated(false), m_eAccessMode(mode), m_name(name) {
  setNativeNames();
}

void CQVONamedPipe::setNativeNames() {
  const CQVOString prefix(qvo::platform::pipeNamePrefix());
  if (m_bTwoNativePipes) {
    m_nativeInputChannelName = prefix + m_inputChannelName;
    m_nativeOutputChannelName = prefix + m_outputChannelName;
  } else {
    m_nativeName = prefix + m_name;
    m_nativeInputChannelName = m_nativeName;
    m_nativeOutputChannelName = m_nativeName;
  }
}

bool CQVONamedPipe::closeChannels(void* single, void* input, void* output, bool& holdsHandles,
                                  void (*closeOne)(CQVONamedPipe* pipe, void* handle)) {
  if (!IsOpen()) return false;
  if (m_bTwoNativePipes) {
    closeOne(this, input);
    closeOne(this, output);
  } else {
    closeOne(this, single);
  }
  holdsHandles = false;
  IsOpen(false);
  return true;
}

void CQVONamedPipe::releaseChannels(void*& single, void*& input, void*& output, bool& holdsHandles) {
  if (!holdsHandles) return;
  holdsHandles = false;
  // A failed Open releases what it had opened: the cause of the failure stays in errno.
  int const cause = errno;
  void* handles[3] = {single, input, output};
  for (int i = 0; i < 3; ++i) {
    bool seen = false;
    for (int j = 0; j < i; ++j) seen = seen || handles[j] == handles[i];
    if (!seen) qvo::platform::pipeClose(qvo::platform::PipeHandle{handles[i]});
  }
  single = input = output = qvo::platform::invalidPipeHandle().raw;
  IsOpen(false);
  errno = cause;
}

CQVONamedPipe::~CQVONamedPipe() = default;

bool CQVONamedPipe::Open() { return false; }
bool CQVONamedPipe::Close() { return false; }

long CQVONamedPipe::Read(CQVOString& text) {
  // A message is the bytes that arrive before the first 200-ms read that delivers none, at most 4096.
  // Each raw read asks for all that may still belong to the message: it returns the bytes that are
  // there (at least one) or fails, which makes the same message as reading them one at a time, in far
  // fewer calls, and never takes a byte beyond the 4096th.
  constexpr int kMessage = 4096;
  char buffer[kMessage];
  long total = 0;
  while (total < kMessage) {
    const long n = Read(buffer + total, static_cast<int>(kMessage - total), 200);
    if (n <= 0) {
      if (total == 0) return n;
      break;
    }
    total += n;
  }
  text = CQVOString(buffer, static_cast<unsigned int>(total));
  return total;
}

CQVONamedPipe* CQVONamedPipe::CreatePeer() const {
  if (m_bTwoNativePipes) return CQVOFactory::NewNamedPipe(OutputChannelName(), InputChannelName());
  return CQVOFactory::NewNamedPipe(Name(), m_eAccessMode == PIPE_READ ? PIPE_WRITE : PIPE_READ);
}

void CQVONamedPipe::invertChannels() {
  std::swap(m_inputChannelName, m_outputChannelName);
  std::swap(m_nativeInputChannelName, m_nativeOutputChannelName);
  if (!(m_inputChannelName == m_outputChannelName)) {
    m_name = m_inputChannelName + kChannelSeparator + m_outputChannelName;
  }
}

char const* CQVONamedPipe::Name() const { return m_name.str(); }
char const* CQVONamedPipe::NativeName() const { return m_nativeName.str(); }
char const* CQVONamedPipe::InputChannelName() const { return m_inputChannelName.str(); }
char const* CQVONamedPipe::OutputChannelName() const { return m_outputChannelName.str(); }
char const* CQVONamedPipe::NativeInputChannelName() const { return m_nativeInputChannelName.str(); }
char const* CQVONamedPipe::NativeOutputChannelName() const { return m_nativeOutputChannelName.str(); }
bool CQVONamedPipe::TwoNativePipes() const { return m_bTwoNativePipes; }
bool CQVONamedPipe::TwoChannelsAutoCreated() const { return m_bTwoChannelsAutoCreated; }
CQVONamedPipe::PIPE_ACCESS_MODE CQVONamedPipe::GetPipeAccessMode() const { return m_eAccessMode; }

void CQVONamedPipe::Name(char const* name) { m_name = CQVOString(name); }
void CQVONamedPipe::NativeName(char const* name) { m_nativeName = CQVOString(name); }
void CQVONamedPipe::InputChannelName(char const* name) { m_inputChannelName = CQVOString(name); }
void CQVONamedPipe::OutputChannelName(char const* name) { m_outputChannelName = CQVOString(name); }
void CQVONamedPipe::NativeInputChannelName(char const* name) { m_nativeInputChannelName = CQVOString(name); }
void CQVONamedPipe::NativeOutputChannelName(char const* name) { m_nativeOutputChannelName = CQVOString(name); }

// --- CQVOFactory -------------------------------------------------------------------------------------

CQVOFactory::CQVOFactory() = default;
CQVOFactory::~CQVOFactory() = default;
CQVOFactory::CQVOFactory(CQVOFactory const&) {}
CQVOFactory& CQVOFactory::operator=(CQVOFactory const&) { return *this; }

CQVONamedPipe* CQVOFactory::NewNamedPipe(char const* name, CQVONamedPipe::PIPE_ACCESS_MODE mode) {
  return new CQVONamedPipeNT(name, mode);
}

CQVONamedPipe* CQVOFactory::NewNamedPipe(char const* name, char const* inputSuffix, char const* outputSuffix) {
  return new CQVONamedPipeNT(name, inputSuffix, outputSuffix);
}

CQVONamedPipe* CQVOFactory::NewNamedPipe(char const* input, char const* output) {
  return new CQVONamedPipeNT(input, output);
}
