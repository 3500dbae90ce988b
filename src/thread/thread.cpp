// CQVOThread: the thread base class, its start hand-shake, cooperative stop, join and priorities.
#include <cstdio>

#include "QVOThread.h"
#include "platform/thread.h"
#include "platform/time.h"

namespace platform = qvo::platform;

int CQVOThread::CQVOTHREAD_MAX_PRIORITY = 10;
int CQVOThread::CQVOTHREAD_MIN_PRIORITY = 1;
int CQVOThread::CQVOTHREAD_NORM_PRIORITY = 5;
CQVOThread::CQVOTHREAD_SCHEDULING CQVOThread::s_eScheduling = CQVOThread::THREAD_SCHEDULING_NORMAL;

CQVOThread::CQVOThread(int value) : CQVOThread(nullptr, value) {}

CQVOThread::CQVOThread(CQVOThread* target, int value)
    : m_threadId(0),
      m_hThread(nullptr),
      m_pTarget(target),
      m_bAlive(false),
      m_bStopped(false),
      m_bJoinable(false),
      m_iValue(value),
      m_exitCode(0) {}

// A copy is a new thread object: its own locks, no system thread, not stopped.
CQVOThread::CQVOThread(CQVOThread const& other)
    : CQVOLockableObject(other),
      m_threadId(0),
      m_hThread(nullptr),
      m_name(other.m_name),
      m_pTarget(other.m_pTarget),
      m_bAlive(false),
      m_bStopped(false),
      m_bJoinable(false),
      m_iValue(other.m_iValue),
      m_exitCode(0) {
}

CQVOThread& CQVOThread::operator=(CQVOThread const& other) {
  if (&other != this) {
    m_name = other.m_name;
    m_pTarget = other.m_pTarget;
    m_iValue = other.m_iValue;
  }
  return *this;
}

CQVOThread::~CQVOThread() {
  CQVOThread::SetStopped();
  // The system thread may be running the target's body, which looks at the target's stop request.
  if (m_pTarget != nullptr && IsAlive()) m_pTarget->SetStopped();
  if (IsJoinable()) platform::threadWait(platform::ThreadHandle{m_hThread});
  platform::threadClose(platform::ThreadHandle{m_hThread});
}

void CQVOThread::Start() {
  if (IsAlive()) return;
  m_startLock.Lock();
  if (!CreateSystemThread()) {
    // No thread, so no hand-shake will come: do not wait for one.
    m_startLock.Unlock();
    return;
  }
  Resume();
}

bool CQVOThread::Resume() {
  long noLimit = -1;
  m_startLock.Unlock(noLimit);
  m_startLock.Unlock();
  return true;
}

bool CQVOThread::CreateSystemThread() {
  SetIsAlive(false);
  m_threadId = 0;
  m_exitCode = 0;
  unsigned long id = 0;
  platform::ThreadHandle handle = platform::threadCreateSuspended(&CQVOThread::Launch, this, id);
  if (handle == platform::kNoThread) {
    std::printf("ERROR !!!\n");
    std::fflush(stdout);
    return false;
  }
  m_threadId = id;
  platform::threadClose(platform::ThreadHandle{m_hThread});
  m_hThread = handle.raw;
  platform::threadSetPriority(handle, 0);
  platform::threadResume(handle);
  return true;
}

// On the new system thread. `p` is the object that was started; the body is its target's, if it has
// one. Both are marked alive and joinable before the hand-shake, so that once Start has returned, Stop,
// Join and the destructor wait for this thread (the object must outlive it).
unsigned int CQVOThread::Launch(void* p) {
  CQVOThread* started = static_cast<CQVOThread*>(p);
  CQVOThread* body = started->m_pTarget != nullptr ? started->m_pTarget : started;
  body->SetIsAlive(true);
  body->SetJoinable(true);
  if (body != started) {
    started->SetIsAlive(true);
    started->SetJoinable(true);
  }
  { CQVOGuard handshake(started->m_startLock); }  // wakes Start, waiting in its timed unlock
  body->Run();
  const unsigned int exitCode = body->m_exitCode;
  if (body != started) started->SetIsAlive(false);
  body->SetIsAlive(false);
  return exitCode;
}

void CQVOThread::Stop(bool wait) {
  SetStopped();
  // While this object's thread runs the target's body, that body looks at the target's request.
  if (m_pTarget != nullptr && IsAlive()) m_pTarget->SetStopped();
  if (wait && IsJoinable()) platform::threadWait(platform::ThreadHandle{m_hThread});
}

bool CQVOThread::IsStopped() const {
  CQVOGuard hold(m_stopLock);
  return m_bStopped;
}

void CQVOThread::SetStopped() {
  CQVOGuard hold(m_stopLock);
  m_bStopped = true;
}

void CQVOThread::SetName(CQVOString const& name) { m_name = name; }
CQVOString const& CQVOThread::GetName() const { return m_name; }
bool CQVOThread::Equals(CQVOThread& other) {
  return static_cast<EQVO::String const&>(m_name) == static_cast<EQVO::String const&>(other.m_name);
}

unsigned long CQVOThread::GetId() { return m_threadId; }
unsigned long CQVOThread::CurrentThreadId() { return platform::currentThreadId(); }

bool CQVOThread::Join() {
  if (!IsJoinable()) return false;
  return platform::threadWait(platform::ThreadHandle{m_hThread});
}

bool CQVOThread::IsAlive() {
  CQVOGuard hold(*this);
  return m_bAlive;
}

void CQVOThread::SetIsAlive(bool alive) {
  CQVOGuard hold(*this);
  m_bAlive = alive;
}

void CQVOThread::SetJoinable(bool joinable) {
  CQVOGuard hold(m_joinableLock);
  m_bJoinable = joinable;
}

bool CQVOThread::IsJoinable() const {
  CQVOGuard hold(m_joinableLock);
  return m_bJoinable;
}

namespace {
// The 1-to-10 scale as Windows thread priority levels.
int systemPriority(int priority) {
  switch (priority) {
    case 1: return -15;  // idle
    case 2:
    case 3: return -2;  // lowest
    case 4: return -1;  // below normal
    case 7: return 1;   // above normal
    case 8:
    case 9: return 2;   // highest
    case 10: return 15;  // time-critical
    default: return 0;  // normal: 5, 6 and anything outside the scale
  }
}
}  // namespace

void CQVOThread::SetPriority(int priority) {
  if (m_hThread != nullptr) platform::threadSetPriority(platform::ThreadHandle{m_hThread}, systemPriority(priority));
}

void CQVOThread::SetMaxPriority() { SetPriority(CQVOTHREAD_MAX_PRIORITY); }
void CQVOThread::SetMinPriority() { SetPriority(CQVOTHREAD_MIN_PRIORITY); }
void CQVOThread::SetSchedulingRealTime() { s_eScheduling = THREAD_SCHEDULING_REALTIME; }
void CQVOThread::SchedYield() {}

long CQVOThread::Sleep(long milliseconds, long, bool alertable) {
  const NanoTime begun = NanoTime::getCurrentTime();
  // A negative time is the system's no-limit value (all bits set) or beyond it, as in the Windows call.
  const unsigned long wait = milliseconds < 0 ? platform::kInfinite : static_cast<unsigned long>(milliseconds);
  if (platform::sleepFor(platform::Timeout::fromUnsigned(wait), alertable)) return NanoTime::getCurrentTime().differenceWith_ms(begun);
  return 0;
}

long CQVOThread::Sleep(long milliseconds, bool alertable) { return Sleep(milliseconds, 0, alertable); }
