// The operating-system seam, handles: one small type per kind of native handle (a pipe, an event, a
// thread), so that a handle of one kind cannot be passed where another is expected. Each is a pointer
// in a struct: no cost at run time, and the public classes, which store plain pointers, convert at the
// seam with `Kind{pointer}` and `.raw`.
#ifndef QVOBASE_PLATFORM_HANDLE_H
#define QVOBASE_PLATFORM_HANDLE_H

namespace qvo::platform {

// A native handle of the kind `Kind` (a tag type that is never defined). What `raw` holds is the
// concept's own business: a Windows HANDLE, or on POSIX the address of the seam's own record.
template <typename Kind>
struct Handle {
  void* raw;

  friend constexpr bool operator==(Handle a, Handle b) { return a.raw == b.raw; }
  friend constexpr bool operator!=(Handle a, Handle b) { return a.raw != b.raw; }
};

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_HANDLE_H
