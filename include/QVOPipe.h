// Inter-process communication: the byte stream CQVOIOStream, the named-pipe model CQVONamedPipe with its
// factory CQVOFactory, and the two variants CQVONamedPipeNT (asynchronous, ended by Close from another
// thread) and CQVONamedPipeNTLWBSO (blocking, one connector thread per channel).
#ifndef QVOBASE_QVOPIPE_H
#define QVOBASE_QVOPIPE_H

#include <cstdint>

#include "QVOExport.h"
#include "QVOString.h"
#include "QVOThread.h"

namespace qvo::detail {
// Storage of one asynchronous-operation record: the system's OVERLAPPED on Windows (same size and
// alignment), reserved space on other systems.
struct PipeIoRecord {
  void* pointers[3];
  std::uint32_t words[2];
};
}  // namespace qvo::detail

// CQVOIOStream: an abstract byte stream that is opened with a time-out, read and written as raw bytes
// with a time-out per call, and read and written as strings.
//
// Raw operations: `size` is a byte count; `timeout` is in milliseconds, negative meaning no limit; a
// positive result is the number of bytes transferred, any other result a failure with errno set (the
// pipes return the operating system's error code negated).
//
// Thread safety: the object's own lock (it is a CQVOLockableObject) is free for the caller's use; the
// stream itself takes no lock. Copies are not available.
class QVO_API CQVOIOStream : public CQVOLockableObject {
 public:
  // Closed, with the open time-out -1 (no limit).
  CQVOIOStream();
  ~CQVOIOStream() override;
  CQVOIOStream(CQVOIOStream const&) = delete;
  CQVOIOStream& operator=(CQVOIOStream const&) = delete;

  // Opens the stream; pure here.
  virtual bool Open() = 0;
  // Closes the stream; pure here.
  virtual bool Close() = 0;
  // Raw read of up to `size` bytes.
  virtual long Read(void* buffer, int size, long timeout) = 0;
  // One raw read of up to 4097 bytes without time limit; a positive result sets `text` to the bytes
  // received (zeros included) and is their number. A result below 1 is returned with `text` unchanged.
  virtual long Read(CQVOString& text);
  // Raw write of `size` bytes.
  virtual long Write(void const* buffer, int size, long timeout) = 0;
  // Writes all of the string's bytes without time limit; returns the raw write's result.
  virtual long Write(CQVOString const& text);

  // Stores `timeout` as the open time-out (kept also when opening fails), then opens the stream with
  // the virtual Open() and returns its result.
  bool Open(long timeout);
  bool IsOpen();

  // Waits until the socket `socket` is readable: without limit for a negative `timeout`, otherwise for
  // up to `timeout` milliseconds. True when it is readable, and also when the wait fails (a value that
  // is no open socket gives true); false when the time ran out. WaitForData(s, 0) returns at once.
  static bool WaitForData(int socket, long timeout);

 protected:
  void IsOpen(bool open);
  long getOpenTimeout() const;

 private:
  bool m_bIsOpen;
  long m_openTimeout;
};

// CQVONamedPipe: the abstract connection between two processes over operating-system named pipes:
// either one native pipe that carries bytes one way, or a pair of native pipes called the input channel
// (this end reads it) and the output channel (this end writes it).
//
// There is no server or client role: each end opens the pipe if it exists and otherwise creates it and
// waits for the other end. Two processes with matching objects (the second built by CreatePeer, by the
// channel names in the opposite order, or with the same base name and suffixes) find each other
// whichever opens first. The operating-system name of a pipe or channel is the prefix "\\.\pipe\" and
// the name on Windows; on Linux the name inside the per-user directory $XDG_RUNTIME_DIR/qvo-pipes/ (or
// /tmp/qvo-pipes-<uid>/), where it is a Unix-domain socket.
//
//   pair("abc", "_in", "_out"): input channel abc_in, output channel abc_out, Name() abc_in_abc_out
//   the peer of the pair (a, b) is the pair (b, a), named b_a
//
// Thread safety: one thread at a time may read and one may write; nothing here takes a lock. Native pipe
// creation is serialised in the whole process by m_creationLock.
class QVO_API CQVONamedPipe : public CQVOIOStream {
 public:
  // Direction of a single native pipe; PIPE_READ_WRITE marks a pair of channels.
  enum PIPE_ACCESS_MODE { PIPE_READ = 0, PIPE_WRITE = 1, PIPE_READ_WRITE = 2 };
  // Direction of one native pipe as the variants open it.
  enum CHANNEL_ACCESS_MODE { CHANNEL_READ = 0, CHANNEL_WRITE = 1 };

  ~CQVONamedPipe() override;
  CQVONamedPipe(CQVONamedPipe const&) = delete;
  CQVONamedPipe& operator=(CQVONamedPipe const&) = delete;

  // Opening and closing belong to the variants: here both return false.
  bool Open() override;
  bool Close() override;
  using CQVOIOStream::Open;

