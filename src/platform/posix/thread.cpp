// POSIX (Linux): threads created suspended, with a Windows-like handle that can be waited on any number
// of times, priorities as per-thread nice values (best effort), and the calling process's and thread's
// identifiers.
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/library_pin.h"
#include "platform/thread.h"

namespace qvo::platform {

unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }

namespace {
// The calling thread's identifier, asked of the system once: 0 until then, and again in the child of a
// fork, whose one thread has an identifier of its own.
thread_local unsigned long t_threadId = 0;
const bool g_threadIdResetAtFork = (atForkInChild([] { t_threadId = 0; }), true);
}  // namespace

unsigned long currentThreadId() {
  if (t_threadId == 0) t_threadId = static_cast<unsigned long>(::syscall(SYS_gettid));
  return t_threadId;
}

void atForkInChild(void (*reset)()) { ::pthread_atfork(nullptr, nullptr, reset); }

// On Linux the main thread's identifier equals the process identifier.
bool isMainThread() { return currentThreadId() == currentProcessId(); }

namespace {

// Shared by the handle and the thread it stands for; the last of the two to let go frees it.
struct ThreadControl {
  ThreadEntry entry = nullptr;
  void* argument = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  bool idKnown = false;
  bool resumed = false;
  bool ended = false;
  unsigned long id = 0;
  unsigned int exitCode = 0;
  std::thread thread;
  std::atomic<int> owners{2};

  void release() {
    if (owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
};

void threadMain(ThreadControl* control) {
  {
    std::unique_lock<std::mutex> hold(control->mutex);
    control->id = currentThreadId();
    control->idKnown = true;
    control->changed.notify_all();
    control->changed.wait(hold, [control] { return control->resumed; });
  }
  const unsigned int code = control->entry(control->argument);
  {
    std::lock_guard<std::mutex> hold(control->mutex);
    control->exitCode = code;
    control->ended = true;
  }
  control->changed.notify_all();
  control->release();
}

ThreadControl* controlOf(ThreadHandle handle) { return static_cast<ThreadControl*>(handle.raw); }

// Windows priority levels as nice values: idle 19, lowest 10, below normal 5, normal 0, above normal
// -5, highest -10, time-critical -20.
int niceFor(int level) {
  switch (level) {
    case -15: return 19;
    case -2: return 10;
    case -1: return 5;
    case 1: return -5;
    case 2: return -10;
    case 15: return -20;
    default: return 0;
  }
}

}  // namespace

ThreadHandle threadCreateSuspended(ThreadEntry entry, void* argument, unsigned long& id) {
  keepLibraryLoaded();  // the thread runs the library's code: it must not be unloaded under it
  auto* control = new ThreadControl;
  control->entry = entry;
  control->argument = argument;
  try {
    control->thread = std::thread(threadMain, control);
  } catch (const std::system_error&) {
    delete control;
    return kNoThread;
  }
  std::unique_lock<std::mutex> hold(control->mutex);
  control->changed.wait(hold, [control] { return control->idKnown; });
  id = control->id;
  return ThreadHandle{control};
}

void threadResume(ThreadHandle thread) {
  ThreadControl* control = controlOf(thread);
  {
    std::lock_guard<std::mutex> hold(control->mutex);
    control->resumed = true;
  }
  control->changed.notify_all();
}

void threadSetPriority(ThreadHandle thread, int level) {
  ThreadControl* control = controlOf(thread);
  unsigned long id;
  {
    std::lock_guard<std::mutex> hold(control->mutex);
    if (control->ended) return;
    id = control->id;
  }
  // On Linux, PRIO_PROCESS with a thread identifier sets that thread's nice value alone.
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(id), niceFor(level));
}

bool threadWait(ThreadHandle thread) {
  ThreadControl* control = controlOf(thread);
  if (control == nullptr) return false;
  std::unique_lock<std::mutex> hold(control->mutex);
  control->changed.wait(hold, [control] { return control->ended; });
  return true;
}

void threadClose(ThreadHandle thread) {
  ThreadControl* control = controlOf(thread);
  if (control == nullptr) return;
  bool ended;
  {
    std::lock_guard<std::mutex> hold(control->mutex);
    ended = control->ended;
    if (!control->resumed) {
      // Never resumed: let it run to an immediate end without calling the entry.
      control->entry = [](void*) -> unsigned int { return 0; };
      control->resumed = true;
      control->changed.notify_all();
    }
  }
  if (ended) {
    control->thread.join();  // it has finished its work; this only waits for its last steps
  } else {
    control->thread.detach();
  }
  control->release();
}

}  // namespace qvo::platform
