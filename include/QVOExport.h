// Export macro of the QVOBase library: one macro marks every exported class, function and datum.
#ifndef QVOBASE_QVOEXPORT_H
#define QVOBASE_QVOEXPORT_H

// QVO_API marks a declaration as part of the library's binary interface. Everything else is hidden:
// the library is built with hidden visibility on Linux and without automatic exports on Windows.
// QVOBASE_BUILDING is defined only while the library itself is compiled; QVOBASE_STATIC may be
// defined by a caller that links a static build of the library.
#if defined(QVOBASE_STATIC)
#define QVO_API
#elif defined(_WIN32)
#if defined(QVOBASE_BUILDING)
#define QVO_API __declspec(dllexport)
#else
#define QVO_API __declspec(dllimport)
#endif
#else
#define QVO_API __attribute__((visibility("default")))
#endif

// Plain functions exported with C linkage, so their names are not mangled.
#define QVO_EXTERN_C extern "C"

#endif  // QVOBASE_QVOEXPORT_H