  long Read(void* buffer, int size, long timeout) override = 0;
  // Reads one text message: the bytes that arrive before the first raw read (200 ms time-out each) that
  // delivers nothing, at most 4096 of them; a longer message comes in pieces from successive calls.
  // Returns their number (1 to 4096) and sets `text` to them, zeros included; when the very first read
  // fails, returns its result and leaves `text` unchanged.
  long Read(CQVOString& text) override;
  long Write(void const* buffer, int size, long timeout) override = 0;
  using CQVOIOStream::Write;

  // A new pipe for the other end, built by CQVOFactory (so a CQVONamedPipeNT) and owned by the caller:
  // the pair (output, input) for a pair; for one native pipe, Name() with PIPE_WRITE when this end is
  // PIPE_READ and PIPE_READ otherwise.
  virtual CQVONamedPipe* CreatePeer() const;
  // True when the other end has a pipe of this name waiting for a connection.
  virtual bool ConnectionPending() const = 0;

  char const* Name() const;
  char const* NativeName() const;
  char const* InputChannelName() const;
  char const* OutputChannelName() const;
  char const* NativeInputChannelName() const;
  char const* NativeOutputChannelName() const;
  bool TwoNativePipes() const;
  bool TwoChannelsAutoCreated() const;
  PIPE_ACCESS_MODE GetPipeAccessMode() const;

  // Serialises the creation of native pipes by all pipe objects of the process. Built when the library
  // is loaded, destroyed when it is unloaded.
  static CQVOLockableObject m_creationLock;

 protected:
  // A pair with explicit channel names; Name() is input + "_" + output.
  CQVONamedPipe(char const* input, char const* output);
  // A pair named from one base name: name + inputSuffix and name + outputSuffix.
  CQVONamedPipe(char const* name, char const* inputSuffix, char const* outputSuffix);
  // One native pipe that this end uses in `mode`.
  CQVONamedPipe(char const* name, PIPE_ACCESS_MODE mode);

  // Swaps the input and output channel names (and native names); Name() is then rebuilt as input +
  // "_" + output when the two names differ. Leaves a single pipe's Name() as it was.
  virtual void invertChannels();

  void Name(char const* name);
  void NativeName(char const* name);
  void InputChannelName(char const* name);
  void OutputChannelName(char const* name);
  void NativeInputChannelName(char const* name);
  void NativeOutputChannelName(char const* name);

  // For the variants' Close: closes the open channels through `closeOne` (a pair's input, then its
  // output; a single pipe's one), notes that no handle is held any more and marks the pipe closed.
  // False, doing nothing, when the pipe is not open.
  bool closeChannels(void* single, void* input, void* output, bool& holdsHandles,
                     void (*closeOne)(CQVONamedPipe* pipe, void* handle));
  // For the handles that an Open left and no Close released (`holdsHandles`): closes each distinct one
  // of the three once (an Open may store one handle in two of them), leaves all three invalid and marks
  // the pipe closed.
  void releaseChannels(void*& single, void*& input, void*& output, bool& holdsHandles);

 private:
  // The native names of the channels, from their names and the platform's pipe name prefix.
  void setNativeNames();

  bool m_bTwoNativePipes;
  bool m_bTwoChannelsAutoCreated;
  PIPE_ACCESS_MODE m_eAccessMode;
  CQVOString m_inputChannelName;
  CQVOString m_outputChannelName;
  CQVOString m_nativeInputChannelName;
  CQVOString m_nativeOutputChannelName;
  CQVOString m_name;
  CQVOString m_nativeName;
};

// CQVOFactory: builds named pipes without naming a variant; each operation returns a new
// CQVONamedPipeNT that the caller owns and deletes. Never instantiated.
class QVO_API CQVOFactory {
 public:
  virtual ~CQVOFactory();
  CQVOFactory(CQVOFactory const&);
  CQVOFactory& operator=(CQVOFactory const&);

  // One native pipe.
  static CQVONamedPipe* NewNamedPipe(char const* name, CQVONamedPipe::PIPE_ACCESS_MODE mode);
  // A pair named from one base name.
  static CQVONamedPipe* NewNamedPipe(char const* name, char const* inputSuffix, char const* outputSuffix);
  // A pair with explicit channel names.
  static CQVONamedPipe* NewNamedPipe(char const* input, char const* output);

 private:
  CQVOFactory();
};

