// Windows: what the files of this folder share, so that each exists once: a handle closed at the end of
// its scope and the loop that writes a whole buffer. Only files of src/platform/win32/ include it.
#ifndef QVOBASE_PLATFORM_WIN32_INTERNAL_H
#define QVOBASE_PLATFORM_WIN32_INTERNAL_H

#include <windows.h>

#include <cstddef>

namespace qvo::platform {

// Writes all `size` bytes with WriteFile, retrying short writes. False on the first failure (the last
// error tells why) or a write that took nothing. Only the plain system call: usable after a crash.
inline bool writeAll(HANDLE handle, void const* data, std::size_t size) {
  char const* bytes = static_cast<char const*>(data);
  while (size > 0) {
    DWORD const piece = size < 0x80000000u ? static_cast<DWORD>(size) : 0x80000000u;
    DWORD written = 0;
    if (!::WriteFile(handle, bytes, piece, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// A handle closed when it goes out of scope. Null and INVALID_HANDLE_VALUE are no handle.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
  ~ScopedHandle() {
    if (valid()) ::CloseHandle(m_handle);
  }
  ScopedHandle(ScopedHandle const&) = delete;
  ScopedHandle& operator=(ScopedHandle const&) = delete;
  HANDLE get() const { return m_handle; }
  bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE const handle = m_handle;
    m_handle = nullptr;
    return handle;
  }

 private:
  HANDLE m_handle;
};

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_WIN32_INTERNAL_H
