// POSIX (Linux): crash handling: sigaction handlers of the fatal signals, write(2), nanosleep.
// Only async-signal-safe calls may run inside onFatalSignal and what it calls.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/crash.h"
#include "platform/posix/internal.h"

namespace qvo::platform {

namespace {

struct Fatal {
  int number;
  char const* name;
};
constexpr Fatal kFatal[] = {{SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"}, {SIGILL, "SIGILL"}, {SIGFPE, "SIGFPE"},
                            {SIGABRT, "SIGABRT"}};
constexpr int kFatalCount = sizeof kFatal / sizeof kFatal[0];

enum : int { kIdle, kSaving, kSaved };

std::atomic<CrashSaver> g_saver{nullptr};
std::atomic<int> g_state{kIdle};
struct sigaction g_previous[kFatalCount];
bool g_installed = false;  // installCrashHandlers and removeCrashHandlers are serialised by their caller

void putPreviousBack() {
  for (int i = 0; i < kFatalCount; ++i) ::sigaction(kFatal[i].number, &g_previous[i], nullptr);
}

// "signal 11 (SIGSEGV)", without stdio.
void describe(int sig, char* out, std::size_t size) {
  char digits[16];
  int n = 0;
  unsigned value = static_cast<unsigned>(sig);
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && n < 15);
  char const* name = "unknown";
  for (Fatal const& f : kFatal)
    if (f.number == sig) name = f.name;
  std::size_t at = 0;
  auto put = [&](char c) {
    if (at + 1 < size) out[at++] = c;
  };
  for (char const* p = "signal "; *p != '\0'; ++p) put(*p);
  while (n > 0) put(digits[--n]);
  put(' ');
  put('(');
  for (char const* p = name; *p != '\0'; ++p) put(*p);
  put(')');
  out[at] = '\0';
}

void onFatalSignal(int sig, siginfo_t* info, void*) {
  int const savedErrno = errno;
  int expected = kIdle;
  if (g_state.compare_exchange_strong(expected, kSaving)) {
    putPreviousBack();
    char how[48];
    describe(sig, how, sizeof how);
    CrashSaver saver = g_saver.load();
    if (saver != nullptr) saver(how);
    g_state.store(kSaved);
  } else {
    while (g_state.load() != kSaved) crashPause();
  }
  // The crash goes on under the handler it would have met without the library. A fault raised by
  // the processor comes back when the faulting instruction runs again on return; a signal that was
  // sent (abort(), raise, kill) is sent again, and arrives when this handler returns.
  bool const raisedByFault = info != nullptr && info->si_code > 0 && sig != SIGABRT;
  if (!raisedByFault) ::raise(sig);
  errno = savedErrno;
}

}  // namespace

void installCrashHandlers(CrashSaver saver) {
  g_saver.store(saver);
  if (g_installed) return;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = &onFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  ::sigemptyset(&action.sa_mask);
  // Every fatal signal is blocked while the handler runs: a fault inside it ends the process at once.
  for (Fatal const& f : kFatal) ::sigaddset(&action.sa_mask, f.number);
  for (int i = 0; i < kFatalCount; ++i) ::sigaction(kFatal[i].number, &action, &g_previous[i]);
  g_installed = true;
}

void removeCrashHandlers() {
  if (!g_installed) return;
  for (int i = 0; i < kFatalCount; ++i) {
    struct sigaction current;
    if (::sigaction(kFatal[i].number, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
        current.sa_sigaction == &onFatalSignal)
      ::sigaction(kFatal[i].number, &g_previous[i], nullptr);
  }
  g_installed = false;
}

bool crashWrite(int fd, char const* data, std::size_t size) { return writeAll(fd, data, size); }

void crashPause() {
  struct timespec pause = {0, 1000000};
  ::nanosleep(&pause, nullptr);
}

}  // namespace qvo::platform
