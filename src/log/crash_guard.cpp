// Saving the threaded logs when the process crashes: the lock-free list of enrolled queues that the
// crash handler reads, the installation of the handlers while a threaded log exists, and the switch.
#include "log/crash_guard.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "log/crash_queue.h"
#include "platform/crash.h"

namespace qvo {

namespace {

constexpr int kSlots = 64;

// Constant-initialised: usable before and after every other object of the library.
std::atomic<CrashQueue*> g_slots[kSlots];
std::mutex g_lock;  // enrolment, withdrawal, the switch and the installation
int g_enrolled = 0;
bool g_switchedOn = true;
bool g_installed = false;
std::atomic<void (*)()> g_writerHook{nullptr};

bool environmentAllows() {
  char const* value = std::getenv("QVO_CRASH_HANDLER");
  return value == nullptr || value[0] == '\0' || std::strchr("NF0nf", value[0]) == nullptr;
}
bool const g_environmentAllows = environmentAllows();

// The crash path: every enrolled queue is written out, each followed by the ending line.
void saveEveryQueue(char const* how) {
  CrashQueue::raiseCrashFlag();
  for (std::atomic<CrashQueue*>& slot : g_slots) {
    CrashQueue* queue = slot.load();
    if (queue != nullptr) queue->saveAtCrash(how);
  }
}

// Under g_lock.
void updateHandlers() {
  bool const wanted = g_environmentAllows && g_switchedOn && g_enrolled > 0;
  if (wanted && !g_installed) platform::installCrashHandlers(&saveEveryQueue);
  if (!wanted && g_installed) platform::removeCrashHandlers();
  g_installed = wanted;
}

}  // namespace

bool crashGuardEnrol(CrashQueue* queue) {
  std::lock_guard<std::mutex> guard(g_lock);
  int freeSlot = -1;
  for (int i = 0; i < kSlots; ++i) {
    CrashQueue* held = g_slots[i].load(std::memory_order_relaxed);
    if (held == queue) return true;
    if (held == nullptr && freeSlot < 0) freeSlot = i;
  }
  if (freeSlot < 0) return false;
  g_slots[freeSlot].store(queue);
  ++g_enrolled;
  updateHandlers();
  return true;
}

void crashGuardWithdraw(CrashQueue* queue) {
  std::lock_guard<std::mutex> guard(g_lock);
  for (std::atomic<CrashQueue*>& slot : g_slots) {
    if (slot.load(std::memory_order_relaxed) != queue) continue;
    slot.store(nullptr);
    --g_enrolled;
    updateHandlers();
    return;
  }
}

void crashGuardForget(CrashQueue* queue) {
  for (std::atomic<CrashQueue*>& slot : g_slots) {
    CrashQueue* expected = queue;
    slot.compare_exchange_strong(expected, nullptr);
  }
}

void crashGuardSwitch(bool on) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_switchedOn = on;
  updateHandlers();
}

void runWriterHook() {
  void (*hook)() = g_writerHook.load(std::memory_order_relaxed);
  if (hook != nullptr) hook();
}

void detail::setLogWriterHook(void (*hook)()) { g_writerHook.store(hook); }

}  // namespace qvo
