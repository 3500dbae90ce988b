// The log: qvo::Log (a shared, process-wide capable log), qvo::LogStream (records built with <<) and
// CQVOLog (the static trace API the rest of the library writes through).
#ifndef QVOBASE_QVOLOG_H
#define QVOBASE_QVOLOG_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <locale>
#include <string>
#include <string_view>
#include <type_traits>

#include "QVOExport.h"

// Lets the compiler check printf-style formats and their arguments at every call.
#if defined(__clang__)
#define QVO_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#elif defined(__GNUC__)
#define QVO_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define QVO_PRINTF_FORMAT(fmt, first)
#endif

// An inline member that stays in the library's binary interface (emitted and exported by the library,
// inlined by callers).
#if defined(QVOBASE_STATIC)
#define QVO_INLINE_API
#elif defined(_WIN32) && defined(QVOBASE_BUILDING)
#define QVO_INLINE_API __attribute__((used))
#elif defined(_WIN32)
#define QVO_INLINE_API
#else
#define QVO_INLINE_API __attribute__((visibility("default"), used))
#endif

namespace qvo {

class LogImplementation;
struct LogStreamData;

namespace detail {

// The module check that callers run inline, before any call into the library. Every log publishes
// two words for its switched-on module names: a bit per name length and a bit per name (every bit
// once "ALL" is on). A name whose bits are clear is certainly switched off; for a string literal the
// name's bits are constants, so such a record costs two loads and a branch: no call, no lock, no
// string. A name whose bits are set may still be off: the library then checks the module table.

// A name read as two words that together cover all its bytes (overlapping when it is short): for
// names of up to 16 bytes, the two words and the size are the name itself.
struct ModuleWords {
  std::uint64_t w0, w1;
  std::size_t size;
};

inline ModuleWords moduleWords(char const* p, std::size_t n) noexcept {
  ModuleWords k{0, 0, n};
  if (n >= 8) {
    std::memcpy(&k.w0, p, 8);
    std::memcpy(&k.w1, p + n - 8, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    k.w0 = a;
    k.w1 = b;
  } else if (n > 0) {
    auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    k.w0 = (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
  }
  return k;
}

// A switch word is as wide as a pointer, so that reading it is one plain load on both targets. A
// name sets one of its bits picked by its words, and one picked by its length.
using SwitchWord = std::uintptr_t;
constexpr unsigned kSwitchBits = sizeof(SwitchWord) * 8;
constexpr unsigned kSwitchShift = sizeof(SwitchWord) == 8 ? 58 : 59;  // the top 6 or 5 bits of a hash

inline SwitchWord nameBit(ModuleWords const& k) noexcept {
  return SwitchWord{1} << (((k.w0 + (k.w1 << 1) + k.size) * 0x9E3779B97F4A7C15ull) >> kSwitchShift);
}
inline SwitchWord sizeBit(std::size_t size) noexcept { return SwitchWord{1} << (size & (kSwitchBits - 1)); }

struct LogSwitches {
  std::atomic<SwitchWord> onSizes{0};  // sizeBit of each switched-on name; every bit with "ALL"
  std::atomic<SwitchWord> onNames{0};  // nameBit of each switched-on name; every bit with "ALL"
  // False when `name` is certainly not traced.
  bool mayTrace(char const* name, std::size_t size) const noexcept {
    if ((onSizes.load(std::memory_order_acquire) & sizeBit(size)) == 0) return false;
    return (onNames.load(std::memory_order_acquire) & nameBit(moduleWords(name, size))) != 0;
  }
};

// The switches of the process-wide log: all clear until that log is first used (it then traces
// nothing anyway), then those of whichever back-end is process-wide.
QVO_API extern std::atomic<LogSwitches const*> processLogSwitches;

// A printf format as the inline formatting forms take it: anything that is a C string (not a number,
// so that a level written as 0 never reads as a format).
template <typename F>
constexpr bool kIsFormat =
    std::is_convertible_v<F const&, char const*> && !std::is_same_v<std::decay_t<F>, std::nullptr_t>;
template <typename F>
using IfFormat = std::enable_if_t<kIsFormat<F>, int>;

inline std::size_t nameSize(char const* name) noexcept { return name != nullptr ? std::strlen(name) : 0; }
inline char const* nameText(char const* name) noexcept { return name != nullptr ? name : ""; }
inline bool processMayTrace(char const* name, std::size_t size) noexcept {
  return processLogSwitches.load(std::memory_order_acquire)->mayTrace(name, size);
}

}  // namespace detail

// Level numbers of log records. The record's header carries the level's text:
// negative "ANNOYING", 0 "INFO", 1 "WARNING", 2 "ERROR", 3 and above "WORTH".
// Every overload taking a TraceLevel behaves exactly like the one taking a long of the same number.
enum TraceLevel {
  TRACE_ANNOYING = -1,
  TRACE_INFO = 0,
  TRACE_WARNING = 1,
  TRACE_ERROR = 2,
  TRACE_WORTH = 3
};

// Log is a cheap, copyable handle onto a shared back-end that owns one output (standard output,
// standard error or a text file), a queue of finished lines, a table of traced modules and, when
// asked for, a writer thread. Copies share the back-end; it lives as long as any handle holds it.
//
// Every line is written under a module name and only when that module is switched on
// (activateModule, initTrace): a new log traces nothing. A record reads
//
//   <empty line>
//   INFO NET PID(4711) THR(MAIN) : net.cpp - 42 : 04 Dec 2026 16:03:46.007
//   <tab>the text
//
// Files start with a header line "LogSwapCount[0] at <date and time>", may be given a size limit
// past which the file becomes the single backup "<name>_circ<ext>" and a fresh file is started, and
// are emptied when opened unless the environment variable EQVO_FLUSHLOG starts with N, F, 0, n or f
// (then the log appends to the existing file).
//
// One handle is the process-wide log, instance(): at first standard output, synchronous, no module
// traced. The log never throws for I/O problems; it reports them as lines on standard error.
//
// Thread safety: every operation may be called from any thread on handles that share a back-end.
// Lines of one thread reach the output in the order posted. One handle object must not be assigned
// while another thread uses that same object (as with std::shared_ptr); in particular, replacing the
// process-wide log (setAsInstance, CQVOLog, assigning to instance()) while other threads use the
// reference returned by instance() is a race: such threads should trace through CQVOLog, whose
// static calls follow every replacement.
//
// Cost: a record of a switched-off module takes no lock and allocates nothing in any form; the
// forms without printf arguments check it inline (detail::LogSwitches).
class QVO_API Log {
 public:
  // The process-wide log. Created on first use (safe from any number of threads at once) as a
  // synchronous log on standard output; destroyed at process exit.
  static Log& instance();

  // A new back-end with nothing open (lines posted before open() are dropped) and no module traced.
  // With `threaded`, a writer thread writes the lines (started when the first line is posted).
  // With `setAsInstance`, the new log becomes the process-wide one.
  explicit Log(bool threaded = true, bool setAsInstance = false);
  // A new back-end that opens `name` as open() does ("stdout", "stderr" or a file name); it becomes
  // the process-wide log only when `setAsInstance` is set and the opening succeeded.
  Log(std::string const& name, bool threaded = true, bool setAsInstance = false);
  Log(char const* name, bool threaded = true, bool setAsInstance = false);
  // Shares other's back-end.
  Log(Log const& other);
  // Shares other's back-end and releases its own (destroyed, with its writer stopped and its
  // lines written, when no other handle holds it).
  Log& operator=(Log const& other);
  virtual ~Log();

  // Equal when both handles share one back-end.
  bool operator==(Log const& other) const;
  bool operator!=(Log const& other) const;

  // Writes out all pending lines, then opens `name`: "stdout" and "stderr" attach the console
  // streams, anything else is a file (created, emptied unless EQVO_FLUSHLOG says to append, and
  // headed by "LogSwapCount[0] at ..."). Opening the name already open keeps it (no new header).
  // Returns whether the output is open with `name`. An empty name returns false and changes nothing;
  // a file that cannot be opened prints "Fail to open/create log file <name>" on standard error,
  // attaches standard output and returns false. On success with `setAsInstance`, this log becomes
  // the process-wide one.
  bool open(std::string const& name, bool setAsInstance = false);
  // Writes out all pending lines, then closes a file output (a console output stays attached).
  // Returns true; false when the handle has no back-end.
  bool close();
  // Whether an output is attached.
  bool isOpen() const;
  // Writes out all pending lines (also the ones the writer thread is writing) before returning.
  void sync();

  // Plain forms: post `text` unchanged (no header, no line feed added) when `module` is traced.
  // trace() may leave the line to the writer thread; write() returns only after the line and
  // everything posted before it are in the output. Both return false, writing nothing, when the
  // module is not traced or the handle has no back-end; true otherwise.
  // The char const* forms below take module and source names as they are, so that string literals
  // are not turned into strings.
  QVO_INLINE_API bool trace(std::string const& module, std::string const& text) {
    return mayTrace(module.data(), module.size()) && postText({module.data(), module.size()}, text, false);
  }
  QVO_INLINE_API bool write(std::string const& module, std::string const& text) {
    return mayTrace(module.data(), module.size()) && postText({module.data(), module.size()}, text, true);
  }
  // Formats like printf (no length limit), then as trace(module, text).
  bool trace(std::string const& module, char const* format, ...) QVO_PRINTF_FORMAT(3, 4);

  // Record forms: the header line (level text, module, process and thread, source position, date
  // and time to the millisecond), a tab and the text, and a line feed unless the text ends with one.
  QVO_INLINE_API bool trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                            std::string const& text) {
    return mayTrace(module.data(), module.size()) &&
           postRecord({module.data(), module.size()}, level, {sourceFile.data(), sourceFile.size()}, sourceLine,
                      text, false);
  }
  QVO_INLINE_API bool write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                            std::string const& text) {
    return mayTrace(module.data(), module.size()) &&
           postRecord({module.data(), module.size()}, level, {sourceFile.data(), sourceFile.size()}, sourceLine,
                      text, true);
  }
  bool trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
             char const* format, ...) QVO_PRINTF_FORMAT(6, 7);
  bool trace(std::string const& module, TraceLevel level, std::string const& sourceFile, long sourceLine,
             char const* format, ...) QVO_PRINTF_FORMAT(6, 7);
  bool write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
             char const* format, ...) QVO_PRINTF_FORMAT(6, 7);

  // The same forms with module and source file as C strings (a null pointer reads as "").
  QVO_INLINE_API bool trace(char const* module, std::string const& text) {
    std::size_t const size = detail::nameSize(module);
    return mayTrace(detail::nameText(module), size) && postText({detail::nameText(module), size}, text, false);
  }
  QVO_INLINE_API bool write(char const* module, std::string const& text) {
    std::size_t const size = detail::nameSize(module);
    return mayTrace(detail::nameText(module), size) && postText({detail::nameText(module), size}, text, true);
  }
  bool trace(char const* module, char const* format, ...) QVO_PRINTF_FORMAT(3, 4);
  QVO_INLINE_API bool trace(char const* module, long level, char const* sourceFile, long sourceLine,
                            std::string const& text) {
    std::size_t const size = detail::nameSize(module);
    return mayTrace(detail::nameText(module), size) &&
           postRecord({detail::nameText(module), size}, level, detail::nameText(sourceFile), sourceLine, text, false);
  }
  QVO_INLINE_API bool write(char const* module, long level, char const* sourceFile, long sourceLine,
                            std::string const& text) {
    std::size_t const size = detail::nameSize(module);
    return mayTrace(detail::nameText(module), size) &&
           postRecord({detail::nameText(module), size}, level, detail::nameText(sourceFile), sourceLine, text, true);
  }
  bool trace(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...)
      QVO_PRINTF_FORMAT(6, 7);
  bool trace(char const* module, TraceLevel level, char const* sourceFile, long sourceLine, char const* format, ...)
      QVO_PRINTF_FORMAT(6, 7);
  bool write(char const* module, long level, char const* sourceFile, long sourceLine, char const* format, ...)
      QVO_PRINTF_FORMAT(6, 7);

  // With printf arguments, the formatting forms above are reached through these inline ones, which
  // check the module first: a switched-off record then costs no call. (Being templates, they leave
  // the arguments unchecked against the format at compile time; the formatting is the same.)
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(std::string const& module, F const& format, A const&... args) {
    return mayTrace(module.data(), module.size()) && (this->*static_cast<bool(Log::*)(std::string const&, char const*, ...)>(&Log::trace))(module, format, args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(char const* module, F const& format, A const&... args) {
    return mayTrace(detail::nameText(module), detail::nameSize(module)) && (this->*static_cast<bool(Log::*)(char const*, char const*, ...)>(&Log::trace))(module, format, args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(module.data(), module.size()) &&
           (this->*static_cast<bool(Log::*)(std::string const&, long, std::string const&, long, char const*, ...)>(&Log::trace))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(std::string const& module, TraceLevel level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(module.data(), module.size()) &&
           (this->*static_cast<bool(Log::*)(std::string const&, TraceLevel, std::string const&, long, char const*, ...)>(&Log::trace))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool write(std::string const& module, long level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(module.data(), module.size()) &&
           (this->*static_cast<bool(Log::*)(std::string const&, long, std::string const&, long, char const*, ...)>(&Log::write))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(char const* module, long level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(detail::nameText(module), detail::nameSize(module)) &&
           (this->*static_cast<bool(Log::*)(char const*, long, char const*, long, char const*, ...)>(&Log::trace))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool trace(char const* module, TraceLevel level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(detail::nameText(module), detail::nameSize(module)) &&
           (this->*static_cast<bool(Log::*)(char const*, TraceLevel, char const*, long, char const*, ...)>(&Log::trace))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }
  template <typename F, typename... A, detail::IfFormat<F> = 0>
  bool write(char const* module, long level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    return mayTrace(detail::nameText(module), detail::nameSize(module)) &&
           (this->*static_cast<bool(Log::*)(char const*, long, char const*, long, char const*, ...)>(&Log::write))(module, level, sourceFile, sourceLine, format,
                                                                                     args...);
  }

  // Size limit of a file output, in characters handed to the file (the header line is not counted).
  // A line that would carry the file past the limit first turns the file into its backup
  // "<base>_circ<ext>" (replacing an older backup) and starts the file anew with the next swap count.
  // A line longer than the limit is cut to the limit (with a message). Console outputs are never
  // limited. setMaxFileSizeInByte accepts 10 to 4294967196 and returns true; anything else prints a
  // message on standard error and returns false, the limit unchanged. setOSMaxFileSizeInByte sets
  // 4294967196 times a ratio from 0.1 to 1.0 (rounded toward zero). A new log starts at 4294967196.
  bool setMaxFileSizeInByte(unsigned int size);
  bool setOSMaxFileSizeInByte(double ratio);
  unsigned int getMaxFileSizeInByte() const;  // 0 without a back-end
  // A customary ratio for setOSMaxFileSizeInByte (0.5); the library applies it nowhere itself.
  static double DefaultOSMaxFileSizeRatio;

  // Starts (true) or stops (false) the writer thread. Stopping joins the thread and writes out what
  // it left. Returns true whenever the handle has a back-end (also when a thread could not be
  // created: the log then works synchronously, with a message on standard error).
  bool setThreadedLog(bool threaded);
  bool isLogThreaded() const;
  // Limit of the characters waiting for the writer thread: past it, the posting thread writes the
  // waiting lines itself. Accepts 1474560 to 629145600 and returns true; anything else prints a
  // message and returns false, the limit unchanged.
  bool setMaxThreadedLogBuffer(unsigned int size);
  unsigned int getMaxThreadedLogBuffer() const;  // 0 without a back-end
  // Starting queue limit of back-ends created afterwards: 629145600.
  static unsigned int DefaultMaxThreadedLogBuffer;

  // Switches `module` on or off; "ALL" is the fallback of every module without an entry of its own.
  // Names are case-sensitive. May be called while other threads trace.
  void activateModule(std::string const& module, bool traced);
  // Whether lines of `module` are written: its own flag when it has one, else the flag of "ALL",
  // else false. False without a back-end. No lock, no allocation.
  QVO_INLINE_API bool isModuleTraced(std::string const& module) {
    return mayTrace(module.data(), module.size()) && isTraced({module.data(), module.size()});
  }
  QVO_INLINE_API bool isModuleTraced(char const* module) {
    std::size_t const size = detail::nameSize(module);
    return mayTrace(detail::nameText(module), size) && isTraced({detail::nameText(module), size});
  }

  // Reads the trace configuration file `fileName` ("qvotrace.txt" in the current directory when
  // empty): lines "key = value"; "<THREADED_LOG>" (flag), "<MAX_LOG_FILE_SIZE>" (bytes),
  // "<MAX_LOG_FILE_SIZE_BY_OS_RATIO>" (fraction), any other key is a module name with a flag. A flag
  // is true when its first character is one of Y T O 1 y t o. Lines without "=" are ignored.
  // Returns false when the file cannot be opened (nothing changes) or without a back-end.
  bool initTrace(std::string const& fileName);

  // The console output names, "stdout" and "stderr".
  static std::string const& COutFilename();
  static std::string const& CErrFilename();

 protected:
  // Level text of `level` (see TraceLevel).
  std::string getLevelDescr(long level) const;
  // "04 Dec 2026 16:03:46.007" (local time; month abbreviation of the C locale in force); empty
  // without a back-end.
  std::string getDateTimeDescr() const;
  // "PID(<process id>) THR(<thread id or MAIN>)" of the calling thread.
  std::string getThreadDescr() const;
  // Record headers: a line feed, the pieces given, the process and thread, " : ", the date and
  // time, then "\n\t".
  std::string prefixLog() const;
  std::string prefixLog(std::string const& module) const;
  std::string prefixLog(std::string const& module, long level) const;
  std::string prefixLog(std::string const& module, long level, std::string const& sourceFile,
                        long sourceLine) const;

 private:
  // Makes this handle's back-end the process-wide one.
  void makeInstance();
  // Points the handle at `impl` (its module switches too), without counting the handle.
  void attach(LogImplementation* impl);
  // Drops one handle's hold on `impl`: the last one destroys it (or retires it, when it has been the
  // process-wide back-end: static calls may still be reading it).
  static void release(LogImplementation* impl);
  // Whether this object is the process-wide handle that instance() returns.
  bool isProcessHandle() const;

  // The inline forms' first check: false when `module` is certainly not traced here.
  bool mayTrace(char const* module, std::size_t size) const noexcept { return m_switches->mayTrace(module, size); }
  // The rest of the check and the work, out of line: the module table, then the text or record posted.
  bool isTraced(std::string_view module) const;
  bool postText(std::string_view module, std::string_view text, bool flushNow);
  bool postRecord(std::string_view module, long level, std::string_view sourceFile, long sourceLine,
                  std::string_view text, bool flushNow);

  LogImplementation* m_impl;
  detail::LogSwitches const* m_switches;  // m_impl's module switches (all clear without a back-end)
};

// LogStream builds one record with << and hands it to a Log as a full record (module, level, source
// file and line, trace or write mode). endl() emits the collected text and empties it; a stream
// destroyed with text pending emits it. Attributes and formatting state persist across records.
//
//   qvo::LogStream s(qvo::Log::instance(), "NET");
//   s.err() << "lost " << 3 << " packets";
//   s.endl();   // an "ERROR NET ..." record whose text is "lost 3 packets"
//
// A stream made without a log has a private log (with a writer thread) that has no output and
// traces nothing until configured through getLog(). A LogStream is for one thread at a time.
class QVO_API LogStream {
 public:
  // A private log; default attributes: no module, level 0, no source file, line -1, trace mode.
  explicit LogStream(std::string const& module = std::string(), long level = 0,
                     std::string const& sourceFile = std::string(), long sourceLine = -1,
                     bool traceMode = true);
  explicit LogStream(char const* module, long level = 0, std::string const& sourceFile = std::string(),
                     long sourceLine = -1, bool traceMode = true);
  // Records go to `log` (its back-end is shared).
  explicit LogStream(Log const& log, std::string const& module = std::string(), long level = 0,
                     std::string const& sourceFile = std::string(), long sourceLine = -1,
                     bool traceMode = true);
  // Same log and attributes; the text starts empty.
  LogStream(LogStream const& other);
  // Takes other's log and attributes; keeps this stream's collected text.
  LogStream& operator=(LogStream const& other);
  // Emits pending text, then releases the log.
  virtual ~LogStream();

  Log& getLog();
  LogStream& lvl(long level);
  LogStream& info();  // level 0
  LogStream& warn();  // level 1
  LogStream& err();   // level 2
  LogStream& ln(long sourceLine);
  LogStream& mode(bool traceMode);  // true: trace (may be queued); false: write (written before endl returns)
  LogStream& module(std::string const& module);
  LogStream& src(std::string const& sourceFile);
  LogStream& srcLn(std::string const& sourceFile, long sourceLine);
  LogStream& lvlSrcLn(long level, std::string const& sourceFile, long sourceLine);
  long getMessageLevel() const;
  long getSourceFileLine() const;
  bool isTraceMode() const;
  std::string getModule() const;
  std::string getSourceFile() const;

  // Insert the value as std::ostream does, with the current formatting state.
  LogStream& operator<<(bool value);
  LogStream& operator<<(short value);
  LogStream& operator<<(unsigned short value);
  LogStream& operator<<(int value);
  LogStream& operator<<(unsigned int value);
  LogStream& operator<<(long value);
  LogStream& operator<<(unsigned long value);
  LogStream& operator<<(long long value);
  LogStream& operator<<(unsigned long long value);
  LogStream& operator<<(float value);
  LogStream& operator<<(double value);
  LogStream& operator<<(long double value);
  LogStream& operator<<(void const* value);
  LogStream& operator<<(std::string const& value);
  LogStream& operator<<(char const* value);
  LogStream& operator<<(signed char const* value);
  LogStream& operator<<(unsigned char const* value);
  LogStream& operator<<(char value);
  LogStream& operator<<(signed char value);
  LogStream& operator<<(unsigned char value);
  // Copies every remaining character of `in`, white space included; in's flags are restored.
  LogStream& operator<<(std::istream& in);
  // Calls manipulator(*this); returns *this.
  LogStream& operator<<(LogStream& (*manipulator)(LogStream&));

  // Emits the collected text as one record (even when empty) and empties the text.
  LogStream& endl();
  // The collected text.
  std::string str() const;
  // Returns the collected text, empties it and clears the stream's error state.
  std::string clean();

  // Formatting state, as std::ostream's members. flags(int) keeps only the low 16 bits.
  char fill() const;
  char fill(char c);
  int flags() const;
  int flags(int f);
  int setf(int f);
  int setf(int f, int mask);
  void unsetf(int f);
  long long precision() const;
  long long precision(long long p);
  long long width() const;
  long long width(long long w);
  std::locale imbue(std::locale const& loc);
  std::locale getloc() const;

 private:
  Log m_log;
  LogStreamData* m_data;
};

}  // namespace qvo

// CQVOLog is the static face of the log: its static members act on qvo::Log::instance() at the
// moment of the call; its objects are qvo::Log handles that make their back-end the process-wide
// one. The library's own classes write their records through it.
//
//   CQVOLog::InitTrace("");   // reads qvotrace.txt
//   CQVOLog::Trace("NET", qvo::TRACE_ERROR, __FILE__, __LINE__, "lost %d packets\n", 3);
//
// Thread safety: any thread may call the static members, also while another thread replaces or
// closes the process-wide log: a record then lands whole in the old or the new log. A switched-off
// record takes no lock and allocates nothing; TraceModule is answered inline in most cases.
class QVO_API CQVOLog : public qvo::Log {
 public:
  // A new back-end with nothing open, made the process-wide log.
  explicit CQVOLog(bool threaded = true);
  // A new back-end that opens `name`; made the process-wide log when the opening succeeds.
  CQVOLog(std::string const& name, bool threaded);
  CQVOLog(char const* name, bool threaded);
  CQVOLog(CQVOLog const& other);
  CQVOLog& operator=(CQVOLog const& other);
  // Destroying a CQVOLog does not end the process-wide log, which still holds the back-end.
  virtual ~CQVOLog();

  // open(name, true): drain, open, and on success make this log the process-wide one.
  bool Open(std::string const& name);
  bool Open(char const* name);
  bool Close();

  // Whether `module` is traced in the process-wide log. Inline, and for a switched-off module
  // usually answered there: no call, no lock, no allocation.
  QVO_INLINE_API static bool TraceModule(std::string const& module) {
    return qvo::detail::processMayTrace(module.data(), module.size()) && ProcessTraces({module.data(), module.size()});
  }
  QVO_INLINE_API static bool TraceModule(char const* module) {
    std::size_t const size = qvo::detail::nameSize(module);
    return qvo::detail::processMayTrace(qvo::detail::nameText(module), size) &&
           ProcessTraces({qvo::detail::nameText(module), size});
  }
  // Reads a trace configuration file into the process-wide log ("qvotrace.txt" when empty).
  static void InitTrace(std::string const& fileName);
  static void InitTrace(char const* fileName);
  // The formatted text alone, no header and no line feed added (left to the writer thread if any).
  static void Trace(std::string const& module, char const* format, ...) QVO_PRINTF_FORMAT(2, 3);
  static void Trace(char const* module, char const* format, ...) QVO_PRINTF_FORMAT(2, 3);
  // A full record, left to the writer thread when the process-wide log has one.
  static void Trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) QVO_PRINTF_FORMAT(5, 6);
  static void Trace(char const* module, long level, char const* sourceFile, long sourceLine,
                    char const* format, ...) QVO_PRINTF_FORMAT(5, 6);
  // A full record, written out before the call returns.
  static void Write(std::string const& module, long level, std::string const& sourceFile, long sourceLine,
                    char const* format, ...) QVO_PRINTF_FORMAT(5, 6);
  static void Write(char const* module, long level, char const* sourceFile, long sourceLine,
                    char const* format, ...) QVO_PRINTF_FORMAT(5, 6);
  // Exactly as Write, with the enumeration's value as the level.
  static void Trace(std::string const& module, qvo::TraceLevel level, std::string const& sourceFile,
                    long sourceLine, char const* format, ...) QVO_PRINTF_FORMAT(5, 6);
  static void Trace(char const* module, qvo::TraceLevel level, char const* sourceFile, long sourceLine,
                    char const* format, ...) QVO_PRINTF_FORMAT(5, 6);

  // With printf arguments, the formatting forms above are reached through these inline ones, which
  // ask the process-wide log's switches first: a switched-off record then costs no call. (Being
  // templates, they leave the arguments unchecked against the format at compile time.)
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(std::string const& module, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(module.data(), module.size()))
      static_cast<void (*)(std::string const&, char const*, ...)>(&CQVOLog::Trace)(module, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(std::string const& module, long level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(module.data(), module.size()))
      static_cast<void (*)(std::string const&, long, std::string const&, long, char const*, ...)>(&CQVOLog::Trace)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Write(std::string const& module, long level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(module.data(), module.size()))
      static_cast<void (*)(std::string const&, long, std::string const&, long, char const*, ...)>(&CQVOLog::Write)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(std::string const& module, qvo::TraceLevel level, std::string const& sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(module.data(), module.size()))
      static_cast<void (*)(std::string const&, qvo::TraceLevel, std::string const&, long, char const*, ...)>(&CQVOLog::Trace)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(char const* module, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(qvo::detail::nameText(module), qvo::detail::nameSize(module)))
      static_cast<void (*)(char const*, char const*, ...)>(&CQVOLog::Trace)(module, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(char const* module, long level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(qvo::detail::nameText(module), qvo::detail::nameSize(module)))
      static_cast<void (*)(char const*, long, char const*, long, char const*, ...)>(&CQVOLog::Trace)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Write(char const* module, long level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(qvo::detail::nameText(module), qvo::detail::nameSize(module)))
      static_cast<void (*)(char const*, long, char const*, long, char const*, ...)>(&CQVOLog::Write)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }
  template <typename F, typename... A, qvo::detail::IfFormat<F> = 0>
  static void Trace(char const* module, qvo::TraceLevel level, char const* sourceFile, long sourceLine, F const& format, A const&... args) {
    if (qvo::detail::processMayTrace(qvo::detail::nameText(module), qvo::detail::nameSize(module)))
      static_cast<void (*)(char const*, qvo::TraceLevel, char const*, long, char const*, ...)>(&CQVOLog::Trace)(module, level, sourceFile,
                                                                                       sourceLine, format, args...);
  }

 private:
  // The module table of the process-wide log, for names that the inline check could not rule out.
  static bool ProcessTraces(std::string_view module);
};

#endif  // QVOBASE_QVOLOG_H
