// The operating-system seam, paths and directories: the separators of the platform form, the system's
// rule for an absolute path, the current directory, creating and removing directories and the fixed
// temporary directory. Defined in posix/paths.cpp and win32/paths.cpp.
#ifndef QVOBASE_PLATFORM_PATHS_H
#define QVOBASE_PLATFORM_PATHS_H

#include <string>

#include "qvo_internal.h"

namespace qvo::platform {

// The separator of the platform form ('\' on Windows, '/' on POSIX) and the one that normalisation
// replaces by it ('/' on Windows, '\' on POSIX).
char pathSeparator();
char foreignSeparator();

// True when the system resolves `path` without the current directory's own path. Windows (the rule of
// PathIsRelativeA): a path that starts with '\' (the current drive's root, or a network path "\\server")
// or with a drive letter and ':' ("C:\a", and also the drive-relative "C:a"). POSIX: a path starting with
// '/'. "" is relative on both. Neither target turns '/' into '\' here: normalise first.
//   Windows: "C:\a", "C:a", "\a", "\\server\share" are absolute; "a\b", "/a", "" are relative.
QVO_INTERNAL bool isAbsolutePath(std::string const& path);

// The process's current working directory, of any length (Windows: read wide and turned into the
// code page of the ANSI file functions); false when it cannot be read.
QVO_INTERNAL bool currentDirectory(std::string& directory);

// Directories, as the C runtime: 0 on success, -1 with errno set.
int makeDirectory(char const* path);
int removeDirectory(char const* path);
int changeDirectory(char const* path);

// The fixed temporary directory of the target, with a trailing separator ("C:\TEMP\" on Windows,
// "/tmp/" on POSIX). A constant: no environment variable or system call is consulted.
char const* fixedTemporaryDirectory();

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_PATHS_H
