// Processes: the process identifier qvo::pid_t, the static process operations CQVOOperatingSystem
// (start, wait, kill, check), the child process CQVOProcess, and the CPU usage meter CQVOCPUUsage.
#ifndef QVOBASE_QVOPROCESS_H
#define QVOBASE_QVOPROCESS_H

#include <cstdint>
#include <memory>

#include "QVOExport.h"
#include "QVOString.h"

// PROCESS_INFORMATION: what creating a process returns (process and thread handles and identifiers).
// On Windows it is Win32's own type, declared here by its tag without <windows.h>: a caller that
// includes <windows.h>, before or after this header, gets the very same type. Building one or reading
// its fields needs <windows.h>. On other systems it is a library-owned struct with the same fields;
// its handles there carry no meaning for the caller.
#if defined(_WIN32)
struct _PROCESS_INFORMATION;
typedef struct _PROCESS_INFORMATION PROCESS_INFORMATION;
#else
struct PROCESS_INFORMATION {
  void* hProcess;
  void* hThread;
  std::uint32_t dwProcessId;
  std::uint32_t dwThreadId;
};
#endif

class CQVOOperatingSystem;
class CQVOProcess;

namespace qvo {

namespace detail {
class ProcessState;
#if defined(_WIN32)
// Storage with PROCESS_INFORMATION's layout, so that the class is complete without <windows.h>.
struct ProcessInformationStorage {
  void* hProcess;
  void* hThread;
  unsigned long dwProcessId;
  unsigned long dwThreadId;
};
#else
using ProcessInformationStorage = ::PROCESS_INFORMATION;
#endif
}  // namespace detail

// pid_t identifies a process: its identifier (0: none) and, for a process that this library started,
// what creation returned. (The global ::pid_t of POSIX and MinGW is a plain integer; this is the
// library's class.)
//
// Handles: a pid_t that the library filled when it started a process holds a reference to that
// process, shared by all its copies. Waits and kill act on the process through that reference, never
// by reopening the identifier, so a number that the system has since given to another process is
// never waited for or killed by mistake. The first wait through any copy that sees the process end
// reports it and releases the reference; later waits and kills through any copy fail (-1, errno
// ESRCH). The reference is also released when the last copy goes. A pid_t built from a plain number
// holds no reference: waits and kill open whichever process has that identifier at the time.
//
// Thread safety: one pid_t object is not to be changed by two threads at once; copies of one pid_t
// may be used from different threads.
class QVO_API pid_t {
 public:
  // Identifier 0 and all process information 0.
  pid_t();
  // The identifier and the process information given. On Windows a non-null hProcess is duplicated,
  // so the pid_t refers to the process through a handle of its own and the caller keeps theirs.
  pid_t(int pid, PROCESS_INFORMATION const& pi);
  // Copies the identifier and the process information; the copy shares the process reference.
  pid_t(pid_t const& other);
  pid_t& operator=(pid_t& other);
  // Destroying a pid_t closes nothing that the caller can see.
  virtual ~pid_t();

  // The identifier becomes the value (shorts sign- or zero-extended, floating values truncated toward
  // zero; a value outside int's range is clamped to it, NaN gives 0). hProcess and dwProcessId become
  // 0 and the process reference is dropped; hThread and dwThreadId are kept.
  pid_t& operator=(int pid);
  pid_t& operator=(unsigned int pid);
  pid_t& operator=(long pid);
  pid_t& operator=(unsigned long pid);
  pid_t& operator=(short pid);
  pid_t& operator=(unsigned short pid);
  pid_t& operator=(float pid);
  pid_t& operator=(double pid);

  // The identifier, converted to the type.
  operator short();
  operator short() const;
  operator unsigned short();
  operator unsigned short() const;
  operator int();
  operator int() const;
  operator unsigned int();
  operator unsigned int() const;
  operator long();
  operator long() const;
  operator unsigned long();
  operator unsigned long() const;
  operator float();
  operator float() const;
  operator double();
  operator double() const;

  // 1 when the identifiers are equal, else 0; process information is not compared.
  //   a pid_t assigned 1234 equals the pid_t of a started process whose identifier is 1234
  int operator==(pid_t& other) const;
  int operator==(int pid) const;

  // A copy of the process information (zeros for a pid_t built from a number).
  PROCESS_INFORMATION processInfo();

 private:
  friend class ::CQVOOperatingSystem;
  friend class ::CQVOProcess;

  int pid() const;
  void pid(int pid);  // as operator=(int)
  void processInfo(PROCESS_INFORMATION const& pi);
  void init(int pid, PROCESS_INFORMATION const& pi);

  int m_iPid;
  detail::ProcessInformationStorage m_processInfo;
  std::shared_ptr<detail::ProcessState> m_state;  // the shared process reference, or none
};

}  // namespace qvo

