// Windows-only tests of the thread family: the library's header beside <windows.h> (included first here,
// last in support/thread_support.cpp), the system's condition-variable calls next to the library's
// overloads of the same names, priorities as the system reports them, and the alertable sleep.
#if defined(_WIN32)
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include "QVOBase.h"

#if defined(_WIN32)

#include <atomic>

#include "support/thread_support.h"

namespace {

using qvotest::eventually;

TEST(WindowsHeaders, SystemAndLibraryConditionVariablesSideBySide) {
  CRITICAL_SECTION cs;
  ::InitializeCriticalSection(&cs);

  CONDITION_VARIABLE systemCv;
  InitializeConditionVariable(&systemCv);  // the system's
  QVO_CONDITION_VARIABLE libraryCv;
  InitializeConditionVariable(&libraryCv);  // the library's

  ::EnterCriticalSection(&cs);
  ::SetLastError(0);
  EXPECT_FALSE(SleepConditionVariableCS(&systemCv, &cs, 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  SleepConditionVariableCS(&libraryCv, &cs, 0);  // returns nothing, holding the section again
  EXPECT_FALSE(libraryCv.Wait(&cs, 0));
  ::LeaveCriticalSection(&cs);

  WakeConditionVariable(&systemCv);
  WakeAllConditionVariable(&systemCv);
  WakeConditionVariable(&libraryCv);
  WakeAllConditionVariable(&libraryCv);

  ::DeleteCriticalSection(&cs);
  ::Sleep(0);                                    // the system's Sleep
  EXPECT_EQ(CQVOThread::Sleep(0, false), 0);     // the library's
}

class Worker : public CQVOThread {
 public:
  ~Worker() override { Stop(true); }
  HANDLE handle() const { return m_hThread; }

 protected:
  int Run() override {
    while (!IsStopped()) ::Sleep(1);
    return 0;
  }
};

TEST(WindowsThread, PriorityMapsOntoTheSystemLevels) {
  Worker w;
  w.Start();
  EXPECT_EQ(::GetThreadPriority(w.handle()), THREAD_PRIORITY_NORMAL);
  struct Case {
    int priority;
    int level;
  };
  const Case cases[] = {{1, THREAD_PRIORITY_IDLE},         {2, THREAD_PRIORITY_LOWEST},
                        {3, THREAD_PRIORITY_LOWEST},       {4, THREAD_PRIORITY_BELOW_NORMAL},
                        {5, THREAD_PRIORITY_NORMAL},       {6, THREAD_PRIORITY_NORMAL},
                        {7, THREAD_PRIORITY_ABOVE_NORMAL}, {8, THREAD_PRIORITY_HIGHEST},
                        {9, THREAD_PRIORITY_HIGHEST},      {10, THREAD_PRIORITY_TIME_CRITICAL},
                        {0, THREAD_PRIORITY_NORMAL},       {11, THREAD_PRIORITY_NORMAL},
                        {-3, THREAD_PRIORITY_NORMAL}};
  for (const Case& c : cases) {
    w.SetPriority(c.priority);
    EXPECT_EQ(::GetThreadPriority(w.handle()), c.level) << "priority " << c.priority;
  }
  w.SetMaxPriority();
  EXPECT_EQ(::GetThreadPriority(w.handle()), THREAD_PRIORITY_TIME_CRITICAL);
  w.SetMinPriority();
  EXPECT_EQ(::GetThreadPriority(w.handle()), THREAD_PRIORITY_IDLE);
  EXPECT_EQ(w.GetId(), ::GetThreadId(w.handle()));
}

DWORD WINAPI sleepAnHourAlertably(LPVOID p) {
  static_cast<std::atomic<long>*>(p)->store(CQVOThread::Sleep(3600000, true));
  return 0;
}

void WINAPI doNothing(ULONG_PTR) {}

// An alertable sleep ended by an asynchronous procedure call reports the time that passed.
TEST(WindowsThread, AlertableSleepEndedByAnApcReportsTheTimePassed) {
  std::atomic<long> result{-1};
  HANDLE thread = ::CreateThread(nullptr, 0, &sleepAnHourAlertably, &result, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(eventually([&] {
    ::QueueUserAPC(&doNothing, thread, 0);
    return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  }));
  ::CloseHandle(thread);
  EXPECT_GE(result.load(), 0);
  EXPECT_LT(result.load(), 3600000);
}

}  // namespace

#else

TEST(WindowsHeaders, OnlyOnWindows) { GTEST_SKIP() << "the <windows.h> tests run on the Windows target"; }

#endif
