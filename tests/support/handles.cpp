// Counting the handles or descriptors this process holds open.
#include "support/handles.h"

#include <gtest/gtest.h>

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace qvotest {

long openHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
  // Wine answers 0: count the handle values that name an open object instead (they are multiples of 4).
  long open = 0;
  for (std::uintptr_t value = 4; value < (1u << 18); value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
#else
  long count = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d) != nullptr) ++count;
    ::closedir(d);
  }
  return count;
#endif
}

void expectNoHandleGrowth(std::function<void()> const& cycle, int times) {
  auto run = [&](int n) {
    for (int i = 0; i < n && !::testing::Test::HasFailure(); ++i) cycle();
  };
  run(times / 2);
  const long half = openHandleCount();
  run(times - times / 2);
  EXPECT_EQ(openHandleCount(), half) << "handles opened over the last " << times - times / 2 << " cycles";
}

}  // namespace qvotest
