// Windows: threads through the C runtime's _beginthreadex, created suspended, their priorities, and the
// calling process's and thread's identifiers.
#include <windows.h>
#include <process.h>

#include <memory>

#include "platform/library_pin.h"
#include "platform/thread.h"

namespace qvo::platform {

unsigned long loadingThreadId();  // module.cpp

unsigned long currentProcessId() { return ::GetCurrentProcessId(); }
unsigned long currentThreadId() { return ::GetCurrentThreadId(); }
// The thread that loaded the library counts as the main thread.
bool isMainThread() { return ::GetCurrentThreadId() == loadingThreadId(); }
void atForkInChild(void (*)()) {}

namespace {

struct Start {
  ThreadEntry entry;
  void* argument;
};

// _beginthreadex wants the stdcall convention; the portable entry is a plain function.
unsigned __stdcall trampoline(void* p) {
  std::unique_ptr<Start> start(static_cast<Start*>(p));
  return start->entry(start->argument);
}

}  // namespace

ThreadHandle threadCreateSuspended(ThreadEntry entry, void* argument, unsigned long& id) {
  keepLibraryLoaded();  // the thread runs the library's code: it must not be unloaded under it
  auto start = std::make_unique<Start>(Start{entry, argument});
  unsigned int threadId = 0;
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, &trampoline, start.get(), CREATE_SUSPENDED, &threadId);
  if (handle == 0) return kNoThread;
  start.release();  // the thread owns it now
  id = threadId;
  return ThreadHandle{reinterpret_cast<void*>(handle)};
}

void threadResume(ThreadHandle thread) { ::ResumeThread(thread.raw); }
void threadSetPriority(ThreadHandle thread, int level) { (void)::SetThreadPriority(thread.raw, level); }

bool threadWait(ThreadHandle thread) {
  if (thread == kNoThread) return false;
  return ::WaitForSingleObject(thread.raw, INFINITE) == WAIT_OBJECT_0;
}

void threadClose(ThreadHandle thread) {
  if (thread != kNoThread) ::CloseHandle(thread.raw);
}

}  // namespace qvo::platform
