// Benchmarks of named pipes between two processes: raw reads and writes of 64 KiB blocks through
// CQVONamedPipeNT (and writes through the blocking CQVONamedPipeNTLWBSO), and the message read
// Read(CQVOString&), each beside a bare operating-system pipe of the kind the library builds on (Linux:
// a Unix-domain stream socket; Windows: a native named pipe) carrying the same bytes.
//
// The other end is this program started again: pipe_bench --peer <role> <name> <block>, where role is
// qvo-write, qvo-read, raw-write or raw-read. A writer sends blocks until the pipe fails; a reader reads
// blocks until it fails. Both ends of a case use the same kind of pipe, so a row compares one whole
// connection with the other.
#include <benchmark/benchmark.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench_main.h"
#include "QVOPipe.h"
#include "QVOProcess.h"

namespace {

constexpr int kBlock = 64 * 1024;
constexpr int kMessage = 4096;  // the longest message that Read(CQVOString&) returns
constexpr long kOpenTimeoutMs = 10000;

// --- the bare operating-system pipe ------------------------------------------------------------------

// One end of a bare pipe: the creating end (this program) makes it and accepts the other end, which
// connects by name. Blocking calls, no cancellation, nothing else.
class RawPipe {
 public:
  RawPipe() = default;
  RawPipe(RawPipe const&) = delete;
  RawPipe& operator=(RawPipe const&) = delete;
  ~RawPipe() { close(); }

#if defined(_WIN32)
  static std::string path(std::string const& name) { return "\\\\.\\pipe\\" + name; }

