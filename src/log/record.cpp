// The pieces of a log record. Each thread keeps its process and thread text and the text of the
// current millisecond, so a record costs a clock read and one copy of each piece into a buffer on the
// caller's stack: no lock, and no allocation for records under 1 KiB.
#include "log/record.h"

#include <charconv>
#include <cstring>

#include "platform/thread.h"

namespace qvo::record {

namespace {

// What a thread keeps for its records: its process and thread text and the text of the current
// second. Plain data, so on Linux it can use the initial-exec thread-local model: one load from the
// thread pointer instead of a call per record.
struct ThreadState {
  std::size_t threadSize;  // 0 until worked out
  char thread[56];         // " PID(<pid>) THR(<tid or MAIN>) : "
  DateCache date;
};

#if defined(__GNUC__) && !defined(_WIN32)
__attribute__((tls_model("initial-exec")))
#endif
thread_local ThreadState t_state{};
// The child of a fork works its text out again: its process (and its thread) are not the parent's.
const bool g_threadPieceResetAtFork = (platform::atForkInChild([] { t_state.threadSize = 0; }), true);

std::string_view threadPiece(ThreadState& s) {
  if (s.threadSize == 0) {
    std::string t = " PID(" + std::to_string(platform::currentProcessId()) + ") THR(";
    t += platform::isMainThread() ? std::string("MAIN") : std::to_string(platform::currentThreadId());
    t += ") : ";
    s.threadSize = t.copy(s.thread, sizeof s.thread);
  }
  return {s.thread, s.threadSize};
}

// "\n" + level text + " ", the record's first piece.
std::string_view levelPiece(long level) {
  if (level < 0) return "\nANNOYING ";
  switch (level) {
    case 0: return "\nINFO ";
    case 1: return "\nWARNING ";
    case 2: return "\nERROR ";
    default: return "\nWORTH ";
  }
}

char* put(char* out, std::string_view piece) {
  std::memcpy(out, piece.data(), piece.size());
  return out + piece.size();
}

}  // namespace

std::string_view levelText(long level) {
  std::string_view piece = levelPiece(level);
  return piece.substr(1, piece.size() - 2);
}

std::string_view threadText() {
  std::string_view piece = threadPiece(t_state);
  return piece.substr(1, piece.size() - 4);
}

std::string_view buildRecord(char (&small)[1024], std::string& big, std::string_view module, long level,
                             std::string_view sourceFile, long sourceLine, std::string_view text) {
  ThreadState& s = t_state;
  std::string_view const first = levelPiece(level);
  std::string_view const thread = threadPiece(s);  // the thread is taken before the time
  std::string_view const date = dateTimeNow(s.date);
  std::string_view const dateAndTab(date.data(), date.size() + 2);  // the cache ends the date with "\n\t"
  char position[32] = " - ";
  char* end = std::to_chars(position + 3, position + sizeof position - 3, sourceLine).ptr;
  end = put(end, " : ");
  std::string_view const line(position, static_cast<std::size_t>(end - position));
  bool const addFeed = text.empty() || text.back() != '\n';
  std::size_t const size = first.size() + module.size() + thread.size() + sourceFile.size() + line.size() +
                           dateAndTab.size() + text.size() + (addFeed ? 1 : 0);
  char* out = small;
  if (size > sizeof small) {
    big.resize(size);
    out = &big[0];
  }
  char* const begin = out;
  out = put(out, first);
  out = put(out, module);
  out = put(out, thread);
  out = put(out, sourceFile);
  out = put(out, line);
  out = put(out, dateAndTab);
  out = put(out, text);
  if (addFeed) *out = '\n';
  return {begin, size};
}

}  // namespace qvo::record
