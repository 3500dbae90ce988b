// The version text of the tool set: the project version that the build hands to the code.
#include "QVOError.h"
#include "core/version.h"

char const* QVOToolsVersion() { return QVO_VERSION_TEXT; }