// CQVONamedPipeNT: the variant that the factory builds. Every wait (for the other end, for data, for
// room to write) can be ended by Close() from another thread, which then fails at once.
//
// Open (through CQVOIOStream::Open(long timeout)): each channel is opened if it exists (with the other
// direction when this end's is refused) and otherwise created, and the creator waits for the other end
// for up to the open time-out. For a pair named from one base name, the end that creates the first
// channel creates both; the joining end opens both and swaps its channels, so its Name() lists them in
// the swapped order; bytes written by either end arrive at the other whatever the interleaving of the
// two Opens. A failed Open closes whatever it had opened or created.
//
// Read: waits without limit until data comes, the other end goes or this pipe is closed; with a time-out
// of 0 or more a short read is returned as it is, with no limit the rest is read too (if the rest fails,
// the bytes already read are returned). Write: all bytes or a failure. Failures return the operating
// system's error code negated, with errno set; a read ended by Close returns the pending code negated.
// Bytes written before Close stay readable by the other end.
class QVO_API CQVONamedPipeNT : public CQVONamedPipe {
 public:
  CQVONamedPipeNT(char const* input, char const* output);
  CQVONamedPipeNT(char const* name, char const* inputSuffix, char const* outputSuffix);
  CQVONamedPipeNT(char const* name, PIPE_ACCESS_MODE mode);
  // Closes the channels that are still open, then the events.
  ~CQVONamedPipeNT() override;

  using CQVONamedPipe::Open;
  using CQVONamedPipe::Read;
  using CQVONamedPipe::Write;
  long Read(void* buffer, int size, long timeout) override;
  long Write(void const* buffer, int size, long timeout) override;
  // Asks whether a pipe instance of the native name (for a pair: the input channel, then the output
  // channel) waits for a connection, waiting up to 1000 ms for a busy one; false at once when none
  // exists. Never takes the waiting end's connection.
  bool ConnectionPending() const override;

  // The number of events of each pipe: read completion, write completion, close, connection.
  static unsigned short const msc_sNbEvents;

 protected:
  bool Open() override;
  // False when the pipe is not open; otherwise closes its channels (disconnecting the other end from
  // channels this end created and reads) and returns true.
  bool Close() override;
  void invertChannels() override;

 private:
  void InitializeEvents();
  bool Open_SingleChannel(char const* nativeName, CHANNEL_ACCESS_MODE mode, void*& handle, bool& created,
                          unsigned long retries);
  bool openChannel(char const* nativeName, CHANNEL_ACCESS_MODE mode, void*& handle, bool& created,
                   unsigned long retries, CHANNEL_ACCESS_MODE& openedAs);
  int WaitForConnection(void* handle, qvo::detail::PipeIoRecord* record);
  bool Close_SingleChannel(void* handle);
  void clearChannels();
  void releaseHandles();

  void* m_hEvents[4];
  std::int32_t m_bInputCreated;
  std::int32_t m_bOutputCreated;
  void* m_hPipe;
  void* m_hInput;
  void* m_hOutput;
  qvo::detail::PipeIoRecord m_readOverlapped;
  qvo::detail::PipeIoRecord m_writeOverlapped;
  bool m_bHoldsHandles;  // an Open left native handles that no Close has released yet
};

class CQVONamedPipeNTLWBSO_Connector;

// CQVONamedPipeNTLWBSO: the blocking variant. Opening runs one connector thread per channel
// (CQVONamedPipeNTLWBSO_Connector), each opening or creating its channel and waiting for the other end
// without limit; reads and writes block until they complete or fail. Time-outs are refused: Read and
// Write with a time-out of 0 or more return the invalid-parameter error negated, so the message read of
// CQVONamedPipe always fails on this variant. A read that delivers fewer bytes than asked is a failure.
// Not built by CQVOFactory; createPeer() builds peers of this variant, CreatePeer() those of
// CQVONamedPipeNT.
class QVO_API CQVONamedPipeNTLWBSO : public CQVONamedPipe {
 public:
  CQVONamedPipeNTLWBSO(char const* input, char const* output);
  CQVONamedPipeNTLWBSO(char const* name, char const* inputSuffix, char const* outputSuffix);
  CQVONamedPipeNTLWBSO(char const* name, PIPE_ACCESS_MODE mode);
  // Flushes, disconnects the channels it created and closes them.
  ~CQVONamedPipeNTLWBSO() override;

  using CQVONamedPipe::Open;
  using CQVONamedPipe::Read;
  using CQVONamedPipe::Write;
  long Read(void* buffer, int size, long timeout) override;
  long Write(void const* buffer, int size, long timeout) override;
  bool ConnectionPending() const override;
  // A new CQVONamedPipeNTLWBSO for the other end, owned by the caller.
  virtual CQVONamedPipe* createPeer() const;

 protected:
  bool Open() override;
  bool Close() override;
  void invertChannels() override;

 private:
  friend class CQVONamedPipeNTLWBSO_Connector;
  int WaitForConnection(void* handle);
  bool Close_SingleChannel(void* handle);
  void clearChannels();
  void releaseHandles();
  void recordOpen(bool open);

  std::int32_t m_bInputCreated;
  std::int32_t m_bOutputCreated;
  void* m_hPipe;
  void* m_hInput;
  void* m_hOutput;
  bool m_bHoldsHandles;  // an Open left native handles that no Close has released yet
};

#endif  // QVOBASE_QVOPIPE_H