  // The parameters the library gives its own pipes: byte mode, one instance, 4096-byte buffers.
  bool create(std::string const& name, bool reads) {
    m_handle = ::CreateNamedPipeA(path(name).c_str(), reads ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND, 0, 1,
                                  4096, 4096, 1000, nullptr);
    return m_handle != INVALID_HANDLE_VALUE;
  }
  bool accept() { return ::ConnectNamedPipe(m_handle, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED; }
  bool connect(std::string const& name, bool reads) {
    m_handle = ::CreateFileA(path(name).c_str(), reads ? GENERIC_READ : GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    return m_handle != INVALID_HANDLE_VALUE;
  }
  long readSome(void* buffer, int size) {
    DWORD n = 0;
    return ::ReadFile(m_handle, buffer, static_cast<DWORD>(size), &n, nullptr) ? static_cast<long>(n) : -1;
  }
  long writeAll(void const* buffer, int size) {
    DWORD n = 0;
    return ::WriteFile(m_handle, buffer, static_cast<DWORD>(size), &n, nullptr) && n == static_cast<DWORD>(size)
               ? size
               : -1;
  }
  void close() {
    if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
  static std::string path(std::string const& name) { return "/tmp/" + name; }

  bool create(std::string const& name, bool) {
    sockaddr_un addr = address(name);
    m_path = path(name);
    m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_listen >= 0 && ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
           ::listen(m_listen, 1) == 0;
  }
  bool accept() {
    m_fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    return m_fd >= 0;
  }
  bool connect(std::string const& name, bool) {
    sockaddr_un addr = address(name);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  long readSome(void* buffer, int size) { return static_cast<long>(::recv(m_fd, buffer, size, 0)); }
  long writeAll(void const* buffer, int size) {
    const char* bytes = static_cast<const char*>(buffer);
    for (int done = 0; done < size;) {
      const ssize_t n = ::send(m_fd, bytes + done, size - done, MSG_NOSIGNAL);
      if (n <= 0) return -1;
      done += static_cast<int>(n);
    }
    return size;
  }
  void close() {
    for (int* d : {&m_fd, &m_listen}) {
      if (*d >= 0) ::close(*d);
      *d = -1;
    }
    if (!m_path.empty()) ::unlink(m_path.c_str());
    m_path.clear();
  }

 private:
  static sockaddr_un address(std::string const& name) {
    sockaddr_un addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path(name).c_str(), sizeof addr.sun_path - 1);
    return addr;
  }
  int m_fd = -1;
  int m_listen = -1;
  std::string m_path;
#endif

 public:
  // Reads exactly `size` bytes; false when the pipe fails first.
  bool readAll(void* buffer, int size) {
    char* bytes = static_cast<char*>(buffer);
    for (int done = 0; done < size;) {
      const long n = readSome(bytes + done, size - done);
      if (n <= 0) return false;
      done += static_cast<int>(n);
    }
    return true;
  }
};

// --- the other process -------------------------------------------------------------------------------

std::string& selfPath() {
  static std::string path;
  return path;
}

std::string uniqueName() {
  static std::atomic<int> next{0};
#if defined(_WIN32)
  const unsigned long pid = ::GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
  return "qvo_pipe_bench_" + std::to_string(pid) + "_" + std::to_string(next++);
}

// This program started again in a peer role; waited for (or ended) when the case is over.
class Peer {
 public:
  Peer(char const* role, std::string const& name, int block)
      : m_process(selfPath().c_str(),
                  ("--peer " + std::string(role) + " " + name + " " + std::to_string(block)).c_str(), "", nullptr,
                  nullptr, false) {
    m_started = m_process.Spawn(false) == 0;
  }
  ~Peer() {
    int status = 0;
    if (m_started && m_process.Wait(&status, 10000) == 0) m_process.Kill(true);
  }
  bool started() const { return m_started; }

 private:
  CQVOProcess m_process;
  bool m_started = false;
};

int runPeer(std::string const& role, std::string const& name, int block) {
  std::vector<char> buffer(static_cast<size_t>(block), 'q');
  if (role == "raw-write" || role == "raw-read") {
    const bool reads = role == "raw-read";
    RawPipe pipe;
    if (!pipe.connect(name, reads)) return 2;
    if (reads) {
      while (pipe.readAll(buffer.data(), block)) {
      }
    } else {
      while (pipe.writeAll(buffer.data(), block) == block) {
      }
    }
    return 0;
  }
  const bool reads = role == "qvo-read";
  CQVONamedPipeNT pipe(name.c_str(), reads ? CQVONamedPipe::PIPE_READ : CQVONamedPipe::PIPE_WRITE);
  if (!pipe.Open(kOpenTimeoutMs)) return 2;
  if (reads) {
    while (pipe.Read(buffer.data(), block, -1) == block) {
    }
  } else {
    while (pipe.Write(buffer.data(), block, -1) == block) {
    }
  }
  return 0;
}

// --- cases -------------------------------------------------------------------------------------------

// Opens this end of a library pipe whose other end is a peer process.
template <typename Pipe>
bool openWithPeer(benchmark::State& state, Pipe& pipe, Peer const& peer) {
  if (peer.started() && pipe.Open(kOpenTimeoutMs)) return true;
  state.SkipWithError("the pipe did not open");
  return false;
}

// Reads 64 KiB blocks that the peer writes.
void BM_qvo_Read64K(benchmark::State& state) {
  const std::string name = uniqueName();
  Peer peer("qvo-write", name, kBlock);
  CQVONamedPipeNT pipe(name.c_str(), CQVONamedPipe::PIPE_READ);
  if (!openWithPeer(state, pipe, peer)) return;
  std::vector<char> buffer(kBlock);
  for (auto _ : state) {
    if (pipe.Read(buffer.data(), kBlock, -1) != kBlock) {
      state.SkipWithError("read failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kBlock);
}

// Writes 64 KiB blocks that the peer reads.
template <typename Pipe>
void qvoWrite64K(benchmark::State& state) {
  const std::string name = uniqueName();
  Peer peer("qvo-read", name, kBlock);
  Pipe pipe(name.c_str(), CQVONamedPipe::PIPE_WRITE);
  if (!openWithPeer(state, pipe, peer)) return;
  std::vector<char> buffer(kBlock, 'b');
  for (auto _ : state) {
    if (pipe.Write(buffer.data(), kBlock, -1) != kBlock) {
      state.SkipWithError("write failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kBlock);
}
void BM_qvo_Write64K(benchmark::State& state) { qvoWrite64K<CQVONamedPipeNT>(state); }
// The blocking variant refuses time-outs and counts a short read as a failure, so only its writes are
// measured (a 64 KiB read may come back in pieces).
void BM_qvo_WriteLwbso64K(benchmark::State& state) { qvoWrite64K<CQVONamedPipeNTLWBSO>(state); }

// Message reads of 4096 bytes each from a peer that writes messages of state.range(0) bytes: with
// 4096 a message read takes one message, with smaller ones it gathers several.
void BM_qvo_ReadMessage(benchmark::State& state) {
  const std::string name = uniqueName();
  Peer peer("qvo-write", name, static_cast<int>(state.range(0)));
  CQVONamedPipeNT pipe(name.c_str(), CQVONamedPipe::PIPE_READ);
  if (!openWithPeer(state, pipe, peer)) return;
  CQVOString message;
  for (auto _ : state) {
    if (pipe.Read(message) != kMessage) {
      state.SkipWithError("message read failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kMessage);
}

// The peers: the same transfers over a bare pipe, created here with the peer process in `role` at its
// other end. The peer is declared before the pipe, so the pipe closes first and the peer ends.
bool rawWithPeer(benchmark::State& state, std::optional<Peer>& peer, RawPipe& pipe, bool reads, char const* role,
                 int written) {
  const std::string name = uniqueName();
  if (!pipe.create(name, reads)) {
    state.SkipWithError("no raw pipe");
    return false;
  }
  peer.emplace(role, name, written);
  if (peer->started() && pipe.accept()) return true;
  state.SkipWithError("the raw pipe did not connect");
  return false;
}

// Reads of `block` bytes per iteration from a peer that writes blocks of `written` bytes.
void rawRead(benchmark::State& state, int block, int written) {
  std::optional<Peer> peer;
  RawPipe pipe;
  if (!rawWithPeer(state, peer, pipe, true, "raw-write", written)) return;
  std::vector<char> buffer(static_cast<size_t>(block));
  for (auto _ : state) {
    if (!pipe.readAll(buffer.data(), block)) {
      state.SkipWithError("raw read failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * block);
}

void rawWrite(benchmark::State& state) {
  std::optional<Peer> peer;
  RawPipe pipe;
  if (!rawWithPeer(state, peer, pipe, false, "raw-read", kBlock)) return;
  std::vector<char> buffer(kBlock, 'b');
  for (auto _ : state) {
    if (pipe.writeAll(buffer.data(), kBlock) != kBlock) {
      state.SkipWithError("raw write failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kBlock);
}

void BM_raw_Read64K(benchmark::State& state) { rawRead(state, kBlock, kBlock); }
void BM_raw_Write64K(benchmark::State& state) { rawWrite(state); }
void BM_raw_WriteLwbso64K(benchmark::State& state) { rawWrite(state); }
void BM_raw_ReadMessage(benchmark::State& state) { rawRead(state, kMessage, static_cast<int>(state.range(0))); }

}  // namespace

BENCHMARK(BM_qvo_Read64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_Read64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_qvo_Write64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_Write64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_qvo_WriteLwbso64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_WriteLwbso64K)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_qvo_ReadMessage)->Arg(kMessage)->Arg(512)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_raw_ReadMessage)->Arg(kMessage)->Arg(512)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--peer") == 0) return runPeer(argv[2], argv[3], std::atoi(argv[4]));
#if defined(_WIN32)
  char self[MAX_PATH];
  selfPath() = std::string(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
  char const* const raw = "Win32 named pipe: CreateNamedPipeA, blocking ReadFile/WriteFile";
#else
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self);
  selfPath() = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv[0]);
  char const* const raw = "Unix-domain stream socket: blocking recv/send";
#endif
  return runBenchmarks(argc, argv, {{"raw", raw}});
}
