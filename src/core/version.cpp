// The version text of the tool set. It is a fixed text of its own: the library file's version (the
// project version in CMake) may move on without changing it.
#include "QVOError.h"

char const* QVOToolsVersion() { return "3.4.0"; }