// CQVOOperatingSystem: static process operations. Failures return -1 and leave the cause in errno;
// nothing throws. Diagnostics go to the standard error stream, or, for a program that failed to
// start, to the standard-error destination meant for it. No locks; any thread may call them. exec
// reads the process-wide current directory; kill (Windows) enables the debug privilege of the process.
class CQVOOperatingSystem {
 public:
  // Starts a program. command is the program (in double quotes when its path has blanks) and its
  // arguments in one string, split with the Windows rules on every system. directory is the working
  // directory: relative ones (and "") are taken from the current directory. newConsole (Windows) gives
  // the child a console of its own instead of a hidden window; other systems ignore it. errorFile and
  // outputFile (null or "" for none) receive the child's standard error and output; they are created
  // or truncated, and a relative name is taken inside directory. The fifth and ninth parameters have
  // no effect. The child runs in a new process group.
  // Returns -1 on failure (a null command or directory changes nothing; otherwise pid is reset to
  // identifier 0, errno is set and a message goes to the child's standard-error destination);
  // 0 once the program started when wait is false; when wait is true, the child's identifier once it
  // has ended (not its exit code), or -1.
  //   exec("\"/bin/prog\" -v", "", false, pid, true, false, "err.txt", "out.txt", false) returns 0
  QVO_API static int exec(char const* command, char const* directory, bool wait, qvo::pid_t& pid,
                          bool unused5, bool newConsole, char const* errorFile, char const* outputFile,
                          bool unused9);
  // Ends the process at once (Windows: exit code 1; POSIX: SIGKILL), whatever force says. 0 when the
  // process was terminated; -1 with errno on failure, also for a process that the library started
  // and whose end was already observed.
  QVO_API static int kill(qvo::pid_t pid, bool force);
  // Writes message to the standard error stream, flushes it, and ends the process with status at
  // once: no exit handlers, C streams not flushed. Does not return.
  [[noreturn]] QVO_API static void exit(char const* message, int status);
  // Polls the process. 1: it ended normally and text holds its exit code in decimal; 0: still running,
  // text empty; -1: ended abnormally ("process <id> did not exit normally") or cannot be observed
  // ("process <id> was interrupted"), also for identifier 0.
  QVO_API static int checkTermination(qvo::pid_t pid, CQVOString& text);

 private:
  friend class CQVOProcess;
  // Waits up to timeoutMs milliseconds (negative: no limit). The identifier once the process has ended,
  // with its exit status in *status (-1 when it cannot be read); 0 with *status 0 while it runs at the
  // time-out; -1 on failure (*status -1, except for identifier 0, which leaves it untouched).
  static int waitForProcess(qvo::pid_t pid, int* status, long timeoutMs);
};

// CQVOProcess: one program to run as a child process: its path, arguments, working directory and
// optional files for its standard output and error. Spawn starts it, Wait waits with a time-out,
// CheckTermination polls, Kill ends it. A failure returns -1 and leaves errno and a readable text in
// GetLastDiagnostic(), which a later success does not clear. Nothing throws.
//
// Copies share the child: waiting through one copy is seen by all (the first wait that sees the end
// reports it; later waits through any copy return -1 with errno ESRCH). The destructor neither waits
// for nor ends the child.
//
// Thread safety: one object belongs to one thread at a time; different objects may run children
// concurrently.
class QVO_API CQVOProcess {
 public:
  // Stores the program path enclosed in double quotes, the arguments, the working directory (empty:
  // the current directory; relative: inside it) and the redirection file names (null: none). Starts
  // nothing.
  //   CQVOProcess("C:\\x\\y.exe", "", "", nullptr, nullptr, false).GetApplicationPath() is "\"C:\\x\\y.exe\""
  CQVOProcess(CQVOString const& application, CQVOString const& arguments, CQVOString const& directory,
              char const* errorFile, char const* outputFile, bool unused9);
  CQVOProcess(CQVOProcess const& other);
  CQVOProcess& operator=(CQVOProcess& other);
  virtual ~CQVOProcess();

  // Starts the child without waiting: 0, or -1 with the identifier reset to 0. newConsole (Windows)
  // gives it a console of its own; otherwise it runs with a hidden window. May be called again; the
  // earlier child is then no longer tracked.
  int Spawn(bool newConsole);
  // Waits up to timeout milliseconds (negative: no limit). The child's identifier once it has ended,
  // with its exit status in *status (an exit code of 128, a negative one, or an end by a signal give
  // -1); 0 while it runs at the time-out (*status 0); -1 on failure, errno ECHILD before any Spawn.
  // A null status is allowed and receives nothing.
  int Wait(int* status, long timeout);
  // Ends the child if it still runs, then waits until it is gone. 0 when it was killed, its identifier
  // when it had already ended, -1 on failure.
  int Kill(bool force);
  // As CQVOOperatingSystem::checkTermination on the child; on -1 the diagnostic becomes the errno text
  // followed by the check's text in parentheses.
  int CheckTermination();

  // A copy of the child's identifier (sharing its reference).
  qvo::pid_t pid();
  CQVOString GetLastDiagnostic();
  // The program path as stored, with its double quotes.
  CQVOString GetApplicationPath();

 private:
  void SetLastDiagnostic();  // the diagnostic becomes strerror(errno)

  CQVOString m_strApplication;
  CQVOString m_strArguments;
  CQVOString m_strDirectory;
  CQVOString m_strErrorFile;
  CQVOString m_strOutputFile;
  CQVOString m_strLastDiagnostic;
  bool m_bFlag5;
  bool m_bFlag9;
  qvo::pid_t m_pid;
};

// CQVOCPUUsage: the interface of a processor usage meter. The object records its creation time; no
// measurement is taken, so both percentages are always 0.0. Copies copy every field. No locks.
class QVO_API CQVOCPUUsage {
 public:
  // Both percentages 0.0; the start time is now, in milliseconds since 1970-01-01 UTC.
  CQVOCPUUsage();
  CQVOCPUUsage(CQVOCPUUsage const& other);
  CQVOCPUUsage& operator=(CQVOCPUUsage const& other);
  virtual ~CQVOCPUUsage();

  double GetUserPercentageUsage();    // always 0.0
  double GetSystemPercentageUsage();  // always 0.0

 private:
  void GetMeasurements();  // takes no measurement; nothing calls it

  double m_dStartTime;
  double m_dUserPercentage;
  double m_dSystemPercentage;
};

#endif  // QVOBASE_QVOPROCESS_H
